// Writes an SD-card folder of demonstration aircraft logs.

#include "harleklog/harlekdemo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3 || args.at(1).startsWith('-')) {
        std::fprintf(stderr,
                     "usage: korvel-demo-logs <folder> [first start, yyyy-MM-ddThh:mm UTC]\n"
                     "Writes demo Korvel Harlek log folders into <folder>.\n");
        return 2;
    }
    QDateTime start = QDateTime(QDate(2026, 6, 12), QTime(9, 30), Qt::UTC);
    if (args.size() == 3) {
        start = QDateTime::fromString(args.at(2), QStringLiteral("yyyy-MM-ddThh:mm"));
        start.setTimeSpec(Qt::UTC);
        if (!start.isValid()) {
            std::fprintf(stderr, "korvel-demo-logs: invalid start time \"%s\"\n", qPrintable(args.at(2)));
            return 2;
        }
    }
    const QString root = QDir(args.at(1)).absolutePath();
    std::string error;
    const auto names = harleklog::writeDemoCard(root.toStdString(), start.toMSecsSinceEpoch(), &error);
    if (names.empty()) {
        std::fprintf(stderr, "korvel-demo-logs: %s\n", error.c_str());
        return 1;
    }
    for (const auto& n : names)
        std::printf("%s/%s\n", qPrintable(root), n.c_str());
    return 0;
}
