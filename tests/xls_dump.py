#!/usr/bin/env python3
"""Prints what an .xls workbook holds, as read by xlrd, as one JSON object.

Used by the workbook tests to check the written file with an independent
reader. Usage: xls_dump.py FILE

The object:
  sheets      names of the worksheets in order
  cells       every non-empty cell of the first sheet: row, column (1-based),
              type ("n" number, "s" text, "blank" formatted empty cell,
              "error", "other"), value, font (name, bold, height in twips,
              weight), alignment (horizontal/vertical codes, wrap) and border
              (line style and colour index of each side)
  merged      merged ranges as [first row, last row, first column, last
              column], 1-based and inclusive
  columns     column number -> width in 1/256 of a character
  hidden_columns  column numbers hidden
  rows        row number -> {height in twips, custom, hidden}
  gridlines   whether the sheet shows gridlines
  margins     page margins in inches, read from the raw records (xlrd does
              not keep them)
  records     facts about the raw record stream: the longest record data,
              the CONTINUE records after the SST, the ranges per MERGEDCELLS
              record, the FONT and XF record counts, whether the BOUNDSHEET
              offset points at the worksheet BOF, and whether every EXTSST
              entry points at the start of its string

Exits with 2 and a message on standard error when the file cannot be read.
"""

import json
import struct
import sys

import xlrd
from xlrd import compdoc

KIND = {
    xlrd.XL_CELL_NUMBER: "n",
    xlrd.XL_CELL_TEXT: "s",
    xlrd.XL_CELL_BLANK: "blank",
    xlrd.XL_CELL_ERROR: "error",
}

MARGINS = {0x26: "left", 0x27: "right", 0x28: "top", 0x29: "bottom"}
SST, CONTINUE, EXTSST, BOF, EOF = 0x00FC, 0x003C, 0x00FF, 0x0809, 0x000A


def cell_entry(book, sheet, row, column):
    kind = KIND.get(sheet.cell_type(row, column), "other")
    value = sheet.cell_value(row, column)
    if kind == "error":
        value = xlrd.error_text_from_code.get(value, str(value))
    xf = book.xf_list[sheet.cell_xf_index(row, column)]
    font = book.font_list[xf.font_index]
    border = xf.border
    return {
        "row": row + 1,
        "column": column + 1,
        "type": kind,
        "value": value if kind in ("n", "s", "error") else None,
        "xf": sheet.cell_xf_index(row, column),
        "font": {"name": font.name, "bold": font.weight == 700, "weight": font.weight,
                 "height": font.height, "index": xf.font_index},
        "alignment": {"horizontal": xf.alignment.hor_align, "vertical": xf.alignment.vert_align,
                      "wrap": bool(xf.alignment.text_wrapped)},
        "border": {side: {"style": getattr(border, side + "_line_style"),
                          "colour": getattr(border, side + "_colour_index")}
                   for side in ("left", "right", "top", "bottom")},
    }


def records_of(stream):
    """(position, type, data) of every record of the stream."""
    position = 0
    while position + 4 <= len(stream):
        kind, length = struct.unpack_from("<HH", stream, position)
        yield position, kind, stream[position + 4:position + 4 + length]
        position += 4 + length


def sst_string_starts(pieces):
    """Absolute position and offset in record of each SST string's start.

    pieces: (record position, data) of the SST and its CONTINUE records."""
    starts = []
    piece, at = 0, 8
    count = struct.unpack_from("<I", pieces[0][1], 4)[0]
    for _ in range(count):
        if at >= len(pieces[piece][1]):
            piece, at = piece + 1, 0
        position, data = pieces[piece]
        starts.append((position + 4 + at, 4 + at))
        length, flags = struct.unpack_from("<HB", data, at)
        at += 3
        unit = 2 if flags & 1 else 1
        left = length
        while left:
            take = min(left, (len(pieces[piece][1]) - at) // unit)
            left -= take
            at += take * unit
            if left:  # goes on in the next CONTINUE after a new flags byte
                piece += 1
                unit = 2 if pieces[piece][1][0] & 1 else 1
                at = 1
    return starts


def raw_facts(path):
    with open(path, "rb") as handle:
        stream = compdoc.CompDoc(handle.read()).get_named_stream("Workbook")
    facts = {"max_record_length": 0, "sst_continues": 0, "merged_per_record": [], "fonts": 0, "xfs": 0,
             "boundsheet_points_at_bof": False, "extsst_ok": False, "in_order": True}
    margins = {}
    boundsheet = None
    sst_pieces, extsst = [], None
    previous = None
    for position, kind, data in records_of(stream):
        facts["max_record_length"] = max(facts["max_record_length"], len(data))
        if kind == SST:
            sst_pieces = [(position, data)]
        elif kind == CONTINUE and previous in (SST, CONTINUE) and sst_pieces:
            sst_pieces.append((position, data))
            facts["sst_continues"] += 1
        elif kind == EXTSST:
            extsst = data
        elif kind == 0x0085:
            boundsheet = struct.unpack_from("<I", data, 0)[0]
        elif kind == 0x0031:
            facts["fonts"] += 1
        elif kind == 0x00E0:
            facts["xfs"] += 1
        elif kind == 0x00E5:
            facts["merged_per_record"].append(struct.unpack_from("<H", data, 0)[0])
        elif kind in MARGINS:
            margins[MARGINS[kind]] = struct.unpack_from("<d", data, 0)[0]
        previous = kind
    if boundsheet is not None and boundsheet + 4 <= len(stream):
        kind, _ = struct.unpack_from("<HH", stream, boundsheet)
        dt = struct.unpack_from("<H", stream, boundsheet + 6)[0]
        facts["boundsheet_points_at_bof"] = kind == BOF and dt == 0x0010
    if sst_pieces and extsst is not None:
        starts = sst_string_starts(sst_pieces)
        per_bucket = struct.unpack_from("<H", extsst, 0)[0]
        entries = [struct.unpack_from("<IH", extsst, 2 + 8 * i) for i in range((len(extsst) - 2) // 8)]
        expected = [starts[i] for i in range(0, len(starts), per_bucket)] if per_bucket else None
        facts["extsst_ok"] = per_bucket >= 8 and [tuple(e) for e in entries] == expected
    return facts, margins


def main():
    if len(sys.argv) != 2:
        print("usage: xls_dump.py FILE", file=sys.stderr)
        return 2
    try:
        book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
        facts, margins = raw_facts(sys.argv[1])
    except Exception as error:  # any failure to read is what the caller checks for
        print("xls_dump: %s: %s" % (sys.argv[1], error), file=sys.stderr)
        return 2
    sheet = book.sheet_by_index(0)
    cells = [cell_entry(book, sheet, row, column)
             for row in range(sheet.nrows) for column in range(sheet.ncols)
             if sheet.cell_type(row, column) != xlrd.XL_CELL_EMPTY]
    result = {
        "sheets": book.sheet_names(),
        "cells": cells,
        "merged": [[r0 + 1, r1, c0 + 1, c1] for r0, r1, c0, c1 in sheet.merged_cells],
        "columns": {str(c + 1): info.width for c, info in sorted(sheet.colinfo_map.items())},
        "hidden_columns": [c + 1 for c, info in sorted(sheet.colinfo_map.items()) if info.hidden],
        "rows": {str(r + 1): {"height": info.height, "custom": bool(info.height_mismatch),
                              "hidden": bool(info.hidden)}
                 for r, info in sorted(sheet.rowinfo_map.items())},
        "gridlines": bool(sheet.show_grid_lines),
        "margins": margins,
        "records": facts,
    }
    json.dump(result, sys.stdout, ensure_ascii=True)
    print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
