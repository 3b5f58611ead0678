#!/usr/bin/python3
"""The desktop entry and the AppStream metainfo, installed and packaged.

  desktop_files.py --cmake CMAKE --build DIR --other-metainfo FILE --intake FILE [--deb FOLDER]

Installs the build under a temporary root's usr/ (and unpacks the newest Debian
package in FOLDER, when given, into another). In each tree the desktop entry
must be clean under desktop-file-validate, and the tree under appstreamcli
validate-tree --no-net --strict, which also checks the entry that the
metainfo launches; the metainfo must provide the installed program and the
entry's MIME types. The entry must name only types that the shared MIME
database knows by those names, and every type the database gives a suffix
that the program takes (the list in FILE, the drop intake's source). The
metainfo made the other way (with a homepage when the build has none, else
without) must validate too.

Exits 77 when a tool is missing, unless CI=true, where that fails.
"""

import argparse
import configparser
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SKIP = 77
MIME = pathlib.Path("/usr/share/mime")
ENTRY = "share/applications/quillmark.desktop"


class Failure(Exception):
    pass


def run(*command):
    """What the command prints; it fails on any status but 0 (desktop-file-validate on any
    output: it exits 0 after warnings)."""
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0 or (command[0] == "desktop-file-validate" and done.stdout + done.stderr):
        raise Failure("%s: status %d\n%s%s" % (" ".join(map(str, command)), done.returncode,
                                               done.stdout, done.stderr))
    return done.stdout


def suffixes(intake):
    """The suffixes the program takes: the intake's list, and HTML pages."""
    source = pathlib.Path(intake).read_text(encoding="utf-8")
    listed = re.search(r"kSupportedSuffixes = \{(.*?)\}", source, re.S)
    if not listed:
        raise Failure("no suffix list in %s" % intake)
    return re.findall(r'u"\.(\w+)"', listed.group(1)) + ["htm", "html"]


def check_types(types, intake):
    aliases = dict(line.split() for line in (MIME / "aliases").read_text().splitlines())
    known = set((MIME / "types").read_text().split())
    unknown = [t for t in types if t not in known or t in aliases]
    if unknown:
        raise Failure("MimeType names types the MIME database lacks, or aliases: %s" % unknown)
    globs = [line.split(":")[1:3] for line in (MIME / "globs2").read_text().splitlines()
             if not line.startswith("#")]
    for suffix in suffixes(intake):
        given = {aliases.get(t, t) for t, glob in globs if glob.lower() == "*." + suffix}
        if not given <= set(types):
            raise Failure("MimeType lacks %s, the types of .%s" % (sorted(given - set(types)), suffix))


def check_tree(root, intake):
    """The entry and the metainfo under root/usr."""
    usr = root / "usr"
    metainfos = list((usr / "share/metainfo").glob("*.xml"))
    if not (usr / ENTRY).is_file() or len(metainfos) != 1:
        raise Failure("%s: no %s, or not one metainfo file: %s" % (root, ENTRY, metainfos))
    run("desktop-file-validate", usr / ENTRY)
    run("appstreamcli", "validate-tree", "--no-net", "--strict", root)
    entry = configparser.ConfigParser(interpolation=None)
    entry.read(usr / ENTRY, encoding="utf-8")
    types = entry["Desktop Entry"]["MimeType"].rstrip(";").split(";")
    check_types(types, intake)
    component = ElementTree.parse(metainfos[0]).getroot()
    binaries = [b.text for b in component.iterfind("provides/binary")]
    mediatypes = [m.text for m in component.iterfind("provides/mediatype")]
    wrong = [what for what, right in (
        ("its file name", metainfos[0].name == component.findtext("id") + ".metainfo.xml"),
        ("the entry", component.findtext("launchable") == pathlib.Path(ENTRY).name),
        ("the program %s" % binaries, binaries and all((usr / "bin" / b).exists() for b in binaries)),
        ("the entry's types (it gives %s)" % mediatypes, mediatypes == types)) if not right]
    if wrong:
        raise Failure("%s: wrong %s" % (metainfos[0], "; ".join(wrong)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--cmake", "--build", "--other-metainfo", "--intake"):
        parser.add_argument(option, required=True)
    parser.add_argument("--deb")
    args = parser.parse_args()
    tools = ["desktop-file-validate", "appstreamcli"] + (["dpkg-deb"] if args.deb else [])
    missing = [t for t in tools if not shutil.which(t)]
    if missing or not (MIME / "globs2").is_file():
        what = "missing: %s" % " ".join(missing + ([] if missing else [str(MIME / "globs2")]))
        if os.environ.get("CI") == "true":
            print("FAILED: " + what)
            return 1
        print("skipped: " + what + " (scripts/install-deps installs them)")
        return SKIP
    try:
        with tempfile.TemporaryDirectory(prefix="quill-desktop-files.") as temporary:
            installed = pathlib.Path(temporary) / "installed"
            run(args.cmake, "--install", args.build, "--prefix", installed / "usr")
            check_tree(installed, args.intake)
            if args.deb:
                deb = max(pathlib.Path(args.deb).glob("*.deb"), key=os.path.getmtime, default=None)
                if deb is None:
                    raise Failure("no Debian package in " + args.deb)
                run("dpkg-deb", "--extract", deb, pathlib.Path(temporary) / "packaged")
                check_tree(pathlib.Path(temporary) / "packaged", args.intake)
            run("appstreamcli", "validate", "--no-net", "--strict", args.other_metainfo)
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    print("passed: the desktop entry and the metainfo, installed%s, and the metainfo the other way"
          % (" and packaged" if args.deb else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
