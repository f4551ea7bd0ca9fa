#ifndef FBCONVERTERTHREAD_H
#define FBCONVERTERTHREAD_H

#include "harleklog/harleklog.h"

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

// Writes the CSV log book: one row per aircraft log folder.
class FBConverterThread : public QThread
{
    Q_OBJECT
public:
    FBConverterThread(QString csvFile, QStringList logFolders, QObject* parent = nullptr);
    ~FBConverterThread() override;

    // Last 16-bit value of a message-log variable (type code 3 signed, 4
    // unsigned). Throw LogException on a type mismatch, a message without
    // records or a variable beyond its record.
    static int lastInt16Value(const zephrinLog::ZephrinLog& log, const std::string& message, const std::string& variable);
    static unsigned lastUInt16Value(const zephrinLog::ZephrinLog& log, const std::string& message,
                                    const std::string& variable);
    // The line of one log without its line feed; empty when the log is left
    // out (no air time, or no GPS time).
    static QByteArray logLine(const HarlekLog& log, const QString& folder);
    static QByteArray headerLine();

signals:
    void processing(int, int);
    void createCSV();
    void error(QString);

public slots:
    void cancelIt();

protected:
    void run() override;

private:
    bool cancelled();

    QString m_csvFile;
    QStringList m_logFolders;
    QMutex m_mutex;
    bool m_cancel = false;
};

#endif
