#!/usr/bin/python3
"""The portable core's folders and headers, as the code includes them.

  core_layout.py SRC_CORE

Fails when the folders of SRC_CORE reach each other in a cycle through their
#include lines (a folder may use another only if that one does not use it
back, however indirectly), or when a file there includes a header of an
operating system or of Qt.
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)
SYSTEM = re.compile(r"^(windows|winuser|shellapi|unistd|fcntl|sys/|Q[A-Z])|\.h>$")


def folder_graph(core):
    uses, foreign = {}, []
    for path in sorted(core.rglob("*.[hc]pp")) + sorted(core.rglob("*.h")):
        folder = path.parent.relative_to(core).as_posix()
        for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if kind == "<" and SYSTEM.search(name + ">") and name != "emmintrin.h":
                foreign.append("%s includes <%s>" % (path.relative_to(core), name))
            elif kind == '"' and "/" in name:
                used = name.rsplit("/", 1)[0]
                if used != folder:
                    uses.setdefault(folder, set()).add(used)
    return uses, foreign


def cycle(uses):
    """A cycle of folders, as a list, or None."""
    state = {}

    def visit(folder, path):
        state[folder] = "open"
        for used in sorted(uses.get(folder, ())):
            if state.get(used) == "open":
                return path[path.index(used):] + [used] if used in path else [folder, used]
            if used not in state:
                found = visit(used, path + [used])
                if found:
                    return found
        state[folder] = "done"
        return None

    for folder in sorted(uses):
        if folder not in state:
            found = visit(folder, [folder])
            if found:
                return found
    return None


def main(argv):
    uses, foreign = folder_graph(pathlib.Path(argv[1]))
    found = cycle(uses)
    for problem in foreign + (["the folders include each other: " + " -> ".join(found)]
                              if found else []):
        print("FAILED: " + problem)
    return 1 if foreign or found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
