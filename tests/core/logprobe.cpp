// Child program for the run-log tests: logs through a DebugLog and then
// exits normally or by a fatal message.
#include <QCoreApplication>
#include <QDebug>

#include "core/debuglog.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray mode = argv[1];
    DebugLog log(QString::fromLocal8Bit(argv[2]));
    // Before a fatal end the writer is kept busy, so the fatal line would be
    // lost if it were only queued.
    const int lines = mode == "fatal" ? 20000 : 50;
    for (int i = 0; i < lines; ++i)
        qDebug() << "line" << i;
    qWarning() << "careful" << QStringLiteral("text");
    qInfo() << "info is not logged";
    if (mode == "fatal")
        qFatal("fatal end %d", 7);
    return 0;
}
