#pragma once
#include "link/blsbbase.h"

class BLSBFlighttime : public BLSBBase {
    Q_OBJECT
public:
    explicit BLSBFlighttime(QWidget *parent = nullptr) : BLSBBase(parent) {}
    static QString format(unsigned short seconds)
    {
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
            .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    QString valueText() const { return format(m_seconds); }

public slots:
    void setFlighttime(unsigned short seconds)
    {
        m_seconds = seconds;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QFont f(QStringLiteral("Helvetica"), 12);
        paintFrame(tr("Flighttime:"), valueText(), QColor(), &f);
    }

private:
    unsigned short m_seconds = 0;
};
