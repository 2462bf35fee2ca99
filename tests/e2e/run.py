#!/usr/bin/env python3
"""Runs the end-to-end suite: every function test_* of every tests/e2e/test_*.py, each on a desktop of its
own (desktop.sh) with a bank of its own in a fresh folder.

    python3 tests/e2e/run.py BUILD_DIR [NAME_PART ...]

NAME_PART keeps only the tests whose "file::function" contains one of them. Exits non-zero when any test
fails; the last line is "N passed, N failed"."""
import ast
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def collect():
    out = []
    for name in sorted(os.listdir(HERE)):
        if not (name.startswith('test_') and name.endswith('.py')):
            continue
        with open(os.path.join(HERE, name), encoding='utf-8') as f:
            tree = ast.parse(f.read(), name)
        for node in tree.body:
            if isinstance(node, ast.FunctionDef) and node.name.startswith('test_'):
                out.append((name[:-3], node.name))
    return out


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    wanted = sys.argv[2:]
    tests = [t for t in collect() if not wanted or any(w in f'{t[0]}::{t[1]}' for w in wanted)]
    passed, failed = 0, []
    # One folder for the run, a folder in it for each test: file dialogs that
    # pass through the temporary folder list one entry, not every test's.
    base = tempfile.mkdtemp(prefix='quorvel-e2e-')
    for module, func in tests:
        name = f'{module}::{func}'
        folder = tempfile.mkdtemp(prefix=f'{func}-', dir=base)
        start = time.time()
        try:
            proc = subprocess.run(['bash', os.path.join(HERE, 'desktop.sh'), '/usr/bin/python3',
                                   os.path.join(HERE, 'child.py'), build, folder, module, func],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                  errors='replace', timeout=300)
            ok, output = proc.returncode == 0, proc.stdout
        except subprocess.TimeoutExpired as e:
            ok, output = False, (e.stdout or '') + '\n(timed out after 300 s)'
            if isinstance(output, bytes):
                output = output.decode('utf-8', 'replace')
        took = time.time() - start
        if ok:
            passed += 1
            print(f'PASS {name} ({took:.1f} s)', flush=True)
            subprocess.run(['rm', '-rf', folder])
        else:
            failed.append(name)
            print(f'FAIL {name} ({took:.1f} s); its folder: {folder}\n{output.rstrip()}\n', flush=True)
    if failed:
        print('failed: ' + ', '.join(failed))
    else:
        subprocess.run(['rm', '-rf', base])
    print(f'{passed} passed, {len(failed)} failed')
    sys.exit(1 if failed or not tests else 0)


if __name__ == '__main__':
    main()
