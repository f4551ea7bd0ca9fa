// The connect dialog over a socat pseudo-terminal and loopback TCP.
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>

#include "link/connectwid.h"
#include "link/korvelpackethandler.h"
#include "support/testkit.h"
#include "support/v1aircraft.h"

using KorvelTest::PromptScript;
using KorvelTest::V1Aircraft;
using KorvelTest::waitFor;

namespace {
QPushButton *button(QWidget *w, const QString &text)
{
    for (QPushButton *b : w->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QLabel *labelStarting(QWidget *w, const QString &prefix)
{
    for (QLabel *l : w->findChildren<QLabel *>())
        if (l->text().startsWith(prefix))
            return l;
    return nullptr;
}

quint16 closedLoopbackPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const quint16 port = s.serverPort();
    s.close();
    return port;
}
}  // namespace

class TestConnectWid : public QObject {
    Q_OBJECT
    QList<QStringList> m_ports;
    PromptScript *m_prompts = nullptr;

    static QStringList pty(const QString &path)
    {
        return {QFileInfo(path).fileName(), path, "pseudo-terminal", "socat", "0", "0"};
    }

private slots:
    void init()
    {
        m_ports.clear();
        ConnectWid::setPortLister([this] { return m_ports; });
        m_prompts = new PromptScript;  // no real message box may block a test
    }
    void cleanup()
    {
        ConnectWid::setPortLister(nullptr);
        delete m_prompts;
    }

    void layoutAndEndpointOverride()
    {
        KorvelPacketHandler h;
        ConnectWid w(&h);
        QCOMPARE(w.windowTitle(), QString("Connect..."));
        QVERIFY(!w.windowIcon().isNull());
        auto *tabs = w.findChild<QTabWidget *>();
        QCOMPARE(tabs->tabText(0), QString("Serial Port"));
        QCOMPARE(tabs->tabText(1), QString("TCP/IP"));
        QVERIFY(button(&w, "Connect")->isDefault());
        QVERIFY(labelStarting(&w, "socketStatus"));
        QVERIFY(labelStarting(&w, "Notice: the first time connecting to a new flightsystem"));

        qputenv("KORVEL_AIRCRAFT_HOST", "127.0.0.1");
        qputenv("KORVEL_AIRCRAFT_PORT", "6001");
        QCOMPARE(ConnectWid::defaultHost(), QString("127.0.0.1"));
        QCOMPARE(ConnectWid::defaultPort(), quint16(6001));
        qputenv("KORVEL_AIRCRAFT_PORT", "99999");
        QCOMPARE(ConnectWid::defaultPort(), quint16(5001));
        qunsetenv("KORVEL_AIRCRAFT_HOST");
        qunsetenv("KORVEL_AIRCRAFT_PORT");
        QCOMPARE(ConnectWid::defaultHost(), QString("192.168.1.1"));
    }

    void noPortListed()
    {
        PromptScript &prompts = *m_prompts;
        KorvelPacketHandler h;
        ConnectWid w(&h);
        w.show();
        button(&w, "Connect")->click();
        QCOMPARE(prompts.requests().size(), 1);
        const Prompt::Request rq = prompts.requests().at(0);
        QCOMPARE(rq.iconPath, QString(":/icons/80/info"));
        QCOMPARE(rq.title, QString("No COM Port selected"));
        QCOMPARE(rq.text, QString("You didn't select any COM port for connecting!"));
        QVERIFY(w.isVisible());
        QVERIFY(!h.device());
    }

    void refreshListsNewPortsAndLabelsFollow()
    {
        KorvelPacketHandler h;
        ConnectWid w(&h);
        auto *combo = w.findChild<QComboBox *>("portCombo");
        QCOMPARE(combo->count(), 0);
        m_ports << pty("/tmp/linkv1-a") << pty("/tmp/linkv1-b");
        button(&w, "Refresh")->click();
        QCOMPARE(combo->count(), 2);
        combo->setCurrentIndex(1);
        QVERIFY(labelStarting(&w, "Location: /tmp/linkv1-b"));
        QVERIFY(labelStarting(&w, "Description: pseudo-terminal"));
        QVERIFY(labelStarting(&w, "Manufacturer: socat"));
        QVERIFY(labelStarting(&w, "Vendor ID: 0"));
        QVERIFY(labelStarting(&w, "Product ID: 0"));
        combo->setCurrentIndex(0);
        QVERIFY(labelStarting(&w, "Location: /tmp/linkv1-a"));
    }

    void serialConnectOverPty()
    {
        V1Aircraft air;
        QVERIFY(air.openPty());
        m_ports << pty(air.programPort());
        KorvelPacketHandler h;
        QSignalSpy v1(&h, &KorvelPacketHandler::comV1using);
        ConnectWid w(&h);
        w.show();
        button(&w, "Connect")->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(h.isConnected());
        auto *port = qobject_cast<QSerialPort *>(h.device());
        QVERIFY(port);
        QCOMPARE(port->baudRate(QSerialPort::Input), 57600);
        QCOMPARE(port->baudRate(QSerialPort::Output), 57600);
        air.sendLink();
        QVERIFY(waitFor([&] { return v1.count() == 1; }));
    }

    void serialOpenFailure()
    {
        PromptScript &prompts = *m_prompts;
        m_ports << pty("/nonexistent/ttyLINKV1");
        KorvelPacketHandler h;
        ConnectWid w(&h);
        w.show();
        button(&w, "Connect")->click();
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests().at(0).iconPath, QString(":/icons/80/error"));
        QCOMPARE(prompts.requests().at(0).title, QString("Connection failed!"));
        QVERIFY(prompts.requests().at(0).text.startsWith("The Connection couldn't be established."));
        QVERIFY(w.isVisible());
        QVERIFY(!h.device());
    }

    void tcpConnectOverLoopback()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        QSignalSpy v1(&h, &KorvelPacketHandler::comV1using);
        ConnectWid w(&h);
        w.setTcpEndpoint("127.0.0.1", air.tcpPort());
        w.show();
        QPushButton *connectButton = button(&w, "Connect");
        w.findChild<QTabWidget *>()->setCurrentIndex(1);
        QVERIFY(!connectButton->isEnabled());
        auto *status = w.findChild<QLabel *>("socketStatus");
        QCOMPARE(status->text(), QString("please Wait!"));
        QVERIFY(waitFor([&] { return status->text() == "ready to Connect."; }));
        QVERIFY(connectButton->isEnabled());
        connectButton->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(qobject_cast<QTcpSocket *>(h.device()));
        QVERIFY(h.isConnected());
        air.sendLink();
        QVERIFY(waitFor([&] { return v1.count() == 1; }));
    }

    void tcpFailureAndBackToSerial()
    {
        KorvelPacketHandler h;
        ConnectWid w(&h);
        w.setTcpEndpoint("127.0.0.1", closedLoopbackPort());
        w.setTcpTimeout(200);
        w.show();
        auto *tabs = w.findChild<QTabWidget *>();
        auto *status = w.findChild<QLabel *>("socketStatus");
        tabs->setCurrentIndex(1);
        QVERIFY(waitFor([&] { return status->text().startsWith("Error: "); }));
        QVERIFY(status->text().size() > 7);
        QVERIFY(!button(&w, "Connect")->isEnabled());
        tabs->setCurrentIndex(0);
        QVERIFY(button(&w, "Connect")->isEnabled());
    }

    void cancelFreesTheSocket()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        {
            ConnectWid w(&h);
            w.setTcpEndpoint("127.0.0.1", air.tcpPort());
            w.show();
            w.findChild<QTabWidget *>()->setCurrentIndex(1);
            QVERIFY(waitFor([&] { return air.hasPeer(); }));
            button(&w, "Cancel")->click();
            QCOMPARE(w.result(), int(QDialog::Rejected));
        }
        QVERIFY(!h.device());
        // The aircraft sees its peer go away.
        QVERIFY(waitFor([&] { return !air.hasPeer(); }));
    }
};

KORVEL_TEST_MAIN(TestConnectWid)
#include "test_connectwid.moc"
