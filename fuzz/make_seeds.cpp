// Writes the seed corpus of every fuzz target, one folder per target, with
// the project's own writers and generators:
//   make_seeds <folder>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/mapdescription.h"
#include "core/placemarks.h"
#include "fuzzkit.h"
#include "harleklog/harleklogwriter.h"
#include "link/aciengine.h"
#include "maps/vardeckproject.h"
#include "maps/wpdata.h"
#include "maps/waypointimport.h"
#include "radifmt/araimage.h"
#include "radifmt/flirwriter.h"
#include "support/aragen.h"
#include "support/v1aircraft.h"

namespace {

QDir s_out;
int s_count = 0;

void seed(const QString &target, const QString &name, const QByteArray &data)
{
    s_out.mkpath(target);
    QFile f(s_out.filePath(target + "/" + name));
    if (f.open(QIODevice::WriteOnly) && f.write(data) == data.size())
        ++s_count;
    else
        fprintf(stderr, "cannot write seed %s/%s\n", qPrintable(target), qPrintable(name));
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray withoutHeader(const QByteArray &csv) { return csv.mid(csv.indexOf('\n') + 1); }

// Plans: templates read into a plan on the map, then written by the plan.
void plans()
{
    for (const char *templ : {":/WP_template_Steerwise.csv", ":/WP_template_Zephrin.csv"}) {
        const QByteArray csv = fileBytes(templ);
        seed(QString(templ).contains("Zephrin") ? "fuzz_wpcsv_zephrin" : "fuzz_wpcsv_steerwisev2",
             "template", withoutHeader(csv));
    }
    // The first kind: "WP#;Latitude;Longitude;Height;Heading;..." rows.
    // Numbers beyond int that once reached an undefined conversion.
    seed("fuzz_wpcsv_steerwisev2", "beyond-int", "11.355;48.094;30;0;1;90;1e300;2.5;2;100;x\n");
    seed("fuzz_wpcsv_zephrin", "beyond-int", "S;11.355;48.094;30;;-90;-9073127473;x\n");
    seed("fuzz_wpcsv_steerwisev1", "rows",
         "1;48.0942;11.3556;30.00;97.82;2;2.5;1;-90\n"
         "2;48.0941;11.3557;40;;;;;\n"
         "3;48.5;11.9;10;0;1;1;1;0\n");

    WPData plan;
    plan.loadMapImage(FuzzKit::map());
    plan.setFilePath(FuzzKit::folder() + "/empty.zfp");
    plan.writeFile();
    seed("fuzz_zfp", "empty", fileBytes(plan.filePath()));

    const QString csv = FuzzKit::writeFile("plan.csv", fileBytes(":/WP_template_Zephrin.csv"));
    {
        WaypointImport import(&plan, Waypoint());
        import.readFile(csv);
        for (int i = 0; i < import.rows.size(); ++i) {
            const Waypoint &w = import.rows[i];
            const QPointF at = plan.geoToPixel(w.longitude, w.latitude);
            plan.addWaypoint(new WPWaypoint(at.x(), at.y(), 1.0, i + 1, int(w.type)), w);
        }
    }
    plan.setFilePath(FuzzKit::folder() + "/plan.zfp");
    plan.writeFile();
    seed("fuzz_zfp", "zephrin-template", fileBytes(plan.filePath()));

    const QString archive = FuzzKit::folder() + "/plan.znp";
    if (writeProjectArchive(plan, archive))
        seed("fuzz_vardeck", "plan", fileBytes(archive));
}

void logs()
{
    HarlekLogContent basic;
    for (int i = 0; i < 5; ++i) {
        PathPoint p;
        p.time = 1300000000000LL + 200 * i;
        p.latitude = 48.09 + 0.0001 * i;
        p.longitude = 11.35;
        p.height = 500 + i;
        p.flightMode = FlightModeGPS;
        basic.path.push_back(p);
    }
    PhotoTag tag;
    tag.time = basic.path[2].time;
    tag.latitude = 48.0902;
    basic.tags.push_back(tag);
    auto both = [](const HarlekLogContent &c) {
        return QByteArray::fromStdString(harleklog::infoText(c)) + "\n%%\n"
               + QByteArray::fromStdString(harleklog::recordsText(c));
    };
    seed("fuzz_harleklog", "basic", both(basic));
    // Records cut inside their last line, as a card pulled in flight leaves them.
    seed("fuzz_harleklog", "cut", both(basic).chopped(7));

    HarlekLogContent fc = basic;
    fc.type = LogTypeFC;
    fc.startUTC = 1600000000000LL;
    using namespace zephrinLog;
    fc.messages.emplace_back(3, "BATT", std::vector<ZephrinLogVariableInfo>{
                                            {"volt", TypeUInt16, 0}, {"temp", TypeFloat, 2}});
    ZephrinLogRecord r;
    r.time = 1300000000100LL;
    r.data = {0, 0, 0, 0, 0x80, 0x3f};
    fc.records.emplace_back(3, r);
    r.data = {0x10, 0x2e, 0, 0, 0x20, 0x41};
    fc.records.emplace_back(3, r);
    seed("fuzz_harleklog", "controller", both(fc));
}

void places()
{
    QStandardItemModel model;
    auto *group = new QStandardItem("Field A");
    group->setData(Placemarks::Group, Placemarks::KindRole);
    auto *point = new QStandardItem("Gate|north");
    point->setData(Placemarks::Point, Placemarks::KindRole);
    point->setData(11.355, Placemarks::LonRole);
    point->setData(48.095, Placemarks::LatRole);
    auto *polygon = new QStandardItem("Plot");
    polygon->setData(Placemarks::Polygon, Placemarks::KindRole);
    for (int i = 0; i < 3; ++i) {
        auto *corner = new QStandardItem(QString("c%1").arg(i));
        corner->setData(Placemarks::PolygonPoint, Placemarks::KindRole);
        corner->setData(11.35 + 0.001 * i, Placemarks::LonRole);
        corner->setData(48.09 + 0.002 * (i % 2), Placemarks::LatRole);
        polygon->appendRow(corner);
    }
    group->appendRow(point);
    group->appendRow(polygon);
    model.appendRow(group);
    const QString path = FuzzKit::folder() + "/placemarks.txt";
    if (Placemarks::save(&model, path))
        seed("fuzz_placemarks", "tree", fileBytes(path));

    const QString record = MapDescription::readText(FuzzKit::map());
    seed("fuzz_mapdescription", "record", record.toUtf8());
    seed("fuzz_mapdescription", "commas", QString(record).replace('|', ',').toUtf8());
    seed("fuzz_sidecar", "corners",
         "[Top_Left]\nLatitude=48.10\nLongitude=11.35\n[Bottom_Right]\nLatitude=48.09\n"
         "Longitude=11.36\n");
}

void thermal()
{
    AraGen::FrameParams small;
    small.width = 16;
    small.height = 8;
    const QVector<quint16> counts = AraGen::scene(16, 8, 3);
    const QByteArray raw = AraGen::araFile(small, counts);
    const QByteArray packed = AraGen::araFile(small, counts, AraGen::LineCompressed);
    const QByteArray arv = AraGen::arvRecording({small, small}, {counts, AraGen::scene(16, 8, 4)},
                                                AraGen::LineCompressed);
    for (const char *t : {"fuzz_araimage", "fuzz_arafile", "fuzz_araframes"}) {
        seed(t, "raw", raw);
        seed(t, "compressed", packed);
        seed(t, "recording", arv);
    }
    // The bare decoder input: the width in two bytes, then the lines.
    seed("fuzz_arafile", "lines", QByteArray("\x10\x00", 2) + AraGen::compressLines(counts, 16, 8));

    // A radiometric JPEG: our own segments between SOI and EOI.
    const AraImage image = AraImage::fromData(reinterpret_cast<const uint8_t *>(raw.constData()),
                                              raw.size());
    FLIRWriter writer;
    if (writer.read(&image)) {
        writer.createCompleteFLIRData();
        const std::vector<uint8_t> app1 = writer.getAPP1Data();
        const QByteArray segments(reinterpret_cast<const char *>(app1.data()), int(app1.size()));
        seed("fuzz_flirreader", "app1", QByteArray("\xff\xd8", 2) + segments
                                             + QByteArray("\xff\xd9", 2));
    }
}

std::vector<uint8_t> *s_sent = nullptr;
void capture(const uint8_t *frame, uint16_t length) { s_sent->insert(s_sent->end(), frame, frame + length); }

void links()
{
    seed("fuzz_comv1", "link-and-status",
         KorvelTest::V1Aircraft::linkRecord() + KorvelTest::V1Aircraft::lowPrio3(3) + KorvelTest::V1Aircraft::ack()
             + KorvelTest::V1Aircraft::frame(0x2a, QByteArray(12, '\x01')));

    // ACI: frames from the aircraft's side, made by the engine's own framing.
    std::vector<uint8_t> sent;
    s_sent = &sent;
    auto engine = std::make_unique<AciEngine>();
    aciEngineInit(engine.get());
    aciEngineSetSendCallback(engine.get(), capture);
    auto frame = [&](uint8_t id, const QByteArray &payload) {
        aciEngineSendFrame(engine.get(), id, ACI_ADDR_OWN, ACI_ADDR_PEER, payload.constData(),
                           uint16_t(payload.size()));
    };
    frame(ACIMT_VARLISTHEADER, QByteArray::fromHex("0200" "0100" "0200"));
    QByteArray item(ACI_ITEM_RECORD_SIZE, '\0');
    item[0] = 1;
    item[2] = char(2 << 3);
    item.replace(4, 5, "alt_m");
    frame(ACIMT_VARITEM, item);
    frame(ACIMT_INFOREPLY, QByteArray(ACI_INFO_RECORD_SIZE, '\x02'));
    frame(ACIMT_MAGICCODES, QByteArray::fromHex("0102030405060708"));
    frame(ACIMT_ACK, QByteArray::fromHex("01"));
    frame(ACIMT_VARPACKET0, QByteArray::fromHex("0000e803"));
    seed("fuzz_aci", "lists", QByteArray(reinterpret_cast<const char *>(sent.data()), int(sent.size())));
    s_sent = nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    FuzzKit::start(&argc, &argv);
    s_out = QDir(QString::fromLocal8Bit(argv[1]));
    s_out.mkpath(".");
    plans();
    logs();
    places();
    thermal();
    links();
    fprintf(stderr, "%d seeds in %s\n", s_count, argv[1]);
    return s_count > 0 ? 0 : 1;
}
