#include "atomicfile/settingsfile.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDevice>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QPoint>
#include <QRect>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QTextCodec>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomicfile/atomicfile.h"

namespace SettingsFile {

namespace {

// ---- The INI codec. It follows QSettings::IniFormat of Qt 5 byte for byte
// on writing (for a store written afresh) and in what it accepts on reading,
// so files of either writer read back the same through the other.

const char hexDigits[] = "0123456789ABCDEF";

void escapedKey(const QString &key, QByteArray &result)
{
    for (const QChar c : key) {
        uint ch = c.unicode();
        if (ch == '/') {
            result += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')
                   || ch == '_' || ch == '-' || ch == '.') {
            result += char(ch);
        } else if (ch <= 0xFF) {
            result += '%';
            result += hexDigits[ch / 16];
            result += hexDigits[ch % 16];
        } else {
            result += "%U";
            char hex[4];
            for (int i = 3; i >= 0; --i) {
                hex[i] = hexDigits[ch % 16];
                ch >>= 4;
            }
            result.append(hex, 4);
        }
    }
}

bool isHex(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

void unescapedKey(const QByteArray &key, int from, int to, QString &result)
{
    int i = from;
    while (i < to) {
        const char ch = key.at(i);
        if (ch == '\\') {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (ch != '%' || i == to - 1) {
            result += QLatin1Char(ch);
            ++i;
            continue;
        }
        int digits = 2;
        int first = i + 1;
        if (key.at(first) == 'U') {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= to;
        const uint code = ok ? key.mid(first, digits).toUInt(&ok, 16) : 0;
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(ushort(code));
        i = first + digits;
    }
}

void escapedString(const QString &str, QByteArray &result)
{
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    const int start = result.size();
    for (const QChar c : str) {
        const uint ch = c.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        // "\x" takes every hex digit after it, so a digit that follows one
        // is escaped too.
        if (escapeNextIfDigit && ch < 0x80 && isHex(char(ch))) {
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
        case '\0':
            result += "\\0";
            escapeNextIfDigit = true;
            break;
        case '\a': result += "\\a"; break;
        case '\b': result += "\\b"; break;
        case '\f': result += "\\f"; break;
        case '\n': result += "\\n"; break;
        case '\r': result += "\\r"; break;
        case '\t': result += "\\t"; break;
        case '\v': result += "\\v"; break;
        case '"':
        case '\\':
            result += '\\';
            result += char(ch);
            break;
        default:
            if (ch <= 0x1F || ch >= 0x7F) {
                result += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfDigit = true;
            } else {
                result += char(ch);
            }
        }
    }
    if (needsQuotes
        || (start < result.size() && (result.at(start) == ' ' || result.at(result.size() - 1) == ' '))) {
        result.insert(start, '"');
        result += '"';
    }
}

QString variantToString(const QVariant &v)
{
    switch (v.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray: {
        const QByteArray a = v.toByteArray();
        return QLatin1String("@ByteArray(") + QLatin1String(a.constData(), a.size()) + QLatin1Char(')');
    }
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::QKeySequence: {
        QString result = v.toString();
        if (result.contains(QChar::Null))
            result = QLatin1String("@String(") + result + QLatin1Char(')');
        else if (result.startsWith(QLatin1Char('@')))
            result.prepend(QLatin1Char('@'));
        return result;
    }
    case QMetaType::QRect: {
        const QRect r = v.toRect();
        return QString::asprintf("@Rect(%d %d %d %d)", r.x(), r.y(), r.width(), r.height());
    }
    case QMetaType::QSize: {
        const QSize s = v.toSize();
        return QString::asprintf("@Size(%d %d)", s.width(), s.height());
    }
    case QMetaType::QPoint: {
        const QPoint p = v.toPoint();
        return QString::asprintf("@Point(%d %d)", p.x(), p.y());
    }
    default: {
        const bool dateTime = v.userType() == QMetaType::QDateTime;
        QByteArray a;
        {
            QDataStream s(&a, QIODevice::WriteOnly);
            s.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            s << v;
        }
        return QLatin1String(dateTime ? "@DateTime(" : "@Variant(") + QLatin1String(a.constData(), a.size())
               + QLatin1Char(')');
    }
    }
}

QStringList splitArgs(const QString &s, int open)
{
    // "@Rect(1 2 3 4)" -> {"1", "2", "3", "4"}
    return s.mid(open + 1, s.size() - open - 2).split(QLatin1Char(' '));
}

QVariant stringToVariant(const QString &s)
{
    if (s.startsWith(QLatin1Char('@'))) {
        if (s.endsWith(QLatin1Char(')'))) {
            if (s.startsWith(QLatin1String("@ByteArray("))) {
                return QVariant(s.midRef(11, s.size() - 12).toLatin1());
            } else if (s.startsWith(QLatin1String("@String("))) {
                return QVariant(s.mid(8, s.size() - 9));
            } else if (s.startsWith(QLatin1String("@Variant(")) || s.startsWith(QLatin1String("@DateTime("))) {
                const bool dateTime = s.at(1) == QLatin1Char('D');
                QByteArray a = s.midRef(dateTime ? 10 : 9).toLatin1();
                QDataStream stream(&a, QIODevice::ReadOnly);
                stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
                QVariant result;
                stream >> result;
                return result;
            } else if (s.startsWith(QLatin1String("@Rect("))) {
                const QStringList args = splitArgs(s, 5);
                if (args.size() == 4)
                    return QVariant(QRect(args[0].toInt(), args[1].toInt(), args[2].toInt(), args[3].toInt()));
            } else if (s.startsWith(QLatin1String("@Size("))) {
                const QStringList args = splitArgs(s, 5);
                if (args.size() == 2)
                    return QVariant(QSize(args[0].toInt(), args[1].toInt()));
            } else if (s.startsWith(QLatin1String("@Point("))) {
                const QStringList args = splitArgs(s, 6);
                if (args.size() == 2)
                    return QVariant(QPoint(args[0].toInt(), args[1].toInt()));
            } else if (s == QLatin1String("@Invalid()")) {
                return QVariant();
            }
        }
        if (s.startsWith(QLatin1String("@@")))
            return QVariant(s.mid(1));
    }
    return QVariant(s);
}

QVariant stringListToVariant(const QStringList &l)
{
    QStringList strings = l;
    for (QString &str : strings) {
        if (!str.startsWith(QLatin1Char('@')))
            continue;
        if (str.size() >= 2 && str.at(1) == QLatin1Char('@')) {
            str.remove(0, 1);
        } else {
            QVariantList variants;
            for (const QString &item : l)
                variants.append(stringToVariant(item));
            return variants;
        }
    }
    return strings;
}

void chopTrailingSpaces(QString &str, int limit)
{
    int n = str.size() - 1;
    while (n >= limit && (str.at(n) == QLatin1Char(' ') || str.at(n) == QLatin1Char('\t')))
        str.truncate(n--);
}

uint hexValue(char d)
{
    return uint(std::strchr(hexDigits, d >= 'a' ? d - ('a' - 'A') : d) - hexDigits);
}

// A value between from and to: a plain string (false) or, when it has a
// comma outside quotes, a list (true, in list).
bool unescapedStringList(const QByteArray &str, int from, int to, QString &result, QStringList &list,
                         QTextCodec *codec)
{
    static const char escapeCodes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                                          {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                                          {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    bool isList = false;
    bool inQuotes = false;
    bool quoted = false;
    bool chop = true;  // a value that ends inside an escape keeps its spaces
    int i = from;

    const auto skipSpaces = [&] {
        while (i < to && (str.at(i) == ' ' || str.at(i) == '\t'))
            ++i;
    };
    skipSpaces();
    int chopLimit = result.size();
    while (i < to) {
        const char ch = str.at(i);
        if (ch == '\\') {
            ++i;
            if (i >= to) {
                chop = false;
                break;
            }
            const char esc = str.at(i++);
            bool simple = false;
            for (const auto &code : escapeCodes) {
                if (esc == code[0]) {
                    result += QLatin1Char(code[1]);
                    simple = true;
                    break;
                }
            }
            if (!simple && (esc == 'x' || (esc >= '0' && esc <= '7'))) {
                const bool hex = esc == 'x';
                if (hex && i >= to) {
                    chop = false;
                    break;
                }
                // "\x" without a digit stands for nothing.
                if (!hex || isHex(str.at(i))) {
                    uint value = hex ? 0 : uint(esc - '0');
                    while (i < to) {
                        const char d = str.at(i);
                        if (hex && isHex(d))
                            value = (value << 4) + hexValue(d);
                        else if (!hex && d >= '0' && d <= '7')
                            value = (value << 3) + uint(d - '0');
                        else
                            break;
                        ++i;
                    }
                    result += QChar(ushort(value));
                    if (i >= to) {
                        chop = false;
                        break;
                    }
                }
            } else if (!simple && (esc == '\n' || esc == '\r')) {
                // A line continued after a backslash.
                if (i < to) {
                    const char next = str.at(i);
                    if ((next == '\n' || next == '\r') && next != esc)
                        ++i;
                }
            }
            chopLimit = result.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = result.size();
            }
        } else if (ch == ',' && !inQuotes) {
            if (!quoted)
                chopTrailingSpaces(result, chopLimit);
            if (!isList) {
                isList = true;
                list.clear();
            }
            list.append(result);
            result.clear();
            quoted = false;
            ++i;
            skipSpaces();
            chopLimit = 0;
        } else {
            int j = i + 1;
            while (j < to) {
                const char c = str.at(j);
                if (c == '\\' || c == '"' || c == ',')
                    break;
                ++j;
            }
            if (codec)
                result += codec->toUnicode(str.constData() + i, j - i);
            else
                result += QLatin1String(str.constData() + i, j - i);
            i = j;
        }
    }
    if (chop && !quoted)
        chopTrailingSpaces(result, chopLimit);
    if (isList)
        list.append(result);
    return isList;
}

enum { Space = 0x1, Special = 0x2 };

int traits(char c)
{
    switch (c) {
    case '\t':
    case ' ':
        return Space;
    case '\n':
    case '\r':
        return Space | Special;
    case '"':
    case ';':
    case '=':
    case '\\':
        return Special;
    default:
        return 0;
    }
}

// The next line of data from pos: false at the end. A line may go on after
// a backslash and inside quotes; a comment (';') ends it.
bool readLine(const QByteArray &data, int &pos, int &lineStart, int &lineLen, int &equalsPos)
{
    const int dataLen = data.size();
    bool inQuotes = false;
    equalsPos = -1;
    lineStart = pos;
    while (lineStart < dataLen && (traits(data.at(lineStart)) & Space))
        ++lineStart;
    int i = lineStart;
    while (i < dataLen) {
        char ch = data.at(i);
        while (!(traits(ch) & Special)) {
            if (++i == dataLen)
                goto end;
            ch = data.at(i);
        }
        ++i;
        if (ch == '=') {
            if (!inQuotes && equalsPos == -1)
                equalsPos = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == lineStart + 1) {
                ++lineStart;
            } else if (!inQuotes) {
                --i;
                goto end;
            }
        } else if (ch == '\\') {
            if (i < dataLen) {
                const char c = data.at(i++);
                if (i < dataLen) {
                    const char c2 = data.at(i);
                    if ((c == '\n' && c2 == '\r') || (c == '\r' && c2 == '\n'))
                        ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else {  // ';'
            if (i == lineStart + 1) {
                while (i < dataLen && data.at(i) != '\n' && data.at(i) != '\r')
                    ++i;
                while (i < dataLen && (traits(data.at(i)) & Space))
                    ++i;
                lineStart = i;
            } else if (!inQuotes) {
                --i;
                goto end;
            }
        }
    }
end:
    pos = i;
    lineLen = i - lineStart;
    return lineLen > 0;
}

// The sections of map in the order Qt writes a store afresh: top-level keys
// first as "[General]", then the groups by name, each with its keys by name.
QList<QByteArray> encodeSections(const QSettings::SettingsMap &map)
{
    QMap<QString, QMap<QString, QVariant>> sections;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const QString &key = it.key();
        const int slash = key.indexOf(QLatin1Char('/'));
        if (slash == -1)
            sections[QString()].insert(key, it.value());
        else
            sections[key.left(slash)].insert(key.mid(slash + 1), it.value());
    }
    QList<QByteArray> out;
    for (auto s = sections.constBegin(); s != sections.constEnd(); ++s) {
        QByteArray block;
        if (!out.isEmpty())
            block += '\n';
        QByteArray name;
        escapedKey(s.key(), name);
        if (name.isEmpty())
            block += "[General]";
        else if (qstricmp(name.constData(), "general") == 0)
            block += "[%General]";
        else
            block += '[' + name + ']';
        block += '\n';
        for (auto k = s->constBegin(); k != s->constEnd(); ++k) {
            escapedKey(k.key(), block);
            block += '=';
            const QVariant &value = k.value();
            if (value.userType() == QMetaType::QStringList
                || (value.userType() == QMetaType::QVariantList && value.toList().size() != 1)) {
                const QVariantList items = value.toList();
                if (items.isEmpty()) {
                    // An empty list reads back as an invalid value, whose
                    // toStringList() is empty again.
                    block += "@Invalid()";
                }
                for (int i = 0; i < items.size(); ++i) {
                    if (i != 0)
                        block += ", ";
                    escapedString(variantToString(items.at(i)), block);
                }
            } else {
                escapedString(variantToString(value), block);
            }
            block += '\n';
        }
        out << block;
    }
    // A store without keys still says what it is: an empty file is one a
    // crash cut off.
    if (out.isEmpty())
        out << QByteArray("[General]\n");
    return out;
}

// ---- What the process knows about each settings file it saves.

struct Record {
    quint64 attempts = 0;  // saves the writer began
    bool lastOk = true;
    QString reason;        // of the last failure
    bool failing = false;  // changes are waiting since a save failed
    bool reported = false; // the user was told of that failure
};

struct State {
    QMutex mutex;
    QHash<QString, Record> records;
    FailureHandler handler;
    std::function<void()> step;
};

State &state()
{
    static State s;
    return s;
}

QString absolute(const QString &file) { return QFileInfo(file).absoluteFilePath(); }

void deliver(const QString &file, const QString &reason)
{
    FailureHandler handler;
    {
        QMutexLocker lock(&state().mutex);
        handler = state().handler;
    }
    if (handler)
        handler(file, reason);
}

void report(const QString &file, const QString &reason, Delivery delivery)
{
    QCoreApplication *app = QCoreApplication::instance();
    const bool gui = app && QThread::currentThread() == app->thread();
    {
        QMutexLocker lock(&state().mutex);
        Record &r = state().records[file];
        if (r.reported)
            return;
        if (delivery == Delivery::Now && gui)
            r.reported = true;
    }
    if (delivery == Delivery::Now && gui) {
        deliver(file, reason);
        return;
    }
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [file, reason] {
            {
                QMutexLocker lock(&state().mutex);
                Record &r = state().records[file];
                // Told already, or saved since.
                if (r.reported || !r.failing)
                    return;
                r.reported = true;
            }
            deliver(file, reason);
        },
        Qt::QueuedConnection);
}

void step()
{
    std::function<void()> hook;
    {
        QMutexLocker lock(&state().mutex);
        hook = state().step;
    }
    if (hook)
        hook();
}

bool writeAll(int fd, const QByteArray &bytes, int *err)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Writes map into device (Qt's temporary file of the save) and syncs it.
// Qt's own device functions lose the system's reason, so the bytes go to
// the file's descriptor.
bool writeSettings(QIODevice &device, const QSettings::SettingsMap &map, QString *reason)
{
    auto *file = qobject_cast<QFileDevice *>(&device);
    const int fd = file ? file->handle() : -1;
    if (file && !file->flush()) {
        *reason = file->errorString();
        return false;
    }
    for (const QByteArray &part : encodeSections(map)) {
        if (fd >= 0) {
            int err = 0;
            if (!writeAll(fd, part, &err)) {
                *reason = AtomicFile::systemReason(err);
                return false;
            }
        } else if (device.write(part) != part.size()) {
            *reason = device.errorString();
            return false;
        }
        step();
    }
    if (fd >= 0) {
        while (::fdatasync(fd) != 0) {
            if (errno != EINTR) {
                *reason = AtomicFile::systemReason(errno);
                return false;
            }
        }
    }
    return true;
}

bool writeFunc(QIODevice &device, const QSettings::SettingsMap &map)
{
    auto *file = qobject_cast<QFileDevice *>(&device);
    const QString path = file ? absolute(file->fileName()) : QString();
    {
        QMutexLocker lock(&state().mutex);
        ++state().records[path].attempts;
    }
    QString reason;
    const bool ok = writeSettings(device, map, &reason);
    {
        QMutexLocker lock(&state().mutex);
        Record &r = state().records[path];
        r.lastOk = ok;
        if (ok) {
            r.failing = false;
            r.reported = false;
            r.reason.clear();
        } else {
            r.failing = true;
            r.reason = reason;
        }
    }
    if (!ok) {
        qWarning().noquote() << "[Settings]" << AtomicFile::describe(path, reason);
        // Not from here: a message box inside Qt's save could start another.
        report(path, reason, Delivery::Queued);
    }
    return ok;
}

bool readFunc(QIODevice &device, QSettings::SettingsMap &map)
{
    map = decode(device.readAll());
    // Lines Qt would not take are skipped as Qt skips them; a false here
    // would stick in status() and hide every later failed save.
    return true;
}

// Why Qt gave up on a save before it wrote anything (the folder, the file,
// its lock file).
QString whyNotSaved(const QString &file)
{
    const QFileInfo info(file);
    const QString folder = info.absolutePath();
    QString existing = folder;
    while (!QFileInfo::exists(existing) && existing != QDir::rootPath())
        existing = QFileInfo(existing).absolutePath();
    if (existing != folder && ::access(QFile::encodeName(existing).constData(), W_OK | X_OK) != 0)
        return AtomicFile::systemReason(errno);
    if (info.exists() && ::access(QFile::encodeName(file).constData(), R_OK | W_OK) != 0)
        return AtomicFile::systemReason(errno);
    const QByteArray dir = QFile::encodeName(folder);
    if (::access(dir.constData(), W_OK | X_OK) != 0)
        return AtomicFile::systemReason(errno);
    // The folder is writable: what a file written there meets now (a full
    // disk, a quota). The probe has no name and goes with its descriptor.
    const int fd = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return AtomicFile::systemReason(errno);
    } else {
        int err = 0;
        if (!writeAll(fd, QByteArray(4096, '\n'), &err) || ::fdatasync(fd) != 0)
            err = err ? err : errno;
        ::close(fd);
        if (err)
            return AtomicFile::systemReason(err);
    }
    return QStringLiteral("the file could not be written");
}

// sync() with the bare reason.
bool syncStore(QSettings &settings, QString *file, QString *reason)
{
    *file = absolute(settings.fileName());
    quint64 attempts;
    {
        QMutexLocker lock(&state().mutex);
        attempts = state().records[*file].attempts;
    }
    // QSettings keeps a store's first error for good, so settings.status()
    // cannot tell of this save. A store of its own on the same file saves
    // what waits (stores of one file share it) as it opens, and its status
    // is this save's alone: also a stop before the writer ran (the lock
    // file, the folder) or at Qt's rename after it.
    QSettings::Status status;
    {
        QSettings probe(*file, format());
        status = probe.status();
    }
    bool ran, lastOk;
    {
        QMutexLocker lock(&state().mutex);
        const Record &r = state().records[*file];
        ran = r.attempts != attempts;
        lastOk = r.lastOk;
        if (ran && !lastOk)
            *reason = r.reason;
    }
    if (status == QSettings::NoError) {
        // The new name survives a power cut before success is said.
        if (ran && !AtomicFile::syncFolder(QFileInfo(*file).absolutePath()))
            *reason = AtomicFile::systemReason(errno);
        return reason->isEmpty();
    }
    if (reason->isEmpty()) {
        *reason = whyNotSaved(*file);
        QMutexLocker lock(&state().mutex);
        Record &r = state().records[*file];
        r.failing = true;
        r.reason = *reason;
        qWarning().noquote() << "[Settings]" << AtomicFile::describe(*file, *reason);
    }
    return false;
}

class Watcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // QSettings saves on this event; saving first lets the failure be
        // seen, and leaves Qt nothing to write.
        if (event->type() == QEvent::UpdateRequest) {
            if (auto *settings = qobject_cast<QSettings *>(watched))
                save(*settings);
        }
        return false;
    }
};

}  // namespace

QSettings::Format format()
{
    static const QSettings::Format f =
        QSettings::registerFormat(QStringLiteral("conf"), readFunc, writeFunc, Qt::CaseSensitive);
    return f;
}

QString path(const QString &organization, const QString &application)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
           + organization + QLatin1Char('/') + application + QStringLiteral(".conf");
}

bool sync(QSettings &settings, QString *error)
{
    QString file, reason;
    if (syncStore(settings, &file, &reason))
        return true;
    if (error)
        *error = AtomicFile::describe(file, reason);
    return false;
}

bool save(QSettings &settings, Delivery delivery)
{
    QString file, reason;
    if (syncStore(settings, &file, &reason))
        return true;
    report(file, reason, delivery);
    return false;
}

void watch(QSettings *settings)
{
    settings->installEventFilter(new Watcher(settings));
}

void setFailureHandler(FailureHandler handler)
{
    QMutexLocker lock(&state().mutex);
    state().handler = std::move(handler);
}

QString failureText(const QString &error)
{
    return QStringLiteral("Settings could not be saved: ") + error;
}

void markReported(const QString &file)
{
    QMutexLocker lock(&state().mutex);
    state().records[absolute(file)].reported = true;
}

void setStepHook(std::function<void()> hook)
{
    QMutexLocker lock(&state().mutex);
    state().step = std::move(hook);
}

QByteArray encode(const QSettings::SettingsMap &map)
{
    QByteArray out;
    for (const QByteArray &part : encodeSections(map))
        out += part;
    return out;
}

int trustedLength(const QByteArray &bytes)
{
    int end = bytes.indexOf('\0');
    if (end < 0)
        end = bytes.size();
    while (end > 0 && bytes.at(end - 1) != '\n' && bytes.at(end - 1) != '\r')
        --end;
    return end;
}

QSettings::SettingsMap decode(const QByteArray &all)
{
    const QByteArray data = all.left(trustedLength(all));
    QSettings::SettingsMap map;
    QTextCodec *codec = nullptr;
    int pos = 0;
    if (data.startsWith("\xef\xbb\xbf")) {
        codec = QTextCodec::codecForName("UTF-8");
        pos = 3;
    }
    QString section;
    int lineStart, lineLen, equalsPos;
    while (readLine(data, pos, lineStart, lineLen, equalsPos)) {
        if (data.at(lineStart) == '[') {
            const int close = data.indexOf(']', lineStart);
            const QByteArray name = (close == -1 || close >= lineStart + lineLen)
                                        ? data.mid(lineStart + 1, lineLen - 1).trimmed()
                                        : data.mid(lineStart + 1, close - lineStart - 1).trimmed();
            section.clear();
            if (qstricmp(name.constData(), "general") != 0) {
                if (qstricmp(name.constData(), "%general") == 0)
                    section = QLatin1String(name.constData() + 1);
                else
                    unescapedKey(name, 0, name.size(), section);
                section += QLatin1Char('/');
            }
            continue;
        }
        if (equalsPos == -1)
            continue;  // a comment, or a line without a value
        int keyEnd = equalsPos;
        while (keyEnd > lineStart && (data.at(keyEnd - 1) == ' ' || data.at(keyEnd - 1) == '\t'))
            --keyEnd;
        QString key = section;
        unescapedKey(data, lineStart, keyEnd, key);
        QString value;
        QStringList list;
        if (unescapedStringList(data, equalsPos + 1, lineStart + lineLen, value, list, codec))
            map.insert(key, stringListToVariant(list));
        else
            map.insert(key, stringToVariant(value));
    }
    return map;
}

// ---- Start: what a killed save left, and a damaged file.

namespace {

bool readWhole(const QString &file, QByteArray *bytes, QString *reason)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *reason = AtomicFile::systemReason(errno);
        return false;
    }
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *reason = AtomicFile::systemReason(errno);
            ::close(fd);
            return false;
        }
        bytes->append(block, int(n));
    }
    ::close(fd);
    return true;
}

void removeLeftovers(const QString &file)
{
    const QFileInfo info(file);
    if (!info.dir().exists())
        return;
    // Under Qt's own lock, so a save of another instance keeps its file; a
    // lock whose process is gone is stale and taken over. A save cut off by
    // a kill always leaves its lock: without one nothing here is Qt's.
    const QFileInfo lockInfo(file + QStringLiteral(".lock"));
    const bool cutOffSave = lockInfo.exists();
    const QDateTime cutAt = lockInfo.lastModified();
    QLockFile lock(lockInfo.filePath());
    if (!lock.tryLock(0))
        return;
    if (!cutOffSave) {
        lock.unlock();
        return;
    }
    // QSaveFile names its temporary "<file>.XXXXXX" (six letters) when the
    // file system has no unnamed files, and for a moment before its rename.
    // Only one written while that save ran is taken: a user's own copy of
    // the same shape ("<file>.backup") was written at another time.
    const QRegularExpression temp(QLatin1String("\\A") + QRegularExpression::escape(info.fileName())
                                  + QLatin1String("\\.[A-Za-z]{6}\\z"));
    const QStringList names = info.dir().entryList({info.fileName() + QStringLiteral(".??????")},
                                                   QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!temp.match(name).hasMatch())
            continue;
        const QString leftover = info.dir().filePath(name);
        struct stat st;
        if (::lstat(QFile::encodeName(leftover).constData(), &st) == 0 && S_ISREG(st.st_mode)
            && qAbs(QFileInfo(leftover).lastModified().secsTo(cutAt)) <= 60) {
            if (::unlink(QFile::encodeName(leftover).constData()) == 0)
                qInfo().noquote() << "[Settings] removed what a cut-off save left:" << leftover;
        }
    }
    lock.unlock();
}

}  // namespace

QString Damage::message(const QString &file) const
{
    QString text = QStringLiteral("The settings were found damaged and could not all be read: %1.")
                       .arg(AtomicFile::describe(file, problem));
    if (!keptAs.isEmpty())
        text += QStringLiteral("\nThe damaged file was kept as %1.").arg(QDir::toNativeSeparators(keptAs));
    else if (!keepError.isEmpty())
        text += QStringLiteral("\nThe damaged file could not be kept: %1.").arg(keepError);
    text += QStringLiteral("\nSettings that could not be read are back at their defaults; please check them.");
    return text;
}

Damage prepare(const QString &file)
{
    {
        // The store opens afresh: what this process knew of it is over.
        QMutexLocker lock(&state().mutex);
        state().records.remove(absolute(file));
    }
    removeLeftovers(file);
    Damage d;
    const QFileInfo info(file);
    if (!info.exists())
        return d;
    QByteArray bytes;
    QString reason;
    if (!readWhole(file, &bytes, &reason)) {
        d.problem = QStringLiteral("it cannot be read (%1)").arg(reason);
        return d;
    }
    const int trusted = trustedLength(bytes);
    if (bytes.isEmpty())
        d.problem = QStringLiteral("the file is empty");
    else if (bytes.contains('\0'))
        d.problem = QStringLiteral("it holds NUL bytes where its text was cut off");
    else if (trusted < bytes.size())
        d.problem = QStringLiteral("its last line is cut off");
    if (!d.damaged())
        return d;
    qWarning().noquote() << "[Settings] damaged:" << AtomicFile::describe(file, d.problem);

    if (!bytes.isEmpty()) {
        for (int n = 1; n < 100 && d.keptAs.isEmpty(); ++n) {
            const QString copy = file + QStringLiteral(".damaged") + (n > 1 ? QStringLiteral(".%1").arg(n) : QString());
            if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())
                continue;
            AtomicFile::Writer w(copy, AtomicFile::Mode::NoReplace);
            if (w.open() && w.write(bytes) == bytes.size() && w.commit()) {
                d.keptAs = copy;
            } else {
                w.cancel();
                if (w.osError() != EEXIST) {
                    d.keepError = AtomicFile::describe(copy, w.reason());
                    break;
                }
            }
        }
        // Without a copy the file stays: the store reads its trusted lines
        // all the same, and nothing is lost.
        if (d.keptAs.isEmpty())
            return d;
    }
    QString error;
    if (trusted > 0) {
        if (!AtomicFile::write(file, bytes.left(trusted), &error))
            qWarning().noquote() << "[Settings]" << AtomicFile::describe(file, error);
    } else if (!QFile::remove(file)) {
        qWarning().noquote() << "[Settings] could not remove" << file;
    }
    return d;
}

}  // namespace SettingsFile
