#!/usr/bin/env python3
"""verdin-batch under hostile conditions, every format: a save ended by
SIGTERM leaves no temporary file, lock file or scratch folder and no torn
file; a full temporary folder changes nothing and a full disk fails the
save with the earlier file kept; files of other naming or of another user
stay; a module cut short is named, not crashed on; the scratch folders of
killed runs are swept; two users of one shared folder exclude each other,
and a lock file another user keeps to himself is named with its owner.
As root the parts for one user run again as an ordinary user (65534), and
the parts that need a second user or a small file system run as well."""
import fcntl
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

BATCH = os.path.abspath(sys.argv[1])
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = ["--data", os.path.join(ROOT, "data")]
DEMO = os.path.join(ROOT, "examples", "demo.isx")
FORMATS = [".xls", ".xlsx", ".pdf"]
ROOT_USER = os.geteuid() == 0
OTHER_USER, SECOND_USER, SHARED_GROUP = 65534, 65533, 100

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def whole(path):
    """Whether a written file is complete: every part of a package whole,
    a PDF ended, a workbook of the size a complete one has."""
    data = open(path, "rb").read()
    if path.endswith(".xlsx"):
        try:
            with zipfile.ZipFile(path) as package:
                if package.testzip() is not None:
                    return False
                for name in package.namelist():
                    part = package.read(name).rstrip()
                    if name.endswith((".xml", ".rels")) and not part.endswith(b">"):
                        return False
            return True
        except zipfile.BadZipFile:
            return False
    if path.endswith(".pdf"):
        return data.startswith(b"%PDF") and data.rstrip().endswith(b"%%EOF")
    if path.endswith(".isx"):
        return len(data) > 0 and data.endswith(b"\r\n")
    return data.startswith(bytes.fromhex("d0cf11e0a1b11ae1")) and len(data) % 512 == 0


class Runner:
    def __init__(self, home, batch=BATCH):
        self.batch = batch
        self.tmp = os.path.join(home, "tmp")
        os.makedirs(self.tmp, exist_ok=True)
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                        XDG_DATA_HOME=os.path.join(home, "share"), TMPDIR=self.tmp)
        for name in ("DISPLAY", "XDG_RUNTIME_DIR", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)

    def command(self, *args):
        return [self.batch, *DATA, *args]

    def run(self, *args, env=None):
        return subprocess.run(self.command(*args), capture_output=True, text=True, env=env or self.env)


def signal_during_every_format(home):
    runner = Runner(home)
    folder = os.path.join(home, "signals")
    os.makedirs(folder)
    for suffix in FORMATS:
        target = os.path.join(folder, "смета" + suffix)
        isx = os.path.join(folder, "смета.isx")
        started = time.monotonic()
        first = runner.run("estimate", DEMO, target, "--save-isx", isx)
        took = time.monotonic() - started
        check(first.returncode == 0, f"{suffix}: first save: {first.stderr}")
        killed = 0
        for step in range(24):
            process = subprocess.Popen(runner.command("estimate", DEMO, target, "--save-isx", isx),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=runner.env)
            time.sleep(took * step / 20)
            process.send_signal(signal.SIGTERM)
            code = process.wait()
            killed += code == -signal.SIGTERM
            check(code in (0, -signal.SIGTERM), f"{suffix}: exit {code} after SIGTERM")
            entries = sorted(os.listdir(folder))
            check(set(entries) <= {os.path.basename(target), "смета.isx"} | set(f"смета{s}" for s in FORMATS),
                  f"{suffix}: left after SIGTERM at step {step}: {entries}")
            check(whole(target) and whole(isx), f"{suffix}: torn file after SIGTERM at step {step}")
            check(os.listdir(runner.tmp) == [], f"{suffix}: left in TMPDIR: {os.listdir(runner.tmp)}")
        check(killed > 0, f"{suffix}: no save was ever ended by the signal")
        print(f"batch_reliability: SIGTERM during {suffix}: {killed} of 24 runs ended by the signal, no litter")


def foreign_files_stay(home):
    runner = Runner(home)
    folder = os.path.join(home, "foreign")
    os.makedirs(folder)
    target = os.path.join(folder, "a.xls")
    foreign = ["a.xls.tmp-42", "a.xls.tmp-7.xls", "x.isx.tmp-1"]
    for name in foreign:
        with open(os.path.join(folder, name), "w") as out:
            out.write("x\n")
    if ROOT_USER:
        foreign.append(".~123456")
        with open(os.path.join(folder, ".~123456"), "w") as out:
            out.write("x\n")
        os.chown(os.path.join(folder, ".~123456"), OTHER_USER, OTHER_USER)
    result = runner.run("estimate", DEMO, target)
    check(result.returncode == 0, f"foreign: {result.stderr}")
    check(sorted(os.listdir(folder)) == sorted(foreign + ["a.xls"]), f"foreign files removed: {os.listdir(folder)}")


def cut_modules_are_named(home):
    alone = os.path.join(home, "bin")
    os.makedirs(alone)
    shutil.copy(BATCH, alone)
    for suffix, module in [(".xls", "verdin-xls.so"), (".xlsx", "verdin-xlsx.so"), (".pdf", "verdin-pdf.so")]:
        source = open(os.path.join(os.path.dirname(BATCH), module), "rb").read()
        with open(os.path.join(alone, module), "wb") as cut:
            cut.write(source[:100000])
    runner = Runner(home, os.path.join(alone, os.path.basename(BATCH)))
    for suffix in FORMATS:
        target = os.path.join(home, "обрезанный модуль" + suffix)
        result = runner.run("estimate", DEMO, target)
        check(result.returncode == 1, f"cut module {suffix}: exit {result.returncode}")
        check("Модуль записи «" in result.stderr and "повреждён" in result.stderr and "обрезан" in result.stderr,
              f"cut module {suffix}: {result.stderr!r}")
        check(not os.path.exists(target), f"cut module {suffix}: a file was written")


def dead_scratch_is_swept(home):
    runner = Runner(home)
    folder = os.path.join(home, "sweep")
    os.makedirs(folder)
    dead = [os.path.join(folder, ".~xlsx-999999999-abcdef"), os.path.join(runner.tmp, "verdin-runtime-999999999-x")]
    for path in dead:
        os.makedirs(path)
        open(os.path.join(path, "book.xlsx"), "w").close()
    for suffix in (".xlsx", ".pdf"):
        result = runner.run("estimate", DEMO, os.path.join(folder, "смета" + suffix))
        check(result.returncode == 0, f"sweep {suffix}: {result.stderr}")
    check(not any(os.path.exists(path) for path in dead), f"dead scratch folders stay: {dead}")
    check(sorted(os.listdir(folder)) == ["смета.pdf", "смета.xlsx"], f"sweep: {os.listdir(folder)}")


def words_name_the_figure(home):
    runner = Runner(home)
    for amount, wanted in [("1,5", "1 (Один ) руб."), ("1,99", "1 (Один ) руб."), ("-2,5", "-2 (Минус два ) руб."),
                           ("7", "7 (Семь ) руб.")]:
        result = runner.run("words", amount)
        check(result.stdout.strip() == wanted, f"words {amount}: {result.stdout!r}")


def full_file_systems(home):
    runner = Runner(home)
    small = os.path.join(home, "small")
    os.makedirs(small)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", small], check=True)
    try:
        # A full temporary folder: the scratch files go beside the target.
        with open(os.path.join(small, "fill"), "wb") as fill:
            try:
                fill.write(b"\0" * (256 << 10))
            except OSError:
                pass
        env = dict(runner.env, TMPDIR=small)
        for suffix in FORMATS:
            target = os.path.join(home, "полная временная" + suffix)
            result = runner.run("estimate", DEMO, target, env=env)
            check(result.returncode == 0 and whole(target), f"full TMPDIR {suffix}: {result.stderr}")
        os.remove(os.path.join(small, "fill"))
        # A full disk under the target: the earlier file stays whole.
        outcomes = {}
        for suffix in FORMATS + [".isx"]:
            target = os.path.join(small, "смета" + suffix)
            for left in (200 << 10, 64 << 10, 40 << 10, 24 << 10, 12 << 10, 6 << 10, 2 << 10, 0):
                for name in os.listdir(small):
                    os.remove(os.path.join(small, name))
                args = ["estimate", DEMO, target] if suffix != ".isx" else \
                    ["estimate", DEMO, os.path.join(home, "рядом.xls"), "--save-isx", target]
                first = runner.run(*args)
                check(first.returncode == 0, f"full disk {suffix}: first save: {first.stderr}")
                before = open(target, "rb").read()
                free = os.statvfs(small).f_bavail * os.statvfs(small).f_frsize
                with open(os.path.join(small, "fill"), "wb") as fill:
                    try:
                        fill.write(b"\0" * max(0, free - left))
                    except OSError:
                        pass
                result = runner.run(*args)
                entries = sorted(os.listdir(small))
                check(entries == sorted(["fill", os.path.basename(target)]), f"full disk {suffix}: left {entries}")
                if result.returncode == 0:
                    check(whole(target), f"full disk {suffix}, {left} bytes left: success with a torn file")
                else:
                    check(open(target, "rb").read() == before, f"full disk {suffix}: the earlier file changed")
                    check("нет места" in result.stderr, f"full disk {suffix}: {result.stderr!r}")
                outcomes.setdefault(suffix, []).append(result.returncode)
        print(f"batch_reliability: full disk, exit codes by room left: {outcomes}")
    finally:
        subprocess.run(["umount", small], check=False)


def as_user(user, group, *command):
    """The command as `user` of `group` with the umask of a shared folder,
    in a home of its own below the current TMPDIR."""
    home = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"home-{user}")
    return ["setpriv", f"--reuid={user}", f"--regid={group}", "--clear-groups", "env", f"HOME={home}",
            f"XDG_CONFIG_HOME={home}/config", f"XDG_DATA_HOME={home}/share", f"TMPDIR={home}", "sh", "-c",
            'umask 002; mkdir -p "$HOME"; exec "$@"', "sh", *command]


def lock_is_held(path):
    """Whether some process holds the lock on `path`, probed without keeping it."""
    try:
        descriptor = os.open(path, os.O_RDONLY)
    except OSError:
        return False
    try:
        fcntl.flock(descriptor, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        return True
    finally:
        os.close(descriptor)
    return False


def shared_folder(home):
    """A runner and a folder «общая папка» in `home` that the users of the
    shared group may all write in (setgid, so files keep the group); home
    and the runner's scratch folder are open to every user."""
    runner = Runner(home)
    os.chmod(home, 0o755)
    shared = os.path.join(home, "общая папка")
    os.makedirs(shared)
    os.chown(shared, 0, SHARED_GROUP)
    os.chmod(shared, 0o2775)
    for path in (home, runner.tmp):
        os.chmod(path, 0o1777)
    return runner, shared


def two_users_share_a_folder(home):
    runner, shared = shared_folder(home)
    target = os.path.join(shared, "shared.pdf")
    isx = os.path.join(shared, "shared.isx")
    env = dict(runner.env, HOME=runner.tmp)
    # Each user saves over the other's files.
    for user in (SECOND_USER, OTHER_USER, SECOND_USER):
        result = subprocess.run(as_user(user, SHARED_GROUP, *runner.command("estimate", DEMO, target, "--save-isx", isx)),
                                capture_output=True, text=True, env=env)
        check(result.returncode == 0, f"user {user} in the shared folder: {result.stderr}")
    # One user's save held between its renames: the other is refused.
    refused = False
    for attempt in range(50):
        holder = subprocess.Popen(as_user(SECOND_USER, SHARED_GROUP,
                                          *runner.command("estimate", DEMO, target, "--save-isx", isx)),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        seen = False
        while holder.poll() is None and not seen:
            seen = any(name.endswith(".lock") for name in os.listdir(shared))
        if not seen:
            holder.wait()
            continue
        os.kill(holder.pid, signal.SIGSTOP)
        locks = [os.path.join(shared, name) for name in os.listdir(shared) if name.endswith(".lock")]
        if not any(lock_is_held(path) for path in locks):
            # Stopped after making the lock file but before locking it, or after
            # releasing it: nothing to be refused by yet.
            os.kill(holder.pid, signal.SIGCONT)
            holder.wait()
            continue
        modes = {oct(os.stat(path).st_mode & 0o777) for path in locks if os.path.exists(path)}
        other = subprocess.run(as_user(OTHER_USER, SHARED_GROUP,
                                       *runner.command("estimate", DEMO, target, "--save-isx", isx)),
                               capture_output=True, text=True, env=env)
        os.kill(holder.pid, signal.SIGCONT)
        check(holder.wait() == 0, "the holding user's save failed")
        check(other.returncode == 1 and "записывается другой программой" in other.stderr,
              f"second user not refused (lock modes {modes}): {other.returncode} {other.stderr!r}")
        refused = True
        print(f"batch_reliability: two users: refused while held (lock file modes {sorted(modes)})")
        break
    check(refused, "the holding save was never caught holding its lock")
    check(sorted(os.listdir(shared)) == ["shared.isx", "shared.pdf"], f"shared folder: {os.listdir(shared)}")


def lock_file_name(name):
    """The name of the lock file the program makes for a file of this name."""
    hash = 0xcbf29ce484222325
    for byte in name.encode():
        hash = ((hash ^ byte) * 0x100000001b3) % 2**64
    return f".~{hash:016x}.lock"


def private_lock_of_another_user(home):
    """A lock file another user made for himself alone (mode 0600, as older
    versions did) is named with its owner: the save stops, writes nothing
    and does not claim that another program is writing."""
    runner, shared = shared_folder(home)
    lock = os.path.join(shared, lock_file_name("shared.xls"))
    open(lock, "w").close()
    os.chown(lock, OTHER_USER, SHARED_GROUP)
    os.chmod(lock, 0o600)
    owner = pwd.getpwuid(OTHER_USER).pw_name
    result = subprocess.run(as_user(SECOND_USER, SHARED_GROUP, *runner.command(
        "estimate", DEMO, os.path.join(shared, "shared.xls"), "--save-isx", os.path.join(shared, "shared.isx"))),
        capture_output=True, text=True, env=dict(runner.env, HOME=runner.tmp))
    check(result.returncode == 1 and f"файл блокировки «{lock}» нельзя открыть" in result.stderr
          and f"пользователь «{owner}» или администратор" in result.stderr
          and "записывается другой программой" not in result.stderr,
          f"a private lock file of another user: {result.returncode} {result.stderr!r}")
    check(sorted(os.listdir(shared)) == [os.path.basename(lock)], f"private lock: {os.listdir(shared)}")


def main():
    one_user = [signal_during_every_format, foreign_files_stay, cut_modules_are_named, dead_scratch_is_swept,
                words_name_the_figure]
    with tempfile.TemporaryDirectory() as home:
        os.chmod(home, 0o755)  # other users reach their shared folder through it
        for part in one_user:
            os.makedirs(os.path.join(home, part.__name__))
            part(os.path.join(home, part.__name__))
        if ROOT_USER and "--as-user" not in sys.argv:
            for part in (full_file_systems, two_users_share_a_folder, private_lock_of_another_user):
                os.makedirs(os.path.join(home, part.__name__))
                part(os.path.join(home, part.__name__))
            again = subprocess.run(["setpriv", f"--reuid={OTHER_USER}", f"--regid={OTHER_USER}", "--clear-groups",
                                    sys.executable, os.path.abspath(__file__), BATCH, "--as-user"],
                                   capture_output=True, text=True, cwd="/")
            sys.stdout.write(again.stdout)
            check(again.returncode == 0, f"as uid {OTHER_USER}: {again.stdout[-2000:]} {again.stderr[-2000:]}")
    for failure in failures:
        print("FAIL:", failure)
    print("batch_reliability:", "ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
