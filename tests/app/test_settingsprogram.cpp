#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/listviewmod.h"
#include "app/mainwindow.h"
#include "core/proxy.h"
#include "app/settingsprogram.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(name);
    if (!c)
        qWarning() << "no child" << name;
    return c;
}

// Fills and answers the small "Add MapBox Map Service..." dialog.
void answerMapBoxDialog(const QString &style, const QString &token, bool add = true)
{
    KorvelTest::whenModal([=](QWidget *w) {
        w->findChild<QLineEdit *>("styleUrl")->setText(style);
        w->findChild<QLineEdit *>("accessToken")->setText(token);
        w->findChild<QAbstractButton *>(add ? "add" : "cancel")->click();
    });
}

QString mapApi() { return Data::instance()->mapApiPath(); }

}  // namespace

class TestSettingsProgram : public QObject {
    Q_OBJECT
private slots:
    void pagesFollowTheList()
    {
        SettingsProgram d;
        QCOMPARE(d.windowTitle(), QString("Program Settings"));
        QCOMPARE(d.size(), QSize(900, 460));
        auto *list = d.findChild<ListViewMod *>("pageList");
        auto *stack = d.findChild<QStackedWidget *>();
        QStringList names;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            names << list->model()->index(r, 0).data().toString();
        QCOMPARE(names, (QStringList{"Maps", "Folder", "Camera", "Thermal Editor", "Graphics",
                                     "Proxy"}));
        QCOMPARE(stack->currentIndex(), 0);
        d.switchStackWidget(list->model()->index(5, 0));
        QVERIFY(stack->currentWidget()->findChild<QRadioButton *>("customProxy"));
        d.switchStackWidget(list->model()->index(2, 0));
        QCOMPARE(stack->currentWidget()->metaObject()->className(), "SPCamera");
    }

    void openingShowsTheCurrentServiceAndWritesNothing()
    {
        Data *data = Data::instance();
        QDir().mkpath(mapApi() + "/MapBox.styles.a.b");
        QDir().mkpath(mapApi() + "/zeta");
        QVERIFY(data->setCurrentMapService("MapBox.styles.a.b"));
        {
            SettingsProgram d;
            auto *box = child<QComboBox>(d, "serviceBox");
            QCOMPARE(box->currentText(), QString("MapBox.styles.a.b"));
            QVERIFY(child<QAbstractButton>(d, "removeMapBox")->isEnabled());
            box->setCurrentText("OpenStreetMap");
            QCOMPARE(data->currentMapService(), QString("OpenStreetMap"));
            QVERIFY(!child<QAbstractButton>(d, "removeMapBox")->isEnabled());
        }
        // A current service without a folder: the first entry is shown, nothing changes.
        data->settings()->setValue("CurrentMapApiPath", "gone");
        QDir(mapApi() + "/MapBox.styles.a.b").removeRecursively();
        QVERIFY(data->setCurrentMapService("zeta"));
        QDir(mapApi() + "/zeta").removeRecursively();
        {
            SettingsProgram d;
            QCOMPARE(child<QComboBox>(d, "serviceBox")->currentIndex(), 0);
            QCOMPARE(data->currentMapService(), QString("zeta"));
        }
        QVERIFY(data->setCurrentMapService("OpenStreetMap"));
    }

    void addMapBoxChecks_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString hint = "<br><br>Hint: You need a MapBox account with a MapBox project to "
                             "add a MapBox Map Service.";
        QTest::newRow("empty style") << "" << "token" << ":/icons/80/error" << "ID is empty"
                                     << "The MapBox Map ID field is empty!" + hint;
        QTest::newRow("capital scheme")
            << "MAPBOX://styles/u/s" << "token" << ":/icons/80/error" << "ID invalid"
            << "Your entered ID is invalid! <br><br>A MapBox Map ID consists of the account login "
               "name and the map key, which are separated by a point.";
        QTest::newRow("other scheme") << "https://styles/u/s" << "" << ":/icons/80/error"
                                      << "ID invalid" << "";
        QTest::newRow("empty token") << "mapbox://styles/u/s" << "" << ":/icons/80/error"
                                     << "API access token ID is empty"
                                     << "The API access token ID field is empty!" + hint;
        QTest::newRow("blank token is taken") << "mapbox://styles/u/s" << "   " << "" << "" << "";
        QTest::newRow("same style again") << "mapbox://styles/u/s" << "t" << ":/icons/80/info"
                                          << "ID already in list"
                                          << "The entered MapBox map service is already in the list.";
        QTest::newRow("same name by another spelling")
            << "mapbox://styles//u/s" << "t" << ":/icons/80/info" << "ID already in list" << "";
    }
    void addMapBoxChecks()
    {
        QFETCH(QString, style);
        QFETCH(QString, token);
        QFETCH(QString, icon);
        QFETCH(QString, title);
        QFETCH(QString, text);
        Data *data = Data::instance();
        SettingsProgram d;
        auto *box = child<QComboBox>(d, "serviceBox");
        const int before = box->count();
        KorvelTest::PromptScript script;
        answerMapBoxDialog(style, token);
        d.addMapBoxService();
        if (title.isEmpty()) {
            QVERIFY(script.requests().isEmpty());
            QCOMPARE(box->count(), before + 1);
            QCOMPARE(box->currentText(), QString("mapbox.styles.u.s"));
            QCOMPARE(data->currentMapService(), QString("mapbox.styles.u.s"));
            QVERIFY(child<QAbstractButton>(d, "removeMapBox")->isEnabled());
            QVERIFY(QFile::exists(mapApi() + "/mapbox.styles.u.s/index.html"));
        } else {
            QCOMPARE(script.requests().size(), 1);
            QCOMPARE(script.requests().at(0).iconPath, icon);
            QCOMPARE(script.requests().at(0).title, title);
            if (!text.isEmpty())
                QCOMPARE(script.requests().at(0).text, text);
            QCOMPARE(box->count(), before);
        }
    }

    // A page that cannot be written is said with its file and reason, not
    // taken for a service already in the list; nothing of it stays.
    void mapBoxPageThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("file");  // below the map-page folder
        QTest::addColumn<int>("reason");
        QTest::newRow("full disk") << "full" << "mapbox.styles.u.unwritten/marker.png" << EFBIG;
        QTest::newRow("read-only folder") << "read-only" << "mapbox.styles.u.unwritten" << EACCES;
    }
    void mapBoxPageThatCannotBeWritten()
    {
        QFETCH(QString, how);
        QFETCH(QString, file);
        QFETCH(int, reason);
        SettingsProgram d;
        auto *box = child<QComboBox>(d, "serviceBox");
        const int before = box->count();
        const QString current = Data::instance()->currentMapService();
        KorvelTest::PromptScript script;
        answerMapBoxDialog("mapbox://styles/u/unwritten", "t");
        {
            std::unique_ptr<KorvelTest::DiskLimit> full;
            std::unique_ptr<KorvelTest::FilePermissions> permissions;
            if (how == "full")
                full = std::make_unique<KorvelTest::DiskLimit>(0);
            if (how == "read-only") {
                permissions = std::make_unique<KorvelTest::FilePermissions>();
                QVERIFY(permissions->enforced());
                QVERIFY(QFile::setPermissions(mapApi(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            }
            d.addMapBoxService();
            QFile::setPermissions(mapApi(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner);
        }
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/error"));
        QCOMPARE(script.requests().at(0).title, QString("Map service not added"));
        QCOMPARE(script.requests().at(0).text,
                 QString("The page of the MapBox map service could not be written.\n\n")
                     + AtomicFile::describe(mapApi() + "/" + file, QString::fromLocal8Bit(strerror(reason))));
        QCOMPARE(box->count(), before);
        QCOMPARE(Data::instance()->currentMapService(), current);
        QVERIFY(!QFileInfo::exists(mapApi() + "/mapbox.styles.u.unwritten"));

        // With room again the same service is added.
        script.clear();
        answerMapBoxDialog("mapbox://styles/u/unwritten", "t");
        d.addMapBoxService();
        QVERIFY(script.requests().isEmpty());
        QCOMPARE(box->count(), before + 1);
        Data::instance()->removeMapService("mapbox.styles.u.unwritten");
        Data::instance()->setCurrentMapService(current);
    }

    void cancelledMapBoxDialogChangesNothing()
    {
        SettingsProgram d;
        const QStringList before = Data::instance()->mapServices();
        KorvelTest::PromptScript script;
        answerMapBoxDialog("mapbox://styles/u/other", "t", false);
        d.addMapBoxService();
        QVERIFY(script.requests().isEmpty());
        QCOMPARE(Data::instance()->mapServices(), before);
    }

    void removeMapBoxAsksFirst()
    {
        Data *data = Data::instance();
        QVERIFY(data->setCurrentMapService("mapbox.styles.u.s"));
        SettingsProgram d;
        auto *box = child<QComboBox>(d, "serviceBox");
        QCOMPARE(box->currentText(), QString("mapbox.styles.u.s"));
        KorvelTest::PromptScript script;
        script.button(QMessageBox::No).button(QMessageBox::Yes);
        d.removeMapBoxService();
        QCOMPARE(script.requests().at(0).title, QString("Confirm deletion"));
        QCOMPARE(script.requests().at(0).defaultButton, QMessageBox::No);
        QVERIFY(QDir(mapApi() + "/mapbox.styles.u.s").exists());
        d.removeMapBoxService();
        QVERIFY(!QDir(mapApi() + "/mapbox.styles.u.s").exists());
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(data->currentMapService(), box->itemText(0));
        QVERIFY(!data->mapServices().contains("mapbox.styles.u.s"));
    }

    void mapIndexUpdate()
    {
        Data *data = Data::instance();
        SettingsProgram d;
        auto *count = child<QLabel>(d, "mapCount");
        QCOMPARE(count->text(), QString::number(data->mapIndexCount()));
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::gray);
        data->saveMapImage(image, KorvelTest::mapRecord("Field", "",
                                                        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
        const int before = data->mapIndexCount();
        KorvelTest::PromptScript script;
        child<QAbstractButton>(d, "updateIndex")->click();
        QCOMPARE(data->mapIndexCount(), before + 1);
        QCOMPARE(count->text(), QString::number(before + 1));
        QCOMPARE(script.requests().at(0).title, QString("Map Index Update"));
        QCOMPARE(script.requests().at(0).text, QString("Map index successfully updated!"));
        QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/info"));
    }

    void foldersAreStoredForTheNextStart()
    {
        Data *data = Data::instance();
        const QString inForce = data->mapPath();
        SettingsProgram d;
        auto *edit = child<QLineEdit>(d, "mapPath");
        QCOMPARE(edit->text(), QDir::toNativeSeparators(inForce));
        QCOMPARE(child<QLineEdit>(d, "harlekSDPath")->text(),
                 QDir::toNativeSeparators(data->harlekSDPath()));
        KorvelTest::PromptScript script;
        script.cancel().path("/data/new maps");
        child<QAbstractButton>(d, "mapPathBrowse")->click();
        QCOMPARE(edit->text(), QDir::toNativeSeparators(inForce));
        QCOMPARE(data->settings()->contains("MapPath"), false);
        child<QAbstractButton>(d, "mapPathBrowse")->click();
        QCOMPARE(edit->text(), QDir::toNativeSeparators("/data/new maps"));
        QCOMPARE(data->settings()->value("MapPath").toString(), QString("/data/new maps"));
        QCOMPARE(data->mapPath(), inForce);  // only after a restart
        QCOMPARE(script.requests().at(1).title, QString("Open Directory"));
        QCOMPARE(script.requests().at(1).directory, inForce);
        // Reopened in the same run: the folder in force is shown.
        SettingsProgram again;
        QCOMPARE(child<QLineEdit>(again, "mapPath")->text(), QDir::toNativeSeparators(inForce));
        data->settings()->remove("MapPath");
    }

    void thermalAndGraphicsCommitAtOnce()
    {
        Data *data = Data::instance();
        data->setThermalPalette(9);  // no such entry
        data->setThermalPinColor(2);
        data->settings()->setValue("Flightplan Highres", 2);
        data->setFlightplanHighres(2);
        data->setFlightplanEffects(1);
        SettingsProgram d;
        auto *palette = child<QComboBox>(d, "palette");
        QCOMPARE(palette->count(), 7);
        QCOMPARE(palette->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(d, "pinColor")->currentIndex(), 2);
        QCOMPARE(child<QComboBox>(d, "pinColor")->count(), 5);
        QCOMPARE(child<QComboBox>(d, "borderColor")->count(), 6);
        QCOMPARE(data->thermalPalette(), 9);  // opening wrote nothing

        QSignalSpy paletteSpy(data, &Data::thermalPaletteChanged);
        QSignalSpy borderSpy(data, &Data::thermalBorderChanged);
        palette->setCurrentIndex(4);
        child<QComboBox>(d, "borderColor")->setCurrentIndex(5);
        QCOMPARE(paletteSpy.count(), 1);
        QCOMPARE(paletteSpy.at(0).at(0).toInt(), 4);
        QCOMPARE(data->settings()->value("Thermal Palette").toInt(), 4);
        QCOMPARE(borderSpy.at(0).at(0).toInt(), 5);
        QCOMPARE(data->thermalBorderColor(), 5);

        auto *highres = child<QCheckBox>(d, "highres");
        auto *effects = child<QCheckBox>(d, "effects");
        QVERIFY(!highres->isChecked());  // 2 is not 1
        QVERIFY(effects->isChecked());
        highres->click();
        QCOMPARE(data->settings()->value("Flightplan Highres").toInt(), 1);
        effects->click();
        QCOMPARE(data->flightplanEffects(), 0);
        QCOMPARE(data->settings()->value("Flightplan Effects").toInt(), 0);
    }

    void proxyPage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("checked");
        QTest::newRow("none") << "NoProxy" << "noProxy";
        QTest::newRow("auto") << "AutoProxy" << "autoProxy";
        QTest::newRow("system") << "SystemProxy" << "systemProxy";
        QTest::newRow("custom") << "HttpProxy" << "customProxy";
        QTest::newRow("unknown") << "Whatever" << "noProxy";
    }
    void proxyPage()
    {
        QFETCH(QString, stored);
        QFETCH(QString, checked);
        QSettings *s = Data::instance()->settings();
        s->setValue("Proxy", stored);
        s->setValue("ProxyServer", "proxy.local");
        s->setValue("ProxyPort", 0);
        SettingsProgram d;
        QVERIFY(child<QRadioButton>(d, qPrintable(checked))->isChecked());
        const bool custom = checked == "customProxy";
        QCOMPARE(child<QLineEdit>(d, "proxyServer")->isEnabled(), custom);
        QCOMPARE(child<QLineEdit>(d, "proxyPort")->isEnabled(), custom);
        QCOMPARE(child<QLineEdit>(d, "proxyPort")->text(), QString("0"));
        QCOMPARE(child<QLineEdit>(d, "proxyServer")->text(), QString("proxy.local"));
        // Closing untouched stores the mode checked at opening.
        d.show();
        d.close();
        const QString expected = stored == "Whatever" ? "NoProxy" : stored;
        QCOMPARE(s->value("Proxy").toString(), expected);
        QCOMPARE(s->value("ProxyServer").toString(), QString("proxy.local"));
    }

    void customProxyIsAppliedOnClose()
    {
        QSettings *s = Data::instance()->settings();
        s->setValue("Proxy", "NoProxy");
        SettingsProgram d;
        d.show();
        auto *server = child<QLineEdit>(d, "proxyServer");
        QVERIFY(!server->isEnabled());
        child<QRadioButton>(d, "customProxy")->click();
        QVERIFY(server->isEnabled());
        QVERIFY(child<QLineEdit>(d, "proxyPort")->isEnabled());
        server->setText("127.0.0.1");
        child<QLineEdit>(d, "proxyPort")->setText("3128");
        QCOMPARE(s->value("Proxy").toString(), QString("NoProxy"));  // not before closing
        child<QAbstractButton>(d, "close")->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(s->value("Proxy").toString(), QString("HttpProxy"));
        QCOMPARE(s->value("ProxyServer").toString(), QString("127.0.0.1"));
        QCOMPARE(s->value("ProxyPort").toInt(), 3128);
        QCOMPARE(QNetworkProxy::applicationProxy().type(), QNetworkProxy::HttpProxy);
        QCOMPARE(QNetworkProxy::applicationProxy().port(), quint16(3128));

        // An empty port stores 0; Escape closes through the same path.
        SettingsProgram again;
        again.show();
        child<QLineEdit>(again, "proxyPort")->clear();
        QTest::keyClick(&again, Qt::Key_Escape);
        QVERIFY(!again.isVisible());
        QCOMPARE(s->value("ProxyPort").toInt(), 0);

        // Switching to the system proxy keeps server and port.
        SettingsProgram third;
        third.show();
        child<QRadioButton>(third, "systemProxy")->click();
        third.close();
        QCOMPARE(s->value("Proxy").toString(), QString("SystemProxy"));
        QCOMPARE(s->value("ProxyServer").toString(), QString("127.0.0.1"));
        setSystemProxy("NoProxy");
    }

    void proxyPortStaysInRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("99999") << "99999" << "9999" << 9999;
        QTest::newRow("65536") << "65536" << "6553" << 6553;
        QTest::newRow("65535") << "65535" << "65535" << 65535;
        QTest::newRow("1") << "1" << "1" << 1;
        QTest::newRow("0") << "0" << "0" << 0;
        QTest::newRow("-1") << "-1" << "1" << 1;
        QTest::newRow("letters") << "8a0" << "80" << 80;
    }
    void proxyPortStaysInRange()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        QSettings *s = Data::instance()->settings();
        s->setValue("Proxy", "HttpProxy");
        s->setValue("ProxyServer", "127.0.0.1");
        SettingsProgram d;
        d.show();
        auto *port = child<QLineEdit>(d, "proxyPort");
        port->clear();
        QTest::keyClicks(port, typed);
        QCOMPARE(port->text(), shown);
        d.close();
        QCOMPARE(s->value("ProxyPort").toInt(), stored);
        setSystemProxy("NoProxy");
    }
    void proxyPortOutOfRangeIsNeverWrapped()
    {
        QSettings *s = Data::instance()->settings();
        s->setValue("Proxy", "HttpProxy");
        SettingsProgram d;
        d.show();
        child<QLineEdit>(d, "proxyPort")->setText("99999");  // past the validator
        d.close();
        QCOMPARE(s->value("ProxyPort").toInt(), 0);
        setSystemProxy("NoProxy");
    }

    void mainWindowMenuOpensTheDialogs()
    {
        MainWindow w;
        // Program settings: closing the dialog applies the proxy.
        Data::instance()->settings()->setValue("Proxy", "Whatever");
        KorvelTest::whenModal([](QWidget *m) {
            QCOMPARE(m->metaObject()->className(), "SettingsProgram");
            m->close();
        });
        w.action("Program Settings")->trigger();
        QCOMPARE(Data::instance()->settings()->value("Proxy").toString(), QString("NoProxy"));

        // Placemarks: saved after the editor closes, however it was closed.
        QSignalSpy saved(Data::instance(), &Data::pmChanged);
        KorvelTest::whenModal([](QWidget *m) {
            QCOMPARE(m->metaObject()->className(), "PMMain");
            m->findChild<QAbstractButton *>("newGroup")->click();
            m->close();
        });
        w.action("Placemarks")->trigger();
        QCOMPARE(saved.count(), 1);
        QFile file(Data::instance()->placemarksPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("Unnamed|0|0|0|0\n"));
    }
};

KORVEL_TEST_MAIN(TestSettingsProgram)
#include "test_settingsprogram.moc"
