#pragma once
// The drawn flight path of the editor canvas: one path item per segment
// between consecutive waypoints, rounded into the turns between grid rows,
// red and blinking where the camera cannot keep up. Segment k runs from
// waypoint k+1 to waypoint k+2. The shapes and the bookkeeping live in the
// geometry library; this class keeps the items in step with them.
#include <QList>
#include <QObject>
#include <QVariant>
#include <QVariantAnimation>

#include "planner/geometry/flightestimate.h"
#include "planner/geometry/pathsegments.h"

class QGraphicsPathItem;
class QGraphicsScene;
class WPData;

class WPEditorPaths : public QObject {
    Q_OBJECT
public:
    explicit WPEditorPaths(WPData *plan, QObject *parent = nullptr);
    ~WPEditorPaths() override;

    // Items go into this scene (those made before too). A scene deletes its
    // items when it goes; the segments then forget theirs. Without a scene
    // the caller places the item insertPath returns and takes it out of its
    // scene before that scene goes.
    void setScene(QGraphicsScene *scene);

    int count() const { return m_book.count(); }
    int kind(int k) const { return m_book.kind(k); }
    bool isTooFast(int k) const { return m_book.tooFast(k); }
    PathSegments::Pen pen(int k) const { return m_book.pen(k); }
    QGraphicsPathItem *item(int k) const { return m_items.value(k); }
    // All items, the hidden ones for reuse behind the active ones.
    int itemCount() const { return m_items.size(); }

    // The segment into the newest waypoint.
    QGraphicsPathItem *appendPath(int kind);
    QGraphicsPathItem *insertPath(int from, int to, int kind);
    void removePath(int k);
    void removeFirstPath();
    void removeLastPath();
    // After the plan removed waypoint n: drops its segment and joins its
    // neighbours with the other one, kinds and flags moving with their
    // segments.
    void removeWaypoint(int n);
    void clear();

    void setScale(double s);
    void updateAround(int n);
    void updatePair(int a, int b);
    void updatePath(int k);
    // Length in scene pixels of the segment from waypoint n to n+1.
    double pathLength(int n) const;
    void setSegmentType(int n, int type);
    // Flight time of waypoints start to stop from the plan's types, speeds
    // and accelerations and the drawn legs (the leg into waypoint n is
    // pathLength(n - 1)).
    FlightEstimate::Result estimate(int start, int stop) const;
    void checkSegment(int k);
    void checkAllSegments();

public slots:
    void checkLengthPath(int n);
    void animatePath(const QVariant &value);

private:
    void applyPen(int k);
    void redraw(const QVector<int> &segments);
    PathSegments::Point point(int n) const;

    WPData *m_plan;
    QGraphicsScene *m_scene = nullptr;
    QList<QGraphicsPathItem *> m_items;
    PathSegments::Bookkeeping m_book;
    QVariantAnimation m_blink;
    double m_scale = 1.0;
};
