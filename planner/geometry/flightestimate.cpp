#include "planner/geometry/flightestimate.h"

#include <QtMath>
#include <cmath>

namespace FlightEstimate {

namespace {
bool usable(double v) { return std::isfinite(v) && v > 0; }
}

double trapezoid(double d, double v, double a)
{
    if (!usable(v) || !usable(a) || !std::isfinite(d) || d < 0)
        return -1.0;
    if (d <= v * v / a)
        return 2 * std::sqrt(d / a);
    return (d - v * v / a) / v + 2 * v / a;
}

Result estimate(const QVector<Waypoint> &plan, int start, int stop)
{
    Result r;
    start = qMax(start, 1);
    stop = qMin(stop, plan.size());
    auto add = [&r](double t, double extra = 0.0) {
        if (t < 0)
            r.known = false;
        else
            r.seconds += t + extra;
    };
    auto at = [&plan](int n) -> const Waypoint & { return plan[n - 1]; };

    int n = start;
    while (n <= stop) {
        if (n == 1) {
            ++n;
            continue;
        }
        const Waypoint &wp = at(n);
        switch (wp.type) {
        case 1: {
            // The leg into the run at fixed speed, then the run as one leg.
            add(trapezoid(wp.leg, 6, 3), 1);
            double run = 0.0;
            int m = n + 1;
            for (; m <= stop && (at(m).type == 1 || at(m).type == 11); ++m) {
                run += at(m).leg;
                if (at(m).type == 11)
                    break;
            }
            add(trapezoid(run, wp.speed, wp.acceleration));
            r.metres += wp.leg + run;
            // Past the closing waypoint; a waypoint that broke the run off
            // is counted on its own.
            n = (m <= stop && at(m).type == 11) ? m + 1 : m;
            continue;
        }
        case 0:
        case 11:
            add(trapezoid(wp.leg, wp.speed, wp.acceleration), 2);
            r.metres += wp.leg;
            break;
        case 3:
            add(trapezoid(wp.leg, 6, 2), wp.time + 5);
            r.metres += wp.leg;
            break;
        case 5: {
            const double c = 2 * M_PI * wp.acceleration;
            add(trapezoid(wp.leg, wp.speed, 3));
            add(trapezoid(c, wp.speed, 3));
            r.metres += wp.leg + c;
            break;
        }
        default:
            break;
        }
        ++n;
    }
    if (!r.known)
        r.seconds = 0.0;
    return r;
}

}  // namespace FlightEstimate
