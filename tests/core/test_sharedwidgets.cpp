#include <QSignalSpy>
#include <QStringListModel>
#include <QVBoxLayout>
#include <QtTest>

#include "core/headerwidget.h"
#include "core/listviewmod.h"
#include "support/testkit.h"

class TestSharedWidgets : public QObject {
    Q_OBJECT
private slots:
    void titledHeaderFollowsItsParent()
    {
        QWidget parent;
        parent.resize(400, 200);
        HeaderWidget header("Camera", &parent, true);
        QCOMPARE(header.sizeHint().width(), 400);
        parent.resize(600, 200);
        QCOMPARE(header.sizeHint().width(), 600);
        const int fm = QFontMetrics(QApplication::font()).height();
        QCOMPARE(header.minimumSizeHint(), QSize(120, fm + 5));

        // Inside another widget's layout the first parent still governs.
        QWidget other;
        other.resize(200, 100);
        auto *layout = new QVBoxLayout(&other);
        layout->addWidget(&header);
        QCOMPARE(header.sizeHint().width(), 600);
        layout->removeWidget(&header);
        header.setParent(&parent);
    }

    void untitledHeaderPaintsAMiddleRule()
    {
        QWidget parent;
        parent.resize(50, 300);
        HeaderWidget rule(QString(), &parent, false);
        QCOMPARE(rule.sizeHint(), QSize(20, 300));
        QCOMPARE(rule.minimumSizeHint(), QSize(5, 120));
        rule.resize(20, 300);
        QImage img(20, 300, QImage::Format_ARGB32);
        img.fill(Qt::white);
        rule.render(&img);
        // Antialiased: the grey rule at x = 10 may spread over the pixels 9 and 10.
        const QColor bg = img.pixelColor(2, 150);
        auto ruleAt = [&img, bg](int y) {
            return img.pixelColor(9, y) != bg || img.pixelColor(10, y) != bg;
        };
        QVERIFY(ruleAt(5));
        QVERIFY(ruleAt(295));
        QCOMPARE(img.pixelColor(10, 150).red(), img.pixelColor(10, 150).blue());  // grey, no tint
        QCOMPARE(img.pixelColor(5, 150), bg);
        QCOMPARE(img.pixelColor(15, 150), bg);
    }

    void titledHeaderDrawsTitleAndRule()
    {
        QWidget parent;
        parent.resize(300, 60);
        HeaderWidget header("Title", &parent, true);
        header.resize(300, 40);
        QImage img(300, 40, QImage::Format_ARGB32);
        img.fill(Qt::white);
        header.render(&img);
        const int h = QFontMetrics(QApplication::font()).height();
        const QColor bg = img.pixelColor(250, h + 3);
        QVERIFY(img.pixelColor(250, h - 1) != bg || img.pixelColor(250, h) != bg);
        QCOMPARE(img.pixelColor(250, h - 4), bg);
        bool text = false;  // some dark pixels where the title is
        for (int x = 0; x < 60 && !text; ++x)
            for (int y = 0; y < h && !text; ++y)
                text = img.pixelColor(x, y).lightness() < 100;
        QVERIFY(text);
    }

    void listViewSignals()
    {
        QStringListModel model({"Lake", "Hill", "Field", "Wood"});
        ListViewMod view;
        view.setModel(&model);
        view.resize(200, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        QSignalSpy picked(&view, &ListViewMod::selection);
        QSignalSpy doubled(&view, &ListViewMod::doubleclicked);
        QSignalSpy baseDoubled(&view, &QAbstractItemView::doubleClicked);
        view.selectionModel()->select(model.index(2), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.at(0).at(0).value<QModelIndex>().row(), 2);
        view.clearSelection();
        QCOMPARE(picked.count(), 1);  // an emptied selection says nothing

        // A double click below the last entry still counts; no editor opens.
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(50, 190));
        QCOMPARE(doubled.count(), 1);
        const QRect first = view.visualRect(model.index(0));
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(doubled.count(), 2);
        QCOMPARE(baseDoubled.count(), 0);
        QVERIFY(!view.isPersistentEditorOpen(model.index(0)));
    }
};

KORVEL_TEST_MAIN(TestSharedWidgets)
#include "test_sharedwidgets.moc"
