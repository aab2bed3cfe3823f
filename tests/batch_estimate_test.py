#!/usr/bin/env python3
"""verdin-batch estimate and words: the demo estimate written as .xls and
.xlsx, read back with independent readers (xlrd, openpyxl), and compared
cell for cell and format for format."""
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
import xlrd

BATCH = sys.argv[1]
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = ["--data", os.path.join(ROOT, "data")]
DEMO = os.path.join(ROOT, "examples", "demo.isx")

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*args):
    return subprocess.run([BATCH, *args], capture_output=True, text=True)


def xls_cells(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    cells = {}
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_NUMBER):
                cells[(r + 1, c + 1)] = cell.value
    return book, sheet, cells


def xlsx_cells(path):
    sheet = openpyxl.load_workbook(path).worksheets[0]
    cells = {}
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is not None:
                cells[(cell.row, cell.column)] = cell.value
    return sheet, cells


with tempfile.TemporaryDirectory() as home:
    os.environ["HOME"] = home
    os.environ["XDG_CONFIG_HOME"] = os.path.join(home, "config")
    os.environ["XDG_DATA_HOME"] = os.path.join(home, "share")

    # words
    result = run("words", "1001001")
    check(result.stdout == "1001001 (Один миллион одна тысяча один ) руб.\n", f"words: {result.stdout!r}")
    check(run("words", "много").returncode == 2, "words with a non-number must be a usage error")

    xls = os.path.join(home, "смета.xls")
    xlsx = os.path.join(home, "смета.xlsx")
    isx = os.path.join(home, "снова.isx")
    first = run(*DATA, "estimate", DEMO, xls, "--save-isx", isx)
    check(first.returncode == 0, f"estimate .xls: {first.returncode} {first.stderr}")
    check(first.stdout.startswith("items: 6\ntotal: "), f"estimate output: {first.stdout!r}")
    check(first.stdout.endswith(f"\nworkbook: {xls}\nisx: {isx}\n"), f"names written: {first.stdout!r}")
    second = run(*DATA, "estimate", DEMO, xlsx)
    check(second.returncode == 0 and second.stdout == first.stdout.replace(f"{xls}\nisx: {isx}", xlsx),
          f"estimate .xlsx: {second.stdout!r} {second.stderr}")
    check(os.path.exists(isx), "--save-isx wrote nothing")
    autosaves = [name for _, _, names in os.walk(home) for name in names if name.endswith("_tmp.isx")]
    check(not autosaves, f"the batch tool wrote autosave copies: {autosaves}")
    with open(isx, "rb") as f:
        saved = f.read().decode("cp1251").split("\r\n")
    with open(DEMO, "rb") as f:
        demo = f.read().decode("cp1251").split("\r\n")
    check(saved[0] == demo[0] and saved[40:] == demo[40:], "the saved input data differ from the opened ones")

    book, sheet, cells = xls_cells(xls)
    xsheet, xcells = xlsx_cells(xlsx)
    # .xlsx keeps 16 significant digits of a number, .xls the exact double.
    same = cells.keys() == xcells.keys() and all(
        abs(v - xcells[k]) <= 1e-9 * max(1.0, abs(v)) if isinstance(v, float) else v == xcells[k]
        for k, v in cells.items())
    check(same, "the .xls and .xlsx sheets hold different cells: " +
          str(set(cells.items()) ^ set(xcells.items()))[:500])
    check(cells.get((1, 1)) == "Приложение №1", f"A1 {cells.get((1, 1))!r}")
    check(cells.get((2, 1)) == "к договору №  2008/11 от 12-08-2026", f"A2 {cells.get((2, 1))!r}")
    check(cells.get((11, 1)) == " 1", "A11 must be the text ' 1'")
    check(isinstance(cells.get((11, 5)), float), "E11 must be a number")
    total_row = [r for (r, c), v in cells.items() if c == 2 and v == "Общая стоимость проектных работ"]
    check(len(total_row) == 1, "no total cost line")
    words = [v for (r, c), v in cells.items() if c == 1 and str(v).startswith("Всего по смете: ")]
    check(len(words) == 1 and "в том числе НДС  - " in words[0], f"words line {words!r}")

    # formats, .xls
    widths = [sheet.colinfo_map[c].width for c in range(5)]
    check(widths == [1024, 19 * 256, 25 * 256, 25 * 256, 13 * 256], f"xls widths {widths}")
    check(sheet.rowinfo_map[5].height == 35 * 20, "row 6 height")
    check(not sheet.show_grid_lines, "xls gridlines")
    check((0, 1, 0, 5) in sheet.merged_cells, "A1:E1 merged")
    xf = book.xf_list[sheet.cell_xf_index(2, 0)]
    font = book.font_list[xf.font_index]
    check(font.weight == 700 and font.height == 220 and font.name == "Times New Roman", "A3 bold 11 Times New Roman")
    head = book.xf_list[sheet.cell_xf_index(9, 2)]
    check(head.border.top_line_style == 1 and head.border.left_line_style == 1, "C10 borders")
    check(book.xf_list[sheet.cell_xf_index(10, 3)].alignment.text_wrapped == 1, "D11 wrapped")

    # formats, .xlsx
    check(abs(xsheet.column_dimensions["B"].width - 19) < 1, f"xlsx width B {xsheet.column_dimensions['B'].width}")
    check(xsheet.row_dimensions[6].height == 35, "xlsx row 6 height")
    check(not xsheet.sheet_view.showGridLines, "xlsx gridlines")
    check("A1:E1" in [str(m) for m in xsheet.merged_cells.ranges], "xlsx A1:E1 merged")
    check(xsheet["A3"].font.b and xsheet["A3"].font.sz == 11, "xlsx A3 bold 11")
    check(abs(xsheet.page_margins.left - 0.78740157480315) < 1e-6, "xlsx left margin")

    # pay-out variant: the estimate total, no charges, no words
    payout = os.path.join(home, "выплата.xls")
    result = run(*DATA, "estimate", DEMO, payout, "--without-charges", "50", "10")
    check(result.returncode == 0, f"pay-out: {result.stderr}")
    _, _, pcells = xls_cells(payout)
    check(any(v == "Зарплата " for v in pcells.values()), "pay-out lines")
    check(any(v == "Всего по смете: " for v in pcells.values()), "pay-out words must be empty")
    check(not any(v == "Общая стоимость проектных работ" for v in pcells.values()), "pay-out has no charges")

    # workbook names: as given with .xls or .xlsx in any case, else ".xls" added
    names = os.path.join(home, "имена")
    os.mkdir(names)
    for given, written in [("смет1", "смет1.xls"), ("smeta", "smeta.xls"), ("СМЕТА.XLS", "СМЕТА.XLS"),
                           ("Смета.Xlsx", "Смета.Xlsx"), ("смета.isx", "смета.isx.xls")]:
        result = run(*DATA, "estimate", DEMO, os.path.join(names, given))
        path = os.path.join(names, written)
        check(result.returncode == 0 and result.stdout.endswith(f"\nworkbook: {path}\n"),
              f"{given}: {result.returncode} {result.stdout!r} {result.stderr}")
        with open(path, "rb") as f:
            magic = f.read(4)
        check(magic == (b"PK\x03\x04" if written.lower().endswith(".xlsx") else b"\xd0\xcf\x11\xe0"),
              f"{given}: wrong format {magic!r}")
    check(sorted(os.listdir(names)) == sorted(["смет1.xls", "smeta.xls", "СМЕТА.XLS", "Смета.Xlsx", "смета.isx.xls"]),
          f"files written: {os.listdir(names)}")

    # usage errors: nothing written, nothing replaced, exit 2 and a Russian reason
    with open(xls, "rb") as f:
        workbook_bytes = f.read()
    for args, reason in [
        ([xls, "--save-isx", xls], "совпадает с книгой сметы"),
        ([os.path.join(home, "смета"), "--save-isx", xls], "совпадает с книгой сметы"),
        ([xls, "--save-isx", os.path.join(home, "имена", "..", "смета.xls")], "совпадает с книгой сметы"),
        ([names + "/"], "указывает на папку"),
        ([names], "указывает на папку"),
        ([DEMO + ".xls", "--save-isx", DEMO + ".xls"], "совпадает с книгой сметы"),
    ]:
        result = run(*DATA, "estimate", DEMO, *args)
        check(result.returncode == 2 and reason in result.stderr and result.stdout == "",
              f"{args}: {result.returncode} {result.stdout!r} {result.stderr}")
    # input data kept in a file named like a workbook are not written over
    shutil.copy(DEMO, os.path.join(names, "данные.xls"))
    for args, reason in [([os.path.join(names, "данные.xls"), os.path.join(names, "..", "имена", "данные")],
                          "совпадает с файлом исходных данных")]:
        result = run(*DATA, "estimate", *args)
        check(result.returncode == 2 and reason in result.stderr and result.stdout == "",
              f"{args}: {result.returncode} {result.stdout!r} {result.stderr}")
    with open(xls, "rb") as f:
        check(f.read() == workbook_bytes, "a refused run changed the workbook")
    check(not os.path.exists(DEMO + ".xls") and not os.path.exists(names + ".xls"), "a refused run wrote a file")

    # errors
    check(run(*DATA, "estimate", DEMO).returncode == 2, "estimate without output is a usage error")
    bad = run(*DATA, "estimate", os.path.join(home, "нет.isx"), xls)
    check(bad.returncode == 1 and "нет.isx" in bad.stderr, f"missing input: {bad.stderr}")
    nowhere = run(*DATA, "estimate", DEMO, os.path.join(home, "нет", "смета.xls"))
    check(nowhere.returncode == 1 and "смета.xls" in nowhere.stderr, f"unwritable output: {nowhere.stderr}")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("batch estimate: all cases passed")
