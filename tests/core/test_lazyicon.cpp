// Deferred icons look exactly like icons read at once, say whether their
// file exists without reading it, and survive copies.
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

#include "core/lazyicon.h"
#include "support/testkit.h"

class TestLazyIcon : public QObject {
    Q_OBJECT
private slots:
    void drawsLikeAnIconReadAtOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::newRow("svg without suffix") << ":/icons/16/connect" << 16;
        QTest::newRow("svg scaled up") << ":/icons/16/exit" << 48;
        QTest::newRow("png") << ":/icon.png" << 32;
        QTest::newRow("large png scaled down") << ":/icons/512/programicon" << 90;
    }

    void drawsLikeAnIconReadAtOnce()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        const QIcon eager(path);
        const QIcon lazy = LazyIcon::fromFile(path);
        QVERIFY(!lazy.isNull());
        QCOMPARE(lazy.actualSize(QSize(size, size)), eager.actualSize(QSize(size, size)));
        QCOMPARE(lazy.pixmap(size, size).toImage(), eager.pixmap(size, size).toImage());
        QCOMPARE(lazy.pixmap(size, size, QIcon::Disabled).toImage(),
                 eager.pixmap(size, size, QIcon::Disabled).toImage());

        // Drawn through a painter, as menus and buttons do.
        QImage a(size, size, QImage::Format_ARGB32_Premultiplied), b = a;
        a.fill(Qt::transparent);
        b.fill(Qt::transparent);
        {
            QPainter pa(&a), pb(&b);
            lazy.paint(&pa, QRect(0, 0, size, size));
            eager.paint(&pb, QRect(0, 0, size, size));
        }
        QCOMPARE(a, b);
        const QIcon copy = lazy;
        QCOMPARE(copy.pixmap(size, size).toImage(), eager.pixmap(size, size).toImage());
    }

    void missingFileIsNull()
    {
        QVERIFY(LazyIcon::fromFile(":/icons/16/no-such-icon").isNull());
        QVERIFY(LazyIcon::fromFile(QString()).isNull());
    }
};

KORVEL_TEST_MAIN(TestLazyIcon)
#include "test_lazyicon.moc"
