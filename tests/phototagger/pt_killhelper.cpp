// Not a test: merges or splits photo-tagger projects and prints a line
// after each step, so that a test can kill it at a known point (test_ptkill).
//
//   pt_killhelper merge <target> <source>... [--pause N]
//   pt_killhelper split <source> <at> <first> <second> [--pause N]
//
// With --pause N it stops after the N-th line until it is killed (or a line
// comes on its input). It uses the workspace of the home it inherits.
#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

#include "core/data.h"
#include "phototagger/ptprojectmerge.h"

namespace {

int g_pause = -1;
int g_lines = 0;

void step(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    if (++g_lines == g_pause) {
        std::string rest;
        std::getline(std::cin, rest);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int p = args.indexOf(QStringLiteral("--pause"));
    if (p >= 0) {
        g_pause = args.value(p + 1).toInt();
        args.erase(args.begin() + p, args.begin() + qMin(p + 2, args.size()));
    }
    const QString op = args.value(0);
    Data::instance();

    PTProjectMerge::Io io = PTProjectMerge::defaultIo();
    const PTProjectMerge::Io real = io;
    int moves = 0, removals = 0;
    io.move = [&](const QString &from, const QString &to, QString *error) {
        const bool ok = real.move(from, to, error);
        step(QStringLiteral("move %1").arg(++moves));
        return ok;
    };
    io.save = [&](const QString &path, int type, const QVector<PTTag> &tags, QString *error) {
        const bool ok = real.save(path, type, tags, error);
        step(QStringLiteral("save"));
        return ok;
    };
    io.removeFolder = [&](const QString &folder) {
        const bool ok = real.removeFolder(folder);
        step(QStringLiteral("remove %1").arg(++removals));
        return ok;
    };
    PTProjectMerge::Result r;
    if (op == QLatin1String("merge") && args.size() >= 3) {
        const QStringList sources = args.mid(2);
        r = PTProjectMerge::merge(sources, args.at(1), sources, io);
    } else if (op == QLatin1String("split") && args.size() == 5) {
        r = PTProjectMerge::split(args.at(1), args.at(2).toInt(), args.at(3), args.at(4), io);
    } else {
        std::fprintf(stderr, "usage: see the head of pt_killhelper.cpp\n");
        return 2;
    }
    step(r.ok ? QStringLiteral("done") : QStringLiteral("failed ") + r.error);
    return r.ok ? 0 : 1;
}
