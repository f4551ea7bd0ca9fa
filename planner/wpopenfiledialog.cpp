#include "planner/wpopenfiledialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/prompt/prompt.h"

WPOpenFileDialog::WPOpenFileDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Open Flightplan..."));
    setWindowIcon(QIcon(QStringLiteral(":/fp_openmap.png")));
    setMinimumSize(600, 300);
    m_tree = new QTreeWidget;
    m_tree->setHeaderLabels({tr("Name"), tr("Date"), tr("Location"), tr("Waypoints")});
    m_tree->setSortingEnabled(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setAnimated(true);
    m_tree->sortByColumn(1, Qt::AscendingOrder);
    m_tree->setColumnWidth(0, 160);
    m_tree->setColumnWidth(1, 140);
    m_tree->setColumnWidth(2, 160);
    Data *d = Data::instance();
    const int count = d->flightPlanCount();
    for (int i = 0; i < count; ++i) {
        const FlightPlanInfo info = d->flightPlanInfo(i);
        m_plans << info;
        auto *item = new QTreeWidgetItem(m_tree);
        item->setText(0, info.name);
        item->setText(1, info.lastModified.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        item->setText(2, info.location);
        item->setText(3, QString::number(info.waypointCount));
    }
    m_cancel = new QPushButton(tr("Cancel"));
    m_open = new QPushButton(tr("Open"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_cancel);
    row->addStretch();
    row->addWidget(m_open);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(row);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(m_open, &QPushButton::clicked, this, &WPOpenFileDialog::okclicked);
    connect(m_tree, &QTreeWidget::doubleClicked, m_open, &QPushButton::click);
    setTabOrder(m_tree, m_open);
    setTabOrder(m_open, m_cancel);
}

void WPOpenFileDialog::okclicked()
{
    const QList<QTreeWidgetItem *> selected = m_tree->selectedItems();
    if (selected.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Nothing selected!"),
                        tr("You have selected no flightplan for opening."), QMessageBox::Ok,
                        QMessageBox::Ok);
        return;
    }
    m_name = selected.first()->text(0);
    accept();
}
