#include "database/dbpageparts.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

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

}  // namespace DBPage
