// Radiconv's window: filling the list (command line, drops, dialogs), the
// list's state, the target folder and a conversion run with its summary.
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QThreadPool>
#include <QTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "support/aragen.h"
#include "radiconv/droparea.h"
#include "radiconv/droplist.h"
#include "radiconv/filemodel.h"
#include "radiconv/mainwindow.h"
#include "support/testkit.h"

namespace {

QSettings radiconvSettings()
{
    return QSettings(QStringLiteral("Brisolan Technologies"), QStringLiteral("Korvel Radiconv"));
}

// Sends a whole drag-and-drop of urls onto a drop target (for a list, its
// viewport receives the events). Returns whether the drop was accepted.
bool dropUrls(QWidget *target, const QList<QUrl> &urls, bool withUrls = true)
{
    QMimeData mime;
    if (withUrls)
        mime.setUrls(urls);
    else
        mime.setText(QStringLiteral("just text"));
    const QPoint pos = target->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

}  // namespace

class TestRadiconvWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_tree;  // a folder of recordings at several depths
    QStringList m_treeFiles;

    QString file(const QString &relative, const QByteArray &bytes = QByteArray("x"))
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        AraGen::writeFile(path, bytes);
        return path;
    }

    static QByteArray ara(int seed)
    {
        AraGen::FrameParams params;
        params.width = 64;
        params.height = 48;
        return AraGen::araFile(params, AraGen::scene(64, 48, seed));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath("tree");
        m_treeFiles << file("tree/a.ara") << file("tree/b.ARV") << file("tree/deep/er/c.ARA")
                    << file("tree/deep/d.arv");
        file("tree/notes.txt");
        file("tree/deep/e.jpg");
        m_treeFiles.sort();
    }

    void startsEmpty()
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Korvel Radiconv"));
        QCOMPARE(w.model()->rowCount(), 0);
        QCOMPARE(w.fileList()->maximumHeight(), 0);
        QVERIFY(!w.convertButton()->isEnabled());
        QVERIFY(!w.removeAction()->isEnabled());
        QCOMPARE(w.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Filename"));
        // Default target: the home folder.
        QCOMPARE(w.targetEdit()->text(), QDir::toNativeSeparators(QDir::homePath()));
    }

    void addsFilesAndFolders()
    {
        MainWindow w;
        w.show();
        w.addFilesOrDirectories({m_tree, m_dir.filePath("tree/a.ara"), m_dir.filePath("tree/notes.txt"),
                                 m_dir.filePath("missing.ara")});
        // Every recording below the folder, then the single files (a
        // path ending in .ara is taken as it is, like the missing one).
        QStringList expected = m_treeFiles;
        expected << m_dir.filePath("tree/a.ara") << m_dir.filePath("missing.ara");
        QCOMPARE(w.model()->files(), expected);
        QVERIFY(w.convertButton()->isEnabled());
        QVERIFY(w.fileList()->maximumHeight() >= 6 * w.fileList()->sizeHintForRow(0));

        // Nothing usable: a warning and the list as it was.
        QTest::ignoreMessage(QtWarningMsg, "MainWindow::addFiles() No files to convert");
        w.addFilesOrDirectories({m_dir.filePath("tree/notes.txt")});
        QCOMPARE(w.model()->rowCount(), 6);
    }

    void commandLineFillsTheList()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(KORVEL_BINARY_DIR "/bin/Radiconv"),
                {m_tree, m_dir.filePath("tree/notes.txt")});
        QVERIFY(p.waitForStarted());
        QByteArray out;
        QVERIFY(KorvelTest::waitFor([&] {
            p.waitForReadyRead(50);
            out += p.readAll();
            return out.contains("Files to convert");
        }));
        p.kill();
        p.waitForFinished();
        QVERIFY(out.contains("main() Converting 2 files/directories from arguments"));
        for (const QString &f : qAsConst(m_treeFiles))
            QVERIFY2(out.contains(f.toUtf8()), qPrintable(f));
        QVERIFY(!out.contains("notes.txt\""));
    }

    void dropsFillTheList()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // A drag over the drop area lights it up until it leaves.
        QMimeData hover;
        hover.setUrls({QUrl::fromLocalFile(m_dir.filePath("tree/a.ara"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &hover, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.dropArea(), &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(w.dropArea()->backgroundRole(), QPalette::Highlight);
        QDragLeaveEvent leave;
        QApplication::sendEvent(w.dropArea(), &leave);
        QCOMPARE(w.dropArea()->backgroundRole(), QPalette::Window);
        QCOMPARE(w.model()->rowCount(), 0);

        // Onto the drop area: a folder, a file and a file that is no recording.
        QVERIFY(dropUrls(w.dropArea(), {QUrl::fromLocalFile(m_dir.filePath("tree/deep")),
                                        QUrl::fromLocalFile(m_dir.filePath("tree/a.ara")),
                                        QUrl::fromLocalFile(m_dir.filePath("tree/notes.txt"))}));
        QCOMPARE(w.model()->files(), QStringList({m_dir.filePath("tree/deep/d.arv"),
                                                  m_dir.filePath("tree/deep/er/c.ARA"),
                                                  m_dir.filePath("tree/a.ara")}));

        // Onto the list: the same file twice is listed twice.
        QVERIFY(dropUrls(w.fileList()->viewport(), {QUrl::fromLocalFile(m_dir.filePath("tree/b.ARV"))}));
        QVERIFY(dropUrls(w.fileList()->viewport(), {QUrl::fromLocalFile(m_dir.filePath("tree/b.ARV"))}));
        QCOMPARE(w.model()->rowCount(), 5);
        QCOMPARE(w.model()->files().count(m_dir.filePath("tree/b.ARV")), 2);

        // Data without URLs is refused by both targets.
        QTest::ignoreMessage(QtWarningMsg, "DropArea::dropEvent() mimeData has no URLs");
        QVERIFY(!dropUrls(w.dropArea(), {}, false));
        QTest::ignoreMessage(QtWarningMsg, "DropList::dropEvent() mimeData has no URLs");
        QVERIFY(!dropUrls(w.fileList()->viewport(), {}, false));
        QCOMPARE(w.model()->rowCount(), 5);
        QCOMPARE(w.dropArea()->backgroundRole(), QPalette::Window);
    }

    void removeAndClear()
    {
        MainWindow w;
        w.show();
        QStringList files;
        for (int i = 0; i < 8; ++i)
            files << QStringLiteral("/data/f%1.ara").arg(i);
        w.addFilesOrDirectories(files);
        QVERIFY(!w.removeAction()->isEnabled());

        // Rows 3 to 5, selected from the bottom up.
        auto *sel = w.fileList()->selectionModel();
        sel->select(w.model()->index(5, 0), QItemSelectionModel::Select);
        sel->select(w.model()->index(3, 0), QItemSelectionModel::Select);
        sel->select(w.model()->index(4, 0), QItemSelectionModel::Select);
        QVERIFY(w.removeAction()->isEnabled());
        w.removeAction()->trigger();
        QCOMPARE(w.model()->files(), QStringList({"/data/f0.ara", "/data/f1.ara", "/data/f2.ara",
                                                  "/data/f6.ara", "/data/f7.ara"}));
        QVERIFY(!w.removeAction()->isEnabled());
        QVERIFY(!w.model()->removeRows(4, 2));  // beyond the end

        w.clearAction()->trigger();
        QCOMPARE(w.model()->rowCount(), 0);
        QCOMPARE(w.fileList()->maximumHeight(), 0);
        QVERIFY(!w.convertButton()->isEnabled());
    }

    void dialogsAddFilesAndRememberFolders()
    {
        KorvelTest::PromptScript script;
        MainWindow w;
        script.paths({m_dir.filePath("tree/a.ara"), m_dir.filePath("tree/b.ARV")});
        w.addFilesDialog();
        script.path(m_dir.filePath("tree/deep"));
        w.addFolderDialog();
        script.cancel();
        w.addFilesDialog();
        script.path(m_dir.filePath("elsewhere"));
        w.setTargetLocationDialog();

        QCOMPARE(w.model()->rowCount(), 4);
        const auto &rq = script.requests();
        QCOMPARE(rq.size(), 4);
        QCOMPARE(rq[0].title, QStringLiteral("Add Files..."));
        QCOMPARE(rq[0].filter, QStringLiteral("ARA files (*.ARA *.ARV)"));
        QCOMPARE(rq[0].directory, QDir::homePath());
        QCOMPARE(rq[1].title, QStringLiteral("Add Directory..."));
        QCOMPARE(rq[2].directory, m_dir.filePath("tree"));  // remembered
        QCOMPARE(rq[3].title, QStringLiteral("Select target location"));
        QCOMPARE(w.targetEdit()->text(), QDir::toNativeSeparators(m_dir.filePath("elsewhere")));
    }

    void invalidTargetIsReported()
    {
        KorvelTest::PromptScript script;
        MainWindow w;
        w.addFilesOrDirectories({file("conv/one.ara", ara(1))});
        const QString blocked = file("blocker") + "/sub";  // below a file: cannot be created
        w.targetEdit()->setText(blocked);
        QTest::ignoreMessage(QtCriticalMsg, "MainWindow::startConversion() Invalid Target Location; Aborting!");
        w.startConversion();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests()[0].title, QStringLiteral("Invalid Target Location"));
        QCOMPARE(script.requests()[0].text,
                 QStringLiteral("The specified target location does not exist, and could not be created:\n\n\t%1\n\n"
                                "Please chose a writable location.")
                     .arg(blocked));
        QCOMPARE(w.model()->rowCount(), 1);  // list kept
        QCOMPARE(radiconvSettings().value("TargetLocation").toString(), blocked);
    }

    void conversionRunWithSummary()
    {
        KorvelTest::PromptScript script;
        MainWindow w;
        w.show();
        const QString good1 = file("run/in/g1.ara", ara(1));
        const QString good2 = file("run/in/g2.ara", ara(2));
        const QString bad = file("run/in/bad.ara", ara(3).left(600));
        w.addFilesOrDirectories({good1, bad, good2});
        const QString target = m_dir.filePath("run/new/out");  // missing, created
        w.targetEdit()->setText(target);
        QSignalSpy done(&w, &MainWindow::conversionFinished);
        w.startConversion();
        QVERIFY(w.isConverting());
        QVERIFY(!w.centralWidget()->isEnabled());
        QVERIFY(done.wait(60000));

        QVERIFY(QFileInfo::exists(target + "/in/g1.jpg"));
        QVERIFY(QFileInfo::exists(target + "/in/g2.jpg"));
        QVERIFY(!QFileInfo::exists(target + "/in/bad.jpg"));
        QCOMPARE(w.model()->rowCount(), 0);
        QVERIFY(!w.convertButton()->isEnabled());
        QVERIFY(w.centralWidget()->isEnabled());

        // The one bad file is named in the summary.
        QCOMPARE(script.requests().size(), 1);
        const Prompt::Request &summary = script.requests()[0];
        QVERIFY(summary.text.startsWith("2 of 3 file(s) converted"));
        QVERIFY(summary.informativeText.contains("bad.ara"));
        QVERIFY(!summary.informativeText.contains("g1.ara"));

        // The target is remembered for the next start.
        MainWindow next;
        QCOMPARE(next.targetEdit()->text(), QDir::toNativeSeparators(target));
    }

    void progressDialogAndCancel()
    {
        // One pool thread: the dialog is for more than two files. A long
        // recording first keeps the run busy while the dialog is watched.
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QVector<AraGen::FrameParams> frames(40);
        QVector<QVector<quint16>> counts;
        for (int i = 0; i < frames.size(); ++i)
            counts << AraGen::scene(640, 512, i);
        const QString longRec = file("dialog/in/long.arv", AraGen::arvRecording(frames, counts));
        const QString a = file("dialog/in/a.ara", ara(1));
        const QString b = file("dialog/in/b.ara", ara(2));
        const QString out = m_dir.filePath("dialog/out");

        KorvelTest::PromptScript script;
        MainWindow w;
        w.show();
        w.targetEdit()->setText(out);
        QSignalSpy done(&w, &MainWindow::conversionFinished);

        // Two files: no dialog while the run lasts.
        bool modalSeen = false;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, [&] { modalSeen |= QApplication::activeModalWidget() != nullptr; });
        watch.start();
        w.addFilesOrDirectories({longRec, a});
        w.startConversion();
        QVERIFY(done.wait(60000));
        watch.stop();
        QVERIFY(!modalSeen);
        QVERIFY(w.statusBar()->currentMessage().startsWith("2 of 2"));

        // Three files: the window's dialog appears; cancelling it stops the
        // recording being converted and the files not yet started.
        QFile::remove(out + "/in/long.seq");
        QFile::remove(out + "/in/b.jpg");
        QString label;
        KorvelTest::whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QProgressDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog, w.progressDialog());
            label = dialog->labelText();
            auto *cancel = dialog->findChild<QPushButton *>();
            QVERIFY(cancel);
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        w.addFilesOrDirectories({longRec, a, b});
        w.startConversion();
        QVERIFY(done.wait(60000));
        pool->setMaxThreadCount(threads);

        QCOMPARE(label, QStringLiteral("Converting 3 files(s) using 1 thread(s)..."));
        QVERIFY(!w.progressDialog());
        QVERIFY(!QFileInfo::exists(out + "/in/long.seq"));
        QVERIFY(!QFileInfo::exists(out + "/in/b.jpg"));
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests()[0].title, QStringLiteral("Conversion cancelled"));
        QVERIFY(script.requests()[0].text.startsWith("0 of 3 file(s) converted"));
    }
};

KORVEL_TEST_MAIN(TestRadiconvWindow)
#include "test_radiconvwindow.moc"
