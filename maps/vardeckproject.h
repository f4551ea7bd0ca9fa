#pragma once
// Vardeck project archives (.znp): a ZIP with "project.json" (the plan as
// tasks) and "map.jpg" (the plan's map image).
#include <QJsonDocument>
#include <QString>

class QWidget;
class WPData;

// The project document of the plan.
QJsonDocument projectArchiveJson(WPData &plan);

// Writes the archive. Nothing is left at path when this fails (an existing
// archive there stays as it was); *error says why.
bool writeProjectArchive(WPData &plan, const QString &path, QString *error = nullptr);

// The File menu command: asks for the target and reports the outcome.
void exportProjectArchive(WPData *plan, QWidget *parent = nullptr);
