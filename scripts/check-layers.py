#!/usr/bin/env python3
"""Fails, naming file and line, when a library under src/ includes a header of one of our
libraries it may not, or of a Qt module it may not use.

CMake's links cannot catch this: every library publishes src/ as an include folder, and a
type defined in a header alone needs no link, so a wrong include builds. Each folder under
src/ is one library; a new folder needs its row below before the check passes."""

import os
import re
import subprocess
import sys

QT_BELOW_WIDGETS = ("QtCore", "QtGui")

# What each library may include besides its own headers: our libraries, then Qt's modules
# (None: any). Dependencies run one way, and widgets live in app alone.
MAY_INCLUDE = {
    "model": ((), QT_BELOW_WIDGETS),
    "decoders": (("model",), QT_BELOW_WIDGETS),
    "pictures": (("decoders", "model"), QT_BELOW_WIDGETS),
    "text": (("pictures", "model"), QT_BELOW_WIDGETS),
    "print": (("text", "pictures", "model"), QT_BELOW_WIDGETS + ("QtPrintSupport",)),
    "tracklists": (("model",), ("QtCore",)),
    "app": (("tracklists", "print", "text", "pictures", "decoders", "model"), None),
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCES = (".h", ".cpp", ".in")


def qt_modules_by_header():
    """Header name -> the Qt modules that ship it, from Qt's installed headers; empty when
    they cannot be found."""
    try:
        root = subprocess.run(["qtpaths6", "--query", "QT_INSTALL_HEADERS"], check=True,
                              capture_output=True, text=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return {}
    modules = {}
    for module in os.listdir(root) if os.path.isdir(root) else ():
        folder = os.path.join(root, module)
        if module.startswith("Qt") and os.path.isdir(folder):
            for name in os.listdir(folder):
                modules.setdefault(name, set()).add(module)
    return modules


def library_of(src, including_file, quote, name):
    """The library folder a header belongs to, or None for a header not ours."""
    candidates = [os.path.join(src, name)]
    if quote == '"':
        candidates.insert(0, os.path.join(os.path.dirname(including_file), name))
    for path in candidates:
        if os.path.isfile(path):
            inside = os.path.relpath(os.path.realpath(path), os.path.realpath(src))
            parts = inside.split(os.sep)
            return parts[0] if len(parts) > 1 and not inside.startswith("..") else None
    first = name.split("/")[0]  # a generated header such as model/version.h
    return first if "/" in name and first in MAY_INCLUDE else None


def qt_modules_of(name, qt_headers):
    first = name.split("/")[0]
    if "/" in name and first.startswith("Qt"):
        return {first}
    return qt_headers.get(name, set())


def main():
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    src = os.path.join(repo, "src")
    qt_headers = qt_modules_by_header()
    problems = []
    if not qt_headers:
        print("layers: Qt's headers not found (qtpaths6); Qt modules not checked", file=sys.stderr)
    for library in sorted(os.listdir(src)):
        folder = os.path.join(src, library)
        if not os.path.isdir(folder):
            continue  # main.cpp: the program, above every library
        if library not in MAY_INCLUDE:
            problems.append("src/%s: a library with no row in %s"
                            % (library, os.path.relpath(__file__, repo)))
            continue
        ours, qt = MAY_INCLUDE[library]
        for directory, _, files in os.walk(folder):
            for file in sorted(f for f in files if f.endswith(SOURCES)):
                path = os.path.join(directory, file)
                with open(path, encoding="utf-8") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        quote, name = match.groups()
                        where = "%s:%d" % (os.path.relpath(path, repo), number)
                        other = library_of(src, path, quote, name)
                        if other and other != library and other not in ours:
                            problems.append("%s: %s may not include %s (%s)"
                                            % (where, library, other, name))
                        modules = qt_modules_of(name, qt_headers) if quote == "<" else set()
                        if qt is not None and modules and not modules & set(qt):
                            problems.append("%s: %s may not use %s (%s)"
                                            % (where, library, "/".join(sorted(modules)), name))
    if problems:
        print("Includes across the layers that are not allowed:", file=sys.stderr)
        print("\n".join("  " + p for p in problems), file=sys.stderr)
        return 1
    print("layers: every library under src/ includes only what it may")
    return 0


if __name__ == "__main__":
    sys.exit(main())
