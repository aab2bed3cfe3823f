#!/usr/bin/env python3
"""verdin-batch on a hostile machine: pipes and devices where files should
be, links, a file-size limit, names of every valid length, figures beyond
the bounds, a 4 MB object name, no XDG_RUNTIME_DIR. Each run ends by itself within seconds,
with exit status 1 (2 for bad usage) and a Russian message, replaces no
device and leaves nothing behind."""
import os
import resource
import shutil
import stat
import subprocess
import sys
import tempfile
import time

BATCH = sys.argv[1]
# The sanitizers' shadow memory makes any peak large: not measured there.
MEASURED = "--sanitized" not in sys.argv
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA_FOLDER = os.path.join(ROOT, "data")
DEMO = os.path.join(ROOT, "examples", "demo.isx")
# A 4 MB object name may cost a small multiple of itself, never hundreds of MB.
PEAK_LIMIT_KB = 120 * 1024

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*args, file_limit=None):
    """Runs the tool; returns (exit status, stdout, stderr, peak memory in KB)."""
    def limit():
        if file_limit is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))

    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen([BATCH, *args], stdout=out, stderr=err, preexec_fn=limit)
        deadline = time.monotonic() + 30
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                process.kill()
                _, status, usage = os.wait4(process.pid, 0)
                failures.append(f"{args}: did not end within 30 s")
                break
            time.sleep(0.01)
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return process.returncode, out.read().decode(), err.read().decode(), usage.ru_maxrss


with tempfile.TemporaryDirectory() as home:
    # Scratch and runtime folders of the libraries go under TMPDIR and are
    # removed again, whatever way a write ends.
    scratch = os.path.join(home, "tmp")
    os.mkdir(scratch)
    os.environ.pop("XDG_RUNTIME_DIR", None)
    os.environ.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                      XDG_DATA_HOME=os.path.join(home, "share"), TMPDIR=scratch)
    data = os.path.join(home, "data")
    shutil.copytree(DATA_FOLDER, data)
    pipe = os.path.join(home, "канал")
    os.mkfifo(pipe)

    # Readers: a pipe without a writer is refused at once.
    tables = os.path.join(data, "ВердинПИР_Таблицы.txt")
    os.rename(tables, tables + ".saved")
    os.mkfifo(tables)
    for args in [["--data", DATA_FOLDER, "open", pipe], ["--ini", pipe, "tables"], ["--data", data, "tables"]]:
        code, out, err, _ = run(*args)
        check(code == 1 and "это не обычный файл" in err, f"reader {args}: {code} {err!r}")
    os.remove(tables)
    os.rename(tables + ".saved", tables)

    # Writers: no device or pipe is replaced; a link stays a link.
    link_to_null = os.path.join(home, "нуль.isx")
    os.symlink("/dev/null", link_to_null)
    workbook = os.path.join(home, "смета.xls")
    for target, save_isx in [(pipe + ".xls", None), (workbook, link_to_null), (workbook, pipe)]:
        if target.endswith(".xls") and target != workbook:
            os.mkfifo(target)
        extra = ["--save-isx", save_isx] if save_isx else []
        code, out, err, _ = run("--data", data, "estimate", DEMO, target, *extra)
        check(code == 1 and "это не обычный файл" in err and out == "", f"writer {target} {save_isx}: {code} {err!r}")
        check(not os.path.exists(workbook), f"writer {target} {save_isx}: the workbook was written first")
    check(stat.S_ISCHR(os.stat("/dev/null").st_mode), "/dev/null is no longer a device")
    check(stat.S_ISFIFO(os.stat(pipe).st_mode), "the pipe was replaced")
    real = os.path.join(home, "книги", "настоящая.xlsx")
    os.makedirs(os.path.dirname(real))
    os.symlink(real, os.path.join(home, "ссылка.xlsx"))
    code, out, err, _ = run("--data", data, "estimate", DEMO, os.path.join(home, "ссылка.xlsx"))
    check(code == 0 and os.path.islink(os.path.join(home, "ссылка.xlsx")) and os.path.isfile(real),
          f"through a link: {code} {err!r}")

    # A file-size limit: a Russian refusal, no temporary file left.
    limited = os.path.join(home, "предел")
    os.mkdir(limited)
    for name in ["смета.xls", "смета.xlsx", "смета.pdf"]:
        code, out, err, _ = run("--data", data, "estimate", DEMO, os.path.join(limited, name), file_limit=8 * 1024)
        check(code == 1 and "превышен допустимый размер файла" in err, f"ulimit {name}: {code} {err!r}")
        check(os.listdir(limited) == [], f"ulimit {name}: left {os.listdir(limited)}")

    # Names of every valid length; control characters printed escaped.
    names = os.path.join(home, "имена")
    os.mkdir(names)
    for name in ["ж" * 125 + ".xls", "a" * 250 + ".xlsx", "строка\nи\x1b.xls"]:
        code, out, err, _ = run("--data", data, "estimate", DEMO, os.path.join(names, name))
        check(code == 0 and os.path.isfile(os.path.join(names, name)), f"name of {len(name.encode())} bytes: {err!r}")
        check(out.count("\n") == 3 and "\x1b" not in out, f"raw control characters on stdout: {out!r}")

    # Figures beyond the bounds are usage errors.
    for args, code_wanted in [(["words", "1E16"], 2), (["words", "-1E308"], 2), (["words", "1E15"], 0),
                              (["--data", data, "estimate", DEMO, workbook, "--without-charges", "5", "-20"], 2),
                              (["--data", data, "estimate", DEMO, workbook, "--without-charges", "100", "101"], 2),
                              (["--data", data, "estimate", DEMO, workbook, "--without-charges", "-1", "50"], 2),
                              (["--data", data, "estimate", DEMO, workbook, "--without-charges", "0", "100"], 0)]:
        code, out, err, _ = run(*args)
        check(code == code_wanted, f"{args}: exit {code}, expected {code_wanted}; {err!r}")

    # A 4 MB object name is refused in every format, at a small cost.
    with open(DEMO, "rb") as f:
        lines = f.read().split(b"\r\n")
    lines[4] = b"\xdf" * (4 * 1000 * 1000)
    huge = os.path.join(home, "огромное имя.isx")
    with open(huge, "wb") as f:
        f.write(b"\r\n".join(lines))
    for name in ["имя.xls", "имя.xlsx", "имя.pdf"]:
        code, out, err, peak = run("--data", data, "estimate", huge, os.path.join(home, name))
        check(code == 1 and "текст длиннее 32767 знаков" in err, f"4 MB name {name}: {code} {err[:300]!r}")
        check(not os.path.exists(os.path.join(home, name)), f"4 MB name {name}: written")
        check(not MEASURED or peak < PEAK_LIMIT_KB, f"4 MB name {name}: peak {peak} KB, expected below {PEAK_LIMIT_KB} KB")
        print(f"4 MB object name through {name}: refused, peak {peak} KB")

    check(os.listdir(scratch) == [], f"left in TMPDIR: {os.listdir(scratch)}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("batch hostile: all cases passed")
