#include "link/connectwid.h"

#include <QComboBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTimer>
#include <QVBoxLayout>

#include "link/korvelpackethandler.h"
#include "core/prompt/prompt.h"

namespace {
ConnectWid::PortLister &portLister()
{
    static ConnectWid::PortLister lister;
    return lister;
}

const char *const FailedText =
    "The Connection couldn't be established. Maybe the connection is already opened or you "
    "don't have the access right for opening this device.";
}  // namespace

QString ConnectWid::defaultHost()
{
    const QString env = qEnvironmentVariable("KORVEL_AIRCRAFT_HOST");
    return env.isEmpty() ? QStringLiteral("192.168.1.1") : env;
}

quint16 ConnectWid::defaultPort()
{
    bool ok = false;
    const uint port = qEnvironmentVariable("KORVEL_AIRCRAFT_PORT").toUInt(&ok);
    return ok && port > 0 && port < 65536 ? quint16(port) : quint16(5001);
}

void ConnectWid::setPortLister(PortLister lister)
{
    portLister() = std::move(lister);
}

ConnectWid::ConnectWid(KorvelPacketHandler *handler, QWidget *parent)
    : QDialog(parent), m_handler(handler), m_host(defaultHost()), m_port(defaultPort())
{
    qDebug() << "[ConnectWid] Constructor START";
    setWindowTitle(tr("Connect..."));
    setWindowIcon(QIcon(QStringLiteral(":/connect.png")));

    m_tabs = new QTabWidget(this);

    // Serial page
    auto *serialPage = new QWidget;
    auto *serialLayout = new QVBoxLayout(serialPage);
    auto *comboRow = new QHBoxLayout;
    m_portCombo = new QComboBox;
    m_portCombo->setObjectName(QStringLiteral("portCombo"));
    m_refresh = new QPushButton(tr("Refresh"));
    comboRow->addWidget(m_portCombo, 1);
    comboRow->addWidget(m_refresh);
    serialLayout->addLayout(comboRow);
    m_description = new QLabel(tr("Description:"));
    m_manufacturer = new QLabel(tr("Manufacturer:"));
    m_location = new QLabel(tr("Location:"));
    m_vendor = new QLabel(tr("Vendor ID:"));
    m_product = new QLabel(tr("Product ID:"));
    for (QLabel *l : {m_description, m_manufacturer, m_location, m_vendor, m_product})
        serialLayout->addWidget(l);
    auto *notice = new QLabel(tr("Notice: the first time connecting to a new flightsystem") +
                              QLatin1Char('\n') + tr("takes some time! (approx. 5 minutes)"));
    notice->setStyleSheet(QStringLiteral("QLabel { color : red; font-size: 12pt; font-weight: bold;}"));
    serialLayout->addWidget(notice);
    serialLayout->addStretch();
    m_tabs->addTab(serialPage, tr("Serial Port"));

    // TCP page
    auto *tcpPage = new QWidget;
    auto *tcpLayout = new QHBoxLayout(tcpPage);
    m_socketStatus = new QLabel(QStringLiteral("socketStatus"));
    m_socketStatus->setObjectName(QStringLiteral("socketStatus"));
    tcpLayout->addWidget(m_socketStatus);
    m_tabs->addTab(tcpPage, tr("TCP/IP"));
    m_socket = new QTcpSocket;
    connect(m_socket, &QTcpSocket::connected, this, &ConnectWid::tcpConnected);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cancel = new QPushButton(tr("Cancel"));
    m_connect = new QPushButton(tr("Connect"));
    m_connect->setDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_connect);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_connect, &QPushButton::clicked, this, &ConnectWid::connect2device);
    connect(m_refresh, &QPushButton::clicked, this, &ConnectWid::refreshData);
    connect(m_portCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ConnectWid::setInformation);
    connect(m_tabs, &QTabWidget::currentChanged, this, &ConnectWid::tabChanged);

    refreshData();
    qDebug() << "[ConnectWid] Constructor END";
}

ConnectWid::~ConnectWid()
{
    stopTcpTimer();
    // The socket was never handed over: it is still ours.
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        delete m_socket;
    }
}

void ConnectWid::setTcpEndpoint(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
}

QStringList ConnectWid::portEntry(const QSerialPortInfo &info)
{
    return {info.portName(),
            info.systemLocation(),
            info.description(),
            info.manufacturer(),
            QString::number(info.vendorIdentifier()),
            QString::number(info.productIdentifier())};
}

void ConnectWid::refreshData()
{
    qDebug() << "[ConnectWid] refreshData";
    QList<QStringList> ports;
    if (portLister()) {
        ports = portLister()();
    } else {
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos)
            ports << portEntry(info);
    }
    m_portCombo->clear();
    for (const QStringList &entry : qAsConst(ports)) {
        if (entry.size() >= 6)
            m_portCombo->addItem(entry.at(0), entry);
    }
}

void ConnectWid::setInformation(int index)
{
    if (index < 0)
        return;
    const QStringList data = m_portCombo->itemData(index).toStringList();
    if (data.size() < 6)
        return;
    m_description->setText(tr("Description: %1").arg(data.at(2)));
    m_manufacturer->setText(tr("Manufacturer: %1").arg(data.at(3)));
    m_location->setText(tr("Location: %1").arg(data.at(1)));
    m_vendor->setText(tr("Vendor ID: %1").arg(data.at(4)));
    m_product->setText(tr("Product ID: %1").arg(data.at(5)));
}

void ConnectWid::tabChanged(int index)
{
    if (index == SerialLink) {
        stopTcpTimer();
        m_connect->setEnabled(true);
        refreshData();
    } else if (index == TcpLink) {
        m_connect->setEnabled(false);
        startTcpAttempt();
    }
}

void ConnectWid::startTcpAttempt()
{
    stopTcpTimer();
    if (!m_socket) {
        m_socket = new QTcpSocket;
        connect(m_socket, &QTcpSocket::connected, this, &ConnectWid::tcpConnected);
    }
    m_socket->abort();
    m_socket->connectToHost(m_host, m_port);
    m_socketStatus->setText(tr("please Wait!"));
    m_tcpTimer = new QTimer(this);
    m_tcpTimer->setSingleShot(true);
    connect(m_tcpTimer, &QTimer::timeout, this, &ConnectWid::tcpTimeout);
    m_tcpTimer->start(m_tcpTimeoutMs);
}

void ConnectWid::tcpConnected()
{
    if (!m_tcpTimer)
        return;  // too late: the attempt was already reported as failed
    stopTcpTimer();
    m_connect->setEnabled(true);
    m_socketStatus->setText(tr("ready to Connect."));
}

void ConnectWid::tcpTimeout()
{
    stopTcpTimer();
    m_connect->setEnabled(false);
    m_socketStatus->setText(tr("Error: ") + m_socket->errorString());
    // Leave no half-open attempt behind a reported failure.
    m_socket->abort();
}

void ConnectWid::stopTcpTimer()
{
    if (m_tcpTimer) {
        m_tcpTimer->stop();
        m_tcpTimer->deleteLater();
        m_tcpTimer = nullptr;
    }
}

void ConnectWid::connect2device()
{
    qDebug() << "[ConnectWid] connect2device";
    if (m_tabs->currentIndex() == SerialLink) {
        if (m_portCombo->count() == 0 || m_portCombo->itemText(0).isEmpty()) {
            Prompt::message(this, QStringLiteral(":/icons/80/info"), tr("No COM Port selected"),
                            tr("You didn't select any COM port for connecting!"), QMessageBox::Ok,
                            QMessageBox::Ok);
            return;
        }
        const QStringList entry = m_portCombo->currentData().toStringList();
        if (entry.size() < 6)
            return;
        auto *port = new QSerialPort;
        port->setPortName(entry.at(1));
        port->setBaudRate(57600, QSerialPort::AllDirections);
        if (port->open(QIODevice::ReadWrite)) {
            m_handler->setDevice(port);
            accept();
        } else {
            qWarning() << "[ConnectWid] cannot open" << port->portName() << port->errorString();
            delete port;
            Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Connection failed!"),
                            tr(FailedText), QMessageBox::Ok, QMessageBox::Ok);
        }
        return;
    }

    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState &&
        (m_socket->isOpen() || m_socket->open(QIODevice::ReadWrite))) {
        QTcpSocket *socket = m_socket;
        socket->disconnect(this);
        m_socket = nullptr;  // the handler owns it from here
        m_handler->setDevice(socket);
        accept();
    } else {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Connection failed!"),
                        tr(FailedText), QMessageBox::Ok, QMessageBox::Ok);
    }
}
