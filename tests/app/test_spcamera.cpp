#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "atomicfile/atomicfile.h"
#include "core/camera.h"
#include "core/data.h"
#include "app/spcamera.h"
#include "support/testkit.h"

namespace {

QString label(QWidget &w, const char *name) { return w.findChild<QLabel *>(name)->text(); }
QComboBox *cameraBox(SPCamera &p) { return p.findChild<QComboBox *>("cameraBox"); }

Camera smallCamera()
{
    Camera c;
    c.name = "Small";
    c.sensorSize = QSizeF(6.17, 4.55);
    c.imageSize = QSize(4000, 3000);
    c.focalLength = 4.5;
    c.delay = 150;
    c.processTime = 1700;
    return c;
}

QStringList storedNames()
{
    QList<Camera> cams;
    CameraStore::read(Data::instance()->cameraStorePath(), &cams);
    QStringList names;
    for (const Camera &c : cams)
        names << c.name;
    return names;
}

}  // namespace

class TestSettingsCamera : public QObject {
    Q_OBJECT
private slots:
    void pageShowsValuesAndFormats()
    {
        Data *data = Data::instance();
        QVERIFY(data->addCamera(smallCamera()));
        QVERIFY(data->setCurrentCamera("Small"));
        QSignalSpy announced(data, &Data::currentCameraChanged);
        SPCamera page;
        QCOMPARE(cameraBox(page)->currentText(), QString("Small"));
        QVERIFY(announced.count() >= 1);  // opening re-announces the camera
        QCOMPARE(announced.last().at(0).toString(), QString("Small"));
        QCOMPARE(label(page, "horizontalAngle"), QString("68.87") + QChar(0x00B0));
        QCOMPARE(label(page, "verticalAngle"), QString("53.64") + QChar(0x00B0));
        QCOMPARE(label(page, "sensorSize"), QString("6.17mm x 4.55mm"));
        QCOMPARE(label(page, "cropFactor"), QString("5.65"));
        QCOMPARE(label(page, "focalLength"), QString("4.50mm (25.42mm)"));
        QCOMPARE(label(page, "processTime"), QString("1700ms"));
        QCOMPARE(label(page, "delayTime"), QString("150ms"));
        QCOMPARE(label(page, "imageSize"), QString("4000 x 3000"));

        // Choosing is committing.
        cameraBox(page)->setCurrentText("Sony RX1-RII");
        QCOMPARE(data->currentCamera().name, QString("Sony RX1-RII"));
        QCOMPARE(data->settings()->value("currentCamera").toString(), QString("Sony RX1-RII"));
        QCOMPARE(label(page, "sensorSize"), QString("35.9mm x 24mm"));
        QCOMPARE(label(page, "imageSize"), QString("7952 x 5304"));
    }

    void addDialogFieldsRangesAndCrop()
    {
        SPCameraAdd d;
        QCOMPARE(d.windowTitle(), QString("Add Camera..."));
        auto *width = d.findChild<QDoubleSpinBox *>("sensorWidth");
        auto *height = d.findChild<QDoubleSpinBox *>("sensorHeight");
        auto *focal = d.findChild<QDoubleSpinBox *>("focalLength");
        auto *imageWidth = d.findChild<QSpinBox *>("imageWidth");
        auto *process = d.findChild<QSpinBox *>("processTime");
        QCOMPARE(label(d, "crop"), QString("-"));
        QCOMPARE(label(d, "fullFrame"), QString("-"));
        // Ranges clamp what is set: {field, too small, too large} -> {min, max}.
        struct Range { QAbstractSpinBox *box; double low, high; };
        auto value = [](QAbstractSpinBox *b) {
            if (auto *dbl = qobject_cast<QDoubleSpinBox *>(b))
                return dbl->value();
            return double(qobject_cast<QSpinBox *>(b)->value());
        };
        auto set = [](QAbstractSpinBox *b, double v) {
            if (auto *dbl = qobject_cast<QDoubleSpinBox *>(b))
                dbl->setValue(v);
            else
                qobject_cast<QSpinBox *>(b)->setValue(int(v));
        };
        const QList<Range> ranges = {
            {width, 0.1, 100}, {height, 0.1, 100}, {focal, 0.1, 1000},
            {process, 0, 10000}, {d.findChild<QSpinBox *>("delayTime"), 0, 10000},
            {imageWidth, 1, 999999}, {d.findChild<QSpinBox *>("imageHeight"), 1, 999999}};
        for (const Range &r : ranges) {
            set(r.box, -5);
            QCOMPARE(value(r.box), r.low);
            set(r.box, 5e6);
            QCOMPARE(value(r.box), r.high);
        }
        QCOMPARE(width->decimals(), 2);
        QCOMPARE(focal->singleStep(), 1.0);
        QCOMPARE(width->singleStep(), 0.1);

        // The dialog's own full-frame constant, not the page's 43.3.
        width->setValue(6.17);
        height->setValue(4.55);
        focal->setValue(4.5);
        QCOMPARE(label(d, "crop"), QString("5.64"));
        QCOMPARE(label(d, "fullFrame"), QString("25.40mm"));
        QCOMPARE(SPCameraAdd::fullFrameDiagonal, 43.26661531);
    }

    void templateFillsEverything()
    {
        SPCameraAdd d;
        auto *name = d.findChild<QLineEdit *>("name");
        auto *tmpl = d.findChild<QComboBox *>("template");
        QCOMPARE(tmpl->itemText(0), QString());
        QCOMPARE(tmpl->count(), 17);
        name->setText("typed");
        tmpl->setCurrentText("Sony Alpha 6000");
        QCOMPARE(name->text(), QString("Sony Alpha 6000"));
        QCOMPARE(d.findChild<QDoubleSpinBox *>("sensorWidth")->value(), 23.5);
        QCOMPARE(d.findChild<QDoubleSpinBox *>("sensorHeight")->value(), 15.6);
        QCOMPARE(d.findChild<QDoubleSpinBox *>("focalLength")->value(), 20.0);
        QCOMPARE(d.findChild<QSpinBox *>("processTime")->value(), 1200);
        QCOMPARE(d.findChild<QSpinBox *>("delayTime")->value(), 100);
        QCOMPARE(d.findChild<QSpinBox *>("imageWidth")->value(), 6000);
        QCOMPARE(d.findChild<QSpinBox *>("imageHeight")->value(), 4000);
        QCOMPARE(label(d, "crop"), QString("1.53"));
        // The empty entry leaves everything as it is.
        name->setText("mine");
        tmpl->setCurrentIndex(0);
        QCOMPARE(name->text(), QString("mine"));
        QCOMPARE(d.findChild<QSpinBox *>("imageWidth")->value(), 6000);
    }

    void addDialogNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("empty") << "" << "No name entered!";
        QTest::newRow("existing") << "Small" << "Name already exists!";
        QTest::newRow("other case") << "small" << "";
        QTest::newRow("blanks") << "   " << "";
    }
    void addDialogNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        Data *data = Data::instance();
        const int before = data->cameraNames().size();
        SPCameraAdd d;
        d.show();
        d.findChild<QLineEdit *>("name")->setText(name);
        KorvelTest::PromptScript script;
        d.findChild<QAbstractButton *>("add")->click();
        if (refusal.isEmpty()) {
            QVERIFY(script.requests().isEmpty());
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QCOMPARE(data->cameraNames().size(), before + 1);
            QCOMPARE(data->cameraNames().last(), name);
            QCOMPARE(storedNames().last(), name);
        } else {
            QCOMPARE(script.requests().size(), 1);
            QCOMPARE(script.requests().at(0).title, refusal);
            QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/warning"));
            QVERIFY(d.isVisible());
            QCOMPARE(d.findChild<QLineEdit *>("name")->text(), name);
            QCOMPARE(data->cameraNames().size(), before);
        }
    }

    void addFromThePageMakesItCurrent()
    {
        Data *data = Data::instance();
        SPCamera page;
        KorvelTest::whenModal([](QWidget *m) {
            m->findChild<QComboBox *>("template")->setCurrentText("Sony PJ810E");
            m->findChild<QAbstractButton *>("add")->click();
        });
        page.findChild<QAbstractButton *>("addCamera")->click();
        QCOMPARE(cameraBox(page)->currentText(), QString("Sony PJ810E"));
        QCOMPARE(cameraBox(page)->currentIndex(), cameraBox(page)->count() - 1);
        QCOMPARE(data->currentCamera().name, QString("Sony PJ810E"));

        // A cancelled dialog changes nothing.
        const int count = cameraBox(page)->count();
        KorvelTest::whenModal([](QWidget *m) { m->findChild<QAbstractButton *>("cancel")->click(); });
        page.findChild<QAbstractButton *>("addCamera")->click();
        QCOMPARE(cameraBox(page)->count(), count);
        QCOMPARE(data->currentCamera().name, QString("Sony PJ810E"));
    }

    void removeAsksAndNeverTheLast()
    {
        Data *data = Data::instance();
        // Keep two cameras.
        for (const QString &n : data->cameraNames())
            if (n != "Small" && n != "Sony RX1-RII")
                data->removeCamera(n);
        QVERIFY(data->setCurrentCamera("Small"));
        SPCamera page;
        auto *remove = page.findChild<QAbstractButton *>("removeCamera");
        KorvelTest::PromptScript script;
        script.button(QMessageBox::No);
        remove->click();
        QCOMPARE(script.requests().at(0).title, QString("Confirm removing"));
        QCOMPARE(script.requests().at(0).defaultButton, QMessageBox::No);
        QCOMPARE(cameraBox(page)->count(), 2);

        script.button(QMessageBox::Yes);
        remove->click();
        QCOMPARE(cameraBox(page)->count(), 1);
        QCOMPARE(cameraBox(page)->currentText(), QString("Sony RX1-RII"));
        QCOMPARE(data->currentCamera().name, QString("Sony RX1-RII"));
        QCOMPARE(data->cameraNames(), QStringList{"Sony RX1-RII"});
        // Gone from the store too, so it stays removed after a restart.
        QCOMPARE(storedNames(), QStringList{"Sony RX1-RII"});

        script.clear();
        remove->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().at(0).title, QString("Cannot remove camera!"));
        QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/error"));
        QCOMPARE(data->cameraNames(), QStringList{"Sony RX1-RII"});
    }

    void currentCameraMissingFromTheList()
    {
        Data *data = Data::instance();
        QVERIFY(data->addCamera(smallCamera()));
        QVERIFY(data->setCurrentCamera("Small"));
        data->removeCamera("Small");  // stays current until another is chosen
        QCOMPARE(data->currentCamera().name, QString("Small"));
        SPCamera page;
        QCOMPARE(cameraBox(page)->currentIndex(), 0);
        QCOMPARE(data->currentCamera().name, QString("Sony RX1-RII"));
    }

    // A camera store that cannot be written: adding and removing say so with
    // the file and the reason, the add dialog stays open, and the list shows
    // what the store holds.
    void storeThatCannotBeWritten()
    {
        Data *data = Data::instance();
        Camera kept = smallCamera();
        kept.name = "Kept";
        QVERIFY(data->addCamera(kept));
        const QStringList names = data->cameraNames();
        QVERIFY(names.size() >= 2);
        const QString store = data->cameraStorePath();
        QFile old(store);
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray bytes = old.readAll();
        old.close();
        QVERIFY(QFile::remove(store));
        QVERIFY(QDir().mkpath(store + "/in the way"));
        const QString failure = "The camera list could not be saved.\n\n"
                                + AtomicFile::describe(store, QString::fromLocal8Bit(strerror(EISDIR)));

        SPCameraAdd d;
        d.show();
        d.findChild<QLineEdit *>("name")->setText("Unstored");
        KorvelTest::PromptScript script;
        d.findChild<QAbstractButton *>("add")->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/error"));
        QCOMPARE(script.requests().at(0).title, QString("Camera not saved"));
        QCOMPARE(script.requests().at(0).text, failure);
        QVERIFY(d.isVisible());
        QVERIFY(d.result() != QDialog::Accepted);
        QCOMPARE(data->cameraNames(), names);

        QVERIFY(data->setCurrentCamera("Kept"));
        SPCamera page;
        QCOMPARE(cameraBox(page)->currentText(), QString("Kept"));
        script.clear();
        script.button(QMessageBox::Yes);
        page.findChild<QAbstractButton *>("removeCamera")->click();
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(1).title, QString("Camera not removed"));
        QCOMPARE(script.requests().at(1).text, failure);
        QCOMPARE(data->cameraNames(), names);
        QStringList shown;
        for (int i = 0; i < cameraBox(page)->count(); ++i)
            shown << cameraBox(page)->itemText(i);
        QCOMPARE(shown, names);
        QCOMPARE(cameraBox(page)->currentText(), QString("Kept"));
        QCOMPARE(data->currentCamera().name, QString("Kept"));

        QVERIFY(QDir(store).removeRecursively());
        QFile back(store);
        QVERIFY(back.open(QIODevice::WriteOnly) && back.write(bytes) == bytes.size());
        back.close();
        QCOMPARE(storedNames(), names);
    }
};

KORVEL_TEST_MAIN(TestSettingsCamera)
#include "test_spcamera.moc"
