#pragma once
// The About box.
#include <QDialog>

class QLabel;
class QTextBrowser;

class HelpInfo : public QDialog {
    Q_OBJECT
public:
    explicit HelpInfo(QWidget *parent = nullptr);
    static QString versionText();
    QTextBrowser *browser() const { return m_browser; }

private:
    QLabel *m_banner;
    QLabel *m_version;
    QTextBrowser *m_browser;
};
