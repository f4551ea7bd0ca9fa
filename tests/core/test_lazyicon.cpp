// Deferred icons look exactly like icons read at once, say whether their
// file exists without reading it, and survive copies. Run a second time
// with a scale factor of 2 (see CMakeLists.txt), with high-resolution
// pixmaps off and on.
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
        QTest::addColumn<bool>("highDpiPixmaps");
        for (bool highDpi : {false, true}) {
            const char *mode = highDpi ? " (high-dpi pixmaps)" : "";
            QTest::addRow("svg without suffix%s", mode) << ":/icons/16/connect" << 16 << highDpi;
            QTest::addRow("svg scaled up%s", mode) << ":/icons/16/exit" << 48 << highDpi;
            QTest::addRow("png%s", mode) << ":/icon.png" << 32 << highDpi;
            QTest::addRow("large png scaled down%s", mode) << ":/icons/512/programicon" << 90 << highDpi;
        }
    }

    void cleanup() { QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, false); }

    void drawsLikeAnIconReadAtOnce()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        QFETCH(bool, highDpiPixmaps);
        QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, highDpiPixmaps);
        const QIcon eager(path);
        const QIcon lazy = LazyIcon::fromFile(path);
        QVERIFY(!lazy.isNull());
        QCOMPARE(lazy.actualSize(QSize(size, size)), eager.actualSize(QSize(size, size)));
        QCOMPARE(lazy.pixmap(size, size).toImage(), eager.pixmap(size, size).toImage());
        QCOMPARE(lazy.pixmap(size, size).devicePixelRatio(), eager.pixmap(size, size).devicePixelRatio());
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
