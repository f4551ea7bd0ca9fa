#pragma once
// Worker of the export dialog: runs one file writer of PTData, or the photo
// copy, per start. The mode says what the next run does.
#include <QString>
#include <QStringList>
#include <QThread>

class PTData;

class PTExportThread : public QThread {
    Q_OBJECT
public:
    enum Mode { Pause = 0, Csv = 1, PhotoScan = 2, Pix4d = 3, CopyImages = 10 };
    PTExportThread(PTData *data, QObject *parent = nullptr);
    ~PTExportThread() override;

    void setParameters(const QString &fileName, const QString &separator, bool copyImages,
                       int projectType);
    void createCSVFile();
    void createPhotoScanFile();
    void createPix4dFile();
    void copyImages();

    int mode() const { return m_mode; }
    int result() const { return m_result; }
    // Photos the last copy could not copy or tag, and why ("<file>: <reason>").
    QStringList failedCopies() const { return m_failed; }
    QStringList failureReasons() const { return m_reasons; }
    // Which file the last writer could not write and why.
    QString writeError() const { return m_writeError; }

signals:
    void copyFile(int current, int all);
    void progress(int current, int all);

protected:
    void run() override;

private:
    void startMode(int mode);
    PTData *m_data;
    int m_mode = Pause;
    QString m_fileName;
    QString m_separator;
    bool m_copyImages = false;
    int m_projectType = 0;
    int m_result = 0;
    QStringList m_failed;
    QStringList m_reasons;
    QString m_writeError;
};
