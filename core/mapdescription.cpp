#include "core/mapdescription.h"

#include <QDebug>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include "atomicfile/atomicfile.h"

namespace {

// Coordinates carry 10 decimals, the sizes 5.
QString numberText(MapDescription::Field field, double value)
{
    return QString::number(value, 'f', field < MapDescription::Width ? 10 : 5);
}

double toNumber(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? v : 0.0;
}

}  // namespace

MapDescription::MapDescription(const QString &name, const QString &source,
                               const std::array<GeoPoint, 4> &corners, GeoPoint centre,
                               double widthMetres, double heightMetres)
{
    complete();
    m_fields[Name] = name;
    m_fields[Source] = source;
    for (int i = 0; i < 4; ++i) {
        setNumber(Field(TopLeftLon + 2 * i), corners[i].lon());
        setNumber(Field(TopLeftLat + 2 * i), corners[i].lat());
    }
    setNumber(CentreLon, centre.lon());
    setNumber(CentreLat, centre.lat());
    setNumber(Width, widthMetres);
    setNumber(Height, heightMetres);
}

MapDescription MapDescription::parse(const QString &text, bool allowComma)
{
    MapDescription record;
    record.m_fields = text.split('|');
    if (record.m_fields.size() != FieldCount && allowComma) {
        record.m_fields = text.split(',');
        if (record.m_fields.size() != FieldCount)
            qDebug() << "header wrong!";
    }
    for (int f = TopLeftLon; f < FieldCount && f < record.m_fields.size(); ++f)
        record.m_numbers[f - TopLeftLon] = toNumber(record.m_fields[f]);
    return record;
}

QString MapDescription::text() const
{
    return m_fields.join('|');
}

double MapDescription::number(Field field) const
{
    return field >= TopLeftLon ? m_numbers[field - TopLeftLon] : 0.0;
}

GeoPoint MapDescription::corner(Corner corner) const
{
    const Field lon = Field(TopLeftLon + 2 * corner);
    return GeoPoint::lonLat(number(lon), number(Field(lon + 1)));
}

GeoPoint MapDescription::centre() const
{
    return GeoPoint::lonLat(number(CentreLon), number(CentreLat));
}

void MapDescription::complete()
{
    while (m_fields.size() < FieldCount) {
        const int f = m_fields.size();
        m_fields << (f < TopLeftLon ? QString() : numberText(Field(f), 0.0));
    }
}

void MapDescription::setNumber(Field field, double value)
{
    m_fields[field] = numberText(field, value);
    m_numbers[field - TopLeftLon] = value;
}

void MapDescription::setName(const QString &name)
{
    complete();
    m_fields[Name] = name;
}

void MapDescription::setSource(const QString &source)
{
    complete();
    m_fields[Source] = source;
}

QString MapDescription::readText(const QString &imagePath)
{
    QImageReader reader(imagePath);
    if (!reader.canRead())
        return QString();
    return reader.text(QLatin1String(TextKey));
}

bool MapDescription::writeImage(const QString &path, QImage image, const MapDescription &record,
                                QString *error)
{
    return writeImage(path, std::move(image), record.text(), error);
}

bool MapDescription::writeImage(const QString &path, QImage image, const QString &text,
                                QString *error)
{
    image.setText(QLatin1String(TextKey), text);
    return AtomicFile::write(
        path,
        [&](QIODevice &dev) {
            QImageWriter writer(&dev, QFileInfo(path).suffix().toLower().toLatin1());
            if (writer.write(image))
                return true;
            if (error)
                *error = writer.errorString();
            return false;
        },
        error);
}
