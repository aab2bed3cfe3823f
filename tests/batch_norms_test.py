#!/usr/bin/env python3
"""verdin-batch export-norms / import-norms / norms-info on a copy of the
demo database: a table of damaged workbooks (made here with openpyxl or
as raw zip archives), each refused with the named problem and leaving the
database byte for byte as it was; an import killed at random moments
leaves the old database or the new one, never a mix."""
import io
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

import openpyxl

BATCH = os.path.abspath(sys.argv[1])
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NAMES = ["ВердинПИР_Таблицы.txt", "ВердинПИР_Котраслевой.txt", "ВердинПИР_Примечания.txt", "Вердина ПИР СМР.dat"]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(data, *args):
    return subprocess.run([BATCH, "--data", data, *args], capture_output=True, text=True, env=ENV)


def database(folder):
    return [open(os.path.join(folder, name), "rb").read() for name in NAMES]


def full_size_database(folder):
    """200 tables of 30 rows of 30 points, as the benchmarks make it."""
    os.makedirs(folder, exist_ok=True)
    lines = ["* Полноразмерная база"]
    for t in range(1, 201):
        lines.append(f"\\{t}.1. Таблица базовых цен № {t}")
        for r in range(1, 31):
            lines.append(f"/{r}. Здания и сооружения, пункт {r}")
            for p in range(1, 31):
                lines.append(f"{100 * p * p}; {p * 1000 + t},{r:02d}; общая площадь, м2")
    lines.append("\\END")
    files = [lines, [f"Отрасль {n}; 1,0{n % 10}" for n in range(1, 51)],
             [f"\\Примечание к таблице {k}" for k in range(1, 201)] + ["\\END"],
             [f"{i}.5;4.2;4.8;5.5;6.3;7.2" for i in range(1, 51)]]
    for name, content in zip(NAMES, files):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(("\r\n".join(content) + "\r\n").encode("cp1251"))


def edited(source, change):
    def make(target):
        book = openpyxl.load_workbook(source)
        change(book)
        book.save(target)
    return make


def cell(sheet, address, value):
    return edited(EXPORTED, lambda book: book[sheet].__setitem__(address, value))


def raw(data):
    def make(target):
        with open(target, "wb") as out:
            out.write(data)
    return make


def workbook_zip(sheet_xml_size, declared=None):
    """A minimal workbook whose one sheet unpacks to sheet_xml_size bytes;
    `declared` overwrites the size the archive's directory gives."""
    def make(target):
        rows = b"<row><c t=\"inlineStr\"><is><t>x</t></is></c></row>"
        body = io.BytesIO()
        with zipfile.ZipFile(body, "w", zipfile.ZIP_DEFLATED) as archive:
            archive.writestr("xl/workbook.xml", '<workbook xmlns:r="r"><sheets><sheet name="Таблицы" r:id="rId1"/>'
                             "</sheets></workbook>")
            archive.writestr("xl/_rels/workbook.xml.rels",
                             '<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>')
            with archive.open("xl/worksheets/sheet1.xml", "w", force_zip64=False) as sheet:
                sheet.write(b"<worksheet><sheetData>")
                chunk = rows * 20000
                written = 0
                while written < sheet_xml_size:
                    sheet.write(chunk)
                    written += len(chunk)
                sheet.write(b"</sheetData></worksheet>")
        data = bytearray(body.getvalue())
        if declared is not None:
            # The size fields of the local header and of the directory entry.
            name = b"xl/worksheets/sheet1.xml"
            local = data.find(b"PK\x03\x04" + data[4:4])
            while local >= 0:
                if data[local + 30:local + 30 + len(name)] == name:
                    data[local + 22:local + 26] = declared.to_bytes(4, "little")
                local = data.find(b"PK\x03\x04", local + 4)
            central = data.find(b"PK\x01\x02")
            while central >= 0:
                if data[central + 46:central + 46 + len(name)] == name:
                    data[central + 24:central + 28] = declared.to_bytes(4, "little")
                central = data.find(b"PK\x01\x02", central + 4)
        with open(target, "wb") as out:
            out.write(data)
    return make


def table_with_rows(count):
    def change(book):
        sheet = book["Таблицы"]
        for r in range(1, count + 1):
            sheet.append([11, "Новая таблица" if r == 1 else None, r, f"Пункт {r}", 10, 5, "м2"])
    return edited(EXPORTED, change)


def point_rows(count):
    def change(book):
        sheet = book["Таблицы"]
        for p in range(1, count + 1):
            sheet.append([11, "Новая таблица" if p == 1 else None, 1, "Пункт" if p == 1 else None, p, 5, "м2"])
    return edited(EXPORTED, change)


with tempfile.TemporaryDirectory() as home:
    ENV = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "share"), XDG_RUNTIME_DIR=home)
    ENV.pop("DISPLAY", None)
    data = os.path.join(home, "база норм")
    shutil.copytree(os.path.join(ROOT, "data"), data)
    EXPORTED = os.path.join(home, "нормы.xlsx")
    result = run(data, "export-norms", EXPORTED)
    check(result.returncode == 0, f"export: {result.returncode} {result.stderr}")
    before = database(data)

    # The workbook and what the problem list must say.
    cases = [
        ("negative price", cell("Таблицы", "F6", -5), "Лист «Таблицы», ячейка F6: цена «-5» отрицательна"),
        ("points not rising", cell("Таблицы", "E6", 100), "ячейка E6: показатель «100» не больше предыдущего"),
        ("empty table title", cell("Таблицы", "B5", None), "ячейка B5: не указано: название таблицы"),
        ("empty row title", cell("Таблицы", "D5", " "), "ячейка D5: не указано: название пункта"),
        ("unit missing", cell("Таблицы", "G5", None), "ячейка G5: не указано: единица измерения"),
        ("table number repeated", cell("Таблицы", "A40", 4), "уже была выше"),
        ("row number repeated", cell("Таблицы", "C20", 1), "уже был выше"),
        ("table number skipped", cell("Таблицы", "A2", 2), "ячейка A2: после таблицы 0 ожидалась таблица 1, а не 2"),
        ("too many rows", table_with_rows(31), "больше 30 пунктов"),
        ("too many points", point_rows(31), "больше 30 точек"),
        ("title too long", cell("Таблицы", "B5", "а" * 501), "длиннее 500 знаков"),
        ("not in Windows-1251", cell("Таблицы", "D5", "Пункт ★"), "нет в кодировке Windows-1251"),
        ("title END", cell("Таблицы", "B5", "END"), "«END»"),
        ("text in a number cell", cell("Таблицы", "F6", "дорого"), "ячейка F6: «дорого» не является числом"),
        ("number as text", cell("Таблицы", "F6", "12,5"), "записано как текст"),
        ("formula", cell("Таблицы", "F6", "=F5*2"), "ячейка F6: формула «=F5*2»"),
        ("merged cells", edited(EXPORTED, lambda book: book["Таблицы"].merge_cells("B6:B7")), "B6:B7 объединены"),
        ("empty line", edited(EXPORTED, lambda book: book["Таблицы"].insert_rows(20)), "строка 20: пустая строка"),
        ("wrong sheet name", edited(EXPORTED, lambda book: setattr(book["Примечания"], "title", "Примечание")),
         "нет листа «Примечания»"),
        ("wrong heading", cell("Таблицы", "C1", "Номер"), "ожидался заголовок столбца «Пункт»"),
        ("negative coefficient", cell("Отраслевые коэффициенты", "B3", -1.05), "коэффициент «-1,05» отрицателен"),
        ("coefficient without name", cell("Отраслевые коэффициенты", "A3", None), "наименование коэффициента"),
        ("percentages not rising", cell("Проценты СМР", "A3", 0.1), "должна быть больше, чем в строке выше"),
        ("negative percentage", cell("Проценты СМР", "C3", -4), "процент «-4» отрицательный"),
        ("note line with a backslash", cell("Примечания", "B3", "Примечание\n\\вторая строка"), "знаком «\\»"),
        ("100 MB sheet", workbook_zip(100 * 1024 * 1024), "слишком велик"),
        ("zip bomb", workbook_zip(300 * 1024 * 1024), "слишком велик"),
        ("zip bomb with false sizes", workbook_zip(300 * 1024 * 1024, declared=1000), "архив книги поврежден"),
        ("not a workbook", raw("Это не книга, а текст.\n".encode()), "это не книга Excel"),
        ("zip without a workbook", raw(zipfile_bytes := (lambda: (
            lambda buffer: (zipfile.ZipFile(buffer, "w").writestr("readme.txt", "x"), buffer.getvalue())[1])(
                io.BytesIO()))()), "нет части xl/workbook.xml"),
    ]
    for name, make, problem in cases:
        target = os.path.join(home, "испорченная.xlsx")
        make(target)
        result = run(data, "import-norms", target)
        check(result.returncode == 1, f"{name}: exit {result.returncode}")
        check(problem in result.stderr, f"{name}: «{problem}» not in: {result.stderr[:600]}")
        check(database(data) == before, f"{name}: the database changed")
        check(not [f for f in os.listdir(data) if f.endswith(".bak") or f.startswith(".~")],
              f"{name}: left {os.listdir(data)}")

    # A clean import of an edited workbook: one price changed.
    book = openpyxl.load_workbook(EXPORTED)
    book["Таблицы"]["F5"] = 13000.5
    edited_book = os.path.join(home, "правка.xlsx")
    book.save(edited_book)
    result = run(data, "import-norms", edited_book)
    check(result.returncode == 0, f"edited import: {result.returncode} {result.stderr}")
    check("500; 13000,50; общая площадь, м2" in open(os.path.join(data, NAMES[0]), "rb").read().decode("cp1251"),
          "edited price not written")
    check(open(os.path.join(data, NAMES[0] + ".bak"), "rb").read() == before[0], "no .bak of the old tables")
    info = run(data, "norms-info")
    check(info.returncode == 0 and "tables: 10" in info.stdout, f"norms-info: {info.stdout} {info.stderr}")

    # Killed half-way: the database is the old or the new one, whole.
    old_folder = os.path.join(home, "старая")
    shutil.copytree(os.path.join(ROOT, "data"), old_folder)
    full = os.path.join(home, "полная")
    full_size_database(full)
    full_book = os.path.join(home, "полная.xlsx")
    check(run(full, "export-norms", full_book).returncode == 0, "full-size export failed")
    new = database(full)
    old = database(old_folder)
    started = time.monotonic()
    check(run(old_folder, "import-norms", full_book).returncode == 0, "full-size import failed")
    duration = time.monotonic() - started
    check(database(old_folder) == new, "full-size import is not byte-identical")
    random.seed(7)
    outcomes = set()
    for attempt in range(12):
        target = os.path.join(home, f"убитая{attempt}")
        shutil.copytree(os.path.join(ROOT, "data"), target)
        process = subprocess.Popen([BATCH, "--data", target, "import-norms", full_book], env=ENV,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(random.uniform(0.6, 1.1) * duration)
        process.send_signal(signal.SIGKILL)
        process.wait()
        info = run(target, "norms-info")  # the next load completes or drops the broken-off import
        now = database(target)
        check(now in (old, new), f"killed import {attempt}: a mix of old and new files")
        check(info.returncode == 0, f"killed import {attempt}: norms-info {info.stderr}")
        outcomes.add("new" if now == new else "old")
    print(f"full-size import {duration:.2f} s; killed imports left:", sorted(outcomes))

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("ok")
