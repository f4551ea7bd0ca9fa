#pragma once
// View navigation of the map canvas: zoom about the cursor (wheel), the
// pinch gesture, the fit to the window, right-drag and arrow-key pan, and
// the map position under the cursor for the status line. It owns the view
// scale and tells the other parts when it changes.
#include <QObject>
#include <QPoint>
#include <QPointF>

class QGestureEvent;
class QGraphicsView;
class QMouseEvent;
class QRectF;
class WPData;

class CanvasNavigation : public QObject {
    Q_OBJECT
public:
    CanvasNavigation(QGraphicsView *view, WPData *plan);

    double scale() const { return m_scale; }
    double minimumScale() const { return m_minScale; }
    // Where the cursor was last seen inside the view, in scene pixels.
    QPointF lastMouseScene() const { return m_lastMouseScene; }
    // A right-button drag pans the view.
    bool panning() const { return m_dragging; }

    // Multiplies the view scale by factor, never below the fit.
    void scaleView(double factor);
    void wheel(int angleDeltaY);
    void pinch(QGestureEvent *e);
    // After a resize: the fit scale, the whole map in the middle.
    void fit(const QRectF &map);

    void press(const QMouseEvent *e);
    // True once a press has moved more than 20 pixels (each move beyond
    // them for the left button, once for the right, which starts a pan).
    bool beyondDragThreshold(const QPoint &pos);
    // Pans along a right-button drag; false when none runs.
    bool pan(const QPoint &pos);
    void release();
    // Arrow keys pan by 30 pixels; false for any other key.
    bool panKey(int key);

    void setMouseInside(bool inside);
    // Notes the cursor's scene position and shows its map position.
    void track(const QPointF &scenePos);

signals:
    void scaleChanged(double scale);

private:
    void computeMinimumScale();
    void sendStatusTip(const QString &text);

    QGraphicsView *m_view;
    WPData *m_plan;
    double m_scale = 1.0;
    double m_minScale = 1.0;
    int m_pressButton = 0;  // 1 left, 2 right
    QPoint m_pressPos;
    bool m_dragging = false;
    bool m_mouseInside = false;
    QPointF m_lastMouseScene;
};
