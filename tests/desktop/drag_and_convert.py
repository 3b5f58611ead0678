#!/usr/bin/python3
"""The installed Quillmark on an X display, worked as a user works it.

  drag_and_convert.py (--cmake CMAKE --build DIR | --deb FOLDER) --drag-source PROGRAM
                      --documents DIR --failures DIR

Installs the build into a temporary prefix (or unpacks the Debian package in
FOLDER, whose dependencies apt must be able to install) and starts bin/quillmark there with
a home, runtime and cache folder of its own under ja_JP.UTF-8, given a PDF
(by a relative name) and a Word document on its command line, as Open With
gives them. A second start, given an Excel workbook, must end at once, with
status 0 and no window, having handed the workbook to the first. Another
program (the drag source) drags a presentation (which LibreOffice reads) onto
Quillmark's window by XDND while xdotool moves the pointer, and the window must
take it as a copy; with it the PDF under a name with a CR and one in Shift-JIS
bytes (each beside a look-alike that must not be converted), and a FIFO
named as a text. A click on 変換 開始 must write each document's page beside
it, in UTF-8 and with the document's phrases: where a page's name was a
link, replacing the link (not the file it named); where it was a FIFO,
without hanging; and none for the FIFO. Closing the window through the
window manager must end the program, which leaves none of its processes.

Runs on a display of its own (scripts/with-display). Exits 77 when the
documents are unavailable, or fails under CI (CI=true). A failure leaves a picture of the screen, the
window tree and the programs' output in the failures folder.
"""

import argparse
import contextlib
import html
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

SKIP = 77
DPI = 96  # Qt's logical DPI on an X server that sets no Xft.dpi
TWIPS_PER_INCH = 1440
TEXT1 = (120, 120, 3615, 270)  # the prompt box and the start button, in twips
COMMAND2 = (120, 480, 3615, 375)
CONSOLE_TITLE = "Quillmark コンソール"
# The documents, under the names they are dropped with, and phrases of each
# page (those xdoc2txt's tests find in the texts; the Word document's and the
# presentation's are the paragraphs they were made of).
DOCUMENTS = {
    "developers-reference-ja.pdf": ("開発者 リファレンス.pdf", [
        "パッケージの移動", "移植作業者に対して協力的になる", "メーリングリストとウェブページ"]),
    "Test97J.xls": ("Test97J.xls", [
        "漢字も入る\t漢字のデータ", "ASC\tThis Data is 'ASC Only'", "INTEGER\t12345"]),
    "ja-libreoffice.doc": ("会議 資料.doc", None),
    "ja-libreoffice.ppt": ("スライド.ppt", None),
}
# The PDF again under names only exact bytes tell apart from a look-alike
# lying beside them (made of the workbook), which must not be converted.
EXACT_NAMES = {os.fsdecode(b"cr\rname.pdf"): os.fsdecode(b"cr\nname.pdf"),
               os.fsdecode(b"\x82\xa0sjis.pdf"): "\ufffd\ufffdsjis.pdf"}


class Failure(Exception):
    pass


def poll(what, condition, limit, every=0.1):
    """condition()'s first true value, checked every `every` s for at most `limit` s."""
    deadline = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("no %s within %d s" % (what() if callable(what) else what, limit))
        time.sleep(every)


def xdotool(*args):
    """What xdotool prints; its --sync waits are cut short after 30 s."""
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          timeout=30).stdout


def windows_of(pid):
    """The visible windows of a process, as {id: name}."""
    ids = xdotool("search", "--all", "--onlyvisible", "--pid", pid, "--name", ".*").split()
    return {w: xdotool("getwindowname", w).rstrip("\n") for w in ids}


def geometry(window):
    """x, y, width, height of a window's inside, on the screen."""
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    value = lambda label: int(re.search(label + r":\s*(-?\d+)", info).group(1))
    return value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height")


def centre(origin, control):
    """The screen point at the middle of a control laid out in twips."""
    px = lambda twips: twips * DPI // TWIPS_PER_INCH
    left, top, width, height = control
    return origin[0] + px(left + width // 2), origin[1] + px(top + height // 2)


def drag_onto(source_window, window, source_log):
    """Presses on the drag source, drags over to Quillmark's prompt box and lets go once the
    window answers that it takes a copy; fails unless the drop was taken as one."""
    # Each drag prints its own lines: only those after this press count.
    said = lambda: pathlib.Path(source_log).read_text()
    before = len(said())
    said_now = lambda: said()[before:]
    x, y, width, height = geometry(source_window)
    start = (x + width // 2, y + height // 2)
    target = centre(geometry(window)[:2], TEXT1)
    xdotool("mousemove", "--sync", *start)
    xdotool("mousedown", 1)
    for step in range(1, 11):
        xdotool("mousemove", start[0] + (target[0] - start[0]) * step // 10,
                start[1] + (target[1] - start[1]) * step // 10, "sleep", 0.05)

    def answered():
        xdotool("mousemove_relative", "--", 1, 0, "mousemove_relative", "--", -1, 0)
        return "action: copy" in said_now()

    poll(lambda: "copy answer from the window (the drag source said %r)" % said_now(), answered,
         15, 0.2)
    xdotool("mouseup", 1)
    poll("end of the drag", lambda: "dropped:" in said_now(), 15)
    if "dropped: copy" not in said_now():
        raise Failure("the drop was not taken as a copy: %r" % said_now())


def paragraph_phrases(documents):
    """The first run of at least eight non-ASCII characters of each paragraph, at most 20 of them."""
    lines = (documents / "ja-paragraphs.txt").read_text(encoding="utf-8").splitlines()
    return [m.group()[:20] for m in (re.search(r"[^\x00-\x7f]{8,}", line) for line in lines) if m]


class Session:
    def __init__(self, args, root):
        self.args, self.root = args, root
        self.started = []  # every process started here, by pid
        self.logs = {}
        self.home = root / "home"
        for folder in ("home", "runtime", "cache", "documents", "source-runtime"):
            (root / folder).mkdir(mode=0o700)
        base = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "LANGUAGE", "QT_", "XDG_"))}
        base.update(QT_QPA_PLATFORM="xcb", LANG="ja_JP.UTF-8")
        self.source_env = dict(base, XDG_RUNTIME_DIR=str(root / "source-runtime"))
        # The kept LibreOffice, if one starts, ends soon after its last use.
        self.program_env = dict(base, HOME=str(self.home), XDG_RUNTIME_DIR=str(root / "runtime"),
                                XDG_CACHE_HOME=str(root / "cache"), XDOC2TXT_SOFFICE_IDLE="5")

    def start(self, name, command, env):
        log = self.root / (name + ".log")
        with open(log, "wb") as out:
            process = subprocess.Popen(command, env=env, cwd=self.root, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=subprocess.STDOUT)
        self.started.append(process)
        self.logs[name] = log
        return process

    def ours(self):
        """The pids of the processes running with the program's home: it and all it started."""
        mark = b"\0HOME=%s\0" % bytes(self.home)

        def marked(entry):
            with contextlib.suppress(OSError):
                return mark in b"\0" + (entry / "environ").read_bytes()

        return [int(e.name) for e in pathlib.Path("/proc").iterdir() if e.name.isdigit() and marked(e)]

    def main_window(self, pid):
        """Quillmark's window (not its console), once it is shown."""
        found = lambda: [w for w, name in windows_of(pid).items() if name != CONSOLE_TITLE]
        return poll("Quillmark window", found, 60)[0]

    def caption_becomes(self, pid, caption, limit):
        poll("caption %r" % caption, lambda: caption in windows_of(pid).values(), limit)

    def run(self):
        prefix = self.root / "prefix"
        if self.args.deb:
            # The package in the folder: what installing it would take, simulated
            # (every dependency available), then its files.
            deb = str(max(pathlib.Path(self.args.deb).glob("*.deb"), key=os.path.getmtime))
            for command in (["apt-get", "install", "--simulate", deb],
                            ["dpkg-deb", "--extract", deb, prefix]):
                done = subprocess.run(command, capture_output=True, text=True)
                if done.returncode != 0:
                    raise Failure("%s failed:\n%s%s" % (" ".join(command), done.stdout, done.stderr))
            prefix = prefix / "usr"
        else:
            installed = subprocess.run(
                [self.args.cmake, "--install", self.args.build, "--prefix", prefix],
                capture_output=True, text=True)
            if installed.returncode != 0:
                raise Failure("cmake --install failed:\n" + installed.stdout + installed.stderr)
        program = prefix / "bin" / "quillmark"
        if not program.is_symlink():
            raise Failure("%s is not the link to the program" % program)

        documents = pathlib.Path(self.args.documents)
        dropped = {}
        for file, (name, phrases) in DOCUMENTS.items():
            shutil.copyfile(documents / file, self.root / "documents" / name)
            dropped[self.root / "documents" / name] = phrases or paragraph_phrases(documents)
        if min(len(phrases) for phrases in dropped.values()) < 3:
            raise Failure("too few phrases to look for: %s" % dropped)
        pdf = self.root / "documents" / DOCUMENTS["developers-reference-ja.pdf"][0]
        for name, look_alike in EXACT_NAMES.items():
            shutil.copyfile(pdf, self.root / "documents" / name)
            shutil.copyfile(documents / "Test97J.xls", self.root / "documents" / look_alike)
            dropped[self.root / "documents" / name] = DOCUMENTS["developers-reference-ja.pdf"][1]
        # A page name that is a link to a file elsewhere, one that is a FIFO,
        # and a FIFO dropped as a text.
        elsewhere = self.root / "elsewhere.txt"
        elsewhere.write_text("not a page")
        pdf.with_suffix(".html").symlink_to(elsewhere)
        os.mkfifo(self.root / "documents" / "Test97J.html")
        fifo_text = self.root / "documents" / "fifo.txt"
        os.mkfifo(fifo_text)

        # Two documents named on the command line, one more handed over by a
        # second start; the rest dragged in.
        word = self.root / "documents" / DOCUMENTS["ja-libreoffice.doc"][0]
        workbook = self.root / "documents" / DOCUMENTS["Test97J.xls"][0]
        dragged = [path for path in dropped if path not in (pdf, word, workbook)]
        first = self.start("quillmark", [program, pdf.relative_to(self.root), word],
                           self.program_env)
        window = self.main_window(first.pid)
        self.caption_becomes(first.pid, "変換準備 OK", 30)

        # One program per user: a second start ends by itself and shows nothing.
        second = self.start("quillmark-second", [program, workbook], self.program_env)
        poll("end of the second start", lambda: second.poll() is not None or windows_of(second.pid), 60, 0.02)
        if second.returncode is None:
            raise Failure("the second start showed a window: %s" % windows_of(second.pid))
        if second.returncode != 0:
            raise Failure("the second start ended with status %d" % second.returncode)
        if list(windows_of(first.pid)) != [window]:
            raise Failure("the first program's windows changed: %s" % windows_of(first.pid))

        # The other program, away from Quillmark's window (which stays on top).
        source = self.start("drag-source", [self.args.drag_source, *dragged, fifo_text],
                            self.source_env)
        source_window = poll("drag source window", lambda: list(windows_of(source.pid)), 60)[0]
        xdotool("windowmove", source_window, 700, 500)
        poll("drag source moved", lambda: geometry(source_window)[:2] == (700, 500), 10)

        drag_onto(source_window, window, self.logs["drag-source"])
        self.caption_becomes(first.pid, "変換準備 OK", 15)

        # 変換 開始 pressed, the pages awaited (LibreOffice may have to start).
        xdotool("mousemove", "--sync", *centre(geometry(window)[:2], COMMAND2), "click", 1)
        poll("start of the run", lambda: "変換準備 OK" not in windows_of(first.pid).values(), 30)
        pages = {path.with_suffix(".html"): phrases for path, phrases in dropped.items()}
        poll("pages %s" % [p.name for p in pages],
             lambda: all(p.exists() for p in pages) and "Quillmark" in windows_of(first.pid).values(), 300, 0.5)
        for page, phrases in pages.items():
            try:
                text = html.unescape(page.read_bytes().decode("utf-8"))
            except UnicodeDecodeError as error:
                raise Failure("%s is not UTF-8: %s" % (page.name, error))
            missing = [p for p in phrases if p not in text]
            if "charset=utf-8" not in text.lower() or missing:
                raise Failure("%s: no UTF-8 charset, or missing %s" % (page.name, missing))
            if page.is_symlink():
                raise Failure("%s is still a link" % page.name)
        made = sorted(p.name for p in (self.root / "documents").glob("*.html"))
        if elsewhere.read_text() != "not a page" or len(made) != len(pages):
            raise Failure("a page went elsewhere, or pages were made of what was not dropped: %s"
                          % made)

        # Closed as a user closes it: Alt+F4 to the window manager (a key of
        # its own call: after windowactivate it would go to the window itself).
        xdotool("windowactivate", "--sync", window)
        xdotool("key", "alt+F4")
        poll("end of Quillmark", lambda: first.poll() is not None, 60)
        if first.returncode != 0:
            raise Failure("Quillmark ended with status %d" % first.returncode)
        left = lambda: not self.ours()
        poll(lambda: "end of Quillmark's processes (left: %s)" % self.ours(), left, 120, 0.5)

    def keep_evidence(self):
        failures = pathlib.Path(self.args.failures)
        subprocess.run(["import", "-window", "root", failures / "screen.png"], capture_output=True)
        with open(failures / "windows.txt", "w") as out:
            subprocess.run(["xwininfo", "-root", "-tree"], stdout=out, stderr=subprocess.STDOUT)
        with open(failures / "processes.txt", "w") as out:
            subprocess.run(["ps", "-o", "pid,args", "-p", ",".join(map(str, self.ours() or [0]))], stdout=out)
        for log in self.logs.values():
            shutil.copyfile(log, failures / log.name)
        with open(failures / "documents.txt", "w") as out:
            out.writelines("%s\n" % p.name for p in sorted((self.root / "documents").glob("*")))

    def end_processes(self):
        """Ends, by pid, whatever was started here and still runs: TERM, then KILL."""
        xdotool("mouseup", 1)
        running = lambda: {p.pid for p in self.started if p.poll() is None} | set(self.ours())
        for sig in (signal.SIGTERM, signal.SIGKILL):
            for pid in running():
                with contextlib.suppress(ProcessLookupError):
                    os.kill(pid, sig)
            with contextlib.suppress(Failure):
                return poll("end of the processes", lambda: not running(), 10)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--drag-source", "--documents", "--failures"):
        parser.add_argument(option, required=True)
    for option in ("--cmake", "--build", "--deb"):
        parser.add_argument(option)
    args = parser.parse_args()
    if not args.deb and not (args.cmake and args.build):
        parser.error("give --cmake and --build, or --deb")
    unavailable = pathlib.Path(args.documents) / "unavailable"
    if unavailable.exists():
        why = unavailable.read_text().strip()
        if os.environ.get("CI") == "true":  # there they must be
            print("FAILED: the documents are unavailable: " + why)
            return 1
        print("skipped: the documents are unavailable: " + why)
        return SKIP
    failures = pathlib.Path(args.failures)
    shutil.rmtree(failures, ignore_errors=True)
    with tempfile.TemporaryDirectory(prefix="quill-desktop.") as root:
        session = Session(args, pathlib.Path(root))
        try:
            session.run()
            print("passed: the documents dragged in, converted and the program closed")
            return 0
        except Exception as error:  # a Failure, or a fault of this script's
            if not isinstance(error, Failure):
                traceback.print_exc()
            failures.mkdir(parents=True)
            session.keep_evidence()
            print("FAILED: %s\n(screen, windows and logs in %s)" % (error, failures))
            return 1
        finally:
            session.end_processes()


if __name__ == "__main__":
    sys.exit(main())
