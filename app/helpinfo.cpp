#include "app/helpinfo.h"

#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

QString HelpInfo::versionText()
{
    return tr("<b>Korvel Tarvendel</b><br>Version %1, built on %2 %3")
        .arg(QLatin1String(KORVEL_VERSION), QLatin1String(__DATE__), QLatin1String(__TIME__));
}

HelpInfo::HelpInfo(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("About Korvel Tarvendel"));
    m_banner = new QLabel;
    m_banner->setPixmap(QIcon(QStringLiteral(":/banner.jpg")).pixmap(600, 600));
    setFixedWidth(618);
    m_version = new QLabel(versionText());
    auto *ok = new QPushButton(tr("OK"));
    m_browser = new QTextBrowser;
    m_browser->setReadOnly(true);
    m_browser->setOpenExternalLinks(true);
    QFile about(QStringLiteral(":/ABOUT"));
    if (about.open(QIODevice::ReadOnly))
        m_browser->setHtml(QString::fromUtf8(about.readAll()));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_banner, 0, Qt::AlignHCenter);
    layout->addSpacing(9);
    layout->addWidget(m_version);
    layout->addSpacing(9);
    layout->addWidget(m_browser);
    layout->addWidget(ok, 1, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
}
