#include "thermal/araheader.h"

#include <QtEndian>

AraHeader::AraHeader(const QByteArray &block) : m_bytes(block.left(keptSize))
{
}

quint8 AraHeader::u8(int offset) const
{
    return offset + 1 <= m_bytes.size() ? quint8(m_bytes.at(offset)) : 0;
}

quint16 AraHeader::u16(int offset) const
{
    if (offset + 2 > m_bytes.size())
        return 0;
    return qFromLittleEndian<quint16>(m_bytes.constData() + offset);
}

quint32 AraHeader::u32(int offset) const
{
    if (offset + 4 > m_bytes.size())
        return 0;
    return qFromLittleEndian<quint32>(m_bytes.constData() + offset);
}

QString AraHeader::cameraPartNumber() const
{
    // The field has 16 bytes; a field without its NUL ends there.
    const QByteArray field = m_bytes.mid(100, 16);
    const int end = field.indexOf('\0');
    return QString::fromLatin1(end < 0 ? field : field.left(end));
}

bool AraHeader::isAdvancedRadiometryCamera() const
{
    const QString part = cameraPartNumber();
    return part.size() > 11 && part.at(11) == QLatin1Char('R');
}

QString AraHeader::dataloggerVersion() const
{
    return QStringLiteral("%1.%2.%3").arg(u16(176)).arg(u16(178)).arg(u32(180));
}

int AraHeader::measurementType() const
{
    if (advancedRadiometryEnabled() != 1)
        return 0;
    return radiometryResolution() == 1 ? 2 : (radiometryResolution() == 0 ? 1 : 0);
}

int AraHeader::projectMeasurementType() const
{
    if (advancedRadiometryEnabled() != 1)
        return 0;
    return radiometryResolution() == 1 ? 2 : 1;
}

qint64 AraHeader::gpsMSecsSinceEpoch() const
{
    return qint64(gpsWeek()) * 604800000LL + qint64(gpsTimeOfWeek()) + 315964800000LL;
}

QDateTime AraHeader::gpsDateTime() const
{
    return QDateTime::fromMSecsSinceEpoch(gpsMSecsSinceEpoch(), Qt::UTC);
}
