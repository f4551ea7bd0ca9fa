// The text exports byte for byte, the PhotoScan archive (unzip, zipinfo,
// xmllint) and the ContextCapture document.
#include <QMatrix4x4>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <csignal>
#include <cmath>

#include "core/data.h"
#include "phototagger/ptdata.h"
#include "ptfixtures.h"
#include "support/testkit.h"

namespace {

QByteArray run(const QString &program, const QStringList &args, int *code = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    if (code)
        *code = p.exitCode();
    return p.readAllStandardOutput() + p.readAllStandardError();
}

bool xmlWellFormed(const QString &path)
{
    int code = -1;
    run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path}, &code);
    return code == 0;
}

// Rotation reference in single precision, written out without QMatrix4x4.
struct M3 {
    float m[3][3];
};
M3 mul(const M3 &a, const M3 &b)
{
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float s = 0;
            for (int k = 0; k < 3; ++k)
                s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}
void sincos(float deg, float &s, float &c)
{
    // Exact values at right angles, as a turn by 90 degrees must be.
    const float a = std::fmod(deg, 360.0f);
    if (a == 0) { s = 0; c = 1; return; }
    if (a == 90 || a == -270) { s = 1; c = 0; return; }
    if (a == 180 || a == -180) { s = 0; c = -1; return; }
    if (a == 270 || a == -90) { s = -1; c = 0; return; }
    const double r = double(deg) * M_PI / 180.0;
    s = float(std::sin(r));
    c = float(std::cos(r));
}
M3 rotX(float d) { float s, c; sincos(d, s, c); return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}}; }
M3 rotY(float d) { float s, c; sincos(d, s, c); return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}}; }
M3 rotZ(float d) { float s, c; sincos(d, s, c); return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}}; }

QString element(const QByteArray &doc, const QString &name, int nth = 0)
{
    const QRegularExpression re(QStringLiteral("<%1>([^<]*)</%1>").arg(name));
    auto it = re.globalMatch(QString::fromUtf8(doc));
    for (int i = 0; it.hasNext(); ++i) {
        const auto m = it.next();
        if (i == nth)
            return m.captured(1);
    }
    return QStringLiteral("<none>");
}

}  // namespace

class TestPTExports : public QObject {
    Q_OBJECT
    QTemporaryDir m_out;

    // One exported tag at the documented example position, one disabled,
    // one without photo, a second exported one.
    void exampleProject(PTData &d, const QString &name = QStringLiteral("ex"))
    {
        QVector<PTTag> tags = {PTFixture::tag("IMG_1.JPG"), PTFixture::tag("IMG_2.JPG"),
                               PTFixture::tag(QString()), PTFixture::tag("IMG_4.JPG", 0.001, 123.456)};
        tags[1].enabled = false;
        tags[3].relativeHeight = 120.956;
        tags[3].roll = 2.25;
        tags[3].pitch = -45.5;
        tags[3].yaw = 359.123456789;
        const QString folder = PTFixture::project(name, tags);
        PTFixture::photo(folder + "/IMG_1.JPG", 64, 48);
        PTFixture::photo(folder + "/IMG_4.JPG", 40, 30, false);
        QCOMPARE(d.loadProject(name), 120);
        d.setHeightOffset(2.5);
    }
    QString out(const QString &name) { return m_out.filePath(name); }

private slots:
    void initTestCase() { Data::instance(); }

    void textExports_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = "Date Time;Filename;longitude [degree];latitude [degree];"
                                "height [m];yaw [degree];pitch [degree];roll [degree]\n";
        QTest::newRow("csv ;") << "csv" << ";" << false
                               << head + "01.05.2016 08:03:09.250;IMG_1.JPG;11.5;48.1;32.5;90;-90;0;\n"
                                         "01.05.2016 08:03:09.250;IMG_4.JPG;123.456;0.001;123.46;359.12346;-45.5;0;\n";
        QTest::newRow("csv tab, absolute")
            << "csv" << "\t" << true
            << QByteArray(head).replace(';', '\t')
                   + "01.05.2016 08:03:09.250\tIMG_1.JPG\t11.5\t48.1\t540.25\t90\t-90\t0\t\n"
                     "01.05.2016 08:03:09.250\tIMG_4.JPG\t123.456\t0.001\t540.25\t359.12346\t-45.5\t0\t\n";
        QTest::newRow("csv backslash") << "csv" << "\\" << false
            << QByteArray(head).replace(';', '\\')
                   + "01.05.2016 08:03:09.250\\IMG_1.JPG\\11.5\\48.1\\32.5\\90\\-90\\0\\\n"
                     "01.05.2016 08:03:09.250\\IMG_4.JPG\\123.456\\0.001\\123.46\\359.12346\\-45.5\\0\\\n";
        QTest::newRow("pix4d") << "pix4d" << "" << false
                               << QByteArray("IMG_1.JPG 48.1 11.5 32.5 0 0 90\n"
                                             "IMG_4.JPG 0.001 123.456 123.46 2.25 44.5 359.12346\n");
        QTest::newRow("orbit") << "orbit" << "" << false
                               << QByteArray("IMG_1.JPG 11.5 48.1 32.5 90 0 90\n"
                                             "IMG_4.JPG 123.456 0.001 123.46 45.5 2.25 359.12346\n");
    }
    void textExports()
    {
        QFETCH(QString, kind);
        QFETCH(QString, separator);
        QFETCH(bool, absolute);
        QFETCH(QByteArray, expected);
        PTData d;
        exampleProject(d);
        d.setAbsoluteHeight(absolute);
        const QString path = out(kind + ".txt");
        QSignalSpy pix(&d, &PTData::creatingPix4dfile);
        int result = 0;
        if (kind == "csv")
            result = d.createCSVFile(path, separator);
        else if (kind == "pix4d")
            result = d.createPix4dFile(path);
        else
            result = d.createOrbitFile(path);
        QCOMPARE(result, int(PTData::Written));
        QCOMPARE(PTFixture::fileBytes(path), expected);
        QCOMPARE(pix.size(), kind == "pix4d" ? 1 : 0);
    }

    void textExportsWithoutTags()
    {
        PTData d;
        PTFixture::project("none", {PTFixture::tag(QString())});
        d.loadProject("none");
        QCOMPARE(d.createCSVFile(out("n.csv"), ";"), 1);
        QCOMPARE(PTFixture::fileBytes(out("n.csv")).count('\n'), 1);
        QCOMPARE(d.createPix4dFile(out("n.pix")), 1);
        QCOMPARE(PTFixture::fileBytes(out("n.pix")), QByteArray());
        QCOMPARE(d.createOrbitFile(out("n.orb")), 1);
        QCOMPARE(PTFixture::fileBytes(out("n.orb")), QByteArray());
    }

    void cancelBeforeStartIsCleared()
    {
        PTData d;
        exampleProject(d);
        d.cancelop();
        QCOMPARE(d.createPix4dFile(out("c.pix")), 1);
        QCOMPARE(PTFixture::fileBytes(out("c.pix")).count('\n'), 2);
        QVERIFY(!d.isCancelled());
    }

    void textExportFailures()
    {
        PTData d;
        exampleProject(d);
        QCOMPARE(d.createCSVFile(out("no/such/dir/x.csv"), ";"), int(PTData::OpenFailed));
        QCOMPARE(d.createPix4dFile(out("no/such/dir/x.csv")), int(PTData::OpenFailed));
        QCOMPARE(d.createPhotoScanFile(out("no/such/dir/x.psz"), true, 0), int(PTData::OpenFailed));
        // A disk that takes nothing more: a failure, and the old file stays.
        QFile old(out("full.csv"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        signal(SIGXFSZ, SIG_IGN);
        rlimit was;
        getrlimit(RLIMIT_FSIZE, &was);
        rlimit none = was;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
        const int csv = d.createCSVFile(out("full.csv"), ";");
        const int orbit = d.createOrbitFile(out("full.csv"));
        setrlimit(RLIMIT_FSIZE, &was);
        QCOMPARE(csv, int(PTData::WriteFailed));
        QCOMPARE(orbit, int(PTData::WriteFailed));
        QCOMPARE(PTFixture::fileBytes(out("full.csv")), QByteArray("old"));
    }

    void photoScanArchive()
    {
        PTData d;
        exampleProject(d, "ps");
        d.setAbsoluteHeight(true);
        QSignalSpy spy(&d, &PTData::progress);
        const QString path = out("site.psz");
        QCOMPARE(d.createPhotoScanFile(path, false, 1), 1);
        QList<QList<QVariant>> expected;
        for (int i = 0; i < 8; ++i)
            expected << QList<QVariant>{i, 8};
        QCOMPARE(QList<QList<QVariant>>(spy.begin(), spy.end()), expected);

        const QByteArray info = run("zipinfo", {path});
        QVERIFY2(QRegularExpression(" defN .* doc\\.xml\\n").match(QString::fromUtf8(info)).hasMatch(),
                 info.constData());
        QVERIFY2(info.contains("1 file"), info.constData());
        const QByteArray doc = run("unzip", {"-p", path, "doc.xml"});
        QFile xml(out("doc.xml"));
        QVERIFY(xml.open(QIODevice::WriteOnly));
        xml.write(doc);
        xml.close();
        QVERIFY(xmlWellFormed(out("doc.xml")));

        const QString folder = d.getProjectPath();
        const QByteArray want =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<document version=\"0.9.0\">\n"
            "  <chunk label=\"Chunk 1\" active=\"true\" enabled=\"true\">\n"
            "    <cameras>\n"
            "      <camera id=\"0\" label=\"IMG_1.JPG\" enabled=\"true\">\n"
            "        <resolution width=\"64\" height=\"48\"/>\n"
            "        <frames>\n"
            "          <frame>\n"
            "            <image path=\"" + folder.toUtf8() + "/IMG_1.JPG\"/>\n"
            "            <meta>\n"
            "              <property name=\"date\" value=\"2016:05:01 10:03:09\"/>\n"
            "              <property name=\"exposure\" value=\"0.002\"/>\n"
            "              <property name=\"flength\" value=\"5\"/>\n"
            "              <property name=\"flength35mm\" value=\"27\"/>\n"
            "              <property name=\"fnumber\" value=\"2.8\"/>\n"
            "              <property name=\"make\" value=\"Vetrel\"/>\n"
            "              <property name=\"model\" value=\"VX-1\"/>\n"
            "              <property name=\"orientation\" value=\"Top-left\"/>\n"
            "            </meta>\n"
            "          </frame>\n"
            "        </frames>\n"
            "      </camera>\n"
            "      <camera id=\"1\" label=\"IMG_4.JPG\" enabled=\"true\">\n"
            "        <resolution width=\"40\" height=\"30\"/>\n"
            "        <frames>\n"
            "          <frame>\n"
            "            <image path=\"" + folder.toUtf8() + "/IMG_4.JPG\"/>\n"
            "            <meta>\n"
            "              <property name=\"exposure\" value=\"0\"/>\n"
            "              <property name=\"flength\" value=\"0\"/>\n"
            "              <property name=\"flength35mm\" value=\"0\"/>\n"
            "              <property name=\"fnumber\" value=\"0\"/>\n"
            "            </meta>\n"
            "          </frame>\n"
            "        </frames>\n"
            "      </camera>\n"
            "    </cameras>\n"
            "    <ground_control>\n"
            "      <reference>GEOGCS[&quot;WGS 84&quot;,DATUM[&quot;World Geodetic System 1984&quot;,"
            "SPHEROID[&quot;WGS 84&quot;,6378137,298.257223563,AUTHORITY[&quot;EPSG&quot;,&quot;7030&quot;]],"
            "TOWGS84[0,0,0,0,0,0,0],AUTHORITY[&quot;EPSG&quot;,&quot;6326&quot;]],PRIMEM[&quot;Greenwich&quot;,0,"
            "AUTHORITY[&quot;EPSG&quot;,&quot;8901&quot;]],UNIT[&quot;degree&quot;,0.017453292519943,"
            "AUTHORITY[&quot;EPSG&quot;,&quot;9102&quot;]],AUTHORITY[&quot;EPSG&quot;,&quot;4326&quot;]]</reference>\n"
            "      <record camera_id=\"0\" enabled=\"true\" x=\"1.1500000000000000e+001\" "
            "y=\"4.8100000000000001e+001\" z=\"5.4025000000000000e+002\" yaw=\"9.0000000000000000e+001\" "
            "pitch=\"1.8000000000000000e+002\" roll=\"0.0000000000000000e+000\"/>\n"
            "      <record camera_id=\"1\" enabled=\"true\" x=\"1.2345600000000000e+002\" "
            "y=\"1.0000000000000000e-003\" z=\"5.4025000000000000e+002\" yaw=\"3.5912345678899999e+002\" "
            "pitch=\"1.3550000000000000e+002\" roll=\"2.2500000000000000e+000\"/>\n"
            "      <settings>\n"
            "        <property name=\"accuracy_cameras\" value=\"1.0000000000000000e+001\"/>\n"
            "        <property name=\"accuracy_markers\" value=\"0.0050000000000000e+000\"/>\n"
            "        <property name=\"accuracy_projections\" value=\"1.0000000000000001e-001\"/>\n"
            "      </settings>\n"
            "    </ground_control>\n"
            "    <settings>\n"
            "      <property name=\"calibration_mode\" value=\"groups\"/>\n"
            "    </settings>\n"
            "  </chunk>\n"
            "</document>\n";
        QCOMPARE(QString::fromUtf8(doc), QString::fromUtf8(want));

        // Names only, pitch mode 0.
        QCOMPARE(d.createPhotoScanFile(path, true, 0), 1);
        const QByteArray doc2 = run("unzip", {"-p", path, "doc.xml"});
        QVERIFY(doc2.contains("<image path=\"IMG_1.JPG\"/>"));
        QVERIFY(doc2.contains("pitch=\"0.0000000000000000e+000\""));
    }

    void photoScanWithoutTags()
    {
        PTData d;
        PTFixture::project("psnone", {PTFixture::tag(QString())});
        d.loadProject("psnone");
        QCOMPARE(d.createPhotoScanFile(out("none.psz"), true, 0), 1);
        const QByteArray doc = run("unzip", {"-p", out("none.psz"), "doc.xml"});
        QVERIFY(doc.contains("<cameras/>"));
        QVERIFY(doc.contains("</reference>\n      <settings>"));
    }

    void contextCaptureRotation_data()
    {
        QTest::addColumn<double>("roll");
        QTest::addColumn<double>("pitch");
        QTest::addColumn<double>("yaw");
        QTest::newRow("level") << 0.0 << 0.0 << 0.0;
        QTest::newRow("nadir") << 0.0 << -90.0 << 0.0;
        QTest::newRow("right angles") << 90.0 << 180.0 << 270.0;
        QTest::newRow("oblique") << 3.5 << -12.25 << 123.456;
        QTest::newRow("negative heading") << -1.0 << 5.0 << -45.0;
    }
    void contextCaptureRotation()
    {
        QFETCH(double, roll);
        QFETCH(double, pitch);
        QFETCH(double, yaw);
        QVector<PTTag> tags = {PTFixture::tag("a.jpg")};
        tags[0].roll = roll;
        tags[0].pitch = pitch;
        tags[0].yaw = yaw;
        PTFixture::project("ccrot", tags);
        PTData d;
        d.loadProject("ccrot");
        const QByteArray doc = d.createBlocksExchangeFile(QString());
        const M3 ref = mul(mul(mul(rotX(-90), rotY(float(roll))), rotX(float(-pitch))), rotZ(float(yaw)));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                const double got = element(doc, QStringLiteral("M_%1%2").arg(r).arg(c)).toDouble();
                QVERIFY2(std::fabs(got - double(ref.m[r][c])) < 2e-7,
                         qPrintable(QStringLiteral("M_%1%2 %3 %4").arg(r).arg(c).arg(got).arg(ref.m[r][c])));
            }
        if (roll == 0 && pitch == 0 && yaw == 0) {
            const QStringList want = {"1.0000000000000000", "0.0000000000000000", "0.0000000000000000",
                                      "0.0000000000000000", "0.0000000000000000", "1.0000000000000000",
                                      "0.0000000000000000", "-1.0000000000000000", "0.0000000000000000"};
            for (int k = 0; k < 9; ++k)
                QCOMPARE(element(doc, QStringLiteral("M_%1%2").arg(k / 3).arg(k % 3)), want[k]);
        }
    }

    void contextCaptureDocument()
    {
        PTData d;
        exampleProject(d, "cc");
        d.setEnabled(0, false);  // the first photo still describes the camera
        const QByteArray doc = d.createBlocksExchangeFile(QStringLiteral("site_images"));
        QFile f(out("cc.xml"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(doc);
        f.close();
        QVERIFY(xmlWellFormed(out("cc.xml")));
        QVERIFY(doc.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BlocksExchange version=\"2.1\">\n"
                               "    <SpatialReferenceSystems>\n        <SRS>\n            <Id>0</Id>\n"));
        QCOMPARE(element(doc, "Definition"), QStringLiteral("EPSG:4326"));
        QCOMPARE(element(doc, "Name", 1), QStringLiteral("cc"));
        QCOMPARE(element(doc, "Description", 0), QStringLiteral("cc"));
        QCOMPARE(element(doc, "Name", 2), QStringLiteral("Vetrel VX-1"));
        QCOMPARE(element(doc, "Width"), QStringLiteral("64"));
        QCOMPARE(element(doc, "Height"), QStringLiteral("48"));
        QCOMPARE(element(doc, "Description", 1), QStringLiteral("VetrelVX-1"));
        QCOMPARE(element(doc, "FocalLength"), QStringLiteral("5"));
        QCOMPARE(element(doc, "SensorSize"), QStringLiteral("6.6481"));
        QCOMPARE(element(doc, "CameraOrientation"), QStringLiteral("XLeftYDown"));
        // Only tag 3 is exported; its Id is its index.
        QCOMPARE(doc.count("<Photo>"), 1);
        QCOMPARE(element(doc, "Id", 1), QStringLiteral("3"));
        QCOMPARE(element(doc, "ImagePath"), QStringLiteral("site_images/IMG_4.JPG"));
        QVERIFY(doc.contains("<Center>\n                            <y>0.0010000000000000</y>\n"
                             "                            <x>123.4560000000000031</x>\n"
                             "                            <z>540.2500000000000000</z>\n"));

        const QByteArray inProject = d.createBlocksExchangeFile(QString());
        QCOMPARE(element(inProject, "ImagePath"), d.getProjectPath() + "/IMG_4.JPG");
    }

    void contextCaptureCameraGaps()
    {
        // No 35 mm value: no sensor size to work out, so neither is written.
        QVector<PTTag> tags = {PTFixture::tag("a.jpg")};
        const QString folder = PTFixture::project("cc35", tags);
        PTFixture::photo(folder + "/a.jpg", 64, 48, true, QString());
        PTData d;
        d.loadProject("cc35");
        QByteArray doc = d.createBlocksExchangeFile(QString());
        QVERIFY(!doc.contains("SensorSize"));
        QVERIFY(!doc.contains("FocalLength"));

        // No EXIF at all.
        PTFixture::photo(folder + "/a.jpg", 64, 48, false);
        doc = d.createBlocksExchangeFile(QString());
        QCOMPARE(element(doc, "Name", 2), QStringLiteral(" "));
        QCOMPARE(element(doc, "Width"), QStringLiteral("-1"));
        QVERIFY(doc.contains("<Description></Description>") || doc.contains("<Description/>"));

        // No photos: an empty group.
        PTFixture::project("ccnone", {PTFixture::tag(QString())});
        PTData e;
        e.loadProject("ccnone");
        QVERIFY(e.createBlocksExchangeFile(QString()).contains("<Photogroup></Photogroup>")
                || e.createBlocksExchangeFile(QString()).contains("<Photogroup/>"));
    }
};

KORVEL_TEST_MAIN(TestPTExports)
#include "test_ptexports.moc"
