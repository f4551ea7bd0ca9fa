#include "maps/acquisition/wpopenchoosemap.h"

#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/listviewmod.h"
#include "maps/acquisition/mapinfopanel.h"

WPOpenChooseMap::WPOpenChooseMap(const QStringList &mapNames, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Select Map..."));
    setWindowIcon(QIcon(QStringLiteral(":/ps_maps.png")));

    m_mapList = new ListViewMod;
    m_mapList->setFixedSize(300, 300);
    m_mapList->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mapModel = new QStandardItemModel(this);
    for (const QString &name : mapNames)
        m_mapModel->appendRow(new QStandardItem(name));
    m_mapList->setModel(m_mapModel);
    m_details = new MapInfoPanel;
    m_details->setMinimumHeight(480);

    m_select = new QPushButton(tr("Select"));
    m_cancel = new QPushButton(tr("Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    buttons->addWidget(m_select);

    auto *heading = new QLabel(tr("Select map:"));
    QFont big = heading->font();
    big.setBold(true);
    heading->setFont(big);
    auto *row = new QHBoxLayout;
    row->addWidget(m_mapList, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(m_details, 1, Qt::AlignRight);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(row);
    layout->addStretch();
    layout->addLayout(buttons);

    // Row 0 starts selected; its details show once a row is picked.
    if (m_mapModel->rowCount() > 0)
        m_mapList->selectionModel()->select(m_mapModel->index(0, 0), QItemSelectionModel::Select);
    connect(m_mapList, &QAbstractItemView::clicked, this, &WPOpenChooseMap::changeLoadMapSelection);
    connect(m_mapList, &QAbstractItemView::activated, this, &WPOpenChooseMap::changeLoadMapSelection);
    connect(m_mapList, &QAbstractItemView::pressed, this, &WPOpenChooseMap::changeLoadMapSelection);
    connect(m_mapList, &ListViewMod::selection, this, &WPOpenChooseMap::changeLoadMapSelection);
    connect(m_mapList, &ListViewMod::doubleclicked, m_select, &QPushButton::click);
    connect(m_select, &QPushButton::clicked, this, &WPOpenChooseMap::openClicked);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Room for the preview and every detail without scrolling.
    resize(820, 600);
    setTabOrder(m_mapList, m_select);
    setTabOrder(m_select, m_cancel);
}

WPOpenChooseMap::~WPOpenChooseMap() = default;

void WPOpenChooseMap::changeLoadMapSelection(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString name = m_mapModel->data(index, Qt::DisplayRole).toString();
    m_details->showRecord(Data::instance()->mapDescription(name));
}

void WPOpenChooseMap::openClicked()
{
    const QModelIndexList rows = m_mapList->selectionModel()->selectedRows(0);
    // Nothing selected (no names, or the pick was cleared): nothing to open.
    if (rows.isEmpty())
        return;
    m_chosenName = m_mapModel->data(rows.first(), Qt::DisplayRole).toString();
    accept();
}
