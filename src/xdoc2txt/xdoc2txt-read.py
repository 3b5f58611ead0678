#!/usr/bin/python3
"""Text of the documents whose readers are Python libraries, for xdoc2txt.

  xdoc2txt-read.py xls FILE    an Excel 95/97-2003 workbook, through xlrd
  xdoc2txt-read.py ods FILE    a flat OpenDocument spreadsheet (.fods)
  xdoc2txt-read.py odp FILE    a flat OpenDocument presentation (.fodp)

Writes UTF-8 to standard output. Spreadsheets: every sheet, a row a line,
cells separated by tabs, an empty line between sheets (line breaks and tabs
inside a cell become spaces); a number as the sheet shows it, under its
number format where that is digits, grouping, decimals, percent and text,
else with up to 15 significant digits; a number that is none (NaN, an
infinity) as #NUM!. Presentations: every slide's paragraphs in order, an
empty line between slides, speaker notes left out. Comments on cells and
slides are left out.
Exit status 0 on success, 1 when the file cannot be read, 2 on wrong
arguments, 3 when a library this needs is missing.
"""

import argparse
import decimal
import enum
import importlib.util
import math
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zipfile


class Exit(enum.IntEnum):
    """The exit status, as xdoc2txt reads it (format_readers.cpp)."""

    OK = 0
    FAILED = 1  # the file cannot be read
    USAGE = 2  # wrong arguments
    MISSING = 3  # a library this needs is missing


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


# Numbers as a spreadsheet shows them.

NOT_A_NUMBER = "#NUM!"  # what a spreadsheet shows for a NaN or an infinity
SIGNIFICANT_DIGITS = 15

# One piece of a number format code.
FORMAT_PIECE = re.compile(r"""
      "(?P<quoted>[^"]*)"?         # text in quotes
    | \\(?P<escaped>.)             # one character as is
    | [_*].                        # padding and fill: nothing in a text
    | \[(?P<bracket>[^\]]*)\]      # a colour, a currency, a condition
    | (?P<general>General)
    | (?P<placeholder>[0#?])
    | (?P<other>.)
""", re.VERBOSE | re.IGNORECASE | re.DOTALL)
# Characters shown as they are in a format code; letters (dates, times,
# exponents) and @, / are beyond this reader.
FORMAT_LITERALS = re.compile(r"[^A-Za-z@/]")


class FormatBeyondReader(ValueError):
    """A number format code that only a spreadsheet shows."""


def general_number(value):
    """A number in General format: up to 15 significant digits, no trailing
    zeros, an exponent for the very large and the very small."""
    text = "%.*g" % (SIGNIFICANT_DIGITS, value)
    return "0" if text == "-0" else text.replace("e", "E")


def format_sections(code):
    """The pieces of each ;-separated section of a number format code: a
    list of (kind, text) per section, kind "beyond" for what only a
    spreadsheet shows."""
    sections = [[]]
    for piece in FORMAT_PIECE.finditer(code):
        kind = piece.lastgroup
        if kind is None:
            continue  # padding or fill
        text = piece.group(kind)
        if kind == "other" and text == ";":
            sections.append([])
            continue
        if kind == "bracket":
            if text.startswith("$"):  # [$€-407]: the currency symbol
                kind, text = "quoted", text[1:].split("-", 1)[0]
            elif text.isalpha() or text.lower().startswith("color"):
                continue  # a colour
            else:  # a condition (which picks the section), an elapsed time
                raise FormatBeyondReader(code)
        elif kind == "other" and text not in ".,%" and not FORMAT_LITERALS.fullmatch(text):
            kind = "beyond"
        sections[-1].append((kind, text))
    return sections


def section_for(sections, value):
    """The section that shows the value, and whether it needs a minus sign."""
    if value < 0 and len(sections) >= 2:
        return sections[1], False
    if value == 0 and len(sections) >= 3:
        return sections[2], False
    return sections[0], value < 0


def formatted_number(value, code):
    """A finite number as its format code shows it; FormatBeyondReader when
    the code has more than digits, grouping, decimals, percent and text."""
    section, minus = section_for(format_sections(code), value)
    before, after = [], []  # the text around the number
    integer, decimals = "", None  # the digit placeholders (and commas) before and after the point
    general, percent = False, 0
    for kind, text in section:
        digits = kind in ("placeholder", "general") or kind == "other" and text in ".,"
        if kind == "beyond" or digits and after:
            raise FormatBeyondReader(code)  # dates, exponents, fractions, text between digits
        if kind == "general":
            general = True
        elif digits and text == "." and decimals is None and (integer or general):
            decimals = ""
        elif digits and decimals is None and not general and (text != "," or integer):
            integer += text
        elif kind == "placeholder" and decimals is not None:
            decimals += text
        elif digits:
            raise FormatBeyondReader(code)  # a second point, a comma out of place
        else:
            percent += kind == "other" and text == "%"
            (after if general or integer or decimals is not None else before).append(text)
    if integer.endswith(","):
        raise FormatBeyondReader(code)  # thousands scaled away
    if general:
        shown = general_number(abs(value))
    elif not integer:
        shown = ""  # a section of text only
    else:
        places = len(decimals or "")
        number = decimal.Decimal("%.*g" % (SIGNIFICANT_DIGITS, abs(value))).scaleb(2 * percent)
        number = number.quantize(decimal.Decimal(1).scaleb(-places), decimal.ROUND_HALF_UP)
        minus = minus and number != 0
        grouped = "," in integer
        whole, _, fraction = format(number, ",f" if grouped else "f").partition(".")
        if whole == "0" and "0" not in integer:
            whole = ""
        elif not grouped:
            whole = whole.zfill(integer.count("0"))
        if decimals is not None:
            whole += "." + fraction.rstrip("0").ljust(len(decimals.rstrip("#?")), "0")
        shown = whole
    return ("-" if minus else "") + "".join(before) + shown + "".join(after)


def number_text(value, code=None):
    """A number as a spreadsheet shows it under its format code (None: General)."""
    if not math.isfinite(value):
        return NOT_A_NUMBER
    if code and code.lower() != "general":
        try:
            return formatted_number(value, code)
        except FormatBeyondReader:
            pass
    return general_number(value)


# Excel workbooks, through xlrd.

ZIP_SIGNATURE = b"PK\x03\x04"


def read_xls(path):
    if importlib.util.find_spec("xlrd") is None:
        print("python3-xlrd is not installed", file=sys.stderr)
        return Exit.MISSING
    import xlrd
    import xlrd.compdoc

    # What xlrd raises on a damaged file: its own errors and those of its
    # record parsing (unpacking, indexing, decoding, its assertions), and of
    # its reader of Excel 2007 packages.
    damaged = (OSError, xlrd.XLRDError, xlrd.compdoc.CompDocError, struct.error, AssertionError,
               ArithmeticError, LookupError, RecursionError, TypeError, ValueError,
               zipfile.BadZipFile, ElementTree.ParseError)

    def number_format(book, cell):
        """The cell's number format code; None when xlrd did not read it."""
        if cell.xf_index is None or cell.xf_index >= len(book.xf_list):
            return None
        found = book.format_map.get(book.xf_list[cell.xf_index].format_key)
        return found.format_str if found else None

    def value_text(book, cell):
        kind, value = cell.ctype, cell.value
        if kind in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            return ""
        if kind == xlrd.XL_CELL_NUMBER:
            return number_text(value, number_format(book, cell))
        if kind == xlrd.XL_CELL_DATE:
            try:
                y, mo, d, h, mi, s = xlrd.xldate_as_tuple(value, book.datemode)
            except (xlrd.xldate.XLDateError, ValueError, OverflowError):
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
        with open(path, "rb") as file:
            package = file.read(len(ZIP_SIGNATURE)) == ZIP_SIGNATURE
        # Number formats: xlrd reads them from workbooks, not from packages.
        book = xlrd.open_workbook(path, on_demand=True, formatting_info=not package)
        sheets = []
        for index in range(book.nsheets):
            sheet = book.sheet_by_index(index)
            rows = [[value_text(book, sheet.cell(r, c)) for c in range(sheet.ncols)]
                    for r in range(sheet.nrows)]
            sheets.append(sheet_lines(rows))
            book.unload_sheet(index)
    except damaged as error:
        print("xlrd: %s" % error, file=sys.stderr)
        return Exit.FAILED
    write_sheets(sheets)
    return Exit.OK


# Flat OpenDocument files, as LibreOffice writes them.

OFFICE = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
OFFICEOOO = "http://openoffice.org/2009/office"
TABLE = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
TEXT = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
DRAW = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
PRESENTATION = "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"


def q(namespace, name):
    return "{%s}%s" % (namespace, name)


# Comments: on a cell or in a text (office:annotation), on a slide
# (LibreOffice's officeooo:annotation).
COMMENTS = frozenset((q(OFFICE, "annotation"), q(OFFICEOOO, "annotation")))


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
        elif child.tag != q(TEXT, "note") and child.tag not in COMMENTS:
            parts.append(paragraph_text(child))
        parts.append(child.tail or "")
    return "".join(parts)


def paragraphs_of(element):
    """Every text:p within the element, as Element.iter finds them, but
    those of comments."""
    for child in element:
        if child.tag in COMMENTS:
            continue
        if child.tag == q(TEXT, "p"):
            yield child
        yield from paragraphs_of(child)


def parse(path, kind):
    """The root element of a flat OpenDocument file; None (said why) when it cannot be read."""
    try:
        return ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError) as error:
        print("flat %s: %s" % (kind, error), file=sys.stderr)
        return None


def read_ods(path):
    root = parse(path, "spreadsheet")
    if root is None:
        return Exit.FAILED
    sheets = []
    for table in root.iter(q(TABLE, "table")):
        rows, empty_rows = [], 0
        for row in table.iter(q(TABLE, "table-row")):
            cells, empty_cells = [], 0
            for cell in row:
                if cell.tag not in (q(TABLE, "table-cell"), q(TABLE, "covered-table-cell")):
                    continue
                text = cell_text("\n".join(paragraph_text(p) for p in paragraphs_of(cell)))
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
    return Exit.OK


def read_odp(path):
    root = parse(path, "presentation")
    if root is None:
        return Exit.FAILED
    slides = []

    def collect(element, lines):
        for child in element:
            if child.tag == q(PRESENTATION, "notes") or child.tag in COMMENTS:
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
    return Exit.OK


class ArgumentParser(argparse.ArgumentParser):
    """Wrong arguments end the run with Exit.USAGE."""

    def error(self, message):
        self.print_usage(sys.stderr)
        self.exit(Exit.USAGE, "%s: error: %s\n" % (self.prog, message))


def main(argv=None):
    parser = ArgumentParser(prog="xdoc2txt-read.py", description=__doc__.split("\n\n")[0],
                            allow_abbrev=False)
    readers = parser.add_subparsers(dest="kind", metavar="xls|ods|odp", required=True)
    for kind, read, what in (("xls", read_xls, "an Excel 95/97-2003 workbook"),
                             ("ods", read_ods, "a flat OpenDocument spreadsheet"),
                             ("odp", read_odp, "a flat OpenDocument presentation")):
        reader = readers.add_parser(kind, help=what, allow_abbrev=False)
        reader.add_argument("file", metavar="FILE")
        reader.set_defaults(read=read)
    arguments = parser.parse_args(argv)
    return arguments.read(arguments.file)


if __name__ == "__main__":
    sys.exit(main())
