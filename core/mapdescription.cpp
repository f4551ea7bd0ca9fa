#include "core/mapdescription.h"

#include <QDebug>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include "core/atomicfile/atomicfile.h"

QString MapDescription::recordText(const QString &name, const QString &source,
                                   const QList<double> &values)
{
    QString text = name + '|' + source;
    for (int i = 0; i < 12; ++i) {
        const double v = i < values.size() ? values[i] : 0.0;
        text += '|' + QString::number(v, 'f', i < 10 ? 10 : 5);
    }
    return text;
}

QStringList MapDescription::split(const QString &record, bool allowComma)
{
    QStringList fields = record.split('|');
    if (fields.size() != FieldCount && allowComma) {
        fields = record.split(',');
        if (fields.size() != FieldCount)
            qDebug() << "header wrong!";
    }
    return fields;
}

QString MapDescription::readText(const QString &imagePath)
{
    QImageReader reader(imagePath);
    if (!reader.canRead())
        return QString();
    return reader.text(QLatin1String(TextKey));
}

bool MapDescription::writeImage(const QString &path, QImage image, const QString &record,
                                QString *error)
{
    image.setText(QLatin1String(TextKey), record);
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

double MapDescription::number(const QStringList &fields, int i)
{
    if (i < 0 || i >= fields.size())
        return 0.0;
    bool ok = false;
    const double v = fields[i].toDouble(&ok);
    return ok ? v : 0.0;
}
