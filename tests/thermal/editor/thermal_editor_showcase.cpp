// Shows the thermal editor and its dialogs on a generated project, for
// looking at them by eye: thermal_editor_showcase <view>. Run with HOME set
// to a scratch folder. Not a test.
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "core/listviewmod.h"
#include "thermal/view/thview.h"
#include <QLineEdit>
#include "support/aragen.h"
#include "thermal/editor/dbthermal.h"
#include "thermal/editor/thbottom.h"
#include "thermal/editor/ththread.h"
#include <QWebEngineView>
#include "thermal/editor/thexportproject.h"
#include "thermal/editor/thmain.h"
#include "thermal/editor/thright.h"
#include "thermal/editor/thstartwizard.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brisolan Technologies");
    QApplication::setApplicationName("Korvel Tarvendel");
    const QString what = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("editor");
    Data::instance()->setThermalPalette(0);

    const QString name = QStringLiteral("Roof survey");
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    auto *project = new THData;
    project->projectFile = ThermalPaths::projectFilePath(name);
    project->projectName = name;
    project->imageFolder = ThermalPaths::imageFolderPath(name);
    const QString recordings = QDir::homePath() + QStringLiteral("/recordings");
    QDir().mkpath(recordings);
    for (int i = 0; i < 3; ++i) {
        AraGen::FrameParams p;
        p.fileMode = quint16(i == 1 ? 1 : 2);
        const QVector<quint16> counts = AraGen::scene(640, 512, i);
        const QString file = QStringLiteral("IMG_%1.ARA").arg(i + 1, 4, 10, QLatin1Char('0'));
        AraGen::writeFile(ThermalPaths::imageFolderPath(name) + "/" + file, AraGen::araFile(p, counts));
        AraGen::writeFile(recordings + "/" + file, AraGen::araFile(p, counts, AraGen::LineCompressed));
        project->appendImage(file, i != 2, 7000, 7700, 2);
        project->reportTitles[i] = QStringLiteral("Roof section %1").arg(i + 1);
    }
    project->pointLists[0]->append(QPointF(320, 256), 1, 7300, 0);
    project->pointLists[0]->append(QPointF(120, 300), 2, 7250, 2);
    project->rectLists[0]->append(new QRectF(QPointF(380, 80), QPointF(560, 200)));
    project->rectLists[0]->append(new QRectF(QPointF(60, 330), QPointF(250, 470)));
    project->saveCurrentProject();

    if (what.startsWith(QLatin1String("wizard"))) {
        auto *wizard = new THStartWizard(project);
        wizard->show();
        if (what == QLatin1String("wizard1")) {
            // Answer the folder chooser with the recordings.
            Prompt::setResponder([recordings](const Prompt::Request &) {
                Prompt::Answer a;
                a.paths << recordings;
                return a;
            });
            wizard->nextClicked();
            Prompt::setResponder(nullptr);
            wizard->nameEdit()->setText(QStringLiteral("Roof survey 2"));
            wizard->fileList()->setCurrentItem(wizard->fileList()->topLevelItem(0));
        }
        if (what == QLatin1String("wizard2")) {
            wizard->choiceList()->setCurrentIndex(wizard->choiceList()->model()->index(1, 0));
            wizard->chooseNaviChanged();
            wizard->nextClicked();
        }
        return app.exec();
    }
    if (what == QLatin1String("dbpage")) {
        auto *page = new DBThermal;
        page->resize(700, 420);
        page->showProjectInfo(name);
        page->show();
        return app.exec();
    }
    if (what == QLatin1String("webreport")) {
        project->pointLists[2]->append(QPointF(300, 200), 1, 7400, 0);
        project->reportTexts[0] = QStringLiteral("South side, two warm spots.\nCheck the seal at pin 1.");
        THThread job(project);
        const QString target = QDir::homePath() + QStringLiteral("/export");
        job.createReportWithHTML(target, 0, false, true, false);
        job.wait();
        auto *view = new QWebEngineView;
        view->resize(1200, 800);
        view->load(QUrl::fromLocalFile(target + QStringLiteral("/report.html")));
        view->show();
        return app.exec();
    }
    if (what == QLatin1String("export")) {
        auto *dialog = new THExportProject(project);
        dialog->show();
        return app.exec();
    }

    auto *editor = new THMain(project);
    editor->resize(1280, 800);
    editor->show();
    editor->bottomPanel()->list()->setCurrentItem(editor->bottomPanel()->list()->topLevelItem(0));
    editor->view()->pointSelected(1);
    if (what == QLatin1String("info"))
        editor->sidePanel()->upperTabs()->setCurrentIndex(1);
    if (what == QLatin1String("area"))
        editor->sidePanel()->lowerTabs()->setCurrentIndex(1);
    if (what == QLatin1String("report"))
        editor->bottomPanel()->openReport(editor->bottomPanel()->list()->model()->index(0, 0));
    return app.exec();
}
