#include "app/shellwidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

namespace ShellWidgets {

QHBoxLayout *bulletRow(const QString &text)
{
    auto *row = new QHBoxLayout;
    auto *bullet = new QLabel;
    bullet->setPixmap(QPixmap(QStringLiteral(":/point.png")));
    row->addWidget(bullet);
    row->addWidget(new QLabel(text));
    row->addStretch();
    return row;
}

}  // namespace ShellWidgets
