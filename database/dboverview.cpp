#include "database/dboverview.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/headerwidget.h"
#include "database/dbmain.h"
#include "database/zpx/zpximportthreaddiag.h"

DBOverview::DBOverview(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[DBOverview] Constructor START";
    auto *outer = new QHBoxLayout(this);
    auto *box = new QVBoxLayout;
    box->addWidget(new HeaderWidget(tr("Overview"), this, true));
    auto *grid = new QGridLayout;
    m_amount = new QLabel(QStringLiteral("0"), this);
    m_diskUsage = new QLabel(QStringLiteral("0"), this);
    grid->addWidget(new QLabel(tr("Total disk usage of all data:"), this), 0, 0);
    grid->addWidget(m_diskUsage, 0, 1);
    grid->addWidget(new QLabel(tr("Total amount of data:"), this), 1, 0);
    grid->addWidget(m_amount, 1, 1);
    grid->setColumnStretch(1, 1);
    box->addLayout(grid);
    box->addStretch();
    box->addWidget(new HeaderWidget(tr("Options"), this, true));
    auto *bar = new QToolBar(this);
    bar->setOrientation(Qt::Horizontal);
    bar->setMovable(false);
    bar->setStyleSheet(QStringLiteral(
        "QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    m_import = new QToolButton(bar);
    m_import->setText(tr("Import ZPX"));
    m_import->setIcon(QIcon(QStringLiteral(":/zpx_import.png")));
    m_import->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_import->setStatusTip(tr("Import data from an ZPX file"));
    bar->addWidget(m_import);
    box->addWidget(bar);
    outer->addLayout(box, 10);
    connect(m_import, &QToolButton::clicked, this, &DBOverview::importZPX);
    qDebug() << "[DBOverview] Constructor END";
}

void DBOverview::setAmount(int photoTagger, int traces, int logs, int maps, int flightPlans,
                           int thermal)
{
    m_amount->setText(QString::number(photoTagger + traces + logs + maps + flightPlans + thermal));
}

void DBOverview::setDiskUsage(double photoTagger, double traces, double logs, double maps,
                              double flightPlans, double thermal)
{
    const double sum = photoTagger + traces + logs + maps + flightPlans + thermal;
    m_diskUsage->setText(DBMain::sizeText(qint64(sum), 0, 1));
}

void DBOverview::importZPX()
{
    if (ZPXImport::chooseAndRun(this))
        emit updateDB();
}
