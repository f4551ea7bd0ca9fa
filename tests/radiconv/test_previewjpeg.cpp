// The preview encoder gives the bytes Qt's JPEG writer gives for the same
// grey pixels, and a picture the library refuses is a failure, not the end
// of the process.
#include <QBuffer>
#include <QImage>
#include <QtTest>

#include <random>

#include "radiconv/previewjpeg.h"

namespace {

QByteArray qtJpeg(const std::vector<uint16_t> &values, int width, int height, const std::vector<uchar> &grey,
                  int lowest, int highest)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int v = qBound(lowest, int(values[size_t(y * width + x)]), highest);
            const uchar c = grey[size_t(v - lowest)];
            line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = c;
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "JPEG") ? bytes : QByteArray();
}

}  // namespace

class TestPreviewJpeg : public QObject {
    Q_OBJECT
private slots:
    void sameBytesAsQt_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::newRow("camera frame") << 640 << 512 << 7000 << 9000;
        QTest::newRow("small camera") << 336 << 256 << 0 << 65535;
        QTest::newRow("odd size") << 17 << 5 << 100 << 140;
        QTest::newRow("one line") << 333 << 1 << 5 << 5;
        QTest::newRow("one column") << 1 << 40 << 0 << 255;
        QTest::newRow("larger than the first buffer") << 1500 << 1200 << 0 << 20000;
    }
    void sameBytesAsQt()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        std::mt19937 random(uint32_t(width * 7 + height));
        std::vector<uint16_t> values(size_t(width) * size_t(height));
        // Values beyond both ends too, which take the nearer end's grey.
        std::uniform_int_distribution<int> pick(qMax(0, lowest - 50), qMin(65535, highest + 50));
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = uint16_t(i % 5 == 0 ? pick(random) : (lowest + highest) / 2 + int(i % 31));
        std::vector<uchar> grey(size_t(highest - lowest) + 1);
        for (size_t i = 0; i < grey.size(); ++i)
            grey[i] = uchar((i * 255) / grey.size());

        PreviewJpeg encoder;
        QByteArray ours;
        for (int round = 0; round < 2; ++round) {  // a reused encoder and buffer give the same
            QVERIFY(encoder.encode(values.data(), width, height, grey.data(), lowest, highest, ours));
            const QByteArray theirs = qtJpeg(values, width, height, grey, lowest, highest);
            QVERIFY(!theirs.isEmpty());
            QCOMPARE(ours.size(), theirs.size());
            QVERIFY(ours == theirs);
        }
    }

    void refusedPictureIsAFailure()
    {
        // Wider than the library takes: its error comes back as false.
        const int width = 70000;
        std::vector<uint16_t> values(size_t(width), 3);
        const uchar grey = 0x80;
        PreviewJpeg encoder;
        QByteArray out;
        QVERIFY(!encoder.encode(values.data(), width, 1, &grey, 3, 3, out));
        // And the next picture is fine.
        QVERIFY(encoder.encode(values.data(), 100, 2, &grey, 3, 3, out));
        QVERIFY(out.startsWith("\xFF\xD8"));
    }
};

QTEST_MAIN(TestPreviewJpeg)
#include "test_previewjpeg.moc"
