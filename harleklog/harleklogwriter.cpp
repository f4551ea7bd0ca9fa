#include "harleklog/harleklogwriter.h"
#include "harleklog/harleklogformat.h"

#include "atomicfile/atomicfile.h"

#include <QDir>

#include <charconv>
#include <cstdio>

namespace harleklog {

namespace {

// Shortest text that reads back to the same double, independent of locale.
void appendNumber(std::string& out, double v)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

void appendInt(std::string& out, int64_t v)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

bool saveText(const std::string& file, const std::string& text, std::string* error)
{
    const QString path = QString::fromStdString(file);
    QString reason;
    if (!AtomicFile::write(path, QByteArray::fromRawData(text.data(), int(text.size())), &reason)) {
        if (error)
            *error = AtomicFile::describe(path, reason).toStdString();
        return false;
    }
    return true;
}

} // namespace

std::string infoText(const HarlekLogContent& c)
{
    std::string out = std::string(kInfoMagic) + "\n";
    out += "type=";
    appendInt(out, c.type);
    out += "\n";
    if (c.startUTC) {
        out += "start=";
        appendInt(out, *c.startUTC);
        out += "\n";
    }
    if (c.position) {
        out += "latitude=";
        appendNumber(out, c.position->latitude);
        out += "\nlongitude=";
        appendNumber(out, c.position->longitude);
        out += "\naltitude=";
        appendNumber(out, c.position->altitude);
        out += "\n";
    }
    auto opt = [&out](const char* key, const std::optional<double>& v) {
        if (v) {
            out += key;
            out += "=";
            appendNumber(out, *v);
            out += "\n";
        }
    };
    opt("airtime", c.airTime);
    opt("maxdistance", c.maxDistance);
    opt("maxdistance3d", c.maxDistance3D);
    opt("maxheight", c.maxHeight);
    return out;
}

std::string recordsText(const HarlekLogContent& c)
{
    std::string out;
    out.reserve(c.path.size() * 90 + c.tags.size() * 100 + c.records.size() * 40 + 64);
    out += kLogMagic;
    out += "\n";
    for (const auto& m : c.messages) {
        out += "D;";
        appendInt(out, m.id());
        out += ";" + m.name() + ";";
        bool first = true;
        for (const auto& v : m.variables()) {
            if (!first)
                out += ",";
            first = false;
            out += v.name + ":";
            appendInt(out, v.type);
            out += ":";
            appendInt(out, v.offset);
        }
        out += "\n";
    }
    // Records in time order, as the aircraft writes them.
    size_t ip = 0, it = 0, im = 0;
    static const char hex[] = "0123456789ABCDEF";
    while (ip < c.path.size() || it < c.tags.size() || im < c.records.size()) {
        // Presence decides before time, so a record at the largest time
        // is still no end marker.
        const bool hp = ip < c.path.size(), ht = it < c.tags.size(), hm = im < c.records.size();
        const int64_t tp = hp ? c.path[ip].time : 0;
        const int64_t tt = ht ? c.tags[it].time : 0;
        const int64_t tm = hm ? c.records[im].second.time : 0;
        if (hp && (!ht || tp <= tt) && (!hm || tp <= tm)) {
            const PathPoint& p = c.path[ip++];
            out += "P;";
            appendInt(out, p.time);
            for (double v : {p.latitude, p.longitude, p.height, p.roll, p.pitch, p.yaw}) {
                out += ";";
                appendNumber(out, v);
            }
            out += ";";
            appendInt(out, p.flightMode);
        } else if (ht && (!hm || tt <= tm)) {
            const PhotoTag& t = c.tags[it++];
            out += "T;";
            appendInt(out, t.time);
            for (double v : {t.latitude, t.longitude, t.height, t.relativeHeight, t.roll, t.pitch, t.yaw}) {
                out += ";";
                appendNumber(out, v);
            }
        } else {
            const auto& r = c.records[im++];
            out += "M;";
            appendInt(out, r.first);
            out += ";";
            appendInt(out, r.second.time);
            out += ";";
            for (uint8_t b : r.second.data) {
                out += hex[b >> 4];
                out += hex[b & 15];
            }
        }
        out += "\n";
    }
    return out;
}

bool writeLog(const std::string& folder, const HarlekLogContent& content, std::string* error)
{
    const QString dir = QString::fromStdString(folder);
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = folder + ": cannot create folder";
        return false;
    }
    const std::string base = QDir(dir).absolutePath().toStdString() + "/";
    return saveText(base + kLogFile, recordsText(content), error)
        && saveText(base + kInfoFile, infoText(content), error);
}

} // namespace harleklog
