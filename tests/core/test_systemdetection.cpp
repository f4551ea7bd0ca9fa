#include <QtTest>

#include "core/systemdetection.h"
#include "support/testkit.h"

namespace {
QStringList s_captured;
void capture(QtMsgType, const QMessageLogContext &, const QString &msg) { s_captured << msg; }

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}
}  // namespace

class TestSystemDetection : public QObject {
    Q_OBJECT
private slots:
    void adaptersFromDrm()
    {
        QTemporaryDir root;
        // 12 cards (only 10 are listed), connectors and other entries are no cards.
        for (int i = 0; i < 12; ++i) {
            const QString dev = root.path() + QString("/card%1/device/").arg(i);
            writeFile(dev + "vendor", "0x8086\n");
            writeFile(dev + "device", QString("0x%1\n").arg(0x3e90 + i, 0, 16).toLatin1());
            writeFile(dev + "uevent", "PCI_ID=8086:3E92\nDRIVER=i915\n");
        }
        QDir().mkpath(root.path() + "/card0-HDMI-A-1");
        QDir().mkpath(root.path() + "/renderD128");
        writeFile(root.path() + "/version", "drm 1.1.0\n");

        const QList<DisplayAdapter> a = displayAdapters(root.path());
        QCOMPARE(a.size(), 10);
        QCOMPARE(a.at(0).name, QString("card0"));
        QCOMPARE(a.at(2).name, QString("card2"));  // numeric order, not card10 after card1
        QCOMPARE(a.at(9).name, QString("card9"));
        QCOMPARE(a.at(2).description, QString("i915 [8086:3e92]"));
        QVERIFY(displayAdapters(root.path() + "/none").isEmpty());
    }

    void logLines()
    {
        s_captured.clear();
        const QtMessageHandler old = qInstallMessageHandler(capture);
        systemDetection();
        qInstallMessageHandler(old);
        QVERIFY(s_captured.size() >= 3);
        QCOMPARE(s_captured.at(0), QString("System Detection"));
        QVERIFY(s_captured.at(1).startsWith("CPU: "));
        QVERIFY(s_captured.at(1).size() > 5);  // a brand was found
        QVERIFY(!s_captured.at(1).contains('"'));
        const QString last = s_captured.last();
        QCOMPARE(last, QString("\"%1, Kernel %2 %3\"")
                           .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
                                QSysInfo::currentCpuArchitecture()));
        for (int i = 2; i + 1 < s_captured.size(); i += 2) {
            const int n = (i - 2) / 2;
            QVERIFY(s_captured.at(i).startsWith(QString("\"[SYSTEM] Grafikcard Name %1: ").arg(n)));
            QVERIFY(s_captured.at(i).endsWith(" \""));
            QVERIFY(s_captured.at(i + 1).startsWith(
                QString("\"[SYSTEM] Grafikcard String %1: ").arg(n)));
        }
    }
};

KORVEL_TEST_MAIN(TestSystemDetection)
#include "test_systemdetection.moc"
