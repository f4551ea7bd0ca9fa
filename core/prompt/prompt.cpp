#include "core/prompt/prompt.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPushButton>

namespace Prompt {
namespace {
Responder &currentResponder()
{
    static Responder r;
    return r;
}

Answer showReal(const Request &rq)
{
    Answer a;
    switch (rq.kind) {
    case Request::Message: {
        QMessageBox box(rq.parent);
        if (!rq.iconPath.isEmpty())
            box.setIconPixmap(QIcon(rq.iconPath).pixmap(80, 80));
        else
            box.setIcon(rq.icon);
        box.setWindowTitle(rq.title);
        box.setText(rq.text);
        if (!rq.informativeText.isEmpty())
            box.setInformativeText(rq.informativeText);
        box.setStandardButtons(rq.buttons);
        QList<QAbstractButton *> extras;
        for (int i = 0; i < rq.extraButtons.size(); ++i)
            extras << box.addButton(rq.extraButtons.at(i), i < rq.extraRoles.size()
                                                               ? rq.extraRoles.at(i)
                                                               : QMessageBox::ActionRole);
        if (rq.defaultExtra >= 0 && rq.defaultExtra < extras.size())
            box.setDefaultButton(qobject_cast<QPushButton *>(extras.at(rq.defaultExtra)));
        else if (rq.defaultButton != QMessageBox::NoButton)
            box.setDefaultButton(rq.defaultButton);
        box.exec();
        QAbstractButton *clicked = box.clickedButton();
        const int idx = extras.indexOf(clicked);
        if (idx >= 0)
            a.button = extra(idx);
        else if (clicked)
            a.button = box.standardButton(clicked);
        else
            a.button = QMessageBox::NoButton;
        break;
    }
    case Request::OpenFile: {
        const QString f = QFileDialog::getOpenFileName(rq.parent, rq.title, rq.directory, rq.filter,
                                                       nullptr, rq.options);
        if (!f.isEmpty())
            a.paths << f;
        break;
    }
    case Request::OpenFiles:
        a.paths = QFileDialog::getOpenFileNames(rq.parent, rq.title, rq.directory, rq.filter,
                                                nullptr, rq.options);
        break;
    case Request::SaveFile: {
        const QString f = QFileDialog::getSaveFileName(rq.parent, rq.title, rq.directory, rq.filter,
                                                       &a.selectedFilter, rq.options);
        if (!f.isEmpty())
            a.paths << f;
        break;
    }
    case Request::Directory: {
        const QString d = QFileDialog::getExistingDirectory(rq.parent, rq.title, rq.directory,
                                                            rq.options);
        if (!d.isEmpty())
            a.paths << d;
        break;
    }
    }
    return a;
}

Answer run(const Request &rq)
{
    if (currentResponder())
        return currentResponder()(rq);
    return showReal(rq);
}

QString firstPath(const Answer &a) { return a.paths.isEmpty() ? QString() : a.paths.first(); }
}  // namespace

void setResponder(Responder responder) { currentResponder() = std::move(responder); }
bool hasResponder() { return bool(currentResponder()); }

int ask(const Request &request) { return run(request).button; }
Answer choose(const Request &request) { return run(request); }

int message(QWidget *parent, const QString &iconPath, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    Request rq;
    rq.parent = parent;
    rq.iconPath = iconPath;
    rq.title = title;
    rq.text = text;
    rq.buttons = buttons;
    rq.defaultButton = defaultButton;
    return ask(rq);
}

int info(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, QStringLiteral(":/icons/80/info"), title, text);
}
int warning(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, QStringLiteral(":/icons/80/warning"), title, text);
}
int error(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, QStringLiteral(":/icons/80/error"), title, text);
}
bool question(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, QStringLiteral(":/icons/80/question"), title, text,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

static Request chooser(Request::Kind kind, QWidget *parent, const QString &caption,
                       const QString &dir, const QString &filter)
{
    Request rq;
    rq.kind = kind;
    rq.parent = parent;
    rq.title = caption;
    rq.directory = dir;
    rq.filter = filter;
    return rq;
}

QString openFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
{
    return firstPath(run(chooser(Request::OpenFile, parent, caption, dir, filter)));
}
QStringList openFiles(QWidget *parent, const QString &caption, const QString &dir,
                      const QString &filter)
{
    return run(chooser(Request::OpenFiles, parent, caption, dir, filter)).paths;
}
QString saveFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
{
    return firstPath(run(chooser(Request::SaveFile, parent, caption, dir, filter)));
}
QString directory(QWidget *parent, const QString &caption, const QString &dir,
                  QFileDialog::Options options)
{
    Request rq = chooser(Request::Directory, parent, caption, dir, QString());
    rq.options = options;
    return firstPath(run(rq));
}

}  // namespace Prompt
