#pragma once
// Pieces the database pages share: the caption-and-value rows, the options
// tool bar and the stored file of a file item.
#include <QString>

class QBoxLayout;
class QLabel;
class QToolBar;
class QToolButton;
class QWidget;

namespace DBPage {

// Adds a row: 20 pixels, the caption, the value label (starting with "0").
QLabel *addValueRow(QBoxLayout *layout, QWidget *page, const QString &caption);
QToolBar *optionsBar(QWidget *page);
QToolButton *addTool(QToolBar *bar, const QString &text, const QString &icon, const QString &tip,
                     bool textUnderIcon = false);
// folder / name + suffix as stored: the lower-case suffix, else the
// upper-case one when only that exists.
QString storedPath(const QString &folder, const QString &name, const QString &suffix);
// True when an item of that name is stored with either suffix (or a link
// sits there): a rename must not make two items of one name.
bool nameTaken(const QString &folder, const QString &name, const QString &suffix);

}  // namespace DBPage
