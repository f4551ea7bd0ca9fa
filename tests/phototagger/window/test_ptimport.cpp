// Automatic import from the photo-tagger tab: the creation job refits a
// folder of photos to the project's triggers.
#include "core/data.h"
#include "phototagger/creation/ptdiag.h"
#include "phototagger/creation/ptmerge.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectfile.h"
#include "phototagger/window/ptmain.h"
#include "../creation/ptfixtures.h"
#include "support/testkit.h"

#include <QAction>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using KorvelTest::PromptScript;

namespace {

QString sd() { return Data::instance()->harlekSDPath(); }
QString projectDir(const QString &name) { return sd() + "/phototagger/" + name; }

QStringList fileNames(const QString &name)
{
    PTProjectContent c;
    PTProjectFile::load(PTProjectFile::projectFilePath(name), c);
    QStringList out;
    for (const PTTag &t : c.tags)
        out << t.imageName;
    return out;
}

QStringList listNames(PTMain *w)
{
    QStringList out;
    for (int r = 0; r < w->list()->topLevelItemCount(); ++r)
        out << w->list()->topLevelItem(r)->text(1);
    return out;
}

// Acts on the job's dialog when it is shown, before its event loop runs
// the steps after the first.
class OnJobShown : public QObject {
public:
    explicit OnJobShown(std::function<void(PTDiag *)> fn) : m_fn(std::move(fn)) { qApp->installEventFilter(this); }
    ~OnJobShown() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show)
            if (auto *d = qobject_cast<PTDiag *>(o)) {
                if (m_fn)
                    m_fn(d);
                m_fn = nullptr;
            }
        return false;
    }

private:
    std::function<void(PTDiag *)> m_fn;
};

}  // namespace

class TestPTImport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    void import_data()
    {
        QTest::addColumn<QString>("stop");
        QTest::newRow("success") << "";
        QTest::newRow("cancel before copying") << "read";
        QTest::newRow("cancel while copying") << "copy";
    }
    void import()
    {
        QFETCH(QString, stop);
        const QString name = "Refit_" + QString(QTest::currentDataTag()).replace(' ', '_');
        const HarlekLogContent log = PTFixture::survey(10);
        QVERIFY(PTFixture::writeLog(sd(), name, log));
        {
            PTDiag make;
            PromptScript none;
            make.setOnlyZTEFile(name, 0);
            QSignalSpy done(&make, &QDialog::finished);
            QVERIFY(done.wait(60000));
        }
        // The project holds an older photo set.
        const QString folder = projectDir(name);
        PTData old;
        QCOMPARE(old.loadProject(name), 120);
        QStringList oldNames;
        for (int i = 0; i < old.getCount(); ++i)
            oldNames << (i == 1 ? QString("OLD1.JPG") : QString());
        old.setImageNames(oldNames);
        QVERIFY(old.updateZPTFile());
        for (const char *f : {"OLD1.JPG", "thumb_OLD1.JPG"}) {
            QFile file(folder + "/" + f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString card = sd() + "/../cards/" + name;
        QVERIFY(PTFixture::writeSurveyPhotos(card, log, {0}) > 0);

        auto *data = new PTData;
        QCOMPARE(data->loadProject(name), 120);
        PTMain w(data);
        PromptScript script;
        script.button(QMessageBox::Yes).path(card);
        bool stopped = false;
        OnJobShown hook([&](PTDiag *d) {
            if (stop == "read") {
                QTimer::singleShot(0, d, [&, d] { stopped = true; d->cancelClicked(); });
            } else if (stop == "copy") {
                connect(d->worker(), &PTMerge::copyFiles, d, [&, d](int i, int) {
                    if (i == 2 && !stopped) {
                        stopped = true;
                        d->cancelClicked();
                    }
                });
            }
        });
        w.importAction()->trigger();
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().first().title, QString("Confirm importing"));
        QCOMPARE(stopped, !stop.isEmpty());
        if (stop.isEmpty()) {
            const QStringList names = fileNames(name);
            QVERIFY(names.first().isEmpty());
            QCOMPARE(names.at(1), QString("DSC1001.JPG"));
            QCOMPARE(listNames(&w), names);
            QVERIFY(QFile::exists(folder + "/DSC1001.JPG"));
        } else if (stop == "read") {
            QCOMPARE(fileNames(name), oldNames);
            QCOMPARE(listNames(&w), oldNames);
            QVERIFY(QFile::exists(folder + "/OLD1.JPG"));
        } else {
            // The folder was changed: the project starts again without photos.
            for (const QString &n : fileNames(name))
                QVERIFY(n.isEmpty());
            for (const QString &n : listNames(&w))
                QVERIFY(n.isEmpty());
            QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{name + ".zpt"});
        }
        QCOMPARE(Data::instance()->settings()->value("Last Photo Tagger Import Path").toString(),
                 QFileInfo(card).absolutePath());
    }
};

KORVEL_TEST_MAIN(TestPTImport)
#include "test_ptimport.moc"
