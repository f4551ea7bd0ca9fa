// The map canvas under a large plan: dragging 1,000 selected waypoints of a
// 10,000-waypoint plan of survey runs with camera footprints. The time per
// move step should follow the selection, not the plan.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "benchapp.h"
#include "benchmap.h"
#include <memory>

#include "core/data.h"
#include "core/mapdescription.h"
#include "maps/wpdata.h"
#include "planner/wpeditor.h"

namespace {

QTemporaryDir *workDir = nullptr;
QString mapPath;

void makeMap() { mapPath = writeBenchMap(workDir->path()); }

struct Canvas {
    std::unique_ptr<WPData> plan;
    std::unique_ptr<WPEditor> editor;
};

// A plan of runs of 20 (type 1, closed by 11) looking straight down, with
// the first `selected` waypoints selected as a Shift-click does.
Canvas makeCanvas(int count, int selected)
{
    Canvas c;
    c.plan = std::make_unique<WPData>();
    c.plan->loadMapImage(mapPath);
    c.editor = std::make_unique<WPEditor>(c.plan.get());
    c.editor->resize(1200, 900);
    for (int i = 0; i < count; ++i) {
        const double x = 10 + (i % 400) * 9.9, y = 10 + (i / 400) % 300 * 9.9;
        const QPointF g = c.plan->pixelToGeo(x, y);
        const int type = i % 20 == 19 ? 11 : 1;
        Waypoint wp = benchWaypoint(type);
        wp.longitude = g.x();
        wp.latitude = g.y();
        wp.setYawDegrees(i % 360);
        wp.setTimeSeconds(1);
        c.editor->addWaypoint(wp);
    }
    c.editor->itemSelected(1);
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(c.editor.get(), &shiftDown);
    c.editor->itemSelected(selected);
    QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(c.editor.get(), &shiftUp);
    return c;
}

void BM_DragSelection(benchmark::State &state)
{
    const int count = int(state.range(0));
    const int selected = int(state.range(1));
    Canvas c = makeCanvas(count, selected);
    if (c.editor->selection().size() != selected) {
        state.SkipWithError("selection not made");
        return;
    }
    const QPointF start = c.plan->waypointPos(1);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by a pixel, as a slow drag moves.
        const double dx = (step++ % 2) ? -1.0 : 1.0;
        const QPointF p = c.plan->waypointPos(1);
        c.editor->waypointMoved(1, p.x() + dx, p.y());
    }
    benchmark::DoNotOptimize(start);
    state.SetItemsProcessed(state.iterations() * selected);
}
BENCHMARK(BM_DragSelection)
    ->ArgNames({"plan", "selected"})
    ->Args({10000, 1000})
    ->Args({10000, 100})
    ->Args({1000, 100})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    BenchApp app(argc, argv);
    QTemporaryDir work;
    workDir = &work;
    Data::instance();
    makeMap();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
