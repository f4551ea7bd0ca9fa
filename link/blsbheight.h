#pragma once
#include "link/blsbbase.h"

class BLSBHeight : public BLSBBase {
    Q_OBJECT
public:
    explicit BLSBHeight(QWidget *parent = nullptr) : BLSBBase(parent) {}
    QString valueText() const
    {
        return QStringLiteral("%1m rel. / %2m abs.")
            .arg(m_relative, 0, 'f', 2)
            .arg(m_absolute, 0, 'f', 2);
    }

public slots:
    void setAbsoluteHeight(double h)
    {
        m_absolute = h;
        update();
    }
    void setRelativeHeight(double h)
    {
        m_relative = h;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QFont f(QStringLiteral("Helvetica"), 12);
        paintFrame(tr("Height:"), valueText(), QColor(), &f);
    }

private:
    double m_absolute = 0;
    double m_relative = 0;
};
