#pragma once
// The few program settings the editor items follow, read from Data in one
// place so the items stay free of the settings details.
#include <QPointF>
#include <QString>

class Data;

namespace EditorSettings {

// "Flightplan Effects": colour and opacity changes are animated.
bool effects();
// "Flightplan Highres": waypoint numbers come from the digit images.
bool highres();
// Field of view (horizontal, vertical) in degrees of the current camera.
QPointF currentFieldOfView();
// Field of view of the named camera; false when no such camera exists.
bool fieldOfView(const QString &cameraName, QPointF *fov);
// The object that emits currentCameraChanged(QString).
Data *cameraNotifier();

}  // namespace EditorSettings
