#include "phototagger/creation/ptmatching.h"

#include <QDebug>
#include <QString>

#include <algorithm>

namespace {

using Wide = __int128;  // squared gaps of far-apart times overflow 64 bits

inline bool cancelled(const PTMatching::CancelCheck &cancel) { return cancel && cancel(); }
inline void report(const PTMatching::Progress &progress, int current, int total)
{
    if (progress)
        progress(current, total);
}

// Ties of equal integer error can hide a great many equivalent candidates
// (a log whose triggers share one second); beyond this many the first ones
// in lexicographic order decide.
constexpr int kMaxTiedCandidates = 1 << 14;

}  // namespace

void PTMatching::setTriggerTimes(const QVector<qint64> &ms) { m_triggerMs = ms; }

void PTMatching::setPhotoTimes(const QVector<qint64> &ms, const QVector<int> &accuracy)
{
    m_photoMs = ms;
    m_accuracy = accuracy;
    m_accuracy.resize(ms.size());
}

int PTMatching::configure(const CancelCheck &cancel, const Progress &progress)
{
    m_bestError = kInitialBestError;
    m_ranges.clear();
    m_iDiff.clear();
    m_tDiff.clear();
    m_tPrefix = {0};
    m_logDuration = 0;

    const int N = m_triggerMs.size();
    const int M = m_photoMs.size();
    for (int j = 0; j + 1 < N; ++j) {
        if (cancelled(cancel))
            return 0;
        const qint64 gap = gapSeconds(m_triggerMs[j], m_triggerMs[j + 1]);
        m_tDiff.append(gap);
        m_tPrefix.append(m_tPrefix.last() + gap);
        m_logDuration += gap;  // signed: triggers may go backwards
    }
    QVector<int> breaks;
    for (int i = 0; i + 1 < M; ++i) {
        if (cancelled(cancel))
            return 0;
        const qint64 gap = gapSeconds(m_photoMs[i], m_photoMs[i + 1]);
        m_iDiff.append(gap);
        if (gap > m_logDuration)
            breaks.append(i);
    }

    // A log that does not move forward in time has no flight to match.
    if (M > 0 && m_logDuration > 0) {
        int start = 0;
        for (int b = 0; b < breaks.size(); ++b) {
            report(progress, b, breaks.size());
            if (start != breaks[b])
                m_ranges.append({start, breaks[b]});
            start = breaks[b] + 1;
        }
        m_ranges.append({start, M - 1});
    }
    for (int r = m_ranges.size() - 1; r >= 0; --r) {
        if (cancelled(cancel)) {
            m_ranges.clear();
            return 0;
        }
        if (m_ranges[r].second - m_ranges[r].first + 4 < N)
            m_ranges.removeAt(r);
    }

    if (M > 0) {
        qint64 squares = 0;
        for (int a : qAsConst(m_accuracy))
            squares += qint64(a) * a;
        m_threshold += double(squares) / M;
    }
    qDebug() << "[PTMerge] threadConfigDetection triggers" << N << "photos" << M << "logDuration"
             << m_logDuration << "checkRanges" << m_ranges << "threshold" << m_threshold;
    return m_ranges.size();
}

void PTMatching::offer(int a, double error, const QList<int> &missing)
{
    if (m_bestError > error) {
        m_missing = missing;
        m_bestOffset = a;
        m_bestError = error;
    }
}

bool PTMatching::calcMatching(int a, int b, const CancelCheck &cancel)
{
    const int n = m_tDiff.size();
    const int w = b - a;
    if (w > n || a < 0 || b >= m_photoMs.size() || w < 0)
        return true;
    qDebug().noquote() << QStringLiteral("[PTMerge] calcMatching img_checkrange: ( %1 , %2 )").arg(a).arg(b);
    if (w == n) {
        double error = 0.0;
        for (int j = 0; j < n; ++j) {
            const double d = double(m_tDiff[j]) - double(m_iDiff[a + j]);
            error += d * d / n;
        }
        offer(a, error, {});
        qDebug().noquote() << QStringLiteral("[PTMerge] calcMatching Finished - bestMeanSquareError!: %1").arg(m_bestError);
        return true;
    }
    if (n < 6)
        return true;
    const int k = n - w;
    if (k > 3)
        return true;
    if (!evaluateMissing(a, k, cancel))
        return false;
    qDebug().noquote() << QStringLiteral("[PTMerge] calcMatching Finished - bestMeanSquareError!: %1").arg(m_bestError);
    return true;
}

bool PTMatching::evaluateMissing(int a, int k, const CancelCheck &cancel)
{
    // Kept triggers r_0 < ... < r_{m-1}, m = N - k; state (t, s) means
    // r_t = t + s, s triggers skipped so far. g[t][s] is the least integer
    // error of the remaining gaps from there.
    const int N = m_triggerMs.size();
    const int n = N - 1;
    const int m = N - k;
    const int K = k + 1;
    auto cost = [&](int t, int s, int s2) -> Wide {
        const Wide d = Wide(m_tPrefix[t + 1 + s2] - m_tPrefix[t + s]) - Wide(m_iDiff[a + t]);
        return d * d;
    };
    QVector<Wide> g(m * K, 0);
    for (int t = m - 2; t >= 0; --t) {
        if ((t & 255) == 0 && cancelled(cancel))
            return false;
        for (int s = 0; s <= k; ++s) {
            Wide best = -1;
            for (int s2 = s; s2 <= k; ++s2) {
                const Wide c = cost(t, s, s2) + g[(t + 1) * K + s2];
                if (best < 0 || c < best)
                    best = c;
            }
            g[t * K + s] = best;
        }
    }
    Wide least = -1;
    for (int s = 0; s <= k; ++s)
        if (least < 0 || g[s] < least)
            least = g[s];

    // Walk every candidate of least integer error in lexicographic order of
    // its missing triggers (more skips first), summing its error in double
    // as the plain search would; the first smallest one is offered.
    const double divisor = n - 2;
    struct Frame { int s; int next; double error; };
    QVector<Frame> stack;
    stack.reserve(m);
    double bestError = 0.0;
    QVector<int> bestPath;
    bool found = false;
    int candidates = 0;
    QVector<int> path(m);

    for (int s0 = k; s0 >= 0 && candidates < kMaxTiedCandidates; --s0) {
        if (g[s0] != least)
            continue;
        stack.clear();
        stack.append({s0, k, 0.0});
        while (!stack.isEmpty() && candidates < kMaxTiedCandidates) {
            const int t = stack.size() - 1;
            Frame &f = stack.last();
            if (t == m - 1) {
                for (int i = 0; i < m; ++i)
                    path[i] = stack[i].s;
                ++candidates;
                if (!found || bestError > f.error) {
                    found = true;
                    bestError = f.error;
                    bestPath = path;
                }
                stack.removeLast();
                continue;
            }
            bool pushed = false;
            while (f.next >= f.s) {
                const int s2 = f.next--;
                const Wide c = cost(t, f.s, s2);
                if (c + g[(t + 1) * K + s2] != g[t * K + f.s])
                    continue;
                const double d = double(m_tPrefix[t + 1 + s2] - m_tPrefix[t + f.s]) - double(m_iDiff[a + t]);
                const double e = f.error + d * d / divisor;
                stack.append({s2, k, e});
                pushed = true;
                break;
            }
            if (!pushed)
                stack.removeLast();
            if ((candidates & 1023) == 1023 && cancelled(cancel))
                return false;
        }
    }
    if (!found)
        return true;

    QList<int> missing;
    int prev = -1;
    for (int t = 0; t < m; ++t) {
        const int r = t + bestPath[t];
        for (int q = prev + 1; q < r; ++q)
            missing.append(q);
        prev = r;
    }
    for (int q = prev + 1; q < N; ++q)
        missing.append(q);
    offer(a, bestError, missing);
    return true;
}

bool PTMatching::fastDetection(const CancelCheck &cancel, const Progress &progress)
{
    const int total = m_ranges.size();
    for (int i = 0; i < total; ++i) {
        if (cancelled(cancel))
            return false;
        report(progress, i, total);
        if (!calcMatching(m_ranges[i].first, m_ranges[i].second, cancel))
            return false;
    }
    report(progress, total, total);
    return accepted();
}

bool PTMatching::deepDetection(const CancelCheck &cancel, const Progress &progress)
{
    const int n = m_tDiff.size();
    const int last = m_photoMs.size() - 1 - n;
    for (int s = 0; s <= last; ++s) {
        if (cancelled(cancel))
            return false;
        report(progress, s, last);
        if (!calcMatching(s, s + n, cancel))
            return false;
    }
    return accepted();
}

bool PTMatching::mergeMoreImages(int k, const CancelCheck &cancel, const Progress &progress)
{
    const int n = m_tDiff.size();
    const int last = m_photoMs.size() - 1 - n + k;
    qDebug() << "[PTMerge] mergeMoreImages missing photos:" << k;
    for (int s = 0; s <= last; ++s) {
        if (cancelled(cancel))
            return false;
        report(progress, s, last);
        if (!calcMatching(s, s + n - k, cancel))
            return false;
    }
    return accepted();
}

QVector<int> PTMatching::assignment() const
{
    QVector<int> result;
    if (m_bestOffset < 0)
        return result;
    int c = 0;
    for (int i = 0; i < m_triggerMs.size(); ++i) {
        if (m_missing.contains(i)) {
            result.append(-1);
        } else {
            const int photo = m_bestOffset + c++;
            result.append(photo < m_photoMs.size() ? photo : -1);
        }
    }
    return result;
}
