#!/usr/bin/python3
"""A LibreOffice kept running between xdoc2txt's conversions, and conversions through it.

  xdoc2txt-office.py keep FOLDER PIPE IDLE LOCK KEPT OFFICE...
  xdoc2txt-office.py convert PIPE KEEPER WAIT SOURCE TARGET FILTER KIND

keep starts a keeper, detached from the caller (a session of its own, its
standard streams on /dev/null, nothing else open but the KEPT descriptors
from 3 on), prints the keeper's id and returns. The keeper holds a lock on
FOLDER/keeper.lock while it lives. It runs the command OFFICE (LibreOffice's
soffice.bin headless with its profile FOLDER/profile, or bwrap running it in
its sandbox), handing it the KEPT descriptors rewound to their start, with
umask 077, in its own process group, listening on the local pipe PIPE, and
ends it with itself (killing the whole group) once
FOLDER/last-use has not changed for IDLE seconds while nobody holds the lock
file LOCK (which it then holds until it is gone), when LibreOffice ends, when
FOLDER is removed, or on SIGTERM, SIGINT or SIGHUP. LibreOffice dies with the
keeper however the keeper ends.

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

import os
import signal
import sys
import time

FAILED, USAGE, MISSING, UNREACHABLE, REFUSED, PLAIN_TEXT = 1, 2, 3, 4, 5, 6
# The type of LibreOffice's plain-text imports (Writer's and Calc's).
PLAIN_TEXT_TYPE = "generic_Text"
NEEDS_RESTART = 81  # LibreOffice's exit status after it has made a new profile
TICK = 0.25


def alive(lock):
    """Whether a keeper holds the lock file."""
    import fcntl
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


def detach(kept):
    """Makes this forked process a session of its own that holds nothing of its caller's
    (but the descriptors kept)."""
    os.setsid()
    null = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(null, fd)
    last = 2
    for fd in sorted(kept):
        os.closerange(last + 1, fd)
        last = fd
    os.closerange(last + 1, os.sysconf("SC_OPEN_MAX"))


def changed(path, seen):
    """The file's modification time, and whether it differs from seen."""
    try:
        now = os.stat(path).st_mtime_ns
    except OSError:
        now = None
    return now, now != seen


def may_end(lock):
    """An open lock file held for good when no conversion holds it; None otherwise."""
    import fcntl
    fd = os.open(lock, os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o600)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        return fd
    except OSError:
        os.close(fd)
        return None


def serve(folder, pipe, office, kept, idle, lock):
    """The keeper's life: LibreOffice until it is no longer wanted, then the group's end."""
    import ctypes
    import subprocess
    libc = ctypes.CDLL(None, use_errno=True)

    def dies_with_keeper():
        libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG

    def stop(signum, frame):
        raise SystemExit(0)

    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, stop)
    os.umask(0o077)
    accept = "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe

    def start(last):
        for fd in kept:
            os.lseek(fd, 0, os.SEEK_SET)
        return subprocess.Popen(office + [last], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                pass_fds=kept, preexec_fn=dies_with_keeper)

    try:
        # A new profile is made by a run that ends by itself, before one that
        # listens: a first run on it would end to restart, its pipe with it.
        if not os.path.isdir(os.path.join(folder, "profile", "user")):
            start("--terminate_after_init").wait()
        restarts = 0
        instance = start(accept)
        stamp = os.path.join(folder, "last-use")
        seen, _ = changed(stamp, None)
        quiet_since = time.monotonic()
        while True:
            time.sleep(TICK)
            ended = instance.poll()
            if ended == NEEDS_RESTART and restarts < 3:
                restarts += 1
                instance = start(accept)
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


def keep(folder, pipe, idle, lock, kept, *office):
    # Conversions need python3-uno; the keeper itself does not load it.
    if not any(os.path.isfile(os.path.join(place, "uno.py")) for place in sys.path):
        print("python3-uno is not installed", file=sys.stderr)
        return MISSING
    import fcntl
    idle = float(idle)
    kept = tuple(range(3, 3 + int(kept)))
    ready, said = os.pipe()
    keeper = os.fork()
    if keeper == 0:
        detach(kept + (said,))
        held = os.open(os.path.join(folder, "keeper.lock"),
                       os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o600)
        fcntl.flock(held, fcntl.LOCK_EX)
        os.close(said)
        serve(folder, pipe, list(office), kept, idle, lock)
        os._exit(0)
    os.close(said)
    # The keeper closes its end once it has let go of everything of its caller's.
    os.read(ready, 1)
    print(keeper)
    return 0


def convert(pipe, keeper, wait, source, target, export_filter, kind):
    try:
        import uno
        from com.sun.star.beans import PropertyValue
        from com.sun.star.connection import NoConnectException
        from com.sun.star.io import IOException
        from com.sun.star.lang import IllegalArgumentException
        from com.sun.star.uno import RuntimeException
    except ImportError:
        print("python3-uno is not installed", file=sys.stderr)
        return MISSING

    def properties(**values):
        found = []
        for name, value in values.items():
            found.append(PropertyValue())
            found[-1].Name, found[-1].Value = name, value
        return tuple(found)

    parts = export_filter.split(":", 2)
    if len(parts) < 2 or not parts[1]:
        print("no export filter in %r" % export_filter, file=sys.stderr)
        return USAGE
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + float(wait)
    # A LibreOffice on a new profile may restart once it has started, which
    # drops a bridge made meanwhile: the bridge is made again.
    while True:
        try:
            office = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            desktop = office.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", office)
            break
        except (NoConnectException, RuntimeException):
            if not alive(keeper) or time.monotonic() >= deadline:
                print("LibreOffice does not answer on its pipe", file=sys.stderr)
                return UNREACHABLE
            time.sleep(0.05)
    try:
        document = desktop.loadComponentFromURL(
            uno.systemPathToFileUrl(source), "_blank", 0,
            properties(Hidden=True, ReadOnly=True,
                       MacroExecutionMode=uno.getConstantByName(
                           "com.sun.star.document.MacroExecMode.NEVER_EXECUTE"),
                       UpdateDocMode=uno.getConstantByName(
                           "com.sun.star.document.UpdateDocMode.NO_UPDATE")))
        if document is None:
            print("LibreOffice could not load the document", file=sys.stderr)
            return REFUSED
        if kind == "binary" and import_type(office, document) == PLAIN_TEXT_TYPE:
            document.close(True)
            print("LibreOffice could read the document only as plain text: it is damaged",
                  file=sys.stderr)
            return PLAIN_TEXT
        try:
            document.storeToURL(uno.systemPathToFileUrl(target),
                                properties(FilterName=parts[1],
                                           FilterOptions=parts[2] if len(parts) > 2 else ""))
        finally:
            document.close(True)
    except (IOException, IllegalArgumentException) as error:
        print("LibreOffice: %s" % error.Message, file=sys.stderr)
        return REFUSED
    except Exception as error:  # a lost bridge, or LibreOffice in trouble
        print("LibreOffice: %s" % (getattr(error, "Message", "") or type(error).__name__),
              file=sys.stderr)
        return FAILED
    return 0


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


def main(argv):
    modes = {"keep": (keep, 6), "convert": (convert, 7)}
    if (len(argv) < 2 or argv[1] not in modes or len(argv) < modes[argv[1]][1] + 2
            or argv[1] == "convert" and len(argv) != 9):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return USAGE
    run, _ = modes[argv[1]]
    return run(*argv[2:])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
