#include "app/updatemain.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/prompt/prompt.h"

namespace {
QString versionText()
{
    QString v = QStringLiteral(KORVEL_VERSION);
    v = v.section(QLatin1Char('-'), 0, 0);
    if (v.toLower().startsWith(QLatin1Char('v')))
        v.remove(0, 1);
    return v;
}
}  // namespace

QVersionNumber UpdateMain::runningVersion() { return QVersionNumber::fromString(versionText()); }

UpdateMain::UpdateMain(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Check for new version..."));
    setWindowIcon(QIcon(QStringLiteral(":/checkforupdate.png")));
    setFixedSize(800, 300);

    m_stack = new QStackedWidget(this);

    auto *waiting = new QWidget;
    auto *wl = new QVBoxLayout(waiting);
    auto *anim = new QLabel;
    auto *movie = new QMovie(QStringLiteral(":/loading.gif"), QByteArray(), anim);
    anim->setMovie(movie);
    movie->start();
    auto *wait = new QLabel(tr("Requesting update information..."));
    wl->addStretch();
    wl->addWidget(anim, 0, Qt::AlignHCenter);
    wl->addWidget(wait, 0, Qt::AlignHCenter);
    wl->addStretch();
    m_stack->addWidget(waiting);

    auto *info = new QWidget;
    auto *cols = new QHBoxLayout(info);
    cols->setSpacing(20);
    auto *left = new QVBoxLayout;
    left->setSpacing(0);  // the gaps below make the room
    auto *grid = new QGridLayout;
    m_current = new QLabel(versionText());
    m_latest = new QLabel(QStringLiteral("-"));
    grid->addWidget(new QLabel(tr("Current Version: ")), 0, 0, Qt::AlignLeft);
    grid->addWidget(m_current, 0, 2, Qt::AlignRight);
    grid->addWidget(new QLabel(tr("Latest Version:")), 1, 0, Qt::AlignLeft);
    grid->addWidget(m_latest, 1, 2, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 30);
    left->addLayout(grid);
    // The gaps give way to a message of several lines.
    left->addSpacerItem(new QSpacerItem(0, 30, QSizePolicy::Minimum, QSizePolicy::Maximum));
    m_message = new QLabel(tr("Your software is up-to-date."));
    m_message->setWordWrap(true);
    // Half the width each: the change log must not squeeze the message.
    m_message->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    left->addWidget(m_message);
    left->addSpacerItem(new QSpacerItem(0, 30, QSizePolicy::Minimum, QSizePolicy::Maximum));
    m_download = new QPushButton(tr("Download update"));
    m_download->setFixedSize(m_download->sizeHint());
    left->addWidget(m_download);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(tr("Changelog:")));
    m_changelog = new QTextEdit;
    m_changelog->setReadOnly(true);
    right->addWidget(m_changelog);
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);
    m_stack->addWidget(info);

    auto *close = new QPushButton(tr("Close"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_stack);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_download, &QPushButton::clicked, this, &UpdateMain::downloadClicked);

    m_info = new UpdateInfo(this);
    connect(m_info, &UpdateInfo::versionInfoReceived, this, &UpdateMain::versionReceived);
    connect(m_info, &UpdateInfo::versionChangelogReceived, this, &UpdateMain::changeLogReceived);
    connect(m_info, &UpdateInfo::requestFailed, this, &UpdateMain::requestFailed);
    m_info->getData(UpdateInfo::VersionInfo);
    m_info->getData(UpdateInfo::VersionChangelog);
}

QString UpdateMain::compareMessage(const QVersionNumber &running, const QVersionNumber &latest,
                                   bool *offerDownload)
{
    *offerDownload = false;
    if (QVersionNumber::compare(running, latest) > 0)
        return tr("You are using a newer version of the Korvel Tarvendel than available on the "
                  "server.");
    *offerDownload = true;
    if (running.majorVersion() < latest.majorVersion())
        return tr("<b>A new major version is available. We recommend to install it. See "
                  "changelog for more information.</b>");
    if (running.minorVersion() < latest.minorVersion())
        return tr("<b>A new minor version is available. We recommend to install it. See "
                  "changelog for more information.</b>");
    if (running.microVersion() < latest.microVersion())
        return tr("<b>A new bug fix version is available. It includes some bug fixes. See "
                  "changelog for more information.</b>");
    *offerDownload = false;
    return tr("Your software is up-to-date.");
}

void UpdateMain::versionReceived(QVersionNumber latest, QUrl url)
{
    m_latest->setText(latest.toString());
    bool offer = false;
    m_message->setText(compareMessage(runningVersion(), latest, &offer));
    m_download->setEnabled(offer);
    m_url = url;
}

void UpdateMain::changeLogReceived(QByteArray bytes)
{
    m_changelog->clear();
    m_changelog->append(QString::fromUtf8(bytes));
    QTextCursor c = m_changelog->textCursor();
    c.movePosition(QTextCursor::Start);
    m_changelog->setTextCursor(c);
    m_changelog->ensureCursorVisible();
    m_stack->setCurrentIndex(1);
}

void UpdateMain::requestFailed(UpdateInfo::DataType type, const QString &reason)
{
    if (type == UpdateInfo::VersionInfo) {
        m_message->setText(
            tr("<b>The update check failed.</b> The update server could not be asked (%1).")
                .arg(reason.toHtmlEscaped()));
        m_download->setEnabled(false);
        m_url = QUrl();
    }
    m_stack->setCurrentIndex(1);
}

void UpdateMain::downloadClicked()
{
    Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Update Information"),
                    tr("For downloading the newest software, your default web browser will be "
                       "opened. Please close the Korvel Tarvendel before you start the "
                       "installation."),
                    QMessageBox::Ok, QMessageBox::Ok);
    // Only web addresses go to the browser; anything else the server sends
    // could start a local program.
    const QString scheme = m_url.scheme().toLower();
    if (m_url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        QDesktopServices::openUrl(m_url);
}
