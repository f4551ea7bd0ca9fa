// The rename dialog: what can be typed and what it hands back.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "database/dbrenamediag.h"
#include "support/testkit.h"

class TestDBRenameDiag : public QObject {
    Q_OBJECT
private slots:
    void typing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "Route 2 (new)-a" << "Route 2 (new)-a";
        QTest::newRow("point and slash") << "a.b/c" << "abc";
        QTest::newRow("leading hyphen") << "-x" << "x";
        QTest::newRow("leading blank") << " x" << "x";
        QTest::newRow("umlauts") << "Höhe" << "Höhe";
        QTest::newRow("100 fit, the 101st not") << QString(101, 'n') << QString(100, 'n');
    }
    void typing()
    {
        QFETCH(QString, typed);
        QFETCH(QString, field);
        DBRenameDiag d{QString()};
        d.show();
        for (const QChar c : typed)  // one key press per character, any script
            QTest::sendKeyEvent(QTest::Click, d.nameEdit(), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        QCOMPARE(d.nameEdit()->text(), field);
    }

    // How the dialog ends: by Cancel, the close button, Return or "Rename".
    void outcome_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<bool>("open");
        QTest::newRow("cancel") << "Route" << "cancel" << "" << false;
        QTest::newRow("close") << "Route" << "close" << "" << false;
        QTest::newRow("old name again") << "Route" << "rename" << "Route" << false;
        QTest::newRow("return") << "Route" << "return" << "Route" << false;
        QTest::newRow("one letter, return") << "R" << "return" << "" << true;
        QTest::newRow("one letter, rename") << "R" << "rename" << "R" << false;
        QTest::newRow("old name outside the rule") << "a.b" << "rename" << "a.b" << false;
    }
    void outcome()
    {
        QFETCH(QString, start);
        QFETCH(QString, action);
        QFETCH(QString, newName);
        QFETCH(bool, open);
        DBRenameDiag d(start);
        d.show();
        QCOMPARE(d.windowTitle(), QString("Renaming..."));
        QCOMPARE(d.nameEdit()->text(), start);
        KorvelTest::PromptScript script;
        if (action == "cancel")
            d.cancelButton()->click();
        else if (action == "close")
            d.close();
        else if (action == "rename")
            d.renameButton()->click();
        else
            QTest::keyClick(d.nameEdit(), Qt::Key_Return);
        QCOMPARE(d.newName, newName);
        QCOMPARE(d.isVisible(), open);
        QCOMPARE(script.requests().size(), 0);
    }

    void emptyNameIsRefused()
    {
        DBRenameDiag d("Route");
        d.show();
        d.nameEdit()->clear();
        KorvelTest::PromptScript script;
        d.renameButton()->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("No name entered!"));
        QCOMPARE(script.requests().first().text,
                 QString("Please enter a name or click \"cancel\" for aborting."));
        QCOMPARE(script.requests().first().iconPath, QString(":/icons/80/warning"));
        QVERIFY(d.isVisible());
        QVERIFY(d.newName.isEmpty());
    }
};

KORVEL_TEST_MAIN(TestDBRenameDiag)
#include "test_dbrenamediag.moc"
