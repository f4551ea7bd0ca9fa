// Kills one writer of the safety rows at random moments, not only at its
// progress lines, and tallies what each kill left: the old output, the new
// one, some items new (each whole), or something cut off or inconsistent;
// then runs the writer again and counts the temporaries still there.
// Run by hand, like the benchmarks.
//     randomkill <row> [kills]     (default 40)
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <cstdio>

#include "core/data.h"
#include "safety/writers.h"
#include "support/testkit.h"

namespace {

int hiddenBelow(const QString &folder)
{
    int n = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        n += it.fileName().startsWith('.');
    }
    return n;
}

QHash<QString, QByteArray> visible(const QHash<QString, QByteArray> &state)
{
    QHash<QString, QByteArray> out;
    for (auto it = state.constBegin(); it != state.constEnd(); ++it) {
        if (!it.key().startsWith('.') && !it.key().contains("/."))
            out.insert(it.key(), it.value());
    }
    return out;
}

// Starts the helper the kill test uses on row and work; returns once the
// writer printed its first progress line (or ended).
void startWriter(QProcess &p, const QString &row, const QString &work)
{
    p.setProgram(QStringLiteral(KORVEL_BINARY_DIR "/tests/safety/killwriter"));
    p.setArguments({row, work});
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    p.waitForStarted(30000);
    QByteArray out;
    while (p.state() == QProcess::Running && !out.contains("step ")) {
        p.waitForReadyRead(10);
        out += p.readAllStandardOutput();
    }
}

}  // namespace

int main(int argc, char **argv)
{
    KorvelTest::home();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    Data::instance();
    const Safety::Row *row = argc >= 2 ? Safety::row(QString::fromLocal8Bit(argv[1])) : nullptr;
    if (!row) {
        std::fprintf(stderr, "usage: randomkill <row> [kills]\n");
        return 2;
    }
    const int kills = argc >= 3 ? QString::fromLocal8Bit(argv[2]).toInt() : 40;
    const QString root = KorvelTest::home()->path() + "/randomkill";

    // Undisturbed: the whole output, and how long the writer writes.
    QString work = Safety::freshWork(*row, root);
    qint64 writing = 0;
    {
        QProcess p;
        startWriter(p, row->name, work);
        QElapsedTimer t;
        t.start();
        p.waitForFinished(-1);
        writing = t.elapsed();
    }
    const QHash<QString, QByteArray> reference = Safety::snapshot(row->output(work));

    int killed = 0, oldWhole = 0, newWhole = 0, someNew = 0, wrong = 0, leftByKills = 0, leftAfter = 0;
    QRandomGenerator rng{quint32(writing)};
    for (int i = 0; i < kills; ++i) {
        work = Safety::freshWork(*row, root);
        const QString output = row->output(work);
        const QHash<QString, QByteArray> before = Safety::snapshot(output);
        QProcess p;
        startWriter(p, row->name, work);
        QThread::msleep(rng.bounded(quint32(writing + 1)));
        if (p.state() == QProcess::Running) {
            p.kill();
            ++killed;
        }
        p.waitForFinished(-1);
        if (row->reopen)
            row->reopen(work);
        const QHash<QString, QByteArray> after = Safety::snapshot(output);
        QStringList faults = Safety::faults(*row, before, after, reference, true, &leftByKills);
        if (row->check)
            faults += row->check(work);
        if (!faults.isEmpty()) {
            ++wrong;
            std::printf("  kill %d: %s\n", i, qPrintable(faults.join(", ")));
        } else if (visible(after) == visible(before)) {
            ++oldWhole;
        } else if (visible(after) == visible(reference)) {
            ++newWhole;
        } else {
            ++someNew;
        }
        row->run(work, [] {});
        leftAfter += hiddenBelow(output);
    }
    std::printf("%s: %d runs, %d killed while writing (%lld ms undisturbed); old output %d, new output %d, "
                "some items new (each whole) %d, cut off or inconsistent %d; hidden entries the kills left %d, "
                "temporaries left after the next run %d\n",
                qPrintable(row->name), kills, killed, writing, oldWhole, newWhole, someNew, wrong, leftByKills,
                leftAfter);
    return wrong == 0 && leftAfter == 0 ? 0 : 1;
}
