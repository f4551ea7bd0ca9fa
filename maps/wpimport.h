#pragma once
// Waypoint import: Steerwise (versions 1 and 2) and Zephrin CSV files and
// Vardeck project archives, read into rows that the caller adds to the plan.
#include <QDialog>
#include <QList>

class QIODevice;
class QLabel;
class QPushButton;
class WPData;

class WPImport : public QDialog {
    Q_OBJECT
public:
    // One entry per accepted row in each list. speed holds a percentage for
    // Steerwise rows and a velocity in m/s for Zephrin and Vardeck rows.
    struct Rows {
        QList<int> type;
        QList<double> longitude;
        QList<double> latitude;
        QList<double> height;
        QList<double> heading;
        QList<bool> triggerCamera;
        QList<double> cameraPitch;
        QList<int> pictures;
        QList<double> positionAccuracy;
        QList<double> timeAtWaypoint;
        QList<int> speed;
        QList<bool> headingFollows;  // Zephrin and Vardeck rows only
        QList<bool> speedIsVelocity;
        int size() const { return longitude.size(); }
        void clear() { *this = Rows(); }
    };

    WPImport(WPData *plan, QWidget *parent = nullptr);

    Rows rows;
    int totalCount = 0;
    int invalidCount = 0;
    int inMapCount = 0;

    // What row i gives the plan: a maximum speed in percent (10..100) and a
    // velocity in m/s (0.5..10); the value the file kind does not carry comes
    // from the defaults for new waypoints.
    int maxSpeedOf(int i) const;
    float velocityOf(int i) const;
    bool headingFollowsOf(int i) const;

    // Readers; the device is positioned after the header line.
    void importSteerwiseV1(QIODevice *file);
    void importSteerwiseV2(QIODevice *file);
    void importZephrin(QIODevice *file);
    bool importVardeckProject(const QString &path);

    // Reads a file as "Select file..." does, without asking for it; the
    // return value is the "File valid:" text.
    QString readFile(const QString &path);

    QPushButton *importButton() const { return m_import; }
    QLabel *validLabel() const { return m_valid; }

public slots:
    void openFile();
    void saveTemplate(int format);
    void butimportclicked();

private:
    void resetRows();
    void showCounts(bool valid);
    void addRow(int type, double lon, double lat, double height, double heading, bool trigger,
                double pitch, int pictures, double posAcc, double time, int speed,
                bool speedIsVelocity, bool follows, bool hasFollows);
    QStringList nextFields(QIODevice *file);

    WPData *m_plan;
    QLabel *m_fileName;
    QLabel *m_valid;
    QLabel *m_count;
    QLabel *m_countValid;
    QLabel *m_countInMap;
    QPushButton *m_import;
};
