#!/usr/bin/python3
"""xdoc2txt's helper scripts run as programs: the text they make of small
documents written here, their command lines, and their keeper.

  test_helpers.py [unittest options]

The scripts are those in XDOC2TXT_HELPERS (the build tree's copies beside
xdoc2txt), else those beside this folder.
"""

import importlib.util
import math
import os
import pathlib
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HELPERS = pathlib.Path(os.environ.get("XDOC2TXT_HELPERS",
                                      pathlib.Path(__file__).resolve().parents[1]))
READ = HELPERS / "xdoc2txt-read.py"
OFFICE = HELPERS / "xdoc2txt-office.py"
# The helpers' exit codes that xdoc2txt tells apart.
FAILED, USAGE, UNREACHABLE = 1, 2, 4
# The checks that need python3-xlrd or python3-uno are skipped without it,
# but under CI (CI=true), where nothing may be missing: there they fail.
WITH_XLRD, WITH_UNO = (importlib.util.find_spec(module) is not None
                       or os.environ.get("CI") == "true" for module in ("xlrd", "uno"))
# A limit that only a hung helper reaches.
SAFETY_LIMIT = 120


def run(script, *args, **options):
    return subprocess.run([sys.executable, "-I", str(script), *map(str, args)],
                          capture_output=True, timeout=SAFETY_LIMIT, **options)


def biff_text(text, length="<H"):
    return struct.pack(length, len(text)) + b"\x01" + text.encode("utf-16-le")


def record(kind, data=b""):
    return struct.pack("<HH", kind, len(data)) + data


def workbook(rows, formats=()):
    """An Excel 97 workbook stream of one sheet (xlrd reads it without a
    compound-file container). A cell is a text, a number, or (number, n)
    under the n-th of the number format codes."""
    def bof(kind):
        return record(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0, 0, 0, 0))

    keys = [0] + [164 + n for n in range(len(formats))]
    head = bof(0x0005)
    head += b"".join(record(0x041E, struct.pack("<H", key) + biff_text(code))
                     for key, code in zip(keys[1:], formats))
    head += b"".join(record(0x00E0, struct.pack("<HHHBBBBIiH", 0, key, 0 if n else 0xFFF5,
                                                0x20, 0, 0, 0, 0, 0, 0x20C0))
                     for n, key in enumerate(keys))
    name = biff_text("Sheet1", "<B")
    sheet_at = len(head) + len(record(0x0085, bytes(6) + name)) + len(record(0x000A))
    head += record(0x0085, struct.pack("<IBB", sheet_at, 0, 0) + name) + record(0x000A)
    body = bof(0x0010)
    for r, row in enumerate(rows):
        for c, cell in enumerate(row):
            if isinstance(cell, str):
                body += record(0x0204, struct.pack("<HHH", r, c, 0) + biff_text(cell))
            else:
                value, xf = cell if isinstance(cell, tuple) else (cell, 0)
                body += record(0x0203, struct.pack("<HHHd", r, c, xf, value))
    return head + body + record(0x000A)


NAMESPACES = " ".join('xmlns:%s="%s"' % pair for pair in (
    ("office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"),
    ("officeooo", "http://openoffice.org/2009/office"),
    ("table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"),
    ("text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"),
    ("draw", "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"),
    ("presentation", "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"),
    ("dc", "http://purl.org/dc/elements/1.1/")))
# Comments where LibreOffice writes them: on a cell, on a slide, and in a paragraph.
FLAT_SPREADSHEET = """<?xml version="1.0" encoding="UTF-8"?>
<office:document %s><office:body><office:spreadsheet><table:table table:name="Sheet1">
 <table:table-row>
  <table:table-cell office:value-type="string">
   <office:annotation>
    <dc:date>2024-01-01T00:00:00</dc:date><text:p>cell comment</text:p>
   </office:annotation>
   <text:p>visible</text:p>
  </table:table-cell>
  <table:table-cell office:value-type="float" office:value="3.3">
   <text:p>3.3</text:p>
  </table:table-cell>
 </table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
""" % NAMESPACES
FLAT_PRESENTATION = """<?xml version="1.0" encoding="UTF-8"?>
<office:document %s><office:body><office:presentation><draw:page draw:name="page1">
 <draw:frame><draw:text-box>
  <text:p>slide <office:annotation><text:p>text comment</text:p></office:annotation>words</text:p>
 </draw:text-box></draw:frame>
 <presentation:notes>
  <draw:frame><draw:text-box><text:p>speaker notes</text:p></draw:text-box></draw:frame>
 </presentation:notes>
 <officeooo:annotation>
  <dc:date>2024-01-01T00:00:00</dc:date><text:p>slide comment</text:p>
 </officeooo:annotation>
</draw:page></office:presentation></office:body></office:document>
""" % NAMESPACES


class Readers(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory()))

    def read(self, kind, name, content):
        path = self.folder / name
        path.write_bytes(content if isinstance(content, bytes) else content.encode("utf-8"))
        done = run(READ, kind, path)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout.decode("utf-8")

    @unittest.skipUnless(WITH_XLRD, "python3-xlrd is not installed")
    def test_workbook_numbers_as_the_sheet_shows_them(self):
        with self.subTest("shortest digits, formats"):
            rows = [["sum", 1.1 * 3], ["count", 12345.0], ["large", 123456789012.0],
                    ["share", (0.255, 1)], ["amount", (-1234.5, 2)]]
            self.assertEqual(self.read("xls", "formats.xls", workbook(rows, ["0.0%", "#,##0.00"])),
                             "sum\t3.3\ncount\t12345\nlarge\t123456789012\n"
                             "share\t25.5%\namount\t-1,234.50\n")
        with self.subTest("no number"):
            rows = [["nan", math.nan], ["infinity", -math.inf], ["after", 2.5, "kept"]]
            self.assertEqual(self.read("xls", "none.xls", workbook(rows)),
                             "nan\t#NUM!\ninfinity\t#NUM!\nafter\t2.5\tkept\n")

    def test_comments_are_left_out(self):
        with self.subTest("cells"):
            self.assertEqual(self.read("ods", "cells.fods", FLAT_SPREADSHEET), "visible\t3.3\n")
        with self.subTest("slides"):
            self.assertEqual(self.read("odp", "slides.fodp", FLAT_PRESENTATION), "slide words\n")


class CommandLines(unittest.TestCase):
    def test_wrong_arguments_exit_with_usage(self):
        convert = ["convert", "pipe", "lock", "5", "/a", "/b"]
        keeper = ["/f", "pipe", "1", "/lock", "0"]
        for script, args in (
                (READ, []), (READ, ["doc", "a"]), (READ, ["xls"]), (READ, ["ods", "a", "b"]),
                (OFFICE, []), (OFFICE, convert + ["fods", "text"]),  # no filter name
                (OFFICE, convert + ["txt:Text", "what"]),
                (OFFICE, ["keep", "/f", "pipe", "soon", "/lock", "0", "soffice.bin"]),
                (OFFICE, ["start"] + keeper),  # no LibreOffice to run
                # keep in its caller's session: its end would kill the caller's group
                (OFFICE, ["keep"] + keeper + ["soffice.bin"])):
            with self.subTest(script=script.name, args=args):
                done = run(script, *args)
                self.assertEqual(done.returncode, USAGE, done.stderr)
                self.assertTrue(done.stderr, "no reason given")
                self.assertEqual(done.stdout, b"")

    def test_failures_exit_with_their_codes(self):
        with tempfile.TemporaryDirectory() as folder:
            for kind in ["ods", "odp"] + ["xls"] * WITH_XLRD:
                done = run(READ, kind, os.path.join(folder, "missing"))
                self.assertEqual((done.returncode, done.stderr.count(b"\n")), (FAILED, 1), kind)
            if WITH_UNO:  # nobody on the pipe, and no keeper to wait for
                done = run(OFFICE, "convert", "xdoc2txt-test-%d" % os.getpid(),
                           os.path.join(folder, "keeper.lock"), SAFETY_LIMIT,
                           os.path.join(folder, "a.rtf"), os.path.join(folder, "a.txt"),
                           "txt:Text (encoded):UTF8", "text")
                self.assertEqual(done.returncode, UNREACHABLE, done.stderr)


def group_members(group):
    """The running processes of a process group."""
    found = []
    for entry in pathlib.Path("/proc").iterdir():
        try:
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if fields[2] == str(group) and fields[0] != "Z":
            found.append(int(entry.name))
    return sorted(found)


def descriptors(pid):
    """What the process's descriptors are open on."""
    found = {}
    for fd in pathlib.Path("/proc/%d/fd" % pid).iterdir():
        try:
            found[int(fd.name)] = os.readlink(fd)
        except FileNotFoundError:
            continue  # closed meanwhile
    return found


def settled(probe, expected):
    """What probe() gives once it is expected, or at the safety limit."""
    deadline = time.monotonic() + SAFETY_LIMIT
    while (found := probe()) != expected and time.monotonic() < deadline:
        time.sleep(0.1)
    return found


@unittest.skipUnless(WITH_UNO, "python3-uno is not installed")
class Keeper(unittest.TestCase):
    def test_start_detaches_a_keeper_that_ends_with_its_folder(self):
        scratch = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory()))
        folder, kept = scratch / "warm", scratch / "kept"
        (folder / "profile" / "user").mkdir(parents=True)
        kept.write_text("kept")
        # LibreOffice's stand-in listens (sleeps) until it is killed.
        office = ["/bin/sh", "-c", 'case "$0" in --accept=*) exec sleep 600;; esac']
        # Descriptor 3 is kept for LibreOffice, 4 is the caller's own.
        command = ["/bin/sh", "-c", 'exec "$@" 3<"$0" 4<"$0"', kept, sys.executable, "-I", OFFICE,
                   "start", folder, "xdoc2txt-test-%d" % os.getpid(), SAFETY_LIMIT,
                   scratch / "lock", 1, *office]
        # Returns once nothing holds its output and error.
        done = subprocess.run(list(map(str, command)), capture_output=True, timeout=SAFETY_LIMIT)
        self.assertEqual(done.returncode, 0, done.stderr)
        keeper = int(done.stdout)
        self.addCleanup(lambda: group_members(keeper) and os.killpg(keeper, signal.SIGKILL))

        arguments = pathlib.Path("/proc/%d/cmdline" % keeper).read_bytes().split(b"\0")
        self.assertEqual(arguments[3:5], [b"keep", bytes(folder)])
        self.assertEqual(os.getsid(keeper), keeper)
        self.assertEqual(settled(lambda: len(group_members(keeper)), 2), 2,
                         "LibreOffice's stand-in does not run in the keeper's group")
        # Its standard streams on /dev/null, the kept descriptor (not the
        # caller's own, of the same file) and its lock: nothing else.
        held = sorted([os.devnull] * 3 + [str(kept), str(folder / "keeper.lock")])
        self.assertEqual(settled(lambda: sorted(descriptors(keeper).values()), held), held)

        shutil.rmtree(folder)
        self.assertEqual(settled(lambda: group_members(keeper), []), [])


if __name__ == "__main__":
    unittest.main()
