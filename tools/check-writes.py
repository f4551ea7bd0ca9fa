#!/usr/bin/env python3
"""Fails when the programs write a file anywhere but through the one door,
atomicfile/ (AtomicFile::write, copy, renameNoReplace, Writer, Folder): there
a file appears under its name only when it is whole, every write is checked
and a failure carries the system's reason.

Every source file of the libraries and programs is read (tests, benchmarks,
fuzz targets and build helpers may write as they like). Looked for:
- QSaveFile (its commit() reports success after a failed flush), QTemporaryFile,
  QTemporaryDir, QLockFile, QNetworkDiskCache;
- a QFile opened for writing, or with a mode the check cannot see to be
  read-only (a mode held in a variable is followed to its value), whether it
  is a local, a pointer made by new or make_unique, or a member declared in a
  header; QFile::copy, rename, link and resize;
- rename in every spelling (::rename, std::rename, renameat, QFile::rename,
  QDir::rename): a name is taken through AtomicFile::renameNoReplace;
- the C and POSIX calls: fopen, fopen64, freopen, fdopen and gzopen for
  writing; open, openat and creat with flags that write; write, pwrite,
  ftruncate, fallocate and friends on a file descriptor; mkstemp, tmpfile;
  mmap of a shared writable mapping; symlink and link; std::ofstream,
  std::fstream and filebuf (qualified or not); std::filesystem copies, renames
  and links;
- images and documents saved to a file name instead of a device (QImage,
  QPixmap and QPicture save, QImageWriter, QSvgGenerator, QTextDocumentWriter,
  QPdfWriter, QPrinter), QProcess output sent to a file;
- ExifHandler::saveExif on a file name and Exiv2 writing an image opened by
  its file name: the program tags the bytes in memory and writes them itself;
- QuaZip creating or adding to an archive by its file name, JlCompress;
- QSettings on a file name of its own, and the web engine's profile (pages,
  views and profiles store cache, cookies and local storage; downloads).
QTextStream and QDataStream take a device, never a file name: what they write
is judged where that device is opened.

Allowed: the door's own folder; QSettings by organisation and application
(or format and scope), the program's settings, whose file Qt writes; and the
exceptions named below at their line, each with its reason. An exception that
no longer matches its line fails the check, and so does a tree where the
check finds fewer source files or other folders than it expects.

    tools/check-writes.py [root]
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The top-level folders of the libraries and programs: every source file in them is checked.
PROGRAM = ('app', 'core', 'database', 'exif', 'harleklog', 'link', 'maps', 'phototagger',
           'planner', 'radiconv', 'radifmt', 'thermal')
# The write door: the one place allowed to write.
DOOR = 'atomicfile'
DOOR_FILE = 'atomicfile/atomicfile.cpp'
# Source folders of code that may write as it likes.
OTHER = ('tests', 'bench', 'fuzz', 'tools')
# Fewer source files than this: the check is reading the wrong tree.
MIN_FILES = 300
SUFFIXES = ('.cpp', '.cc', '.cxx', '.c', '.h', '.hh', '.hpp', '.hxx', '.inl')

# Files written around the door on purpose: (file, the code on the line, why).
WEB_PROFILE = ("the web engine's profile store: QtWebEngine writes its own cache, cookies and "
               "local storage for the map page")
EXCEPTIONS = (
    ('core/debuglog.cpp', 'm_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)',
     'the run log, appended to line by line while the program runs'),
    ('maps/acquisition/webmap.cpp', ': QWebEnginePage(parent)', WEB_PROFILE),
    ('maps/acquisition/webmap.cpp', 'new QWebEngineView(parent)', WEB_PROFILE),
)
SETTINGS = ("QSettings by organisation and application (or format and scope): the program's "
            "settings, whose file Qt writes")

FILE_TYPES = {'QFile', 'QTemporaryFile', 'QFileDevice', 'QSaveFile'}
DIR_TYPES = {'QDir'}
IMAGE_TYPES = {'QImage', 'QPixmap', 'QBitmap', 'QPicture'}
NAMED_WRITERS = {'QImageWriter', 'QSvgGenerator', 'QTextDocumentWriter', 'QPdfWriter'}
# Devices that are no file of their own (or the door's), opened for writing as they like.
DEVICES = {'QBuffer', 'Writer', 'QuaZipFile', 'QuaZip', 'QSerialPort', 'QAbstractSocket',
           'QTcpSocket', 'QUdpSocket', 'QLocalSocket', 'QSslSocket', 'QNetworkReply', 'QProcess',
           'QIODevice'}
KNOWN = FILE_TYPES | DIR_TYPES | IMAGE_TYPES | NAMED_WRITERS | DEVICES | {'QByteArray'}

WRITE_FLAGS = re.compile(r'\b(WriteOnly|ReadWrite|Append|Truncate|NewOnly)\b')
READ_FLAGS = re.compile(r'\bReadOnly\b')
MODE_FLAGS = re.compile(r'\b(NotOpen|ReadOnly|WriteOnly|ReadWrite|Append|Truncate|Text|Unbuffered|NewOnly|ExistingOnly)\b')
POSIX_WRITE = re.compile(r'\bO_(WRONLY|RDWR|CREAT|TRUNC|APPEND|TMPFILE)\b')
NOT_TYPES = {'return', 'else', 'do', 'case', 'new', 'delete', 'throw', 'co_return', 'goto',
             'sizeof', 'typedef', 'using', 'namespace', 'operator'}
# A call not made on an object nor through a class or namespace (::name is the global one).
FREE = r'(?:(?<![\w:])::|std::|(?<![\w.>:]))'


TOKENS = re.compile(r'//[^\n]*|/\*.*?(?:\*/|\Z)|(?<![\w])R"([^(\s"]{0,16})\(.*?(?:\)\1"|\Z)'
                    r'|"(?:[^"\\\n]|\\.)*"?|\'(?:[^\'\\\n]|\\.)*\'?|^[ \t]*#[ \t]*include\b[^\n]*', re.S | re.M)


def strip(text):
    """Blanks out comments, the contents of string and character literals and
    the #include lines, keeping every character where it is."""
    def blank(m):
        token = m.group(0)
        inner = re.sub(r'[^\n]', ' ', token)
        if token[0] in '"\'':
            return token[0] + inner[1:-1] + token[-1] if len(token) > 1 and token[-1] == token[0] else token[0] + inner[1:]
        if token[0] == 'R' and token[1] == '"':
            return 'R"' + inner[2:-1] + '"'
        return inner
    return TOKENS.sub(blank, text)


def close_paren(text, start):
    """The index of the parenthesis closing the one at start."""
    depth = 0
    for i in range(start, len(text)):
        if text[i] == '(':
            depth += 1
        elif text[i] == ')':
            depth -= 1
            if depth == 0:
                return i
    return len(text)


def arg_spans(text, start):
    """(begin, end) of each argument of the call whose parenthesis is at start."""
    end = close_paren(text, start)
    spans, depth, begin = [], 0, start + 1
    for i in range(start + 1, end):
        c = text[i]
        if c in '([{':
            depth += 1
        elif c in ')]}':
            depth -= 1
        elif c == ',' and depth == 0:
            spans.append((begin, i))
            begin = i + 1
    if text[begin:end].strip() or spans:
        spans.append((begin, end))
    return spans


class Tree:
    """The sources under root, or (for the self-test) a dict of file -> text."""

    def __init__(self, root=ROOT, files=None):
        self.root = root
        self.files = files
        self._raw = {}
        self._text = {}
        self._scope = {}

    def raw(self, rel):
        if rel not in self._raw:
            if self.files is not None:
                self._raw[rel] = self.files.get(rel)
            else:
                path = os.path.join(self.root, rel)
                self._raw[rel] = open(path, encoding='utf-8').read() if os.path.isfile(path) else None
        return self._raw[rel]

    def text(self, rel):
        if rel not in self._text:
            raw = self.raw(rel)
            self._text[rel] = None if raw is None else strip(raw)
        return self._text[rel]

    def sources(self):
        """Every source file below the root, and the top folders holding them."""
        if self.files is not None:
            return sorted(f for f in self.files if f.endswith(SUFFIXES))
        found = []
        for folder, dirs, names in os.walk(self.root):
            # Hidden folders and build trees (a CMakeCache.txt) hold no sources of ours.
            dirs[:] = sorted(d for d in dirs if not d.startswith('.') and
                             not os.path.exists(os.path.join(folder, d, 'CMakeCache.txt')))
            rel = os.path.relpath(folder, self.root)
            for name in names:
                if name.endswith(SUFFIXES):
                    found.append(os.path.normpath(os.path.join(rel, name)).replace(os.sep, '/'))
        return sorted(found)

    def scope(self, rel):
        """The headers rel includes from the tree, nearest first (its own header first)."""
        if rel in self._scope:
            return self._scope[rel]
        order, seen, queue = [], {rel}, [rel]
        own = os.path.splitext(rel)[0] + '.h'
        if own != rel and self.raw(own) is not None:
            order.append(own)
            seen.add(own)
            queue.append(own)
        while queue:
            current = queue.pop(0)
            for inc in re.findall(r'(?m)^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', self.raw(current) or ''):
                for cand in (inc, os.path.normpath(os.path.join(os.path.dirname(current), inc)).replace(os.sep, '/')):
                    if cand not in seen and self.raw(cand) is not None:
                        seen.add(cand)
                        order.append(cand)
                        queue.append(cand)
                        break
        self._scope[rel] = order
        return order


TYPE_BEFORE = re.compile(r'([\w:]+(?:\s*<[^;(){}]*>)?)\s*(?:const\s*)?[*&]*\s*(?:const\s+)?$')
MADE_FROM = re.compile(r'\s*(?:=|\(|\{|\.reset\s*\(|\.emplace\s*\()\s*'
                       r'(?:new\s+|std::make_(?:unique|shared)\s*<\s*|Q(?:Shared|Scoped)Pointer\s*<[^>]*>\s*\(\s*new\s+)?'
                       r'([\w:]+)')
SET_TO = re.compile(r'\s*=\s*&?\s*([A-Za-z_]\w*)\s*[;,)]')


def evidence(text, name):
    """(position, the known type words, another name it stands for) of what
    text says name is: its declarations, what it is made from (new,
    make_unique, reset) and what it is set to (dev = &file)."""
    found = []
    for m in re.finditer(r'\b%s\b' % re.escape(name), text):
        after = text[m.end():m.end() + 160]
        if re.match(r'\s*(?:[;=({,)\[]|:(?!:)|$)', after):
            before = TYPE_BEFORE.search(text[max(0, m.start() - 160):m.start()])
            if before:
                words = set(re.findall(r'\w+', before.group(1)))
                if not words & NOT_TYPES and words & KNOWN:
                    found.append((m.start(), words & KNOWN, None))
        made = MADE_FROM.match(after)
        if made and set(re.findall(r'\w+', made.group(1))) & KNOWN:
            found.append((m.start() + 1, set(re.findall(r'\w+', made.group(1))) & KNOWN, None))
        alias = SET_TO.match(after)
        if alias and alias.group(1) != name:
            found.append((m.start() + 1, set(), alias.group(1)))
    return sorted(found, key=lambda e: e[0])


def type_of(tree, rel, text, name, pos, depth=0):
    """The known type words of name as used at pos: the nearest declaration
    before it in the file, else one in the headers the file includes."""
    def resolved(entry):
        _, words, alias = entry
        if words or not alias or depth > 2:
            return words
        return type_of(tree, rel, text, alias, entry[0], depth + 1)

    here = evidence(text, name)
    for entry in [e for e in here if e[0] < pos][::-1] + [e for e in here if e[0] >= pos]:
        words = resolved(entry)
        if words:
            return words
    for header in tree.scope(rel):
        for entry in evidence(tree.text(header), name):
            if entry[1]:
                return entry[1]
    return set()


def values_of(text, name):
    """What name is given in text (its initialisers and assignments)."""
    return [m.group(1) for m in re.finditer(r'\b%s\s*(?:\|?=(?!=)|\(|\{)([^;]*)' % re.escape(name), text)]


def open_mode(text, args):
    """'write', 'read' or 'unknown' for the open mode among the arguments
    (None: no argument). A mode held in a variable is followed to its values."""
    if not args.strip():
        return None
    parts = [args[b - 1:e - 1] for b, e in arg_spans('(' + args + ')', 0)]
    modes = [a for a in parts if MODE_FLAGS.search(a)] or \
        [a for a in parts if re.match(r'^\s*[A-Za-z_]\w*\s*$', a)]
    if not modes:
        return 'unknown'
    seen, unresolved = ' '.join(modes), False
    for name in re.findall(r'(?<![\w:.>])([A-Za-z_]\w*)\b(?!\s*::)', ' '.join(modes)):
        if MODE_FLAGS.match(name):
            continue
        values = values_of(text, name)
        unresolved = unresolved or not values
        seen += ' ' + ' '.join(values)
    if WRITE_FLAGS.search(seen):
        return 'write'
    if not unresolved and READ_FLAGS.search(seen):
        return 'read'
    return 'unknown'


def literal_of(raw, arg):
    """The string literal an argument is, or the literals a variable of that
    name is given; None when none is seen."""
    m = re.match(r'\s*(?:L|u8|u|U)?"((?:[^"\\]|\\.)*)"', arg)
    if m:
        return m.group(1)
    name = arg.strip()
    if not re.match(r'^[A-Za-z_]\w*$', name):
        return None
    seen = re.findall(r'\b%s\s*(?:=|\(|\{)\s*(?:L|u8)?"((?:[^"\\]|\\.)*)"' % re.escape(name), raw)
    return ' '.join(seen) if seen else None


def is_device(arg, tree, rel, text, pos):
    arg = arg.strip()
    if arg.startswith('&'):
        return True
    name = re.sub(r'\.(?:get|data)\s*\(\s*\)$', '', arg.lstrip('*'))
    return bool(re.match(r'^\w+$', name)) and bool(type_of(tree, rel, text, name, pos) & DEVICES)


def ends_with_type(before):
    """Whether the code before a name ends with a type (the name is declared there)."""
    m = re.search(r'(\w+|(?<!-)>)\s*[*&]?\s*$', before)
    return bool(m) and m.group(1) not in NOT_TYPES


def declares(text, name):
    """Whether text declares or defines a function or method of this name."""
    for m in re.finditer(r'\b%s\s*\(' % re.escape(name), text):
        before = re.sub(r'(?:\b\w+\s*::\s*)+$', '', text[max(0, m.start() - 120):m.start()])
        if ends_with_type(before):
            return True
    return False


def is_declaration(text, pos):
    """Whether the name at pos follows a type (a declaration, not a call)."""
    return ends_with_type(text[max(0, pos - 80):pos])


def problems(tree, rel):
    """(line, what) of every write around the door in the file rel."""
    text = tree.text(rel)
    raw = tree.raw(rel)
    own_header = os.path.splitext(rel)[0] + '.h'
    own = [text] + ([tree.text(own_header)] if own_header != rel and tree.raw(own_header) is not None else [])
    words = set(re.findall(r'\w+', text))
    found = []

    def add(pos, what):
        found.append((text.count('\n', 0, pos) + 1, what))

    def scan(pattern, *keys):
        """The matches of pattern, looked for only where one of its key words stands."""
        return re.finditer(pattern, text) if words.intersection(keys) else ()

    def kind(name, pos):
        return type_of(tree, rel, text, name, pos)

    def own_function(name):
        return any(declares(t, name) for t in own)

    def explicit(m):
        return text.startswith(('::', 'std::'), m.start())

    def skipped_call(m, name):
        """A bare name that is a declaration or a function of this file's own."""
        return not explicit(m) and (is_declaration(text, m.start()) or own_function(name))

    def arg(spans, i, source=None):
        if len(spans) <= i:
            return ''
        return (source or text)[spans[i][0]:spans[i][1]].strip()

    # Classes that write files of their own.
    for cls, why in (('QSaveFile', 'its commit() reports success after a failed flush'),
                     ('QTemporaryFile', 'a file kept or renamed from it is written around the door; '
                                        'AtomicFile::Writer is the temporary that becomes the file'),
                     ('QTemporaryDir', 'a folder assembled under a temporary name is AtomicFile::Folder\'s job'),
                     ('QLockFile', 'it writes a lock file that a kill leaves behind'),
                     ('QNetworkDiskCache', 'it writes cache files of its own')):
        for m in scan(r'\b%s\b' % cls, cls):
            add(m.start(), '%s (%s)' % (cls, why))

    # A QFile (or anything not known to be another device) opened for writing.
    for m in scan(r'(?:\b(\w+)|\))\s*(?:\.\s*(?:get|data)\s*\(\s*\))?\s*(?:\.|->)\s*open\s*\(', 'open'):
        name = m.group(1)
        paren = m.end() - 1
        args = text[paren + 1:close_paren(text, paren)]
        mode = open_mode(text, args)
        if mode in (None, 'read'):
            continue
        if re.match(r'\s*(?:stdout|stderr|STDOUT_FILENO|STDERR_FILENO|1|2)\s*,', args):
            continue  # the program's own output
        if name is None:
            made = re.search(r'\b(\w+)\s*(?:\(|\{)[^;]*$', text[max(0, m.start() - 200):m.start() + 1])
            types = {made.group(1)} & KNOWN if made else set()
            label = 'a %s' % next(iter(types)) if types else 'a device'
        else:
            types = kind(name, m.start())
            label = '"%s"' % name
        if types & FILE_TYPES:
            if mode == 'write':
                add(m.start(), 'QFile %s opened for writing' % label)
            else:
                add(m.start(), 'QFile %s opened with the mode %s, which the check cannot see to be read-only'
                    % (label, args.strip()))
        elif not types & DEVICES and mode == 'write':
            add(m.start(), '%s, of a type the check cannot find, opened for writing' % label)

    # QFile's own writers: copy, rename, link, resize; QDir's rename.
    def qt_writer(pos, who, call):
        add(pos, '%s%s %s' % (who, call, {
            'rename': 'takes a name around the door (it copies block by block, through a link at the name, '
                      'when the system will not rename); AtomicFile::renameNoReplace takes it',
            'copy': 'writes the copy under its final name',
            'link': 'makes a name around the door',
            'resize': 'cuts or grows the file in place'}[call]))
    for m in scan(r'\b(QFile|QDir|QFileDevice)\s*::\s*(copy|rename|link|resize)\s*\(', 'QFile', 'QDir', 'QFileDevice'):
        qt_writer(m.start(), m.group(1) + '::', m.group(2))
    for m in scan(r'\b(QFile|QDir)\s*(?:\([^;]*?\)|\{[^;]*?\})\s*\.\s*(copy|rename|link|resize)\s*\(', 'QFile', 'QDir'):
        qt_writer(m.start(), m.group(1) + '(...).', m.group(2))
    for m in scan(r'\b(\w+)\s*(?:\.|->)\s*(copy|rename|link|resize)\s*\(', 'copy', 'rename', 'link', 'resize'):
        types = kind(m.group(1), m.start())
        if types & FILE_TYPES or (types & DIR_TYPES and m.group(2) == 'rename'):
            qt_writer(m.start(), '%s "%s".' % ('QDir' if types & DIR_TYPES else 'QFile', m.group(1)), m.group(2))

    # rename and the C and POSIX calls that write.
    for m in scan(FREE + r'(rename|renameat|renameat2)\s*\(', 'rename', 'renameat', 'renameat2'):
        if not skipped_call(m, m.group(1)):
            add(m.start(), '%s takes a name around the door (AtomicFile::renameNoReplace takes it)' % m.group(1))
    for m in scan(FREE + r'(fopen|fopen64|freopen|freopen64|fdopen|gzopen|gzopen64|gzdopen|_wfopen)\s*\(',
                  'fopen', 'fopen64', 'freopen', 'freopen64', 'fdopen', 'gzopen', 'gzopen64', 'gzdopen', '_wfopen'):
        if skipped_call(m, m.group(1)):
            continue
        spans = arg_spans(text, m.end() - 1)
        mode = literal_of(raw, raw[spans[1][0]:spans[1][1]]) if len(spans) > 1 else None
        if mode is None:
            add(m.start(), '%s with a mode the check cannot see to be read-only' % m.group(1))
        elif re.search(r'[wa+]', mode):
            add(m.start(), '%s for writing ("%s")' % (m.group(1), mode))
    for m in scan(FREE + r'(open|open64|__open|openat|openat64|creat|creat64)\s*\(',
                  'open', 'open64', '__open', 'openat', 'openat64', 'creat', 'creat64'):
        call = m.group(1)
        if skipped_call(m, call):
            continue
        if call.startswith('creat'):
            add(m.start(), '%s() creates a file around the door' % call)
            continue
        flags = arg(arg_spans(text, m.end() - 1), 2 if call.startswith('openat') else 1)
        values = flags + ' ' + ' '.join(v for name in re.findall(r'\b[A-Za-z_]\w*\b', flags)
                                        for v in values_of(text, name))
        if POSIX_WRITE.search(values):
            add(m.start(), '%s() for writing' % call)
        elif flags and 'O_' not in values and (explicit(m) or call != 'open'):
            add(m.start(), '%s() with flags the check cannot see to be read-only' % call)
    fd_calls = ('write', 'pwrite', 'pwrite64', 'writev', 'pwritev', 'pwritev2', 'sendfile', 'sendfile64',
                'copy_file_range', 'splice', 'ftruncate', 'ftruncate64', 'truncate', 'truncate64', 'fallocate',
                'posix_fallocate')
    for m in scan(FREE + r'(%s)\s*\(' % '|'.join(fd_calls), *fd_calls):
        if skipped_call(m, m.group(1)):
            continue
        if re.match(r'(?:STDOUT_FILENO|STDERR_FILENO|1|2|fileno\s*\(\s*std(?:out|err)\s*\))$',
                    arg(arg_spans(text, m.end() - 1), 0)):
            continue  # the program's own output
        add(m.start(), '%s() on a file descriptor writes around the door' % m.group(1))
    makers = ('mkstemp', 'mkstemp64', 'mkstemps', 'mkostemp', 'mkostemps', 'mkdtemp', 'tmpfile', 'tmpfile64',
              'tmpnam', 'tempnam', 'symlink', 'symlinkat', 'linkat')
    for m in scan(FREE + r'(%s)\s*\(' % '|'.join(makers), *makers):
        if not skipped_call(m, m.group(1)):
            add(m.start(), '%s() makes a file or a name around the door' % m.group(1))
    for m in scan(FREE + r'(system|popen)\s*\(', 'system', 'popen'):
        if not skipped_call(m, m.group(1)):
            add(m.start(), '%s() runs a shell command, which may write files around the door' % m.group(1))
    for m in scan(r'(?<![\w:])::link\s*\(', 'link'):
        add(m.start(), 'link() makes a name around the door')
    for m in scan(FREE + r'mmap(?:64)?\s*\(', 'mmap', 'mmap64'):
        args = text[m.end():close_paren(text, m.end() - 1)]
        if 'PROT_WRITE' in args and 'MAP_SHARED' in args:
            add(m.start(), 'mmap() of a shared writable mapping writes the file in place')
    streams = ('ofstream', 'wofstream', 'fstream', 'wfstream', 'basic_ofstream', 'basic_fstream', 'filebuf',
               'wfilebuf', 'basic_filebuf')
    for m in scan(r'\b(?:%s)\b' % '|'.join(streams), *streams):
        add(m.start(), '%s writes a file around the door' % m.group(0))
    fs_calls = ('copy_file', 'copy_symlink', 'resize_file', 'create_symlink', 'create_hard_link',
                'create_directory_symlink')
    for m in scan(r'\b(?:%s)\s*\(' % '|'.join(fs_calls), *fs_calls):
        add(m.start(), 'std::filesystem %s writes around the door' % m.group(0).rstrip('( '))
    for m in scan(r'\b(?:filesystem|fs)\s*::\s*(?:copy|rename)\s*\(', 'filesystem', 'fs'):
        add(m.start(), 'std::filesystem %s writes around the door' % m.group(0).rstrip('( '))

    # Images and documents written to a file name.
    for m in scan(r'(\b\w+|\))\s*(?:\.|->)\s*save\s*\(', 'save'):
        recv = m.group(1)
        if recv == ')':
            image = re.search(r'(QImage|QPixmap|QPicture|[iI]mage|[pP]ixmap|grab)\w*\s*\([^;]*$',
                              text[max(0, m.start() - 200):m.start() + 1])
        else:
            image = kind(recv, m.start()) & IMAGE_TYPES
        spans = arg_spans(text, m.end() - 1)
        if image and not is_device(arg(spans, 0), tree, rel, text, m.start()):
            add(m.start(), 'image saved to the file name %s' % arg(spans, 0, raw))
    for cls in sorted(NAMED_WRITERS & words):
        for m in re.finditer(r'(?:\b%s\s+\w+\s*|\bnew\s+%s\s*|\b%s\s*)(?=[({])' % (cls, cls, cls), text):
            spans = arg_spans(text, m.end())
            if spans and not is_device(arg(spans, 0), tree, rel, text, m.start()):
                add(m.start(), '%s on the file name %s' % (cls, arg(spans, 0, raw)))
    for m in scan(r'\b(\w+)\s*(?:\.|->)\s*setFileName\s*\(', 'setFileName'):
        types = kind(m.group(1), m.start()) & NAMED_WRITERS
        if types:
            add(m.start(), '%s given a file name' % next(iter(types)))
    for m in scan(r'\bsetOutputFileName\s*\(', 'setOutputFileName'):
        add(m.start(), 'a printer writing to a file name')
    for m in scan(r'\bsetStandard(?:Output|Error)File\s*\(', 'setStandardOutputFile', 'setStandardErrorFile'):
        add(m.start(), 'a process writing its output to a file')

    # EXIF tags written into a file by its name.
    for m in scan(r'\bsaveExif\s*\(', 'saveExif'):
        spans = arg_spans(text, m.end() - 1)
        first = arg(spans, 0)
        if re.match(r'(const\s+)?(QString|QByteArray)\b', first):
            continue  # its declaration
        if not kind(first.lstrip('*'), m.start()) & {'QByteArray'}:
            add(m.start(), 'saveExif on a file (%s): tag the bytes and write them through the door'
                % arg(spans, 0, raw))
    if 'writeMetadata' in words:
        for m in scan(r'\bImageFactory\s*::\s*(open|create)\s*\(', 'ImageFactory'):
            spans = arg_spans(text, m.end() - 1)
            if (m.group(1) == 'open' and len(spans) == 1) or (m.group(1) == 'create' and len(spans) >= 2):
                add(m.start(), 'Exiv2 writing an image opened by its file name')
        for m in scan(r'\bFileIo\b', 'FileIo'):
            add(m.start(), 'Exiv2 writing through a FileIo')

    # Archives written by their file name.
    if words & {'mdCreate', 'mdAppend', 'mdAdd'}:
        for m in scan(r'\bQuaZip\s+\w+\s*(?=\()|\bnew\s+QuaZip\s*(?=\()', 'QuaZip'):
            spans = arg_spans(text, m.end())
            if arg(spans, 0) and not is_device(arg(spans, 0), tree, rel, text, m.start()):
                add(m.start(), 'QuaZip writing the archive %s by its name' % arg(spans, 0, raw))
        for m in scan(r'\bsetZipName\s*\(', 'setZipName'):
            add(m.start(), 'QuaZip writing an archive by its name')
    for m in scan(r'\bJlCompress\s*::\s*(compress\w*|extract\w*)\s*\(', 'JlCompress'):
        add(m.start(), 'JlCompress::%s writes files by their names' % m.group(1))

    # Settings on a file of their own, and the web engine's profile.
    for m in scan(r'\bQSettings\s*(?:\w+\s*)?(?=[({])', 'QSettings'):
        second = arg(arg_spans(text, m.end()), 1)
        if re.search(r'(?i)format', second) and not re.search(r'Scope\b', second):
            add(m.start(), "QSettings on the file %s, not the program's settings" % arg(arg_spans(text, m.end()), 0, raw))
    for m in scan(r'\bQWebEngine(?:Page|View)\s*\(|\bnew\s+QWebEngine(?:Page|View)\b|\bQWebEngineProfile\b',
                  'QWebEnginePage', 'QWebEngineView', 'QWebEngineProfile'):
        add(m.start(), 'a web engine page or profile (its profile store writes files of its own)')
    downloads = ('QWebEngineDownloadItem', 'downloadRequested', 'setDownloadDirectory', 'setDownloadFileName',
                 'setPersistentStoragePath', 'setCachePath')
    for m in scan(r'\b(?:%s)\b' % '|'.join(downloads), *downloads):
        add(m.start(), 'the web engine writing through %s' % m.group(0))

    return sorted(set(found))


def normalized(line):
    return re.sub(r'\s+', ' ', line).strip()


def run(tree, program=PROGRAM, exceptions=EXCEPTIONS, min_files=MIN_FILES, out=print):
    """Checks the tree; returns 0 when clean, 1 when not."""
    errors = []
    sources = tree.sources()
    folders = {}
    for rel in sources:
        top = rel.split('/')[0] if '/' in rel else '.'
        folders.setdefault(top, []).append(rel)
    for top in sorted(folders):
        if top not in program and top not in OTHER and top != DOOR:
            errors.append('%s/: source files in a folder the check does not know; add it to PROGRAM '
                          '(or to OTHER when it may write as it likes)' % top)
    for top in program:
        if top not in folders:
            errors.append('%s/: no source file read there (a wrong root, or the folder was renamed)' % top)
    if tree.raw(DOOR_FILE) is None:
        errors.append('%s: not found; the check is not reading this tree' % DOOR_FILE)
    checked = [rel for rel in sources if rel.split('/')[0] in program]
    if len(checked) < min_files:
        errors.append('%d source files read where there are at least %d: the check is not reading this tree'
                      % (len(checked), min_files))

    used = set()
    bad = 0
    for rel in checked:
        lines = tree.raw(rel).split('\n')
        for line, what in problems(tree, rel):
            code = normalized(lines[line - 1])
            excused = [i for i, (f, snippet, _) in enumerate(exceptions)
                       if f == rel and normalized(snippet) in code]
            if excused:
                used.update(excused)
                continue
            out('%s:%d: %s; write it through atomicfile' % (rel, line, what))
            bad += 1
    for i, (f, snippet, why) in enumerate(exceptions):
        if i not in used:
            errors.append('%s: the exception "%s" (%s) matches no write there any more; remove it' % (f, snippet, why))
    for e in errors:
        out('write check: ' + e)
    if bad:
        out('write check: %d place(s) write files around atomicfile' % bad)
    if bad or errors:
        return 1
    out('write check: %d files in %d folders, every file written through %s/. Exceptions: %s; %s.'
        % (len(checked), len(program), DOOR, SETTINGS,
           '; '.join('%s (%s): %s' % (f, s, why) for f, s, why in exceptions)))
    return 0


def main(argv):
    root = os.path.abspath(argv[1]) if len(argv) > 1 else ROOT
    return run(Tree(root))


if __name__ == '__main__':
    sys.exit(main(sys.argv))
