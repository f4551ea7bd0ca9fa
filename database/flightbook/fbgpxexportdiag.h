#ifndef FBGPXEXPORTDIAG_H
#define FBGPXEXPORTDIAG_H

#include "database/flightbook/logexport.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <string>

class QCheckBox;
class QDialog;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Exports aircraft logs as GPX 1.1 files. Each constructor shows its dialog
// modally and returns when it has closed: one log into a chosen file, or
// several logs into a folder, one numbered file each.
class FBGPXExportDiag : public QObject
{
    Q_OBJECT
public:
    explicit FBGPXExportDiag(const QString& logPath);
    explicit FBGPXExportDiag(const QVector<QString>& logPaths);
    ~FBGPXExportDiag() override;

    // Writes the record as a GPX file; false with *error set when the file
    // could not be written completely (an older file is then left as it was).
    static bool createGPXFile(const LogExport::GPXExportRecord& record, const std::string& fileName,
                              QString* error = nullptr);

private slots:
    void browseFile();
    void browseFolder();
    void exportLog();
    void exportLogs();

private:
    void build(bool severalLogs);
    bool fillRecord(const QString& logPath, LogExport::GPXExportRecord& record, QString* error) const;

    QString m_logPath;
    QVector<QString> m_logPaths;
    QDialog* m_dialog = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_export = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    QCheckBox* m_tags = nullptr;
    QCheckBox* m_flightPath = nullptr;
    QSpinBox* m_step = nullptr;
};

#endif
