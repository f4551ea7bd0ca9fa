// Every ":/…" path the program names must come from a compiled resource file;
// a missing one only shows up as a blank tool button or a text-only label.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct Reference {
    QString path;
    int line = 0;
};

// Blanks comments but keeps string literals and line breaks, so line numbers stay right.
QString withoutComments(const QString &text)
{
    QString out;
    out.reserve(text.size());
    enum { Code, Line, Block, String, Char } state = Code;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        switch (state) {
        case Code:
            if (c == '/' && next == '/') {
                state = Line;
                continue;
            }
            if (c == '/' && next == '*') {
                state = Block;
                ++i;
                continue;
            }
            if (c == '"')
                state = String;
            else if (c == '\'')
                state = Char;
            out += c;
            break;
        case Line:
            if (c == '\n') {
                state = Code;
                out += c;
            }
            break;
        case Block:
            if (c == '*' && next == '/') {
                state = Code;
                ++i;
            } else if (c == '\n') {
                out += c;
            }
            break;
        case String:
        case Char:
            out += c;
            if (c == '\\' && i + 1 < text.size()) {
                out += next;
                ++i;
            } else if ((state == String && c == '"') || (state == Char && c == '\'')) {
                state = Code;
            }
            break;
        }
    }
    return out;
}

// Resource paths named in one source file: string literals starting with ":/", and the
// icon names handed to the main window's makeAction(), which prefixes ":/icons/16/".
QList<Reference> referencesIn(const QString &source)
{
    static const QRegularExpression literal(QStringLiteral("\"(:/[^\"\\\\]*)\""));
    static const QRegularExpression menuIcon(QStringLiteral(
        "\\bmakeAction\\(\\s*[^,()]+,\\s*tr\\(\"(?:[^\"\\\\]|\\\\.)*\"\\),\\s*\"([^\"\\\\]+)\""));
    const QString code = withoutComments(source);
    QList<Reference> refs;
    auto lineAt = [&](int offset) { return code.leftRef(offset).count(QLatin1Char('\n')) + 1; };
    for (auto it = literal.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        refs.append({m.captured(1), lineAt(m.capturedStart(1))});
    }
    for (auto it = menuIcon.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        refs.append({QStringLiteral(":/icons/16/") + m.captured(1), lineAt(m.capturedStart(1))});
    }
    return refs;
}

QStringList allResources()
{
    QStringList all;
    QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        all << it.next();
    return all;
}

// A plain path must exist; a path ending in "/" names a folder that must hold something;
// a path with %1 (filled in at run time) must match at least one resource.
bool provided(const QString &path, const QStringList &all)
{
    if (path.endsWith(QLatin1Char('/')))
        return !QDir(path).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    if (path.contains(placeholder)) {
        QStringList parts = path.split(placeholder);
        for (QString &part : parts)
            part = QRegularExpression::escape(part);
        const QRegularExpression re(QStringLiteral("^") + parts.join(QStringLiteral("[^/]+")) + QStringLiteral("$"));
        return std::any_of(all.begin(), all.end(), [&](const QString &r) { return re.match(r).hasMatch(); });
    }
    return QFile::exists(path) && !QFileInfo(path).isDir();
}

QStringList sourceFolders(const QDir &root)
{
    static const QStringList notProgram = {"tests", "bench", "fuzz", "tools", "cmake", "resources"};
    QStringList folders;
    for (const QString &d : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (notProgram.contains(d) || d.startsWith(QLatin1String("build")) || d.startsWith('.'))
            continue;
        if (QFile::exists(root.filePath(d + QStringLiteral("/CMakeLists.txt"))))
            folders << d;
    }
    return folders;
}

} // namespace

class TestResourcePaths : public QObject {
    Q_OBJECT
private slots:
    void scannerFindsReferences_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("literals") << QStringLiteral("a(\":/a.png\");\nb(QStringLiteral(\":/b/c.svg\"), \":/d.png\");")
                                  << QStringList{":/a.png", ":/b/c.svg", ":/d.png"} << QList<int>{1, 2, 2};
        QTest::newRow("comments ignored")
            << QStringLiteral("// \":/line.png\"\n/* \":/block.png\"\n */ x(\":/real.png\"); // \":/tail.png\"")
            << QStringList{":/real.png"} << QList<int>{3};
        QTest::newRow("slashes inside strings") << QStringLiteral("s(\"// not a comment\", \":/kept.png\");")
                                                << QStringList{":/kept.png"} << QList<int>{1};
        QTest::newRow("other strings") << QStringLiteral("s(\"a:/b\", \"file:/c\", \"/:/d\");") << QStringList{}
                                       << QList<int>{};
        QTest::newRow("templates and folders") << QStringLiteral("f(\":/%1.svg\"); g(\":/icons/16/\" + n);")
                                               << QStringList{":/%1.svg", ":/icons/16/"} << QList<int>{1, 1};
        QTest::newRow("menu icon names")
            << QStringLiteral("m = makeAction(\n    m_menu, tr(\"Save, then go\"), \"saveWP\", QKeySequence());")
            << QStringList{":/icons/16/saveWP"} << QList<int>{2};
    }

    void scannerFindsReferences()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, paths);
        QFETCH(QList<int>, lines);
        QStringList gotPaths;
        QList<int> gotLines;
        for (const Reference &r : referencesIn(source)) {
            gotPaths << r.path;
            gotLines << r.line;
        }
        QCOMPARE(gotPaths, paths);
        QCOMPARE(gotLines, lines);
    }

    void providedJudgesCompiledResources_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("expected");
        QTest::newRow("present file") << ":/icons/16/thermal" << true;
        QTest::newRow("missing file") << ":/no-such-icon.png" << false;
        QTest::newRow("folder is not a file") << ":/icons" << false;
        QTest::newRow("folder with files") << ":/icons/16/" << true;
        QTest::newRow("missing folder") << ":/no-such-folder/" << false;
        QTest::newRow("template that matches") << ":/%1.svg" << true;
        QTest::newRow("template without match") << ":/no-such-%1.png" << false;
    }

    void providedJudgesCompiledResources()
    {
        QFETCH(QString, path);
        QFETCH(bool, expected);
        QCOMPARE(provided(path, allResources()), expected);
    }

    void everyReferencedResourceExists()
    {
        const QDir root(QStringLiteral(KORVEL_SOURCE_DIR));
        const QStringList folders = sourceFolders(root);
        QVERIFY2(folders.contains("app") && folders.contains("thermal"), qPrintable(folders.join(' ')));
        const QStringList all = allResources();
        QStringList missing;
        int seen = 0;
        for (const QString &folder : folders) {
            QDirIterator it(root.filePath(folder), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                QFile f(file);
                QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
                for (const Reference &r : referencesIn(QString::fromUtf8(f.readAll()))) {
                    ++seen;
                    if (!provided(r.path, all))
                        missing << QStringLiteral("%1:%2: %3").arg(root.relativeFilePath(file)).arg(r.line).arg(r.path);
                }
            }
        }
        QVERIFY(seen > 0);
        QVERIFY2(missing.isEmpty(), qPrintable("no resource file provides:\n" + missing.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestResourcePaths)
#include "test_resourcepaths.moc"
