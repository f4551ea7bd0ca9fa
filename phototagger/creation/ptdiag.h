#pragma once
// The modal "Processing..." dialog of the photo-tagger creation job: steps
// its worker through reading, matching, copying and writing, one row per
// step.
#include <QDialog>
#include <QStringList>

class PTMerge;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

class PTDiag : public QDialog
{
    Q_OBJECT
public:
    explicit PTDiag(QWidget *parent = nullptr);
    ~PTDiag() override;

    // Job 1: a new project from a log and a photo folder.
    void setNewProjectData(const QString &logName, const QString &photoFolder, int imageType);
    // Job 3: a new project from the log alone.
    void setOnlyZTEFile(const QString &logName, int imageType);
    // Job 2: photos of a folder fitted to an existing project.
    void setMergeOldProject(const QString &projectName, const QString &photoFolder, int imageType);

    QStringList getImageOldProjectResult() const;
    // Job 2: whether the project folder was changed (the copy had begun).
    bool filesChanged() const;
    int job() const { return m_job; }
    PTMerge *worker() const { return m_worker; }

    // The rows of the dialog, for the state of each step.
    enum Row {
        ReadLog, ReadExif, SortData, Configure, Fast, Deep0, Deep1, Deep2, Deep3, CreateFile, CopyImages,
        CreateThumbs, RowCount
    };
    // Shown state text of a row ("-", Finished, ...); empty while busy.
    QString rowState(Row row) const;
    bool rowBusy(Row row) const;
    QString totalTags() const;
    QString totalImages() const;

public slots:
    void threadFinished();
    void cancelClicked();
    void imgDataReadExif(int current, int total);
    void detFast(int current, int total);
    void detDeep0(int current, int total);
    void detDeep1(int current, int total);
    void detDeep2(int current, int total);
    void detDeep3(int current, int total);
    void copyFiles(int current, int total);
    void createThumbs(int current, int total);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct RowWidgets {
        QStackedWidget *stack = nullptr;
        QLabel *state = nullptr;
        QProgressBar *bar = nullptr;
    };
    void setBusy(Row row);
    void setDone(Row row, const QString &text);
    void setProgress(Row row, int current, int total);
    void errorReport(const QString &text);
    bool askCreateAnyway(const QString &text, const QString &title);
    void writeWithoutPhotos();
    void finishDetection(Row succeeded);

    PTMerge *m_worker = nullptr;
    int m_job = 0;
    QString m_logName;
    QString m_projectName;
    QString m_photoFolder;
    int m_imageType = 0;
    bool m_ending = false;
    RowWidgets m_rows[RowCount];
    QLabel *m_totalTags = nullptr;
    QLabel *m_totalImages = nullptr;
    QPushButton *m_cancel = nullptr;
};
