"""Runs one story module of the end-to-end suite, or skips (exit status 77) naming what is
missing when the tools it drives cannot run here."""

import importlib
import os
import sys
import unittest

SKIP = 77


def main():
    missing = []
    for module, package in (("PIL", "python3-pil"), ("Xlib", "python3-xlib"), ("pyatspi", "python3-pyatspi")):
        try:
            importlib.import_module(module)
        except ImportError:
            missing.append("%s (Debian package %s)" % (module, package))
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    if not missing:
        import desktop
        missing = desktop.missing_tools()
    if missing:
        print("skipping the end-to-end stories: missing " + ", ".join(missing)
              + " (bash scripts/install-deps.sh --tests installs them)")
        return SKIP
    suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[1:])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
