#include "phototagger/ui/ptadddiag.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

PTAddDiag::PTAddDiag(const QStringList &files, int position, PTData *data, QWidget *parent)
    : QDialog(parent), m_thread(data)
{
    setWindowTitle(tr("Copying files..."));
    setWindowIcon(QIcon(QStringLiteral(":/phototagger.png")));
    m_thread.setFiles(files, position);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progress"));
    m_bar->setRange(0, files.size());
    m_bar->setValue(0);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel);
    setMinimumWidth(320);
    connect(&m_thread, &QThread::finished, this, &PTAddDiag::fini);
    connect(&m_thread, &PTAddThread::files, this, &PTAddDiag::stat);
    connect(m_cancel, &QPushButton::clicked, this, &PTAddDiag::cancelClicked);
}

PTAddDiag::~PTAddDiag()
{
    m_thread.requestInterruption();
    m_thread.wait();
}

int PTAddDiag::startDiag()
{
    m_thread.start(QThread::InheritPriority);
    return exec();
}

void PTAddDiag::fini()
{
    if (!m_stopped && m_thread.mode() == PTAddThread::Idle) {
        m_thread.setMode(PTAddThread::Adding);
        m_thread.start(QThread::InheritPriority);
        return;
    }
    m_thread.wait();
    done(m_stopped ? Rejected : Accepted);
}

void PTAddDiag::stat(int current, int all)
{
    m_bar->setRange(0, all);
    m_bar->setValue(current);
}

void PTAddDiag::cancelClicked()
{
    // Never cut a file copy short: the worker ends after the current file.
    m_stopped = true;
    m_cancel->setEnabled(false);
    m_thread.requestInterruption();
    m_thread.wait();
    done(Rejected);
}

void PTAddDiag::reject() { cancelClicked(); }

void PTAddDiag::closeEvent(QCloseEvent *event)
{
    if (m_thread.isRunning())
        cancelClicked();
    event->accept();
}
