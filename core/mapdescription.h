#pragma once
// The description record of a stored map, kept as the JPEG image text
// "Description" and appended to the maps index file: 14 fields joined by "|".
//   name | source | top-left lon | lat | top-right lon | lat | bottom-left lon | lat |
//   bottom-right lon | lat | centre lon | lat | width m | height m
// The program writes the ten coordinates with 10 decimals and the sizes with 5.
// A record read keeps every field's text as it was, so writing it back (a
// rename) changes nothing but what was set; its numbers are read once.
#include <QImage>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <array>

#include "core/geo.h"

class MapDescription {
public:
    static constexpr int FieldCount = 14;
    static constexpr const char *TextKey = "Description";

    // The fields in the order of the record text.
    enum Field {
        Name, Source,
        TopLeftLon, TopLeftLat, TopRightLon, TopRightLat,
        BottomLeftLon, BottomLeftLat, BottomRightLon, BottomRightLat,
        CentreLon, CentreLat, Width, Height
    };
    enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

    // A record without fields.
    MapDescription() = default;
    // A record as the program writes it. corners in the order of Corner;
    // the numbers keep their full precision in memory.
    MapDescription(const QString &name, const QString &source,
                   const std::array<GeoPoint, 4> &corners, GeoPoint centre, double widthMetres,
                   double heightMetres);

    // Reads a record text. It is split at "|"; when that does not give 14
    // fields and allowComma is set, at "," (older records), and "header
    // wrong!" is logged when neither gives 14. The fields are kept however
    // many there are: fieldCount() tells, isComplete() for exactly 14.
    static MapDescription parse(const QString &text, bool allowComma = true);
    // The record text: the fields joined by "|".
    QString text() const;

    bool isEmpty() const { return m_fields.isEmpty(); }
    int fieldCount() const { return m_fields.size(); }
    bool isComplete() const { return m_fields.size() == FieldCount; }
    bool has(Field field) const { return field < m_fields.size(); }
    // A field's text as read or written; empty when the record lacks it.
    QString fieldText(Field field) const { return m_fields.value(field); }
    QStringList fields() const { return m_fields; }

    QString name() const { return fieldText(Name); }
    QString source() const { return fieldText(Source); }
    // A number field: 0 when the record lacks it or it is not a number.
    double number(Field field) const;
    GeoPoint corner(Corner corner) const;
    GeoPoint centre() const;
    double width() const { return number(Width); }    // metres
    double height() const { return number(Height); }  // metres

    // Each setter first completes a shorter record to 14 fields (empty
    // texts, zeros).
    void setName(const QString &name);
    void setSource(const QString &source);

    // The "Description" text of an image file; empty when the file cannot be
    // read or carries no such text. Only the header is read.
    static QString readText(const QString &imagePath);

    // Saves image with the record as its "Description" text, atomically
    // (format from the suffix). Returns false and sets *error on failure.
    static bool writeImage(const QString &path, QImage image, const MapDescription &record,
                           QString *error = nullptr);
    // The same with any text, as it is.
    static bool writeImage(const QString &path, QImage image, const QString &text,
                           QString *error = nullptr);

private:
    void complete();
    void setNumber(Field field, double value);  // on a complete record

    QStringList m_fields;
    std::array<double, FieldCount - 2> m_numbers{};  // fields TopLeftLon to Height
};

Q_DECLARE_METATYPE(MapDescription)
