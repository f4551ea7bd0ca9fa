#include "thermal/editor/ththread.h"

#include <QBuffer>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QMutex>
#include <QThreadPool>
#include <QtConcurrent>
#include <atomic>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "exif/exifhandler.h"
#include "thermal/araheader.h"
#include "thermal/arafile.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thexportscene.h"

namespace {

// Plain text for HTML: markup characters escaped, and everything outside
// Latin-1 as a character reference, since the report is written in Latin-1.
QString html(const QString &text)
{
    const QString escaped = text.toHtmlEscaped();
    QString out;
    out.reserve(escaped.size());
    const QVector<uint> codes = escaped.toUcs4();
    for (uint c : codes) {
        if (c < 256)
            out += QChar(c);
        else
            out += QStringLiteral("&#%1;").arg(c);
    }
    return out;
}

QString uniqueName(const QString &base, const QString &ext, QSet<QString> *used)
{
    QString name = base + ext;
    for (int n = 2; used->contains(name.toLower()); ++n)
        name = QStringLiteral("%1_%2%3").arg(base).arg(n).arg(ext);
    used->insert(name.toLower());
    return name;
}

// The pin's whole count, in degrees where the frame measures temperature.
QString pinValue(double value, const AraHeader &header)
{
    return QStringLiteral("<td>%1</td>").arg(ThermalRenderer::valueText(qint32(value), header.measurementType()));
}

}  // namespace

THThread::THThread(THData *project, QObject *parent) : QThread(parent), m_project(project)
{
    qDebug() << "[THThread] Contructor";
}

THThread::~THThread()
{
    wait();
}

void THThread::addFile(const QString &path)
{
    files << path;
}

bool THThread::setProjectName(const QString &name)
{
    qDebug().noquote() << QStringLiteral("[THThread] setProjectName %1").arg(name);
    if (QFileInfo::exists(ThermalPaths::thermalFolderPath() + QDir::separator() + name))
        return false;
    projectName = name;
    return true;
}

bool THThread::createFlirProject()
{
    qDebug() << "[THThread] createFlirProject";
    if (files.isEmpty())
        return false;
    mode = 1;
    start();
    return true;
}

void THThread::createReportWithHTML(const QString &folder, int format, bool imageDataOnly,
                                    bool pins, bool nameAsTitle)
{
    qDebug().noquote() << QStringLiteral("[THThread] createReportWithHTML %1").arg(folder);
    exportTarget = folder;
    imageFormat = format;
    onlyImages = false;
    onlyImageData = imageDataOnly;
    pinTable = imageDataOnly ? false : pins;
    imageNameAsTitle = nameAsTitle;
    mode = 2;
    start();
}

void THThread::exportOnlyImages(const QString &folder, int format, bool imageDataOnly)
{
    qDebug().noquote() << QStringLiteral("[THThread] exportOnlyImages %1").arg(folder);
    exportTarget = folder;
    imageFormat = format;
    onlyImageData = imageDataOnly;
    onlyImages = true;
    mode = 2;
    start();
}

void THThread::canceled()
{
    qDebug() << "[THThread] canceled";
    QMutexLocker lock(&m_mutex);
    m_cancelRequested = true;
}

bool THThread::isCancelRequested()
{
    QMutexLocker lock(&m_mutex);
    return m_cancelRequested;
}

bool THThread::fail(const QString &error)
{
    errorString = error;
    return false;
}

void THThread::run()
{
    qDebug() << "[THThread] run";
    if (mode == 1) {
        success = crFlirProject();
        qDebug().noquote() << QStringLiteral("[THThread] crFlirProject result %1 ").arg(success ? 1 : 0);
    } else if (mode == 2) {
        success = crExportProject();
    }
}

bool THThread::crFlirProject()
{
    qDebug() << "[THThread] crFlirProject";
    emit flirProject();
    const QString folder = ThermalPaths::thermalFolderPath() + QDir::separator() + projectName;
    // The project is assembled under a hidden name and takes its own only
    // when whole: a creation that fails, is cancelled or killed leaves no
    // half project that would block the name.
    AtomicFile::Folder staging(folder);
    auto cleanUp = [&](const QString &error) {
        emit cleanup();
        staging.cancel();
        return fail(error);
    };
    if (projectName.isEmpty())
        return fail(tr("No project name given."));
    if (files.isEmpty())
        return fail(tr("No files selected."));
    const QString imagesName = QStringLiteral("thermal_images");
    if (!QDir().mkpath(ThermalPaths::thermalFolderPath()) || !staging.open()
        || !QDir().mkpath(staging.path() + QDir::separator() + imagesName)
        || !QDir().mkpath(staging.path() + QDir::separator() + QStringLiteral("images")))
        return cleanUp(tr("The project folder %1 cannot be created.").arg(folder));
    // Files are written in the staging folder; messages name where they go.
    auto staged = [&](const QString &final) {
        return staging.path() + final.mid(folder.size());
    };
    const QString images = folder + QDir::separator() + imagesName;

    THProjectFileContent content;
    content.written = QDateTime::currentDateTime();
    content.secondCount = secondFileNames.size();
    // Copy, decode and min/max of one file; files are independent, so they
    // run side by side, and the records keep the order of the list.
    struct Copied {
        THImageRecord record;
        QString error;
    };
    // Counting and telling under one lock: the numbers reach listeners in
    // order, so the progress never steps back and ends at the total.
    QMutex progressLock;
    int done = 0;
    auto copyOne = [&](const QString &path) {
        Copied out;
        if (isCancelRequested()) {
            out.error = tr("Cancelled.");
            return out;
        }
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly)) {
            out.error = AtomicFile::describe(path, source.errorString());
            return out;
        }
        const QByteArray bytes = source.readAll();
        if (source.error() != QFileDevice::NoError) {
            out.error = AtomicFile::describe(path, source.errorString());
            return out;
        }
        const QString copy = images + QDir::separator() + QFileInfo(path).fileName();
        QString reason;
        if (!AtomicFile::write(staged(copy), bytes, &reason)) {
            out.error = AtomicFile::describe(copy, reason);
            return out;
        }
        out.record.fileName = QFileInfo(path).fileName();
        out.record.measurementType = AraHeader(bytes.left(AraHeader::blockSize)).projectMeasurementType();
        // Limits of this copy only: one that cannot be decoded keeps 0 and 0.
        AraFile frame;
        if (frame.setData(bytes.left(AraHeader::blockSize), bytes.mid(AraHeader::blockSize))) {
            const QPoint mm = ThermalRenderer::minMax(frame.counts());
            out.record.scaleMin = mm.x();
            out.record.scaleMax = mm.y();
        }
        {
            QMutexLocker lock(&progressLock);
            emit copyFile(++done, files.size());
        }
        return out;
    };
    QList<Copied> copied;
    if (threads == 1) {
        for (const QString &path : qAsConst(files)) {
            copied << copyOne(path);
            if (!copied.last().error.isEmpty())
                break;
        }
    } else {
        QThreadPool pool;
        if (threads > 0)
            pool.setMaxThreadCount(threads);
        QVector<Copied> results(files.size());
        std::atomic<int> next{0};
        auto worker = [&] {
            for (int i = next++; i < files.size(); i = next++)
                results[i] = copyOne(files[i]);
        };
        QList<QFuture<void>> running;
        for (int t = 0; t < pool.maxThreadCount(); ++t)
            running << QtConcurrent::run(&pool, worker);
        for (QFuture<void> &f : running)
            f.waitForFinished();
        copied = results.toList();
    }
    for (const Copied &c : qAsConst(copied)) {
        if (!c.error.isEmpty())
            return cleanUp(c.error);
        content.images << c.record;
    }
    const QString projectFile = folder + QDir::separator() + projectName + QStringLiteral(".zth");
    QString error;
    if (!AtomicFile::write(staged(projectFile), [&](QIODevice &d) { return THProjectFile::write(d, content); },
                           &error))
        return cleanUp(AtomicFile::describe(projectFile, error));
    if (!staging.commit())
        return cleanUp(AtomicFile::describe(folder, staging.reason()));
    return true;
}

bool THThread::crExportProject()
{
    qDebug() << "[THThread] crExportProject";
    emit createReportSignal();
    QString report = QStringLiteral("<html><body>");
    if (exportTarget.isEmpty())
        return fail(tr("No export folder was chosen."));
    if (!m_project || m_project->imageCount() == 0)
        return fail(tr("The project has no images."));
    if (!QDir().mkpath(exportTarget))
        return fail(tr("The folder %1 cannot be created.").arg(exportTarget));

    THExportScene scene(Data::instance()->thermalPalette());
    const int count = m_project->imageCount();
    const QString ext = imageFormat == 0 ? QStringLiteral(".jpg") : QStringLiteral(".tif");
    QSet<QString> used;
    for (int i = 0; i < count; ++i) {
        if (!m_project->enabled.value(i))
            continue;
        emit createFile(i + 1, count);
        const QString source = m_project->imagePath(i);
        // A copy that cannot be read is skipped: the scene would still hold
        // the image before it.
        if (!scene.loadFile(source, m_project->scaleMin.value(i), m_project->scaleMax.value(i))) {
            skippedImages << m_project->imageFileNames.value(i);
            continue;
        }
        const THDataPointList &points = *m_project->pointLists.at(i);
        scene.setPoints(points);
        QList<QRectF> rects;
        for (const QRectF *r : qAsConst(*m_project->rectLists.at(i)))
            rects << *r;
        scene.setRectangles(rects);

        const QString name = uniqueName(QFileInfo(m_project->imageFileNames.value(i)).baseName(), ext, &used);
        const QString heading = imageNameAsTitle ? name : m_project->reportTitles.value(i);
        report += QStringLiteral("<h1>") + html(heading) + QStringLiteral("</h1>");
        report += QStringLiteral("<img src=\"./%1\" align=\"middle\">").arg(html(name));
        report += QStringLiteral("<br><br>");

        const QImage picture = onlyImageData ? scene.image() : scene.getSceneImageWithItems();
        const AraHeader header(scene.header());
        if (pinTable && points.size() > 0) {
            report += QStringLiteral("<table border=\"1\" frame=\"above\" align=\"center\">"
                                     "<tr><td><b>Pin</b></td><td><b>Value</b></td></tr>");
            for (int p = 0; p < points.size(); ++p) {
                report += QStringLiteral("<tr><td>%1</td>").arg(points.ids.value(p));
                report += pinValue(points.values.value(p), header) + QStringLiteral("</tr>");
            }
            report += QStringLiteral("</table><br>");
        }

        ExifHandler exif;
        exif.clear();
        exif.setModel(QStringLiteral("Tau 2 640"));
        exif.setMake(QStringLiteral("FLIR"));
        exif.setSoftware(QStringLiteral("Korvel Tarvendel by Brisolan Technologies GmbH"));
        exif.setGPSLonLat(header.longitude() / 10000000.0, header.latitude() / 10000000.0);
        exif.setCameraPitch(header.cameraPitch() / 100.0);
        exif.setCameraRoll(header.cameraRoll() / 100.0);
        exif.setGPSImgDirection(header.yaw() / 100.0);
        exif.setGPSAltitude((qint64(header.altitude()) + header.heightAddend()) / 1000.0);
        exif.setDateTime(QDateTime::fromMSecsSinceEpoch(header.gpsMSecsSinceEpoch(), Qt::UTC));
        exif.setGPSMapDatum();
        exif.setImageSize(picture.size());

        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const QString path = exportTarget + QLatin1Char('/') + name;
        const bool encoded = picture.save(&buffer, imageFormat == 0 ? "JPG" : "TIF", 100);
        buffer.close();
        if (!encoded) {
            failedFiles << AtomicFile::describe(path, QStringLiteral("the image could not be encoded"));
        } else {
            // Without its tags the picture is still written, and listed.
            if (!exif.saveExif(bytes))
                failedFiles << AtomicFile::describe(path, QStringLiteral("its EXIF tags could not be written"));
            QString reason;
            if (AtomicFile::write(path, bytes, &reason))
                writtenFiles << path;
            else
                failedFiles << AtomicFile::describe(path, reason);
        }

        QString text = html(m_project->reportTexts.value(i));
        text.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        report += text + QStringLiteral("<br><br>");
    }
    if (!onlyImages) {
        const QString path = exportTarget + QStringLiteral("/report.html");
        QString error;
        if (!AtomicFile::write(path, report.toLatin1(), &error)) {
            failedFiles << AtomicFile::describe(path, error);
            return fail(AtomicFile::describe(path, error));
        }
        writtenFiles << path;
    }
    return true;
}
