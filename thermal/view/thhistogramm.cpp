#include "thermal/view/thhistogramm.h"

#include <QPainter>
#include <QPolygon>

#include "thermal/thermalrenderer.h"

THHistogramm::THHistogramm(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(100, 100);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void THHistogramm::setData(const QByteArray &raw, double min, double max)
{
    m_counts = ThermalRenderer::fromBytes(raw);
    m_min = int(min);
    m_max = int(max);
    fillData();
}

void THHistogramm::setMeasurementType(int type)
{
    m_type = type;
    update();
}

void THHistogramm::setMinMaxValue(int min, int max)
{
    m_min = min;
    m_max = max;
    fillData();
}

void THHistogramm::setMinMaxValue(QPoint minmax)
{
    setMinMaxValue(minmax.x(), minmax.y());
}

void THHistogramm::fillData()
{
    // A maximum below the minimum gives no bins rather than a negative count.
    const qint64 n = qMax<qint64>(0, qint64(m_max) - m_min + 1);
    QVector<int> bins(int(qMin<qint64>(n, 1 << 20)), 0);
    int largest = 0;
    for (const quint16 c : qAsConst(m_counts)) {
        const qint64 i = qint64(c) - m_min;
        if (i < 0 || i >= bins.size())
            continue;
        const int v = ++bins[int(i)];
        if (v > largest)
            largest = v;
    }
    m_bins = std::move(bins);
    m_largest = largest;
    update();
}

QString THHistogramm::minLabel() const
{
    return ThermalRenderer::valueText(m_min, m_type);
}

QString THHistogramm::maxLabel() const
{
    return ThermalRenderer::valueText(m_max, m_type);
}

void THHistogramm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int W = width() - 8;
    const int H = height() - 8;
    p.setPen(Qt::white);
    p.setBrush(Qt::white);
    p.drawRect(2, 2, W, H);

    QPen grid(QColor(200, 200, 200), 2, Qt::DashLine);
    p.setPen(grid);
    for (int i = 0; i < 10; ++i) {
        const int y = (H - 20) * i / 10 + 10;
        p.drawLine(18, y, W - 5, y);
        const int x = (W - 15) * (i + 1) / 10 + 10;
        p.drawLine(x, 10, x, H - 23);
    }

    // Without a count in range there is no curve, only the frame.
    const int n = m_bins.size();
    if (n > 0 && m_largest > 0) {
        QPolygon curve;
        curve << QPoint(12, H - 20);
        for (int i = 0; i < n; ++i)
            curve << QPoint(int(qint64(W - 22) * i / n + 12),
                            int((H - 22) - double(m_bins[i]) / m_largest * (H - 30)));
        curve << QPoint(W - 11, H - 22);
        QColor fill(24, 159, 214);
        fill.setAlpha(120);
        p.setBrush(fill);
        p.setPen(QPen(QColor(24, 159, 214), 1));
        p.drawPolygon(curve);
    }

    p.setPen(QPen(Qt::black, 2));
    p.drawLine(10, 10, 10, H - 15);
    p.drawLine(5, H - 20, W - 5, H - 20);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    p.drawText(QRect(15, H - 20, W / 2, 20), Qt::AlignLeft | Qt::AlignVCenter, minLabel());
    p.drawText(QRect(W / 2 + 15, H - 20, W / 2 - 30, 20), Qt::AlignRight | Qt::AlignVCenter,
               maxLabel());
}
