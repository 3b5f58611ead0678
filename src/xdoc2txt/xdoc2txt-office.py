#!/usr/bin/python3
"""A LibreOffice kept running between xdoc2txt's conversions, and conversions through it.

  xdoc2txt-office.py keep FOLDER PIPE OFFICE IDLE LOCK
  xdoc2txt-office.py convert PIPE KEEPER WAIT SOURCE TARGET FILTER

keep starts a keeper, detached from the caller (a session of its own, its
standard streams on /dev/null, nothing else open), prints the keeper's id and
returns. The keeper runs LibreOffice's program OFFICE (soffice.bin) headless
in its own process group, its profile in FOLDER/profile, listening on the
local pipe PIPE, and ends it with itself (killing the whole group) once
FOLDER/last-use has not changed for IDLE seconds while nobody holds the lock
file LOCK (which it then holds until it is gone), when LibreOffice ends, when
FOLDER is removed, or on SIGTERM, SIGINT or SIGHUP. LibreOffice dies with the
keeper however the keeper ends.

convert hands SOURCE to the LibreOffice on PIPE, waiting up to WAIT seconds
for it to answer (and no longer than the process KEEPER runs), loads it
hidden, read-only, with macros never run and no links updated, and stores it
as TARGET with the export filter of FILTER ("extension:filter name" or
"extension:filter name:options", as soffice --convert-to takes it).

Exit status 0 on success, 1 when LibreOffice failed (or was lost), 2 on
wrong arguments, 3 when python3-uno is missing, 4 when LibreOffice does not
answer, 5 when it answered that it cannot read or write the document.
"""

import os
import signal
import sys
import time

FAILED, USAGE, MISSING, UNREACHABLE, REFUSED = 1, 2, 3, 4, 5
NEEDS_RESTART = 81  # LibreOffice's exit status after it has made a new profile
TICK = 0.25


def alive(pid):
    """Whether the process runs (a zombie does not)."""
    try:
        with open("/proc/%d/stat" % pid, encoding="ascii", errors="replace") as stat:
            return stat.read().rpartition(")")[2].split()[0] not in ("Z", "X")
    except (OSError, IndexError):
        return False


def detach(kept):
    """Makes this forked process a session of its own that holds nothing of its caller's
    (but the descriptor kept)."""
    os.setsid()
    null = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(null, fd)
    os.closerange(3, kept)
    os.closerange(kept + 1, os.sysconf("SC_OPEN_MAX"))


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


def serve(folder, pipe, office, idle, lock):
    """The keeper's life: LibreOffice until it is no longer wanted, then the group's end."""
    import ctypes
    import pathlib
    import subprocess
    libc = ctypes.CDLL(None, use_errno=True)

    def dies_with_keeper():
        libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG

    def stop(signum, frame):
        raise SystemExit(0)

    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, stop)
    profile = pathlib.Path(folder, "profile").as_uri()  # percent-encoded as xdoc2txt does
    command = [office, "--headless", "--invisible", "--nologo", "--norestore", "--nolockcheck",
               "--nodefault", "-env:UserInstallation=" + profile]
    accept = "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe

    def start(last):
        return subprocess.Popen(command + [last], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                preexec_fn=dies_with_keeper)

    try:
        # A new profile is made by a run that ends by itself, before one that
        # listens: a first run on it would end to restart, its pipe with it.
        if not os.path.isdir(os.path.join(folder, "profile")):
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


def keep(folder, pipe, office, idle, lock):
    # Conversions need python3-uno; the keeper itself does not load it.
    if not any(os.path.isfile(os.path.join(place, "uno.py")) for place in sys.path):
        print("python3-uno is not installed", file=sys.stderr)
        return MISSING
    idle = float(idle)
    ready, said = os.pipe()
    keeper = os.fork()
    if keeper == 0:
        detach(said)
        os.close(said)
        serve(folder, pipe, office, idle, lock)
        os._exit(0)
    os.close(said)
    # The keeper closes its end once it has let go of everything of its caller's.
    os.read(ready, 1)
    print(keeper)
    return 0


def convert(pipe, keeper, wait, source, target, export_filter):
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
            if not alive(int(keeper)) or time.monotonic() >= deadline:
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


def main(argv):
    modes = {"keep": (keep, 5), "convert": (convert, 6)}
    if len(argv) < 2 or argv[1] not in modes or len(argv) != modes[argv[1]][1] + 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return USAGE
    run, _ = modes[argv[1]]
    return run(*argv[2:])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
