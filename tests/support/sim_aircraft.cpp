// Runs one simulated aircraft on 127.0.0.1 so a flight can be tried by hand:
//   sim_aircraft v1|aci [port]        (port 5001 when left out)
// then start the program with KORVEL_AIRCRAFT_HOST=127.0.0.1 and
// KORVEL_AIRCRAFT_PORT=<port> and use File -> Connect... The aircraft flies
// every waypoint it receives, answers come-home and streams telemetry.
#include <QCoreApplication>
#include <QTimer>
#include <QtMath>
#include <cstdio>

#include "support/aciaircraft.h"
#include "support/v1aircraft.h"

using KorvelTest::AciAircraft;
using KorvelTest::V1Aircraft;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString kind = args.value(1);
    bool ok = true;
    const quint16 port = args.size() > 2 ? quint16(args.at(2).toUInt(&ok)) : quint16(5001);
    if ((kind != QLatin1String("v1") && kind != QLatin1String("aci")) || !ok || port == 0) {
        std::fprintf(stderr, "usage: sim_aircraft v1|aci [port]\n");
        return 2;
    }
    // A slow walk round the home position, so the panel's values move.
    int tick = 0;
    auto position = [&tick](double *lon, double *lat) {
        const double a = tick * 0.02;
        *lon = 11.0 + 0.001 * std::cos(a);
        *lat = 48.0 + 0.001 * std::sin(a);
    };
    QTimer timer;
    timer.setInterval(250);
    if (kind == QLatin1String("v1")) {
        auto *ac = new V1Aircraft(&app);
        ac->autoFly = true;
        ac->flyDelayMs = 2000;
        if (!ac->listenTcp(port)) {
            std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
            return 1;
        }
        QObject::connect(&timer, &QTimer::timeout, ac, [ac, &tick, position] {
            if (!ac->hasPeer())
                return;
            ++tick;
            V1Aircraft::Telemetry t;
            position(&t.longitude, &t.latitude);
            t.flightTime = (tick / 4) & 0x07FF;
            ac->sendTelemetry(t);
        });
    } else {
        auto *ac = new AciAircraft(&app);
        ac->autoFly = true;
        ac->flyDelayMs = 2000;
        if (!ac->listenTcp(port)) {
            std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
            return 1;
        }
        QObject::connect(&timer, &QTimer::timeout, ac, [ac, &tick, position] {
            if (!ac->hasPeer())
                return;
            ++tick;
            AciAircraft::Telemetry t;
            position(&t.longitude, &t.latitude);
            t.flightTime = quint16(tick * 2.5);
            t.gas = quint16(300 + tick % 50);
            ac->setTelemetry(t);
            ac->sendVarPackets();
        });
    }
    timer.start();
    std::printf("%s aircraft on 127.0.0.1:%u\n", qPrintable(kind), port);
    std::fflush(stdout);
    return app.exec();
}
