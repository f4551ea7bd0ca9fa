#include <QBuffer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thermalpoint.h"
#include "thermal/view/thexportscene.h"
#include "thermal/view/thview.h"

namespace {

struct Job {
    QString path;
    int palette = 0;
    int min = 0;
    int max = 0;
    THDataPointList points;
    QList<QRectF> rects;
};

struct Output {
    bool loaded = false;
    QImage plain;
    QImage withItems;
    QThread *sceneThread = nullptr;
    QThread *pinThread = nullptr;
};

Output render(const Job &job)
{
    Output out;
    THExportScene scene(job.palette);
    out.sceneThread = scene.thread();
    out.loaded = scene.loadFile(job.path, job.min, job.max);
    scene.setPoints(job.points);
    scene.setRectangles(job.rects);
    if (!scene.points().isEmpty())
        out.pinThread = scene.points().first()->thread();
    out.plain = scene.image();
    out.withItems = scene.getSceneImageWithItems();
    return out;
}

// Made, used and destroyed on a thread of its own, as the export does.
Output renderOnWorker(const Job &job)
{
    Output out;
    QThread *worker = QThread::create([&] { out = render(job); });
    worker->start();
    worker->wait();
    delete worker;
    return out;
}

// The box of pixels where a differs from b.
QRect differences(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

class TestTHExportScene : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Data::instance()->setThermalPalette(0);
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("frame.ara"));
        QVERIFY(AraGen::writeFile(m_path, AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, 4),
                                                          AraGen::LineCompressed)));
    }

    void workerAndGuiThreadRenderTheSamePixels()
    {
        Job job;
        job.path = m_path;
        job.min = 7000;
        job.max = 7600;
        job.points.append(QPointF(320, 256), 1, 0, 0);
        job.points.append(QPointF(5, 500), 2, 0, 2);
        job.rects << QRectF(QPointF(100, 100), QPointF(200, 180));
        for (int palette : {0, 1, 6}) {
            job.palette = palette;
            const Output gui = render(job);
            const Output worker = renderOnWorker(job);
            QVERIFY(gui.loaded && worker.loaded);
            QCOMPARE(gui.sceneThread, QThread::currentThread());
            QVERIFY(worker.sceneThread != QThread::currentThread());
            QCOMPARE(worker.pinThread, worker.sceneThread);
            QCOMPARE(worker.withItems.size(), QSize(640, 512));
            QCOMPARE(worker.withItems.format(), QImage::Format_ARGB32);
            QCOMPARE(worker.plain, gui.plain);
            QCOMPARE(worker.withItems, gui.withItems);
        }
    }

    void pixelsEqualTheViewsAndPinsSitAtTheirPositions()
    {
        Job job;
        job.path = m_path;
        job.palette = 3;
        job.min = 7100;
        job.max = 7500;
        const Output bare = renderOnWorker(job);
        // Same colouring as the view.
        Data::instance()->setThermalPalette(3);
        THView view;
        QVERIFY(view.loadFile(m_path));
        view.setScaleMinMax(7100, 7500);
        QCOMPARE(bare.plain, view.image());
        QCOMPARE(bare.withItems.convertToFormat(QImage::Format_RGB32), view.image());
        Data::instance()->setThermalPalette(0);

        // One pin at (320, 256), orientation 0: drawn 1:1 in the 40 x 40 box
        // whose top-left is (320 - 17, 256 - 38), around its head.
        job.points.append(QPointF(320, 256), 7, 0, 0);
        const Output pinned = renderOnWorker(job);
        const QRect box = differences(pinned.withItems, bare.withItems);
        QVERIFY(!box.isEmpty());
        QVERIFY2(QRect(303 - 1, 218 - 1, 42, 42).contains(box),
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())));
        QVERIFY(box.width() > 15 && box.height() > 25);  // full size, not scaled down

        // A rectangle draws its 1-pixel outline on its corners.
        Job framed = job;
        framed.points = THDataPointList();
        framed.rects << QRectF(QPointF(400, 300), QPointF(480, 360));
        const QRect rectBox = differences(renderOnWorker(framed).withItems, bare.withItems);
        QVERIFY(QRect(399, 299, 83, 63).contains(rectBox));
        QVERIFY(rectBox.width() >= 80 && rectBox.height() >= 60);
    }

    void failedLoadsReturnFalse()
    {
        QByteArray bad = AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, 4));
        bad[30] = 5;  // compression 5
        const QString path = m_dir.filePath(QStringLiteral("bad.ara"));
        AraGen::writeFile(path, bad);
        THExportScene scene(0);
        QVERIFY(!scene.loadFile(path, 0, 16400));
        QVERIFY(!scene.loadFile(m_dir.filePath(QStringLiteral("none.ara")), 0, 16400));
        QVERIFY(scene.image().isNull());
    }

    void imagesWithOneScaleEncodeAsJpeg()
    {
        // The export's loop in small: a fresh scene per image on one worker.
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            paths << m_dir.filePath(QStringLiteral("img%1.ara").arg(i));
            AraGen::writeFile(paths.last(), AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, 10 + i)));
        }
        QList<QByteArray> jpegs;
        QThread *worker = QThread::create([&] {
            for (const QString &p : paths) {
                THExportScene scene(1);
                if (!scene.loadFile(p, 7000, 7600))
                    return;
                QByteArray bytes;
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                scene.getSceneImageWithItems().save(&buffer, "JPG", 100);
                jpegs << bytes;
            }
        });
        worker->start();
        worker->wait();
        delete worker;
        QCOMPARE(jpegs.size(), 5);
        for (const QByteArray &j : jpegs) {
            QImage back;
            QVERIFY(back.loadFromData(j, "JPG"));
            QCOMPARE(back.size(), QSize(640, 512));
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

KORVEL_TEST_MAIN(TestTHExportScene)
#include "test_thexportscene.moc"
