#pragma once
// Small widgets the shell's wizards share.
#include <QString>

class QHBoxLayout;

namespace ShellWidgets {

// One line of a bullet list: the point image, the text, then stretch.
QHBoxLayout *bulletRow(const QString &text);

}  // namespace ShellWidgets
