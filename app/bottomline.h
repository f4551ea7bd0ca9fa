#pragma once
// The status line under the main window's tabs: status tips on the left, the
// link's status button with its telemetry menu on the right.
#include <QList>
#include <QStringList>
#include <QWidget>

class KorvelPacketHandler;
class BLStatusButton;
class BLSBBattery;
class BLSBLink;
class BLSBGPS;
class BLSBHeight;
class BLSBFlighttime;
class QStatusBar;
class QTextEdit;

class BottomLine : public QWidget {
    Q_OBJECT
public:
    BottomLine(KorvelPacketHandler *link, QWidget *parent = nullptr);

    void showStatusTip(const QString &text);

    BLStatusButton *statusButton() const { return m_button; }
    QStatusBar *statusBar() const { return m_statusBar; }
    QTextEdit *errorBox() const { return m_errors; }
    BLSBBattery *battery() const { return m_battery; }
    BLSBLink *linkWidget() const { return m_link; }
    BLSBGPS *gps() const { return m_gps; }
    BLSBHeight *height() const { return m_height; }
    BLSBFlighttime *flighttime() const { return m_flighttime; }
    QList<int> activeCodes() const { return m_codes; }
    int systemLevel() const;

public slots:
    void appendStatus(int status);
    void setErrorText(const QStringList &errors);

private:
    KorvelPacketHandler *m_linkHandler;
    BLStatusButton *m_button;
    QStatusBar *m_statusBar;
    BLSBBattery *m_battery;
    BLSBLink *m_link;
    BLSBGPS *m_gps;
    BLSBHeight *m_height;
    BLSBFlighttime *m_flighttime;
    QTextEdit *m_errors;
    QList<int> m_codes;
};
