#pragma once
// The waypoint import dialog: picks a file, reads it with WaypointImport and
// shows the counts; the caller adds the rows to the plan once it is accepted.
#include <QDialog>

#include "maps/waypointimport.h"

class QLabel;
class QPushButton;
class WPData;

class WPImport : public QDialog, public WaypointImport {
    Q_OBJECT
public:
    WPImport(WPData *plan, QWidget *parent = nullptr);

    // What row i gives the plan: a maximum speed in percent (10..100), a
    // velocity in m/s (0.5..10) and whether its heading follows the flight
    // direction; the value the file kind does not carry comes from the
    // defaults for new waypoints.
    int maxSpeedOf(int i) const { return rows.value(i).maxSpeed; }
    float velocityOf(int i) const { return rows.value(i).v3Speed; }
    bool headingFollowsOf(int i) const { return rows.value(i).headingFollows(); }

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
    void showCounts(bool valid);

    QLabel *m_fileName;
    QLabel *m_valid;
    QLabel *m_count;
    QLabel *m_countValid;
    QLabel *m_countInMap;
    QPushButton *m_import;
};
