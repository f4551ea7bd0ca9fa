#pragma once
// Files the program rewrites go through QSaveFile: a failed or cancelled
// write leaves the old file untouched.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace AtomicFile {

// Calls writer on a temporary file beside path and moves it into place only
// when writer returned true and every byte was written. On failure *error
// (when given) says why and the old file is left as it was.
bool write(const QString &path, const std::function<bool(QIODevice &)> &writer,
           QString *error = nullptr);

// Whole-content form.
bool write(const QString &path, const QByteArray &content, QString *error = nullptr);

}  // namespace AtomicFile
