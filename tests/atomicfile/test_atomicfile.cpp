#include <QDir>
#include <QFile>
#include <QMutex>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "atomicfile/atomicfile.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A file put there directly, as a killed writer or the user left it (a
// write through the door would sweep the folder first).
bool plant(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Everything in the folder, hidden entries included (a temporary file left
// behind would be one).
QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

}  // namespace

class TestAtomicFile : public QObject {
    Q_OBJECT
    QString m_dir;

private slots:
    void init()
    {
        m_dir = KorvelTest::home()->path() + "/atomic";
        QDir(m_dir).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir));
    }

    // A full disk at a chosen byte: the old file stays byte for byte, no
    // partial file is left anywhere, and the reason is the system's.
    void fullDiskKeepsOldFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("small, whole") << 1000 << 0 << qint64(10);
        QTest::newRow("buffered tail") << 100000 << 1000 << qint64(65536);
        QTest::newRow("big block, short write") << 3000000 << 0 << qint64(1000000);
        QTest::newRow("no byte fits") << 10 << 1 << qint64(0);
    }
    void fullDiskKeepsOldFile()
    {
        QFETCH(int, size);
        QFETCH(int, chunk);
        QFETCH(qint64, limit);
        const QString path = m_dir + "/target.bin";
        QVERIFY(AtomicFile::write(path, QByteArray("old contents")));
        const QByteArray content(size, 'x');
        QString error;
        bool ok;
        {
            KorvelTest::DiskLimit full(limit);
            if (chunk == 0) {
                ok = AtomicFile::write(path, content, &error);
            } else {
                ok = AtomicFile::write(
                    path,
                    [&](QIODevice &d) {
                        for (int i = 0; i < size; i += chunk)
                            d.write(content.constData() + i, qMin(chunk, size - i));
                        return true;  // a careless writer: the door still sees the failure
                    },
                    &error);
            }
        }
        QVERIFY(!ok);
        QCOMPARE(error, QString::fromLocal8Bit(strerror(EFBIG)));
        QCOMPARE(readAll(path), QByteArray("old contents"));
        QCOMPARE(entries(m_dir), QStringList{"target.bin"});
    }

    void streamingWriterSeeksAndReportsReason()
    {
        const QString path = m_dir + "/stream.bin";
        AtomicFile::Writer w(path);
        QVERIFY(w.open());
        QVERIFY(!QFile::exists(path));  // not under its name while written
        QCOMPARE(w.write("HEAD....body"), qint64(12));
        QVERIFY(w.seek(4));
        QCOMPARE(w.write("1234"), qint64(4));
        QVERIFY(w.seek(w.size()));
        const QByteArray big(600 * 1024, 'b');  // past the buffer, straight to the file
        QCOMPARE(w.write(big), qint64(big.size()));
        QCOMPARE(w.size(), qint64(12 + big.size()));
        QVERIFY(w.commit());
        QCOMPARE(readAll(path), QByteArray("HEAD1234body") + big);
        QCOMPARE(entries(m_dir), QStringList{"stream.bin"});

        // Abandoned: nothing stays behind.
        {
            AtomicFile::Writer gone(m_dir + "/gone.bin");
            QVERIFY(gone.open());
            gone.write("x");
            gone.cancel();
        }
        QCOMPARE(entries(m_dir), QStringList{"stream.bin"});

        AtomicFile::Writer nowhere(m_dir + "/no/such/folder/x");
        QVERIFY(!nowhere.open());
        QCOMPARE(nowhere.reason(), QString::fromLocal8Bit(strerror(ENOENT)));
        QCOMPARE(AtomicFile::describe("/a/b", "No space left on device"),
                 QString("/a/b: No space left on device"));
    }

    // NoReplace never replaces a name and never writes through a link put
    // there; Replace keeps the mode of the file it replaces.
    void namesAndModes()
    {
        const QString taken = m_dir + "/taken";
        QVERIFY(AtomicFile::write(taken, QByteArray("mine")));
        const QString outside = m_dir + "/outside";
        QVERIFY(AtomicFile::write(outside, QByteArray("outside")));
        const QString link = m_dir + "/link";
        QVERIFY(QFile::link(outside, link));
        for (const QString &name : {taken, link}) {
            AtomicFile::Writer w(name, AtomicFile::Mode::NoReplace);
            QVERIFY(w.open());
            w.write("new");
            QVERIFY(!w.commit());
            QCOMPARE(w.osError(), EEXIST);
        }
        QCOMPARE(readAll(taken), QByteArray("mine"));
        QCOMPARE(readAll(outside), QByteArray("outside"));
        QVERIFY(AtomicFile::write(m_dir + "/free", QByteArray("new"), nullptr,
                                  AtomicFile::Mode::NoReplace));
        QCOMPARE(readAll(m_dir + "/free"), QByteArray("new"));

        QVERIFY(QFile::setPermissions(taken, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(AtomicFile::write(taken, QByteArray("again")));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(taken).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        const mode_t mask = ::umask(022);
        ::umask(mask);
        QCOMPARE(::stat(QFile::encodeName(m_dir + "/free").constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), int(0666 & ~mask));
    }

    // Replace takes the place of a file or a link, never of a folder, a
    // device or a pipe (a pipe stands in for devices here).
    void replacesOnlyFiles()
    {
        const QString pipe = m_dir + "/pipe";
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString folder = m_dir + "/folder";
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : {pipe, folder}) {
            QString error;
            QVERIFY(!AtomicFile::write(name, QByteArray("new"), &error));
            QVERIFY2(!error.isEmpty(), qPrintable(name));
        }
        QFileInfo info(pipe);
        QVERIFY(!info.isFile() && info.exists());
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(entries(m_dir), (QStringList{"folder", "pipe"}));
    }

    void folderAppearsWhole()
    {
        const QString target = m_dir + "/log";
        {
            AtomicFile::Folder f(target);
            QVERIFY(f.open());
            QVERIFY(AtomicFile::write(f.path() + "/A", QByteArray("a")));
            QVERIFY(!QFileInfo::exists(target));
        }  // not committed: gone
        QCOMPARE(entries(m_dir), QStringList());

        AtomicFile::Folder f(target);
        QVERIFY(f.open());
        QVERIFY(AtomicFile::write(f.path() + "/A", QByteArray("a")));
        QVERIFY(f.commit());
        QCOMPARE(readAll(target + "/A"), QByteArray("a"));

        AtomicFile::Folder again(target);
        QVERIFY(again.open());
        QVERIFY(!again.commit());
        QCOMPARE(again.osError(), EEXIST);
        again.cancel();
        QCOMPARE(entries(m_dir), QStringList{"log"});
        QCOMPARE(entries(target), QStringList{"A"});
    }

    // What a killed writer left goes, files and staging folders alike; a
    // writer at work keeps its file and a folder being assembled stays;
    // files that only look alike stay.
    void abandonedTemporariesGo()
    {
        AtomicFile::Writer living(m_dir + "/photo.jpg");
        QVERIFY(living.open());
        QVERIFY(living.write("half") == 4);
        QCOMPARE(entries(m_dir).size(), 1);
        const QString ownTemp = entries(m_dir).first();
        QVERIFY2(ownTemp.startsWith(".photo.jpg.korvel-tmp-") && AtomicFile::isTemporaryName(ownTemp),
                 qPrintable(ownTemp));
        AtomicFile::Folder assembling(m_dir + "/log");
        QVERIFY(assembling.open());
        QVERIFY(AtomicFile::write(assembling.path() + "/A", QByteArray("a")));
        const QString ownFolder = QFileInfo(assembling.path()).fileName();

        // What killed writers left: nobody holds a lock on them.
        const QString deadFile = ".photo.jpg.korvel-tmp-k3f9z2";
        const QString deadFolder = ".log.korvel-tmp-0a1b2c";
        QVERIFY(plant(m_dir + "/" + deadFile, "cut off"));
        QVERIFY(QDir().mkpath(m_dir + "/" + deadFolder + "/deep"));
        QVERIFY(plant(m_dir + "/" + deadFolder + "/deep/KORVEL.LOG", "x"));
        // A user's own files and links that look alike.
        const QStringList mine = {".thesis.v2.part", ".notes.part", "photo.jpg.part", ".korvel-tmp-abc",
                                  ".a.korvel-tmp-ABC", ".b.korvel-tmp-abc.jpg"};
        for (const QString &name : mine)
            QVERIFY(plant(m_dir + "/" + name, "mine"));
        QVERIFY(QFile::link(m_dir + "/photo.jpg.part", m_dir + "/.link.korvel-tmp-abc"));
        QVERIFY(QDir().mkpath(m_dir + "/sub"));
        QVERIFY(plant(m_dir + "/sub/.x.korvel-tmp-zz", "cut off"));

        QCOMPARE(AtomicFile::removeAbandoned(m_dir), 2);
        QStringList left = mine;
        left << ".link.korvel-tmp-abc" << ownTemp << ownFolder << "sub";
        left.sort();
        QCOMPARE(entries(m_dir), left);
        QCOMPARE(AtomicFile::removeAbandonedBelow(m_dir, 1), 1);  // the one in sub
        QCOMPARE(entries(m_dir + "/sub"), QStringList());

        QVERIFY(living.commit());
        QCOMPARE(readAll(m_dir + "/photo.jpg"), QByteArray("half"));
        QVERIFY(assembling.commit());
        QCOMPARE(readAll(m_dir + "/log/A"), QByteArray("a"));
        QCOMPARE(AtomicFile::removeAbandoned(m_dir + "/no/such/folder"), 0);

        // Every writer sweeps the folder it writes into when it starts (the
        // first in a process always; later ones after a pause).
        AtomicFile::forgetRecentSweeps();
        QVERIFY(plant(m_dir + "/" + deadFile, "cut off"));
        QVERIFY(QDir().mkpath(m_dir + "/" + deadFolder));
        QVERIFY(AtomicFile::write(m_dir + "/other", QByteArray("o")));
        QVERIFY(!entries(m_dir).contains(deadFile));
        QVERIFY(!entries(m_dir).contains(deadFolder));
        QVERIFY(entries(m_dir).contains(".thesis.v2.part"));
    }

    // A file the user cannot write is refused, as a write in place would be;
    // a link stays a link and the file it leads to is replaced whole.
    void readOnlyFilesAndLinks()
    {
        const QString ro = m_dir + "/readonly.csv";
        QVERIFY(AtomicFile::write(ro, QByteArray("kept")));
        QVERIFY(QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QString error;
        QVERIFY(!AtomicFile::write(ro, QByteArray("new"), &error));
        QCOMPARE(AtomicFile::describe(ro, error), ro + ": " + QString::fromLocal8Bit(strerror(EACCES)));
        QCOMPARE(readAll(ro), QByteArray("kept"));
        QCOMPARE(entries(m_dir), QStringList{"readonly.csv"});

        // Links, absolute and relative, through a chain, into another folder.
        const QString elsewhere = m_dir + "/elsewhere";
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(AtomicFile::write(elsewhere + "/real.zfp", QByteArray("old")));
        QVERIFY(QFile::setPermissions(elsewhere + "/real.zfp", QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(::symlink("elsewhere/real.zfp", QFile::encodeName(m_dir + "/rel.zfp").constData()), 0);
        QVERIFY(QFile::link(m_dir + "/rel.zfp", m_dir + "/chain.zfp"));
        for (const QString &link : {m_dir + "/rel.zfp", m_dir + "/chain.zfp"}) {
            QVERIFY(AtomicFile::write(link, "through " + link.toUtf8()));
            QVERIFY(QFileInfo(link).isSymLink());
            QCOMPARE(readAll(elsewhere + "/real.zfp"), "through " + link.toUtf8());
        }
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(elsewhere + "/real.zfp").constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(entries(elsewhere), QStringList{"real.zfp"});
        // A link to nothing yet: the file appears where it leads.
        QVERIFY(QFile::link(elsewhere + "/new.zfp", m_dir + "/dangling.zfp"));
        QVERIFY(AtomicFile::write(m_dir + "/dangling.zfp", QByteArray("born")));
        QVERIFY(QFileInfo(m_dir + "/dangling.zfp").isSymLink());
        QCOMPARE(readAll(elsewhere + "/new.zfp"), QByteArray("born"));
        // A link to a read-only file is refused like the file.
        QVERIFY(QFile::link(ro, m_dir + "/rolink"));
        QVERIFY(!AtomicFile::write(m_dir + "/rolink", QByteArray("new"), &error));
        QCOMPARE(error, QString::fromLocal8Bit(strerror(EACCES)));
        QCOMPARE(readAll(ro), QByteArray("kept"));
        // A loop of links is refused.
        QVERIFY(QFile::link(m_dir + "/loopB", m_dir + "/loopA"));
        QVERIFY(QFile::link(m_dir + "/loopA", m_dir + "/loopB"));
        QVERIFY(!AtomicFile::write(m_dir + "/loopA", QByteArray("x"), &error));
        QCOMPARE(error, QString::fromLocal8Bit(strerror(ELOOP)));
        QVERIFY(QFileInfo(m_dir + "/loopA").isSymLink());
        QVERIFY(QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    // Writers and sweeps at work in one folder at once never take each
    // other's files: every write arrives whole under its name.
    void writersAndSweepsTogether()
    {
        constexpr int Threads = 8, Writes = 150;
        QAtomicInt failures = 0, stop = 0;
        QStringList reasons;
        QMutex reasonsLock;
        QList<QThread *> threads;
        for (int t = 0; t < Threads; ++t) {
            threads << QThread::create([&, t] {
                for (int i = 0; i < Writes; ++i) {
                    const QString name = QStringLiteral("%1/w%2-%3.jpg").arg(m_dir).arg(t).arg(i % 7);
                    const QByteArray content = QByteArray::number(t * 1000 + i).repeated(50);
                    QString error;
                    if (!AtomicFile::write(name, content, &error) || readAll(name) != content) {
                        failures.fetchAndAddRelaxed(1);
                        QMutexLocker lock(&reasonsLock);
                        reasons << name + ": " + error;
                    }
                }
            });
        }
        // Sweeps beside them, as other writers' starts make them.
        QThread *sweeper = QThread::create([&] {
            while (!stop.loadRelaxed())
                AtomicFile::removeAbandoned(m_dir);
        });
        sweeper->start();
        for (QThread *th : qAsConst(threads))
            th->start();
        for (QThread *th : qAsConst(threads)) {
            QVERIFY(th->wait(120000));
            delete th;
        }
        stop.storeRelaxed(1);
        QVERIFY(sweeper->wait(10000));
        delete sweeper;
        QVERIFY2(failures.loadRelaxed() == 0,
                 qPrintable(QStringLiteral("%1 of %2 writes failed: %3")
                                .arg(failures.loadRelaxed())
                                .arg(Threads * Writes)
                                .arg(reasons.mid(0, 3).join("; "))));
        for (const QString &name : entries(m_dir))
            QVERIFY2(!AtomicFile::isTemporaryName(name), qPrintable(name));
    }

    // Wrong use is loud: a writer dropped without commit() or cancel()
    // says so (and leaves the old file).
    void abandonedWriterIsLogged()
    {
        const QString path = m_dir + "/plan.zfp";
        QVERIFY(AtomicFile::write(path, QByteArray("old")));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("\\[AtomicFile\\] .*plan\\.zfp was left without commit or cancel"));
        {
            AtomicFile::Writer w(path);
            QVERIFY(w.open());
            QVERIFY(w.write("new") == 3);
        }
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(entries(m_dir), QStringList{"plan.zfp"});
        {
            AtomicFile::Writer w(path);
            QVERIFY(w.open());
            w.cancel();  // said: nothing logged (an unexpected message fails the test)
        }
    }

    // A name near the longest a folder takes still gets a temporary.
    void longNames()
    {
        const QString name = m_dir + "/" + QString(250, QChar(0x00e9)).left(120) + QString(10, 'a');
        QVERIFY(AtomicFile::write(name, QByteArray("long")));
        QCOMPARE(readAll(name), QByteArray("long"));
    }
};

KORVEL_TEST_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
