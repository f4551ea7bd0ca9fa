// Export to Image through a link (the editor's writers on a full disk and
// killed are rows of tests/safety).
#include <QDir>
#include <QImage>
#include <QtTest>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "support/testkit.h"
#include "thermal/araheader.h"
#include "thermal/editor/thimageexport.h"

namespace {

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

}  // namespace

class TestTHSafeWrites : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    // An export to a link replaces the file it names; the link stays.
    void exportThroughALink()
    {
        const QString dir = KorvelTest::home()->path() + "/linked";
        QDir(dir).removeRecursively();
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(AtomicFile::write(dir + "/real.png", QByteArray("old")));
        QVERIFY(QFile::link(dir + "/real.png", dir + "/link.png"));
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QString error;
        QCOMPARE(THImageExport::write(image, AraHeader(), dir + "/link.png", &error),
                 THImageExport::Result::Written);
        QVERIFY(QFileInfo(dir + "/link.png").isSymLink());
        QCOMPARE(QImage(dir + "/real.png").size(), QSize(8, 6));
        QCOMPARE(entries(dir), (QStringList{"link.png", "real.png"}));
    }
};

KORVEL_TEST_MAIN(TestTHSafeWrites)
#include "test_thsafewrites.moc"
