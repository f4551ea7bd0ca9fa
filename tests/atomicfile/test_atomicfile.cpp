#include <QDir>
#include <QFile>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

#include "atomicfile/atomicfile.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
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

    // What a killed writer left goes; a writer at work keeps its file, and
    // files that only look alike stay.
    void abandonedTemporaryFilesGo()
    {
        AtomicFile::Writer living(m_dir + "/photo.jpg");
        QVERIFY(living.open());
        living.write("half");
        QCOMPARE(entries(m_dir).size(), 1);
        const QString ownTemp = entries(m_dir).first();
        QVERIFY(ownTemp.startsWith(".photo.jpg.") && ownTemp.endsWith(".part"));
        // A temporary file whose writer is gone holds no lock.
        QVERIFY(AtomicFile::write(m_dir + "/.photo.jpg.k3f9z2.part", QByteArray("cut off")));
        QVERIFY(AtomicFile::write(m_dir + "/.notes.part", QByteArray("mine")));
        QVERIFY(AtomicFile::write(m_dir + "/photo.jpg.part", QByteArray("mine")));
        QVERIFY(QFile::link(m_dir + "/photo.jpg.part", m_dir + "/.link.jpg.abc.part"));
        QCOMPARE(AtomicFile::removeAbandoned(m_dir), 1);
        QCOMPARE(entries(m_dir),
                 (QStringList{".link.jpg.abc.part", ".notes.part", ownTemp, "photo.jpg.part"}));
        QVERIFY(living.commit());
        QCOMPARE(readAll(m_dir + "/photo.jpg"), QByteArray("half"));
        QCOMPARE(AtomicFile::removeAbandoned(m_dir + "/no/such/folder"), 0);
    }
};

KORVEL_TEST_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
