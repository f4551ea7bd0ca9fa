#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "core/debuglog.h"
#include "support/testkit.h"

namespace {
QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString probeProgram() { return QCoreApplication::applicationDirPath() + "/logprobe"; }
}  // namespace

class TestDebugLog : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QtMessageHandler m_testHandler = nullptr;

    // Lines are counted below, so every message of the default category
    // must get through whatever logging rules the environment sets.
    static void allMessages(QLoggingCategory *category)
    {
        if (qstrcmp(category->categoryName(), "default") == 0) {
            for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
                category->setEnabled(type, true);
        } else if (s_previousFilter) {
            s_previousFilter(category);
        }
    }
    static QLoggingCategory::CategoryFilter s_previousFilter;

private slots:
    void initTestCase() { s_previousFilter = QLoggingCategory::installFilter(allMessages); }
    void cleanupTestCase() { QLoggingCategory::installFilter(s_previousFilter); }

    void init()
    {
        // DebugLog replaces the handler; the test framework's own comes back after.
        m_testHandler = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(m_testHandler);
    }
    void cleanup() { qInstallMessageHandler(m_testHandler); }

    void prefixesAndInfoDropped()
    {
        const QString path = m_dir.path() + "/a/b/crashlogs/run.log";  // folders made on the way
        {
            DebugLog log(path);
            QCOMPARE(log.fileName(), path);
            qDebug() << "plain" << 5 << true << QStringLiteral("text");
            qWarning() << "warn";
            qCritical() << "crit";
            qInfo() << "info";
        }
        QCOMPARE(fileLines(path), QStringList({"[debug] plain 5 true \"text\"", "[warning] warn",
                                               "[critical] crit"}));
        // After the log is gone nothing reaches the closed writer.
        qWarning() << "after the end";
        QCOMPARE(fileLines(path).size(), 3);
    }

    void orderAcrossThreads()
    {
        const QString path = m_dir.path() + "/threads.log";
        QMutex order;
        int next = 0;
        {
            DebugLog log(path);
            QList<QThread *> threads;
            for (int t = 0; t < 4; ++t) {
                threads << QThread::create([&order, &next] {
                    for (int i = 0; i < 300; ++i) {
                        QMutexLocker lock(&order);
                        qDebug() << "seq" << next++;
                    }
                });
                threads.last()->start();
            }
            for (int i = 0; i < 300; ++i) {
                QMutexLocker lock(&order);
                qDebug() << "seq" << next++;
            }
            for (QThread *t : threads) {
                t->wait();
                delete t;
            }
        }
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 1500);
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines.at(i), QStringLiteral("[debug] seq %1").arg(i));
    }

    void sameSecondKeepsEarlierLog()
    {
        const QString path = m_dir.path() + "/2026-01-01_10-00-00.log";
        {
            DebugLog first(path);
            qDebug() << "first run";
        }
        QString second;
        {
            DebugLog log(path);
            second = log.fileName();
            qDebug() << "second run";
        }
        QCOMPARE(second, m_dir.path() + "/2026-01-01_10-00-00_1.log");
        QCOMPARE(fileLines(path), QStringList{"[debug] first run"});
        QCOMPARE(fileLines(second), QStringList{"[debug] second run"});
    }

    void unwritableFolderIsReported()
    {
        KorvelTest::PromptScript script;
        QFile blocker(m_dir.path() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = m_dir.path() + "/blocker/logs/x.log";
        {
            DebugLog log(path);
            qDebug() << "goes nowhere";
        }
        QCOMPARE(script.texts(),
                 QStringList({"Creating dir failed!\n" + m_dir.path() + "/blocker/logs",
                              "Could not open log file!\n" + path}));
        QCOMPARE(script.requests().first().title, QString());
        QVERIFY(script.requests().first().iconPath.isEmpty());
    }

    void consoleEchoAndFatalLine_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("crashes");
        QTest::newRow("normal") << "normal" << false;
        QTest::newRow("fatal") << "fatal" << true;
    }
    void consoleEchoAndFatalLine()
    {
        QFETCH(QString, mode);
        QFETCH(bool, crashes);
        const QString path = m_dir.path() + "/child-" + mode + ".log";
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_LOGGING_RULES");
        env.remove("QT_LOGGING_CONF");
        child.setProcessEnvironment(env);
        child.start(probeProgram(), {mode, path});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus() == QProcess::CrashExit, crashes);
        const QString err = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(err.contains("\"[warning] careful \\\"text\\\"\""), qPrintable(err));
        QVERIFY(!err.contains("info is not logged"));

        const int n = crashes ? 20000 : 50;
        QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), n + (crashes ? 2 : 1));
        QCOMPARE(lines.at(0), QString("[debug] line 0"));
        QCOMPARE(lines.at(n - 1), QString("[debug] line %1").arg(n - 1));
        QCOMPARE(lines.at(n), QString("[warning] careful \"text\""));
        if (crashes)
            QCOMPARE(lines.at(n + 1), QString("[fatal] fatal end 7"));
    }
};

QLoggingCategory::CategoryFilter TestDebugLog::s_previousFilter = nullptr;

KORVEL_TEST_MAIN(TestDebugLog)
#include "test_debuglog.moc"
