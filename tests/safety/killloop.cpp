// Kills one writer of the safety rows at random moments, many times, and
// tells what each kill left: the old output, the new one, some of its items
// each whole (a many-item writer cut between items), a cut-off file or
// folder, or an output whose parts disagree; then how many temporaries the
// next run of the writer left. Not a test: it prints figures.
//     killloop <row> [kills] [seed]
// It runs in a private home, like the tests, and starts killwriter beside it.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <cstdio>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "safety/writers.h"
#include "support/testkit.h"

namespace {

QString helper()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/killwriter");
}

bool isTemporary(const QString &rel)
{
    const QStringList parts = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(), [](const QString &p) { return AtomicFile::isTemporaryName(p); });
}

int temporaries(const QHash<QString, QByteArray> &state)
{
    int n = 0;
    for (auto it = state.constBegin(); it != state.constEnd(); ++it)
        n += isTemporary(it.key());
    return n;
}


// Runs the helper and kills it after delayUs microseconds (never when
// negative). True when it was killed before it ended. Undisturbed, *firstMs
// and *lastMs tell when its first progress line and its end came.
bool runKilled(const QString &row, const QString &work, qint64 delayUs, qint64 *firstMs = nullptr,
               qint64 *lastMs = nullptr)
{
    QProcess p;
    p.setProgram(helper());
    p.setArguments({row, work});
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (delayUs >= 0)
        p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    p.start();
    if (!p.waitForStarted(30000))
        qFatal("killloop: %s does not start", qPrintable(helper()));
    bool killed = false;
    if (delayUs >= 0) {
        // The point of this loop: a moment chosen by the clock, not by the
        // writer's own progress.
        QThread::usleep(quint64(delayUs));
        killed = p.state() != QProcess::NotRunning;
        p.kill();
    } else {
        while (p.state() != QProcess::NotRunning) {
            if (!p.canReadLine() && !p.waitForReadyRead(600000))
                break;
            while (p.canReadLine()) {
                if (p.readLine().startsWith("step ") && firstMs && *firstMs < 0)
                    *firstMs = clock.elapsed();
            }
        }
    }
    p.waitForFinished(600000);
    if (lastMs)
        *lastMs = clock.elapsed();
    return killed && p.exitStatus() == QProcess::CrashExit;
}

}  // namespace

int main(int argc, char **argv)
{
    KorvelTest::home();
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const QStringList args = app.arguments();
    const Safety::Row *row = args.size() >= 2 ? Safety::row(args.at(1)) : nullptr;
    if (!row) {
        std::fprintf(stderr, "usage: killloop <row> [kills] [seed]\nrows:");
        for (const Safety::Row &r : Safety::rows())
            std::fprintf(stderr, " %s", qPrintable(r.name));
        std::fprintf(stderr, "\n");
        return 2;
    }
    const int kills = args.size() >= 3 ? args.at(2).toInt() : 30;
    QRandomGenerator rng(args.size() >= 4 ? args.at(3).toUInt() : 1u);
    Data::instance();
    const QString root = KorvelTest::home()->path() + QStringLiteral("/loop");

    // Undisturbed, timed: the window the kills fall into (a little past the
    // end, so some kills come after the work is done).
    QString work = Safety::freshWork(*row, root);
    qint64 first = -1, took = 0;
    runKilled(row->name, work, -1, &first, &took);
    const QHash<QString, QByteArray> reference = Safety::snapshot(row->output(work));
    // From a little before its first progress line (the process start-up
    // before it writes nothing) to a little after its end, in microseconds.
    const qint64 from = qMax<qint64>(0, first) * 900, window = qMax<qint64>(1, took * 1050 - from);

    int killed = 0, old = 0, whole = 0, items = 0, cut = 0, inconsistent = 0, tempsAfterKill = 0,
        tempsAfterRun = 0, badAfterRun = 0;
    int tries = 0;
    for (int k = 0; killed < kills && tries < kills * 100; ++k, ++tries) {
        work = Safety::freshWork(*row, root);
        const QString output = row->output(work);
        const QHash<QString, QByteArray> before = Safety::snapshot(output);
        if (!runKilled(row->name, work, from + qint64(rng.bounded(int(qMin<qint64>(window, 2000000000))))))
            continue;  // it ended before the moment came
        ++killed;
        if (row->reopen)
            row->reopen(work);
        const QHash<QString, QByteArray> after = Safety::snapshot(output);
        tempsAfterKill += temporaries(after);
        const QStringList wrong = Safety::faults(*row, before, after, reference, true);
        const QStringList disagree = row->check ? row->check(work) : QStringList();
        if (!wrong.isEmpty()) {
            ++cut;
            std::printf("  kill %d: %s\n", k + 1, qPrintable(wrong.join(", ")));
        } else if (!disagree.isEmpty()) {
            ++inconsistent;
            std::printf("  kill %d: %s\n", k + 1, qPrintable(disagree.join(", ")));
        } else if (Safety::visible(after) == Safety::visible(before)) {
            ++old;
        } else if (Safety::visible(after) == Safety::visible(reference)
                   || Safety::faults(*row, reference, Safety::visible(after), reference).isEmpty()) {
            ++whole;  // every file as the undisturbed run wrote it (judged whole)
        } else {
            ++items;
        }
        // The next run of the same writer (as a new process would).
        AtomicFile::forgetRecentSweeps();
        row->run(work, [] {});
        const QHash<QString, QByteArray> again = Safety::snapshot(output);
        tempsAfterRun += temporaries(again);
        QStringList left = Safety::faults(*row, reference, again, reference);
        if (row->check)
            left += row->check(work);
        if (!left.isEmpty()) {
            ++badAfterRun;
            std::printf("  kill %d, after the next run: %s\n", k + 1, qPrintable(left.join(", ")));
        }
    }
    std::printf("%s: undisturbed %lld ms (writing from %lld ms); %d kills in %d tries: old whole %d, new whole %d, "
                "some items new (each whole) %d, cut off %d, inconsistent %d; "
                "temporaries right after the kills %d, after the next run %d; "
                "outputs not whole after the next run %d\n",
                qPrintable(row->name), took, first, killed, tries, old, whole, items, cut, inconsistent,
                tempsAfterKill, tempsAfterRun, badAfterRun);
    return cut + inconsistent + badAfterRun + tempsAfterRun > 0 ? 1 : 0;
}
