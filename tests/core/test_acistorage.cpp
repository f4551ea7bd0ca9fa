#include <QtTest>

#include "core/data.h"
#include "support/testkit.h"

namespace {
QByteArray bytes(int n, char seed)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char(seed + i);
    return b;
}

QByteArray readBack(int n)
{
    QByteArray b(n, 0);
    const int got = Data::aciStorageRead(b.data(), n);
    return got > 0 ? b.left(got) : QByteArray();
}

int write(const QByteArray &b) { return Data::aciStorageWrite(b.constData(), b.size()); }
}  // namespace

class TestAciStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("KORVEL_PROBE_URL", "off");
        Data::instance();
    }
    void init() { Data::aciStorageDelete(); }

    void fileLiesInProgramData()
    {
        QCOMPARE(Data::instance()->aciStoragePath(),
                 KorvelTest::home()->appData() + "/navtrac/zephrin.korvel");
    }

    void writeThenRead()
    {
        const QByteArray head = bytes(12, 1);
        const QByteArray entry = bytes(136, 40);
        QTest::ignoreMessage(QtDebugMsg, "bytes written: 12");
        QTest::ignoreMessage(QtDebugMsg, "bytes written: 148");
        QCOMPARE(write(head), 12);
        QCOMPARE(write(entry), 136);
        // The file takes its name when the engine says it is complete.
        QVERIFY(!QFile::exists(Data::instance()->aciStoragePath()));
        Data::aciStorageEnd(1);
        QCOMPARE(QFileInfo(Data::instance()->aciStoragePath()).size(), 148);
        // Switching to reading starts at the beginning of the finished file.
        QCOMPARE(readBack(12), head);
        QCOMPARE(readBack(136), entry);
        QCOMPARE(Data::aciStorageRead(QByteArray(12, 0).data(), 12), 0);  // end of file
    }

    void readsContinueUntilClosed()
    {
        const QByteArray data = bytes(40, 7);
        write(data);
        Data::aciStorageEnd(1);
        QCOMPARE(readBack(12), data.mid(0, 12));
        QCOMPARE(readBack(12), data.mid(12, 12));
        Data::closeAciStorage();
        QCOMPARE(readBack(12), data.mid(0, 12));
    }

    void missingFileReadsNothing()
    {
        write(bytes(12, 1));
        Data::aciStorageEnd(1);
        Data::aciStorageDelete();
        QVERIFY(!QFile::exists(Data::instance()->aciStoragePath()));
        char buf[12];
        QCOMPARE(Data::aciStorageRead(buf, 12), 0);
        Data::aciStorageDelete();  // deleting a missing file is fine
    }

    void writeAfterReadStartsAfresh()
    {
        write(bytes(148, 3));
        Data::aciStorageEnd(1);
        readBack(12);
        // A new save: the count starts again and the old bytes are gone.
        QTest::ignoreMessage(QtDebugMsg, "bytes written: 12");
        const QByteArray fresh = bytes(12, 90);
        write(fresh);
        Data::aciStorageEnd(1);
        QCOMPARE(readBack(148), fresh);
    }

    // A write not ended as complete (cut short by a read, a close or the
    // engine giving up) leaves the old file as it was.
    void unfinishedWriteKeepsOldFile()
    {
        const QByteArray old = bytes(148, 5);
        write(old);
        Data::aciStorageEnd(1);
        for (int way = 0; way < 3; ++way) {
            write(bytes(60, 70));
            if (way == 0)
                Data::aciStorageEnd(0);
            else if (way == 1)
                Data::closeAciStorage();
            else
                readBack(1);
            Data::closeAciStorage();
            QCOMPARE(readBack(148), old);
        }
        QCOMPARE(QDir(QFileInfo(Data::instance()->aciStoragePath()).absolutePath())
                     .entryList(QDir::Files | QDir::Hidden).filter("zephrin"),
                 QStringList("zephrin.korvel"));
        QVERIFY(Data::aciStorageError().isEmpty());
    }
};

KORVEL_TEST_MAIN(TestAciStorage)
#include "test_acistorage.moc"
