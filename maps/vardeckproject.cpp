#include "maps/vardeckproject.h"

#include <QScopeGuard>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/prompt/prompt.h"
#include "maps/wpdata.h"

namespace {

double wrapLongitude(double lon)
{
    while (lon > 180.0)
        lon -= 360.0;
    while (lon < -180.0)
        lon += 360.0;
    return lon;
}

bool writeEntry(QuaZip &zip, const QString &name, const QByteArray &bytes)
{
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED,
                    Z_DEFAULT_COMPRESSION))
        return false;
    const bool ok = entry.write(bytes) == bytes.size();
    entry.close();
    return ok && entry.getZipError() == ZIP_OK;
}

}  // namespace

QJsonDocument projectArchiveJson(WPData &plan)
{
    QJsonArray tasks;
    for (int n = 1; n <= plan.count(); ++n) {
        plan.waypointType(n);  // closes an unclosed run end first
        const Waypoint wp = plan.record(n);
        QJsonObject position;
        position.insert(QStringLiteral("latitude"), wp.latitude);
        position.insert(QStringLiteral("longitude"), wrapLongitude(wp.longitude));
        position.insert(QStringLiteral("height"), wp.heightMetres());
        QJsonObject orientation;
        orientation.insert(QStringLiteral("roll"), 0);
        orientation.insert(QStringLiteral("pitch"), wp.pitchDegrees());
        orientation.insert(QStringLiteral("yaw"), wp.yawDegrees());
        QJsonArray flags;
        if (wp.isMatrix()) {
            if (wp.type == Waypoint::MatrixEnd)
                flags.append(QStringLiteral("EndOfMatrix"));
            if (!wp.headingFollows())
                flags.append(QStringLiteral("HeadingFixed"));
        }
        QJsonObject task;
        task.insert(QStringLiteral("class"), QStringLiteral("SingleWaypoint"));
        task.insert(QStringLiteral("type"),
                    wp.isMatrix() ? QStringLiteral("Matrix") : QStringLiteral("Single"));
        task.insert(QStringLiteral("position"), position);
        task.insert(QStringLiteral("orientation"), orientation);
        task.insert(QStringLiteral("action"), QStringLiteral("Trigger"));
        task.insert(QStringLiteral("actionDelay"), wp.timeSeconds());
        task.insert(QStringLiteral("maxSpeed"), double(wp.v3Speed));
        task.insert(QStringLiteral("flags"), flags);
        tasks.append(task);
    }
    QJsonObject model;
    model.insert(QStringLiteral("tasks"), tasks);
    QJsonObject doc;
    doc.insert(QStringLiteral("version"), QStringLiteral("1.0"));
    doc.insert(QStringLiteral("tarvendelVersion"), QStringLiteral(KORVEL_VERSION));
    doc.insert(QStringLiteral("description"), QStringLiteral("Tarvendel exported Project"));
    doc.insert(QStringLiteral("projectType"), QStringLiteral("Tarvendel_Project"));
    doc.insert(QStringLiteral("heightReference"), QStringLiteral("Relative"));
    doc.insert(QStringLiteral("model"), model);
    doc.insert(QStringLiteral("camera"), Data::instance()->currentCamera().toJson());
    return QJsonDocument(doc);
}

bool writeProjectArchive(WPData &plan, const QString &path, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // The map goes into the archive unchanged; without it there is no project.
    QFile map(plan.mapPath());
    if (!map.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("map image %1 cannot be read").arg(plan.mapPath()));
    const QByteArray mapBytes = map.readAll();
    if (map.error() != QFileDevice::NoError)
        return fail(QStringLiteral("map image %1 cannot be read").arg(plan.mapPath()));

    // Written beside the target and renamed over it in one step when whole,
    // so a failure or a kill leaves the old archive (or nothing) in place.
    AtomicFile::Writer file(path);
    const auto failed = [&](const QString &zipError) {
        return fail(AtomicFile::describe(path, file.failed() ? file.reason() : zipError));
    };
    if (!file.open())
        return failed(QString());
    QuaZip zip(&file);
    zip.setAutoClose(false);
    // Every way out but the commit abandons the archive (closed first, so
    // nothing is written into an abandoned file).
    auto abandon = qScopeGuard([&] {
        if (zip.isOpen())
            zip.close();
        file.cancel();
    });
    if (!zip.open(QuaZip::mdCreate)) {
        qWarning() << "Couldn't open project file.";
        return failed(QStringLiteral("zip error %1").arg(zip.getZipError()));
    }
    const QByteArray json = projectArchiveJson(plan).toJson(QJsonDocument::Indented);
    const bool ok = writeEntry(zip, QStringLiteral("project.json"), json)
                    && writeEntry(zip, QStringLiteral("map.jpg"), mapBytes);
    zip.close();
    if (!ok || zip.getZipError() != ZIP_OK || file.failed())
        return failed(QStringLiteral("zip error %1").arg(zip.getZipError()));
    if (!file.commit())
        return failed(QString());
    abandon.dismiss();
    return true;
}

void exportProjectArchive(WPData *plan, QWidget *parent)
{
    if (!plan)
        return;
    Data *data = Data::instance();
    const QString folder = data->rememberedFolder(QStringLiteral("Last Vardeck Export Path"));
    const QString base = QFileInfo(plan->filePath()).fileName().section(QLatin1Char('.'), 0, 0);
    QString name = Prompt::saveFile(parent, QObject::tr("Export to Vardeck Project file..."),
                                    folder + QDir::separator() + base,
                                    QObject::tr("Vardeck Project file (*.znp)"));
    if (name.isEmpty())
        return;
    if (!name.toLower().endsWith(QLatin1String(".znp")))
        name += QStringLiteral(".znp");
    data->rememberFolder(QStringLiteral("Last Vardeck Export Path"), QFileInfo(name).absolutePath());
    QString why;
    if (!writeProjectArchive(*plan, name, &why)) {
        qWarning() << "Vardeck export failed:" << why;
        Prompt::error(parent, QObject::tr("Error!"),
                      QObject::tr("Project export failed!") + QStringLiteral("\n\n") + why);
    } else {
        Prompt::info(parent, QObject::tr("Project exported!"),
                     QObject::tr("Project successfully exported!"));
    }
}
