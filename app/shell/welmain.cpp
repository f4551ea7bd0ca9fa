#include "welmain.h"

#include <QLabel>
#include <QVBoxLayout>

WelMain::WelMain(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("<h1>Welcome to the Korvel Tarvendel</h1>"), this);
    title->setAlignment(Qt::AlignCenter);
    auto *version = new QLabel(tr("Version %1").arg(QLatin1String(KORVEL_VERSION)), this);
    version->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addStretch();
}
