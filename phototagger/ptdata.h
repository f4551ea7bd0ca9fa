#pragma once
// One photo-tagger project in memory: parallel per-tag lists, the project
// file (through PTProjectFile), the photos of the project and the
// photogrammetry exports. No widgets: the exports and the photo copy run on
// worker threads.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "phototagger/ptprojectfile.h"

class PTData : public QObject {
    Q_OBJECT
public:
    // PhotoScan project types; the export dialog stores the name.
    enum ProjectType { Zephrin = 0, Steerwise = 1 };
    Q_ENUM(ProjectType)

    enum LoadStatus { NotLoaded, Loaded, CannotOpen, ForeignOrDamaged, UnknownVersion };

    // Results of the file writers.
    enum WriteResult { Written = 1, Stopped = 0, OpenFailed = -1, WriteFailed = -2 };

    explicit PTData(QObject *parent = nullptr);
    ~PTData() override;

    // The version read (100, 110, 120: tags loaded; another number: a file of
    // an unknown version, no tags), 0 when the file cannot be opened, -1 when
    // it is foreign or damaged (no tags). loadStatus()/errorString() tell more.
    int loadProject(const QString &name);
    LoadStatus loadStatus() const { return m_loadStatus; }
    QString errorString() const { return m_error; }

    // Rewrites the loaded project's file atomically; false (old file kept)
    // when the write failed or the project was not loaded.
    bool updateZPTFile();
    // Takes the photo away from tag i; its files are deleted only after the
    // project file was written.
    bool removeImgDataFromProject(int i);

    // Accessors (i in range)
    int getCount() const { return m_time.size(); }
    double getLatitude(int i) const { return m_latitude.at(i); }
    double getLongitude(int i) const { return m_longitude.at(i); }
    double getRelativeHeight(int i) const { return m_relHeight.at(i); }
    double getAbsoluteHeight(int i) const { return m_absHeight.at(i); }
    double getPitch(int i) const { return m_pitch.at(i); }
    double getRoll(int i) const { return m_roll.at(i); }
    double getYaw(int i) const { return m_yaw.at(i); }
    QDateTime getTime(int i) const { return m_time.at(i); }
    int getTagValue(int i) const { return m_tagValue.at(i); }
    QString getTimeText(int i) const;
    QString getImageName(int i) const;
    QString getHeightText(int i) const;
    QString getPitchText(int i) const;
    QString getRollText(int i) const;
    QString getYawText(int i) const;
    bool isEnabled(int i) const { return m_enabled.at(i); }
    int getImageType() const { return m_imageType; }
    QString getProjectName() const { return m_projectName; }
    QString getProjectPath() const;
    bool absoluteHeight() const { return m_absoluteHeight; }
    double heightOffset() const { return m_heightOffset; }
    // Height that exports and geotags use for tag i.
    double exportHeight(int i) const;
    // Tag i has a photo and is enabled.
    bool isExported(int i) const;

    // Whole tags, for the creation job and the merge.
    PTTag tag(int i) const;
    QVector<PTTag> tags() const;
    void appendTag(const PTTag &tag);
    void setImageType(int type) { m_imageType = type; }

    // Setters and edits; none writes the file.
    void setEnabled(int i, bool on) { m_enabled[i] = on; }
    void swapImages(int i, int j);
    void setImageNames(const QStringList &names) { m_imageNames = names; }
    void clearImageNames();
    void addEmptyImages();
    void clear();
    void setAbsoluteHeight(bool on) { m_absoluteHeight = on; }
    void setHeightOffset(double metres) { m_heightOffset = metres; }

    // Photos (ptdata_images.cpp)
    // Copies the photo into the project folder (never over a file there)
    // with its preview; false with *error ("<file>: <reason>") when a file
    // could not be written, or when the position is out of range or taken.
    bool addImage(const QString &path, int position, QString *error = nullptr);
    // Called before each tag with (i, n); returning false aborts the copy.
    using CopyStep = std::function<bool(int current, int all)>;
    // Copies the exported photos into targetFolder with their geotags
    // written; each appears under its name only when whole. False only when
    // step aborted; failed lists the photos that could not be copied or
    // tagged, reasons the same in the form "<file>: <reason>".
    bool copyFiles(const QString &targetFolder, QStringList *failed = nullptr,
                   const CopyStep &step = CopyStep(), QStringList *reasons = nullptr);

    // Exports (ptdata_exports.cpp); results are WriteResult values. After a
    // failure writeError() says which file and why ("<file>: <reason>").
    int createCSVFile(const QString &path, const QString &separator);
    int createPix4dFile(const QString &path);
    int createOrbitFile(const QString &path);
    int createPhotoScanFile(const QString &path, bool namesOnly, int pitchMode);
    QByteArray createBlocksExchangeFile(const QString &imageFolder) const;
    QString writeError() const { return m_writeError; }

    static double rationalToDouble(const QString &text);
    bool isCancelled() const;

public slots:
    void cancelop();

signals:
    void creatingPhotoScanfile();
    void creatingPix4dfile();
    void creatingOrbitfile();
    void copyFile(int current, int all);
    void progress(int current, int all);

private:
    void clearCancel();
    QString photoPath(const QString &imageName) const;

    QString m_projectName;
    QString m_projectFile;
    LoadStatus m_loadStatus = NotLoaded;
    QString m_error;
    QString m_writeError;

    QList<double> m_latitude;
    QList<double> m_longitude;
    QList<double> m_relHeight;
    QList<double> m_absHeight;
    QList<double> m_pitch;
    QList<double> m_roll;
    QList<double> m_yaw;
    QList<QDateTime> m_time;
    QList<int> m_tagValue;
    QList<bool> m_enabled;
    QStringList m_imageNames;

    mutable QMutex m_mutex;
    bool m_cancel = false;
    bool m_absoluteHeight = false;
    double m_heightOffset = 0.0;
    int m_imageType = PTImageJpeg;
};
