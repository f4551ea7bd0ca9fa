#pragma once
// Pieces the database pages share: the caption-and-value rows, the options
// tool bar and the stored file of a file item.
#include <QList>
#include <QString>
#include <functional>

class QBoxLayout;
class QLabel;
class QPushButton;
class QToolBar;
class QToolButton;
class QWidget;

namespace DBPage {

// Adds a row: 20 pixels, the caption, the value label (starting with "0").
QLabel *addValueRow(QBoxLayout *layout, QWidget *page, const QString &caption);
// Adds the name row: the caption, the name label (showing initial) and the
// page's buttons on the right.
QLabel *addNameRow(QBoxLayout *layout, QWidget *page, const QString &caption,
                   const QString &initial, const QList<QPushButton *> &buttons);
QPushButton *pushButton(QWidget *page, const QString &text, const QString &tip);
QToolBar *optionsBar(QWidget *page);
QToolButton *addTool(QToolBar *bar, const QString &text, const QString &icon, const QString &tip,
                     bool textUnderIcon = false);
// folder / name + suffix as stored: the lower-case suffix, else the
// upper-case one when only that exists.
QString storedPath(const QString &folder, const QString &name, const QString &suffix);
// True when an item of that name is stored with either suffix (or a link
// sits there): a rename must not make two items of one name.
bool nameTaken(const QString &folder, const QString &name, const QString &suffix);

// The error box of the pages (no parent, OK only).
void errorBox(const QString &title, const QString &text);

// The boxes of a page's delete: refused while in use, the confirmation, a
// failed removal.
struct DeleteTexts {
    QString title;     // of both error boxes
    QString inUse;
    QString question;
    QString failed;
};
// Runs remove unless the item is in use or the operator says No; true when
// remove reported the item gone.
bool deleteItem(QWidget *page, bool inUse, const std::function<bool()> &remove,
                const DeleteTexts &texts);
// deleteItem for an item stored as one file.
bool deleteFile(QWidget *page, bool inUse, const QString &path, const DeleteTexts &texts);

struct RenameTexts {
    QString inUseTitle;
    QString inUse;
    QString failedTitle;
    QString failed;
};
// Asks for a new name and renames the stored file to it, keeping the suffix
// as it is stored. Returns the new name, empty when refused, cancelled or
// failed; *newPath gets the renamed file.
QString renameFile(bool inUse, const QString &oldName, const QString &path, const QString &suffix,
                   const RenameTexts &texts, QString *newPath = nullptr);

}  // namespace DBPage
