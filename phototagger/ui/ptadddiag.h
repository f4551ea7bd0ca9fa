#pragma once
// Progress dialog that adds a batch of photos to a project on its worker.
// Cancel (also Escape and closing) stops the worker between two files and
// waits for it; the photos added so far stay in the project.
#include <QDialog>
#include <QStringList>

#include "phototagger/ptaddthread.h"

class PTData;
class QProgressBar;
class QPushButton;

class PTAddDiag : public QDialog {
    Q_OBJECT
public:
    PTAddDiag(const QStringList &files, int position, PTData *data, QWidget *parent = nullptr);
    ~PTAddDiag() override;
    int startDiag();
    // Photos that could not be added, as "<file>: <reason>".
    QStringList errors() const { return m_thread.errors(); }

public slots:
    void cancelClicked();
    void fini();
    void stat(int current, int all);
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    PTAddThread m_thread;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    bool m_stopped = false;
};
