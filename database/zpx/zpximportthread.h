#pragma once
// Unpacks an exchange archive into the workspace on a thread of its own and
// says, item by item, what was imported, what was there already and what
// failed. A new log or project appears with all its files or not at all.
// Nothing that exists is ever overwritten, except a file that proves to be a
// cut-off copy of its entry (left by an import that was cut short).
#include <QString>
#include <QStringList>
#include <QThread>

#include "database/zpx/zpxformat.h"

class ZPXImportThread : public QThread
{
    Q_OBJECT
public:
    enum Mode { Pause = 0, Import = 1 };

    explicit ZPXImportThread(QObject *parent = nullptr);  // folders from Data
    explicit ZPXImportThread(const ZPX::Places &places, QObject *parent = nullptr);
    ~ZPXImportThread() override;

    void setPlaces(const ZPX::Places &places) { m_places = places; }
    void setFilename(const QString &path) { m_path = path; }
    void startPause();
    void startImporting();
    int mode() const { return m_mode; }

    // The import step. Lines: "Amout of data N", then "status*kind*name"
    // with status 0 imported, 1 already there, 2 refused or failed; a refused
    // file gives the single line "No valid zpx file" or "Cannot unpack file".
    QStringList importZPXFile();
    QStringList importResult() const { return m_result; }
    // False when the file was refused as a whole.
    bool accepted() const { return m_accepted; }
    // Files that could not be written: "<file>: <reason>".
    QStringList failures() const { return m_failures; }

signals:
    void importing(const QString &type, int index, int count);

protected:
    void run() override;

private:
    class Run;

    ZPX::Places m_places;
    QString m_path;
    QStringList m_result;
    QStringList m_failures;
    int m_mode = Pause;
    bool m_accepted = false;
};
