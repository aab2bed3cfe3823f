#!/usr/bin/env python3
"""Keeps the folders of the production code in their layers.

Each folder may include only itself and the folders below it:

    core <- isx, workbook <- forms <- ui <- app

isx and workbook never include each other, and nothing below ui includes
Qt. Every '#include "..."' and every Qt '#include <Q...>' of the production
files is read; a wrong arrow fails with the file, the line and the rule.

    tests/layering_test.py SOURCE_FOLDER
    tests/layering_test.py --self-check   (the checker on a made-up tree)
"""
import pathlib
import re
import sys

# The folders each folder may include, itself included.
ALLOWED = {
    "core": {"core"},
    "isx": {"isx", "core"},
    "workbook": {"workbook", "core"},
    "forms": {"forms", "isx", "workbook", "core"},
    "ui": {"ui", "forms", "isx", "workbook", "core"},
    "app": {"app", "ui", "forms", "isx", "workbook", "core"},
}
QT_FOLDERS = {"ui", "app"}

QUOTED = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
ANGLED = re.compile(r"^\s*#\s*include\s*<([^>]+)>")
QT_HEADER = re.compile(r"^(Q[A-Za-z]|Qt[A-Za-z]*/)")


def violations(root: pathlib.Path):
    for folder in ALLOWED:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            relative = path.relative_to(root)
            lines = path.read_text(encoding="utf-8").splitlines()
            for number, line in enumerate(lines, start=1):
                quoted = QUOTED.match(line)
                if quoted:
                    target = quoted.group(1).split("/")[0]
                    if "/" not in quoted.group(1):
                        yield f"{relative}:{number}: include without its folder: {quoted.group(1)}"
                    elif target not in ALLOWED[folder]:
                        yield (f"{relative}:{number}: {folder}/ may not include {target}/ "
                               f"({quoted.group(1)}); allowed: {', '.join(sorted(ALLOWED[folder]))}")
                angled = ANGLED.match(line)
                if angled and folder not in QT_FOLDERS and QT_HEADER.match(angled.group(1)):
                    yield f"{relative}:{number}: Qt below ui/: <{angled.group(1)}>"


def self_check() -> int:
    """The checker must catch each kind of wrong include in a made-up tree."""
    import tempfile
    files = {
        "core/a.h": '#include "core/b.h"\n#include <vector>\n',
        "isx/a.cpp": '#include "core/a.h"\n#include "workbook/a.h"\n',
        "workbook/a.h": '#include "forms/a.h"\n',
        "forms/a.cpp": '#include <QString>\n#include "isx/a.h"\n',
        "ui/a.cpp": '#include <QWidget>\n#include "app/a.h"\n',
        "app/a.cpp": '#include "ui/a.h"\n#include "b.h"\n',
    }
    expected = {"isx/a.cpp:2", "workbook/a.h:1", "forms/a.cpp:1", "ui/a.cpp:2", "app/a.cpp:2"}
    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text, encoding="utf-8")
        found = {line.split(": ")[0] for line in violations(root)}
    if found != expected:
        print(f"layering self-check: expected {sorted(expected)}, found {sorted(found)}")
        return 1
    print("layering self-check: every wrong include caught")
    return 0


def main() -> int:
    if sys.argv[1:] == ["--self-check"]:
        return self_check()
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    missing = [folder for folder in ALLOWED if not (root / folder).is_dir()]
    if missing:
        print(f"layering: folders missing under {root}: {', '.join(missing)}")
        return 1
    found = list(violations(root))
    for line in found:
        print(line)
    print(f"layering: {len(found)} wrong includes")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
