#!/usr/bin/python3
"""A LibreOffice kept running between xdoc2txt's conversions, and conversions through it.

  xdoc2txt-office.py start FOLDER PIPE IDLE LOCK KEPT OFFICE...
  xdoc2txt-office.py keep FOLDER PIPE IDLE LOCK KEPT OFFICE...
  xdoc2txt-office.py convert PIPE KEEPER WAIT SOURCE TARGET FILTER KIND

start runs keep detached from the caller: a session of its own, nothing of
the caller's open but its standard error and the KEPT descriptors from 3 on.
It prints the keeper's id once the keeper holds its lock and has let go of
the caller's standard error, and returns.

keep is the keeper, in a session of its own: it holds a lock on
FOLDER/keeper.lock while it lives, prints its id, and from then on has its
standard streams on /dev/null. It runs the command OFFICE (LibreOffice's
soffice.bin headless with its profile FOLDER/profile, or bwrap running it
in its sandbox), handing it the KEPT descriptors rewound to their start,
with umask 077, in the keeper's process group, listening on the local pipe
PIPE, and ends it with itself (killing the whole group) once
FOLDER/last-use has not changed for IDLE seconds while nobody holds the
lock file LOCK (which it then holds until it is gone), when LibreOffice
ends, when FOLDER is removed, or on SIGTERM, SIGINT or SIGHUP. LibreOffice
dies with the keeper however the keeper ends.

convert hands SOURCE to the LibreOffice on PIPE, waiting up to WAIT seconds
for it to answer (and no longer than a keeper holds the lock file KEEPER), loads it
hidden, read-only, with macros never run and no links updated, and stores it
as TARGET with the export filter of FILTER ("extension:filter name" or
"extension:filter name:options", as soffice --convert-to takes it). KIND
"binary" says the source is no text file: LibreOffice reading it only with
a plain-text import means it is damaged, and no text is stored ("text" allows it).

Exit status 0 on success, 1 when LibreOffice failed (or was lost), 2 on
wrong arguments, 3 when python3-uno is missing, 4 when LibreOffice does not
answer, 5 when it answered that it cannot read or write the document, 6
when it could read a binary document only as plain text.
"""

import argparse
import ctypes
import enum
import fcntl
import importlib.util
import os
import signal
import subprocess
import sys
import time


class Exit(enum.IntEnum):
    """The exit status, as xdoc2txt reads it (warm_office.cpp)."""

    OK = 0
    FAILED = 1  # LibreOffice failed, or was lost
    USAGE = 2  # wrong arguments
    MISSING = 3  # python3-uno is missing
    UNREACHABLE = 4  # LibreOffice does not answer
    REFUSED = 5  # LibreOffice answered that it cannot read or write the document
    PLAIN_TEXT = 6  # LibreOffice could read a binary document only as plain text


# The type of LibreOffice's plain-text imports (Writer's and Calc's).
PLAIN_TEXT_TYPE = "generic_Text"
NEEDS_RESTART = 81  # LibreOffice's exit status after it has made a new profile
RESTARTS = 3
TICK = 0.25
PR_SET_PDEATHSIG = 1


def alive(lock):
    """Whether a keeper holds the lock file."""
    try:
        fd = os.open(lock, os.O_RDONLY | os.O_CLOEXEC)
    except OSError:
        return False
    try:
        fcntl.flock(fd, fcntl.LOCK_SH | fcntl.LOCK_NB)
        return False
    except OSError:
        return True
    finally:
        os.close(fd)


def changed(path, seen):
    """The file's modification time, and whether it differs from seen."""
    try:
        now = os.stat(path).st_mtime_ns
    except OSError:
        now = None
    return now, now != seen


def may_end(lock):
    """An open lock file held for good when no conversion holds it; None otherwise."""
    fd = os.open(lock, os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o600)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        return fd
    except OSError:
        os.close(fd)
        return None


def kept_descriptors(count):
    """The descriptors kept for LibreOffice: count of them, from 3 on."""
    return tuple(range(3, 3 + count))


def start(arguments):
    # Conversions need python3-uno; the keeper itself does not load it.
    if importlib.util.find_spec("uno") is None:
        print("python3-uno is not installed", file=sys.stderr)
        return Exit.MISSING
    command = [sys.executable, "-I", os.path.abspath(__file__), "keep", arguments.folder,
               arguments.pipe, str(arguments.idle), arguments.lock, str(arguments.kept),
               *arguments.office]
    keeper = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              close_fds=True, pass_fds=kept_descriptors(arguments.kept),
                              start_new_session=True)
    # The keeper says its id once it holds its lock, and lets go of its
    # standard streams: the end of its output.
    with keeper.stdout:
        said = keeper.stdout.read()
    if not said.strip():
        print("the keeper ended before it held its lock (status %s)" % keeper.wait(),
              file=sys.stderr)
        return Exit.FAILED
    sys.stdout.buffer.write(said)
    return Exit.OK


def keep(arguments):
    # The end kills the keeper's process group: never its caller's.
    if os.getsid(0) != os.getpid():
        print("keep runs in a session of its own (start runs it so)", file=sys.stderr)
        return Exit.USAGE
    held = os.open(os.path.join(arguments.folder, "keeper.lock"),
                   os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o600)
    fcntl.flock(held, fcntl.LOCK_EX)  # held until the keeper is gone
    print(os.getpid(), flush=True)
    null = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 2, 1):  # standard output last: its end tells start all are let go
        os.dup2(null, fd)
    os.close(null)
    serve(arguments.folder, arguments.pipe, arguments.office,
          kept_descriptors(arguments.kept), arguments.idle, arguments.lock)
    return Exit.OK


def serve(folder, pipe, office, kept, idle, lock):
    """The keeper's life: LibreOffice until it is no longer wanted, then the group's end."""
    libc = ctypes.CDLL(None, use_errno=True)

    def dies_with_keeper():
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)

    def stop(signum, frame):
        raise SystemExit(Exit.OK)

    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, stop)
    os.umask(0o077)
    accept = "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe

    def run(last):
        for fd in kept:
            os.lseek(fd, 0, os.SEEK_SET)
        return subprocess.Popen(office + [last], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                close_fds=True, pass_fds=kept, preexec_fn=dies_with_keeper)

    try:
        # A new profile is made by a run that ends by itself, before one that
        # listens: a first run on it would end to restart, its pipe with it.
        if not os.path.isdir(os.path.join(folder, "profile", "user")):
            run("--terminate_after_init").wait()
        restarts = 0
        instance = run(accept)
        stamp = os.path.join(folder, "last-use")
        seen, _ = changed(stamp, None)
        quiet_since = time.monotonic()
        while True:
            time.sleep(TICK)
            ended = instance.poll()
            if ended == NEEDS_RESTART and restarts < RESTARTS:
                restarts += 1
                instance = run(accept)
                continue
            if ended is not None or not os.path.isdir(folder):
                break
            seen, touched = changed(stamp, seen)
            if touched:
                quiet_since = time.monotonic()
            elif time.monotonic() - quiet_since >= idle and may_end(lock) is not None:
                break
    finally:
        os.killpg(0, signal.SIGKILL)


def convert(arguments):
    if importlib.util.find_spec("uno") is None:
        print("python3-uno is not installed", file=sys.stderr)
        return Exit.MISSING
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.connection import NoConnectException
    from com.sun.star.io import IOException
    from com.sun.star.lang import IllegalArgumentException
    from com.sun.star.uno import Exception as UnoException
    from com.sun.star.uno import RuntimeException

    def properties(**values):
        found = []
        for name, value in values.items():
            found.append(PropertyValue())
            found[-1].Name, found[-1].Value = name, value
        return tuple(found)

    _, filter_name, filter_options = arguments.filter
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + arguments.wait
    # A LibreOffice on a new profile may restart once it has started, which
    # drops a bridge made meanwhile: the bridge is made again.
    while True:
        try:
            office = resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % arguments.pipe)
            desktop = office.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", office)
            break
        except (NoConnectException, RuntimeException):
            if not alive(arguments.keeper) or time.monotonic() >= deadline:
                print("LibreOffice does not answer on its pipe", file=sys.stderr)
                return Exit.UNREACHABLE
            time.sleep(0.05)
    try:
        document = desktop.loadComponentFromURL(
            uno.systemPathToFileUrl(arguments.source), "_blank", 0,
            properties(Hidden=True, ReadOnly=True,
                       MacroExecutionMode=uno.getConstantByName(
                           "com.sun.star.document.MacroExecMode.NEVER_EXECUTE"),
                       UpdateDocMode=uno.getConstantByName(
                           "com.sun.star.document.UpdateDocMode.NO_UPDATE")))
        if document is None:
            print("LibreOffice could not load the document", file=sys.stderr)
            return Exit.REFUSED
        if arguments.kind == "binary" and import_type(office, document) == PLAIN_TEXT_TYPE:
            document.close(True)
            print("LibreOffice could read the document only as plain text: it is damaged",
                  file=sys.stderr)
            return Exit.PLAIN_TEXT
        try:
            document.storeToURL(uno.systemPathToFileUrl(arguments.target),
                                properties(FilterName=filter_name, FilterOptions=filter_options))
        finally:
            document.close(True)
    except (IOException, IllegalArgumentException) as error:
        print("LibreOffice: %s" % error.Message, file=sys.stderr)
        return Exit.REFUSED
    except UnoException as error:  # a lost bridge, or LibreOffice in trouble
        print("LibreOffice: %s" % (error.Message or type(error).__name__), file=sys.stderr)
        return Exit.FAILED
    return Exit.OK


def import_type(office, document):
    """The type of the import filter LibreOffice loaded the document with."""
    name = next((arg.Value for arg in document.getArgs() if arg.Name == "FilterName"), "")
    if not name:
        return ""
    filters = office.ServiceManager.createInstanceWithContext(
        "com.sun.star.document.FilterFactory", office)
    if not filters.hasByName(name):
        return ""
    return next((prop.Value for prop in filters.getByName(name) if prop.Name == "Type"), "")


def export_filter(text):
    """FILTER as (extension, filter name, options)."""
    parts = text.split(":", 2)
    if len(parts) < 2 or not parts[1]:
        raise argparse.ArgumentTypeError("no export filter in %r" % text)
    return parts[0], parts[1], parts[2] if len(parts) > 2 else ""


def count(text):
    """A number of descriptors: 0 or more."""
    if not text.isdigit():
        raise argparse.ArgumentTypeError("not a count: %r" % text)
    return int(text)


class ArgumentParser(argparse.ArgumentParser):
    """Wrong arguments end the run with Exit.USAGE."""

    def error(self, message):
        self.print_usage(sys.stderr)
        self.exit(Exit.USAGE, "%s: error: %s\n" % (self.prog, message))


def main(argv=None):
    parser = ArgumentParser(prog="xdoc2txt-office.py", description=__doc__.split("\n\n")[0],
                            allow_abbrev=False)
    commands = parser.add_subparsers(dest="command", metavar="start|keep|convert", required=True)
    keeper = ArgumentParser(add_help=False, allow_abbrev=False)
    keeper.add_argument("folder", metavar="FOLDER")
    keeper.add_argument("pipe", metavar="PIPE")
    keeper.add_argument("idle", metavar="IDLE", type=float, help="seconds")
    keeper.add_argument("lock", metavar="LOCK")
    keeper.add_argument("kept", metavar="KEPT", type=count)
    keeper.add_argument("office", metavar="OFFICE", nargs=argparse.REMAINDER)
    commands.add_parser("start", parents=[keeper], allow_abbrev=False,
                        help="start a keeper detached, print its id").set_defaults(run=start)
    commands.add_parser("keep", parents=[keeper], allow_abbrev=False,
                        help="keep LibreOffice running").set_defaults(run=keep)
    converter = commands.add_parser("convert", allow_abbrev=False,
                                    help="convert a document through the LibreOffice kept")
    converter.add_argument("pipe", metavar="PIPE")
    converter.add_argument("keeper", metavar="KEEPER", help="the keeper's lock file")
    converter.add_argument("wait", metavar="WAIT", type=float, help="seconds")
    converter.add_argument("source", metavar="SOURCE")
    converter.add_argument("target", metavar="TARGET")
    converter.add_argument("filter", metavar="FILTER", type=export_filter)
    converter.add_argument("kind", metavar="KIND", choices=("binary", "text"))
    converter.set_defaults(run=convert)
    arguments = parser.parse_args(argv)
    if arguments.run in (start, keep) and not arguments.office:
        parser.error("no OFFICE command")
    return arguments.run(arguments)


if __name__ == "__main__":
    sys.exit(main())
