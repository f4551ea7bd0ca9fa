#pragma once
// One door for every message box and file chooser of the program, so that a
// test can answer them without a real modal loop (see setResponder).
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace Prompt {

struct Request {
    enum Kind { Message, OpenFile, OpenFiles, SaveFile, Directory };
    Kind kind = Message;
    QWidget *parent = nullptr;
    // Message boxes
    QString iconPath;  // embedded image shown at 80x80, e.g. ":/icons/80/error"; empty: none
    QMessageBox::Icon icon = QMessageBox::NoIcon;  // used only when iconPath is empty
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QStringList extraButtons;  // buttons after the standard ones
    QList<QMessageBox::ButtonRole> extraRoles;  // role of each extra button (default: action)
    int defaultExtra = -1;     // index into extraButtons that is the default, -1 none
    // File and folder choosers (title is the caption)
    QString directory;
    QString filter;
    QFileDialog::Options options;
};

// Result of a chooser: the chosen paths (empty when cancelled).
struct Answer {
    int button = QMessageBox::NoButton;  // message boxes: standard button or extra(i)
    QStringList paths;                   // choosers
    QString selectedFilter;              // save chooser: the filter the user picked
};

// Code returned for the i-th extra button of a message box.
constexpr int extra(int i) { return 0x10000000 + i; }

// Shows a message box and returns the clicked standard button, extra(i) for
// the i-th extra button, or QMessageBox::NoButton when it was closed otherwise.
int ask(const Request &request);
// Runs a chooser request and returns the whole answer (paths and, for a save
// chooser, the filter picked).
Answer choose(const Request &request);

// Short forms. Icons are ":/icons/80/<name>".
int message(QWidget *parent, const QString &iconPath, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
int info(QWidget *parent, const QString &title, const QString &text);
int warning(QWidget *parent, const QString &title, const QString &text);
int error(QWidget *parent, const QString &title, const QString &text);
// Yes/No question, No the default; true for Yes.
bool question(QWidget *parent, const QString &title, const QString &text);

QString openFile(QWidget *parent, const QString &caption, const QString &dir = QString(),
                 const QString &filter = QString());
QStringList openFiles(QWidget *parent, const QString &caption, const QString &dir = QString(),
                      const QString &filter = QString());
QString saveFile(QWidget *parent, const QString &caption, const QString &dir = QString(),
                 const QString &filter = QString());
QString directory(QWidget *parent, const QString &caption, const QString &dir = QString(),
                  QFileDialog::Options options = QFileDialog::ShowDirsOnly);

// Tests install a responder; while one is set no real dialog is shown.
using Responder = std::function<Answer(const Request &)>;
void setResponder(Responder responder);
bool hasResponder();

}  // namespace Prompt
