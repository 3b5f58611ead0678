#!/usr/bin/python3
"""Text of the documents whose readers are Python libraries, for xdoc2txt.

  xdoc2txt-read.py xls FILE    an Excel 95/97-2003 workbook, through xlrd
  xdoc2txt-read.py ods FILE    a flat OpenDocument spreadsheet (.fods)
  xdoc2txt-read.py odp FILE    a flat OpenDocument presentation (.fodp)

Writes UTF-8 to standard output. Spreadsheets: every sheet, a row a line,
cells separated by tabs, an empty line between sheets (line breaks and tabs
inside a cell become spaces). Presentations: every slide's paragraphs in
order, an empty line between slides, speaker notes left out.
Exit status 0 on success, 1 when the file cannot be read, 2 on wrong
arguments, 3 when a library this needs is missing.
"""

import sys

MISSING = 3


def cell_text(text):
    return " ".join(str(text).replace("\r\n", "\n").replace("\r", "\n").replace("\t", "\n").split("\n"))


def sheet_lines(rows):
    """Lines of one sheet: trailing empty cells and rows dropped."""
    lines = []
    for row in rows:
        while row and row[-1] == "":
            row.pop()
        lines.append("\t".join(row))
    while lines and lines[-1] == "":
        lines.pop()
    return lines


def write_sheets(sheets):
    blocks = ["\n".join(lines) for lines in sheets if lines]
    sys.stdout.buffer.write(("\n\n".join(blocks) + "\n" if blocks else "").encode("utf-8"))


def number_text(value):
    if value == int(value) and abs(value) < 1e15:
        return str(int(value))
    return repr(value)


def read_xls(path):
    try:
        import xlrd
    except ImportError:
        print("python3-xlrd is not installed", file=sys.stderr)
        return MISSING

    def value_text(cell, datemode):
        kind, value = cell.ctype, cell.value
        if kind in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            return ""
        if kind == xlrd.XL_CELL_NUMBER:
            return number_text(value)
        if kind == xlrd.XL_CELL_DATE:
            try:
                y, mo, d, h, mi, s = xlrd.xldate_as_tuple(value, datemode)
            except (xlrd.xldate.XLDateError, ValueError):
                return number_text(value)
            date = "%04d-%02d-%02d" % (y, mo, d)
            time = "%02d:%02d:%02d" % (h, mi, s)
            if y == 0:
                return time
            return date if (h, mi, s) == (0, 0, 0) else date + " " + time
        if kind == xlrd.XL_CELL_BOOLEAN:
            return "TRUE" if value else "FALSE"
        if kind == xlrd.XL_CELL_ERROR:
            return xlrd.error_text_from_code.get(value, "#ERROR")
        return cell_text(value)

    try:
        book = xlrd.open_workbook(path, on_demand=True)
        sheets = []
        for index in range(book.nsheets):
            sheet = book.sheet_by_index(index)
            rows = [[value_text(sheet.cell(r, c), book.datemode) for c in range(sheet.ncols)]
                    for r in range(sheet.nrows)]
            sheets.append(sheet_lines(rows))
            book.unload_sheet(index)
    except Exception as error:  # xlrd raises many kinds on damaged files
        print("xlrd: %s" % error, file=sys.stderr)
        return 1
    write_sheets(sheets)
    return 0


OFFICE = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
TABLE = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
TEXT = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
DRAW = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
PRESENTATION = "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"


def q(namespace, name):
    return "{%s}%s" % (namespace, name)


def paragraph_text(element):
    """The text of a text:p or text:h, its spaces, tabs and breaks kept."""
    parts = [element.text or ""]
    for child in element:
        if child.tag == q(TEXT, "s"):
            parts.append(" " * int(child.get(q(TEXT, "c"), "1")))
        elif child.tag == q(TEXT, "tab"):
            parts.append("\t")
        elif child.tag == q(TEXT, "line-break"):
            parts.append("\n")
        elif child.tag not in (q(TEXT, "note"), q(OFFICE, "annotation")):
            parts.append(paragraph_text(child))
        parts.append(child.tail or "")
    return "".join(parts)


def parse(path, kind):
    """The root element of a flat OpenDocument file; None (said why) when it cannot be read."""
    import xml.etree.ElementTree as ElementTree
    try:
        return ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError) as error:
        print("flat %s: %s" % (kind, error), file=sys.stderr)
        return None


def read_ods(path):
    root = parse(path, "spreadsheet")
    if root is None:
        return 1
    sheets = []
    for table in root.iter(q(TABLE, "table")):
        rows, empty_rows = [], 0
        for row in table.iter(q(TABLE, "table-row")):
            cells, empty_cells = [], 0
            for cell in row:
                if cell.tag not in (q(TABLE, "table-cell"), q(TABLE, "covered-table-cell")):
                    continue
                text = cell_text("\n".join(paragraph_text(p) for p in cell.iter(q(TEXT, "p"))))
                repeat = int(cell.get(q(TABLE, "number-columns-repeated"), "1"))
                if text == "":
                    empty_cells += repeat  # written only when a value follows
                    continue
                cells.extend([""] * empty_cells + [text] * repeat)
                empty_cells = 0
            repeat = int(row.get(q(TABLE, "number-rows-repeated"), "1"))
            if not cells:
                empty_rows += repeat
                continue
            rows.extend([[]] * empty_rows + [list(cells) for _ in range(repeat)])
            empty_rows = 0
        sheets.append(sheet_lines(rows))
    write_sheets(sheets)
    return 0


def read_odp(path):
    root = parse(path, "presentation")
    if root is None:
        return 1
    slides = []

    def collect(element, lines):
        for child in element:
            if child.tag == q(PRESENTATION, "notes"):
                continue
            if child.tag in (q(TEXT, "p"), q(TEXT, "h")):
                text = paragraph_text(child)
                if text.strip():
                    lines.append(text)
            else:
                collect(child, lines)

    for page in root.iter(q(DRAW, "page")):
        lines = []
        collect(page, lines)
        if lines:
            slides.append("\n".join(lines))
    sys.stdout.buffer.write(("\n\n".join(slides) + "\n" if slides else "").encode("utf-8"))
    return 0


def main(argv):
    readers = {"xls": read_xls, "ods": read_ods, "odp": read_odp}
    if len(argv) != 3 or argv[1] not in readers:
        print("usage: xdoc2txt-read.py xls|ods|odp FILE", file=sys.stderr)
        return 2
    return readers[argv[1]](argv[2])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
