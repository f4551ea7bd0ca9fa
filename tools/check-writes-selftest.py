#!/usr/bin/env python3
"""Self-test of tools/check-writes.py: every kind of write around the door
must be caught, the legitimate lines beside them must pass, and a tree the
check cannot really read must fail it.

    tools/check-writes-selftest.py
"""
import importlib.util
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location('check_writes', os.path.join(HERE, 'check-writes.py'))
cw = importlib.util.module_from_spec(spec)
spec.loader.exec_module(cw)

# (what, code of maps/x.cpp, the words the finding must hold, [other files of the tree]).
CAUGHT = [
    ('QSaveFile', 'QSaveFile f(path); f.open(QIODevice::WriteOnly); f.commit();', 'QSaveFile'),
    ('QFile opened for writing', 'QFile f(path);\nf.open(QIODevice::WriteOnly | QIODevice::Truncate);',
     'QFile "f" opened for writing'),
    ('QFile for appending', 'QFile log(p); if (!log.open(QFile::Append)) return;', 'opened for writing'),
    ('mode held in a variable', 'QIODevice::OpenMode m = QIODevice::WriteOnly;\nQFile f(p);\nf.open(m);',
     'QFile "f" opened for writing'),
    ('a read mode widened by a variable', 'const auto extra = QIODevice::Truncate;\nQFile f(p);\n'
     'f.open(QIODevice::ReadOnly | extra);', 'QFile "f" opened for writing'),
    ('mode given by the caller', 'bool put(const QString &p, QIODevice::OpenMode mode)\n'
     '{ QFile f(p); return f.open(mode); }', 'cannot see to be read-only'),
    ('std::make_unique<QFile>', 'auto f = std::make_unique<QFile>(p);\nf->open(QIODevice::ReadWrite);',
     'QFile "f" opened for writing'),
    ('new QFile', 'QFile *f = new QFile(p);\nf->open(QIODevice::WriteOnly);', 'QFile "f" opened for writing'),
    ('a device made from new QFile', 'QIODevice *d = new QFile(p);\nd->open(QIODevice::WriteOnly);',
     'QFile "d" opened for writing'),
    ('a QFile behind a device pointer', 'QFile file(p);\nQIODevice *dev = &file;\ndev->open(QIODevice::WriteOnly);',
     'QFile "dev" opened for writing'),
    ('QScopedPointer<QFile>', 'QScopedPointer<QFile> f(new QFile(p));\nf->open(QIODevice::WriteOnly);',
     'QFile "f" opened for writing'),
    ('QFile member declared in another header',
     '#include "maps/x.h"\nvoid X::go() { m_out.open(QIODevice::WriteOnly); }', 'QFile "m_out"',
     {'maps/x.h': '#include "maps/base.h"\nclass X : public Base { void go(); };',
      'maps/base.h': '#include <QFile>\nclass Base { protected: QFile m_out; };'}),
    ('QFile member made in the constructor', 'X::X() { m_f.reset(new QFile(p)); }\n'
     'void X::go() { m_f->open(QIODevice::NewOnly); }', 'QFile "m_f"'),
    ('a temporary QFile', 'QFile(p).open(QIODevice::WriteOnly);', 'QFile a QFile opened for writing'),
    ('QFile on a descriptor', 'QFile f; f.open(fd, QIODevice::WriteOnly);', 'opened for writing'),
    ('an unknown object opened for writing', 'thing->open(QIODevice::WriteOnly);', 'type the check cannot find'),
    ('QTemporaryFile then rename', 'QTemporaryFile t(dir + "/x");\nt.open();\nt.write(b);\n'
     'QFile::rename(t.fileName(), p);', 'QTemporaryFile'),
    ('QTemporaryDir', 'QTemporaryDir d(root);', 'QTemporaryDir'),
    ('QLockFile', 'QLockFile lock(p + ".lock"); lock.lock();', 'QLockFile'),
    ('QNetworkDiskCache', 'auto *c = new QNetworkDiskCache(this);', 'QNetworkDiskCache'),
    ('openat', 'int fd = openat(dirfd, "x", O_WRONLY | O_CREAT, 0644);', 'openat() for writing'),
    ('::open', 'int fd = ::open(p, O_RDWR);', 'open() for writing'),
    ('open flags in a variable', 'int flags = O_CREAT | O_EXCL | O_WRONLY;\nint fd = ::open(p, flags, 0600);',
     'open() for writing'),
    ('open flags in a macro', '#define FLAGS (O_WRONLY | O_CREAT)\nint fd = ::open(p, FLAGS, 0644);',
     'open() for writing'),
    ('creat', 'int fd = creat(p, 0644);', 'creat() creates a file'),
    ('fopen', 'FILE *f = fopen(p, "w");', 'fopen for writing'),
    ('fopen64', 'FILE *f = fopen64(name.c_str(), "wb");', 'fopen64 for writing'),
    ('freopen', 'freopen(p, "a", stdout);', 'freopen for writing'),
    ('fdopen', 'FILE *f = fdopen(fd, "r+");', 'fdopen for writing'),
    ('std::fopen with its mode in a variable', 'const char *mode = "ab";\nstd::FILE *f = std::fopen(p, mode);',
     'fopen for writing'),
    ('fopen with a mode from elsewhere', 'FILE *f = fopen(p, modeFor(kind));', 'cannot see to be read-only'),
    ('gzopen', 'gzFile z = gzopen(p, "wb9");', 'gzopen for writing'),
    ('ofstream after using namespace std', 'using namespace std;\nofstream out(p);\nout << x;', 'ofstream'),
    ('std::ofstream', 'std::ofstream out(p, std::ios::binary);', 'ofstream'),
    ('std::fstream', 'std::fstream io(p);', 'fstream'),
    ('std::filebuf', 'std::filebuf b; b.open(p, std::ios::out);', 'filebuf'),
    ('rename', 'rename(from, to);', 'rename takes a name'),
    ('rename in a condition', 'if (ok && rename(a, b) == 0) return;', 'rename takes a name'),
    ('::rename', 'if (::rename(a, b) != 0) return false;', 'rename takes a name'),
    ('std::rename', 'std::rename(a, b);', 'rename takes a name'),
    ('renameat2', 'renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_NOREPLACE);', 'renameat2'),
    ('QFile::rename', 'QFile::rename(a, b);', 'QFile::rename'),
    ('QFile rename on an object', 'QFile f(a);\nf.rename(b);', 'QFile "f".rename'),
    ('QDir rename', 'QDir().rename(a, b);', 'QDir(...).rename'),
    ('QDir rename on an object', 'QDir dir(root);\ndir.rename("a", "b");', 'QDir "dir".rename'),
    ('QFile::copy', 'QFile::copy(a, b);', 'QFile::copy'),
    ('QFile copy on an object', 'QFile f(a);\nf.copy(b);', 'QFile "f".copy'),
    ('QFile::link', 'QFile::link(a, b);', 'QFile::link'),
    ('QFile::resize', 'QFile::resize(p, 0);', 'QFile::resize'),
    ('QImage saved to a file name', 'QImage img(w, h, QImage::Format_RGB32);\nimg.save(path, "PNG");',
     'image saved to the file name path'),
    ('QPixmap of a widget', 'widget->grab().save(path);', 'image saved'),
    ('QImage member saved', 'void X::keep() { m_shot.save(m_path); }', 'image saved',
     {'maps/x.h': 'class X { QPixmap m_shot; QString m_path; };'}),
    ('QImageWriter on a file name', 'QImageWriter w(path);\nw.write(img);', 'QImageWriter on the file name'),
    ('QImageWriter given a file name', 'QImageWriter w;\nw.setFileName(path);', 'QImageWriter given a file name'),
    ('QPdfWriter on a file name', 'QPdfWriter pdf(path);', 'QPdfWriter'),
    ('QSvgGenerator given a file name', 'QSvgGenerator svg;\nsvg.setFileName(path);', 'QSvgGenerator'),
    ('QPrinter to a file', 'printer.setOutputFileName(path);', 'printer'),
    ('saveExif on a file name', 'ExifHandler exif;\nexif.saveExif(path);', 'saveExif on a file'),
    ('Exiv2 writing a file by its name', 'auto image = Exiv2::ImageFactory::open(p);\n'
     'image->setExifData(d);\nimage->writeMetadata();', 'Exiv2'),
    ('QuaZip by file name', 'QuaZip zip(path);\nzip.open(QuaZip::mdCreate);', 'QuaZip writing the archive path'),
    ('QuaZip given a file name', 'QuaZip zip;\nzip.setZipName(p);\nzip.open(QuaZip::mdAdd);', 'archive by its name'),
    ('JlCompress', 'JlCompress::compressDir(zipName, dir);', 'JlCompress'),
    ('write(2) on a descriptor', 'int fd = ::open(p, O_RDONLY);\n::write(fd, data, n);', 'write() on a file'),
    ('write(2) without ::', '#include <unistd.h>\nssize_t n = write(fd, data, size);', 'write() on a file'),
    ('pwrite', 'pwrite(fd, data, n, 0);', 'pwrite()'),
    ('ftruncate', 'ftruncate(fd, 0);', 'ftruncate()'),
    ('mkstemp', 'int fd = mkstemp(name);', 'mkstemp()'),
    ('tmpfile', 'FILE *t = std::tmpfile();', 'tmpfile()'),
    ('symlink', 'symlink(target, p);', 'symlink()'),
    ('a shared writable mapping', 'void *m = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);',
     'mmap()'),
    ('std::filesystem::copy_file', 'std::filesystem::copy_file(a, b);', 'copy_file'),
    ('fs::rename', 'namespace fs = std::filesystem;\nfs::rename(a, b);', 'fs::rename'),
    ('QSettings on a file name', 'QSettings s(dir + "/x.ini", QSettings::IniFormat);', 'QSettings on the file'),
    ('a web engine profile', 'auto *profile = new QWebEngineProfile("maps", this);', 'web engine'),
    ('a web engine page', 'auto *page = new QWebEnginePage(this);', 'web engine'),
    ('a web download', 'connect(profile, &QWebEngineProfile::downloadRequested, this, &X::save);',
     'downloadRequested'),
    ('a shell command', 'std::system("cp a b");', 'shell command'),
    ('process output to a file', 'proc.setStandardOutputFile(p);', 'process'),
]

# Lines that write nothing around the door: each must pass.
PASSED = [
    ('QFile read', 'QFile f(p);\nif (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return;'),
    ('QFile read with a mode in a variable', 'const QIODevice::OpenMode m = QFile::ReadOnly;\nQFile f(p);\nf.open(m);'),
    ('reads and writes of different objects of one name',
     'void a() { AtomicFile::Writer f(p); f.open(QIODevice::WriteOnly); }\n'
     'void b() { QFile f(p); f.open(QIODevice::ReadOnly); }'),
    ('QBuffer', 'QByteArray bytes;\nQBuffer buffer(&bytes);\nbuffer.open(QIODevice::WriteOnly);\n'
     'image.save(&buffer, "JPG");'),
    ('an image saved to a device', 'QImage img(1, 1, QImage::Format_RGB32);\nAtomicFile::Writer out(p);\n'
     'img.save(&out, "PNG");\nimg.save(out.get());'),
    ('the door', 'AtomicFile::Writer w(p);\nif (!w.open(QIODevice::WriteOnly)) return;\nw.commit();\n'
     'AtomicFile::write(p, bytes, &error);\nAtomicFile::renameNoReplace(a, b);\nAtomicFile::copy(a, b, m, &e1, &e2);'),
    ('the door made with make_unique', 'm_out = std::make_unique<AtomicFile::Writer>(p);\n'
     'm_out->open(QIODevice::WriteOnly);'),
    ('a device handed in', 'bool put(QIODevice &dev) { return dev.open(QIODevice::WriteOnly); }'),
    ('streams on bytes', 'QDataStream out(&bytes, QIODevice::WriteOnly);\nQTextStream s(&text, QIODevice::WriteOnly);'),
    ('reading C files', 'FILE *f = fopen(p, "rb");\nint fd = ::open(p, O_RDONLY | O_CLOEXEC);\n'
     '#include <fstream>\nstd::ifstream in(p);'),
    ('serial port and socket', 'auto *port = new QSerialPort(this);\nport->open(QIODevice::ReadWrite);\n'
     'QTcpSocket *m_socket = nullptr;\nm_socket->open(QIODevice::ReadWrite);'),
    ('QuaZip on the door', 'AtomicFile::Writer file(p);\nQuaZip zip(&file);\nzip.open(QuaZip::mdCreate);\n'
     'QuaZipFile out(&zip);\nout.open(QIODevice::WriteOnly, QuaZipNewInfo(name));'),
    ('saveExif on bytes', 'QFile in(p);\nin.open(QIODevice::ReadOnly);\nQByteArray bytes = in.readAll();\n'
     'exif.saveExif(bytes);'),
    ('reading an archive', 'QFile file(p);\nfile.open(QIODevice::ReadOnly);\nQuaZip zip(&file);\n'
     'zip.open(QuaZip::mdUnzip);'),
    ('Exiv2 on bytes', 'auto image = Exiv2::ImageFactory::open(data, size);\nimage->writeMetadata();'),
    ('the program\'s settings', 'QSettings s(QStringLiteral("Org"), QStringLiteral("App"));\n'
     'QSettings t(QSettings::IniFormat, QSettings::UserScope, org, app);\ns.setValue("k", 1);'),
    ('other things called rename, copy, write and truncate',
     'void PM::rename(const QString &t);\nvoid PM::nameChanged(const QString &t) { rename(t); }\n'
     'list.copy(); text.truncate(3); item->rename(x); sheet.resize(4);\nCameraStore::write(p, c, &e);\n'
     'bool write(const QString &p);\nQString copy(const QString &a);'),
    ('a method called rename defined here',
     'void PM::rename(const QString &t) { m_name = t; }\nvoid PM::edited() { rename(m_edit->text()); }'),
    ('QFile on stdin', 'QFile in;\nin.open(stdin, QIODevice::ReadOnly);'),
    ('the program\'s own output', '::write(STDERR_FILENO, msg, n);\nQFile out;\nout.open(stdout, QIODevice::WriteOnly);'),
    ('a private read-only mapping', 'void *m = mmap(nullptr, n, PROT_READ, MAP_PRIVATE, fd, 0);'),
    ('words in comments and strings', '// QSaveFile, fopen(p, "w") and rename(a, b) are not used here\n'
     'qDebug() << "QFile::rename(a, b) f.open(QIODevice::WriteOnly)";\n'
     'const char *doc = R"(QTemporaryFile t; ofstream o;)";'),
]


def findings(files, name='maps/x.cpp'):
    return [what for _, what in cw.problems(cw.Tree(files=files), name)]


def tree_result(files, **kwargs):
    lines = []
    status = cw.run(cw.Tree(files=files), out=lines.append, **kwargs)
    return status, '\n'.join(lines)


def main():
    failures = []
    for case in CAUGHT:
        what, code, words = case[:3]
        files = dict(case[3]) if len(case) > 3 else {}
        files['maps/x.cpp'] = code
        got = findings(files)
        if not any(words in f for f in got):
            failures.append('not caught: %s (expected "%s", got %s)' % (what, words, got))
    for what, code in PASSED:
        got = findings({'maps/x.cpp': code})
        if got:
            failures.append('flagged though it writes nothing around the door: %s: %s' % (what, got))

    # The tree itself: the check must know it read what it names.
    good = {'%s/a.cpp' % top: 'int a;' for top in cw.PROGRAM}
    good[cw.DOOR_FILE] = 'int door;'
    good['core/debuglog.cpp'] = 'void f() { m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly); }'
    good['maps/acquisition/webmap.cpp'] = ('WebMap::WebMap(QObject *parent) : QWebEnginePage(parent) {}\n'
                                           'auto *view = new QWebEngineView(parent);')
    status, said = tree_result(good, min_files=1)
    if status != 0:
        failures.append('a small clean tree failed: %s' % said)
    for what, files, kwargs, words in (
            ('no source file', {}, {}, 'no source file read'),
            ('a folder renamed', {k.replace('planner/', 'plans/'): v for k, v in good.items()}, {'min_files': 1},
             'plans/: source files in a folder the check does not know'),
            ('too few files', good, {}, 'the check is not reading this tree'),
            ('the door missing', {k: v for k, v in good.items() if k != cw.DOOR_FILE}, {'min_files': 1},
             'atomicfile.cpp: not found'),
            ('an exception that matches nothing', dict(good, **{'core/debuglog.cpp': 'int quiet;'}),
             {'min_files': 1}, 'matches no write there any more'),
            ('a write beside an excepted one', dict(good, **{'core/debuglog.cpp': good['core/debuglog.cpp'] +
                                                             '\nvoid g() { m_file.open(QIODevice::Append); }'}),
             {'min_files': 1}, 'core/debuglog.cpp:2: "m_file"')):
        status, said = tree_result(files, **kwargs)
        if status == 0 or words not in said:
            failures.append('tree with %s: expected a failure saying "%s", got %d: %s' % (what, words, status, said))
    with tempfile.TemporaryDirectory() as empty:
        status, said = 0, []
        status = cw.run(cw.Tree(empty), out=said.append)
        if status == 0:
            failures.append('an empty folder passed the check: %s' % said)

    for f in failures:
        print('check-writes self-test: ' + f)
    if failures:
        print('check-writes self-test: %d failure(s)' % len(failures))
        return 1
    print('check-writes self-test: %d writes caught, %d legitimate uses passed, the tree checks hold'
          % (len(CAUGHT), len(PASSED)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
