#!/usr/bin/env python3
"""Fails when an include runs against the layers or closes a circle between folders.

Every folder of src/ and tools/ has a rank; a file may include headers of its own folder and of
folders of a lower rank only. Folders of the same rank are siblings and know nothing of each
other. A folder missing from the table fails too, so a new folder gets its place on purpose.

    scripts/check_layers.py [ROOT]
"""
import pathlib
import re
import sys

# Lowest first. Keep in step with the README's layout and src/CMakeLists.txt.
RANKS = {
    # base
    "log": 0,
    "time": 0,
    "text": 0,
    "controls": 1,
    # the interfaces the program talks through
    "seams": 2,
    # the models
    "motion_log": 3,
    "windows": 4,
    "app": 5,
    # the chat/call client core and the simulators; the messenger account file
    "client": 3,
    "account": 3,
    # who has the camera
    "camera": 3,
    "sim": 4,
    # call signalling: Jingle and SDP, the call session (protocol logic, no network)
    "jingle": 4,
    # end-to-end encryption of chat and files: the device, its store, its XML (no network)
    "omemo": 4,
    # the bindings; the device controls below the GStreamer camera that uses them
    "platform/v4l2": 6,
    "platform": 7,
    "platform/gst": 7,
    "platform/dbus": 7,
    "platform/xmpp": 7,
    "desktop": 7,
    # a call's media, built on the GStreamer bindings
    "platform/call": 8,
    # the programs
    "run": 9,
    ".": 10,  # src/main.cpp
    "tools": 10,
}

# Beside the order: the models never see the client core or the simulators, which sit in the
# same steps only because they too build on the seams.
APART = {"motion_log", "windows", "app"}, {"client", "sim"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCES = ("*.h", "*.hpp", "*.cpp")


def folder_of(path, src):
    """The folder an included or including file belongs to, as named in RANKS."""
    relative = path.relative_to(src).parent.as_posix()
    for name in sorted(RANKS, key=len, reverse=True):
        if relative == name or relative.startswith(name + "/"):
            return name
    return relative


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    src = root / "src"
    files = [f for pattern in SOURCES for f in src.rglob(pattern)]
    files += [f for pattern in SOURCES for f in (root / "tools").rglob(pattern)]
    problems = []
    edges = {}
    for file in sorted(files):
        if file.is_relative_to(root / "tools"):
            source = "tools"
        else:
            source = folder_of(file, src)
        if source not in RANKS:
            problems.append(f"{file.relative_to(root)}: folder '{source}' has no layer in {__file__}")
            continue
        for included in INCLUDE.findall(file.read_text(errors="replace")):
            target_path = src / included
            if not target_path.exists():
                continue  # a header beside the file, or of a library
            target = folder_of(target_path, src)
            if target == source:
                continue
            edges.setdefault(source, {}).setdefault(target, f"{file.relative_to(root)} includes {included}")
            if target not in RANKS:
                problems.append(f"{file.relative_to(root)}: includes {included} from folder '{target}', which has no layer")
            elif source in APART[0] and target in APART[1]:
                problems.append(f"{file.relative_to(root)}: the models ({source}) may not include "
                                f"{included} ({target})")
            elif RANKS[target] >= RANKS[source]:
                problems.append(f"{file.relative_to(root)}: {source} (layer {RANKS[source]}) may not include "
                                f"{included} ({target}, layer {RANKS[target]})")

    # A circle between folders, whatever the ranks say.
    state = {}
    def visit(node, path):
        state[node] = "open"
        for nxt in edges.get(node, {}):
            if state.get(nxt) == "open":
                circle = path[path.index(nxt):] + [nxt]
                steps = [edges[a][b] for a, b in zip(circle, circle[1:])]
                problems.append("circle between folders " + " -> ".join(circle) + ": " + "; ".join(steps))
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = "done"
    for node in sorted(edges):
        if node not in state:
            visit(node, [node])

    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check_layers: {len(problems)} problem(s)", file=sys.stderr)
        return 1
    print(f"check_layers: {len(files)} files, {sum(len(t) for t in edges.values())} folder links, all downward")
    return 0


if __name__ == "__main__":
    sys.exit(main())
