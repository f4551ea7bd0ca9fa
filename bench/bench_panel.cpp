// The planning tool panel under a large selection: filling the waypoint
// property page for every waypoint of one survey run, and one height edit
// applied to all of them (plan, footprints, path segments). Both should grow
// with the selection, not faster.
#include <QApplication>
#include <QDoubleSpinBox>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "benchapp.h"
#include "benchmap.h"
#include <memory>

#include "core/data.h"
#include "core/mapdescription.h"
#include "maps/wpdata.h"
#include "planner/wpmain.h"
#include "planner/wptoolline.h"

namespace {

QTemporaryDir *workDir = nullptr;
QString mapPath;

void makeMap() { mapPath = writeBenchMap(workDir->path()); }

// A tab whose plan is one run of `count` waypoints (type 1, closed by 11).
std::unique_ptr<WPMain> makeTab(int count, QList<int> *all)
{
    auto *plan = new WPData;
    plan->loadMapImage(mapPath);
    auto tab = std::make_unique<WPMain>(nullptr, plan);
    tab->resize(1500, 900);
    for (int i = 0; i < count; ++i) {
        const int row = i / 100, col = row % 2 ? 99 - i % 100 : i % 100;
        const QPointF g = plan->pixelToGeo(20 + col * 39, 20 + row * 29.0 * 100 / count * 1.0);
        Waypoint wp = benchWaypoint(i == count - 1 ? 11 : 1);
        wp.longitude = g.x();
        wp.latitude = g.y();
        wp.setTimeSeconds(1);
        wp.setHeadingFollows(true);
        tab->addWP(wp);
        all->append(i + 1);
    }
    return tab;
}

void BM_FillPropertyPage(benchmark::State &state)
{
    QList<int> all;
    auto tab = makeTab(int(state.range(0)), &all);
    WPToolLine *panel = tab->toolLine();
    for (auto _ : state)
        panel->setWaypointData(all);
    state.SetItemsProcessed(state.iterations() * all.size());
}
BENCHMARK(BM_FillPropertyPage)->ArgName("selected")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_HeightEditForAll(benchmark::State &state)
{
    QList<int> all;
    auto tab = makeTab(int(state.range(0)), &all);
    WPToolLine *panel = tab->toolLine();
    panel->setWaypointData(all);
    QDoubleSpinBox *height = panel->waypointWidgets().height;
    int step = 0;
    for (auto _ : state)
        height->setValue(step++ % 2 ? 50.0 : 51.0);
    state.SetItemsProcessed(state.iterations() * all.size());
}
BENCHMARK(BM_HeightEditForAll)->ArgName("selected")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

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
