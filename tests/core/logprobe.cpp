// Child program for the run-log tests: logs through a DebugLog and then
// exits normally or by a fatal message.
#include <QCoreApplication>
#include <QDebug>

#include "debuglog.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray mode = argv[1];
    DebugLog log(QString::fromLocal8Bit(argv[2]));
    for (int i = 0; i < 50; ++i)
        qDebug() << "line" << i;
    qWarning() << "careful" << QStringLiteral("text");
    qInfo() << "info is not logged";
    if (mode == "fatal")
        qFatal("fatal end %d", 7);
    return 0;
}
