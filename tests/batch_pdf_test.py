#!/usr/bin/env python3
"""verdin-batch estimate IN.isx OUT.pdf: the demo estimate drawn as a PDF,
read back with poppler's pdfinfo and pdftotext; a PDF that cannot be
written is reported and leaves nothing behind."""
import os
import shutil
import subprocess
import sys
import tempfile

BATCH = sys.argv[1]
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = ["--data", os.path.join(ROOT, "data")]
DEMO = os.path.join(ROOT, "examples", "demo.isx")

if not shutil.which("pdftotext") or not shutil.which("pdfinfo"):
    print("batch pdf: poppler-utils (pdftotext, pdfinfo) missing, skipped")
    sys.exit(0)

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "share"), TMPDIR=os.path.join(home, "tmp"))
    env.pop("QT_QPA_PLATFORM", None)  # the tool chooses the offscreen platform itself
    env.pop("DISPLAY", None)
    os.makedirs(env["TMPDIR"])

    def run(*args):
        return subprocess.run([BATCH, *DATA, *args], capture_output=True, text=True, env=env)

    # The name as given, in any case; the text of every page read back.
    pdf = os.path.join(home, "Смета.PDF")
    result = run("estimate", DEMO, pdf)
    check(result.returncode == 0, f"estimate to PDF: exit {result.returncode}, {result.stderr}")
    check(f"pdf: {pdf}\n" in result.stdout, f"estimate to PDF: {result.stdout!r}")
    left = [name for name in os.listdir(env["TMPDIR"]) if name.startswith("verdin")]
    check(left == [], f"temporary workbook left: {left}")
    if os.path.exists(pdf):
        info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
        check("(A4)" in info, f"pdfinfo: {info}")
        pages = int(next(line.split()[1] for line in info.splitlines() if line.startswith("Pages:")))
        text = " ".join(subprocess.run(["pdftotext", "-raw", "-enc", "UTF-8", pdf, "-"],
                                       capture_output=True, text=True).stdout.split())
        for wanted in ["Смета № 2008/11", "Административное здание", "ИТОГО по п.6", "392774,046",
                       "Всего по смете: 392774046", "Р.Т Бельчар", f"Страница {pages} из {pages}"]:
            check(wanted in text, f"PDF text lacks {wanted!r}")
    else:
        failures.append("no PDF written")

    # A folder that does not exist: reported, nothing written, exit 1.
    missing = os.path.join(home, "нет", "смета.pdf")
    result = run("estimate", DEMO, missing)
    check(result.returncode == 1, f"missing folder: exit {result.returncode}")
    check("не записана" in result.stderr, f"missing folder: {result.stderr!r}")
    check(not os.path.exists(missing), "missing folder: a PDF appeared")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("batch pdf: all cases passed")
