#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include "core/camera.h"
#include "core/data.h"
#include "app/startwizard.h"
#include "support/testkit.h"

namespace {
QString workspace() { return KorvelTest::home()->documents() + "/KorvelTarvendel"; }

QLineEdit *edit(QWizard &w, const char *name) { return w.findChild<QLineEdit *>(name); }

void goToEnd(QWizard &w)
{
    while (w.currentId() != w.pageIds().last())
        w.next();
}
}  // namespace

class TestStartWizard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(!Data::instance()->isConfigured());
        QVERIFY(!QDir(workspace()).exists());
    }

    void pagesInOrderAndFolderTexts()
    {
        StartWizard w;
        QCOMPARE(w.windowTitle(), QString("Korvel Tarvendel Introduction Wizard"));
        QCOMPARE(w.pageIds().size(), 4);
        w.show();
        QStringList titles;
        for (int id : w.pageIds())
            titles << w.page(id)->title();
        QCOMPARE(titles, (QStringList{"Introduction", "Setup workspace directories",
                                      "Camera setting", "Thank you!"}));
        // Data's folders, in the platform's own separators.
        QCOMPARE(edit(w, "mapPath")->text(), QDir::toNativeSeparators(Data::instance()->mapPath()));
        QCOMPARE(w.field("waypointPath").toString(),
                 QDir::toNativeSeparators(Data::instance()->waypointPath()));
        QVERIFY(edit(w, "harlekSDPath")->isReadOnly());
        // The camera choices are the built-in table in order.
        auto *cameras = w.findChild<QComboBox *>("camera");
        QCOMPARE(cameras->count(), 16);
        QCOMPARE(w.field("camera").toString(), QString("Sony RX1-RII"));
    }

    void browseReplacesOrKeepsText()
    {
        StartWizard w;
        const QString before = edit(w, "mapPath")->text();
        KorvelTest::PromptScript script;
        script.cancel().path("/somewhere/else");
        w.findChild<QAbstractButton *>("mapPathBrowse")->click();
        QCOMPARE(edit(w, "mapPath")->text(), before);  // cancelled
        w.findChild<QAbstractButton *>("mapPathBrowse")->click();
        QCOMPARE(edit(w, "mapPath")->text(), QDir::toNativeSeparators("/somewhere/else"));
        QCOMPARE(script.requests().at(0).title, QString("Open Directory"));
        QCOMPARE(script.requests().at(0).directory, QDir::fromNativeSeparators(before));
        QVERIFY(script.requests().at(0).options & QFileDialog::ShowDirsOnly);
        QVERIFY(script.requests().at(0).options & QFileDialog::DontResolveSymlinks);
    }

    void cancellingStoresNothing()
    {
        StartWizard w;
        w.show();
        w.next();
        w.reject();
        QVERIFY(!Data::instance()->isConfigured());
        QVERIFY(!Data::instance()->settings()->contains("Config"));
        QVERIFY(!QDir(workspace()).exists());
    }

    void folderThatCannotBeMadeKeepsTheWizardOpen()
    {
        // A plain file where a parent folder should be.
        QFile blocker(KorvelTest::home()->path() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        StartWizard w;
        w.show();
        goToEnd(w);
        KorvelTest::PromptScript script;
        script.path(blocker.fileName() + "/maps");
        w.findChild<QAbstractButton *>("mapPathBrowse")->click();
        w.button(QWizard::FinishButton)->click();

        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(1).iconPath, QString(":/icons/80/error"));
        QVERIFY(script.requests().at(1).text.contains(blocker.fileName() + "/maps"));
        QVERIFY(w.isVisible());
        QCOMPARE(w.result(), 0);
        QVERIFY(!Data::instance()->isConfigured());
        QVERIFY(!Data::instance()->settings()->contains("Config"));
        QVERIFY(!Data::instance()->settings()->contains("MapPath"));
    }

    void finishingCreatesTheWorkspace()
    {
        Data *data = Data::instance();
        QCOMPARE(data->cameraNames(), QStringList{"Sony RX1-RII"});  // Data's own fallback
        StartWizard w;
        w.show();
        goToEnd(w);
        w.findChild<QComboBox *>("camera")->setCurrentText("FLIR TAU 2 640 / 19mm f/1.25");
        w.button(QWizard::FinishButton)->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));

        for (const char *f : {"waypoints", "maps", "harlek"})
            QVERIFY2(QDir(workspace() + "/" + f).exists(), f);
        QVERIFY(data->isConfigured());
        QScopedPointer<QSettings> stored(new QSettings(
            KorvelTest::home()->path() + "/.config/Brisolan Technologies/Korvel Tarvendel.conf",
            QSettings::IniFormat));
        QCOMPARE(stored->value("Config").toInt(), 1);  // synced to disk
        QCOMPARE(QDir(stored->value("MapPath").toString()).canonicalPath(),
                 QDir(workspace() + "/maps").canonicalPath());
        QCOMPARE(QDir(data->mapPath()).canonicalPath(), QDir(workspace() + "/maps").canonicalPath());
        // The chosen camera joins the list (and its store); it is not made current.
        QCOMPARE(data->cameraNames(),
                 (QStringList{"Sony RX1-RII", "FLIR TAU 2 640 / 19mm f/1.25"}));
        QList<Camera> stored2;
        QVERIFY(CameraStore::read(data->cameraStorePath(), &stored2));
        QCOMPARE(stored2.size(), 2);
        QVERIFY(!stored->contains("currentCamera"));
    }
};

KORVEL_TEST_MAIN(TestStartWizard)
#include "test_startwizard.moc"
