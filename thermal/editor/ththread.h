#pragma once
// The worker of the two long thermal jobs: creating a project from
// recordings (mode 1) and exporting a project's images with an HTML report
// (mode 2). It reports through queued signals; the owner waits for
// finished() and then reads the result.
#include <QMutex>
#include <QStringList>
#include <QThread>

class THData;

class THThread : public QThread
{
    Q_OBJECT
public:
    explicit THThread(THData *project, QObject *parent = nullptr);
    ~THThread() override;

    void addFile(const QString &path);
    // False when a project folder of that name exists already.
    bool setProjectName(const QString &name);
    // False, and nothing started, without files.
    bool createFlirProject();
    void createReportWithHTML(const QString &folder, int format, bool onlyImageData, bool pinTable,
                              bool imageNameAsTitle);
    void exportOnlyImages(const QString &folder, int format, bool onlyImageData);

    bool crFlirProject();
    bool crExportProject();

    // Results, read after finished().
    bool success = false;
    QString errorString;         // why the job failed
    QStringList skippedImages;   // export: copies that could not be read
    QStringList failedFiles;     // export: files or tags not written, as "<file>: <reason>"
    QStringList writtenFiles;    // export: the files written, in image order

    QString projectName;
    QString exportTarget;
    int imageFormat = 0;
    bool onlyImages = false;
    bool onlyImageData = false;
    bool pinTable = false;
    bool imageNameAsTitle = false;
    int mode = 0;
    int threads = 0;             // creation: files side by side, 0 all cores, 1 one at a time
    QStringList files;
    QStringList secondFileNames;

signals:
    void copyFile(int nr, int all);
    void flirProject();
    void cleanup();
    void createReportSignal();
    void createFile(int nr, int all);

public slots:
    void canceled();

protected:
    void run() override;

private:
    bool isCancelRequested();
    bool fail(const QString &error);

    bool m_cancelRequested = false;
    QMutex m_mutex;
    THData *m_project;
};
