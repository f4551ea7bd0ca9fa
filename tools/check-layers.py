#!/usr/bin/env python3
"""Fails when a file includes a header of a library that its own library (or
program) does not depend on.

The dependencies are the link graph CMake knows (cmake --graphviz in the build
folder); which file belongs to which target comes from the SOURCES lists of the
CMakeLists.txt files. A target may include its own headers, those of its direct
dependencies, and those that a direct dependency passes on PUBLIC.

    tools/check-layers.py [build-folder]
"""
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Source folders checked; tests, benchmarks and fuzz targets may use anything
# they link.
CHECKED = ('harleklog', 'exif', 'radifmt', 'core', 'thermal', 'maps', 'link',
           'planner', 'database', 'phototagger', 'app', 'radiconv')

# Outside headers that belong to one link target.
OUTSIDE = [
    (re.compile(r'QWebEngine'), 'Qt5::WebEngineWidgets'),
    (re.compile(r'QSerialPort'), 'Qt5::SerialPort'),
    (re.compile(r'QNetwork|QTcp|QUdp|QHostAddress|QSslSocket'), 'Qt5::Network'),
    (re.compile(r'QSoundEffect|QMedia|QAudio'), 'Qt5::Multimedia'),
    (re.compile(r'QSvg'), 'Qt5::Svg'),
    (re.compile(r'QtConcurrent|QFutureWatcher'), 'Qt5::Concurrent'),
    (re.compile(r'quazip/'), 'QuaZip::QuaZip'),
    (re.compile(r'exiv2/'), 'exiv2lib'),
]


def link_graph(build):
    with tempfile.TemporaryDirectory() as tmp:
        dot = os.path.join(tmp, 'deps.dot')
        subprocess.run(['cmake', '--graphviz=' + dot, '.'], cwd=build, check=True,
                       stdout=subprocess.DEVNULL)
        text = open(dot).read()
    edges = {}
    for m in re.finditer(r'^\s*"\w+" -> "\w+"(?:\s*\[ style = (\w+) \])?\s*// (\S+) -> (\S+)',
                         text, re.M):
        style, src, dst = m.groups()
        edges.setdefault(src, []).append((dst, style != 'dotted'))
    return edges


def allowed(target, edges):
    seen = {target}
    todo = [d for d, _ in edges.get(target, [])]
    seen.update(todo)
    while todo:  # what the direct dependencies pass on PUBLIC
        t = todo.pop()
        for d, public in edges.get(t, []):
            if public and d not in seen:
                seen.add(d)
                todo.append(d)
    return seen


def owners():
    """File (relative to ROOT) -> target, from the SOURCES lists."""
    own = {}
    for folder, _, files in os.walk(ROOT):
        rel = os.path.relpath(folder, ROOT)
        if rel.split(os.sep)[0] not in CHECKED or 'CMakeLists.txt' not in files:
            continue
        text = re.sub(r'#[^\n]*', '', open(os.path.join(folder, 'CMakeLists.txt')).read())
        for m in re.finditer(r'korvel_library\(\s*(\S+)(.*?)\)', text, re.S):
            body = re.split(r'\b(?:PUBLIC|PRIVATE)\b', m.group(2))[0]
            toks = body.split()
            if 'SOURCES' in toks:
                for f in toks[toks.index('SOURCES') + 1:]:
                    own[os.path.normpath(os.path.join(rel, f))] = m.group(1)
        for m in re.finditer(r'add_executable\(\s*(\S+)([^)]*)\)', text):
            for f in m.group(2).split():
                own[os.path.normpath(os.path.join(rel, f))] = m.group(1)
    return own


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build')
    edges = link_graph(build)
    own = owners()
    bad = 0
    for f, target in sorted(own.items()):
        ok = allowed(target, edges)
        path = os.path.join(ROOT, f)
        if not os.path.exists(path):
            continue
        for n, line in enumerate(open(path, encoding='utf-8'), 1):
            m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
            if not m:
                continue
            inc = m.group(2)
            need = None
            if m.group(1) == '"' and os.path.exists(os.path.join(ROOT, inc)):
                need = own.get(os.path.normpath(inc))
                if need is None:
                    print('%s:%d: includes "%s", which no library of ours owns\n    %s'
                          % (f, n, inc, line.strip()))
                    bad += 1
                    continue
            else:
                for rx, t in OUTSIDE:
                    if rx.match(inc):
                        need = t
                        break
            if need and need not in ok:
                print('%s:%d: %s includes a header of %s, which is not among its dependencies\n    %s'
                      % (f, n, target, need, line.strip()))
                bad += 1
    if bad:
        print('layering check: %d include(s) break the layers' % bad)
        return 1
    print('layering check: %d files, every include within its library\'s dependencies' % len(own))
    return 0


if __name__ == '__main__':
    sys.exit(main())
