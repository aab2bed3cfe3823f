#!/usr/bin/env python3
"""verdin-batch on the demo database: every line it prints ends with a line
feed and no bare carriage return (a terminal would write the next line over
the heading), and a quantity of 0 is refused."""
import os
import subprocess
import sys
import tempfile

BATCH = sys.argv[1]
SOURCE = sys.argv[2]
DATA = os.path.join(SOURCE, "data")
failures = []


def run(*args):
    return subprocess.run([BATCH, "--data", DATA, *args], capture_output=True, env=ENV)


with tempfile.TemporaryDirectory() as home:
    ENV = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_DATA_HOME=os.path.join(home, "share"))
    # The demo estimate with the title of its first table changed: the
    # open prices it by the table at its stored place and says so, in a
    # message of several lines.
    with open(os.path.join(SOURCE, "examples", "demo.isx"), "rb") as f:
        content = f.read()
    old = "2.1. Здания административные и офисные".encode("cp1251")
    if old not in content:
        failures.append("the demo estimate no longer names table 2.1")
    changed = os.path.join(home, "changed.isx")
    with open(changed, "wb") as f:
        f.write(content.replace(old, "9.99. Таблица, которой нет".encode("cp1251")))

    result = run("open", changed)
    for name, stream in (("stdout", result.stdout), ("stderr", result.stderr)):
        if b"\r" in stream:
            failures.append(f"open: {name} holds a carriage return: {stream!r}")
    stderr = result.stderr.decode("utf-8")
    note = "таблица «9.99. Таблица, которой нет» не найдена, объект рассчитан по таблице «2.1. Здания административные и офисные»"
    if note not in stderr or "\nобъект № 1 " not in stderr:
        failures.append(f"open: the note on the changed table is missing or not on a line of its own: {stderr!r}")

    result = run("price", "--table", "4", "--row", "1", "--qty", "0")
    if result.returncode != 1 or "больше 0".encode() not in result.stderr or result.stdout:
        failures.append(f"price --qty 0: exit {result.returncode}, stdout {result.stdout!r}, stderr {result.stderr!r}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
