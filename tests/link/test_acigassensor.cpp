// Gas sensor: level from the averaged readings, alarm light and sounds at the
// thresholds, and the calibration dialog.
#include <QDialogButtonBox>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "link/blinkenlight.h"
#include "core/data.h"
#include "link/gassensor.h"
#include "link/gassensorcalibrationdialog.h"
#include "link/gassensorstatuswidget.h"
#include "support/testkit.h"

namespace {
struct FakeSound : GasAlarmSound {
    int loops = -1;
    bool playing = false;
    int plays = 0;
    void setLoopCount(int count) override
    {
        loops = count;
        if (count == 0)
            playing = false;  // in truth: after the current pass
    }
    int loopCount() const override { return loops; }
    bool isPlaying() const override { return playing; }
    void play() override
    {
        ++plays;
        playing = true;
    }
};

bool mapped(const char *library)
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}
}  // namespace

class TestAciGasSensor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("KORVEL_MODULE_DIR"))
            qputenv("KORVEL_MODULE_DIR", KORVEL_BINARY_DIR "/lib");
    }

    // The sound player and the multimedia libraries load with the first
    // alarm, not with the widget; the sounds then follow the level as before.
    void defaultSoundsLoadOnFirstAlarm()
    {
        QVERIFY(!mapped("libQt5Multimedia"));
        GasSensorStatusWidget w;
        w.showLelValue(3);
        QVERIFY(!mapped("libkorvel_gassound"));
        QVERIFY(!mapped("libQt5Multimedia"));
        w.showLelValue(25);
        QVERIFY(mapped("libkorvel_gassound"));
        QVERIFY(mapped("libQt5Multimedia"));
        w.showLelValue(12);
        w.showLelValue(0);
    }
    void init()
    {
        Data::instance()->settings()->remove("LEL10PercentValue");
        Data::instance()->settings()->remove("LEL50PercentValue");
        Data::instance()->settings()->remove("LELwarnLow");
        Data::instance()->settings()->remove("LELwarnHigh");
        GasSensor::resetShared();
    }

    void level_data()
    {
        QTest::addColumn<QList<int>>("readings");
        QTest::addColumn<int>("lel10");
        QTest::addColumn<int>("lel50");
        QTest::addColumn<int>("level");
        const QList<int> nine175 = QList<int>() << 175 << 175 << 175 << 175 << 175 << 175 << 175 << 175 << 175;
        QTest::newRow("10% point") << QList<int>{175} << 175 << 280 << 10;
        QTest::newRow("ten of the 50% point") << QVector<int>(10, 280).toList() << 175 << 280 << 50;
        QTest::newRow("one high after nine low: mean 185") << (nine175 + QList<int>{280}) << 175 << 280 << 13;
        QTest::newRow("mean 227") << QList<int>{227} << 175 << 280 << 29;
        QTest::newRow("below 5% is 0") << QList<int>{161} << 175 << 280 << 0;
        QTest::newRow("oldest of eleven drops out") << (QList<int>{4000} + QVector<int>(10, 175).toList()) << 175 << 280 << 10;
        QTest::newRow("no sensor never enters the average") << QList<int>{175, 65535, 65535} << 175 << 280 << 10;
        QTest::newRow("no reading at all") << QList<int>{} << 175 << 280 << 0;
        QTest::newRow("only no-sensor readings") << QList<int>{65535, 65535} << 175 << 280 << 0;
        QTest::newRow("equal points") << QList<int>{280, 600} << 200 << 200 << 0;
        QTest::newRow("other calibration") << QList<int>{300} << 100 << 500 << 30;
    }

    void level()
    {
        QFETCH(QList<int>, readings);
        QFETCH(int, lel10);
        QFETCH(int, lel50);
        QFETCH(int, level);
        GasSensor sensor;
        sensor.setCalibration(lel10, lel50);
        QSignalSpy lel(&sensor, &GasSensor::LELchanged);
        QSignalSpy raw(&sensor, &GasSensor::valueChanged);
        for (int r : readings)
            sensor.setRawValue(r);
        sensor.updateLel();
        QCOMPARE(sensor.lelValue(), level);
        QCOMPARE(lel.last().first().toInt(), level);
        QCOMPARE(raw.size(), readings.size());
        if (!readings.isEmpty())
            QCOMPARE(GasSensor::rawValue(), readings.last());
    }

    void sharedRingAndSettings()
    {
        QSettings *s = Data::instance()->settings();
        s->setValue("LEL10PercentValue", 100);
        s->setValue("LEL50PercentValue", 500);
        s->setValue("LELwarnLow", 15);
        GasSensor a, b;
        QCOMPARE(a.lel10RawValue(), 100);
        QCOMPARE(a.lel50RawValue(), 500);
        QCOMPARE(GasSensor::warnLowLevel(), 15);
        QCOMPARE(GasSensor::warnHighLevel(), 20);
        // Readings of one sensor feed the average of every sensor.
        a.setRawValue(300);
        b.updateLel();
        QCOMPARE(b.lelValue(), 30);
    }

    void alarmStates_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("state");
        QTest::newRow("exactly the high level") << 20 << "alarm";
        QTest::newRow("above the high level") << 75 << "alarm";
        QTest::newRow("exactly the low level") << 10 << "warn";
        QTest::newRow("between") << 19 << "warn";
        QTest::newRow("one below the low level") << 9 << "off";
        QTest::newRow("zero") << 0 << "off";
    }

    void alarmStates()
    {
        QFETCH(int, level);
        QFETCH(QString, state);
        GasSensorStatusWidget w;
        auto *warning = new FakeSound;
        auto *alarm = new FakeSound;
        w.setSounds(std::unique_ptr<GasAlarmSound>(warning), std::unique_ptr<GasAlarmSound>(alarm));
        QCOMPARE(w.levelLabel()->text(), QString("-"));
        w.showLelValue(level);
        QCOMPARE(w.levelLabel()->text(), QString("%1%").arg(level));
        QPropertyAnimation *anim = w.light()->animation();
        const bool running = anim->state() == QAbstractAnimation::Running;
        QCOMPARE(running, state != "off");
        QCOMPARE(alarm->playing, state == "alarm");
        QCOMPARE(warning->playing, state == "warn");
        if (state == "alarm")
            QCOMPARE(anim->keyValueAt(0.5).value<QColor>(), QColor(Qt::red));
        if (state == "warn")
            QCOMPARE(anim->keyValueAt(0.5).value<QColor>(), QColor(Qt::yellow));
        if (state != "off")
            QCOMPARE((state == "alarm" ? alarm : warning)->loops, -1);
    }

    void alarmSequence()
    {
        GasSensorStatusWidget w;
        auto *warning = new FakeSound;
        auto *alarm = new FakeSound;
        w.setSounds(std::unique_ptr<GasAlarmSound>(warning), std::unique_ptr<GasAlarmSound>(alarm));
        w.showLelValue(30);
        w.showLelValue(35);
        w.showLelValue(40);
        QCOMPARE(alarm->plays, 1);  // not restarted while it plays
        w.showLelValue(12);
        QCOMPARE(alarm->loops, 0);  // lets its pass finish
        QCOMPARE(w.light()->animation()->state(), QAbstractAnimation::Running);
        QCOMPARE(w.light()->animation()->keyValueAt(0.5).value<QColor>(), QColor(Qt::yellow));
        QCOMPARE(warning->plays, 1);
        w.showLelValue(3);
        QCOMPARE(warning->loops, 0);
        QCOMPARE(w.light()->animation()->state(), QAbstractAnimation::Stopped);
        QCOMPARE(w.light()->backgroundColor(), w.light()->baseColor());
        w.showRawValue(1234);
        QCOMPARE(w.rawLabel()->text(), QString("1234"));
        // The light's colour is its palette's window colour, on every group.
        w.light()->setBackgroundColor(Qt::blue);
        QCOMPARE(w.light()->palette().color(QPalette::Inactive, QPalette::Window), QColor(Qt::blue));
        QVERIFY(w.light()->autoFillBackground());
        QSignalSpy clicked(&w, &GasSensorStatusWidget::calibrateButtonClicked);
        w.calibrateButton()->click();
        QCOMPARE(clicked.size(), 1);
    }

    void calibrationDialog()
    {
        GasSensor panelSensor;
        for (int i = 0; i < 10; ++i)
            panelSensor.setRawValue(227);
        QCOMPARE(panelSensor.lelValue(), 29);

        // Cancel: the preview changed, nothing else did.
        {
            GasSensorCalibrationDialog d(GasSensor::rawValue(), panelSensor.lelValue());
            connect(&d, &GasSensorCalibrationDialog::LELcalibrationChanged, &panelSensor, &GasSensor::setCalibration);
            QCOMPARE(d.windowTitle(), QString("Gas Sensor Calibration"));
            QCOMPARE(d.levelLabel()->text(), QString("29% LEL"));
            QCOMPARE(d.rawLabel()->text(), QString("227"));
            QCOMPARE(d.lel10Box()->value(), 175);
            QCOMPARE(d.highAlarmBox()->value(), 20);
            QCOMPARE(d.highAlarmBox()->suffix(), QString("%"));
            QCOMPARE(d.lel50Box()->maximum(), 65535);
            d.lel50Box()->setValue(227 + 52);  // leaves the level almost as it was
            d.lel10Box()->setValue(127);       // 227 is now 10 + 100 * 40 / 152
            QCOMPARE(d.levelLabel()->text(), QString("36% LEL"));
            d.highAlarmBox()->setValue(50);
            d.reject();
        }
        QCOMPARE(panelSensor.lel10RawValue(), 175);
        QCOMPARE(GasSensor::warnHighLevel(), 20);
        QVERIFY(!Data::instance()->settings()->contains("LEL10PercentValue"));

        // OK: stored, applied program-wide and to the panel's sensor.
        GasSensorCalibrationDialog d(GasSensor::rawValue(), panelSensor.lelValue());
        connect(&d, &GasSensorCalibrationDialog::LELcalibrationChanged, &panelSensor, &GasSensor::setCalibration);
        QSignalSpy changed(&d, &GasSensorCalibrationDialog::LELcalibrationChanged);
        d.lel10Box()->setValue(100);
        d.lel50Box()->setValue(500);
        d.lowAlarmBox()->setValue(25);
        d.highAlarmBox()->setValue(45);
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first(), (QList<QVariant>{100, 500}));
        QCOMPARE(panelSensor.lelValue(), 22);  // 10 + 127 * 40 / 400
        QCOMPARE(GasSensor::warnLowLevel(), 25);
        QCOMPARE(GasSensor::warnHighLevel(), 45);
        QSettings *s = Data::instance()->settings();
        QCOMPARE(s->value("LEL10PercentValue").toInt(), 100);
        QCOMPARE(s->value("LEL50PercentValue").toInt(), 500);
        QCOMPARE(s->value("LELwarnLow").toInt(), 25);
        QCOMPARE(s->value("LELwarnHigh").toInt(), 45);
        // A new reading of the panel's sensor refreshes the dialog.
        d.showRawValue(400);
        QCOMPARE(d.rawLabel()->text(), QString("400"));
    }

    // OK with no room for the settings: the dialog says so and stays, the
    // calibration is neither applied nor kept; with room again OK stores it.
    void calibrationNotSavedStaysOpen()
    {
        QSettings *s = Data::instance()->settings();
        QVERIFY(Data::instance()->syncSettings());
        const QString file = s->fileName();
        const QByteArray old = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!old.isEmpty());
        const int low = GasSensor::warnLowLevel(), lel10 = s->value("LEL10PercentValue", -1).toInt();

        GasSensorCalibrationDialog d(GasSensor::rawValue(), 0);
        QSignalSpy changed(&d, &GasSensorCalibrationDialog::LELcalibrationChanged);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.lel10Box()->setValue(111);
        d.lowAlarmBox()->setValue(low + 7);
        QPushButton *ok = d.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        const QString expected = "Settings could not be saved: " + file + ": " + strerror(EFBIG);
        for (const qint64 limit : {qint64(0), qint64(old.size())}) {
            KorvelTest::PromptScript prompts;
            {
                KorvelTest::DiskLimit full(limit);
                QTest::mouseClick(ok, Qt::LeftButton);
            }
            QCOMPARE(prompts.texts(), QStringList{expected});
            QVERIFY(d.isVisible());
            QCOMPARE(changed.size(), 0);
            QCOMPARE(GasSensor::warnLowLevel(), low);
            QCOMPARE(s->value("LEL10PercentValue", -1).toInt(), lel10);
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), old);
        }

        KorvelTest::PromptScript prompts;
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(prompts.texts(), QStringList());
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(GasSensor::warnLowLevel(), low + 7);
        // On disk, read afresh (a store of the same name would share the
        // process's copy).
        const QString copy = KorvelTest::home()->path() + "/calibration-saved.conf";
        QVERIFY(QFile::copy(file, copy));
        QCOMPARE(QSettings(copy, QSettings::IniFormat).value("LEL10PercentValue").toInt(), 111);
    }

    void soundsAreOurOwn()
    {
        for (const char *path : {":/sounds/warning.wav", ":/sounds/alarm.wav"}) {
            QFile f(QString::fromLatin1(path));
            QVERIFY2(f.open(QIODevice::ReadOnly), path);
            const QByteArray head = f.read(12);
            QVERIFY(head.startsWith("RIFF") && head.endsWith("WAVE"));
        }
    }
};

KORVEL_TEST_MAIN(TestAciGasSensor)
#include "test_acigassensor.moc"
