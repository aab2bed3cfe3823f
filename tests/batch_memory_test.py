#!/usr/bin/env python3
"""verdin-batch open on input-data files far too large for one: refused at
once with a Russian message that names the file and the limit, without the
memory ever growing near the file's size; and under a memory limit the tool
ends with a Russian message, never with the C++ library's English abort."""
import os
import resource
import subprocess
import sys
import tempfile

BATCH = sys.argv[1]
DATA = sys.argv[2]
PEAK_LIMIT_KB = 100 * 1024

failures = []


def run(args, memory_limit_kb=None):
    def limit():
        if memory_limit_kb is not None:
            size = memory_limit_kb * 1024
            resource.setrlimit(resource.RLIMIT_AS, (size, size))

    return subprocess.run([BATCH, *args], capture_output=True, text=True, preexec_fn=limit)


with tempfile.TemporaryDirectory() as folder:
    cases = [
        ("junk.isx", os.urandom(1024 * 1024) * 20, "файл слишком велик (допустимо не более 4 МБ)"),
        ("line-ends.isx", b"\n" * (30 * 1024 * 1024), "файл слишком велик (допустимо не более 4 МБ)"),
        ("few-bytes-many-lines.isx", b"\r\n" * (2 * 1024 * 1024 - 1),
         "в файле слишком много строк (допустимо не более 100000)"),
    ]
    for name, content, reason in cases:
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(content)
        result = run(["--data", DATA, "open", path])
        if result.returncode != 1:
            failures.append(f"{name}: exit {result.returncode}, expected 1; stderr: {result.stderr}")
        expected = f"Не удалось прочитать файл «{path}»: {reason}."
        if expected not in result.stderr:
            failures.append(f"{name}: stderr {result.stderr!r} lacks {expected!r}")
        os.remove(path)
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    if peak >= PEAK_LIMIT_KB:
        failures.append(f"peak memory {peak} KB on refused files, expected below {PEAK_LIMIT_KB} KB")

    # A file that needs some memory to be read, opened under ever tighter
    # limits: wherever the memory runs out, the message is Russian.
    big = os.path.join(folder, "big.isx")
    with open(big, "wb") as f:
        f.write((b"\xff" * 38 + b"\r\n") * 99000)
    russian = 0
    for limit_kb in range(40_000, 120_001, 5_000):
        result = run(["--data", DATA, "open", big], memory_limit_kb=limit_kb)
        if "terminate called" in result.stderr or "bad_alloc" in result.stderr or result.returncode < 0:
            failures.append(f"limit {limit_kb} KB: exit {result.returncode}, stderr {result.stderr!r}")
        if "Недостаточно памяти" in result.stderr:
            russian += 1
    print(f"runs that ran out of memory and said so in Russian: {russian}")

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
