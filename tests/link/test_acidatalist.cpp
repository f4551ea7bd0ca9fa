// ACI data list viewer: the lists relayed by the link handler become rows.
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "link/hidacidatalist.h"
#include "link/korvelpackethandler.h"
#include "support/testkit.h"

namespace {
QList<QStringList> rows(std::initializer_list<const char *> ids)
{
    QList<QStringList> out;
    for (const char *id : ids)
        out << QStringList{id, "UINT16", QStringLiteral("name %1").arg(id), "description", "unit"};
    return out;
}

QStringList column(QTreeWidget *tree, int c)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(c);
    return out;
}
}  // namespace

class TestAciDataList : public QObject {
    Q_OBJECT
private slots:
    void layout()
    {
        KorvelPacketHandler handler;
        HidACIDataList list(&handler);
        QCOMPARE(list.tabs()->tabPosition(), QTabWidget::West);
        QCOMPARE(list.tabs()->count(), 3);
        QCOMPARE(list.tabs()->tabText(0), QString("Variables"));
        QCOMPARE(list.tabs()->tabText(1), QString("Commands"));
        QCOMPARE(list.tabs()->tabText(2), QString("Parameters"));
        QTreeWidgetItem *head = list.variablesTree()->headerItem();
        QCOMPARE(head->columnCount(), 5);
        QCOMPARE((QStringList{head->text(0), head->text(1), head->text(2), head->text(3), head->text(4)}),
                 (QStringList{"ID", "Type", "Name", "Description", "Unit"}));
        QVERIFY(list.parametersTree()->isSortingEnabled());
    }

    void rowsFromTheHandler()
    {
        KorvelPacketHandler handler;
        HidACIDataList list(&handler);
        emit handler.aciAvailableVars(rows({"0x0092", "0x0001", "0x0900"}));
        emit handler.aciAvailableCmds(rows({"0x0005"}));
        emit handler.aciAvailablePars(QList<QStringList>());
        // Sorted by the identifier's text.
        QCOMPARE(column(list.variablesTree(), 0), (QStringList{"0x0001", "0x0092", "0x0900"}));
        QCOMPARE(column(list.variablesTree(), 2).at(1), QString("name 0x0092"));
        QCOMPARE(column(list.variablesTree(), 4).at(2), QString("unit"));
        QCOMPARE(list.commandsTree()->topLevelItemCount(), 1);
        QCOMPARE(list.parametersTree()->topLevelItemCount(), 0);

        // A new connection sends the lists again: they replace the rows.
        emit handler.aciAvailableVars(rows({"0x0092", "0x0001", "0x0900"}));
        QCOMPARE(list.variablesTree()->topLevelItemCount(), 3);
        emit handler.aciAvailableVars(rows({"0x0010"}));
        QCOMPARE(column(list.variablesTree(), 0), QStringList{"0x0010"});

        // A short row shows what it has.
        list.fillcommands({QStringList{"0x0002", "INT8"}});
        QCOMPARE(list.commandsTree()->topLevelItem(0)->text(1), QString("INT8"));
        QCOMPARE(list.commandsTree()->topLevelItem(0)->text(4), QString());

        list.variablesTree()->sortByColumn(0, Qt::DescendingOrder);
        emit handler.aciAvailableVars(rows({"0x0001", "0x0003", "0x0002"}));
        QCOMPARE(column(list.variablesTree(), 0), (QStringList{"0x0003", "0x0002", "0x0001"}));
    }
};

KORVEL_TEST_MAIN(TestAciDataList)
#include "test_acidatalist.moc"
