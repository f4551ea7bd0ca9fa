#pragma once
// The save-file question every photo-tagger export page asks: starts in the
// last export folder, appends the extension when missing, remembers the folder.
#include <QString>

class QWidget;

namespace PTExportPath {
// Empty when the operator cancelled.
QString ask(QWidget *parent, const QString &caption, const QString &filter,
            const QString &extension);
}
