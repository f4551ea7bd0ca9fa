#pragma once
// "Check for new version..." dialog: compares the running version with the
// server's and shows the change log.
#include <QDialog>
#include <QUrl>
#include <QVersionNumber>

#include "app/updateinfo.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextEdit;

class UpdateMain : public QDialog {
    Q_OBJECT
public:
    explicit UpdateMain(QWidget *parent = nullptr);

    static QVersionNumber runningVersion();
    // The message for a comparison; sets *offerDownload.
    static QString compareMessage(const QVersionNumber &running, const QVersionNumber &latest,
                                  bool *offerDownload);

    QStackedWidget *pages() const { return m_stack; }
    QLabel *latestLabel() const { return m_latest; }
    QLabel *currentLabel() const { return m_current; }
    QLabel *messageLabel() const { return m_message; }
    QPushButton *downloadButton() const { return m_download; }
    QTextEdit *changelogBox() const { return m_changelog; }
    QUrl downloadUrl() const { return m_url; }

public slots:
    void versionReceived(QVersionNumber latest, QUrl url);
    void changeLogReceived(QByteArray bytes);
    void downloadClicked();

private slots:
    void requestFailed(UpdateInfo::DataType type, const QString &reason);

private:
    QStackedWidget *m_stack;
    QLabel *m_current;
    QLabel *m_latest;
    QLabel *m_message;
    QPushButton *m_download;
    QTextEdit *m_changelog;
    QUrl m_url;
    UpdateInfo *m_info;
};
