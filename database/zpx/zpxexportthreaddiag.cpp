#include "database/zpx/zpxexportthreaddiag.h"

#include <QCloseEvent>
#include <QDebug>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data.h"

static OpenKind openKind(ZPX::Kind kind)
{
    switch (kind) {
    case ZPX::Kind::Map: return OpenKind::Map;
    case ZPX::Kind::FlightPlan: return OpenKind::FlightPlan;
    case ZPX::Kind::Log: return OpenKind::Log;
    case ZPX::Kind::Project: return OpenKind::PhotoTagger;
    }
    return OpenKind::None;
}

ZPXExportThreadDiag::ZPXExportThreadDiag(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Exporting to ZPX file..."));
    setFixedSize(300, 100);
    auto *layout = new QVBoxLayout(this);
    m_label = new QLabel(tr("Initializing..."), this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 0);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addStretch();
    layout->addWidget(m_cancel);
    connect(&m_thread, &QThread::finished, this, &ZPXExportThreadDiag::threadFinished);
    connect(&m_thread, &ZPXExportThread::copyMap, this, &ZPXExportThreadDiag::copyMap);
    connect(&m_thread, &ZPXExportThread::copyWP, this, &ZPXExportThreadDiag::copyWP);
    connect(&m_thread, &ZPXExportThread::copyLog, this, &ZPXExportThreadDiag::copyLog);
    connect(&m_thread, &ZPXExportThread::copyPT, this, &ZPXExportThreadDiag::copyPT);
    connect(&m_thread, &ZPXExportThread::cleanUp, this, &ZPXExportThreadDiag::clup);
    connect(m_cancel, &QPushButton::clicked, this, &ZPXExportThreadDiag::cancelClicked);
}

ZPXExportThreadDiag::~ZPXExportThreadDiag()
{
    m_thread.wait();
}

void ZPXExportThreadDiag::setData(const QStringList &maps, const QStringList &flightplans,
                                  const QStringList &logs, const QStringList &projects)
{
    m_thread.setData(maps, flightplans, logs, projects);
}

void ZPXExportThreadDiag::setFilename(const QString &path)
{
    m_thread.setFilename(path);
}

void ZPXExportThreadDiag::startDiag()
{
    qDebug() << "[ZPXExportThreadDiag] startDiag";
    m_thread.startPause();
    exec();
}

int ZPXExportThreadDiag::getResult() const
{
    return m_thread.isTerminated() ? int(ZPXExportThread::Cancelled) : m_result;
}

void ZPXExportThreadDiag::cancelClicked()
{
    m_cancel->setEnabled(false);
    m_thread.terminateIt();
}

void ZPXExportThreadDiag::threadFinished()
{
    const int mode = m_thread.mode();
    if (mode != ZPXExportThread::Pause)
        m_result = m_thread.result();
    qDebug() << "[ZPXExportThreadDiag] threadFinished mode" << mode << "result" << m_result;
    if (mode == ZPXExportThread::Write || mode == ZPXExportThread::Delete)
        m_cancel->setEnabled(false);  // the archive is complete or gone: nothing to cancel
    if (m_thread.isTerminated() && mode != ZPXExportThread::Remove) {
        m_cancel->setEnabled(false);
        m_thread.canceled();
        return;
    }
    switch (mode) {
    case ZPXExportThread::Pause:
        m_thread.startExporting();
        return;
    case ZPXExportThread::Write:
        if (m_deleteAfterExport && m_result > 0) {
            // Items open in a tool window stay; the registry lives on this thread.
            QList<QPair<ZPX::Kind, QString>> keep;
            for (const ZPXExportThread::Item &item : m_thread.packedItems()) {
                if (Data::instance()->isOpen(openKind(item.kind), item.name))
                    keep.append(qMakePair(item.kind, item.name));
            }
            m_thread.setKeep(keep);
            m_thread.deleteFile();
            return;
        }
        finish();
        return;
    case ZPXExportThread::Delete:
        afterDelete();
        finish();
        return;
    default:
        finish();
        return;
    }
}

void ZPXExportThreadDiag::afterDelete()
{
    Data *data = Data::instance();
    for (const ZPXExportThread::Item &item : m_thread.deletedItems()) {
        if (item.kind != ZPX::Kind::Log)
            data->removeRecent(openKind(item.kind), item.name);
    }
    data->updateMapIndex();
}

void ZPXExportThreadDiag::finish()
{
    m_closingAllowed = true;
    close();
}

void ZPXExportThreadDiag::progress(const QString &text, int i, int n)
{
    m_bar->setRange(0, n);
    m_bar->setValue(i);
    m_label->setText(text);
}

void ZPXExportThreadDiag::copyMap(const QString &text, int i, int n)
{
    progress(tr("Copy map file \"%1\"...").arg(text), i, n);
}

void ZPXExportThreadDiag::copyWP(const QString &text, int i, int n)
{
    progress(tr("Copy flightplan file \"%1\"...").arg(text), i, n);
}

void ZPXExportThreadDiag::copyLog(const QString &text, int i, int n)
{
    progress(tr("Copy log file \"%1\"...").arg(text), i, n);
}

void ZPXExportThreadDiag::copyPT(const QString &text, int i, int n)
{
    progress(tr("Copy photo tagger project file \"%1\"...").arg(text), i, n);
}

void ZPXExportThreadDiag::clup()
{
    m_bar->setRange(0, 0);
    m_label->setText(tr("Clean up..."));
}

void ZPXExportThreadDiag::closeEvent(QCloseEvent *event)
{
    if (!m_closingAllowed) {
        event->ignore();
        return;
    }
    m_thread.wait();
    event->accept();
    QDialog::closeEvent(event);
}

void ZPXExportThreadDiag::reject()
{
    // Escape while the work runs does nothing.
    if (m_closingAllowed)
        QDialog::reject();
}
