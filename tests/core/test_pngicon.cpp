// PNG icons read without the image plugins look exactly like QIcon(path),
// and reading them loads no image-format plugin. Run a second time with a
// scale factor of 2 (see CMakeLists.txt), with high-resolution pixmaps off
// and on.
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtTest>

#include "core/pngicon.h"
#include "support/testkit.h"

namespace {
QStringList mappedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no /proc/self/maps)")};
    QStringList found;
    for (const QByteArray &line : maps.readAll().split('\n'))
        if (line.contains("/imageformats/"))
            found << QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1));
    found.removeDuplicates();
    return found;
}
}  // namespace

class TestPngIcon : public QObject {
    Q_OBJECT
private slots:
    // First, before anything in this process reads an image through Qt's
    // plugin search.
    void loadsNoImagePlugin()
    {
        QVERIFY2(mappedImagePlugins().isEmpty(), qPrintable(mappedImagePlugins().join(' ')));
        for (const char *path : {":/icon.png", ":/welcome.png", ":/icons/512/programicon"})
            QVERIFY2(!PngIcon::fromFile(QLatin1String(path)).pixmap(32, 32).isNull(), path);
        QVERIFY2(mappedImagePlugins().isEmpty(), qPrintable(mappedImagePlugins().join(' ')));
    }

    void samePixelsAsQIcon_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("highDpiPixmaps");
        for (bool highDpi : {false, true}) {
            const char *mode = highDpi ? " (high-dpi pixmaps)" : "";
            QTest::addRow("window icon%s", mode) << ":/icon.png" << 32 << highDpi;
            QTest::addRow("tab icon, own size%s", mode) << ":/welcome.png" << 64 << highDpi;
            QTest::addRow("recent button%s", mode) << ":/ps_maps.png" << 16 << highDpi;
            QTest::addRow("name without suffix%s", mode) << ":/icons/512/programicon" << 90 << highDpi;
        }
    }

    void cleanup() { QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, false); }

    void samePixelsAsQIcon()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        QFETCH(bool, highDpiPixmaps);
        QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, highDpiPixmaps);
        const QIcon ours = PngIcon::fromFile(path);
        const QIcon qt(path);
        QVERIFY(!ours.isNull());
        QCOMPARE(ours.actualSize(QSize(size, size)), qt.actualSize(QSize(size, size)));
        const QPixmap a = ours.pixmap(size, size), b = qt.pixmap(size, size);
        QCOMPARE(a.toImage(), b.toImage());
        QCOMPARE(a.devicePixelRatio(), b.devicePixelRatio());
        QCOMPARE(ours.pixmap(size, size, QIcon::Disabled).toImage(),
                 qt.pixmap(size, size, QIcon::Disabled).toImage());
    }

    void refusesWhatIsNoPng_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << ":/no-such-icon.png";
        QTest::newRow("jpeg") << ":/splash.jpg";
        QTest::newRow("empty path") << "";
    }
    void refusesWhatIsNoPng()
    {
        QFETCH(QString, path);
        QVERIFY(PngIcon::read(path).isNull());
        QVERIFY(PngIcon::fromFile(path).isNull());
    }
};

QTEST_MAIN(TestPngIcon)
#include "test_pngicon.moc"
