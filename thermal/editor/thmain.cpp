#include "thermal/editor/thmain.h"

#include <QAction>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/pngicon.h"
#include "core/prompt/prompt.h"
#include "thermal/araheader.h"
#include "thermal/editor/thbottom.h"
#include "thermal/editor/thimageexport.h"
#include "thermal/editor/thright.h"
#include "thermal/project/thdata.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thscale.h"
#include "thermal/view/thscaleall.h"
#include "thermal/view/thview.h"

namespace {
const char *const kToolBarStyle = "QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}";

struct ExportFormat {
    const char *key;
    const char *filter;
};
const ExportFormat kExtraFormats[] = {
    {"png", "PNG - Portable Network Graphics (*.png)"}, {"bmp", "BMP - Windows Bitmap (*.bmp)"},
    {"eps", "EPS - Encapsulated PostScript (*.eps)"},   {"tga", "TGA - Targa Image File (*.tga)"},
    {"tif", "TIF - Tagged Image File Format (*.tif)"},  {"pcx", "PCX - Picture Exchange V3.0 (*.pcx)"},
    {"ppm", "PPM - Portable Pixmap (*.ppm)"},           {"rgb", "RGB - SGI Image File (*.rgb)"},
    {"xpm", "XPM - X Pixmap Format (*.xpm)"},
};
}  // namespace

THMain::THMain(THData *project, QWidget *parent) : ToolWindow(parent), m_project(project)
{
    qDebug() << "[THMain] Constructor START";
    if (!project)
        qDebug() << "[THMain] Constructor ERROR: tdata == NULL!";

    m_view = new THView;
    m_scale = new THScale;
    m_right = new THRight;
    m_bottom = new THBottom(project);

    auto *tools = new QToolBar;
    tools->setOrientation(Qt::Vertical);
    tools->setMovable(false);
    tools->setStyleSheet(QString::fromLatin1(kToolBarStyle));
    // The label shows only where the icon is missing from the resources.
    auto add = [&](const char *icon, const QString &label, const QString &tip, bool checkable) {
        QAction *a = tools->addAction(PngIcon::fromFile(QString::fromLatin1(icon)), label);
        a->setToolTip(tip);
        a->setStatusTip(tip);
        a->setCheckable(checkable);
        m_actions << a;
        return a;
    };
    QAction *select = add(":/wp_pfeil.png", tr("Select"), tr("Select and edit an item on your thermal image"), true);
    select->setChecked(true);
    QAction *point = add(":/th_point.png", tr("Point"), tr("Add a measurement point on the thermal image"), true);
    QAction *rect = add(":/th_rect.png", tr("Area"), tr("Add rectangle to examine highest and lowest temperature in area"), true);
    QAction *circle = add(":/th_circle.png", tr("Circle"), QString(), true);
    circle->setVisible(false);
    QAction *line = add(":/th_meas.png", tr("Line"), QString(), true);
    line->setVisible(false);
    m_modeActions = {select, point, rect, circle, line};
    tools->addSeparator();
    QAction *origin = add(":/th_autoscale.png", tr("1:1"), tr("Scale image to origin size"), false);
    QAction *zoomIn = add(":/th_zoomin.png", tr("Zoom +"), tr("Zoom in the image"), false);
    QAction *zoomOut = add(":/th_zoomout.png", tr("Zoom -"), tr("Zoom out the image"), false);
    tools->addSeparator();
    QAction *exportAction = add(":/th_export.png", tr("Export"), tr("Export single image"), false);

    m_scaleButton = new QToolButton;
    m_scaleButton->setFixedWidth(100);
    m_scaleButton->setAutoRaise(true);
    m_scaleButton->setPopupMode(QToolButton::InstantPopup);
    m_scaleButton->setText(tr("Full Scale"));
    auto *menu = new QMenu(tr("Scale"), m_scaleButton);
    menu->setIcon(QIcon(QStringLiteral(":/th_export.png")));
    m_full = menu->addAction(QIcon(QStringLiteral(":/th_scale_full.png")), tr("Full scale"));
    m_deep = menu->addAction(QIcon(QStringLiteral(":/th_scale_deep.png")), tr("Deep scale"));
    menu->addSeparator();
    m_auto = menu->addAction(QIcon(QStringLiteral(":/th_scale_auto.png")), tr("Autoscale"));
    m_enter = menu->addAction(QIcon(QStringLiteral(":/th_scale_enter.png")), tr("Enter scale..."));
    m_all = menu->addAction(QIcon(QStringLiteral(":/th_scale_all.png")), tr("Scale all..."));
    m_scaleButton->setMenu(menu);
    setToolsEnabled(false);

    auto *container = new QWidget;
    auto *top = new QHBoxLayout;
    top->addWidget(tools);
    top->addWidget(m_view, 1);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_scaleButton);
    bottomRow->addWidget(m_scale, 1);
    auto *column = new QVBoxLayout(container);
    column->addLayout(top, 1);
    column->addLayout(bottomRow);
    auto *vertical = new QSplitter(Qt::Vertical);
    vertical->addWidget(container);
    vertical->addWidget(m_bottom);
    auto *horizontal = new QSplitter(Qt::Horizontal);
    horizontal->addWidget(vertical);
    horizontal->addWidget(m_right);
    m_right->setMinimumWidth(340);
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    horizontal->setStretchFactor(0, 3);
    horizontal->setStretchFactor(1, 1);
    for (QSplitter *s : {vertical, horizontal}) {
        s->setChildrenCollapsible(false);
        s->setHandleWidth(1);
        s->setContentsMargins(0, 0, 0, 0);
        s->setStyleSheet(QStringLiteral("QSplitter::handle { background-color: black }"));
    }
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(horizontal);

    connect(zoomIn, &QAction::triggered, m_view, &THView::zoomIn);
    connect(zoomOut, &QAction::triggered, m_view, &THView::zoomOut);
    connect(origin, &QAction::triggered, m_view, &THView::setOriginSize);
    connect(exportAction, &QAction::triggered, this, &THMain::exportFile);
    connect(m_scale, &THScale::updateMinValue, m_view, &THView::changeScaleMin);
    connect(m_scale, &THScale::updateMaxValue, m_view, &THView::changeScaleMax);
    connect(m_view, &THView::arrangeMinMax, m_scale, &THScale::setScaleValues);
    connect(m_bottom, &THBottom::itemSelected, this, &THMain::openFileIndex);
    if (project)
        connect(m_view, &THView::updateMinMax, project, &THData::minmaxUpdated);
    connect(m_view, &THView::updateMinMax, m_right, &THRight::updateMinMax);
    connect(m_full, &QAction::triggered, this, &THMain::fullScale);
    connect(m_deep, &QAction::triggered, this, &THMain::deepScale);
    connect(m_auto, &QAction::triggered, this, &THMain::autoScale);
    connect(m_enter, &QAction::triggered, this, &THMain::enterScale);
    connect(m_all, &QAction::triggered, this, &THMain::allScale);
    connect(select, &QAction::triggered, this, &THMain::selectMode);
    connect(point, &QAction::triggered, this, &THMain::pointMode);
    connect(rect, &QAction::triggered, this, &THMain::rectangleMode);
    connect(circle, &QAction::triggered, this, &THMain::circleMode);
    connect(line, &QAction::triggered, this, &THMain::lineMode);
    if (project) {
        connect(m_view, &THView::newPoint, project, &THData::newPointAdded);
        connect(m_view, &THView::changePoint, project, &THData::pointValuesChanged);
        connect(m_view, &THView::deletePoint, project, &THData::pointDeleted);
    }
    connect(m_view, &THView::newPoint, m_right, &THRight::newPointAdded);
    connect(m_view, &THView::changePoint, m_right, &THRight::pointValuesChanged);
    connect(m_view, &THView::deletePoint, m_right, &THRight::pointDeleted);
    connect(m_view, &THView::newRectAngle, this, &THMain::newRectAngle);
    connect(m_view, &THView::newRectAngleLoaded, this, &THMain::newRectAngleLoaded);
    connect(m_right, &THRight::deleteRectENTF, this, &THMain::deleteRect);
    if (project) {
        connect(m_right, &THRight::orientChanged, project, &THData::orientChanged);
        connect(m_right, &THRight::idnumberChanged, project, &THData::idNumberChanged);
    }
    connect(m_right, &THRight::orientChanged, m_view, &THView::setOrient);
    connect(m_right, &THRight::idnumberChanged, m_view, &THView::changeID);
    connect(m_view, &THView::dataChanged, this, &THMain::dataChanged);
    connect(m_bottom, &THBottom::dataChanged, this, &THMain::dataChanged);
    connect(m_bottom, &THBottom::saveProj, this, &THMain::saveProjectSignal);
    // The tab's "*" follows the project's changes.
    connect(this, &THMain::dataChanged, this, [this] { setModified(true); });
    qDebug() << "[THMain] Constructor END";
}

QString THMain::projectName() const
{
    return m_project ? m_project->projectName : QString();
}

bool THMain::save(QString *error)
{
    if (!saveProject(error))
        return false;
    setModified(false);
    return true;
}

bool THMain::saveProject(QString *error)
{
    if (!m_project) {
        if (error)
            *error = tr("No project is open.");
        return false;
    }
    return m_project->saveCurrentProject(error);
}

QList<QAction *> THMain::scaleActions() const
{
    return {m_full, m_deep, m_auto, m_enter, m_all};
}

void THMain::setToolsEnabled(bool enabled)
{
    for (QAction *a : qAsConst(m_actions))
        a->setEnabled(enabled);
    m_scaleButton->setEnabled(enabled);
    m_scale->setEnabled(enabled);
}

void THMain::setMode(int mode)
{
    for (int i = 0; i < m_modeActions.size(); ++i)
        m_modeActions[i]->setChecked(i == mode);
    m_view->setMode(mode);
}

void THMain::selectMode() { setMode(0); }
void THMain::pointMode() { setMode(1); }
void THMain::rectangleMode() { setMode(2); }
void THMain::circleMode() { setMode(3); }
void THMain::lineMode() { setMode(4); }

void THMain::openFileIndex(int i)
{
    qDebug() << "[THMain] openFileIndex";
    if (!m_project || i < 0 || i >= m_project->imageCount())
        return;
    QFile file(m_project->imagePath(i));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray header = file.read(512);
    const QByteArray pixels = file.readAll();
    const int min = m_project->scaleMin.value(i);
    const int max = m_project->scaleMax.value(i);
    if (m_view->setImageData(header, pixels, min, max)) {
        setToolsEnabled(true);
    } else {
        m_view->showNoImage();
        setToolsEnabled(false);
    }
    m_right->clearRects();
    m_scale->setScaleValues(QPoint(min, max));
    m_project->setCurrentIndex(i);
    m_project->setCurrentImageRawData(pixels, m_view->image().size());
    m_right->fillHistogram(m_view->rawData(), QPoint(min, max));
    m_project->setCurrentMeasurementType(m_right->fillHeader(header));
    m_scaleButton->setText(tr("Full Scale"));
    m_scale->setScaleRange(ThermalRenderer::fullScaleMin, ThermalRenderer::fullScaleMax);
    if (THDataPointList *points = m_project->currentPointList()) {
        m_right->loadPoints(*points);
        m_view->setPoints(*points);
    }
    QList<QRectF> rects;
    if (QList<QRectF *> *stored = m_project->currentRectList())
        for (const QRectF *r : qAsConst(*stored))
            rects << *r;
    m_view->setRectangles(rects);
}

void THMain::newRectAngle(QPointF startP, QPointF stopP)
{
    double min, max, mean;
    QPointF minPos, maxPos;
    m_view->markRectangleMinMax(startP, stopP, min, max, mean, minPos, maxPos, false);
    const int id = m_project ? m_project->addRect(startP, stopP) : 0;
    m_right->newRectAngleAdded(id, min, max, mean);
    m_view->addRectangle(id, startP, stopP);
    emit dataChanged();
}

void THMain::newRectAngleLoaded(QPointF startP, QPointF stopP, int id)
{
    double min, max, mean;
    QPointF minPos, maxPos;
    m_view->markRectangleMinMax(startP, stopP, min, max, mean, minPos, maxPos, true);
    m_right->newRectAngleAdded(id, min, max, mean);
    m_view->addRectangle(id, startP, stopP);
}

void THMain::deleteRect(int id)
{
    if (m_project)
        m_project->removeRect(id);
    m_view->deleteRectangle(id);
    m_right->deleteRect(id);
    emit dataChanged();
}

void THMain::fullScale()
{
    m_scaleButton->setText(tr("Full Scale"));
    minMax(false);
}

void THMain::deepScale()
{
    m_scaleButton->setText(tr("Deep Scale"));
    minMax(true);
}

void THMain::autoScale()
{
    m_view->autoScale();
}

void THMain::minMax(bool deep)
{
    if (!deep) {
        m_scale->setScaleRange(ThermalRenderer::fullScaleMin, ThermalRenderer::fullScaleMax);
        return;
    }
    const QPoint mm = m_view->getImageMinMax();
    qDebug() << "minMax" << mm;
    if (m_view->scaleMin() < mm.x() || m_view->scaleMax() > mm.y()) {
        const int answer = Prompt::message(
            nullptr, QStringLiteral(":/icons/80/info"), tr("Current setting out or range"),
            tr("The current set minimal and/or maximal value is out of range of the minimal and/or "
               "maximal value of the image. The image have to be autoscaled.<br><br>Are you sure you "
               "want to proceed?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::No) {
            m_scaleButton->setText(tr("Full Scale"));
            return;
        }
        m_view->autoScale();
    }
    m_scale->setScaleRange(mm.x(), mm.y());
}

void THMain::enterScale()
{
    THScaleAll dialog(m_project, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QPoint mm = dialog.result();
    m_scale->setScaleValues(mm);
    m_view->setScaleMinMax(mm.x(), mm.y());
}

void THMain::allScale()
{
    const int answer = Prompt::message(
        this, QStringLiteral(":/icons/80/question"), tr("Confirm operation"),
        tr("All image temperature/raw value will be scaled to the values of the current image. Are you sure?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::No || !m_project)
        return;
    m_project->applyCurrentScaleToAll();
    emit dataChanged();
}

QString THMain::exportFilter()
{
    QString filter = QStringLiteral("JPG - JPEG File Interchange Format (*.jpg)");
    QSet<QString> supported;
    for (const QByteArray &f : QImageWriter::supportedImageFormats())
        supported.insert(QString::fromLatin1(f.left(3)).toLower());
    for (const ExportFormat &f : kExtraFormats)
        if (supported.contains(QString::fromLatin1(f.key)))
            filter += QStringLiteral(";;") + QString::fromLatin1(f.filter);
    return filter;
}

QString THMain::extensionForFilter(const QString &filter)
{
    const QString key = filter.left(3).toLower();
    if (key == QLatin1String("jpg"))
        return QStringLiteral(".jpg");
    for (const ExportFormat &f : kExtraFormats)
        if (key == QLatin1String(f.key))
            return QLatin1Char('.') + key;
    return QString();
}

void THMain::exportFile()
{
    qDebug() << "[THMain] exportFile";
    Data *data = Data::instance();
    const QString start = data->rememberedFolder(QStringLiteral("Last Thermal Editor Export Path"));
    Prompt::Request request;
    request.kind = Prompt::Request::SaveFile;
    request.parent = this;
    request.title = tr("Export to Image");
    request.directory = start;
    request.filter = exportFilter();
    request.options = QFileDialog::DontConfirmOverwrite;
    const Prompt::Answer answer = Prompt::choose(request);
    if (answer.paths.isEmpty() || answer.paths.first().isEmpty())
        return;
    QString fileName = answer.paths.first();
    QString ext = extensionForFilter(answer.selectedFilter);
    if (ext.isEmpty())
        ext = QStringLiteral(".jpg");  // the first filter
    if (!fileName.toLower().endsWith(ext))
        fileName += ext;
    data->rememberFolder(QStringLiteral("Last Thermal Editor Export Path"), QFileInfo(fileName).absolutePath());
    if (QFileInfo::exists(fileName)) {
        Prompt::Request ask;
        ask.parent = this;
        ask.iconPath = QStringLiteral(":/icons/80/question");
        ask.text = tr("File already exists.");
        ask.informativeText = tr("Do you want to overwrite it?");
        ask.buttons = QMessageBox::Yes | QMessageBox::No;
        ask.defaultButton = QMessageBox::No;
        if (Prompt::ask(ask) != QMessageBox::Yes)
            return;
    }
    const QImage image = m_view->sceneImage();
    QString error;
    switch (THImageExport::write(image, AraHeader(m_view->header()), fileName, &error)) {
    case THImageExport::Result::Written:
        break;
    case THImageExport::Result::WrittenWithoutTags:
        Prompt::error(this, tr("Export failed"),
                      tr("The image was saved, but its EXIF tags could not be written to %1.").arg(fileName.toHtmlEscaped()));
        break;
    case THImageExport::Result::Failed:
        Prompt::error(this, tr("Export failed"),
                      tr("The image could not be saved to %1.").arg(fileName.toHtmlEscaped()) + QStringLiteral("<br><br>")
                          + error.toHtmlEscaped());
        break;
    }
}
