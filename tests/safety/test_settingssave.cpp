// The settings save with the disk full, 4 KB and 8 KB short of what the
// save needs (a full disk of the file system rounds to its blocks; the
// generic full-disk test cuts at other bytes): the old file stays byte for
// byte, nothing is left beside it, and the user is told once, with the file
// and the system's reason.
#include <QDir>
#include <QLoggingCategory>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "atomicfile/settingsfile.h"
#include "core/data.h"
#include "safety/writers.h"
#include "support/testkit.h"

class TestSettingsSave : public QObject {
    Q_OBJECT
    QString m_root;

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules("*.debug=false");
        Data::instance();
        m_root = KorvelTest::home()->path() + "/safety";
    }

    void shortOfSpace_data()
    {
        QTest::addColumn<qint64>("lacking");  // bytes the save lacks; -1: none free at all
        QTest::newRow("full") << qint64(-1);
        QTest::newRow("8 KB short") << qint64(8192);
        QTest::newRow("4 KB short") << qint64(4096);
    }
    void shortOfSpace()
    {
        QFETCH(qint64, lacking);
        const Safety::Row &row = *Safety::row("settings");
        QString work = Safety::freshWork(row, m_root);
        const QString file = row.output(work) + "/Korvel Tarvendel.conf";
        QVERIFY(row.run(work, [] {}).success);
        const QByteArray saved = Safety::readFile(file);
        QVERIFY(saved.size() > 16384);

        work = Safety::freshWork(row, m_root);
        const QHash<QString, QByteArray> before = Safety::snapshot(row.output(work));
        Safety::Outcome o;
        {
            KorvelTest::DiskLimit full(lacking < 0 ? 0 : saved.size() - lacking);
            o = row.run(work, [] {});
        }
        QVERIFY(!o.success);
        KorvelTest::PromptScript later;
        QTest::qWait(50);  // a second report would be queued: none may come
        QCOMPARE(later.texts(), QStringList());
        const QString expected = "Settings could not be saved: " + file + ": " + strerror(EFBIG);
        QCOMPARE(o.message, expected);
        QCOMPARE(Safety::snapshot(row.output(work)), before);
    }
};

KORVEL_TEST_MAIN(TestSettingsSave)
#include "test_settingssave.moc"
