#include "maps/items/editorsettings.h"

#include "core/camera.h"
#include "core/data.h"

namespace EditorSettings {

bool effects() { return Data::instance()->flightplanEffects() != 0; }

bool highres() { return Data::instance()->flightplanHighres() != 0; }

QPointF currentFieldOfView() { return Data::instance()->currentCamera().fieldOfView(); }

bool fieldOfView(const QString &cameraName, QPointF *fov)
{
    bool found = false;
    const Camera camera = Data::instance()->camera(cameraName, &found);
    if (found)
        *fov = camera.fieldOfView();
    return found;
}

Data *cameraNotifier() { return Data::instance(); }

}  // namespace EditorSettings
