#include <QIcon>
#include <QPixmap>
#include <QStandardPaths>
#include <QtTest>

#include "atomicfile/atomicfile.h"
#include "core/prompt/prompt.h"
#include "support/testkit.h"

class TestPrompt : public QObject {
    Q_OBJECT
private slots:
    void homeIsPrivate()
    {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(docs.startsWith(KorvelTest::home()->path()));
        QVERIFY(KorvelTest::home()->appData().startsWith(KorvelTest::home()->path()));
        QVERIFY(KorvelTest::home()->appData().endsWith("Brisolan Technologies/Korvel Tarvendel"));
    }
    void scriptedAnswers()
    {
        KorvelTest::PromptScript script;
        script.button(QMessageBox::Yes).extraButton(1).path("/tmp/x.zfp");
        QVERIFY(Prompt::question(nullptr, "T", "Sure?"));
        Prompt::Request rq;
        rq.text = "Path not found.";
        rq.extraButtons = QStringList{"A", "B"};
        QCOMPARE(Prompt::ask(rq), Prompt::extra(1));
        QCOMPARE(Prompt::openFile(nullptr, "Open"), QString("/tmp/x.zfp"));
        // queue empty: the default button answers, choosers cancel
        QCOMPARE(Prompt::message(nullptr, ":/icons/80/error", "E", "t",
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
                 int(QMessageBox::No));
        QVERIFY(Prompt::directory(nullptr, "Dir").isEmpty());
        QCOMPARE(script.requests().size(), 5);
        QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/question"));
    }
    void iconsLoad()
    {
        for (const char *n : {"error", "warning", "info", "question"}) {
            const QPixmap p = QIcon(QString(":/icons/80/") + n).pixmap(80, 80);
            QVERIFY2(!p.isNull(), n);
        }
    }
    void atomicWriteKeepsOldFileOnFailure()
    {
        const QString path = KorvelTest::home()->path() + "/atomic.txt";
        QVERIFY(AtomicFile::write(path, QByteArray("old")));
        QVERIFY(!AtomicFile::write(path, [](QIODevice &d) {
            d.write("partial");
            return false;
        }));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old"));
        QVERIFY(!AtomicFile::write(KorvelTest::home()->path() + "/no/such/dir/x", QByteArray("x")));
    }
};

KORVEL_TEST_MAIN(TestPrompt)
#include "test_prompt.moc"
