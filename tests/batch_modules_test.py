#!/usr/bin/env python3
"""verdin-batch loads the writers' libraries only for the command that
writes with them: the dynamic loader's own log (LD_DEBUG=files) must not
name libgsf, libxlsxwriter or Qt for the commands that write nothing, and
an estimate names only its own format's library. A missing or broken
module is reported in Russian with exit status 1 and writes nothing."""
import os
import shutil
import subprocess
import sys
import tempfile

BATCH = os.path.abspath(sys.argv[1])
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = ["--data", os.path.join(ROOT, "data")]
DEMO = os.path.join(ROOT, "examples", "demo.isx")
LIBRARIES = {"gsf": "libgsf", "xlsx": "libxlsxwriter", "qt": "libQt6"}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "share"), XDG_RUNTIME_DIR=home)
    env.pop("DISPLAY", None)

    def run(batch, *args, debug=False):
        extra = {"LD_DEBUG": "files"} if debug else {}
        return subprocess.run([batch, *DATA, *args], capture_output=True, text=True,
                              env=dict(env, **extra))

    # The command, the libraries it must not load, the module it must load.
    cases = [
        (["words", "5"], {"gsf", "xlsx", "qt"}, None),
        (["tables"], {"gsf", "xlsx", "qt"}, None),
        (["price", "--table", "4", "--row", "1", "--qty", "10"], {"gsf", "xlsx", "qt"}, None),
        (["open", DEMO], {"gsf", "xlsx", "qt"}, None),
        (["estimate", DEMO, os.path.join(home, "смета.xls")], {"xlsx", "qt"}, "verdin-xls.so"),
        (["estimate", DEMO, os.path.join(home, "смета.xlsx")], {"gsf", "qt"}, "verdin-xlsx.so"),
        (["estimate", DEMO, os.path.join(home, "смета.pdf")], {"gsf", "xlsx"}, "verdin-pdf.so"),
    ]
    for args, unwanted, module in cases:
        result = run(BATCH, *args, debug=True)
        check(result.returncode == 0, f"{args[0]}: exit {result.returncode}: {result.stderr[-500:]}")
        loaded = result.stderr
        for key in sorted(unwanted):
            check(LIBRARIES[key] not in loaded, f"{' '.join(args[:1] + args[-1:])} loads {LIBRARIES[key]}")
        if module:
            check(module in loaded, f"{args[-1]}: {module} was not loaded")

    # The modules export their entry, named for the format, and the
    # function naming the format; nothing else.
    if shutil.which("nm"):
        folder = os.path.dirname(BATCH)
        for module, format_name in [("verdin-xls.so", "xls"), ("verdin-xlsx.so", "xlsx"), ("verdin-pdf.so", "pdf")]:
            symbols = subprocess.run(["nm", "-D", "--defined-only", os.path.join(folder, module)],
                                     capture_output=True, text=True).stdout.split()
            exported = sorted(word for word in symbols[2::3])
            check(exported == ["verdin_write_" + format_name, "verdin_writer_format"], f"{module} exports {exported}")

    # The program alone in a folder: no module beside it, none installed.
    alone = os.path.join(home, "bin")
    os.makedirs(alone)
    shutil.copy(BATCH, alone)
    lonely = os.path.join(alone, os.path.basename(BATCH))
    # Nothing beside it, then a module that is no library at all.
    with open(os.path.join(alone, "verdin-xlsx.so"), "wb") as junk:
        junk.write(b"not a library\n")
    # The .xlsx module put in the place of the PDF module.
    shutil.copy(os.path.join(os.path.dirname(BATCH), "verdin-xlsx.so"), os.path.join(alone, "verdin-pdf.so"))
    broken = "повреждён или не от этой версии программы"
    for name, wanted in [("без модуля.xls", ["Не найден модуль записи .xls", "verdin-xls.so"]),
                         ("испорченный модуль.xlsx", ["Модуль записи", broken, "не загружается"]),
                         ("чужой модуль.pdf", ["Модуль записи", broken, "«xlsx", "нужен «pdf"])]:
        workbook = os.path.join(home, name)
        result = run(lonely, "estimate", DEMO, workbook)
        check(result.returncode == 1, f"{name}: exit {result.returncode}")
        check(all(text in result.stderr for text in wanted), f"{name}: {result.stderr!r}")
        check(not os.path.exists(workbook), f"{name}: a workbook appeared")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("batch modules: all cases passed")
