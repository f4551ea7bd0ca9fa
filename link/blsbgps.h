#pragma once
#include "link/blsbbase.h"

class BLSBGPS : public BLSBBase {
    Q_OBJECT
public:
    explicit BLSBGPS(QWidget *parent = nullptr);
    int quality() const { return m_quality; }
    int satellites() const { return m_satellites; }
    QString valueText() const { return QStringLiteral("%1%").arg(m_quality); }

signals:
    void status(int code);

public slots:
    void setGPSQuality(int q);
    void setGPSSatellite(int n);

private slots:
    void pErrorFinished();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    int m_quality = 0;
    int m_satellites = 0;
};
