#include "app/welinfo.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QGuiApplication>
#include <QPixmap>
#include <QLabel>
#include <QSpacerItem>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/pngicon.h"

namespace {
const char kVersion[] = KORVEL_VERSION;

// The program icon at 90 pixels. Decoding the 512-pixel original takes
// longer than building the rest of the page, so the sizes screens ask for
// most (1x and 2x) come pre-scaled: the pixels QIcon makes from the original.
QPixmap programIconPixmap()
{
    const QSize side(90, 90);
    const qreal ratio =
        qApp->testAttribute(Qt::AA_UseHighDpiPixmaps) ? qApp->devicePixelRatio() : 1.0;
    const QSize device = ratio > 1.0 ? side * ratio : side;
    QString path = QStringLiteral(":/icons/512/programicon");
    if (device == QSize(90, 90))
        path = QStringLiteral(":/icons/90/programicon");
    else if (device == QSize(180, 180))
        path = QStringLiteral(":/icons/180/programicon");
    return PngIcon::fromFile(path).pixmap(side);
}
}  // namespace

QString WelInfo::downloadPage()
{
    const QByteArray env = qgetenv("KORVEL_DOWNLOAD_URL");
    return env.isEmpty() ? QStringLiteral("https://www.brisolan.example/tarvendel/download/")
                         : QString::fromUtf8(env);
}

WelInfo::WelInfo(QWidget *parent) : QWidget(parent)
{
    setFixedWidth(400);

    auto *greeting = new QWidget;
    // Grows with the version line, whose new-version notice wraps.
    greeting->setMinimumHeight(120);
    auto *gl = new QHBoxLayout(greeting);
    gl->setContentsMargins(0, 0, 0, 0);
    auto *icon = new QLabel;
    icon->setPixmap(programIconPixmap());
    icon->setContentsMargins(0, 0, 0, 0);
    gl->addWidget(icon, 0, Qt::AlignVCenter);
    gl->addSpacing(20);
    auto *texts = new QVBoxLayout;
    auto *title = new QLabel(tr("<font size=\"80\">Welcome to the <br>Korvel Tarvendel"));
    title->setWordWrap(true);  // both wrap, so the column's height is known for its width
    m_version = new QLabel;
    m_version->setTextFormat(Qt::AutoText);
    m_version->setWordWrap(true);
    setNewVersionNotice(false);
    texts->addWidget(title, 0, Qt::AlignVCenter);
    texts->addWidget(m_version);
    texts->addStretch();
    gl->addLayout(texts, 1);

    auto *recent = new QWidget;
    recent->setFixedHeight(220);
    auto *rl = new QVBoxLayout(recent);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->addWidget(new HeaderWidget(tr("Recent Projects"), recent, true));
    m_toolbar = new QToolBar;
    m_toolbar->setOrientation(Qt::Vertical);
    m_toolbar->setMovable(false);
    m_toolbar->setStyleSheet(QStringLiteral(
        "QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    for (int i = 0; i < 5; ++i) {
        auto *b = new QToolButton;
        b->setFixedWidth(400);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        m_toolbar->addWidget(b);
        m_buttons << b;
    }
    m_toolbar->setFixedHeight(m_toolbar->sizeHint().height());
    rl->addWidget(m_toolbar);
    rl->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The top gap gives way first when the notice needs more room.
    layout->addSpacerItem(new QSpacerItem(0, 100, QSizePolicy::Minimum, QSizePolicy::Maximum));
    layout->addWidget(greeting);
    layout->addWidget(recent);
    layout->addStretch();

    recentChanged();
    connect(Data::instance(), &Data::recentChanged, this, &WelInfo::recentChanged);
    connect(m_buttons[0], &QToolButton::clicked, this, &WelInfo::recent1clicked);
    connect(m_buttons[1], &QToolButton::clicked, this, &WelInfo::recent2clicked);
    connect(m_buttons[2], &QToolButton::clicked, this, &WelInfo::recent3clicked);
    connect(m_buttons[3], &QToolButton::clicked, this, &WelInfo::recent4clicked);
    connect(m_buttons[4], &QToolButton::clicked, this, &WelInfo::recent5clicked);
    connect(m_version, &QLabel::linkActivated, this, &WelInfo::linkclicked);
}

void WelInfo::setNewVersionNotice(bool newer)
{
    const QString v = QLatin1String(kVersion);
    if (!newer) {
        m_version->setText(tr("Your current version: %1").arg(v));
        return;
    }
    m_version->setText(
        tr("Your current version: <b>%1</b><br><b><font color=\"red\">A new version is "
           "available.<br>Please click on <i>Help</i> -> <i>Check for new Version</i> for more "
           "information or <a href=\"%2\">download here</a>.</font></b>")
            .arg(v, downloadPage().toHtmlEscaped()));
}

void WelInfo::recentChanged()
{
    Data *d = Data::instance();
    for (int i = 0; i < 5; ++i) {
        m_buttons[i]->setEnabled(false);
        m_buttons[i]->setText(QString());
        m_buttons[i]->setIcon(QIcon());
        m_kinds[i] = OpenKind::None;
    }
    for (int i = 0; i < 5; ++i) {
        const OpenKind kind = d->recentType(i);
        if (kind == OpenKind::None)
            break;
        m_buttons[i]->setText(d->recentName(i));
        const char *icon = nullptr;
        switch (kind) {
        case OpenKind::Map: icon = ":/ps_maps.png"; break;
        case OpenKind::FlightPlan: icon = ":/loadWP.png"; break;
        case OpenKind::PhotoTagger: icon = ":/phototagger.png"; break;
        case OpenKind::Thermal: icon = ":/thermal.png"; break;
        default: break;
        }
        if (icon)
            m_buttons[i]->setIcon(PngIcon::fromFile(QLatin1String(icon)));
        m_kinds[i] = kind;
        m_buttons[i]->setEnabled(true);
    }
}

void WelInfo::openSlot(int slot)
{
    const QString name = m_buttons[slot]->text();
    switch (m_kinds[slot]) {
    case OpenKind::Map:
        emit openMap(Data::instance()->orthoMapPath() + QDir::separator() + name
                     + QStringLiteral(".jpg"));
        break;
    case OpenKind::FlightPlan:
        emit openFlightplan(name);
        break;
    case OpenKind::PhotoTagger:
        emit openPhotoTaggerProject(name);
        break;
    case OpenKind::Thermal:
        emit openThermalProject(name);
        break;
    default:
        break;
    }
}

void WelInfo::recent1clicked() { openSlot(0); }
void WelInfo::recent2clicked() { openSlot(1); }
void WelInfo::recent3clicked() { openSlot(2); }
void WelInfo::recent4clicked() { openSlot(3); }
void WelInfo::recent5clicked() { openSlot(4); }

void WelInfo::linkclicked(const QString &link) { QDesktopServices::openUrl(QUrl(link)); }
