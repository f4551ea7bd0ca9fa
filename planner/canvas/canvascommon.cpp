#include "planner/canvas/canvascommon.h"

#include <QVector>

#include "core/geo.h"
#include "maps/wpdata.h"
#include "planner/geometry/surveygrid.h"

namespace CanvasCommon {

double distanceMetres(const QPointF &a, const QPointF &b)
{
    return GeoMath::haversineMetres(GeoPoint::lonLat(a.x(), a.y()), GeoPoint::lonLat(b.x(), b.y()));
}

double areaSquareMetres(const WPData *plan, const QPolygonF &p)
{
    const auto toGeo = [plan](const QPointF &q) { return plan->pixelToGeo(q.x(), q.y()); };
    const QVector<QPointF> corners(p.begin(), p.end());
    return corners.size() == 4 ? SurveyGrid::quadrilateralArea(corners, toGeo, distanceMetres)
                               : SurveyGrid::polygonArea(corners, toGeo, distanceMetres);
}

}  // namespace CanvasCommon
