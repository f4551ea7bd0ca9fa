#pragma once
// Modal dialog in which the operator opens the link to the aircraft over a
// serial port or TCP, then hands the opened device to the link handler.
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>
#include <functional>

class KorvelPacketHandler;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTcpSocket;
class QTimer;

class ConnectWid : public QDialog {
    Q_OBJECT
public:
    // The kinds of link the dialog opens, in the order of its tabs.
    enum LinkKind { SerialLink = 0, TcpLink = 1 };

    // The aircraft's access point; KORVEL_AIRCRAFT_HOST / KORVEL_AIRCRAFT_PORT
    // override it (tests point it at a loopback server).
    static QString defaultHost();
    static quint16 defaultPort();

    // One port as the combo keeps it: name, system location, description,
    // manufacturer, vendor id, product id (decimal).
    static QStringList portEntry(const QSerialPortInfo &info);
    // Source of the serial port list: the operating system's list unless a
    // test supplies its own (pseudo-terminals are not listed by the system).
    using PortLister = std::function<QList<QStringList>()>;
    static void setPortLister(PortLister lister);

    explicit ConnectWid(KorvelPacketHandler *handler, QWidget *parent = nullptr);
    ~ConnectWid() override;

    void setTcpEndpoint(const QString &host, quint16 port);
    void setTcpTimeout(int ms) { m_tcpTimeoutMs = ms; }

public slots:
    void setInformation(int index);
    void refreshData();
    void connect2device();

private:
    void tabChanged(int index);
    void startTcpAttempt();
    void tcpConnected();
    void tcpTimeout();
    void stopTcpTimer();

    KorvelPacketHandler *m_handler;
    QTabWidget *m_tabs = nullptr;
    QComboBox *m_portCombo = nullptr;
    QLabel *m_description = nullptr;
    QLabel *m_manufacturer = nullptr;
    QLabel *m_location = nullptr;
    QLabel *m_vendor = nullptr;
    QLabel *m_product = nullptr;
    QPushButton *m_refresh = nullptr;
    QLabel *m_socketStatus = nullptr;
    QPushButton *m_connect = nullptr;
    QPushButton *m_cancel = nullptr;

    QTcpSocket *m_socket = nullptr;  // ours until handed to the handler
    QTimer *m_tcpTimer = nullptr;
    QString m_host;
    quint16 m_port;
    int m_tcpTimeoutMs = 1000;
};
