#include "link/hidacidatalist.h"

#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "link/korvelpackethandler.h"

HidACIDataList::HidACIDataList(KorvelPacketHandler *handler, QWidget *parent)
    : ToolWindow(parent)
    , m_handler(handler)
    , m_tabs(new QTabWidget(this))
{
    m_tabs->setTabPosition(QTabWidget::West);
    m_variables = makeTree(tr("Variables"));
    m_commands = makeTree(tr("Commands"));
    m_parameters = makeTree(tr("Parameters"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    if (m_handler) {
        connect(m_handler, &KorvelPacketHandler::aciAvailableVars, this, &HidACIDataList::fillvariables);
        connect(m_handler, &KorvelPacketHandler::aciAvailableCmds, this, &HidACIDataList::fillcommands);
        connect(m_handler, &KorvelPacketHandler::aciAvailablePars, this, &HidACIDataList::fillparameters);
    }
}

HidACIDataList::~HidACIDataList() = default;

QTreeWidget *HidACIDataList::makeTree(const QString &title)
{
    auto *tree = new QTreeWidget(m_tabs);
    tree->setColumnCount(5);
    tree->setHeaderLabels({tr("ID"), tr("Type"), tr("Name"), tr("Description"), tr("Unit")});
    tree->setRootIsDecorated(false);
    tree->setSortingEnabled(true);
    tree->sortByColumn(0, Qt::AscendingOrder);
    m_tabs->addTab(tree, title);
    return tree;
}

void HidACIDataList::fill(QTreeWidget *tree, const QList<QStringList> &list)
{
    // Every new ACI connection sends the lists again: they replace the rows.
    tree->clear();
    QList<QTreeWidgetItem *> items;
    for (const QStringList &row : list) {
        auto *item = new QTreeWidgetItem;
        for (int c = 0; c < 5; ++c)
            item->setText(c, row.value(c));
        items << item;
    }
    tree->addTopLevelItems(items);
    for (int c = 0; c < 4; ++c)
        tree->resizeColumnToContents(c);
}

void HidACIDataList::fillvariables(QList<QStringList> list) { fill(m_variables, list); }
void HidACIDataList::fillcommands(QList<QStringList> list) { fill(m_commands, list); }
void HidACIDataList::fillparameters(QList<QStringList> list) { fill(m_parameters, list); }
