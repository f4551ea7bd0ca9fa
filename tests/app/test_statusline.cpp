#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>

#include "link/blsbbattery.h"
#include "link/blsbflighttime.h"
#include "link/blsbgps.h"
#include "link/blsbheight.h"
#include "link/blsblink.h"
#include "link/blstatusbutton.h"
#include "app/bottomline.h"
#include "support/testkit.h"

namespace {
QPropertyAnimation *pulse(QObject *w, const char *property)
{
    for (auto *a : w->findChildren<QPropertyAnimation *>())
        if (a->propertyName() == property)
            return a;
    return nullptr;
}
// Lets a running pulse end at once.
void finish(QPropertyAnimation *a)
{
    if (a && a->state() == QAbstractAnimation::Running)
        a->setCurrentTime(a->duration());
}
QList<int> codes(const QSignalSpy &spy)
{
    QList<int> out;
    for (const auto &args : spy)
        out << args.at(0).toInt();
    return out;
}
}  // namespace

class TestStatusLine : public QObject {
    Q_OBJECT
private slots:
    void batteryCodes_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<bool>("red");
        QTest::addColumn<bool>("yellow");
        QTest::newRow("9") << 9 << QList<int>{-5, 15} << true << false;
        QTest::newRow("10") << 10 << QList<int>{5, -15} << false << true;
        QTest::newRow("39") << 39 << QList<int>{5, -15} << false << true;
        QTest::newRow("40") << 40 << QList<int>{-15, -5} << false << false;
    }
    void batteryCodes()
    {
        QFETCH(int, quality);
        QFETCH(QList<int>, expected);
        QFETCH(bool, red);
        QFETCH(bool, yellow);
        BLSBBattery b;
        QSignalSpy spy(&b, &BLSBBattery::status);
        b.setBatteryQuality(quality);
        QCOMPARE(codes(spy), expected);
        QCOMPARE(b.errorPulseRunning(), red);
        QCOMPARE(b.warningPulseRunning(), yellow);
    }
    void batteryRedPulseNotRestarted()
    {
        BLSBBattery b;
        b.setBatteryQuality(5);
        auto *red = pulse(&b, "pError");
        QTRY_VERIFY_WITH_TIMEOUT(red->currentTime() > 0, KorvelTest::kWaitMs);
        const int t = red->currentTime();
        b.setBatteryQuality(4);
        QVERIFY(red->currentTime() >= t);  // not restarted
        b.setBatteryQuality(50);
        finish(red);
        QVERIFY(!b.errorPulseRunning());  // quality recovered: no new pulse
    }
    void gpsCodeAfterPulse()
    {
        BLSBGPS g;
        QSignalSpy spy(&g, &BLSBGPS::status);
        g.setGPSQuality(20);
        QVERIFY(!g.errorPulseRunning());
        g.setGPSQuality(19);
        QVERIFY(g.errorPulseRunning());
        QVERIFY(spy.isEmpty());
        finish(pulse(&g, "pError"));
        QCOMPARE(codes(spy), QList<int>{1});
        QVERIFY(g.errorPulseRunning());
        g.setGPSQuality(80);
        finish(pulse(&g, "pError"));
        QCOMPARE(codes(spy), (QList<int>{1, -1}));
    }
    void linkCodes_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("red");
        QTest::addColumn<bool>("yellow");
        QTest::addColumn<QList<int>>("afterPulse");
        QTest::newRow("29") << 29 << true << false << QList<int>{-10, 20};
        QTest::newRow("30") << 30 << false << true << QList<int>{-20, 10};
        QTest::newRow("49") << 49 << false << true << QList<int>{-20, 10};
        QTest::newRow("50") << 50 << false << false << QList<int>{};
    }
    void linkCodes()
    {
        QFETCH(int, quality);
        QFETCH(bool, red);
        QFETCH(bool, yellow);
        QFETCH(QList<int>, afterPulse);
        BLSBLink l;
        QSignalSpy spy(&l, &BLSBLink::status);
        l.setLinkQuality(quality);
        QCOMPARE(l.errorPulseRunning(), red);
        QCOMPARE(l.warningPulseRunning(), yellow);
        QVERIFY(spy.isEmpty());  // codes change only when a pulse ends
        finish(pulse(&l, red ? "pError" : "pWarning"));
        QCOMPARE(codes(spy), afterPulse);
        // A poor link keeps pulsing on its own.
        QCOMPARE(l.errorPulseRunning() || l.warningPulseRunning(), red || yellow);
    }
    void valueTexts()
    {
        QCOMPARE(BLSBFlighttime::format(3725), QString("01:02:05"));
        QCOMPARE(BLSBFlighttime::format(0), QString("00:00:00"));
        QCOMPARE(BLSBFlighttime::format(65535), QString("18:12:15"));
        BLSBBattery b;
        b.setBatteryQuality(77);
        b.setBatteryVoltage(16.85);
        QCOMPARE(b.valueText(), QString("77% / 16.85V"));
        BLSBHeight h;
        h.setRelativeHeight(12.345);
        h.setAbsoluteHeight(500);
        QCOMPARE(h.valueText(), QString("12.35m rel. / 500.00m abs."));
    }
    void statusButtonStates()
    {
        BLStatusButton b;
        QCOMPARE(b.stateText(), QString("Disconnected"));
        QCOMPARE(b.stateColor(), QColor(200, 200, 200));
        QVERIFY(!b.isEnabled());
        b.aciSyncStatus(1, 0);  // initialising from the start
        QCOMPARE(b.stateText(), QString("Initialization... 0%"));
        b.devOpenend();
        QCOMPARE(b.state(), 1);
        QCOMPARE(b.stateColor(), QColor(255, 255, 0));
        b.setSystemStatus(20);  // protocol not known yet
        QCOMPARE(b.state(), 1);
        b.aciSyncStatus(3, 100);
        QCOMPARE(b.stateText(), QString("Initialization... 99%"));
        b.comACI();
        QCOMPARE(b.stateText(), QString("System Ok"));
        QVERIFY(b.isEnabled());
        const QList<std::tuple<int, QString, QColor>> levels = {
            {11, "Error", QColor(255, 0, 0)},
            {10, "Warning", QColor(255, 215, 0)},
            {1, "Warning", QColor(255, 215, 0)},
            {0, "System Ok", QColor(0, 255, 0)},
            {-3, "System Ok", QColor(0, 255, 0)}};
        for (const auto &l : levels) {
            b.setSystemStatus(std::get<0>(l));
            QCOMPARE(b.stateText(), std::get<1>(l));
            QCOMPARE(b.stateColor(), std::get<2>(l));
        }
        b.coreErrors({"Motor 3"});
        QCOMPARE(b.stateText(), QString("System Error"));
        b.setSystemStatus(0);  // cannot leave the core-error state
        QCOMPARE(b.state(), 3);
        b.deviceClosed();
        QCOMPARE(b.stateText(), QString("Disconnected"));
        b.setSystemStatus(0);
        QCOMPARE(b.state(), 0);
    }
    void v1LinkMarksConnected()
    {
        // A V1 link reports its protocol without a device-opened signal
        // reaching the button first; warnings must still show.
        BLStatusButton b;
        b.comV1();
        b.setSystemStatus(5);
        QCOMPARE(b.stateText(), QString("Warning"));
    }
    void appendStatusAndErrors()
    {
        BottomLine line(nullptr);
        BLStatusButton *b = line.statusButton();
        b->devOpenend();
        b->comACI();
        line.appendStatus(5);
        line.appendStatus(5);
        line.appendStatus(20);
        QCOMPARE(line.activeCodes(), (QList<int>{5, 20}));
        QCOMPARE(b->stateText(), QString("Error"));
        line.appendStatus(-20);
        QCOMPARE(b->stateText(), QString("Warning"));
        line.appendStatus(-7);  // not active: nothing changes
        QCOMPARE(line.activeCodes(), QList<int>{5});
        line.appendStatus(-5);
        QCOMPARE(b->stateText(), QString("System Ok"));
        line.appendStatus(1);
        line.appendStatus(0);
        QVERIFY(line.activeCodes().isEmpty());

        line.setErrorText({"b", "B", "a"});
        QCOMPARE(line.errorBox()->toPlainText(), QString("B\na\nb"));
        line.appendStatus(10);
        b->coreErrors({"b"});
        QCOMPARE(b->state(), 3);
        // Errors cleared on a live link: back to the current level, not "Disconnected".
        b->coreErrors({});
        line.setErrorText({});
        QCOMPARE(b->stateText(), QString("Warning"));
        QVERIFY(line.errorBox()->toPlainText().isEmpty());
    }
    void statusTip()
    {
        BottomLine line(nullptr);
        line.showStatusTip("Exit the program");
        QCOMPARE(line.statusBar()->currentMessage(), QString("Exit the program"));
        line.showStatusTip(QString());
        QVERIFY(line.statusBar()->currentMessage().isEmpty());
    }
};

KORVEL_TEST_MAIN(TestStatusLine)
#include "test_statusline.moc"
