#!/usr/bin/env python3
"""Compares two pages drawn by pdftoppm as grey-scale PGM pictures.

    compare_pages.py A.pgm B.pgm [LIMIT_PERCENT]

Succeeds when both have the same size and at most LIMIT_PERCENT (default
1) of their pixels differ by more than a quarter of the grey scale: the
same words, lines and bold in the same places, whatever the two systems'
font engines do to a glyph's edge.
"""
import sys


def read_pgm(path):
    with open(path, "rb") as picture:
        data = picture.read()
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position) + 1
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P5" or int(fields[3]) > 255:
        raise ValueError(f"{path}: not an 8-bit grey PGM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[position + 1:position + 1 + width * height]


def main():
    first, second = read_pgm(sys.argv[1]), read_pgm(sys.argv[2])
    limit = float(sys.argv[3]) if len(sys.argv) > 3 else 1.0
    if first[:2] != second[:2]:
        print(f"pages of other sizes: {first[:2]} and {second[:2]}")
        return 1
    differing = sum(1 for a, b in zip(first[2], second[2]) if abs(a - b) > 64)
    share = 100.0 * differing / max(1, len(first[2]))
    print(f"{share:.2f} % of the pixels differ (at most {limit} %)")
    return 0 if share <= limit else 1


if __name__ == "__main__":
    sys.exit(main())
