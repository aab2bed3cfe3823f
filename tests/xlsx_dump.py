#!/usr/bin/env python3
"""Prints what an .xlsx workbook holds, as read by openpyxl, as one JSON object.

Used by the workbook tests to check the written file with an independent
reader. Usage: xlsx_dump.py FILE

The object:
  sheets      names of the worksheets in order
  cells       every stored cell of the first sheet: row, column (1-based),
              type ("n" number, "s" text, "blank" formatted empty cell,
              or openpyxl's data type), value, font, alignment, border.
              The format is the cell's own one, also inside a merged range
              (openpyxl itself shows there the first cell's borders), so it
              is looked up from the style index the sheet's XML stores.
  merged      merged ranges ("A1:E1")
  columns     column letter -> stored width, for columns with a width
  rows        row number -> height in points, for rows with a height
  gridlines   showGridLines of the sheet view
  margins     page margins in inches
"""

import json
import posixpath
import re
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

import openpyxl
from openpyxl.utils.cell import coordinate_from_string, column_index_from_string

MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
RELATIONSHIPS = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
PACKAGE_RELATIONSHIPS = "{http://schemas.openxmlformats.org/package/2006/relationships}"


def side(border_side):
    return border_side.style if border_side is not None else None


ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")


def decoded(text):
    """A stored text as a spreadsheet shows it: "_xHHHH_" is the character
    HHHH, so "_x005F_" is a literal underscore."""
    return ESCAPE.sub(lambda match: chr(int(match.group(1), 16)), text)


def workbook_parts(package):
    """(first worksheet part, shared strings part or None) of the package."""
    book = ElementTree.fromstring(package.read("xl/workbook.xml"))
    first_id = book.find(MAIN + "sheets")[0].get(RELATIONSHIPS + "id")
    relations = ElementTree.fromstring(package.read("xl/_rels/workbook.xml.rels"))
    sheet_part = None
    strings_part = None
    for relation in relations.findall(PACKAGE_RELATIONSHIPS + "Relationship"):
        target = relation.get("Target")
        part = target[1:] if target.startswith("/") else posixpath.normpath(posixpath.join("xl", target))
        if relation.get("Id") == first_id:
            sheet_part = part
        elif relation.get("Type", "").endswith("/sharedStrings"):
            strings_part = part
    if sheet_part is None:
        raise SystemExit("no first worksheet")
    return sheet_part, strings_part


def shared_strings(package, part):
    """The shared texts, read from the XML itself: this openpyxl mangles
    escaped underscores."""
    if part is None:
        return []
    table = ElementTree.fromstring(package.read(part))
    texts = []
    for item in table.findall(MAIN + "si"):
        pieces = [node.text or "" for node in item.iter(MAIN + "t")
                  if node not in set(item.iter(MAIN + "rPh"))]
        texts.append("".join(pieces))
    return texts


def stored_cells(file):
    """(row, column, style index, shared text or None) of every <c> element
    of the first sheet."""
    with zipfile.ZipFile(file) as package:
        sheet_part, strings_part = workbook_parts(package)
        sheet = ElementTree.fromstring(package.read(sheet_part))
        strings = shared_strings(package, strings_part)
    cells = []
    for element in sheet.iter(MAIN + "c"):
        letters, row = coordinate_from_string(element.get("r"))
        text = None
        if element.get("t") == "s":
            text = strings[int(element.find(MAIN + "v").text)]
        elif element.get("t") == "inlineStr":
            text = "".join(node.text or "" for node in element.iter(MAIN + "t"))
        cells.append((row, column_index_from_string(letters), int(element.get("s", "0")), text))
    return sorted(cells, key=lambda cell: cell[:2])


def cell_entry(book, sheet, row, column, style_index, text):
    cell = sheet.cell(row=row, column=column)
    if text is not None:
        kind = "s"
    elif cell.value is None:
        kind = "blank"
    elif cell.data_type == "n":
        kind = "n"
    elif cell.data_type == "s":
        kind = "s"
    else:
        kind = cell.data_type
    value = cell.value
    if text is not None:
        value = decoded(text)
    elif isinstance(value, bool) or not isinstance(value, (int, float, type(None))):
        value = str(value)
    style = book._cell_styles[style_index]
    font = book._fonts[style.fontId]
    alignment = book._alignments[style.alignmentId]
    border = book._borders[style.borderId]
    return {
        "row": row,
        "column": column,
        "type": kind,
        "value": value,
        "font": {"name": font.name, "bold": bool(font.b), "size": font.sz},
        "alignment": {
            "horizontal": alignment.horizontal,
            "vertical": alignment.vertical,
            "wrap": bool(alignment.wrap_text),
        },
        "border": {
            "left": side(border.left),
            "top": side(border.top),
            "right": side(border.right),
            "bottom": side(border.bottom),
        },
    }


def main():
    if len(sys.argv) != 2:
        print("usage: xlsx_dump.py FILE", file=sys.stderr)
        return 2
    file = sys.argv[1]
    book = openpyxl.load_workbook(file)
    sheet = book.worksheets[0]
    cells = [cell_entry(book, sheet, *stored) for stored in stored_cells(file)]
    columns = {
        letter: dimension.width
        for letter, dimension in sorted(sheet.column_dimensions.items())
        if dimension.customWidth
    }
    rows = {
        str(number): dimension.height
        for number, dimension in sorted(sheet.row_dimensions.items())
        if dimension.height is not None
    }
    margins = sheet.page_margins
    result = {
        "sheets": book.sheetnames,
        "cells": cells,
        "merged": sorted(str(merged) for merged in sheet.merged_cells.ranges),
        "columns": columns,
        "rows": rows,
        "gridlines": sheet.sheet_view.showGridLines,
        "margins": {
            "left": margins.left,
            "right": margins.right,
            "top": margins.top,
            "bottom": margins.bottom,
        },
    }
    json.dump(result, sys.stdout, ensure_ascii=True)
    sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
