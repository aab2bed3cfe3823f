#!/usr/bin/env python3
"""verdin-batch price on a small database written here: the worked examples
of the base price, the usage errors and a quantity that is not a number."""
import os
import subprocess
import sys
import tempfile

BATCH = sys.argv[1]

BELOW = "Цб = Цмин - ((Цмин+1 - Цмин) х (Хмин - Хоб) х 0.8 / (Хмин+1 - Хмин)) = "
ABOVE = "Цб = Цмах + ((Цmax - Цmax-1) х (Хоб - Хmax) х 0.8 / (Хmax - Хmax-1)) = "
BETWEEN = "Цб = Цмин + ((Цmax - Цмин) х (Хоб - Хмин) / (Хmax - Хмин)) = "
PROPORTIONAL = "Цб = Ц х Хоб  / Х = "


def write(path, lines):
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp1251"))


def run(*args):
    return subprocess.run([BATCH, *args], capture_output=True, text=True)


failures = []


def expect(args, code, stdout=None, stderr_part=None):
    result = run(*args)
    if result.returncode != code:
        failures.append(f"{args}: exit {result.returncode}, expected {code}; stderr: {result.stderr}")
    if stdout is not None and result.stdout != stdout:
        failures.append(f"{args}: stdout\n{result.stdout!r}\nexpected\n{stdout!r}")
    if stderr_part is not None and stderr_part not in result.stderr:
        failures.append(f"{args}: stderr {result.stderr!r} lacks {stderr_part!r}")


with tempfile.TemporaryDirectory() as home:
    data = os.path.join(home, "data")
    os.makedirs(data)
    write(os.path.join(data, "ВердинПИР_Таблицы.txt"), [
        "\\0. Таблица пользователя", "\\1. Без расчета", "\\2. Процент от СМР",
        "\\2.1. Жилые здания", "/3. Жилые дома",
        "1000; 18552,02; общая площадь, м2", "5000; 83289,25; общая площадь, м2",
        "/4. Один пункт", "100; 50; шт", "/5. Без точек", "\\END"])
    write(os.path.join(data, "ВердинПИР_Котраслевой.txt"), ["Энергетика; 1,1"])
    write(os.path.join(data, "ВердинПИР_Примечания.txt"), ["\\1", "\\END"])
    write(os.path.join(data, "Вердина ПИР СМР.dat"), ["0.5;4.2;4.8;5.5;6.3;7.2", "1;3.9;4.5;5.1;5.9;6.7"])
    os.environ["HOME"] = home
    os.environ["XDG_CONFIG_HOME"] = os.path.join(home, "config")
    os.environ["XDG_DATA_HOME"] = os.path.join(home, "share")
    d = ["--data", data]

    # Row 1 of table 4: between its points, below, above, and on the first.
    for qty, base, text in [
            ("3000", "50920,635",
             BETWEEN + "18552,02 +  (( 83289,25 - 18552,02 ) x ( 3000 - 1000 )  / ( 5000 - 1000 )) = "),
            ("500", "12078,297",
             BELOW + "18552,02 -  (( 83289,25 - 18552,02 ) x ( 1000 - 500 ) x 0.8 / ( 5000 - 1000 )) = "),
            ("6000", "96236,696",
             ABOVE + "83289,25 +  (( 83289,25 - 18552,02 ) x ( 6000 - 5000 ) x 0.8 / ( 5000 - 1000 )) = "),
            ("1000", "18552,02",
             BELOW + "18552,02 -  (( 83289,25 - 18552,02 ) x ( 1000 - 1000 ) x 0.8 / ( 5000 - 1000 )) = "),
    ]:
        expect(d + ["price", "--table", "4", "--row", "1", "--qty", qty], 0,
               "base: " + base + "\nshown: " + base + "\ntext: " + text + "\n")
    expect(d + ["price", "--table", "4", "--row", "2", "--qty", "30"], 0,
           "base: 15\nshown: 15\ntext: " + PROPORTIONAL + "50 x  30  / 100 = \n")
    expect(d + ["price", "--table", "4", "--row", "3", "--qty", "30"], 0, "base: 0\nshown: 0\ntext: \n")
    expect(d + ["price", "--table", "3", "--qty", "0,2", "--category", "1"], 0)
    expect(d + ["price", "--table", "4", "--row", "1", "--qty", "3000.5"], 0)
    # Bad data: exit 1 with the program's message.
    expect(d + ["price", "--table", "4", "--row", "1", "--qty", "abc"], 1, None, "не является числом")
    expect(["--data", os.path.join(home, "none"), "price", "--table", "4", "--row", "1", "--qty", "1"], 1,
           None, "ВердинПИР_Таблицы.txt")
    # A quantity or a result that is no finite number within 1E15: exit 1,
    # nothing on stdout, the reason on stderr.
    for args, reason in [
            (["--table", "4", "--row", "1", "--qty", "1E308"], "в поле «Количество» слишком велико"),
            (["--table", "4", "--row", "1", "--qty", "1,7976931348623157E308"], "слишком велико"),
            (["--table", "4", "--row", "1", "--qty", "-2E15"], "слишком велико"),
            (["--table", "4", "--row", "1", "--qty", "1E14"], "получилась больше 1E+15"),
            (["--table", "4", "--row", "3", "--qty", "1E308"], "в поле «Количество» слишком велико"),
            (["--table", "3", "--qty", "1E16"], "в поле «Цсмр, млн.руб» слишком велико"),
            (["--table", "4", "--row", "1", "--qty", "1E400"], "не является числом")]:
        expect(d + ["price", *args], 1, "", reason)
    # The bound itself is a quantity like any other.
    expect(d + ["price", "--table", "4", "--row", "2", "--qty", "1E15"], 0,
           "base: 500000000000000\nshown: 500000000000000\ntext: " + PROPORTIONAL + "50 x  1E15  / 100 = \n")
    # Bad usage: exit 2.
    expect(d + ["price", "--table", "9", "--row", "1", "--qty", "1"], 2)
    expect(d + ["price", "--table", "4", "--row", "7", "--qty", "1"], 2)
    expect(d + ["price", "--table", "4", "--row", "1"], 2)
    expect(d + ["price", "--table", "3", "--qty", "1", "--category", "6"], 2)
    expect(d + ["price", "--table", "4", "--row", "1", "--qty", "1", "--colour", "red"], 2)
    expect(d + ["frobnicate"], 2)
    # open: the shipped demo estimate on the shipped demo database.
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    demo = ["--data", os.path.join(root, "data")]
    result = run(*demo, "open", os.path.join(root, "examples", "demo.isx"))
    if result.returncode != 0 or "Всего без НДС: " not in result.stdout or len(result.stdout.splitlines()) != 8:
        failures.append(f"open demo.isx: exit {result.returncode}\n{result.stdout}{result.stderr}")
    expect(demo + ["open", os.path.join(home, "нет.isx")], 1, None, "нет.isx")
    expect(demo + ["open"], 2)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("batch price: all cases passed")
