#include "maps/wpdata.h"

#include <QDataStream>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QMap>
#include <QSettings>
#include <QtMath>
#include <cmath>
#include <limits>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "maps/items/wpwaypoint.h"
#include "maps/waypointrecord.h"

namespace {

using WaypointUnits::truncInt;

double wrap360(double v) { return v - 360.0 * std::trunc(v / 360.0); }

}  // namespace

WPData::WPData(QObject *parent) : MapData(parent)
{
    QSettings *s = Data::instance()->settings();
    m_template.properties = quint8(s->value("Waypoint properties", 0).toInt());
    m_template.maxSpeed = quint8(s->value("Waypoint max_speed", 100).toInt());
    m_template.time = quint16(s->value("Waypoint time", 300).toInt());
    m_template.posAcc = quint16(s->value("Waypoint pos_acc", 2500).toInt());
    m_template.yaw = s->value("Waypoint yaw", 0).toInt();
    m_template.height = s->value("Waypoint height", 70000).toInt();
    m_template.noPictures = qint8(s->value("Waypoint no_pictures", 1).toInt());
    m_template.pitch = quint16(s->value("Waypoint cam_angle_nick", 11000).toInt());
    m_template.triggerCamera = s->value("Waypoint triggerCamera", true).toBool();
    m_template.showCamera = s->value("Waypoint showCamera", false).toBool();
    m_template.v3Speed = s->value("V3 Speed", 6.0f).toFloat();
    m_template.type = Waypoint::Type(truncInt(s->value("V3 Type", 0.0f).toFloat()));
    m_template.desiredAcc = 2.0f;
    m_template.camAngleRoll = 0;
    if (s->contains("V3 Type") && m_template.type != 0 && m_template.type != 3) {
        s->setValue("V3 Type", 0);
        m_template.type = Waypoint::Single;
    }
}

WPData::~WPData()
{
    for (const Shown &shown : qAsConst(m_shown))
        delete shown.item.data();  // null when a scene already took it down
}

QPointF WPData::waypointPos(int n) const
{
    Shown &shown = const_cast<Shown &>(m_shown[n - 1]);
    if (shown.item)
        shown.lastCentre = shown.item->centre();
    return shown.lastCentre;
}

QPointF WPData::waypointGeo(int n) const
{
    const QPointF p = waypointPos(n);
    return pixelToGeo(p.x(), p.y());
}

int WPData::waypointType(int n)
{
    if (at(n).type == Waypoint::Matrix) {
        const bool last = n == count();
        if (last || (at(n + 1).type != Waypoint::Matrix && at(n + 1).type != Waypoint::MatrixEnd))
            setType(n - 1, Waypoint::MatrixEnd);
    }
    return at(n).type;
}

int WPData::panoramaStep(int n) const { return at(n).panoramaStep(); }

Waypoint WPData::record(int n) const
{
    Waypoint wp = at(n);
    const QPointF geo = waypointGeo(n);
    wp.longitude = geo.x();
    wp.latitude = geo.y();
    return wp;
}

void WPData::setActive(int n, bool on) { at(n).active = on; }
void WPData::setTriggerCamera(int n, bool on) { at(n).triggerCamera = on; }
void WPData::setShowCamera(int n, bool on) { at(n).showCamera = on; }
void WPData::setProperties(int n, quint8 flags) { at(n).properties = flags; }
void WPData::setTime(int n, double seconds) { at(n).setTimeSeconds(seconds); }
void WPData::setPosAcc(int n, double metres) { at(n).setPosAccMetres(metres); }
void WPData::setNoPictures(int n, int pictures) { at(n).setPictures(pictures); }
void WPData::setDesiredAcc(int n, double acc) { at(n).desiredAcc = float(acc); }
void WPData::setYawSingle(int n, double degrees) { at(n).setYawDegrees(degrees); }

void WPData::setWaypointGeo(int n, double lon, double lat)
{
    const QPointF p = geoToPixel(lon, lat);
    Shown &shown = m_shown[n - 1];
    shown.lastCentre = p;
    if (shown.item)
        shown.item->setPosition(p.x(), p.y());
}

template <typename Fn> void WPData::forGroup(int n, bool forwardFromNext, Fn fn)
{
    const int index = n - 1;
    fn(index);
    for (int i = index - 1; i >= 0 && m_wps[i].type == Waypoint::Matrix; --i)
        fn(i);
    for (int i = forwardFromNext ? index + 1 : index; i < m_wps.size(); ++i) {
        const int type = m_wps[i].type;
        if (type == Waypoint::Matrix) {
            if (i != index)
                fn(i);
            continue;
        }
        if (type == Waypoint::MatrixEnd && i != index)
            fn(i);
        break;
    }
}

void WPData::setHeight(int n, double metres)
{
    const qint32 v = Waypoint::heightFromMetres(metres);
    if (at(n).height == v)
        return;
    forGroup(n, false, [&](int i) { m_wps[i].height = v; });
}

void WPData::setYaw(int n, double degrees)
{
    const qint32 v = Waypoint::yawFromDegrees(degrees);
    if (at(n).yaw == v)
        return;
    forGroup(n, false, [&](int i) { m_wps[i].yaw = v; });
}

void WPData::setMaxSpeed(int n, int percent)
{
    const quint8 v = quint8(qBound(10, percent, 100));
    if (at(n).maxSpeed == v)
        return;
    forGroup(n, false, [&](int i) { m_wps[i].maxSpeed = v; });
}

void WPData::setCamAngleNick(int n, double degrees)
{
    const quint16 v = Waypoint::pitchFromDegrees(degrees);
    if (at(n).pitch == v)
        return;
    forGroup(n, false, [&](int i) { m_wps[i].pitch = v; });
}

void WPData::setV3Speed(int n, double speed)
{
    const float v = Waypoint::velocityFrom(speed);
    if (std::fabs(at(n).v3Speed - v) < 0.01)
        return;
    forGroup(n, true, [&](int i) {
        if (std::fabs(m_wps[i].v3Speed - v) < 0.01)
            return;
        m_wps[i].v3Speed = v;
        emit v3SpeedChanged(i + 1, v);
    });
}

void WPData::setHeadingInFlightDirection(int n, bool on)
{
    if (!at(n).isMatrix())
        return;
    forGroup(n, false, [&](int i) { m_wps[i].setHeadingFollows(on); });
}

void WPData::append(WPWaypoint *item, const Waypoint &wp)
{
    Shown shown;
    shown.item = item;
    if (item)
        shown.lastCentre = item->centre();
    m_wps.append(wp);
    m_shown.append(shown);
}

void WPData::addWaypoint(WPWaypoint *item, const Waypoint &values)
{
    Waypoint wp = values;
    wp.active = true;
    wp.properties = m_template.properties;
    wp.showCamera = m_template.showCamera;
    append(item, wp);
    if (wp.type == Waypoint::Matrix)
        setHeadingInFlightDirection(count(), values.headingFollows());
}

void WPData::addDefaultWaypoint(WPWaypoint *item)
{
    Waypoint wp = m_template;
    // Waypoints placed in the editor and made by the generators start
    // without a wait; the stored default time is kept for saveAsDefault.
    wp.time = 0;
    wp.active = true;
    append(item, wp);
}

void WPData::addGenerated(WPWaypoint *item, const Waypoint &wp)
{
    addDefaultWaypoint(item);
    const int n = count();
    setWaypointType(n, wp.type);
    // Pitch, speed and height convert by rounding: they come back as given.
    setCamAngleNick(n, wp.pitchDegrees());
    setV3Speed(n, wp.v3Speed);
    Waypoint &added = at(n);
    added.triggerCamera = wp.triggerCamera;
    added.noPictures = wp.noPictures;
    added.yaw = wp.yaw;
    setHeight(n, wp.heightMetres());
}

void WPData::removeWaypoint(int n)
{
    for (int i = n; i < m_shown.size(); ++i)
        if (m_shown[i].item)
            m_shown[i].item->setNumber(i, true);
    delete m_shown[n - 1].item.data();
    m_wps.remove(n - 1);
    m_shown.remove(n - 1);
}

void WPData::switchWaypoints(int a, int b, bool redrawNumbers)
{
    std::swap(m_wps[a - 1], m_wps[b - 1]);
    std::swap(m_shown[a - 1], m_shown[b - 1]);
    if (m_shown[a - 1].item)
        m_shown[a - 1].item->setNumber(a, !redrawNumbers);
    if (m_shown[b - 1].item)
        m_shown[b - 1].item->setNumber(b, !redrawNumbers);
}

void WPData::refreshWaypointNumbers()
{
    for (int i = 0; i < m_shown.size(); ++i)
        if (m_shown[i].item)
            m_shown[i].item->setNumber(i + 1, false);
    closeMatrixGroups();
}

void WPData::closeMatrixGroups()
{
    const int last = m_wps.size() - 1;
    for (int i = 1; i < last; ++i) {
        const int next = m_wps[i + 1].type;
        if (m_wps[i].type == Waypoint::Matrix && next != Waypoint::Matrix && next != Waypoint::MatrixEnd)
            setType(i, Waypoint::MatrixEnd);
    }
    if (last >= 0 && m_wps[last].type == Waypoint::Matrix)
        setType(last, Waypoint::MatrixEnd);
}

void WPData::setType(int index, int type)
{
    m_wps[index].type = Waypoint::Type(type);
    if (m_shown[index].item)
        m_shown[index].item->setWaypointType(type);
}

void WPData::setWaypointType(int n, int type)
{
    Waypoint &wp = at(n);
    if (wp.type == type)
        return;
    if (wp.type == 3 || type == 3) {
        const quint16 old = wp.pitch;
        wp.pitch = quint16(22000 - old);
        qDebug() << "invert cam angle at" << n << "from" << old << "to" << wp.pitch;
        emit wpDataChanged(n);
    }
    setType(n - 1, type);
}

void WPData::setWaypoint_flightstatus(int n, quint32 status, bool updateItem)
{
    if (n < 1 || n > count())
        return;
    qDebug() << QString("[WPData] setWaypoint_flightstatus %1 (< %2) %3 ")
                    .arg(n)
                    .arg(count())
                    .arg(status);
    if (status == 1) {
        for (const Shown &shown : qAsConst(m_shown))
            if (shown.item && shown.item->flightStatus() == 1)
                shown.item->setFlightStatus(0);
    }
    Shown &shown = m_shown[n - 1];
    shown.flightStatus = status;
    if (updateItem && shown.item)
        shown.item->setFlightStatus(int(status));
}

void WPData::calculateMatrixHeadings(QList<int> numbers)
{
    const int total = m_wps.size();
    if (total == 0)
        return;
    int start = 0;
    int end = total - 1;
    if (!numbers.isEmpty()) {
        start = qBound(0, numbers.first() - 1, total - 1);
        end = qBound(0, numbers.last() - 1, total - 1);
        while (start > 0 && m_wps[start - 1].type == Waypoint::Matrix)
            --start;
    }
    qDebug() << "calculate Matrix headings...";

    auto legHeading = [this](int j) {
        const QPointF a = waypointPos(j + 1);
        const QPointF b = waypointPos(j + 2);
        double angle = std::atan2(a.y() - b.y(), a.x() - b.x()) - M_PI / 2;
        if (angle < 0)
            angle += 2 * M_PI;
        return angle * 57.29577951308232 - northAngle();
    };

    int i = start;
    while (i <= end) {
        if (m_wps[i].type != Waypoint::Matrix) {
            ++i;
            continue;
        }
        // Collect the run. Its last leg ends at the first waypoint that is
        // not of type 1; a run left open at the end of the plan ends at the
        // last waypoint, which then takes the closing place.
        QVector<int> members;
        QVector<double> headings;
        QMap<double, int> buckets;
        int j = i;
        while (j + 1 < total && m_wps[j].type == Waypoint::Matrix) {
            const double h = legHeading(j);
            members << j;
            headings << h;
            bool counted = false;
            for (auto it = buckets.begin(); it != buckets.end(); ++it) {
                const int k = qRound(it.key());
                const int r = qRound(h);
                if (k == r || k + 180 == r || k - 180 == r) {
                    ++it.value();
                    counted = true;
                    break;
                }
            }
            if (!counted)
                buckets.insert(h, 1);
            ++j;
        }
        if (members.isEmpty()) {
            ++i;
            continue;
        }
        double dominant = buckets.firstKey();
        int best = -1;
        for (auto it = buckets.cbegin(); it != buckets.cend(); ++it) {
            if (it.value() > best) {
                best = it.value();
                dominant = it.key();
            }
        }
        const double h0 = headings[0];
        const double h1 = headings.size() > 1 ? headings[1] : headings[0];
        double d;
        if (qRound(dominant) == qRound(h0))
            d = dominant;
        else if (std::fabs(h0 - dominant) - 180 < 5)
            d = wrap360(dominant + 180);
        else
            d = wrap360(h1 + 180);
        for (int m = 0; m < members.size(); ++m) {
            m_wps[members[m]].yaw = truncInt(d * 1000);
            if (std::fabs(headings[m] - d) > 5)
                d = wrap360(d + 180);
        }
        m_wps[j].yaw = truncInt(d * 1000);
        i = j + 1;
    }
    emit wpDataChanged(1);
}

void WPData::saveAsDefault(int n)
{
    const Waypoint &wp = at(n);
    m_template.properties = 0;
    m_template.maxSpeed = wp.maxSpeed;
    m_template.time = wp.time;
    m_template.posAcc = wp.posAcc;
    m_template.yaw = wp.yaw;
    m_template.height = wp.height;
    m_template.triggerCamera = wp.triggerCamera;
    m_template.showCamera = wp.showCamera;
    m_template.noPictures = wp.noPictures;
    m_template.pitch = wp.pitch;
    m_template.v3Speed = wp.v3Speed;
    m_template.type = wp.type;

    QSettings *s = Data::instance()->settings();
    s->setValue("Waypoint properties", int(m_template.properties));
    s->setValue("Waypoint max_speed", int(m_template.maxSpeed));
    s->setValue("Waypoint time", int(m_template.time));
    s->setValue("Waypoint pos_acc", int(m_template.posAcc));
    s->setValue("Waypoint yaw", int(m_template.yaw));
    s->setValue("Waypoint height", int(m_template.height));
    s->setValue("Waypoint no_pictures", int(m_template.noPictures));
    s->setValue("Waypoint cam_angle_nick", int(m_template.pitch));
    s->setValue("Waypoint triggerCamera", bool(m_template.triggerCamera));
    s->setValue("Waypoint showCamera", bool(m_template.showCamera));
    s->setValue("V3 Speed", m_template.v3Speed);
    s->setValue("V3 Type", int(m_template.type));
}

void WPData::setScale(double scale)
{
    for (const Shown &shown : qAsConst(m_shown))
        if (shown.item)
            shown.item->setScale(scale);
}

void WPData::detachItems()
{
    for (const Shown &shown : qAsConst(m_shown))
        if (shown.item && shown.item->scene())
            shown.item->scene()->removeItem(shown.item);
}

bool WPData::writeFile(QString *error)
{
    // Built in memory and written in one go through the save file.
    const QByteArray bytes =
        WaypointRecord::file(count(), [this](int n) { return record(n); });
    QString reason;
    if (AtomicFile::write(m_filePath, bytes, &reason))
        return true;
    const QString described = AtomicFile::describe(m_filePath, reason);
    qWarning().noquote() << "[WPData] cannot write flight plan" << described;
    if (error)
        *error = described;
    return false;
}

WPData::ReadResult WPData::readFile()
{
    QFile file(m_filePath);
    if (!file.exists())
        return FileMissing;
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;

    QDataStream stream(&file);
    WaypointRecord::prepare(stream);
    qint32 version = 0;
    qint32 total = 0;
    switch (WaypointRecord::readHead(stream, &version, &total)) {
    case WaypointRecord::HeadWrongMagic:
        qWarning() << "[WPData] not a flight plan:" << m_filePath;
        return NotAFlightPlan;
    case WaypointRecord::HeadShort:
        qWarning() << "[WPData] flight plan ends early:" << m_filePath;
        return Damaged;
    case WaypointRecord::HeadOk:
        break;
    }
    if (!m_wps.isEmpty())
        return NotEmpty;
    const int size = WaypointRecord::recordSize(version);
    if (size == 0) {
        qWarning() << "[WPData] unknown flight plan version" << version << m_filePath;
        return UnknownVersion;
    }
    if (total <= 0)
        return ReadOk;
    if (qint64(total) * size > file.size() - file.pos()) {
        qWarning() << "[WPData] flight plan holds fewer waypoints than it claims:" << m_filePath;
        return Damaged;
    }

    // Read everything before touching the plan, so a damaged file adds
    // nothing.
    QVector<Waypoint> records(total);
    for (Waypoint &r : records) {
        if (!WaypointRecord::read(stream, version, &r)) {
            qWarning() << "[WPData] flight plan ends early or holds no position:" << m_filePath;
            return Damaged;
        }
    }

    for (int i = 0; i < records.size(); ++i) {
        const Waypoint &r = records[i];
        m_fileGeoList.append(QPointF(r.longitude, r.latitude));
        const QPointF p = geoToPixel(r.longitude, r.latitude);
        append(new WPWaypoint(p.x(), p.y(), 1.0, i + 1, r.type), r);
    }
    return ReadOk;
}

bool WPData::importKml(const QString &path)
{
    Q_UNUSED(path);
    return false;
}
