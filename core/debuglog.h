#pragma once
// The per-run log: every debug, warning, critical and fatal message is echoed
// to standard error and appended, on a thread of its own, to one log file.
#include <QFile>
#include <QObject>
#include <QString>
#include <QTextStream>
#include <QtGlobal>

class QThread;

class LogWriter : public QObject
{
    Q_OBJECT
public:
    // Opens path for writing. When a file of that name exists already (two
    // starts in the same second) the next free "<name>_<n>.log" is used, so
    // an earlier run's log is never replaced.
    explicit LogWriter(const QString &path, QObject *parent = nullptr);
    ~LogWriter() override;

    QString fileName() const { return m_file.fileName(); }
    bool isOpen() const { return m_file.isOpen(); }

    static QString freePath(const QString &path);

public slots:
    void write(const QString &line);

private:
    QFile m_file;
    QTextStream m_stream;
};

class DebugLog : public QObject
{
    Q_OBJECT
public:
    explicit DebugLog(const QString &path, QObject *parent = nullptr);
    ~DebugLog() override;  // writes what is queued, stops the thread, closes the file

    QString fileName() const { return m_fileName; }

private:
    QString m_fileName;
    QThread *m_thread = nullptr;
    LogWriter *m_writer = nullptr;
};

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
