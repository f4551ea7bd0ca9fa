#pragma once
// Worker that adds a batch of photos to a project (PTData::addImage).
// Mode 0 is a short idle run that lets the dialog appear first; mode 1 adds.
// requestInterruption() stops it between two files.
#include <QStringList>
#include <QThread>

class PTData;

class PTAddThread : public QThread {
    Q_OBJECT
public:
    enum Mode { Idle = 0, Adding = 1 };
    PTAddThread(PTData *data, QObject *parent = nullptr);
    void setFiles(const QStringList &files, int position);
    int mode() const { return m_mode; }
    void setMode(int mode) { m_mode = mode; }
    // Photos whose files could not be written, as "<file>: <reason>".
    QStringList errors() const { return m_errors; }

signals:
    void files(int current, int all);

protected:
    void run() override;

private:
    PTData *m_data;
    int m_mode = Idle;
    int m_position = 0;
    QStringList m_files;
    QStringList m_errors;
};
