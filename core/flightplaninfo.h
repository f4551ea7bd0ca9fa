#pragma once
// Summary of one flight-plan file of the workspace, read from its head.
#include <QDateTime>
#include <QString>

struct FlightPlanInfo {
    QString name;       // file name up to its first dot
    double longitude = 0.0;  // first waypoint, degrees
    double latitude = 0.0;
    QString location;   // stored map naming that point, or "Unknown"
    int waypointCount = 0;
    QDateTime lastModified;

    bool isEmpty() const { return name.isEmpty() && !lastModified.isValid(); }
};
