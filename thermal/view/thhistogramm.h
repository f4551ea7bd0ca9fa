#pragma once
// Histogram of an image's raw counts between the scale minimum and maximum,
// one bin per count, labelled in the image's unit.
#include <QPoint>
#include <QVector>
#include <QWidget>

class THHistogramm : public QWidget
{
    Q_OBJECT
public:
    explicit THHistogramm(QWidget *parent = nullptr);

    void setData(const QByteArray &raw, double min, double max);
    void setMeasurementType(int type);
    void fillData();

    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int measurementType() const { return m_type; }
    const QVector<int> &bins() const { return m_bins; }
    int largestBin() const { return m_largest; }
    QString minLabel() const;
    QString maxLabel() const;

public slots:
    void setMinMaxValue(int min, int max);
    void setMinMaxValue(QPoint minmax);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_min = 6000;
    int m_max = 7000;
    int m_type = 0;
    QVector<quint16> m_counts;
    QVector<int> m_bins;
    int m_largest = 0;
};
