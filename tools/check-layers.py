#!/usr/bin/env python3
"""Holds every #include "folder/..." under src/ to the layers of the design.

    tools/check-layers.py [SRC]

Each folder of src/ is one concept and may include only the folders listed
for it below (and, through them, what those may include): no file reaches
up a layer or sideways into a sibling. Lists every offending line and exits
1; exits 0 when there is none.
"""
import os
import re
import sys

# folder: the folders it may include besides itself.
MAY_INCLUDE = {
    "io": [],
    "archive": ["io"],
    "recipes": ["archive", "io"],
    "table": ["recipes"],
    "find": ["table"],
    "load": ["io", "archive", "recipes", "table", "find"],
    "export": ["load", "recipes"],
    "compare": ["load", "find", "table"],
    "plan": ["archive", "recipes", "table", "find", "load", "export"],
    "cli": ["archive", "recipes", "table", "find", "load", "export", "compare", "plan"],
    "web": ["archive", "recipes", "table", "find", "load", "export", "compare", "plan"],
    "desktop": ["archive", "recipes", "table", "find", "load", "export", "compare", "plan", "cli"],
}


def allowed(folder):
    """The folder itself and everything below it, following the lists."""
    seen, todo = {folder}, list(MAY_INCLUDE[folder])
    while todo:
        lower = todo.pop()
        if lower not in seen:
            seen.add(lower)
            todo.extend(MAY_INCLUDE[lower])
    return seen


INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    faults = []
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        if folder not in MAY_INCLUDE:
            faults.append(f"{folder}/: a folder the layer table does not know")
            continue
        reach = allowed(folder)
        for root, _, files in os.walk(path):
            for name in sorted(files):
                file = os.path.join(root, name)
                with open(file, encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        match = INCLUDE.match(line)
                        if match and match.group(1) not in reach:
                            where = os.path.relpath(file, src)
                            faults.append(f"{where}:{number}: includes {match.group(1)}/, "
                                          f"which {folder}/ may not use")
    for fault in faults:
        print(fault)
    print(f"layer check: {len(faults)} include(s) out of order")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
