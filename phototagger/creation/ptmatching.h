#pragma once
// Matching of photos to camera triggers by the pattern of the gaps between
// shots. Widget-free; runs on the creation job's worker thread.
//
// Gaps are whole seconds, so every error is decided on exact integer sums.
// Where the result depends on floating point (the strict comparisons against
// the best error and the threshold), the error of the chosen candidate is
// computed term by term in double, divided by the window's divisor, so that
// rounding decides exactly as a plain search over every candidate would.
#include <QList>
#include <QPair>
#include <QVector>

#include <functional>

class PTMatching
{
public:
    // True when the job was cancelled; read before every loop step.
    using CancelCheck = std::function<bool()>;
    using Progress = std::function<void(int current, int total)>;

    static constexpr double kInitialBestError = 999999999.0;

    // Times in ms since 1970; triggers in log order, photos oldest first.
    void setTriggerTimes(const QVector<qint64> &ms);
    void setPhotoTimes(const QVector<qint64> &ms, const QVector<int> &accuracy);

    // Gap lists, check ranges and threshold. Returns the number of ranges;
    // 0 when cancelled.
    int configure(const CancelCheck &cancel = {}, const Progress &progress = {});

    // The passes; false when cancelled or nothing below the threshold.
    bool fastDetection(const CancelCheck &cancel = {}, const Progress &progress = {});
    bool deepDetection(const CancelCheck &cancel = {}, const Progress &progress = {});
    bool mergeMoreImages(int missing, const CancelCheck &cancel = {}, const Progress &progress = {});

    // Evaluates photos a..b as one window; false when cancelled inside.
    bool calcMatching(int a, int b, const CancelCheck &cancel = {});

    int triggerCount() const { return m_triggerMs.size(); }
    int photoCount() const { return m_photoMs.size(); }
    QVector<qint64> triggerDiffs() const { return m_tDiff; }
    QVector<qint64> imageDiffs() const { return m_iDiff; }
    qint64 logDuration() const { return m_logDuration; }
    QList<QPair<int, int>> checkRanges() const { return m_ranges; }
    double acceptanceThreshold() const { return m_threshold; }
    double bestMeanSquareError() const { return m_bestError; }
    int bestOffset() const { return m_bestOffset; }
    QList<int> missingTriggers() const { return m_missing; }
    bool accepted() const { return m_threshold > m_bestError; }

    // Photo index per trigger, -1 for a trigger without photo; empty when
    // no window was found.
    QVector<int> assignment() const;

    // Whole-second gap as the gap lists hold it (truncated toward zero).
    static qint64 gapSeconds(qint64 fromMs, qint64 toMs) { return (toMs - fromMs) / 1000; }

private:
    bool evaluateMissing(int a, int k, const CancelCheck &cancel);
    void offer(int a, double error, const QList<int> &missing);

    QVector<qint64> m_triggerMs;
    QVector<qint64> m_photoMs;
    QVector<int> m_accuracy;

    QVector<qint64> m_tDiff;
    QVector<qint64> m_iDiff;
    QVector<qint64> m_tPrefix;   // m_tPrefix[j] = sum of m_tDiff[0..j-1]
    qint64 m_logDuration = 0;
    QList<QPair<int, int>> m_ranges;
    double m_threshold = 0.0;
    double m_bestError = kInitialBestError;
    int m_bestOffset = -1;
    QList<int> m_missing;
};
