#pragma once
// Small workspaces and hand-made archives for the exchange archive tests.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QTemporaryDir>
#include <functional>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "database/zpx/zpxformat.h"

namespace ZpxFixture {

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A temporary root with the four workspace folders and an "outside" folder
// that nothing may ever write to.
struct Workspace {
    QTemporaryDir root;
    ZPX::Places places;
    Workspace()
    {
        places.maps = root.path() + "/ws/maps";
        places.plans = root.path() + "/ws/plans";
        places.logs = root.path() + "/ws/harlek/logs";
        places.projects = root.path() + "/ws/harlek/phototagger";
        for (const QString &p : {places.maps, places.plans, places.logs, places.projects})
            QDir().mkpath(p);
        QDir().mkpath(outside());
    }
    QString outside() const { return root.path() + "/outside"; }
    QString path(const QString &rel) const { return root.path() + "/" + rel; }
    // Every file below a folder, relative to it, sorted.
    static QStringList files(const QString &folder)
    {
        QStringList out;
        QDir base(folder);
        std::function<void(const QString &)> walk = [&](const QString &dir) {
            const QFileInfoList list = QDir(dir).entryInfoList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QFileInfo &info : list) {
                if (info.isDir() && !info.isSymLink())
                    walk(info.filePath());
                else
                    out << base.relativeFilePath(info.filePath());
            }
        };
        walk(folder);
        out.sort();
        return out;
    }
};

// Writes an archive with the head and these entries (name, data), in order,
// exactly as given: the names are not checked.
inline bool makeArchive(const QString &path, const QList<QPair<QString, QByteArray>> &entries,
                        const QByteArray &head = ZPX::makeHead(0, 0, 0, 0))
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QuaZip zip(&file);
    zip.setAutoClose(false);
    zip.setDataDescriptorWritingEnabled(false);
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate) || file.write(head) != head.size())
        return false;
    for (const auto &entry : entries) {
        QuaZipFile out(&zip);
        if (!out.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            return false;
        out.write(entry.second);
        out.close();
    }
    zip.close();
    return zip.getZipError() == ZIP_OK;
}

// Entry names in central-directory order.
inline QStringList entryNames(const QString &path)
{
    QuaZip zip(path);
    zip.open(QuaZip::mdUnzip);
    return zip.getFileNameList();
}

}  // namespace ZpxFixture
