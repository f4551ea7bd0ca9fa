#include "database/dbpageparts.h"

#include <QBoxLayout>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include "atomicfile/atomicfile.h"
#include "core/prompt/prompt.h"
#include "database/dbrenamediag.h"

namespace DBPage {

QLabel *addValueRow(QBoxLayout *layout, QWidget *page, const QString &caption)
{
    auto *row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(new QLabel(caption, page));
    auto *value = new QLabel(QStringLiteral("0"), page);
    row->addWidget(value);
    row->addStretch();
    layout->addLayout(row);
    return value;
}

QLabel *addNameRow(QBoxLayout *layout, QWidget *page, const QString &caption,
                   const QString &initial, const QList<QPushButton *> &buttons)
{
    auto *row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(new QLabel(caption, page));
    auto *name = new QLabel(initial, page);
    row->addWidget(name);
    row->addStretch();
    for (QPushButton *button : buttons)
        row->addWidget(button);
    layout->addLayout(row);
    return name;
}

QPushButton *pushButton(QWidget *page, const QString &text, const QString &tip)
{
    auto *button = new QPushButton(text, page);
    button->setStatusTip(tip);
    return button;
}

QToolBar *optionsBar(QWidget *page)
{
    auto *bar = new QToolBar(page);
    bar->setOrientation(Qt::Horizontal);
    bar->setMovable(false);
    bar->setStyleSheet(QStringLiteral(
        "QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    return bar;
}

QToolButton *addTool(QToolBar *bar, const QString &text, const QString &icon, const QString &tip,
                     bool textUnderIcon)
{
    auto *button = new QToolButton(bar);
    button->setText(text);
    button->setIcon(QIcon(icon));
    button->setToolButtonStyle(textUnderIcon ? Qt::ToolButtonTextUnderIcon
                                             : Qt::ToolButtonTextBesideIcon);
    button->setStatusTip(tip);
    bar->addWidget(button);
    return button;
}

QString storedPath(const QString &folder, const QString &name, const QString &suffix)
{
    const QString lower = folder + QLatin1Char('/') + name + suffix.toLower();
    const QString upper = folder + QLatin1Char('/') + name + suffix.toUpper();
    if (!QFileInfo(lower).isFile() && QFileInfo(upper).isFile())
        return upper;
    return lower;
}

bool nameTaken(const QString &folder, const QString &name, const QString &suffix)
{
    for (const QString &s : {suffix.toLower(), suffix.toUpper()}) {
        const QFileInfo info(folder + QLatin1Char('/') + name + s);
        if (info.exists() || info.isSymLink())
            return true;
    }
    return false;
}

void errorBox(const QString &title, const QString &text)
{
    Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), title, text, QMessageBox::Ok,
                    QMessageBox::Ok);
}

bool deleteItem(QWidget *page, bool inUse, const std::function<bool()> &remove,
                const DeleteTexts &texts)
{
    if (inUse) {
        errorBox(texts.title, texts.inUse);
        return false;
    }
    if (Prompt::message(page, QStringLiteral(":/icons/80/question"),
                        QObject::tr("Confirm deletion"), texts.question,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return false;
    if (!remove()) {
        errorBox(texts.title, texts.failed);
        return false;
    }
    return true;
}

bool deleteFile(QWidget *page, bool inUse, const QString &path, const DeleteTexts &texts)
{
    return deleteItem(page, inUse, [&path] { return !path.isEmpty() && QFile::remove(path); },
                      texts);
}

QString renameFile(bool inUse, const QString &oldName, const QString &path, const QString &suffix,
                   const RenameTexts &texts, QString *newPath)
{
    if (inUse) {
        errorBox(texts.inUseTitle, texts.inUse);
        return QString();
    }
    DBRenameDiag dialog(oldName);
    dialog.exec();
    const QString newName = dialog.newName;
    if (newName.isEmpty())
        return QString();
    const QString folder = QFileInfo(path).absolutePath();
    const QString to = folder + QLatin1Char('/') + newName + path.right(suffix.size());
    if (path.isEmpty() || nameTaken(folder, newName, suffix) || !AtomicFile::renameNoReplace(path, to)) {
        errorBox(texts.failedTitle, texts.failed);
        return QString();
    }
    if (newPath)
        *newPath = to;
    return newName;
}

}  // namespace DBPage
