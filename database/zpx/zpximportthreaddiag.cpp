#include "database/zpx/zpximportthreaddiag.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "database/zpx/zpximportdialog.h"

ZPXImportThreadDiag::ZPXImportThreadDiag(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Importing to ZPX file..."));
    setFixedSize(300, 100);
    auto *layout = new QVBoxLayout(this);
    m_label = new QLabel(tr("Initializing..."), this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addStretch();
    connect(&m_thread, &QThread::finished, this, &ZPXImportThreadDiag::threadFinished);
    connect(&m_thread, &ZPXImportThread::importing, this, &ZPXImportThreadDiag::importing);
}

ZPXImportThreadDiag::~ZPXImportThreadDiag()
{
    m_thread.wait();
}

void ZPXImportThreadDiag::startDiag()
{
    qDebug() << "[ZPXImportThreadDiag] startDiag";
    m_thread.startPause();
    exec();
}

void ZPXImportThreadDiag::importing(const QString &t, int a, int e)
{
    m_label->setText(t);
    m_bar->setRange(0, e);
    m_bar->setValue(a);
}

void ZPXImportThreadDiag::threadFinished()
{
    if (m_thread.mode() == ZPXImportThread::Pause) {
        m_thread.startImporting();
        return;
    }
    // Once, here on the GUI thread, after the import step has ended.
    if (m_thread.accepted())
        Data::instance()->updateMapIndex();
    m_closingAllowed = true;
    close();
}

void ZPXImportThreadDiag::closeEvent(QCloseEvent *event)
{
    if (!m_closingAllowed) {
        event->ignore();
        return;
    }
    m_thread.wait();
    QDialog::closeEvent(event);
}

void ZPXImportThreadDiag::reject()
{
    if (m_closingAllowed)
        QDialog::reject();
}

namespace ZPXImport {

void run(const QString &path, QWidget *resultParent)
{
    QStringList lines, failures;
    {
        ZPXImportThreadDiag progress;
        progress.setFilename(path);
        progress.startDiag();
        lines = progress.importResult();
        failures = progress.failures();
    }
    ZPXimportDialog result(lines, resultParent);
    result.showFailures(failures);
    result.exec();
}

bool chooseAndRun(QWidget *parent)
{
    Data *data = Data::instance();
    const QString folder = data->rememberedFolder(QStringLiteral("Last ZPX Import Path"));
    const QString path =
        Prompt::openFile(parent, QObject::tr("Open ZPX file..."), folder, QObject::tr("ZPX file (*.zpx)"));
    if (path.isEmpty())
        return false;
    data->rememberFolder(QStringLiteral("Last ZPX Import Path"), QFileInfo(path).absolutePath());
    run(path, parent);
    return true;
}

}  // namespace ZPXImport
