#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/thbottom.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

namespace {

// A project of n images with copies on disk, named 0.ara, 1.ara, ...
void fill(THData &project, int n, const QString &name)
{
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    project.imageFolder = ThermalPaths::imageFolderPath(name);
    AraGen::FrameParams p;
    p.width = 4;
    p.height = 4;
    for (int i = 0; i < n; ++i) {
        project.appendImage(QStringLiteral("%1.ara").arg(i), true, 0, 0, 2);
        project.reportTitles[i] = QStringLiteral("Title %1").arg(i);
        AraGen::writeFile(project.imagePath(i), AraGen::araFile(p, QVector<quint16>(16, 7000)));
    }
}

QStringList files(const THBottom &panel)
{
    QStringList out;
    for (int i = 0; i < panel.list()->topLevelItemCount(); ++i)
        out << panel.list()->topLevelItem(i)->text(1);
    return out;
}

}  // namespace

class TestTHBottom : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void listsTheImages()
    {
        THData project;
        fill(project, 3, "List");
        project.enabled[1] = false;
        THBottom panel(&project);
        QCOMPARE(files(panel), QStringList({"0.ara", "1.ara", "2.ara"}));
        QTreeWidgetItem *row = panel.list()->topLevelItem(1);
        QCOMPARE(row->text(0), QStringLiteral("2"));
        QCOMPARE(row->text(3), QStringLiteral("Title 1"));
        QCOMPARE(row->text(4), QStringLiteral("2018-05-09 12:00"));
        QCOMPARE(row->data(1, Qt::UserRole).toString(), project.imagePath(1));
        QCOMPARE(row->foreground(4).color(), QColor(Qt::gray));
        QCOMPARE(panel.list()->topLevelItem(0)->foreground(0).color(), QApplication::palette().color(QPalette::Text));
        QVERIFY(panel.list()->isColumnHidden(2));
        QCOMPARE(panel.list()->currentItem(), nullptr);  // nothing opens by itself

        QSignalSpy picked(&panel, &THBottom::itemSelected);
        panel.list()->setCurrentItem(panel.list()->topLevelItem(1));
        QCOMPARE(picked.last().at(0).toInt(), 1);
        QVERIFY(!panel.offersDisable());
        QSignalSpy changed(&panel, &THBottom::dataChanged);
        panel.endisableItem();
        QVERIFY(project.enabled[1]);
        QVERIFY(panel.offersDisable());
        QCOMPARE(row->foreground(2).color(), QApplication::palette().color(QPalette::Text));
        panel.endisableItem();
        QVERIFY(!project.enabled[1]);
        QCOMPARE(row->foreground(0).color(), QColor(Qt::gray));
        QCOMPARE(changed.size(), 2);

        KorvelTest::PromptScript script;
        panel.list()->clearSelection();
        panel.endisableItem();
        QCOMPARE(script.requests().last().title, QStringLiteral("No Image selected."));
    }

    void reportEditsReachTheProjectOnBack()
    {
        THData project;
        fill(project, 2, "Report");
        project.reportTexts[1] = QStringLiteral("old text");
        THBottom panel(&project);
        QSignalSpy changed(&panel, &THBottom::dataChanged);
        panel.list()->setCurrentItem(panel.list()->topLevelItem(1));
        project.setCurrentIndex(1);  // the editor does this on itemSelected
        panel.editReportClicked();
        QCOMPARE(panel.currentIndex(), 1);
        QCOMPARE(panel.titleEdit()->text(), QStringLiteral("Title 1"));
        QCOMPARE(panel.textEdit()->toPlainText(), QStringLiteral("old text"));
        panel.backButton()->click();  // no typing: no change
        QCOMPARE(changed.size(), 0);
        QCOMPARE(panel.currentIndex(), 0);

        panel.openReport(panel.list()->model()->index(1, 0));
        QTest::keyClicks(panel.titleEdit(), "!");
        QCOMPARE(changed.size(), 1);
        QCOMPARE(panel.list()->topLevelItem(1)->text(3), QStringLiteral("Title 1"));  // only after Back
        panel.textEdit()->setPlainText("new");
        panel.backButton()->click();
        QCOMPARE(project.reportTitles[1], QStringLiteral("Title 1!"));
        QCOMPARE(project.reportTexts[1], QStringLiteral("new"));
        QCOMPARE(panel.list()->topLevelItem(1)->text(3), QStringLiteral("Title 1!"));
        const int before = changed.size();
        panel.titleEdit()->setText("after");
        QTest::keyClicks(panel.titleEdit(), "x");
        QCOMPARE(changed.size(), before);  // disconnected after Back
    }

    void deletingRowsRemovesTheirImages_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("opened");
        QTest::newRow("first") << 0 << QStringList({"1.ara", "2.ara", "3.ara"}) << 0;
        QTest::newRow("third") << 2 << QStringList({"0.ara", "1.ara", "3.ara"}) << 1;
        QTest::newRow("last") << 3 << QStringList({"0.ara", "1.ara", "2.ara"}) << 2;
    }
    void deletingRowsRemovesTheirImages()
    {
        QFETCH(int, row);
        QFETCH(QStringList, left);
        QFETCH(int, opened);
        KorvelTest::PromptScript script;
        THData project;
        fill(project, 4, QStringLiteral("Delete%1").arg(row));
        const QString removed = project.imagePath(row);
        THBottom panel(&project);
        panel.list()->setCurrentItem(panel.list()->topLevelItem(row));
        QSignalSpy picked(&panel, &THBottom::itemSelected);
        QSignalSpy saved(&panel, &THBottom::saveProj);
        script.button(QMessageBox::No);
        panel.deleteSelectedImage();
        QCOMPARE(project.imageCount(), 4);
        script.button(QMessageBox::Yes);
        panel.deleteSelectedImage();
        QCOMPARE(script.requests().last().title, QStringLiteral("Confirm deletion"));
        QCOMPARE(project.imageFileNames, left);
        QCOMPARE(files(panel), left);
        QVERIFY(!QFile::exists(removed));
        QCOMPARE(picked.size(), 1);
        QCOMPARE(picked.at(0).at(0).toInt(), opened);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(panel.list()->topLevelItem(2)->text(0), QStringLiteral("3"));
    }

    void deleteRefusals()
    {
        KorvelTest::PromptScript script;
        THData project;
        fill(project, 1, "Single");
        THBottom panel(&project);
        panel.deleteSelectedImage();
        QCOMPARE(script.requests().last().title, QStringLiteral("No image selected"));
        panel.list()->setCurrentItem(panel.list()->topLevelItem(0));
        panel.deleteSelectedImage();
        QCOMPARE(script.requests().last().title, QStringLiteral("Last image"));
        QCOMPARE(project.imageCount(), 1);
    }
};

KORVEL_TEST_MAIN(TestTHBottom)
#include "test_thbottom.moc"
