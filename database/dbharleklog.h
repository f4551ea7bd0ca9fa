#pragma once
// The database page of one aircraft log folder: what the log reader says
// about it, and rename, delete, photo tagging and the exports.
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

class DBHarlekLog : public QWidget
{
    Q_OBJECT
public:
    explicit DBHarlekLog(QWidget *parent = nullptr);

    void setLog(const QString &name);
    QString logPath() const { return m_path; }
    // Seconds as "hh:mm:ss", hours as wide as they need.
    static QString flightTimeText(double seconds);

    // name, date, type, location, longitude, latitude, tags, flight time
    QLabel *value(int i) const { return m_values[i]; }
    QPushButton *renameButton() const { return m_rename; }
    QPushButton *deleteButton() const { return m_delete; }
    QToolButton *tagButton() const { return m_tag; }
    QToolButton *kmlButton() const { return m_kml; }
    QToolButton *zpxButton() const { return m_zpx; }
    QToolButton *gpxButton() const { return m_gpx; }

signals:
    void logDeleted(const QString &name);
    void logRenamed(const QString &oldname, const QString &newname);
    void createPTproject(const QString &name);
    void updateDB();

private slots:
    void deleteClicked();
    void renameClicked();
    void tagPhotos();
    void exportKML();
    void export2ZPX();

private:
    static QString folderOf(const QString &name);

    QLabel *m_values[8];
    QPushButton *m_rename;
    QPushButton *m_delete;
    QToolButton *m_tag;
    QToolButton *m_kml;
    QToolButton *m_zpx;
    QToolButton *m_gpx;
    QString m_path;
};
