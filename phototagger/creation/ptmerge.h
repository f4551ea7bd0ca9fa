#pragma once
// Worker of the photo-tagger creation job: one step per start, chosen by
// the mode its starter sets; the dialog reads the result after finished().
#include "phototagger/creation/ptmatching.h"
#include "phototagger/creation/ptsteps.h"

#include <QMutex>
#include <QStringList>
#include <QThread>

class PTMerge : public QThread
{
    Q_OBJECT
public:
    enum Mode {
        Wait = 0, ReadLog = 1, ReadImages = 2, Sort = 3, Configure = 4, Fast = 5, Deep0 = 6,
        Deep1 = 7, Deep2 = 8, Deep3 = 9, Copy = 10, Thumbs = 11, CreateProject = 12, ReadProject = 13
    };

    explicit PTMerge(QObject *parent = nullptr);
    ~PTMerge() override;

    // Starters: store the arguments, set the mode, start the thread.
    void setImageType(int imageType);
    void readLogData(const QString &logName);
    void readImageData(const QString &photoFolder, int imageType);
    void sortData();
    void configDetection();
    void fastDetection();
    void deepDetection();
    void mergeMoreImages(int missing);
    void copyImages(int job);
    void createThumbs();
    void createProject();
    void readLogDataFromZTE(const QString &projectName);

    int mode() const { return m_mode; }
    int result() const { return m_result; }
    // Which file the last step could not write and why ("<file>: <reason>").
    QString errorString() const { return m_error; }
    bool isCanceled() const;
    // Whether the copy step began to change the project folder.
    bool filesChanged() const { return m_filesChanged; }
    QStringList matchedNames() const { return m_names; }
    QString projectFolder() const;

    const PTTriggerTable &triggers() const { return m_triggers; }
    const PTPhotoTable &photos() const { return m_photos; }
    const PTMatching &matching() const { return m_matching; }

public slots:
    void canceled();

signals:
    void imgData(int current, int total);
    void configDet(int current, int total);
    void detFast(int current, int total);
    void detDeep0(int current, int total);
    void detDeep1(int current, int total);
    void detDeep2(int current, int total);
    void detDeep3(int current, int total);
    void copyFiles(int current, int total);
    void thumb(int current, int total);

protected:
    void run() override;

private:
    void begin(int mode);

    int m_mode = Wait;
    mutable QMutex m_mutex;
    char m_cancel = 0;
    int m_result = 0;
    QString m_error;
    QString m_name;
    QString m_photoFolder;
    int m_imageType = 0;
    int m_copyJob = 1;
    bool m_filesChanged = false;
    PTTriggerTable m_triggers;
    PTPhotoTable m_photos;
    PTMatching m_matching;
    QStringList m_names;
};
