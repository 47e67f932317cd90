#!/usr/bin/env python3
"""Keeps the layers pointing one way.

Reads every `#include "folder/..."` line of the non-test C++ sources under
the repository (or the directory given as the first argument) and fails,
naming file and line, when

  - a library folder includes a folder that is not below it in the declared
    order (a program or test folder such as tools/ or testsupport/ counts as
    above every library folder), or
  - folders include each other in a circle (this also covers the folders
    outside the declared order: tools/, testsupport/, fuzz/, bench/), or
  - a folder's library (qv_<folder> in <folder>/CMakeLists.txt) links the
    library of a folder that is not below it.

Test sources (`*_test.cpp`, `*_test_util.*`, `*_test_*.h`) may include what
they need and are not read. Exit status 0 when the layers hold, 1 otherwise.
"""
import os
import re
import sys

# Bottom to top. A folder may include only the folders before it.
ORDER = [
    "platform",
    "errors",
    "config",
    "taskregistry",
    "security",
    "results",
    "summary",
    "reports",
    "searchcontrol",
]

SOURCE_SUFFIXES = (".cpp", ".cc", ".h", ".hpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"')
SKIP_DIRS = {".git", "build", "build-san", "build-fuzz", "demo", "docs", "schemas", "cmake"}


def is_test_source(name):
    stem = os.path.splitext(name)[0]
    return stem.endswith("_test") or "_test_" in stem or stem.startswith("test_")


def sources(root, skip=SKIP_DIRS):
    """(top folder, path) of every non-test C++ source below root, top
    folders named in `skip` left out."""
    for top in sorted(os.listdir(root)):
        path = os.path.join(root, top)
        if top in skip or top.startswith(".") or not os.path.isdir(path):
            continue
        for dirpath, dirnames, filenames in os.walk(path):
            dirnames[:] = sorted(d for d in dirnames if d not in ("testdata", "corpus"))
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES) and not is_test_source(name):
                    yield top, os.path.join(dirpath, name)


def includes(root):
    """(folder, file relative to root, line number, included folder) of every cross-folder include."""
    folders = {d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d))}
    for folder, path in sources(root):
        rel = os.path.relpath(path, root)
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if m and (m.group(1) in folders or m.group(1) in ORDER) and m.group(1) != folder:
                    yield folder, rel, number, m.group(1)


def rank(folder):
    """Position in the declared order; folders outside it sit above them all."""
    return ORDER.index(folder) if folder in ORDER else len(ORDER)


def find_circles(edges):
    """Every elementary circle of the folder graph, each once, as lists of folders."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
    circles = []
    nodes = sorted(graph)
    for start in nodes:
        # Circles through `start` whose other folders all sort after it.
        stack = [(start, [start])]
        while stack:
            node, path = stack.pop()
            for nxt in sorted(graph.get(node, ())):
                if nxt == start:
                    circles.append(path + [start])
                elif nxt > start and nxt not in path:
                    stack.append((nxt, path + [nxt]))
    return circles


LINK = re.compile(r"target_link_libraries\(\s*(qv_\w+)([^)]*)\)", re.S)


def link_problems(root):
    """Links of a folder's library to the library of a folder not below it."""
    problems = []
    for folder in ORDER:
        path = os.path.join(root, folder, "CMakeLists.txt")
        if not os.path.exists(path):
            continue
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for m in LINK.finditer(text):
            if m.group(1) != "qv_" + folder:
                continue
            number = text.count("\n", 0, m.start()) + 1
            for name in re.findall(r"\bqv_(\w+)", m.group(2)):
                if name in ORDER and rank(name) >= rank(folder):
                    problems.append(f"{folder}/CMakeLists.txt:{number}: qv_{folder} links qv_{name}, "
                                    f"which is not below it in the layer order")
    return problems


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    first_site = {}
    for folder, rel, number, target in includes(root):
        first_site.setdefault((folder, target), f"{rel}:{number}")
        if folder in ORDER and rank(target) >= rank(folder):
            problems.append(f"{rel}:{number}: {folder}/ includes {target}/, which is not below it in the layer order")
    for circle in find_circles(first_site):
        steps = [f"{a}/ -> {b}/ ({first_site[(a, b)]})" for a, b in zip(circle, circle[1:])]
        problems.append("folders include each other in a circle: " + ", ".join(steps))
    problems += link_problems(root)
    for p in problems:
        print(p, file=sys.stderr)
    if problems:
        print("layer order (bottom to top): " + " < ".join(ORDER), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
