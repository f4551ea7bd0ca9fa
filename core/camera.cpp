#include "core/camera.h"

#include <QDataStream>
#include <QDebug>
#include <QFile>
#include <QVector2D>
#include <QtMath>

#include "atomicfile/atomicfile.h"

QPointF Camera::fieldOfView() const
{
    // 2 * atan(side / 2 / f) in degrees; 114.59... is 360 / pi.
    const double k = 114.59155902616465;
    return QPointF(std::atan(sensorSize.width() * 0.5 / focalLength) * k,
                   std::atan(sensorSize.height() * 0.5 / focalLength) * k);
}

double Camera::cropFactor() const
{
    const float diagonal =
        QVector2D(float(sensorSize.width()), float(sensorSize.height())).length();
    return 43.3 / double(diagonal);
}

void Camera::toJson(QJsonObject &json) const
{
    json["name"] = name;
    json["sensorSize"] = QJsonObject{{"width", sensorSize.width()}, {"height", sensorSize.height()}};
    json["imageSize"] = QJsonObject{{"width", imageSize.width()}, {"height", imageSize.height()}};
    json["focalLength"] = focalLength;
    json["delay"] = delay;
    json["processTime"] = processTime;
}

QJsonObject Camera::toJson() const
{
    QJsonObject json;
    toJson(json);
    return json;
}

bool operator==(const Camera &a, const Camera &b)
{
    return a.name == b.name;
}

namespace CameraStore {

QList<Camera> readTable(QIODevice &device)
{
    QList<Camera> cameras;
    if (device.atEnd())
        return cameras;
    device.readLine();  // heading
    while (!device.atEnd()) {
        QString line = QString::fromUtf8(device.readLine());
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const QStringList f = line.split(';');
        if (f.size() != 8)
            continue;
        Camera c;
        c.name = f[0];
        c.sensorSize = QSizeF(f[1].toDouble(), f[2].toDouble());
        c.focalLength = f[3].toDouble();
        c.delay = f[4].toInt();
        c.processTime = f[5].toInt();
        c.imageSize = QSize(f[6].toInt(), f[7].toInt());
        cameras << c;
    }
    return cameras;
}

QList<Camera> readTable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << file.errorString();
        return {};
    }
    return readTable(file);
}

bool read(const QString &path, QList<Camera> *cameras)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << file.errorString();
        return false;
    }
    if (file.size() < 4)
        return false;
    QDataStream in(&file);
    QString ver;
    in >> ver;
    if (in.status() != QDataStream::Ok || ver != QLatin1String(version)) {
        qDebug() << "camera file not found or incompatible version!";
        return false;
    }
    qDebug() << "reading camera file version:" << ver;
    qint32 n = 0;
    in >> n;
    // Each entry holds at least a string length, 3 doubles and 4 ints.
    for (qint32 i = 0; i < n && in.status() == QDataStream::Ok && !in.atEnd(); ++i) {
        Camera c;
        double w = 0, h = 0;
        qint32 iw = 0, ih = 0, delay = 0, process = 0;
        in >> c.name >> w >> h >> c.focalLength >> delay >> process >> iw >> ih;
        if (in.status() != QDataStream::Ok)
            break;  // truncated entry: keep what came before
        c.sensorSize = QSizeF(w, h);
        c.delay = delay;
        c.processTime = process;
        c.imageSize = QSize(iw, ih);
        cameras->append(c);
    }
    return true;
}

bool write(const QString &path, const QList<Camera> &cameras, QString *error)
{
    return AtomicFile::write(
        path,
        [&](QIODevice &dev) {
            QDataStream out(&dev);
            out << QString::fromLatin1(version) << qint32(cameras.size());
            for (const Camera &c : cameras) {
                out << c.name << c.sensorSize.width() << c.sensorSize.height() << c.focalLength
                    << qint32(c.delay) << qint32(c.processTime) << qint32(c.imageSize.width())
                    << qint32(c.imageSize.height());
            }
            return out.status() == QDataStream::Ok;
        },
        error);
}

}  // namespace CameraStore
