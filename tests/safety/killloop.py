#!/usr/bin/env python3
"""Kills one writer of the safety rows at random moments, many times, and
counts what each kill left: the old output whole, the new one whole, a file
cut off, or something else; then what the next run of the same writer leaves
beside the output (temporaries, lock files). Run by hand, not by CTest:

    tests/safety/killloop.py <build folder> <row> [kills] [seed]

The writer runs in a private home, as in the tests. A kill comes after a
random progress line of the writer, a random 0-3 ms later.
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def snapshot(folder):
    out = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, folder)
            if os.path.islink(path) or not os.path.isdir(path):
                with open(path, 'rb') as f:
                    out[rel] = f.read()
            elif name.startswith('.'):
                out[rel + '/'] = b'<folder>'
    return out


def main():
    build, row = sys.argv[1], sys.argv[2]
    kills = int(sys.argv[3]) if len(sys.argv) > 3 else 30
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    helper = os.path.join(build, 'tests', 'safety', 'killwriter')
    home = tempfile.mkdtemp(prefix='killloop-')
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + '/.config',
               XDG_DATA_HOME=home + '/.local/share', XDG_CACHE_HOME=home + '/.cache',
               XDG_RUNTIME_DIR=home + '/.runtime', QT_QPA_PLATFORM='offscreen',
               KORVEL_PROBE_URL='off')
    for d in ('.config', '.local/share', 'Documents', '.runtime'):
        os.makedirs(os.path.join(home, d), exist_ok=True)
    os.chmod(home + '/.runtime', 0o700)
    work = os.path.join(home, 'work')

    def prepare():
        out = subprocess.run([helper, '--prepare', row, work], env=env, check=True,
                             capture_output=True, text=True).stdout
        return out.split('output ', 1)[1].strip()

    output = prepare()
    before = snapshot(output)
    done = subprocess.run([helper, row, work], env=env, capture_output=True, text=True)
    steps = done.stdout.count('step ')
    if 'done 1' not in done.stdout or steps == 0:
        sys.exit('undisturbed run failed:\n' + done.stdout)
    reference = snapshot(output)

    counts = {'old whole': 0, 'new whole': 0, 'cut-off': 0, 'inconsistent': 0, 'not killed': 0}
    left_by_kill = left_after_next = 0
    for _ in range(kills):
        output = prepare()
        at = rng.randint(1, steps)
        p = subprocess.Popen([helper, row, work], env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
        seen = 0
        for line in p.stdout:
            if line.startswith('step '):
                seen += 1
                if seen == at:
                    time.sleep(rng.uniform(0, 0.003))
                    p.send_signal(signal.SIGKILL)
                    break
        p.wait()
        if p.returncode != -signal.SIGKILL:
            counts['not killed'] += 1
            continue
        after = snapshot(output)
        extra = [k for k in after if k not in before and k not in reference]
        left_by_kill += len(extra)
        if os.environ.get("KILLLOOP_SHOW"):
            print("left:", extra)
        state = {k: v for k, v in after.items() if k not in extra}
        if state == before:
            counts['old whole'] += 1
        elif state == reference:
            counts['new whole'] += 1
        elif all(state.get(k) in (before.get(k), reference.get(k)) for k in set(before) | set(reference)):
            counts['new whole'] += 1  # some files new, each whole
        elif any(k in reference and v != reference[k] and reference[k].startswith(v) for k, v in state.items()):
            counts['cut-off'] += 1
        else:
            counts['inconsistent'] += 1
        # The next run of the same writer, undisturbed.
        subprocess.run([helper, row, work], env=env, capture_output=True)
        again = snapshot(output)
        left_after_next += len([k for k in again if k not in reference])
    shutil.rmtree(home, ignore_errors=True)
    killed = kills - counts['not killed']
    print(f'{row}: {killed} kills ({counts["not killed"]} runs ended before the kill): '
          f'old whole {counts["old whole"]}, new whole {counts["new whole"]}, '
          f'cut-off {counts["cut-off"]}, inconsistent {counts["inconsistent"]}; '
          f'temporaries left by the kills {left_by_kill}, after the next run {left_after_next}')
    return 0 if counts['cut-off'] == counts['inconsistent'] == left_after_next == 0 else 1


if __name__ == '__main__':
    sys.exit(main())
