#!/usr/bin/env python3
"""Checks the manual pages as the build makes them.

usage: check_manpages.py CHECK PAGE_DIR SOURCE_DIR PROGRAM

PAGE_DIR holds the pages with the version filled in (<build>/man), SOURCE_DIR
is the repository, PROGRAM the built qv-searchcontrol. CHECK is one of

  lint       every page passes `mandoc -T lint` (and `groff -ww`, which man
             uses to show it) without a single message;
  commands   every command of searchcontrol/command_table.cpp (but the
             self-check, which the usage text leaves out too) has its entry
             in the SYNOPSIS and the OPTIONS of qv-searchcontrol(1);
  statuses   every exit status that the README gives for qv-searchcontrol
             has its entry in EXIT STATUS;
  usage      the usage text the program prints stands in the page line for
             line;
  tools      each tool's page shows --help and --version in its SYNOPSIS.

Exit status 0 when the check holds, 1 otherwise (each fault on a line).
"""
import os
import re
import shutil
import subprocess
import sys

PAGES = ["qv-searchcontrol", "qv-configcheck", "qv-enginesim", "qv-genresults", "qv-sessionprobe"]
TOOLS = PAGES[1:]
# The README sections that describe qv-searchcontrol itself (not the tools).
README_SECTIONS = ["Usage", "Task and job-control commands", "Results commands", "Error reporting, logs and mail"]
# Commands the usage text does not show, nor the page.
UNLISTED = {"--secret_test_harness"}


def page_path(page_dir, name):
    return os.path.join(page_dir, name + ".1")


def render(path):
    """The page as `man` shows it in a terminal, without the overstrikes of bold."""
    out = subprocess.run(["mandoc", "-T", "ascii", path], capture_output=True, text=True, check=True).stdout
    return re.sub(".\b", "", out).splitlines()


def sections(lines):
    """{heading: [lines]} of a rendered page; headings are the unindented lines."""
    result, current = {}, None
    for line in lines:
        if line and not line[0].isspace() and line.upper() == line and "(" not in line:
            current = line.strip()
            result[current] = []
        elif current is not None:
            result[current].append(line)
    return result


def check_lint(page_dir, _source, _program):
    faults = []
    for name in PAGES:
        path = page_path(page_dir, name)
        if not os.path.isfile(path):
            faults.append(f"{path}: missing")
            continue
        runs = [["mandoc", "-T", "lint", path]]
        if shutil.which("groff"):
            runs.append(["groff", "-man", "-ww", "-z", path])
        for cmd in runs:
            r = subprocess.run(cmd, capture_output=True, text=True)
            if r.returncode != 0 or r.stdout.strip() or r.stderr.strip():
                faults.append(f"{' '.join(cmd)}: status {r.returncode}\n{r.stdout}{r.stderr}".rstrip())
    return faults


def table_commands(source):
    text = open(os.path.join(source, "searchcontrol", "command_table.cpp"), encoding="utf-8").read()
    commands = re.findall(r'\{\s*"(--[a-z_]+)"\s*,', text)
    if len(commands) < 10:
        raise SystemExit(f"found only {commands} in the command table: has its layout changed?")
    return [c for c in commands if c not in UNLISTED]


def check_commands(page_dir, source, _program):
    parts = sections(render(page_path(page_dir, "qv-searchcontrol")))
    synopsis = "\n".join(parts.get("SYNOPSIS", []))
    options = parts.get("OPTIONS", [])
    faults = []
    for command in table_commands(source):
        word = re.compile(re.escape(command) + r"(?![A-Za-z0-9_])")
        if not word.search(synopsis):
            faults.append(f"qv-searchcontrol(1): {command} is missing from the SYNOPSIS")
        # An entry of its own: the command opens a line of the item column.
        if not any(re.match(r"^ {7}" + re.escape(command) + r"(?![A-Za-z0-9_])", line) for line in options):
            faults.append(f"qv-searchcontrol(1): {command} has no entry in OPTIONS")
    return faults


def readme_statuses(source):
    """The exit statuses the README gives for the program."""
    text = open(os.path.join(source, "README.md"), encoding="utf-8").read()
    chunks = re.split(r"^## ", text, flags=re.M)
    wanted = []
    for title in README_SECTIONS:
        found = [c for c in chunks if c.startswith(title + "\n")]
        if not found:
            raise SystemExit(f"README.md has no section '## {title}': update README_SECTIONS")
        wanted.append(found[0])
    body = "\n".join(wanted)
    flat = re.sub(r"\s+", " ", body)
    statuses = set()
    # "exits with status 1", "(exit status 4)", "the exit status is 12", "exits with 8"
    for m in re.finditer(r"\bexit(?:s)? (?:with )?(?:status )?(?:is )?(\d+)\b", flat):
        statuses.add(int(m.group(1)))
    # "the exit status is the code (1 open, 2 create, ...)", "exit status (255 for ...)"
    for m in re.finditer(r"\bexit status[^(.]*\(([^)]*)\)", flat):
        for item in m.group(1).split(","):
            n = re.match(r"\s*(\d+)\b", item)
            if n:
                statuses.add(int(n.group(1)))
    # Tables with an "exit status" column: the number in that column.
    column = None
    for line in body.splitlines():
        if not line.startswith("|"):
            column = None
            continue
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if column is None:
            column = cells.index("exit status") if "exit status" in cells else -1
        elif column >= 0 and column < len(cells) and re.fullmatch(r"\d+", cells[column]):
            statuses.add(int(cells[column]))
    return statuses


def check_statuses(page_dir, source, _program):
    statuses = readme_statuses(source)
    # The extraction must still find what the README has long said.
    floor = {0, 1, 8, 10, 11, 12}
    if not floor <= statuses:
        return [f"README.md: found only the statuses {sorted(statuses)}; the wording changed? update this script"]
    items = set()
    for line in sections(render(page_path(page_dir, "qv-searchcontrol"))).get("EXIT STATUS", []):
        m = re.match(r"^ {7}(\d+)(?: |$)", line)
        if m:
            items.add(int(m.group(1)))
    print(f"README exit statuses: {sorted(statuses)}; page: {sorted(items)}")
    return [f"qv-searchcontrol(1): exit status {s} of the README has no entry in EXIT STATUS"
            for s in sorted(statuses - items)]


def check_usage(page_dir, _source, program):
    r = subprocess.run([program], capture_output=True, text=True)
    if r.returncode != 1 or r.stdout or not r.stderr:
        return [f"{program} without arguments: status {r.returncode}, expected 1 and the usage text"]
    usage = r.stderr.split("\n")
    while usage and usage[-1] == "":
        usage.pop()
    lines = render(page_path(page_dir, "qv-searchcontrol"))
    for i, line in enumerate(lines):
        if line.strip() != usage[0]:
            continue
        indent = len(line) - len(line.lstrip())
        shown = [l[indent:] if l.strip() else "" for l in lines[i:i + len(usage)]]
        if shown == usage:
            return []
        for want, got in zip(usage, shown):
            if want != got:
                return [f"qv-searchcontrol(1): the usage text differs from the program's:\n"
                        f"  program: {want!r}\n  page:    {got!r}"]
        return ["qv-searchcontrol(1): the usage text in the page is cut short"]
    return [f"qv-searchcontrol(1): no line '{usage[0]}' begins the usage text"]


def check_tools(page_dir, _source, _program):
    faults = []
    for name in TOOLS:
        synopsis = "\n".join(sections(render(page_path(page_dir, name))).get("SYNOPSIS", []))
        for option in ("--help", "--version"):
            if option not in synopsis:
                faults.append(f"{name}(1): {option} is missing from the SYNOPSIS")
    return faults


CHECKS = {"lint": check_lint, "commands": check_commands, "statuses": check_statuses, "usage": check_usage,
          "tools": check_tools}


def main(argv):
    if len(argv) != 5 or argv[1] not in CHECKS:
        print(__doc__, file=sys.stderr)
        return 2
    if not shutil.which("mandoc"):
        print("mandoc is not installed (scripts/deps.sh installs it)", file=sys.stderr)
        return 1
    faults = CHECKS[argv[1]](argv[2], argv[3], argv[4])
    for fault in faults:
        print(fault)
    if not faults:
        print(f"ok {argv[1]}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
