"""Runs one end-to-end test inside its desktop (started by run.py through desktop.sh):
child.py BUILD_DIR FOLDER MODULE FUNCTION."""
import importlib
import os
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desk  # noqa: E402


def main():
    build, folder, module, func = sys.argv[1:5]
    d = desk.Desk(build, folder)
    rc = 0
    try:
        getattr(importlib.import_module(module), func)(d)
    except Exception:
        traceback.print_exc()
        d.dump()
        rc = 1
    finally:
        problems = d.stop()
    if problems:
        print('the program reported:\n' + problems)
        rc = 1
    sys.exit(rc)


main()
