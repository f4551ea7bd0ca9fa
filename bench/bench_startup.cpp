// Start-up: time from launching the program to its shown main window,
// against a bare Qt widgets window (bench_barewindow) started the same way.
// The two alternate; medians and their ratio are printed.
//
//   bench_startup [runs]     (default 21 runs of each)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

// Milliseconds until the child printed "shown"; -1 when it did not.
double timeToShown(const QString &program, const QProcessEnvironment &env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(program, QStringList());
    double ms = -1;
    while (child.waitForReadyRead(30000)) {
        if (child.readAllStandardOutput().contains("shown")) {
            ms = clock.nsecsElapsed() / 1e6;
            break;
        }
    }
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
    }
    return ms;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 21;
    const QString bin = QCoreApplication::applicationDirPath();

    // A home without the introduction, every outside address off; the
    // first run goes through the first-run wizard and sets it up.
    QTemporaryDir home;
    const QString store = home.path() + "/.config/Brisolan Technologies/Korvel Tarvendel.conf";
    QDir().mkpath(QFileInfo(store).absolutePath());
    {
        QFile f(store);
        f.open(QIODevice::WriteOnly);
        f.write("[General]\nShowIntroAtStartUp=0\n");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path() + "/.config");
    env.insert("XDG_DATA_HOME", home.path() + "/.local/share");
    env.insert("XDG_CACHE_HOME", home.path() + "/.cache");
    env.insert("KORVEL_PROBE_URL", "off");
    env.insert("KORVEL_UPDATE_URL", "http://127.0.0.1:9/");
    env.insert("KORVEL_BENCH_SHOWN", "1");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");

    const QString program = bin + "/KorvelTarvendel";
    const QString bare = bin + "/bench_barewindow";
    QProcessEnvironment setup = env;
    setup.insert("KORVEL_TEST_AUTOANSWER", "finish");
    if (timeToShown(program, setup) < 0) {
        QTextStream(stderr) << "the program did not start in " << home.path() << "\n";
        return 1;
    }
    // One of each first, so both start from a warm file cache.
    timeToShown(program, env);
    timeToShown(bare, env);
    std::vector<double> p, b;
    for (int i = 0; i < runs; ++i) {
        p.push_back(timeToShown(program, env));
        b.push_back(timeToShown(bare, env));
    }
    QTextStream out(stdout);
    const double mp = median(p), mb = median(b);
    out << QString("platform %1, %2 runs each, medians\n").arg(env.value("QT_QPA_PLATFORM")).arg(runs);
    out << QString("KorvelTarvendel to shown window  %1 ms\n").arg(mp, 0, 'f', 1);
    out << QString("bare Qt widgets window           %1 ms\n").arg(mb, 0, 'f', 1);
    out << QString("ratio                            %1x\n").arg(mb > 0 ? mp / mb : 0, 0, 'f', 2);
    return 0;
}
