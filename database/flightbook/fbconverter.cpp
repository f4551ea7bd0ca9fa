#include "database/flightbook/fbconverter.h"

#include "core/prompt/prompt.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

FBConverter::FBConverter(QString csvFile, QStringList logFolders, QWidget* parent)
    : QDialog(parent), m_worker(std::move(csvFile), std::move(logFolders), this)
{
    setWindowTitle(tr("Create log book"));
    setWindowIcon(QIcon(QStringLiteral(":/flightbook.png")));
    m_status = new QLabel(tr("Initializing..."));
    m_status->setObjectName(QStringLiteral("status"));
    m_progress = new QProgressBar;
    m_progress->setRange(0, 0);
    m_cancel = new QPushButton(tr("Cancel"));
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addStretch();
    layout->addWidget(m_cancel, 0, Qt::AlignRight);

    connect(&m_worker, &QThread::finished, this, &QDialog::accept);
    connect(&m_worker, &FBConverterThread::processing, this, &FBConverter::process);
    connect(&m_worker, &FBConverterThread::createCSV, this, &FBConverter::creatingCSV);
    connect(m_cancel, &QPushButton::clicked, &m_worker, &FBConverterThread::cancelIt, Qt::DirectConnection);
    connect(&m_worker, &FBConverterThread::error, this, &FBConverter::onError);
}

FBConverter::~FBConverter()
{
    m_worker.cancelIt();
    m_worker.wait();
}

int FBConverter::startDiag()
{
    m_worker.start(QThread::InheritPriority);
    return exec();
}

void FBConverter::process(int i, int n)
{
    m_progress->setRange(0, n);
    m_progress->setValue(i);
    m_status->setText(tr("Reading Korvel Harlek logs..."));
}

void FBConverter::creatingCSV()
{
    m_progress->setRange(0, 0);
    m_status->setText(tr("Writing CSV file..."));
}

void FBConverter::onError(QString msg)
{
    Prompt::Request rq;
    rq.text = msg;
    Prompt::ask(rq);
}

void FBConverter::reject()
{
    if (m_worker.isRunning()) {
        m_worker.cancelIt();
        m_status->setText(tr("Cancelling..."));
        m_cancel->setEnabled(false);
        return;  // finished() closes the dialog
    }
    QDialog::reject();
}
