#!/usr/bin/python3
"""The same job as tabrova-dxf, scripted the way a user would with openpyxl and ezdxf: every cell of
the sheet's used range, its column width and row height, its borders as lines, its text at its
alignment and font size, merged areas as one region. For the speed comparison of
bench/large/versus_script.sh; the drawing is not meant to match Tabrova's line for line.

  peer_script.py WORKBOOK.xlsx OUT.dxf
"""
import sys

import ezdxf
import openpyxl
from openpyxl.utils import get_column_letter

CAD_X, CAD_Y, CAD_T = 3.0, 0.43, 0.27  # drawing units per width unit, point of height, point of font


def main(book_path, out_path):
    book = openpyxl.load_workbook(book_path)
    sheet = book.active
    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    for name in ("XLSCellLine", "XLSCellText", "XLSBordLine"):
        doc.layers.add(name)

    widths = []
    for c in range(1, sheet.max_column + 1):
        dim = sheet.column_dimensions[get_column_letter(c)]
        widths.append((dim.width if dim.width else 8.43) * CAD_X)
    heights = []
    for r in range(1, sheet.max_row + 1):
        dim = sheet.row_dimensions[r]
        heights.append((dim.height if dim.height else 15) * CAD_Y)
    xs = [0.0]
    for w in widths:
        xs.append(xs[-1] + w)
    ys = [0.0]
    for h in heights:
        ys.append(ys[-1] - h)

    covered = set()
    spans = {}
    for merged in sheet.merged_cells.ranges:
        spans[(merged.min_row, merged.min_col)] = (merged.max_row, merged.max_col)
        for r in range(merged.min_row, merged.max_row + 1):
            for c in range(merged.min_col, merged.max_col + 1):
                if (r, c) != (merged.min_row, merged.min_col):
                    covered.add((r, c))

    for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
        for cell in row:
            r, c = cell.row, cell.column
            if (r, c) in covered:
                continue
            last_r, last_c = spans.get((r, c), (r, c))
            x0, x1 = xs[c - 1], xs[last_c]
            y0, y1 = ys[r - 1], ys[last_r]
            border = cell.border
            for side, start, end in (("top", (x0, y0), (x1, y0)), ("bottom", (x0, y1), (x1, y1)),
                                     ("left", (x0, y0), (x0, y1)), ("right", (x1, y0), (x1, y1))):
                if getattr(border, side).style:
                    msp.add_line(start, end, dxfattribs={"layer": "XLSBordLine"})
            if cell.value is None:
                continue
            text = str(cell.value)
            height = (cell.font.sz or 11) * CAD_T
            align = cell.alignment.horizontal
            if align == "center":
                x, halign = (x0 + x1) / 2, 1
            elif align == "right" or (align is None and isinstance(cell.value, (int, float))):
                x, halign = x1 - height * 0.8, 2
            else:
                x, halign = x0 + height * 0.8, 0
            y = (y0 + y1) / 2
            msp.add_text(text, dxfattribs={"layer": "XLSCellText", "height": height,
                                           "insert": (x, y), "align_point": (x, y),
                                           "halign": halign, "valign": 2})
    doc.saveas(out_path)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
