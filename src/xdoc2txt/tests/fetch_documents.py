#!/usr/bin/python3
"""Fetches the documents xdoc2txt's tests read, once, into a folder.

  fetch_documents.py FOLDER

Real documents come from Debian packages (apt-get download, dpkg -x):
Japanese Excel workbooks, a Japanese PDF, a French RTF and a Japanese HTML
page. Japanese Word, RTF and PowerPoint files are made from that page's
paragraphs with LibreOffice, and Shift-JIS files (an RTF with \\'hh bytes, an
HTML page that declares no character set, and one that declares "x-sjis")
with Python's codecs.

When the folder holds "ready" written by this same script, nothing is done;
a changed script makes the documents again. When the packages cannot be
downloaded, "unavailable" says why and the tests that need the documents
skip; any other fault fails this step.
"""

import hashlib
import html.parser
import os
import pathlib
import re
import shutil
import subprocess
import sys
from xml.sax.saxutils import escape

PACKAGES = ["libspreadsheet-parseexcel-perl", "developers-reference-ja", "librtf-writer-perl"]
EXCEL = "usr/share/doc/libspreadsheet-parseexcel-perl/examples/sample/Excel"
REFERENCE = "usr/share/developers-reference/ja"
COPIES = {
    "Test97J.xls": EXCEL + "/Test97J.xls",
    "Test95J.xls": EXCEL + "/Test95J.xls",
    "developers-reference-ja.pdf": REFERENCE + "/developers-reference.pdf",
    "new-maintainer.html": REFERENCE + "/new-maintainer.html",
    "la_dame.rtf": "usr/share/doc/librtf-writer-perl/examples/la_dame.rtf",
}
LIBREOFFICE_TIME_LIMIT = 300


class Paragraphs(html.parser.HTMLParser):
    """The text of every <p> of a page."""

    def __init__(self):
        super().__init__()
        self.depth, self.current, self.found = 0, [], []

    def handle_starttag(self, tag, attrs):
        if tag == "p":
            self.depth += 1
            self.current = []

    def handle_endtag(self, tag):
        if tag == "p" and self.depth:
            self.depth -= 1
            self.found.append(re.sub(r"\s+", " ", "".join(self.current)).strip())

    def handle_data(self, data):
        if self.depth:
            self.current.append(data)


def japanese_paragraphs(page):
    """Paragraphs with kana that Shift-JIS (CP932) holds whole."""
    parser = Paragraphs()
    parser.feed(page.read_text(encoding="utf-8"))
    chosen = []
    for text in parser.found:
        if re.search("[\u3040-\u30ff]", text) and len(text) >= 40:
            try:
                text.encode("cp932")
            except UnicodeEncodeError:
                continue
            chosen.append(text)
    if len(chosen) < 4:
        raise SystemExit("too few Japanese paragraphs in %s" % page)
    return chosen[:6]


def presentation(paragraphs):
    """A flat OpenDocument presentation: a slide per paragraph."""
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
          'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"')
    slides = []
    for number, text in enumerate(paragraphs, 1):
        slides.append(
            '<draw:page draw:name="slide%d" draw:master-page-name="Default">'
            '<draw:frame presentation:class="title" svg:x="1cm" svg:y="1cm" svg:width="24cm" '
            'svg:height="3cm"><draw:text-box><text:p>%d</text:p></draw:text-box></draw:frame>'
            '<draw:frame presentation:class="outline" svg:x="1cm" svg:y="5cm" svg:width="24cm" '
            'svg:height="12cm"><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame>'
            '</draw:page>' % (number, number, escape(text)))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.3" '
            'office:mimetype="application/vnd.oasis.opendocument.presentation">'
            '<office:master-styles><style:master-page style:name="Default"/></office:master-styles>'
            '<office:body><office:presentation>%s</office:presentation></office:body>'
            '</office:document>\n' % (ns, "".join(slides)))


def shift_jis_rtf(paragraphs):
    """An RTF in code page 932 whose Japanese is \\'hh bytes, as Japanese Word writes it."""
    body = []
    for text in paragraphs:
        escaped = []
        for byte in text.encode("cp932"):
            if byte >= 0x80:
                escaped.append("\\'%02x" % byte)
            elif chr(byte) in "\\{}":
                escaped.append("\\" + chr(byte))
            else:
                escaped.append(chr(byte))
        body.append("{\\pard %s\\par}\n" % "".join(escaped))
    return ("{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}}\n"
            "\\f0\\fs21\n%s}\n" % "".join(body)).encode("ascii")


def libreoffice(folder, source, target):
    profile = (folder / "lo-profile").resolve().as_uri()
    command = ["soffice", "--headless", "--norestore", "--nolockcheck",
               "-env:UserInstallation=" + profile, "--convert-to", target,
               "--outdir", str(folder), str(source)]
    if source.suffix == ".txt":
        command[1:1] = ["--infilter=Text (encoded):UTF8,LF,,,"]
    subprocess.run(command, check=True, timeout=LIBREOFFICE_TIME_LIMIT,
                   stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)


def download(folder):
    """The packages' files under folder/extract; an error text when apt-get cannot get them."""
    debs = folder / "debs"
    debs.mkdir(exist_ok=True)
    if len(list(debs.glob("*.deb"))) < len(PACKAGES):
        got = subprocess.run(["apt-get", "download"] + PACKAGES, cwd=debs, capture_output=True,
                             text=True, stdin=subprocess.DEVNULL)
        if got.returncode != 0:
            return "apt-get download failed: " + (got.stderr.strip().splitlines() or ["?"])[-1]
    extract = folder / "extract"
    for deb in sorted(debs.glob("*.deb")):
        subprocess.run(["dpkg", "-x", str(deb), str(extract)], check=True)
    return None


def main(argv):
    if len(argv) != 2:
        raise SystemExit("usage: fetch_documents.py FOLDER")
    folder = pathlib.Path(argv[1])
    ready, unavailable = folder / "ready", folder / "unavailable"
    fingerprint = hashlib.sha256(pathlib.Path(__file__).read_bytes()).hexdigest() + "\n"
    if ready.exists() and ready.read_text() == fingerprint:
        return 0
    ready.unlink(missing_ok=True)
    folder.mkdir(parents=True, exist_ok=True)
    unavailable.unlink(missing_ok=True)
    if shutil.which("apt-get") is None:
        error = "apt-get is not installed"
    else:
        error = download(folder)
    if error:
        unavailable.write_text(error + "\n", encoding="utf-8")
        print(error)
        # Under CI the documents must be there: the tests that need them would
        # otherwise pass by skipping.
        return 1 if os.environ.get("CI") == "true" else 0

    for name, path in COPIES.items():
        shutil.copyfile(folder / "extract" / path, folder / name)
    paragraphs = japanese_paragraphs(folder / "new-maintainer.html")
    (folder / "ja-paragraphs.txt").write_text("\n".join(paragraphs) + "\n", encoding="utf-8")

    made = folder / "made"
    made.mkdir(exist_ok=True)
    source = made / "ja-text.txt"
    source.write_text("\n".join(paragraphs) + "\n", encoding="utf-8")
    libreoffice(made, source, "doc:MS Word 97")
    libreoffice(made, source, "rtf:Rich Text Format")
    slides = made / "ja-slides.fodp"
    slides.write_text(presentation(paragraphs), encoding="utf-8")
    libreoffice(made, slides, "ppt:MS PowerPoint 97")
    shutil.copyfile(made / "ja-text.doc", folder / "ja-libreoffice.doc")
    shutil.copyfile(made / "ja-text.rtf", folder / "ja-libreoffice.rtf")
    shutil.copyfile(made / "ja-slides.ppt", folder / "ja-libreoffice.ppt")

    (folder / "ja-shift-jis.rtf").write_bytes(shift_jis_rtf(paragraphs))
    page = "<html>\n<head><title>%s</title></head>\n<body>\n%s</body>\n</html>\n" % (
        escape(paragraphs[0][:20]), "".join("<p>%s</p>\n" % escape(p) for p in paragraphs))
    (folder / "ja-undeclared-shift-jis.html").write_bytes(page.encode("cp932"))
    declared = page.replace("<head>", '<head><meta http-equiv="Content-Type" '
                            'content="text/html; charset=x-sjis">')
    (folder / "ja-declared-x-sjis.html").write_bytes(declared.encode("cp932"))
    ready.write_text(fingerprint)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
