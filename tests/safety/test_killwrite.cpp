// Every writer killed while it writes: the helper program killwriter runs
// one writer and prints a line at each of its progress points; the test
// kills it once it has read a chosen line, at several points per writer.
// The output then holds the old file or the new, whole one, never a cut-off
// file under its name, and a second run leaves everything whole and no
// temporary of the killed run behind.
#include <QDir>
#include <QProcess>
#include <QLoggingCategory>
#include <QtTest>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "safety/writers.h"
#include "support/testkit.h"

namespace {

struct Killed {
    bool killed = false;   // false: it ended before the line came
    int lines = 0;         // progress lines read
    QString output;        // what it printed
};

// Starts the helper on row and work and kills it once it printed the
// progress line killAt (0: never).
Killed runHelper(const QString &row, const QString &work, int killAt)
{
    Killed k;
    QProcess p;
    p.setProgram(QStringLiteral(KORVEL_BINARY_DIR "/tests/safety/killwriter"));
    p.setArguments({row, work});
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    if (!p.waitForStarted(30000))
        return k;
    while (p.state() != QProcess::NotRunning && !k.killed) {
        if (!p.canReadLine() && !p.waitForReadyRead(120000))
            break;
        while (p.canReadLine()) {
            const QByteArray line = p.readLine();
            k.output += QString::fromUtf8(line);
            if (line.startsWith("step ") && ++k.lines == killAt) {
                p.kill();
                k.killed = true;
                break;
            }
        }
    }
    p.waitForFinished(120000);
    k.output += QString::fromUtf8(p.readAll());
    return k;
}


}  // namespace

class TestKillWrite : public QObject {
    Q_OBJECT
    QString m_root;
    int m_kills = 0;
    int m_leftovers = 0;

private slots:
    void initTestCase()
    {
        // The writers' own progress lines would drown what the test says.
        QLoggingCategory::setFilterRules("*.debug=false");
        Data::instance();
        m_root = KorvelTest::home()->path() + "/safety";
    }

    void cleanupTestCase()
    {
        qInfo("%d writers killed, %d hidden temporary files left by the kills", m_kills, m_leftovers);
    }

    void killedWrite_data()
    {
        QTest::addColumn<QString>("name");
        for (const Safety::Row &row : Safety::rows())
            QTest::newRow(qPrintable(row.name)) << row.name;
    }
    void killedWrite()
    {
        QFETCH(QString, name);
        const Safety::Row &row = *Safety::row(name);

        // Undisturbed, in the helper: its progress lines and the whole output.
        QString work = Safety::freshWork(row, m_root);
        const Killed all = runHelper(name, work, 0);
        QVERIFY2(all.output.contains("done 1"), qPrintable(all.output));
        const QHash<QString, QByteArray> reference = Safety::snapshot(row.output(work));
        QVERIFY(all.lines > 0);

        // Kill points spread over the progress lines, at most six.
        QList<int> points;
        const int wanted = qMin(6, all.lines);
        for (int i = 0; i < wanted; ++i)
            points << 1 + (wanted > 1 ? i * (all.lines - 1) / (wanted - 1) : 0);
        // A writer with a single progress point is killed there a few times.
        while (points.size() < 3)
            points << points.last();
        int kept = 0, renewed = 0;
        for (const int at : qAsConst(points)) {
            work = Safety::freshWork(row, m_root);
            const QString output = row.output(work);
            const QHash<QString, QByteArray> before = Safety::snapshot(output);
            const Killed k = runHelper(name, work, at);
            m_kills += k.killed;
            if (row.reopen)
                row.reopen(work);
            const QHash<QString, QByteArray> after = Safety::snapshot(output);
            const QString when = QStringLiteral("killed after line %1: ").arg(at);
            QStringList wrong = Safety::faults(row, before, after, reference, true, &m_leftovers);
            if (row.check)
                wrong += row.check(work);
            QVERIFY2(wrong.isEmpty(), qPrintable(when + wrong.join(", ")));
            Safety::visible(after) == Safety::visible(before) ? ++kept : ++renewed;

            // Again, undisturbed: whatever the kill left is made whole, and
            // not one temporary of the killed run is left anywhere below.
            AtomicFile::forgetRecentSweeps();  // the next run is a new process
            row.run(work, [] {});
            const QHash<QString, QByteArray> again = Safety::snapshot(output);
            wrong = Safety::faults(row, reference, again, reference);
            if (row.check)
                wrong += row.check(work);
            QVERIFY2(wrong.isEmpty(), qPrintable(when + "after a second run: " + wrong.join(", ")));
        }
        qInfo("%s: %d kills left the old output, %d the new one (or some of its files, each whole)",
              qPrintable(name), kept, renewed);
    }

    // Outputs that older versions of the writers left when killed (cut-off
    // files under their names, half-copied folders) are repaired by the next
    // run, not trusted.
    void cutOffOutputIsRepaired_data()
    {
        QTest::addColumn<QString>("name");
        for (const Safety::Row &row : Safety::rows()) {
            if (row.cutOff)
                QTest::newRow(qPrintable(row.name)) << row.name;
        }
    }
    void cutOffOutputIsRepaired()
    {
        QFETCH(QString, name);
        const Safety::Row &row = *Safety::row(name);
        const QString work = Safety::freshWork(row, m_root);
        QVERIFY(row.run(work, [] {}).success);
        const QHash<QString, QByteArray> reference = Safety::snapshot(row.output(work));
        row.cutOff(work);
        QVERIFY(Safety::snapshot(row.output(work)) != reference);
        row.run(work, [] {});
        QStringList wrong = Safety::faults(row, reference, Safety::snapshot(row.output(work)), reference);
        if (row.check)
            wrong += row.check(work);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
    }
};

KORVEL_TEST_MAIN(TestKillWrite)
#include "test_killwrite.moc"
