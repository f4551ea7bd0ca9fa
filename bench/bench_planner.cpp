// Plan geometry at scale: the survey grid over a 1 km^2 polygon of 50
// corners, the flight-time estimate over long mixed plans, and the curves of
// 10,000 path segments. Costs are reported per point, waypoint and segment.
#include <QApplication>
#include <QGraphicsScene>
#include <QTemporaryDir>
#include <QtMath>
#include <benchmark/benchmark.h>

#include "benchapp.h"
#include "benchmap.h"
#include <cmath>
#include <memory>

#include "core/data.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/geometry/flightestimate.h"
#include "planner/geometry/pathsegments.h"
#include "planner/geometry/surveygrid.h"
#include "planner/wpeditorpaths.h"

namespace {

QTemporaryDir *workDir = nullptr;
QString mapPath;

// 50 corners on a wavy ring scaled to 1,000,000 square pixels (1 px per m).
QVector<QPointF> polygon50()
{
    QVector<QPointF> p;
    for (int i = 0; i < 50; ++i) {
        const double a = 2 * M_PI * i / 50;
        const double r = 1 + 0.25 * std::sin(5 * a);
        p << QPointF(r * std::cos(a), r * std::sin(a));
    }
    double area = 0;
    for (int i = 0; i < 50; ++i) {
        const QPointF &a = p[i], &b = p[(i + 1) % 50];
        area += a.x() * b.y() - b.x() * a.y();
    }
    const double k = std::sqrt(1e6 / std::fabs(area / 2));
    for (QPointF &q : p)
        q = QPointF(2000, 2000) + q * k;
    return p;
}

// The smallest square spacing whose grid stays within the line-pair limit.
double smallestSpacing(const QVector<QPointF> &area)
{
    double lo = 1, hi = 1000;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        if (SurveyGrid::generate(area, mid, mid, 50, 50, false).status == SurveyGrid::TooMany)
            lo = mid;
        else
            hi = mid;
    }
    return hi;
}

// range(0): 1 smallest spacing, 2 half the line pairs, 4 a quarter.
void BM_Grid(benchmark::State &state)
{
    static const QVector<QPointF> area = polygon50();
    static const double smallest = smallestSpacing(area);
    const double spacing = smallest * std::sqrt(double(state.range(0)));
    int points = 0;
    for (auto _ : state) {
        const auto g = SurveyGrid::generate(area, spacing, spacing, 50, 50, true);
        points = g.previews.size();
        benchmark::DoNotOptimize(g.previews.data());
    }
    state.counters["points"] = points;
    state.counters["per_point"] = benchmark::Counter(double(points) * state.iterations(),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Grid)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// Runs of 18 grid waypoints with their closing one, single, Steerwise and
// circle waypoints in turn.
QVector<FlightEstimate::Waypoint> mixedPlan(int count)
{
    QVector<FlightEstimate::Waypoint> plan;
    plan.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int phase = i % 24;
        int type = 1;
        if (phase == 18)
            type = 11;
        else if (phase == 19 || phase == 20)
            type = 0;
        else if (phase == 21 || phase == 22)
            type = 3;
        else if (phase == 23)
            type = 5;
        plan << FlightEstimate::Waypoint{type, 5.0 + i % 3, type == 5 ? 20.0 : 2.0, 3.0, 10.0 + i % 40};
    }
    return plan;
}

void BM_Estimate(benchmark::State &state)
{
    const int count = int(state.range(0));
    const auto plan = mixedPlan(count);
    for (auto _ : state)
        benchmark::DoNotOptimize(FlightEstimate::estimate(plan, 1, count));
    state.counters["per_waypoint"] = benchmark::Counter(double(count) * state.iterations(),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Estimate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A grid of rows 20 waypoints long: straight legs, U-turns and the legs
// after them.
QVector<PathSegments::Point> gridPoints(int count)
{
    QVector<PathSegments::Point> p;
    for (int i = 0; i < count; ++i) {
        const int row = i / 20, col = i % 20;
        const int x = row % 2 ? 19 - col : col;
        p << PathSegments::Point(100 + x * 30, 100 + row * 40, 50);
    }
    return p;
}

void BM_Curves(benchmark::State &state)
{
    const int segments = int(state.range(0));
    const auto p = gridPoints(segments + 1);
    for (auto _ : state) {
        for (int k = 0; k < segments; ++k) {
            const PathSegments::Point *prev = k >= 1 ? &p[k - 1] : nullptr;
            const PathSegments::Point *prev2 = k >= 2 ? &p[k - 2] : nullptr;
            benchmark::DoNotOptimize(PathSegments::segmentPath(1, p[k], p[k + 1], prev, prev2));
        }
    }
    state.counters["per_segment"] = benchmark::Counter(double(segments) * state.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Curves)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same grid as a plan with its drawn segments: every segment redrawn
// and checked against the camera.
void BM_PlanSegments(benchmark::State &state)
{
    const int segments = int(state.range(0));
    WPData plan;
    plan.loadMapImage(mapPath);
    QGraphicsScene scene;
    WPEditorPaths paths(&plan);
    paths.setScene(&scene);
    const auto p = gridPoints(segments + 1);
    for (int i = 0; i <= segments; ++i) {
        const int type = i == segments ? 11 : 1;
        plan.addWaypoint(new WPWaypoint(p[i].x(), p[i].y(), 1.0, i + 1, type), benchWaypoint(type));
        if (i > 0)
            paths.appendPath(1);
    }
    for (auto _ : state) {
        for (int k = 0; k < segments; ++k)
            paths.updatePath(k);
        paths.checkAllSegments();
    }
    state.counters["per_segment"] = benchmark::Counter(double(segments) * state.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlanSegments)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    BenchApp app(argc, argv);
    QTemporaryDir work;
    workDir = &work;
    mapPath = writeBenchMap(work.path());
    Data::instance()->setFlightplanEffects(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
