// Opening a stored plan that no stored map holds: the snapshot tool runs on
// the local test page until a capture holds the plan, which is then named
// and opened. Every request that is not a local file or loopback is blocked.
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTimer>
#include <QWebEngineProfile>
#include <QtTest>

#include "app/mainwindow.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "maps/acquisition/mapsnapshot.h"
#include "maps/acquisition/newmapform.h"
#include "maps/acquisition/webmap.h"
#include "maps/acquisition/wpsavemap.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/wpmain.h"
#include "support/localonly.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

// The tests link the map page, so the pages they get are of this WebMap.
WebMap *web(MapPage *page)
{
    return dynamic_cast<WebMap *>(page);
}

const bool s_sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QVariant js(QWebEnginePage *page, const QString &script)
{
    return KorvelTest::runScript(page, script);
}

double centreLon(QWebEnginePage *page)
{
    return QJsonDocument::fromJson(js(page, "testState()").toString().toUtf8())
        .object()["centre"]
        .toArray()
        .at(0)
        .toDouble();
}

// Hands every modal widget that comes up, once, to fn.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget *)> fn) : m_fn(std::move(fn))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *w = QApplication::activeModalWidget();
            // Dialogs on the stack may come back at the same address.
            m_seen.removeAll(QPointer<QWidget>());
            if (!w || m_seen.contains(w))
                return;
            m_seen << w;
            m_fn(w);
        });
        m_timer.start(20);
    }

private:
    std::function<void(QWidget *)> m_fn;
    QList<QPointer<QWidget>> m_seen;
    QTimer m_timer;
};

}  // namespace

class TestFlightPlanOpenWeb : public QObject {
    Q_OBJECT

    KorvelTest::LocalOnly m_filter;

private slots:
    void initTestCase()
    {
        setMapViewMaker(&WebMap::makeView);
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&m_filter);
        Data *data = Data::instance();
        const QString folder = data->mapApiPath() + "/TestMap";
        QVERIFY(QDir().mkpath(folder));
        QFile::remove(folder + "/index.html");
        const QString page =
            QDir::cleanPath(QStringLiteral(KORVEL_TEST_DATA "/../../maps/data/testmap/index.html"));
        QVERIFY(QFile::copy(page, folder + "/index.html"));
        QFile::setPermissions(folder + "/index.html", QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(data->setCurrentMapService("TestMap"));
        WebMap::setReplyTimeout(KorvelTest::kWaitMs);
    }
    void cleanupTestCase()
    {
        QVERIFY2(m_filter.blocked.isEmpty(), qPrintable(m_filter.blocked.join(' ')));
    }

    void captureUntilTheMapHoldsThePlan()
    {
        // A plan near 11.5 E / 48.1 N, where no stored map lies.
        {
            // Drawn on a map that is not among the stored ones.
            QTemporaryDir scratch;
            QImage image(400, 400, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            const QString map = scratch.filePath("scratch.jpg");
            MapDescription::writeImage(
                map, image,
                KorvelTest::mapRecord("Scratch", "test",
                                           {11.49, 48.11, 11.51, 48.11, 11.49, 48.09, 11.51, 48.09,
                                            11.5, 48.1, 1488.0, 2226.0}));
            WPData plan;
            QVERIFY(plan.loadMapImage(map));
            for (QPointF g : {QPointF(11.5, 48.1), QPointF(11.5001, 48.1001)}) {
                Waypoint wp;
                wp.longitude = g.x();
                wp.latitude = g.y();
                plan.addWaypoint(new WPWaypoint(0, 0, 1.0, plan.count() + 1, 0), wp);
                plan.setWaypointGeo(plan.count(), g.x(), g.y());
            }
            QDir().mkpath(Data::instance()->waypointPath());
            plan.setFilePath(Data::instance()->flightPlanFile("Roaming"));
            QVERIFY(plan.writeFile());
        }
        QCOMPARE(Data::instance()->flightPlanFirstPosition("Roaming"), QPointF(11.5, 48.1));
        QVERIFY(Data::instance()->mapsOfFlightPlan("Roaming").isEmpty());

        MainWindow w;
        KorvelTest::PromptScript prompts;
        prompts.button(QMessageBox::Yes);  // capture a map
        int snapshots = 0;
        bool named = false;
        ModalDriver driver([&](QWidget *modal) {
            if (auto *snap = qobject_cast<MapSnapshot *>(modal)) {
                ++snapshots;
                QVERIFY(KorvelTest::waitForTestPage(web(snap->webMap())));
                if (snapshots == 1) {
                    // The user wanders off before storing the view.
                    web(snap->webMap())->gotoLatLon(40.0, 5.0);
                    QTRY_COMPARE_WITH_TIMEOUT(centreLon(web(snap->webMap())), 5.0, KorvelTest::kWaitMs);
                }
                snap->savedclicked();
            } else if (auto *save = qobject_cast<WPSaveMap *>(modal)) {
                save->form()->nameEdit->setText("Captured");
                save->okayclicked();
                named = true;
            }
        });
        QMetaObject::invokeMethod(&w, "openFlightPlan", Q_ARG(QString, "Roaming"));
        QCOMPARE(snapshots, 2);
        QVERIFY(named);
        QStringList titles;
        for (const Prompt::Request &rq : prompts.requests())
            titles << rq.title;
        QCOMPARE(titles, (QStringList{"No map found", "Map not in Range"}));
        auto *plan = qobject_cast<WPMain *>(w.tabs()->currentWidget());
        QVERIFY(plan);
        QCOMPARE(w.tabs()->tabText(w.tabs()->currentIndex()), QString("Roaming"));
        QCOMPARE(plan->getWPData()->count(), 2);
        QVERIFY(plan->getWPData()->mapPath().endsWith("Captured.jpg"));
        QVERIFY(Data::instance()->isOpen(OpenKind::Map, "Captured"));
    }
};

KORVEL_TEST_MAIN(TestFlightPlanOpenWeb)
#include "test_flightplanopen_web.moc"
