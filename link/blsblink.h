#pragma once
#include "link/blsbbase.h"

class BLSBLink : public BLSBBase {
    Q_OBJECT
public:
    explicit BLSBLink(QWidget *parent = nullptr);
    int quality() const { return m_quality; }
    QString valueText() const { return QStringLiteral("%1%").arg(m_quality); }

signals:
    void status(int code);

public slots:
    void setLinkQuality(int q);

private slots:
    void pErrorFinished();
    void pWarningFinished();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    void reevaluate();
    int m_quality = 0;
};
