#!/usr/bin/env python3
"""Keeps the layers the build declares.

Fails when
- a library or program links one of ours that stands later in the declared
  order (the add_subdirectory list of the top CMakeLists.txt, bottom to top;
  inside a folder, the order its targets are defined in);
- the link graph of our targets has a cycle;
- a file includes a header of a library that its own library (or program)
  does not depend on.

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
CHECKED = ('atomicfile', 'harleklog', 'exif', 'radifmt', 'core', 'thermal', 'maps', 'link',
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


def declared_order():
    """Our targets bottom to top, as the top CMakeLists.txt adds their folders."""
    def strip(text):
        return re.sub(r'#[^\n]*', '', text)
    top = strip(open(os.path.join(ROOT, 'CMakeLists.txt')).read())
    order = []
    for m in re.finditer(r'^add_subdirectory\(\s*(\S+)\s*\)', top, re.M):
        folder = m.group(1)
        if folder.split('/')[0] not in CHECKED:
            continue
        text = strip(open(os.path.join(ROOT, folder, 'CMakeLists.txt')).read())
        for t in re.finditer(r'\b(?:korvel_library|add_library|add_executable)\(\s*([\w-]+)', text):
            order.append((t.group(1), folder))
    return order


def order_problems(edges):
    order = declared_order()
    place = {t: i for i, (t, _) in enumerate(order)}
    folder = dict(order)
    bad = []
    for src, dsts in sorted(edges.items()):
        if src not in place:
            continue
        for dst, _ in dsts:
            if dst in place and place[dst] > place[src]:
                bad.append('%s (%s) links %s (%s), which stands later in the order of '
                           'CMakeLists.txt' % (src, folder[src], dst, folder[dst]))
    # Cycles among our targets (an order check alone misses one inside a folder).
    graph = {t: [d for d, _ in edges.get(t, []) if d in place] for t in place}
    state = {}
    def visit(t, path):
        state[t] = 1
        for d in graph[t]:
            if state.get(d) == 1:
                bad.append('link cycle: ' + ' -> '.join(path[path.index(d):] + [d]))
            elif d not in state:
                visit(d, path + [d])
        state[t] = 2
    for t in place:
        if t not in state:
            visit(t, [t])
    return order, bad


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
    order, problems = order_problems(edges)
    for p in problems:
        print(p)
    own = owners()
    bad = len(problems)
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
        print('layering check: %d problem(s) break the layers' % bad)
        return 1
    print('layering check: %d targets in order, no link cycle; %d files, every include within its '
          'library\'s dependencies' % (len(order), len(own)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
