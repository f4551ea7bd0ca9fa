// Every writer with the disk full at a chosen byte: the failure reaches the
// user with the file and the system's reason, the old file stays byte for
// byte, and no partial or temporary file is left (safety/writers_*.cpp hold
// the writers).
#include <QDir>
#include <QLoggingCategory>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "safety/writers.h"
#include "support/testkit.h"

class TestFullWrite : public QObject {
    Q_OBJECT
    QString m_root;
    int m_runs = 0;

private slots:
    void initTestCase()
    {
        // The writers' own progress lines would drown what the test says.
        QLoggingCategory::setFilterRules("*.debug=false");
        Data::instance();  // its settings and folders exist before the disk is full
        m_root = KorvelTest::home()->path() + "/safety";
    }

    void cleanupTestCase() { qInfo("%d writes with the disk full", m_runs); }

    void fullDisk_data()
    {
        QTest::addColumn<QString>("name");
        for (const Safety::Row &row : Safety::rows())
            QTest::newRow(qPrintable(row.name)) << row.name;
    }
    void fullDisk()
    {
        QFETCH(QString, name);
        const Safety::Row &row = *Safety::row(name);
        const auto noStep = [] {};

        // Undisturbed: everything written, the reference of a whole output.
        QString work = Safety::freshWork(row, m_root);
        const QHash<QString, QByteArray> old = Safety::snapshot(row.output(work));
        const Safety::Outcome done = row.run(work, noStep);
        QVERIFY2(done.success, qPrintable(done.message));
        const QHash<QString, QByteArray> reference = Safety::snapshot(row.output(work));
        qint64 largest = 0;
        for (auto it = reference.constBegin(); it != reference.constEnd(); ++it) {
            if (old.value(it.key()) != it.value())
                largest = qMax(largest, qint64(it.value().size()));
        }
        QVERIFY(largest > 0);

        const QString tooLarge = QString::fromLocal8Bit(strerror(EFBIG));
        for (const qint64 limit : {qint64(0), largest / 2, largest - 1}) {
            work = Safety::freshWork(row, m_root);
            const QString output = row.output(work);
            const QHash<QString, QByteArray> before = Safety::snapshot(output);
            Safety::Outcome o;
            {
                KorvelTest::DiskLimit full(limit);
                o = row.run(work, noStep);
            }
            ++m_runs;
            const QString at = QStringLiteral("limit %1: ").arg(limit);
            QVERIFY2(!o.success, qPrintable(at + "reported as written"));
            QVERIFY2(o.message.contains(tooLarge), qPrintable(at + o.message));
            QVERIFY2(o.message.contains(QDir::toNativeSeparators(output)), qPrintable(at + o.message));
            if (!row.targets.isEmpty()) {
                const auto named = [&](const QString &t) {
                    return o.message.contains(AtomicFile::describe(output + "/" + t, tooLarge));
                };
                QVERIFY2(std::any_of(row.targets.begin(), row.targets.end(), named), qPrintable(at + o.message));
            }
            QVERIFY2(o.faults.isEmpty(), qPrintable(at + o.faults.join(", ")));
            const QHash<QString, QByteArray> after = Safety::snapshot(output);
            QStringList wrong = Safety::faults(row, before, after, reference);
            if (row.check)
                wrong += row.check(work);
            QVERIFY2(wrong.isEmpty(), qPrintable(at + wrong.join(", ")));
            // Files reported one by one as written are whole.
            for (const QString &file : o.written) {
                const QString rel = QDir(output).relativeFilePath(file);
                QVERIFY2(after.contains(rel) && Safety::isWhole(row, after.value(rel), reference.value(rel)),
                         qPrintable(at + file + " reported as written"));
            }
        }
    }
};

KORVEL_TEST_MAIN(TestFullWrite)
#include "test_fullwrite.moc"
