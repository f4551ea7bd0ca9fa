#include "thermal/editor/ththreaddiag.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

THThreadDiag::THThreadDiag(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Processing..."));
    setWindowIcon(QIcon(QStringLiteral(":/thermal.png")));
    setMinimumWidth(320);
    m_label = new QLabel(tr("Initializing..."));
    m_bar = new QProgressBar;
    m_bar->setRange(0, 0);
    m_cancel = new QPushButton(tr("Cancel"));
    connect(m_cancel, &QPushButton::clicked, this, &THThreadDiag::cancelClicked);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
}

QString THThreadDiag::text() const
{
    return m_label->text();
}

void THThreadDiag::copyFile(int nr, int all)
{
    m_label->setText(tr("Copying file %1 of %2..").arg(nr).arg(all));
    m_bar->setRange(0, all);
    m_bar->setValue(nr);
}

void THThreadDiag::createFile(int nr, int all)
{
    m_label->setText(tr("Creating file %1 of %2..").arg(nr).arg(all));
    m_bar->setRange(0, all);
    m_bar->setValue(nr);
}

void THThreadDiag::creatFlirProject()
{
    m_label->setText(tr("Creating FLIR project.."));
}

void THThreadDiag::creatHTMLProject()
{
    m_label->setText(tr("Exporting project..."));
}

void THThreadDiag::cleanUp()
{
    m_bar->setRange(0, 0);
    m_label->setText(QStringLiteral("Cleanup..."));
}

void THThreadDiag::threadfinished()
{
    m_finished = true;
    close();
}

// Escape must not leave the job running behind a closed dialog.
void THThreadDiag::reject()
{
    if (m_finished)
        QDialog::reject();
}

void THThreadDiag::closeEvent(QCloseEvent *event)
{
    if (!m_finished) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
