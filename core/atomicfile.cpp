#include "core/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace AtomicFile {

bool write(const QString &path, const std::function<bool(QIODevice &)> &writer, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    bool ok = writer(file);
    if (!ok) {
        if (error && error->isEmpty())
            *error = QStringLiteral("writing was abandoned");
        file.cancelWriting();
        return false;
    }
    // QSaveFile::commit() reports success even when flushing its buffer
    // failed (a full disk leaves an empty file), so flush and check first.
    if (!file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool write(const QString &path, const QByteArray &content, QString *error)
{
    return write(
        path,
        [&](QIODevice &dev) {
            if (dev.write(content) != content.size()) {
                if (error)
                    *error = dev.errorString();
                return false;
            }
            return true;
        },
        error);
}

}  // namespace AtomicFile
