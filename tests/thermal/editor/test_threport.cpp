// The exported report as a browser shows it: every picture loads at its full
// size, one heading per enabled image, the pin tables as written.
#include <QDir>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/localonly.h"
#include "support/testkit.h"
#include "thermal/editor/ththread.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

namespace {
QVariant js(QWebEnginePage *page, const QString &script)
{
    return KorvelTest::runScript(page, script);
}
}  // namespace

class TestTHReport : public QObject {
    Q_OBJECT
private slots:
    void reportShowsEveryEnabledImage()
    {
        Data::instance();
        KorvelTest::LocalOnly filter(KorvelTest::LocalOnly::BlockLoopback);
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&filter);

        const QString name = QStringLiteral("Report");
        QDir().mkpath(ThermalPaths::imageFolderPath(name));
        THData project;
        project.imageFolder = ThermalPaths::imageFolderPath(name);
        for (int i = 0; i < 3; ++i) {
            project.appendImage(QStringLiteral("IMG_%1.ARA").arg(i), i != 1, 7000, 7600, 2);
            project.reportTitles[i] = QStringLiteral("Section <%1>").arg(i);
            AraGen::writeFile(project.imagePath(i),
                              AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, i)));
        }
        project.pointLists[0]->append(QPointF(320, 256), 1, 7500.9, 0);
        project.pointLists[0]->append(QPointF(100, 100), 2, 7000, 0);
        project.reportTexts[2] = QStringLiteral("first\nsecond");

        const QString target = KorvelTest::home()->path() + "/report-out";
        THThread job(&project);
        job.createReportWithHTML(target, 0, false, true, false);
        QVERIFY(QTest::qWaitFor([&] { return job.isFinished(); }, 30000));
        QVERIFY(job.success);

        QWebEnginePage page;
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(target + "/report.html"));
        QVERIFY(loaded.wait(KorvelTest::kWaitMs));
        QVERIFY(loaded.first().first().toBool());
        QVERIFY(KorvelTest::waitFor([&] {
            return js(&page, "Array.prototype.every.call(document.images, function(i) { return i.complete; })").toBool();
        }));
        QCOMPARE(js(&page, "document.images.length").toInt(), 2);
        QCOMPARE(js(&page, "Array.prototype.map.call(document.images, function(i) { return i.naturalWidth + 'x' + i.naturalHeight; }).join(',')").toString(),
                 QStringLiteral("640x512,640x512"));
        QCOMPARE(js(&page, "Array.prototype.map.call(document.querySelectorAll('h1'), function(h) { return h.textContent; }).join('|')").toString(),
                 QStringLiteral("Section <0>|Section <2>"));
        QCOMPARE(js(&page, "Array.prototype.map.call(document.querySelectorAll('td'), function(c) { return c.textContent; }).join('|')").toString(),
                 QString::fromUtf8("Pin|Value|1|26.85°C|2|6.85°C"));
        QCOMPARE(js(&page, "document.querySelectorAll('br').length > 0").toBool(), true);
        QVERIFY(js(&page, "document.body.innerText").toString().contains("first\nsecond"));
        QVERIFY(filter.blocked.isEmpty());
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    }
};

KORVEL_TEST_MAIN(TestTHReport)
#include "test_threport.moc"
