// Flight-time estimate over ranges of waypoints.
#include <QtMath>
#include <QtTest>
#include <cmath>

#include "planner/geometry/flightestimate.h"
#include "support/testkit.h"

using FlightEstimate::Waypoint;

class TestFlightEstimate : public QObject {
    Q_OBJECT

private slots:
    void ranges()
    {
        auto wp = [](int type, double leg, double speed = 5, double acc = 2, double time = 0) {
            return Waypoint{type, speed, acc, time, leg};
        };
        // Into the run at 6 m/s and 3 m/s^2 plus 1 s, the run as one leg,
        // then a single waypoint.
        const QVector<Waypoint> run = {wp(0, 0),  wp(1, 10), wp(1, 20),
                                       wp(1, 20), wp(11, 20), wp(0, 30)};
        const double into = 2 * std::sqrt(10.0 / 3) + 1;
        struct Row {
            const char *name;
            QVector<Waypoint> plan;
            int start, stop;
            bool known;
            double seconds, metres;
        };
        const QList<Row> rows = {
            {"three singles", {wp(0, 0), wp(0, 100), wp(0, 4)}, 1, 3, true, 29.3284271, 104},
            {"later start counts its leg", {wp(0, 0), wp(0, 100), wp(0, 4)}, 3, 3, true,
             2 * std::sqrt(2.0) + 2, 4},
            {"waypoint 1 alone", {wp(0, 0), wp(0, 100)}, 1, 1, true, 0, 0},
            {"closing leg once", run, 1, 6, true, into + 14.5 + 10.5, 100},
            {"range ends inside the run", run, 1, 4, true, into + 10.5, 50},
            {"range starts at the run's end", run, 5, 6, true, 8.5 + 10.5, 50},
            {"circle", {wp(0, 0), wp(5, 50, 5, 20)}, 1, 2, true, 38.4658, 50 + 40 * M_PI},
            {"Steerwise leg of 18 m", {wp(0, 0), wp(3, 18, 0, 0, 3)}, 1, 2, true, 14, 18},
            {"other types add nothing", {wp(0, 0), wp(2, 50), wp(12, 50)}, 1, 3, true, 0, 0},
            {"zero speed", {wp(0, 0), wp(0, 100, 0)}, 1, 2, false, 0, 100},
            {"negative acceleration", {wp(0, 0), wp(0, 100, 5, -1)}, 1, 2, false, 0, 100},
            {"no number", {wp(0, 0), wp(0, qQNaN())}, 1, 2, false, 0, qQNaN()},
            {"zero speed in a run", {wp(0, 0), wp(1, 10, 0), wp(11, 10)}, 1, 3, false, 0, 20},
            {"zero speed on a circle", {wp(0, 0), wp(5, 10, 0, 5)}, 1, 2, false, 0, 10 + 10 * M_PI},
            {"stop beyond the plan", {wp(0, 0), wp(0, 4)}, 1, 9, true, 2 * std::sqrt(2.0) + 2, 4},
        };
        for (const Row &row : rows) {
            const auto r = FlightEstimate::estimate(row.plan, row.start, row.stop);
            QVERIFY2(r.known == row.known, row.name);
            QVERIFY2(qAbs(r.seconds - row.seconds) < 1e-3,
                     qPrintable(QString("%1: %2 s").arg(row.name).arg(r.seconds)));
            if (std::isfinite(row.metres))
                QVERIFY2(qAbs(r.metres - row.metres) < 1e-6,
                         qPrintable(QString("%1: %2 m").arg(row.name).arg(r.metres)));
        }
    }

    void trapezoid()
    {
        QCOMPARE(FlightEstimate::trapezoid(12.5, 5, 2), 5.0);  // the square-root branch
        QCOMPARE(FlightEstimate::trapezoid(8, 5, 2), 4.0);
        QCOMPARE(FlightEstimate::trapezoid(22.5, 5, 2), 7.0);
        QCOMPARE(FlightEstimate::trapezoid(10, 0, 2), -1.0);
        QCOMPARE(FlightEstimate::trapezoid(10, 5, qInf()), -1.0);
    }
};

KORVEL_TEST_MAIN(TestFlightEstimate)
#include "test_flightestimate.moc"
