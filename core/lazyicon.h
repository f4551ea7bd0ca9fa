#pragma once
// An icon read from its file only when it is first drawn or measured. Menus
// hold many icons that nobody sees at start-up; reading each (a content
// sniff for names without a suffix, an SVG rendered at once) would delay
// the first window.
#include <QIcon>
#include <QString>

namespace LazyIcon {

// Same as QIcon(path), deferred. Not null while the file exists.
QIcon fromFile(const QString &path);

}  // namespace LazyIcon
