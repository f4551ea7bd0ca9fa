// The settings format: Qt's INI layout both ways, a failed save that leaves
// the old file and says why, and what the start finds of a damaged file or a
// killed save.
#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRect>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "atomicfile/settingsfile.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// QSettings keeps one parsed copy per file name for the process: every
// file here gets a name of its own.
QString freshName(const QString &stem)
{
    static int serial = 0;
    return KorvelTest::home()->path() + QStringLiteral("/codec/%1-%2.conf").arg(stem).arg(++serial);
}

// What Qt's own INI format writes for map, and what it reads back.
QByteArray qtWrites(const QSettings::SettingsMap &map)
{
    const QString path = freshName("qt");
    {
        QSettings s(path, QSettings::IniFormat);
        for (auto it = map.begin(); it != map.end(); ++it)
            s.setValue(it.key(), it.value());
    }
    return readAll(path);
}

// What a store in format reads from bytes, key by key as the program asks.
QSettings::SettingsMap readsAs(const QByteArray &bytes, QSettings::Format format)
{
    const QString path = freshName("read");
    writeRaw(path, bytes);
    QSettings s(path, format);
    QSettings::SettingsMap map;
    for (const QString &key : s.allKeys())
        map.insert(key, s.value(key));
    return map;
}

QSettings::SettingsMap qtReads(const QByteArray &bytes) { return readsAs(bytes, QSettings::IniFormat); }

// Values compare with their types: "1" is not 1.
QString describe(const QSettings::SettingsMap &map)
{
    QStringList out;
    for (auto it = map.begin(); it != map.end(); ++it) {
        QString text;
        QDebug(&text) << it.value();
        out << it.key() + "=" + text;
    }
    return out.join(" | ");
}

}  // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
    QString m_folder;

private slots:
    void initTestCase()
    {
        QDir().mkpath(KorvelTest::home()->path() + "/codec");
        m_folder = KorvelTest::home()->path() + "/store";
    }

    void init()
    {
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
    }

    // Every kind of value the programs keep, and the characters INI files
    // treat specially: ours writes the very bytes Qt writes, and each reads
    // what the other wrote as Qt reads its own.
    void sameAsQtIni_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        const QList<QPair<const char *, QVariant>> values = {
            {"non-ascii", QString::fromUtf8("M\xc3\xbcnchen \xe2\x82\xac \xf0\x9f\x9a\x81")},
            {"hex digit after escape", QString::fromUtf8("\xc3\xa4" "b1F")},
            {"quotes", QString("say \"hi\" and 'bye'")},
            {"comma", QString("a,b")},
            {"semicolon", QString("x;y")},
            {"equals", QString("k=v")},
            {"backslashes", QString("C:\\maps\\new\\x41")},
            {"spaces around", QString("  padded  ")},
            {"leading at", QString("@not a variant")},
            {"newlines and tabs", QString("line1\nline2\r\n\tend")},
            {"control and nul", QString::fromLatin1("a\x01" "b\x00" "c", 6)},
            {"empty", QString("")},
            {"list of none", QStringList{}},
            {"list of one", QStringList{"only"}},
            {"list of several", QStringList{"a", "b, c", " d ", "@e", ""}},
            {"variant list", QVariantList{1, "x", QRect(1, 2, 3, 4)}},
            {"variant list of one", QVariantList{QSize(5, 6)}},
            {"bytes", QByteArray("\x00\x01\x7f\x80\xff" "9(z)", 9)},
            {"empty bytes", QByteArray()},
            {"int", 42},
            {"negative", -7},
            {"long long", qlonglong(1) << 40},
            {"unsigned", 4000000000u},
            {"double", 0.1},
            {"double large", 1.5e300},
            {"bool", true},
            {"rect", QRect(-1, 2, 30, 40)},
            {"size", QSize(800, 600)},
            {"point", QPoint(-5, 7)},
            {"date time", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 7), Qt::UTC)},
            {"date", QDate(2020, 1, 2)},
            {"colour", QColor(10, 20, 30, 40)},
            {"float", QVariant(1.5f)},
            {"invalid", QVariant()},
        };
        for (const auto &v : values)
            QTest::newRow(v.first) << QString("Value") << v.second;
        const QStringList keys = {"key with spaces", QString::fromUtf8("Gr\xc3\xb6\xc3\x9f" "e"),
                                  "Group/Sub/key", "General/key", "general/lower", "top%20",
                                  "a.b-c_d", "\xe2\x82\xac/x", "Group/back\\slash"};
        for (const QString &k : keys)
            QTest::newRow(qPrintable("key " + k)) << k << QVariant("v");
    }
    void sameAsQtIni()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QSettings::SettingsMap map;
        map.insert(key, value);
        const QByteArray qt = qtWrites(map);
        const QByteArray ours = SettingsFile::encode(map);
        QCOMPARE(ours, qt);
        const QSettings::SettingsMap qtRead = qtReads(qt);
        QCOMPARE(describe(SettingsFile::decode(qt)), describe(qtRead));
        QCOMPARE(describe(qtReads(ours)), describe(qtRead));
    }

    // A whole store at once: sections in Qt's order, "General" as a group
    // of its own beside the top-level keys.
    void wholeStoreSameAsQtIni()
    {
        QSettings::SettingsMap map;
        map.insert("WaypointPath", "/home/u/Documents/KorvelTarvendel/waypoints/");
        map.insert("geometry", QByteArray("\x01\xd9\xd0\xcb\x00\x03", 6));
        map.insert("RecentName1", QString::fromUtf8("Feld S\xc3\xbc" "d"));
        map.insert("General/x", 1);
        map.insert("zeta/a", QStringList{"1", "2"});
        map.insert("Alpha/b/c", QRect(0, 0, 1, 1));
        map.insert("alpha/d", 2.5);
        const QByteArray qt = qtWrites(map);
        QCOMPARE(SettingsFile::encode(map), qt);
        QCOMPARE(describe(SettingsFile::decode(qt)), describe(qtReads(qt)));
    }

    void exactBytes()
    {
        QSettings::SettingsMap map;
        map.insert("Config", 1);
        map.insert("Last Latitude", 48.137171);
        map.insert("Proxy", "NoProxy");
        map.insert("RecentName1", "Field; north");
        map.insert("geometry", QByteArray("\x01\xd9\xd0", 3));
        map.insert("Group/list", QStringList{"a", " b"});
        QCOMPARE(SettingsFile::encode(map),
                 QByteArray("[General]\n"
                            "Config=1\n"
                            "Last%20Latitude=48.137171\n"
                            "Proxy=NoProxy\n"
                            "RecentName1=\"Field; north\"\n"
                            "geometry=@ByteArray(\\x1\\xd9\\xd0)\n"
                            "\n"
                            "[Group]\n"
                            "list=a, \" b\"\n"));
        // A store without keys is not an empty file (that is what a crash leaves).
        QCOMPARE(SettingsFile::encode({}), QByteArray("[General]\n"));
        QCOMPARE(SettingsFile::decode("[General]\n").size(), 0);
    }

    // Files people or other versions wrote: comments, CR LF, a byte-order
    // mark, spaces around '=', values over two lines, sections twice.
    void readsWhatQtReads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("comments") << QByteArray("; top\n[General]\na=1 ; trailing\n;b=2\nc = 3 \n");
        QTest::newRow("crlf") << QByteArray("[General]\r\na=1\r\n\r\n[G]\r\nb=x y\r\n");
        QTest::newRow("bom utf-8") << QByteArray("\xef\xbb\xbf[General]\nname=M\xc3\xbcnchen\n");
        QTest::newRow("latin-1 bytes") << QByteArray("[General]\nname=M\xfcnchen\n");
        QTest::newRow("continued line") << QByteArray("[General]\na=first\\\nsecond\nb=\"multi\nline\"\n");
        QTest::newRow("quoted parts") << QByteArray("[General]\na=\"x\" y \"z\"\nb=  \"  \"  \nc=1,\"2,3\" , 4\n");
        QTest::newRow("escapes") << QByteArray("[General]\na=\\101\\x42\\q\\?\\'\nb=tab\\there\nc=\\x\n");
        QTest::newRow("lower general") << QByteArray("[general]\na=1\n[%general]\nb=2\n");
        QTest::newRow("section twice") << QByteArray("[S]\na=1\n[T]\nb=2\n[S]\na=3\nc=4\n");
        QTest::newRow("no section") << QByteArray("a=1\n[S]\nb=2\n");
        QTest::newRow("escaped keys") << QByteArray("[My%20Group]\nkey%U20ACx=1\nsub\\leaf=2\n%zz=3\n");
        QTest::newRow("broken lines") << QByteArray("[General]\njunk\n[unclosed\na=1\n=novalue\n");
        QTest::newRow("variants") << QByteArray("[General]\nr=@Rect(1 2 3)\ns=@Size(4 5)\ni=@Invalid()\nat=@@x\n");
    }
    void readsWhatQtReads()
    {
        QFETCH(QByteArray, file);
        QCOMPARE(describe(readsAs(file, SettingsFile::format())), describe(qtReads(file)));
    }

    // The store keeps the very file Qt's native format used.
    void fileNameUnchanged()
    {
        const QString expected = QDir::homePath() + "/.config/Brisolan Technologies/Korvel Tarvendel.conf";
        QSettings native(QStringLiteral("Brisolan Technologies"), QStringLiteral("Korvel Tarvendel"));
        QSettings ours(SettingsFile::format(), QSettings::UserScope, QStringLiteral("Brisolan Technologies"),
                       QStringLiteral("Korvel Tarvendel"));
        QCOMPARE(native.fileName(), expected);
        QCOMPARE(ours.fileName(), expected);
        QCOMPARE(SettingsFile::path("Brisolan Technologies", "Korvel Tarvendel"), expected);
        QSettings radiconv(SettingsFile::format(), QSettings::UserScope, QStringLiteral("Brisolan Technologies"),
                           QStringLiteral("Korvel Radiconv"));
        QCOMPARE(radiconv.fileName(), QDir::homePath() + "/.config/Brisolan Technologies/Korvel Radiconv.conf");
        QCOMPARE(QSettings().fileName(), expected);  // the default format of the test kit
    }

    // With the disk full at any byte of a save, the old file stays byte for
    // byte, sync() says which file and why, and the user is told once until
    // a save succeeds again.
    void failedSaveKeepsOldFileAndIsToldOnce()
    {
        const QString file = m_folder + "/full.conf";
        QStringList told;
        SettingsFile::setFailureHandler(
            [&](const QString &f, const QString &reason) { told << SettingsFile::failureText(f + ": " + reason); });
        QSettings s(file, SettingsFile::format());
        for (int i = 0; i < 600; ++i)
            s.setValue(QStringLiteral("Group%1/key%2").arg(i % 7).arg(i), QStringLiteral("value %1").arg(i));
        QVERIFY(SettingsFile::sync(s));
        const QByteArray old = readAll(file);
        QVERIFY(old.size() > 9000);

        const QString tooLarge = QString::fromLocal8Bit(strerror(EFBIG));
        const QString expected = "Settings could not be saved: " + file + ": " + tooLarge;
        int round = 0;
        for (const qint64 limit : {qint64(0), qint64(100), qint64(4096), qint64(old.size() - 4096), qint64(old.size())}) {
            s.setValue("changed", ++round);
            QString error;
            bool saved;
            {
                KorvelTest::DiskLimit full(limit);
                saved = SettingsFile::sync(s, &error);
                // QSettings' own save after the change meets the same disk.
                QCoreApplication::processEvents();
            }
            const QString at = QStringLiteral("limit %1: ").arg(limit);
            QVERIFY2(!saved, qPrintable(at + "reported as saved"));
            QCOMPARE(error, file + ": " + tooLarge);
            QVERIFY2(readAll(file) == old, qPrintable(at + "old file changed"));
            QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList{"full.conf"});
        }
        // Every failure above went through the queue; the user hears of it once.
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), 1, KorvelTest::kWaitMs);
        QCOMPARE(told.first(), expected);
        // Implicit saves (after a change, by QSettings itself) are checked too.
        SettingsFile::watch(&s);
        {
            KorvelTest::DiskLimit full(0);
            s.setValue("implicit", 1);
            QCoreApplication::processEvents();
        }
        QTest::qWait(50);  // nothing more is said while the failure lasts
        QCOMPARE(told.size(), 1);

        // Space again: the waiting changes are saved, and a new failure is told.
        QVERIFY(SettingsFile::sync(s));
        const QSettings::SettingsMap saved = qtReads(readAll(file));
        QCOMPARE(saved.value("changed").toInt(), round);
        QCOMPARE(saved.value("implicit").toInt(), 1);
        {
            KorvelTest::DiskLimit full(0);
            s.setValue("implicit", 2);
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), 2, KorvelTest::kWaitMs);
        QVERIFY(SettingsFile::save(s));
        SettingsFile::setFailureHandler(nullptr);
    }

    // A caller that tells the failure itself is not followed by the handler.
    void callerToldFailureIsNotRepeated()
    {
        const QString file = m_folder + "/told.conf";
        int told = 0;
        SettingsFile::setFailureHandler([&](const QString &, const QString &) { ++told; });
        QSettings s(file, SettingsFile::format());
        s.setValue("a", QString(5000, 'x'));
        QString error;
        {
            KorvelTest::DiskLimit full(1000);
            QVERIFY(!SettingsFile::sync(s, &error));
        }
        SettingsFile::markReported(file);
        QTest::qWait(50);  // the queued report must not come
        QCOMPARE(told, 0);
        QVERIFY(SettingsFile::sync(s));
        SettingsFile::setFailureHandler(nullptr);
    }

    // Damaged at start: the user is told what, the bytes are kept beside the
    // file, and only whole lines are trusted.
    void damagedFileAtStart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QByteArray>("trusted");  // the file afterwards (empty: removed)
        QTest::newRow("empty") << QByteArray() << "the file is empty" << QByteArray();
        QTest::newRow("cut in last line")
            << QByteArray("[General]\nConfig=1\nWaypointPath=/home/u/Docu") << "its last line is cut off"
            << QByteArray("[General]\nConfig=1\n");
        QTest::newRow("cut in first line") << QByteArray("[Gene") << "its last line is cut off" << QByteArray();
        QTest::newRow("nul tail") << QByteArray("[General]\nConfig=1\nMapPath=/x\n\0\0\0\0", 34)
                                  << "it holds NUL bytes where its text was cut off"
                                  << QByteArray("[General]\nConfig=1\nMapPath=/x\n");
    }
    void damagedFileAtStart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QFETCH(QByteArray, trusted);
        const QString file = m_folder + "/Korvel Tarvendel.conf";
        QVERIFY(writeRaw(file, bytes));
        const SettingsFile::Damage d = SettingsFile::prepare(file);
        QCOMPARE(d.problem, problem);
        QVERIFY(d.message(file).contains(file + ": " + problem));
        if (bytes.isEmpty()) {
            QVERIFY(d.keptAs.isEmpty());
        } else {
            QCOMPARE(d.keptAs, file + ".damaged");
            QCOMPARE(readAll(file + ".damaged"), bytes);
            QVERIFY(d.message(file).contains(file + ".damaged"));
        }
        QCOMPARE(QFileInfo::exists(file), !trusted.isEmpty());
        QCOMPARE(readAll(file), trusted);
        // The store reads the trusted lines; the next start finds nothing wrong.
        QSettings s(file, SettingsFile::format());
        QCOMPARE(s.value("Config").toString(), QString(trusted.contains("Config") ? "1" : ""));
        QVERIFY(!s.contains("WaypointPath"));
        QVERIFY(!SettingsFile::prepare(file).damaged());

        // A second damage keeps the first copy.
        if (!bytes.isEmpty()) {
            QVERIFY(writeRaw(file, bytes + "x"));
            QCOMPARE(SettingsFile::prepare(file).keptAs, file + ".damaged.2");
            QCOMPARE(readAll(file + ".damaged"), bytes);
        }
    }

    void soundFileIsLeftAlone()
    {
        const QString file = m_folder + "/Korvel Tarvendel.conf";
        const QByteArray bytes("[General]\nConfig=1\n");
        QVERIFY(writeRaw(file, bytes));
        QVERIFY(!SettingsFile::prepare(file).damaged());
        QCOMPARE(readAll(file), bytes);
        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Korvel Tarvendel.conf"});
        QVERIFY(!SettingsFile::prepare(m_folder + "/absent.conf").damaged());
    }

    // What a killed save left: Qt's temporary "<file>.XXXXXX" and its lock
    // file go; files that only look alike stay.
    void leftoversOfKilledSave()
    {
        const QString file = m_folder + "/Korvel Tarvendel.conf";
        QVERIFY(writeRaw(file, "[General]\nConfig=1\n"));
        for (const QString name : {"Korvel Tarvendel.conf.aBcDeF", "Korvel Tarvendel.conf.XyZwVu"})
            QVERIFY(writeRaw(m_folder + "/" + name, "[General]\nConf"));
        // A lock whose process is gone.
        QVERIFY(writeRaw(file + ".lock", "999999999\nKorvelTarvendel\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        const QStringList kept = {"Korvel Tarvendel.conf.backup1", "Korvel Tarvendel.conf.damaged",
                                  "Korvel Tarvendel.conf.abcde", "Other.conf.aBcDeF", "Korvel Tarvendel.conf.ab-def",
                                  "Korvel Tarvendel.conf.backup"};
        for (const QString &name : kept)
            QVERIFY(writeRaw(m_folder + "/" + name, "mine"));
        // A user's copy of Qt's shape, made long before the cut-off save.
        QFile backup(m_folder + "/Korvel Tarvendel.conf.backup");
        QVERIFY(backup.open(QIODevice::ReadWrite));
        QVERIFY(backup.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        backup.close();
        QVERIFY(!SettingsFile::prepare(file).damaged());
        QStringList expected = kept;
        expected << "Korvel Tarvendel.conf";
        expected.sort();
        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }

    // A save in progress elsewhere (its lock held) keeps its temporary.
    void liveSaveKeepsItsTemporary()
    {
        const QString file = m_folder + "/Korvel Tarvendel.conf";
        QVERIFY(writeRaw(file, "[General]\nConfig=1\n"));
        QVERIFY(writeRaw(file + ".QwErTy", "[General]\n"));
        QLockFile held(file + ".lock");
        QVERIFY(held.tryLock(0));
        SettingsFile::prepare(file);
        QVERIFY(QFileInfo::exists(file + ".QwErTy"));
        held.unlock();
        // No lock left behind: no save was cut off, so the file is not Qt's.
        SettingsFile::prepare(file);
        QVERIFY(QFileInfo::exists(file + ".QwErTy"));
    }
};

KORVEL_TEST_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
