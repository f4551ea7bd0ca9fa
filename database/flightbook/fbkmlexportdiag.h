#ifndef FBKMLEXPORTDIAG_H
#define FBKMLEXPORTDIAG_H

#include <QObject>
#include <QString>
#include <QVector>

class QDialog;
class QLineEdit;
class QPushButton;

// Exports aircraft logs as KML 2.1 files with photo placemarks and the flight
// path coloured by flight mode. Each constructor shows its dialog modally and
// returns when it has closed.
class FBKMLExportDiag : public QObject
{
    Q_OBJECT
public:
    explicit FBKMLExportDiag(const QString& logPath);
    explicit FBKMLExportDiag(const QVector<QString>& logPaths);
    ~FBKMLExportDiag() override;

    // Reads the log and writes it as a KML file; false with *error set when
    // the log cannot be read or the file cannot be written completely.
    static bool createKMLFile(const QString& logPath, const QString& fileName, QString* error = nullptr);

private slots:
    void browseFile();
    void browseFolder();
    void exportLog();
    void exportLogs();

private:
    void build(bool severalLogs);

    QString m_logPath;
    QVector<QString> m_logPaths;
    QDialog* m_dialog = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_export = nullptr;
};

#endif
