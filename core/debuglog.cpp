#include "core/debuglog.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "core/prompt/prompt.h"

namespace {
// The writer the handler hands lines to; null before the log exists and
// after it is gone. The mutex keeps a hand-over from racing the shut-down.
QMutex s_writerMutex;
LogWriter *s_writer = nullptr;
QtMessageHandler s_previousHandler = nullptr;
}  // namespace

LogWriter::LogWriter(const QString &path, QObject *parent) : QObject(parent)
{
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        Prompt::message(nullptr, QString(), QString(),
                        QStringLiteral("Creating dir failed!\n") + folder.absolutePath());

    // NewOnly: never replace the log of an earlier run started in the same second.
    QString candidate = path;
    const QString stem = path.endsWith(QLatin1String(".log")) ? path.left(path.size() - 4) : path;
    for (int n = 1;; ++n) {
        m_file.setFileName(candidate);
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!QFileInfo::exists(candidate) || n > 999) {
            m_file.setFileName(path);
            Prompt::message(nullptr, QString(), QString(),
                            QStringLiteral("Could not open log file!\n")
                                + QFileInfo(path).absoluteFilePath());
            break;
        }
        candidate = QStringLiteral("%1_%2.log").arg(stem).arg(n);
    }
    m_stream.setDevice(&m_file);
}

LogWriter::~LogWriter()
{
    m_stream.flush();
    m_file.close();
}

void LogWriter::write(const QString &line)
{
    // A failed write would warn, and the warning would come back here.
    if (!m_file.isOpen())
        return;
    m_stream << line << "\n";
    m_stream.flush();
}

DebugLog::DebugLog(const QString &path, QObject *parent) : QObject(parent)
{
    m_writer = new LogWriter(path);
    m_fileName = m_writer->fileName();
    {
        QMutexLocker lock(&s_writerMutex);
        s_writer = m_writer;
    }
    m_thread = new QThread();
    m_writer->moveToThread(m_thread);
    m_thread->start();
    qSetMessagePattern(QStringLiteral(
        "%{time h:mm:ss.zzz} [%{type}] %{if-category}%{category}%{endif}: %{message}"));
    const QtMessageHandler previous = qInstallMessageHandler(messageHandler);
    if (previous != messageHandler)
        s_previousHandler = previous;
}

DebugLog::~DebugLog()
{
    {
        QMutexLocker lock(&s_writerMutex);
        s_writer = nullptr;  // from here on nothing reaches the writer
    }
    // Later messages (last steps of shut-down) go to the console only.
    qInstallMessageHandler(s_previousHandler);
    // Quit behind the lines already queued, so they all reach the file.
    QThread *thread = m_thread;
    QMetaObject::invokeMethod(m_writer, [thread] { thread->quit(); }, Qt::QueuedConnection);
    if (!m_thread->wait(200) && !m_thread->wait(5000)) {
        // A thread still running must not be destroyed: leave it and its writer.
        fprintf(stderr, "run log: logging thread did not stop\n");
        fflush(stderr);
        return;
    }
    delete m_thread;
    delete m_writer;
}

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(context)
    const char *prefix = nullptr;
    switch (type) {
    case QtDebugMsg: prefix = "[debug] "; break;
    case QtWarningMsg: prefix = "[warning] "; break;
    case QtCriticalMsg: prefix = "[critical] "; break;
    case QtFatalMsg: prefix = "[fatal] "; break;
    default: return;  // info messages are not logged
    }
    const QString line = QLatin1String(prefix) + message;

    // The handler is running, so this nested message goes straight to stderr.
    qDebug() << line;
    fflush(stderr);

    if (type != QtFatalMsg) {
        QMutexLocker lock(&s_writerMutex);
        if (s_writer)
            QMetaObject::invokeMethod(s_writer, "write", Qt::QueuedConnection,
                                      Q_ARG(QString, line));
    } else {
        // The process ends next: the line must be in the file first, behind
        // every line queued before it. The lock is let go before waiting, so
        // a message issued on the logging thread meanwhile cannot deadlock.
        s_writerMutex.lock();
        LogWriter *writer = s_writer;
        QThread *owner = writer ? writer->thread() : nullptr;
        if (writer && (owner == QThread::currentThread() || !owner || !owner->isRunning())) {
            writer->write(line);
            writer = nullptr;
        }
        s_writerMutex.unlock();
        if (writer)
            QMetaObject::invokeMethod(writer, "write", Qt::BlockingQueuedConnection,
                                      Q_ARG(QString, line));
    }
    if (type == QtFatalMsg)
        abort();
}
