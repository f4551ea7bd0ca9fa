#pragma once
// The map description record of a stored map: 14 fields joined by "|",
// kept as the JPEG image text "Description".
//   0 name, 1 source, 2..9 corner lon/lat (top-left, top-right, bottom-left,
//   bottom-right), 10/11 centre lon/lat, 12/13 width/height in metres.
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class MapDescription {
public:
    static constexpr int FieldCount = 14;
    static constexpr const char *TextKey = "Description";

    // The record text: name, source, ten numbers with 10 decimals and the
    // two sizes with 5 decimals. values holds fields 2 to 13 (12 numbers).
    static QString recordText(const QString &name, const QString &source,
                              const QList<double> &values);

    // Splits at "|"; when that does not give 14 fields and allowComma is
    // set, splits at "," instead. Logs "header wrong!" when neither gives 14.
    static QStringList split(const QString &record, bool allowComma = true);

    // The "Description" text of an image file; empty when the file cannot be
    // read or carries no such text. Only the header is read.
    static QString readText(const QString &imagePath);

    // Saves image with the record as its "Description" text, atomically
    // (format from the suffix). Returns false and sets *error on failure.
    static bool writeImage(const QString &path, QImage image, const QString &record,
                           QString *error = nullptr);

    // Field i parsed as a number, 0 when missing or not a number.
    static double number(const QStringList &fields, int i);
};
