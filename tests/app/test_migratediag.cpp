#include <QAbstractButton>
#include <QImageWriter>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include "core/data.h"
#include "app/migratediag.h"
#include "support/testkit.h"

namespace {

void writeMap(const QString &path, const QString &name, QColor colour = Qt::green)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, "jpg");
    writer.setText("Description", name
                                      + "|OpenStreetMap|11.0|48.1|11.1|48.1|11.0|48.0|11.1|48.0"
                                        "|11.05|48.05|7400.0|11100.0");
    QVERIFY(writer.write(image));
}

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QPushButton *button(MigrateDiag &d, const QString &text)
{
    for (QPushButton *b : d.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

int page(MigrateDiag &d) { return d.findChild<QStackedWidget *>()->currentIndex(); }

QString statusOf(MigrateDiag &d, int index)
{
    QWidget *p = d.findChild<QStackedWidget *>()->widget(index);
    for (QLabel *l : p->findChildren<QLabel *>())
        if (l->text().startsWith("Click on Next") || l->text().startsWith("Done."))
            return l->text();
    return QString();
}
}  // namespace

class TestMigrateDiag : public QObject {
    Q_OBJECT
private:
    QString harlek() { return Data::instance()->harlekSDPath(); }
    QString maps() { return Data::instance()->mapPath(); }

private slots:
    void initTestCase() { QVERIFY(Data::instance()->migrationStatus() != 3); }

    void cancelAsksAndOnlyYesCloses()
    {
        MigrateDiag d;
        d.show();
        d.nextClicked();
        QCOMPARE(page(d), 1);
        KorvelTest::PromptScript script;
        script.button(QMessageBox::No);
        button(d, "Cancel")->click();
        QVERIFY(d.isVisible());
        QCOMPARE(page(d), 1);
        const Prompt::Request &rq = script.requests().at(0);
        QCOMPARE(rq.title, QString("Cancel Migration..."));
        QCOMPARE(rq.iconPath, QString(":/icons/80/question"));
        QCOMPARE(rq.defaultButton, QMessageBox::No);
        QCOMPARE(rq.buttons, QMessageBox::Yes | QMessageBox::No);

        // Escape asks the same question (No is the default answer).
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isVisible());
        QCOMPARE(script.requests().size(), 2);

        script.button(QMessageBox::Yes);
        d.close();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(Data::instance()->migrationStatus(), 0);
        QVERIFY(!Data::instance()->settings()->contains("MigrationStatus"));
    }

    void migratesTracesAndMaps()
    {
        const QString trace = harlek() + "/trace/";
        for (const char *f : {"old1.zth", "OLD2.ZTH", "keep.zt1", "keep.txt"})
            touch(trace + f);
        QDir().mkpath(trace + "sub.zth");  // a folder, not a file: stays
        writeMap(maps() + "/north.jpg", "north");
        writeMap(maps() + "/SOUTH.JPG", "south");
        writeMap(maps() + "/taken.jpg", "taken", Qt::red);
        touch(maps() + "/index");
        touch(maps() + "/notes.txt");
        // A map of that name is in the store already: it must survive.
        QDir().mkpath(maps() + "/Ortho");
        writeMap(maps() + "/Ortho/taken.jpg", "taken", Qt::blue);
        // A link at the name in the store, pointing nowhere: the map is not
        // written through it (to wherever it points) but kept in place.
        writeMap(maps() + "/linked.jpg", "linked");
        QTemporaryDir outside;
        QVERIFY(QFile::link(outside.filePath("linked.jpg"), maps() + "/Ortho/linked.jpg"));
        const QByteArray storedBefore = [&] {
            QFile f(maps() + "/Ortho/taken.jpg");
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        MigrateDiag d;
        d.show();
        QCOMPARE(d.windowTitle(), QString("Migration Wizard"));
        QCOMPARE(d.size(), QSize(600, 400));
        d.nextClicked();
        QCOMPARE(statusOf(d, 1), QString("Click on Next to start the migration"));
        d.nextClicked();  // runs the clean-up, stays on the page
        QCOMPARE(page(d), 1);
        QCOMPARE(statusOf(d, 1), QString("Done. Click on Next to continue"));
        QCOMPARE(QDir(trace).entryList(QDir::Files, QDir::Name),
                 (QStringList{"keep.txt", "keep.zt1"}));
        QVERIFY(QDir(trace + "sub.zth").exists());
        QVERIFY(button(d, "Next")->isEnabled());
        QCOMPARE(Data::instance()->migrationStatus(), 0);  // not yet

        d.nextClicked();
        QCOMPARE(page(d), 2);
        d.nextClicked();  // runs the move
        QCOMPARE(page(d), 2);
        QCOMPARE(statusOf(d, 2), QString("Done. Click on Next to continue"));
        QVERIFY(!QFile::exists(maps() + "/index"));
        QVERIFY(QFile::exists(maps() + "/Ortho/north.jpg"));
        QVERIFY(QFile::exists(maps() + "/Ortho/SOUTH.JPG"));
        QVERIFY(!QFile::exists(maps() + "/north.jpg"));
        QVERIFY(QFile::exists(maps() + "/notes.txt"));
        // The stored map is untouched and the old one is kept in place.
        QVERIFY(QFile::exists(maps() + "/taken.jpg"));
        QFile stored(maps() + "/Ortho/taken.jpg");
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), storedBefore);
        QVERIFY(QFile::exists(maps() + "/linked.jpg"));
        QVERIFY(!QFile::exists(outside.filePath("linked.jpg")));
        QVERIFY(QFileInfo(maps() + "/Ortho/linked.jpg").isSymLink());
        QCOMPARE(d.unmovedMaps(),
                 (QStringList{QDir(maps()).filePath("linked.jpg"), QDir(maps()).filePath("taken.jpg")}));
        QCOMPARE(Data::instance()->mapIndexCount(), 3);
        QCOMPARE(Data::instance()->migrationStatus(), 3);
        QCOMPARE(Data::instance()->settings()->value("Version").toString(), QString("v3.4.5"));

        d.nextClicked();
        QCOMPARE(page(d), 3);
        QVERIFY(button(d, "Finish"));
        QVERIFY(button(d, "Cancel")->isHidden());
        auto *problems = d.findChild<QLabel *>("problems");
        QVERIFY(!problems->isHidden());
        QVERIFY(problems->text().contains(QDir::toNativeSeparators(maps() + "/taken.jpg")));

        d.nextClicked();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
    }

    void missingFoldersStillFinish()
    {
        Data::instance()->setMigrationStatus(0);
        QDir(harlek() + "/trace").removeRecursively();
        QDir(maps()).remove("taken.jpg");
        QDir(maps()).remove("linked.jpg");
        MigrateDiag d;
        d.show();
        for (int i = 0; i < 4; ++i)
            d.nextClicked();
        QCOMPARE(statusOf(d, 1), QString("Done. Click on Next to continue"));
        QCOMPARE(statusOf(d, 2), QString("Done. Click on Next to continue"));
        QCOMPARE(Data::instance()->migrationStatus(), 3);
        d.nextClicked();
        QVERIFY(d.findChild<QLabel *>("problems")->isHidden());
        QVERIFY(d.unmovedMaps().isEmpty());
        // After the move the status stays 3 however the dialog is closed.
        KorvelTest::PromptScript script;
        script.button(QMessageBox::Yes);
        d.close();
        QCOMPARE(Data::instance()->migrationStatus(), 3);
    }
};

KORVEL_TEST_MAIN(TestMigrateDiag)
#include "test_migratediag.moc"
