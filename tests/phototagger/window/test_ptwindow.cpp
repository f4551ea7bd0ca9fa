// The photo-tagger tab on real project files: list, edits written at once,
// the map's frame and discs, the preview.
#include "core/data.h"
#include "phototagger/ptdata.h"
#include "phototagger/window/ptmain.h"
#include "phototagger/window/ptmap.h"
#include "phototagger/window/ptpreview.h"
#include "../ptfixtures.h"
#include "support/testkit.h"

#include <QAction>
#include <QGraphicsLineItem>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <cmath>

using KorvelTest::PromptScript;

namespace {

// Tags along a line; names[i] empty means no photo. Photo and preview files
// exist for every name.
QString makeProject(const QString &name, const QStringList &names, const QList<bool> &enabled = {})
{
    QVector<PTTag> tags;
    for (int i = 0; i < names.size(); ++i) {
        PTTag t = PTFixture::tag(names.at(i), 48.1 + i * 0.0001, 11.5 + i * 0.0002);
        t.time = t.time.addSecs(i);
        t.enabled = i < enabled.size() ? enabled.at(i) : true;
        tags << t;
    }
    const QString folder = PTFixture::project(name, tags);
    for (const QString &n : names) {
        if (n.isEmpty())
            continue;
        PTFixture::photo(folder + "/" + n, 64, 48, false);
        PTFixture::photo(folder + "/thumb_" + n, 32, 24, false);
    }
    return folder;
}

PTMain *open(const QString &name)
{
    auto *data = new PTData;
    if (data->loadProject(name) != 120)
        return nullptr;
    return new PTMain(data);
}

QStringList listNames(PTMain *w)
{
    QStringList out;
    for (int r = 0; r < w->list()->topLevelItemCount(); ++r)
        out << w->list()->topLevelItem(r)->text(1);
    return out;
}

QStringList fileNames(const QString &name)
{
    PTProjectContent c;
    PTProjectFile::load(PTProjectFile::projectFilePath(name), c);
    QStringList out;
    for (const PTTag &t : c.tags)
        out << t.imageName;
    return out;
}

QList<int> selected(PTMain *w)
{
    QList<int> rows;
    for (const QModelIndex &i : w->list()->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void select(PTMain *w, const QList<int> &rows)
{
    w->list()->clearSelection();
    for (int r : rows)
        w->list()->selectionModel()->select(w->list()->model()->index(r, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

}  // namespace

class TestPTWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    void listShowsTags()
    {
        QStringList names;
        for (int i = 0; i < 8; ++i)
            names << (i == 6 ? QString() : QStringLiteral("IMG_%1.JPG").arg(i));
        makeProject("List", names, {true, false, true, true, true, true, true, true});
        std::unique_ptr<PTMain> w(open("List"));
        QVERIFY(w);
        QCOMPARE(w->kind(), OpenKind::PhotoTagger);
        QCOMPARE(w->projectName(), QString("List"));
        QTreeWidgetItem *seven = w->list()->topLevelItem(6);
        QCOMPARE(seven->text(0), QString("007"));
        QCOMPARE(seven->text(1), QString());
        QCOMPARE(seven->text(2), QString("2016-05-01  08:03:15"));
        QCOMPARE(seven->text(3), QString("30m"));
        QCOMPARE(seven->text(4), QString("-90") + QChar(0xB0));
        QCOMPARE(seven->text(6), QString("90") + QChar(0xB0));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(w->list()->topLevelItem(1)->foreground(c).color(), QColor(Qt::gray));
        QVERIFY(w->list()->topLevelItem(2)->foreground(0).color() != QColor(Qt::gray));
        QCOMPARE(w->map()->discs().size(), 8);
        QCOMPARE(w->map()->lines().size(), 7);
        QCOMPARE(w->map()->discs().at(1)->state(), int(PTMapPhoto::Disabled));
        QCOMPARE(w->map()->discs().at(6)->state(), int(PTMapPhoto::NoImage));
        QCOMPARE(w->map()->discs().at(0)->state(), int(PTMapPhoto::HasImage));
        QVERIFY(!w->isModified());
    }

    void moveImages_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QStringList>("after");  // empty: refused
        QTest::addColumn<QList<int>>("selectedAfter");
        QTest::addColumn<int>("mapSelected");
        QTest::addColumn<QString>("boxTitle");
        const QStringList six{"a", "b", "", "c", "d", "e"};
        QTest::newRow("up into the free row")
            << six << QList<int>{3, 4} << true << QStringList{"a", "b", "c", "d", "", "e"} << QList<int>{2, 3} << 5
            << QString();
        QTest::newRow("down into the free row")
            << QStringList{"a", "b", "c", "", "d"} << QList<int>{1, 2} << false
            << QStringList{"a", "", "b", "c", "d"} << QList<int>{2, 3} << 2 << QString();
        QTest::newRow("first entry, selected last") << six << QList<int>{3, 0} << true << QStringList()
                                                   << QList<int>() << 0 << QString("First entry!");
        QTest::newRow("last entry") << six << QList<int>{5} << false << QStringList() << QList<int>() << 0
                                    << QString("Last entry!");
        QTest::newRow("no free place up") << six << QList<int>{1} << true << QStringList() << QList<int>() << 0
                                          << QString("Can't change image!");
        QTest::newRow("no free place down") << six << QList<int>{3} << false << QStringList() << QList<int>()
                                            << 0 << QString("Can't change image!");
    }
    void moveImages()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, rows);
        QFETCH(bool, up);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, selectedAfter);
        QFETCH(int, mapSelected);
        QFETCH(QString, boxTitle);
        makeProject("Move", names);
        std::unique_ptr<PTMain> w(open("Move"));
        select(w.get(), rows);
        PromptScript script;
        (up ? w->upAction() : w->downAction())->trigger();
        if (after.isEmpty()) {
            QCOMPARE(script.requests().size(), 1);
            QCOMPARE(script.requests().first().title, boxTitle);
            QCOMPARE(listNames(w.get()), names);
            QCOMPARE(fileNames("Move"), names);
            return;
        }
        QVERIFY(script.requests().isEmpty());
        QCOMPARE(listNames(w.get()), after);
        QCOMPARE(fileNames("Move"), after);
        QCOMPARE(selected(w.get()), selectedAfter);
        for (PTMapPhoto *d : w->map()->discs())
            QCOMPARE(d->state() == PTMapPhoto::Selected, d->number() == mapSelected);
    }

    void enableFollowsFirstSelectedRow()
    {
        makeProject("Enable", {"a", "b", "c"}, {true, false, true});
        std::unique_ptr<PTMain> w(open("Enable"));
        PromptScript script;
        w->enableAction()->trigger();
        QCOMPARE(script.texts(), QStringList{"You have selected no entry!"});
        // The disabled row first: every selected row is enabled.
        select(w.get(), {1, 2});
        w->enableAction()->trigger();
        QVERIFY(w->project()->isEnabled(1) && w->project()->isEnabled(2));
        PTData reread;
        reread.loadProject("Enable");
        QVERIFY(reread.isEnabled(1));
        QVERIFY(w->list()->topLevelItem(1)->foreground(0).color() != QColor(Qt::gray));
        // Now the first is enabled: both go.
        w->enableAction()->trigger();
        QVERIFY(!w->project()->isEnabled(1) && !w->project()->isEnabled(2));
        QCOMPARE(w->list()->topLevelItem(2)->foreground(3).color(), QColor(Qt::gray));
        QCOMPARE(w->map()->discs().at(2)->state(), int(PTMapPhoto::Disabled));
    }

    void addRefusals()
    {
        makeProject("Full", {"a", "b"});
        std::unique_ptr<PTMain> full(open("Full"));
        PromptScript script;
        full->addAction()->trigger();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Can't add more images."));

        // One enabled tag lacks a photo; a disabled one does not count.
        makeProject("OneFree", {"a", "", ""}, {true, true, false});
        std::unique_ptr<PTMain> w(open("OneFree"));
        QTemporaryDir dir;
        Data::instance()->settings()->setValue("Last Photo Tagger Export Path", dir.path());
        script.clear();
        script.paths({dir.path() + "/x.jpg", dir.path() + "/y.jpg"});
        w->addAction()->trigger();
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(0).directory, dir.path());
        QCOMPARE(script.requests().at(0).filter, QString("JPEG Files (*.jpg)"));
        QCOMPARE(script.requests().at(1).title, QString("Too many images!"));
        QCOMPARE(Data::instance()->settings()->value("Last Photo Tagger Import Path").toString(), dir.path());
        QCOMPARE(fileNames("OneFree"), (QStringList{"a", "", ""}));
    }

    void addPlacesPhotosFromSelectedRow()
    {
        const QString folder = makeProject("Add", {"a.jpg", "", "", "", "e.jpg"});
        QTemporaryDir dir;
        QVERIFY(PTFixture::photo(dir.path() + "/x1.jpg", 160, 120, false));
        QVERIFY(PTFixture::photo(dir.path() + "/x2.jpg", 160, 120, false));
        std::unique_ptr<PTMain> w(open("Add"));
        w->list()->setCurrentItem(w->list()->topLevelItem(1));
        PromptScript script;
        script.paths({dir.path() + "/x1.jpg", dir.path() + "/x2.jpg"});
        w->addAction()->trigger();
        QCOMPARE(script.requests().size(), 1);
        const QStringList after{"a.jpg", "x1.jpg", "x2.jpg", "", "e.jpg"};
        QCOMPARE(listNames(w.get()), after);
        QCOMPARE(fileNames("Add"), after);
        QVERIFY(QFile::exists(folder + "/x2.jpg"));
        QVERIFY(QFile::exists(folder + "/thumb_x2.jpg"));
        QCOMPARE(w->map()->discs().at(2)->state(), int(PTMapPhoto::HasImage));

        // A file of that name already in the folder is never replaced: the
        // photo is not added and the box names the file and the reason.
        QVERIFY(PTFixture::photo(dir.path() + "/x3.jpg", 160, 120, false));
        QVERIFY(PTFixture::photo(folder + "/x3.jpg", 20, 10, false));
        const QByteArray there = PTFixture::fileBytes(folder + "/x3.jpg");
        w->list()->setCurrentItem(w->list()->topLevelItem(3));
        script.clear();
        script.paths({dir.path() + "/x3.jpg"});
        w->addAction()->trigger();
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(1).title, QString("Copy failed!"));
        QCOMPARE(script.requests().at(1).text,
                 QString("1 photo(s) could not be added to the project.\n\n%1/x3.jpg: %2")
                     .arg(folder, QString::fromLocal8Bit(strerror(EEXIST))));
        QCOMPARE(fileNames("Add"), after);
        QCOMPARE(PTFixture::fileBytes(folder + "/x3.jpg"), there);
    }

    void removeDeletesPhotoAfterAsking()
    {
        const QString folder = makeProject("Remove", {"a.jpg", "b.jpg"});
        std::unique_ptr<PTMain> w(open("Remove"));
        select(w.get(), {1});
        PromptScript script;
        script.button(QMessageBox::No);
        w->removeAction()->trigger();
        QVERIFY(QFile::exists(folder + "/b.jpg"));
        script.button(QMessageBox::Yes);
        w->removeAction()->trigger();
        QCOMPARE(script.requests().last().title, QString("Removing image"));
        QVERIFY(!QFile::exists(folder + "/b.jpg"));
        QVERIFY(!QFile::exists(folder + "/thumb_b.jpg"));
        QCOMPARE(listNames(w.get()), (QStringList{"a.jpg", ""}));
        QCOMPARE(fileNames("Remove"), (QStringList{"a.jpg", ""}));
        QCOMPARE(w->map()->discs().at(1)->state(), int(PTMapPhoto::NoImage));
    }

    void failedWriteIsReported()
    {
        const QString folder = makeProject("NoWrite", {"a", "b"});
        std::unique_ptr<PTMain> w(open("NoWrite"));
        // The file's place is taken by a folder: no write can succeed.
        QVERIFY(QFile::remove(folder + "/NoWrite.zpt"));
        QVERIFY(QDir().mkpath(folder + "/NoWrite.zpt"));
        select(w.get(), {0});
        PromptScript script;
        w->enableAction()->trigger();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().iconPath, QString(":/icons/80/error"));
    }

    void selectionShowsPreviewAndMapClickSelectsRow()
    {
        const QString folder = makeProject("Preview", {"a.jpg", "", "c.jpg"});
        QFile::remove(folder + "/thumb_c.jpg");
        std::unique_ptr<PTMain> w(open("Preview"));
        QSignalSpy shown(w->preview(), &PTPreview::imageShown);
        w->list()->setCurrentItem(w->list()->topLevelItem(0));
        QVERIFY(shown.wait(KorvelTest::kWaitMs));
        QVERIFY(!w->preview()->showsNoImage());
        QCOMPARE(w->preview()->picture().size(), QSize(32, 24));
        QCOMPARE(w->map()->discs().at(0)->state(), int(PTMapPhoto::Selected));
        w->list()->setCurrentItem(w->list()->topLevelItem(1));
        QVERIFY(w->preview()->showsNoImage());
        QVERIFY(!w->preview()->picture().isNull());
        emit w->map()->discs().at(2)->clicked(3);  // missing thumbnail
        QCOMPARE(w->list()->currentIndex().row(), 2);
        QVERIFY(shown.wait(KorvelTest::kWaitMs));
        QVERIFY(w->preview()->showsNoImage());
        QCOMPARE(w->map()->discs().at(2)->state(), int(PTMapPhoto::Selected));
        QCOMPARE(w->map()->discs().at(0)->state(), int(PTMapPhoto::HasImage));
    }

    // The frame for views of different shapes, one tag and zero spans.
    void mapFrame_data()
    {
        QTest::addColumn<QList<QPointF>>("lonLat");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRectF>("frame");  // west, top, east, bottom as x, y, right, bottom
        const QList<QPointF> box{{11.0, 48.0}, {11.01, 48.02}};
        // Square: the tags' own extent.
        QTest::newRow("square") << box << QSize(400, 400) << QRectF(QPointF(11.0, 48.02), QPointF(11.01, 48.0));
        // Landscape: half = 100 px, s = 0.02 / 420 on each side in longitude.
        const double sl = 0.02 / 420 * 100;
        QTest::newRow("landscape") << box << QSize(600, 400)
                                   << QRectF(QPointF(11.0 - sl, 48.02), QPointF(11.01 + sl, 48.0));
        // Portrait: half = 100 px, s = 0.01 / 420 above and below.
        const double sp = 0.01 / 420 * 100;
        QTest::newRow("portrait") << box << QSize(400, 600)
                                  << QRectF(QPointF(11.0, 48.02 + sp), QPointF(11.01, 48.0 - sp));
        QTest::newRow("one tag") << QList<QPointF>{{11.0, 48.0}} << QSize(400, 400)
                                 << QRectF(QPointF(10.999, 47.999), QPointF(11.001, 48.001));
        // One meridian in a portrait view: widened to 0.002 degrees.
        const double sm = 0.002 / 420 * 100;
        QTest::newRow("one meridian") << QList<QPointF>{{11.0, 48.0}, {11.0, 48.01}} << QSize(400, 600)
                                      << QRectF(QPointF(10.999, 48.01 + sm), QPointF(11.001, 48.0 - sm));
        QTest::newRow("one point") << QList<QPointF>{{11.0, 48.0}, {11.0, 48.0}, {11.0, 48.0}} << QSize(400, 400)
                                   << QRectF(QPointF(10.999, 48.001), QPointF(11.001, 47.999));
    }
    void mapFrame()
    {
        QFETCH(QList<QPointF>, lonLat);
        QFETCH(QSize, size);
        QFETCH(QRectF, frame);
        PTData data;
        for (const QPointF &p : lonLat)
            data.appendTag(PTFixture::tag("x.jpg", p.y(), p.x()));
        PTMap map(&data);
        map.resize(size);
        map.calcMapReference();
        map.placeItems();
        const PTMap::Frame f = map.frame();
        QVERIFY(std::abs(f.west - frame.left()) < 1e-9);
        QVERIFY(std::abs(f.east - frame.right()) < 1e-9);
        QVERIFY(std::abs(f.top - frame.top()) < 1e-9);
        QVERIFY(std::abs(f.bottom - frame.bottom()) < 1e-9);
        for (PTMapPhoto *d : map.discs()) {
            QVERIFY(std::isfinite(d->centre().x()) && std::isfinite(d->centre().y()));
            QVERIFY(d->centre().x() >= 20 - 1e-6 && d->centre().x() <= size.width() - 50 + 1e-6);
            QVERIFY(d->centre().y() >= 20 - 1e-6 && d->centre().y() <= size.height() - 50 + 1e-6);
        }
        if (lonLat.size() == 1) {  // in the middle
            QCOMPARE(map.discs().first()->centre(), QPointF((size.width() - 70) / 2.0 + 20, (size.height() - 70) / 2.0 + 20));
        }
    }

    void mapEdgesAndLines()
    {
        PTData data;
        data.appendTag(PTFixture::tag("a", 48.0, 11.0));   // south-west
        data.appendTag(PTFixture::tag("", 48.02, 11.02));  // north-east
        PTMap map(&data);
        map.resize(500, 500);
        map.calcMapReference();
        map.placeItems();
        QCOMPARE(map.discs().at(0)->centre(), QPointF(20, 450));
        QCOMPARE(map.discs().at(1)->centre(), QPointF(450, 20));
        QCOMPARE(map.discs().at(0)->pos(), QPointF(7.5, 437.5));
        QCOMPARE(map.lines().first()->line(), QLineF(QPointF(20, 450), QPointF(450, 20)));
        QCOMPARE(map.lines().first()->zValue(), -10.0);
        QCOMPARE(map.lines().first()->pen().style(), Qt::DashLine);
        QSignalSpy spy(&map, &PTMap::itemSelected);
        map.show();
        QVERIFY(QTest::qWaitForWindowExposed(&map));
        map.resize(500, 500);
        QTest::mouseClick(map.viewport(), Qt::LeftButton, {}, map.mapFromScene(QPointF(450, 20)));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().first().toInt(), 2);
        map.setSelectedItem(2);
        QCOMPARE(map.discs().at(1)->state(), int(PTMapPhoto::Selected));
        QCOMPARE(map.discs().at(0)->state(), int(PTMapPhoto::HasImage));
    }

    // Only the newest request reaches the pane, and a picture larger than
    // the pane is decoded at the pane's size.
    void previewKeepsNewestRequest()
    {
        QTemporaryDir dir;
        QImage big(1280, 960, QImage::Format_RGB32);
        big.fill(Qt::blue);
        QVERIFY(big.save(dir.path() + "/big.jpg"));
        QImage small(40, 30, QImage::Format_RGB32);
        small.fill(Qt::red);
        QVERIFY(small.save(dir.path() + "/small.jpg"));
        PTPreview preview;
        preview.resize(640, 480);
        preview.show();
        QSignalSpy shown(&preview, &PTPreview::imageShown);
        preview.requestImage(dir.path() + "/small.jpg");
        preview.requestImage(dir.path() + "/big.jpg");
        QVERIFY(shown.wait(KorvelTest::kWaitMs));
        QTest::qWait(50);  // only to show that the overtaken request shows nothing
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().first().toString(), dir.path() + "/big.jpg");
        QVERIFY(preview.picture().width() <= 640 * preview.devicePixelRatioF());
        QVERIFY(preview.picture().width() > 100);
        QVERIFY(qAbs(preview.picture().width() * 3 - preview.picture().height() * 4) <= 4);
        // A request overtaken by "no image" is dropped as well.
        preview.requestImage(dir.path() + "/small.jpg");
        preview.setNoImage();
        QVERIFY(!shown.wait(200));
        QVERIFY(preview.showsNoImage());
    }

    void digitLayouts()
    {
        QCOMPARE(PTMapPhoto::digitRects(7), (QList<QRectF>{QRectF(9, 7, 8, 12)}));
        QCOMPARE(PTMapPhoto::digitRects(42), (QList<QRectF>{QRectF(5, 7, 8, 12), QRectF(13, 7, 8, 12)}));
        QCOMPARE(PTMapPhoto::digitRects(123),
                 (QList<QRectF>{QRectF(4, 8, 6, 9), QRectF(10, 8, 6, 9), QRectF(16, 8, 6, 9)}));
        const QList<QRectF> four = PTMapPhoto::digitRects(1234);
        QCOMPARE(four.size(), 4);
        for (const QRectF &r : four)
            QVERIFY(QRectF(0, 0, 25, 25).contains(r));
        // A painted 1234 disc stays inside its square and draws every digit.
        PTMapPhoto disc(12.5, 12.5, 1234);
        QImage img(25, 25, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        disc.paint(&p, nullptr, nullptr);
        p.end();
        for (const QRectF &r : four) {
            bool dark = false;
            for (int x = int(r.left()); x < int(r.right()); ++x)
                for (int y = int(r.top()); y < int(r.bottom()); ++y)
                    dark = dark || qGray(img.pixel(x, y)) < 80;
            QVERIFY(dark);
        }
    }

    void pixmapLabelShape()
    {
        PixmapLabel label;
        QCOMPARE(label.heightForWidth(100), 0);
        QPixmap pm(200, 100);
        pm.fill(Qt::red);
        label.resize(50, 80);
        label.setImage(pm);
        QCOMPARE(label.heightForWidth(100), 50);
        QCOMPARE(label.pixmap(Qt::ReturnByValue).size(), QSize(50, 25));
        PTPreview preview;
        QVERIFY(!preview.setImage("/nonexistent/thumb.jpg"));
        QVERIFY(preview.showsNoImage());
        QVERIFY(!preview.picture().isNull());
    }
};

KORVEL_TEST_MAIN(TestPTWindow)
#include "test_ptwindow.moc"
