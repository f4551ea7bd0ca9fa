#!/usr/bin/env python3
"""Fails when the programs write a file anywhere but through the one door,
atomicfile/ (AtomicFile::write, Writer, Folder): there a file appears
under its name only when it is whole, every write is checked and a failure
carries the system's reason.

Looked for in the source folders of the libraries and programs (tests,
benchmarks and fuzz targets may write as they like):
- QSaveFile, whose commit() reports success after a failed write;
- a QFile or QTemporaryFile opened for writing, and QFile::copy;
- QImage, QPixmap or QImageWriter writing to a file name instead of a device;
- ExifHandler::saveExif called on a file name: the program tags the bytes in
  memory and writes them through the door itself;
- QuaZip creating or adding to an archive by file name;
- fopen for writing, std::ofstream, open() with O_WRONLY, O_RDWR or O_CREAT.

Allowed, named here: the debug log, which writes the run log line by line
as the program runs. (The map index, once appended to, is rewritten whole.)

    tools/check-writes.py
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHECKED = ('harleklog', 'exif', 'radifmt', 'core', 'thermal', 'maps', 'link',
           'planner', 'database', 'phototagger', 'app', 'radiconv')
DOOR = 'atomicfile/'
ALLOWED = {
    'core/debuglog.cpp': 'the debug log appends to the run log line by line',
}

WRITE_FLAGS = re.compile(r'\b(WriteOnly|ReadWrite|Append|Truncate|NewOnly)\b')
DEVICE_TYPES = ('QBuffer', 'QuaZipFile', 'AtomicFile::Writer', 'Writer', 'QIODevice')


def strip(text):
    """Blanks out comments and the contents of string and character literals,
    keeping every character where it is."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c in '"\'':
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            out.append(c + ' ' * (min(j, n) - i - 1) + (c if j < n else ''))
            i = j + 1
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def declared(text, types):
    """Names declared with one of types (locals, members, pointers)."""
    alt = '|'.join(re.escape(t) for t in types)
    names = set()
    for m in re.finditer(r'\b(?:%s)\b\s*(?:<[^>]*>)?\s*[*&]?\s*(\w+)\s*(?:[({;=,)\[]|$)' % alt, text, re.M):
        names.add(m.group(1))
    return names


def args_of(text, start):
    """The text between the parenthesis at start and its partner."""
    depth, i = 0, start
    while i < len(text):
        if text[i] == '(':
            depth += 1
        elif text[i] == ')':
            depth -= 1
            if depth == 0:
                return text[start + 1:i]
        i += 1
    return text[start + 1:]


def first_arg(args):
    depth = 0
    for i, c in enumerate(args):
        if c in '([{<':
            depth += 1
        elif c in ')]}>':
            depth -= 1
        elif c == ',' and depth == 0:
            return args[:i].strip()
    return args.strip()


def is_device(arg, devices):
    arg = arg.strip()
    return arg.startswith('&') or arg.lstrip('*') in devices


def problems(text, raw, header):
    both = text + '\n' + header
    files = declared(both, ('QFile', 'QTemporaryFile', 'QFileDevice'))
    devices = declared(both, DEVICE_TYPES)
    images = declared(both, ('QImage', 'QPixmap'))
    bytes_ = declared(both, ('QByteArray',))
    found = []

    def add(pos, what):
        found.append((text.count('\n', 0, pos) + 1, what))

    for m in re.finditer(r'\bQSaveFile\b', text):
        add(m.start(), 'QSaveFile (commit() can report success after a failed write)')
    for m in re.finditer(r'\b(\w+)\s*(?:\.|->)\s*open\s*\(', text):
        name = m.group(1)
        args = args_of(text, m.end() - 1)
        if name in files and WRITE_FLAGS.search(args):
            add(m.start(), 'QFile "%s" opened for writing' % name)
    for m in re.finditer(r'\bQFile\s*\(([^)]*)\)\s*\.\s*open\s*\(', text):
        if WRITE_FLAGS.search(args_of(text, m.end() - 1)):
            add(m.start(), 'QFile opened for writing')
    for m in re.finditer(r'\b(?:QFile::copy|(\w+)\s*(?:\.|->)\s*copy)\s*\(', text):
        if m.group(1) is None or m.group(1) in files:
            add(m.start(), 'QFile::copy writes the copy under its final name')
    for m in re.finditer(r'(\b\w+|\))\s*(?:\.|->)\s*save\s*\(', text):
        recv = m.group(1)
        chained = recv == ')' and re.search(r'(QImage|QPixmap|[iI]mage|[pP]ixmap|grab)\w*\s*\([^;]*$',
                                            text[max(0, m.start() - 200):m.start() + 1])
        if recv in images or chained:
            arg = first_arg(args_of(text, m.end() - 1))
            if not is_device(arg, devices):
                add(m.start(), 'image saved to the file name %s' % arg)
    for m in re.finditer(r'\bQImageWriter\s+\w+\s*\(', text):
        arg = first_arg(args_of(text, m.end() - 1))
        if arg and not is_device(arg, devices):
            add(m.start(), 'QImageWriter on the file name %s' % arg)
    for m in re.finditer(r'\bsetFileName\s*\(', text):
        if 'QImageWriter' in text:
            add(m.start(), 'QImageWriter given a file name')
    for m in re.finditer(r'\bsaveExif\s*\(', text):
        arg = first_arg(args_of(text, m.end() - 1))
        if re.match(r'(const\s+)?(QString|QByteArray)\b', arg):
            continue  # its declaration; the path form writes through the door
        if arg.lstrip('*') not in bytes_:
            add(m.start(), 'saveExif on a file (%s) rewrites it in place' % arg)
    if re.search(r'\bmd(Create|Append|Add)\b', text):
        for m in re.finditer(r'\bQuaZip\s+\w+\s*\(', text):
            arg = first_arg(args_of(text, m.end() - 1))
            if not is_device(arg, devices):
                add(m.start(), 'QuaZip writing the archive %s by its name' % arg)
        for m in re.finditer(r'\bsetZipName\s*\(', text):
            add(m.start(), 'QuaZip writing an archive by its name')
    for m in re.finditer(r'\bfopen\s*\(', text):
        args = args_of(text, m.end() - 1)
        mode = raw[m.end() + len(args) - 8:m.end() + len(args)]  # the literal's text
        if re.search(r'[wa+]', mode.rsplit(',', 1)[-1]):
            add(m.start(), 'fopen for writing')
    for m in re.finditer(r'\bstd::(?:w?ofstream|fstream)\b', text):
        add(m.start(), 'std::ofstream')
    for m in re.finditer(r'(?<![\w.>:])(?:::)?open\s*\(', text):
        if re.search(r'\bO_(WRONLY|RDWR|CREAT)\b', args_of(text, m.end() - 1)):
            add(m.start(), 'open() for writing')
    return found


def sources():
    for folder, _, names in os.walk(ROOT):
        rel = os.path.relpath(folder, ROOT)
        if rel.split(os.sep)[0] not in CHECKED:
            continue
        for name in sorted(names):
            if name.endswith(('.cpp', '.h')):
                yield os.path.normpath(os.path.join(rel, name)).replace(os.sep, '/')


def main():
    bad = 0
    seen = 0
    for rel in sorted(sources()):
        if rel.startswith(DOOR) or rel in ALLOWED:
            continue
        seen += 1
        text = strip(open(os.path.join(ROOT, rel), encoding='utf-8').read())
        header = ''
        if rel.endswith('.cpp'):
            h = os.path.join(ROOT, rel[:-4] + '.h')
            if os.path.exists(h):
                header = strip(open(h, encoding='utf-8').read())
        # The raw text keeps the literals (fopen's mode) where strip() blanked them.
        raw = open(os.path.join(ROOT, rel), encoding='utf-8').read()
        for line, what in problems(text, raw, header):
            print('%s:%d: %s; write it through atomicfile' % (rel, line, what))
            bad += 1
    if bad:
        print('write check: %d place(s) write files around atomicfile' % bad)
        return 1
    print('write check: %d files, every file written through atomicfile (allowed: %s)'
          % (seen, '; '.join('%s, %s' % kv for kv in sorted(ALLOWED.items()))))
    return 0


if __name__ == '__main__':
    sys.exit(main())
