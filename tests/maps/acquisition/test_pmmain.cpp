#include <QAbstractButton>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include "core/data.h"
#include "core/placemarks.h"
#include "maps/acquisition/pmmain.h"
#include "support/testkit.h"

namespace {

QStandardItemModel *model() { return Data::instance()->placemarkModel(); }

void click(PMMain &d, const char *name) { d.findChild<QAbstractButton *>(name)->click(); }
int sidePage(PMMain &d) { return d.findChild<QStackedWidget *>()->currentIndex(); }
QLineEdit *edit(PMMain &d, const char *name) { return d.findChild<QLineEdit *>(name); }

void select(PMMain &d, QStandardItem *item)
{
    auto *tree = d.findChild<QTreeView *>("tree");
    tree->selectionModel()->clearSelection();
    tree->selectionModel()->select(item->index(), QItemSelectionModel::Select);
}

// Replaces the edit's text the way typing does.
void retype(QLineEdit *e, const QString &text)
{
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
}

}  // namespace

class TestPMMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QDir().mkpath(Data::instance()->mapPath()); }
    void init() { model()->clear(); }

    void buildAGroupWithPointAndPolygon()
    {
        PMMain d;
        d.show();
        QCOMPARE(d.windowTitle(), QString("Placemark List"));
        QCOMPARE(sidePage(d), 0);

        click(d, "newGroup");
        QCOMPARE(model()->rowCount(), 1);
        QStandardItem *group = model()->item(0);
        QCOMPARE(group->text(), QString("Unnamed"));
        QCOMPARE(group->data(Placemarks::KindRole).toInt(), 0);
        QVERIFY(!group->isEditable());
        QCOMPARE(sidePage(d), 1);
        QCOMPARE(edit(d, "groupName")->text(), QString());
        retype(edit(d, "groupName"), "Field A");
        QCOMPARE(group->text(), QString("Field A"));

        click(d, "addPoint");
        QCOMPARE(group->rowCount(), 1);
        QStandardItem *point = group->child(0);
        QCOMPARE(point->data(Placemarks::KindRole).toInt(), 1);
        QCOMPARE(sidePage(d), 2);
        QCOMPARE(point->data(Placemarks::LonRole).toDouble(), 0.0);
        QCOMPARE(point->data(Placemarks::LatRole).toDouble(), 0.0);
        retype(edit(d, "pointName"), "Tower");
        d.findChild<QDoubleSpinBox *>("longitude")->setValue(11.5750021234);
        d.findChild<QDoubleSpinBox *>("latitude")->setValue(48.1371719876);
        QCOMPARE(point->text(), QString("Tower"));
        QCOMPARE(point->data(Placemarks::LonRole).toDouble(), 11.5750021234);
        QCOMPARE(point->data(Placemarks::LatRole).toDouble(), 48.1371719876);

        // Adding needs a group: on a point the buttons do nothing.
        click(d, "addPolygon");
        QCOMPARE(group->rowCount(), 1);

        select(d, group);
        click(d, "addPolygon");
        QStandardItem *polygon = group->child(1);
        QCOMPARE(polygon->data(Placemarks::KindRole).toInt(), 2);
        QCOMPARE(sidePage(d), 3);
        const QStringList types = {"None", "Single point", "Line", "Area", "Area"};
        for (int i = 0; i < types.size(); ++i) {
            select(d, polygon);
            QCOMPARE(d.findChild<QLabel *>("polygonType")->text(), types.at(i));
            click(d, "addPolyPoint");
            QCOMPARE(sidePage(d), 2);
            QCOMPARE(polygon->child(i)->data(Placemarks::KindRole).toInt(), 3);
        }

        // Saved by Data: the point's parent path is the group's name.
        QVERIFY(Data::instance()->savePlacemarks());
        QFile f(Data::instance()->placemarksPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.at(0), QByteArray("Field A|0|0|0|0"));
        QCOMPARE(lines.at(1), QByteArray("Tower|1|11.5750021234|48.1371719876|Field A"));
        QCOMPARE(lines.at(3), QByteArray("Unnamed|3|0|0|Field A - Unnamed"));
    }

    void renameToEmptyShowsUnnamed()
    {
        PMMain d;
        d.show();
        click(d, "newGroup");
        retype(edit(d, "groupName"), "X");
        retype(edit(d, "groupName"), "");
        QCOMPARE(model()->item(0)->text(), QString("Unnamed"));
        click(d, "newGroup");
        select(d, model()->item(0));
        QCOMPARE(edit(d, "groupName")->text(), QString());
    }

    void namesCannotBreakTheFile_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("bar") << "a|b" << "ab";  // refused while typing
        QTest::newRow("plain") << "North-East 2" << "North-East 2";
    }
    void namesCannotBreakTheFile()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        PMMain d;
        d.show();
        click(d, "newGroup");
        retype(edit(d, "groupName"), typed);
        QCOMPARE(model()->item(0)->text(), stored);
    }

    void cleanName()
    {
        QCOMPARE(PMMain::cleanName("a|b"), QString("a") + QChar(0x00A6) + "b");
        QCOMPARE(PMMain::cleanName("one\r\ntwo\nthree\rfour"), QString("one two three four"));
        QCOMPARE(PMMain::cleanName(QString("x") + QChar(0x2028) + "y"), QString("x y"));
        // Set from outside the typing path (a paste bypassing the validator).
        PMMain d;
        d.show();
        click(d, "newGroup");
        d.groupNameChanged("bad|name\n");
        QCOMPARE(model()->item(0)->text(), QString("bad") + QChar(0x00A6) + "name ");
    }

    void deleteAsksAndTakesChildren()
    {
        PMMain d;
        d.show();
        click(d, "newGroup");
        click(d, "addPolygon");
        click(d, "addPolyPoint");
        click(d, "newGroup");
        QCOMPARE(model()->rowCount(), 2);

        select(d, model()->item(0)->child(0)->child(0));
        KorvelTest::PromptScript script;
        script.button(QMessageBox::No);
        click(d, "deletePoint");
        QCOMPARE(script.requests().at(0).text,
                 QString("Are you sure you want to delete the polygon point?"));
        QCOMPARE(script.requests().at(0).title, QString("Confirm deletion"));
        QCOMPARE(script.requests().at(0).defaultButton, QMessageBox::No);
        QCOMPARE(model()->item(0)->child(0)->rowCount(), 1);

        select(d, model()->item(0));
        script.button(QMessageBox::Yes);
        click(d, "deleteGroup");
        QCOMPARE(script.requests().at(1).text, QString("Are you sure you want to delete the group?"));
        QCOMPARE(model()->rowCount(), 1);
        QCOMPARE(sidePage(d), 0);
        // Nothing current any more: a further delete asks nothing.
        click(d, "deleteGroup");
        QCOMPARE(script.requests().size(), 2);
    }

    void addPointFocusesTheNewName_data()
    {
        QTest::addColumn<QByteArray>("parentButton");
        QTest::addColumn<QByteArray>("addButton");
        QTest::newRow("group") << QByteArray() << QByteArray("addPoint");
        QTest::newRow("polygon") << QByteArray("addPolygon") << QByteArray("addPolyPoint");
    }
    void addPointFocusesTheNewName()
    {
        QFETCH(QByteArray, parentButton);
        QFETCH(QByteArray, addButton);
        PMMain d;
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto press = [&d](const char *name) {
            QTest::mouseClick(d.findChild<QAbstractButton *>(name), Qt::LeftButton);
        };
        press("newGroup");
        if (!parentButton.isEmpty())
            press(parentButton.constData());
        QStandardItem *parent = model()->item(0);
        if (!parentButton.isEmpty())
            parent = parent->child(0);
        press(addButton.constData());
        {
            // The point page remembers its Delete button from here on.
            KorvelTest::PromptScript script;
            script.button(QMessageBox::No);
            press("deletePoint");
            QCOMPARE(script.requests().size(), 1);
        }
        select(d, parent);
        press(addButton.constData());
        QCOMPARE(parent->rowCount(), 2);
        QCOMPARE(QApplication::focusWidget(), edit(d, "pointName"));

        // Typed straight away, a blank is part of the name and deletes nothing.
        KorvelTest::PromptScript script;
        QTest::keyClicks(QApplication::focusWidget(), "Mast 2");
        QVERIFY(script.requests().isEmpty());
        QCOMPARE(parent->rowCount(), 2);
        QCOMPARE(parent->child(1)->text(), QString("Mast 2"));
    }

    void newGroupAndPolygonFocusTheirName()
    {
        PMMain d;
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        KorvelTest::PromptScript script;
        QTest::mouseClick(d.findChild<QAbstractButton *>("newGroup"), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), edit(d, "groupName"));
        QTest::keyClicks(QApplication::focusWidget(), "Site A");
        QCOMPARE(model()->rowCount(), 1);
        QCOMPARE(model()->item(0)->text(), QString("Site A"));
        QTest::mouseClick(d.findChild<QAbstractButton *>("addPolygon"), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), edit(d, "polygonName"));
        QTest::keyClicks(QApplication::focusWidget(), "Roof 1");
        QCOMPARE(model()->item(0)->rowCount(), 1);
        QCOMPARE(model()->item(0)->child(0)->text(), QString("Roof 1"));
        QVERIFY(script.requests().isEmpty());
    }

    void escapeDoesNotClose()
    {
        PMMain d;
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Return);
        QVERIFY(d.isVisible());
        QCOMPARE(model()->rowCount(), 0);  // Return pressed no button
        click(d, "close");
        QVERIFY(!d.isVisible());
    }
};

KORVEL_TEST_MAIN(TestPMMain)
#include "test_pmmain.moc"
