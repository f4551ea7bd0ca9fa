// Not a test: performs one write of the photo tagger, the thermal editor or
// EXIF and prints a line after each step, so that a test can kill it at a
// known point (test_ptkill).
//
//   pt_killhelper geotag <project> <folder> [--pause N]
//   pt_killhelper exif <file> [--pause N]
//   pt_killhelper image <file> [--pause N]
//   pt_killhelper merge <target> <source>... [--pause N]
//
// With --pause N it stops after the N-th line until it is killed (or a line
// comes on its input). It uses the workspace of the home it inherits.
#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

#include "core/data.h"
#include "exif/exifhandler.h"
#include "killfixture.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectmerge.h"
#include "thermal/araheader.h"
#include "thermal/editor/thimageexport.h"

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

    if (op == QLatin1String("geotag") && args.size() == 3) {
        PTData data;
        if (data.loadProject(args.at(1)) != 120)
            return 2;
        QStringList failed;
        data.copyFiles(args.at(2), &failed, [](int i, int n) {
            step(QStringLiteral("copy %1 %2").arg(i).arg(n));
            return true;
        });
        step(QStringLiteral("done %1").arg(failed.size()));
        return 0;
    }
    if (op == QLatin1String("exif") && args.size() == 2) {
        ExifHandler exif;
        exif.loadExif(args.at(1));
        KillFixture::tag(exif);
        step(QStringLiteral("start"));
        QString error;
        const bool ok = exif.saveExif(args.at(1), &error);
        step(ok ? QStringLiteral("done") : QStringLiteral("failed ") + error);
        return ok ? 0 : 1;
    }
    if (op == QLatin1String("image") && args.size() == 2) {
        step(QStringLiteral("start"));
        const QImage picture = KillFixture::picture();
        step(QStringLiteral("drawn"));
        QString error;
        const bool ok = THImageExport::write(picture, AraHeader(KillFixture::araHeader()), args.at(1), &error)
                        == THImageExport::Result::Written;
        step(ok ? QStringLiteral("done") : QStringLiteral("failed ") + error);
        return ok ? 0 : 1;
    }
    if (op == QLatin1String("merge") && args.size() >= 3) {
        PTProjectMerge::Io io = PTProjectMerge::defaultIo();
        const PTProjectMerge::Io real = io;
        int moves = 0, removals = 0;
        io.move = [&](const QString &from, const QString &to) {
            const bool ok = real.move(from, to);
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
        const QStringList sources = args.mid(2);
        const PTProjectMerge::Result r = PTProjectMerge::merge(sources, args.at(1), sources, io);
        step(r.ok ? QStringLiteral("done") : QStringLiteral("failed ") + r.error);
        return r.ok ? 0 : 1;
    }
    std::fprintf(stderr, "usage: see the head of pt_killhelper.cpp\n");
    return 2;
}
