#include <QSignalSpy>
#include <QtTest>

#include "core/data.h"
#include "support/testkit.h"

namespace {
using Entry = QPair<int, QString>;
using Entries = QList<Entry>;

void resetStore(const Entries &entries = {})
{
    QSettings s("Brisolan Technologies", "Korvel Tarvendel");
    s.clear();
    for (int i = 0; i < entries.size(); ++i) {
        s.setValue(QString("RecentType%1").arg(i), entries.at(i).first);
        s.setValue(QString("RecentName%1").arg(i), entries.at(i).second);
    }
    s.sync();
    // An empty file is what a crash leaves; a store never written has none.
    if (entries.isEmpty())
        QFile::remove(s.fileName());
}

Entries recents(const Data &d)
{
    Entries e;
    for (int i = 0; i < 5; ++i)
        e << Entry(int(d.recentType(i)), d.recentName(i));
    return e;
}

Entries storedRecents()
{
    QSettings s("Brisolan Technologies", "Korvel Tarvendel");
    Entries e;
    for (int i = 0; i < 5; ++i)
        e << Entry(s.value(QString("RecentType%1").arg(i)).toInt(),
                   s.value(QString("RecentName%1").arg(i)).toString());
    return e;
}

const Entry E(0, QString());
}  // namespace

class TestRecents : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("KORVEL_PROBE_URL", "off"); }

    void freshStoreHasFiveEmptySlots()
    {
        resetStore();
        Data d;
        QCOMPARE(recents(d), Entries({E, E, E, E, E}));
        QCOMPARE(d.recentName(5), QString());
        QCOMPARE(d.recentName(-1), QString());
        QVERIFY(d.recentType(7) == OpenKind::None);
    }

    void addKeepsTheNewestFive()
    {
        resetStore();
        Data d;
        QSignalSpy changed(&d, &Data::recentChanged);
        for (int i = 1; i <= 6; ++i)
            d.addRecent(OpenKind::FlightPlan, QString("plan%1").arg(i));
        const Entries expected = {{2, "plan6"}, {2, "plan5"}, {2, "plan4"}, {2, "plan3"}, {2, "plan2"}};
        QCOMPARE(recents(d), expected);
        QCOMPARE(storedRecents(), expected);
        QCOMPARE(changed.count(), 6);

        // Survives a restart.
        Data again;
        QCOMPARE(recents(again), expected);
    }

    void addMovesAnExistingEntryFirst()
    {
        resetStore({{1, "a"}, {2, "b"}, {4, "c"}, {2, "d"}, {5, "e"}});
        Data d;
        d.addRecent(OpenKind::FlightPlan, "d");
        QCOMPARE(recents(d), Entries({{2, "d"}, {1, "a"}, {2, "b"}, {4, "c"}, {5, "e"}}));
        // Same name, other kind: a second entry.
        d.addRecent(OpenKind::Map, "d");
        QCOMPARE(recents(d), Entries({{1, "d"}, {2, "d"}, {1, "a"}, {2, "b"}, {4, "c"}}));
    }

    void removeShiftsUp_data()
    {
        QTest::addColumn<Entries>("before");
        QTest::addColumn<Entry>("remove");
        QTest::addColumn<Entries>("after");
        QTest::addColumn<int>("signalCount");
        QTest::newRow("slot 1") << Entries({{1, "a"}, {2, "b"}, {4, "c"}, {2, "d"}, {5, "e"}})
                                << Entry(2, "b")
                                << Entries({{1, "a"}, {4, "c"}, {2, "d"}, {5, "e"}, E}) << 1;
        QTest::newRow("kind must match") << Entries({{1, "a"}, {2, "b"}, E, E, E}) << Entry(1, "b")
                                         << Entries({{1, "a"}, {2, "b"}, E, E, E}) << 0;
        // The entry that moves up into the freed slot is looked at too.
        QTest::newRow("neighbours alike") << Entries({{2, "x"}, {2, "x"}, {2, "x"}, {1, "m"}, E})
                                          << Entry(2, "x") << Entries({{1, "m"}, E, E, E, E}) << 3;
    }
    void removeShiftsUp()
    {
        QFETCH(Entries, before);
        QFETCH(Entry, remove);
        QFETCH(Entries, after);
        QFETCH(int, signalCount);
        resetStore(before);
        Data d;
        QSignalSpy changed(&d, &Data::recentChanged);
        d.removeRecent(OpenKind(remove.first), remove.second);
        QCOMPARE(recents(d), after);
        QCOMPARE(changed.count(), signalCount);
        if (signalCount)
            QCOMPARE(storedRecents(), after);
    }

    void renameChangesEveryMatch()
    {
        resetStore({{2, "old"}, {1, "old"}, {2, "keep"}, {2, "old"}, E});
        Data d;
        QSignalSpy changed(&d, &Data::recentChanged);
        d.renameRecent(OpenKind::FlightPlan, "old", "new");
        const Entries expected = {{2, "new"}, {1, "old"}, {2, "keep"}, {2, "new"}, E};
        QCOMPARE(recents(d), expected);
        QCOMPARE(storedRecents(), expected);
        QCOMPARE(changed.count(), 2);
    }

    void openRegistry()
    {
        resetStore();
        Data d;
        const int a = d.registerOpen(OpenKind::FlightPlan, "plan");
        const int b = d.registerOpen(OpenKind::FlightPlan, "plan");
        const int map = d.registerOpen(OpenKind::Map, "Lake");
        QCOMPARE(a, 1);
        QCOMPARE(b, 2);
        QCOMPARE(map, 3);
        QVERIFY(!d.isOpen(OpenKind::Map, "plan"));
        QVERIFY(!d.isOpen(OpenKind::FlightPlan, "Plan"));
        d.unregisterOpen(a);
        QVERIFY(d.isOpen(OpenKind::FlightPlan, "plan"));  // still open in the second tab
        d.unregisterOpen(b);
        QVERIFY(!d.isOpen(OpenKind::FlightPlan, "plan"));
        d.unregisterOpen(99);  // unknown id: nothing happens
        QVERIFY(d.isOpen(OpenKind::Map, "Lake"));
        QCOMPARE(d.registerOpen(OpenKind::Thermal, "therm"), 4);  // ids are never reused
    }
};

KORVEL_TEST_MAIN(TestRecents)
#include "test_recents.moc"
