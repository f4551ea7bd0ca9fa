// The trace file page: the head it shows and the delete.
#include <QDataStream>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "core/data.h"
#include "database/dbtrace.h"
#include "support/testkit.h"
#include "zpxfixtures.h"

using namespace ZpxFixture;

namespace {

QString traces() { return Data::instance()->harlekSDPath() + "/trace"; }

QByteArray traceHead(const QString &magic, const QString &version, const QString &date)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setVersion(12);
    s << magic << version << date;
    return bytes;
}

}  // namespace

class TestDBTrace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void texts_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("versionShown");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("dateShown");
        QTest::newRow("usual") << "0345" << "3.45" << "170305142530" << "05. March 2017 14:25:30";
        QTest::newRow("two digits") << "03" << "3." << "991231235959" << "31. December 2099 23:59:59";
        QTest::newRow("no leading zero") << "1203" << "12.03" << "17030514253" << "-";
        QTest::newRow("not digits") << "0" << "." << "17030514253x" << "-";
        QTest::newRow("impossible date") << "" << "." << "171305142530" << "";
    }
    void texts()
    {
        QFETCH(QString, version);
        QFETCH(QString, versionShown);
        QFETCH(QString, date);
        QFETCH(QString, dateShown);
        QCOMPARE(DBTrace::versionText(version), versionShown);
        QCOMPARE(DBTrace::dateText(date), dateShown);
    }

    void head_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // empty: no file
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("date");
        const QString invalid = "<b><font color=\"red\">NOT VALID!</color></b>";
        QTest::newRow("valid, longer magic")
            << traceHead("KorvelTarvendelTraceFile v2", "0345", "170305142530") << "3.45"
            << "05. March 2017 14:25:30";
        QTest::newRow("foreign") << traceHead("SomethingElse", "0345", "170305142530") << invalid << "-";
        QTest::newRow("missing") << QByteArray() << invalid << "-";
        QTest::newRow("cut after the magic")
            << traceHead("KorvelTarvendelTraceFile", "0345", "1").left(52) << "." << "-";
    }
    void head()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, version);
        QFETCH(QString, date);
        QDir(traces()).removeRecursively();
        if (!bytes.isEmpty())
            writeFile(traces() + "/T.zt1", bytes);
        DBTrace page;
        QCOMPARE(page.versionLabel()->text(), QString("0"));
        page.setTraceFile("T");
        QCOMPARE(page.nameLabel()->text(), QString("T"));
        QCOMPARE(page.versionLabel()->text(), version);
        QCOMPARE(page.dateLabel()->text(), date);
    }

    void deleteATrace_data()
    {
        QTest::addColumn<bool>("thermalOpen");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("thermal project of that name open") << true << int(QMessageBox::Yes) << false;
        QTest::newRow("answered no") << false << int(QMessageBox::No) << false;
        QTest::newRow("deleted") << false << int(QMessageBox::Yes) << true;
    }
    void deleteATrace()
    {
        QFETCH(bool, thermalOpen);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        QDir(traces()).removeRecursively();
        writeFile(traces() + "/T.ZT1", traceHead("KorvelTarvendelTraceFile", "0345", "170305142530"));
        Data *data = Data::instance();
        const int id = thermalOpen ? data->registerOpen(OpenKind::Thermal, "T") : -1;
        DBTrace page;
        page.setTraceFile("T");
        QSignalSpy spy(&page, &DBTrace::traceDeleted);
        KorvelTest::PromptScript script;
        script.button(answer);
        page.deleteButton()->click();
        if (thermalOpen)
            data->unregisterOpen(id);
        QCOMPARE(script.requests().first().title,
                 QString(thermalOpen ? "Can't delete trace file" : "Confirm deletion"));
        QCOMPARE(QFile::exists(traces() + "/T.ZT1"), !deleted);
        QCOMPARE(spy.size(), deleted ? 1 : 0);
    }
};

KORVEL_TEST_MAIN(TestDBTrace)
#include "test_dbtrace.moc"
