#!/usr/bin/env python3
"""Keeps two rules of the code that the compiler does not.

Reads the non-test C++ sources under the repository (or the directory given
as the first argument) and fails, naming file and line, on

  - a thread started outside platform/: `std::thread` or `std::jthread`
    anywhere but in platform/ (which offers platform/threads.h to the
    rest), and
  - a mutable variable at namespace scope in summary/, results/ or
    reports/: state shared by every object of the process, which tests
    would have to set and restore by hand. The ways these folders work are
    chosen by values handed to them (qv_summary_tuning) instead.

Test sources (`*_test.cpp`, `*_test_util.*`, `*_test_*.h`) and testsupport/
are not read; every other folder is, programs in tools/, bench/ and fuzz/
included.

The second rule reads the text, not the program: a statement at namespace
scope (inside no class, function or initialiser) that defines a variable
(`T name;`, `T name = ...;`, `T name{...};`; `static` and `thread_local`
ones too) is mutable unless it is `constexpr`, or `const` with no pointer
after the `const` left mutable (`const char* p` is mutable, `const char*
const p` is not). Variables made with parentheses (`T name(1);`) read as
function declarations and are not seen. Exit status 0 when both rules hold,
1 otherwise.
"""
import os
import re
import sys

sys.dont_write_bytecode = True  # the source tree gets no compiled cache
import check_layers  # noqa: E402  the walk over the sources, shared with the layer check

SKIP_DIRS = check_layers.SKIP_DIRS | {"testsupport"}
THREAD_HOME = "platform"
NO_GLOBAL_STATE = ("summary", "results", "reports")
THREAD = re.compile(r"\bstd\s*::\s*(j?thread)\b(?!\s*::)")
NOT_VARIABLES = re.compile(
    r"^(using|typedef|template|class|struct|union|enum|friend|static_assert|extern|namespace|concept|"
    r"return|asm)\b")
NAMESPACE_OPENER = re.compile(r'(\bnamespace(\s+[\w:]+)?(\s*\[\[[^\]]*\]\])?|\bextern\s+"C\+*")\s*$')


def sources(root):
    return check_layers.sources(root, SKIP_DIRS)


def code_only(text):
    """The text with comments, string and character literals and preprocessor
    lines blanked (newlines kept, so that offsets give the same line numbers)."""
    out = []
    i = 0
    n = len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            # A preprocessor line, with its continuations.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out.append(" \n")
                    i += 2
                    continue
                out.append(" ")
                i += 1
            continue
        if c == "\n":
            out.append(c)
            line_start = True
            i += 1
            continue
        if c in " \t\r":
            out.append(c)
            i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out.append(" ")
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("".join(ch if ch == "\n" else " " for ch in text[i:end]))
            i = end
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2:open_paren]
            end = text.find(")" + delimiter + '"', open_paren)
            end = n if end < 0 else end + len(delimiter) + 2
            out.append('""' + "".join(ch if ch == "\n" else " " for ch in text[i + 2:end]))
            i = end
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum():  # a digit separator: 1'000
                out.append(" ")
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (min(j, n) - i - 1) + (c if j < n else ""))
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def is_mutable_variable(statement):
    """True when `statement` (text at namespace scope up to its `;`, or up to
    the `{` of its initialiser) defines a variable that is not constant."""
    s = " ".join(statement.split())
    s = re.sub(r"^(\[\[[^\]]*\]\]\s*)+", "", s)
    if not s or NOT_VARIABLES.match(s) or re.search(r"\boperator\b", s):
        return False
    head = s.split("=", 1)[0]
    if "(" in head and not re.search(r"\(\s*\*", head):
        return False  # a function (a pointer to one, `void (*f)()`, is a variable)
    if not re.search(r"[\w\]>)]\s*(\[[^\]]*\]\s*)*$", head.strip()):
        return False
    if re.search(r"\bconstexpr\b", head):
        return False
    const = [m.end() for m in re.finditer(r"\bconst\b", head)]
    if not const:
        return True
    return re.search(r"[*&]", head[const[-1]:]) is not None


def namespace_variables(code):
    """(offset, statement) of each mutable variable defined at namespace scope."""
    found = []
    stack = []  # per open brace: "ns" (a namespace), "init" (an initialiser), "other"
    start = 0   # where the current statement at this level began
    pending = None  # a variable whose initialiser in braces is open
    i = 0
    n = len(code)
    while i < n:
        c = code[i]
        at_namespace_scope = all(kind == "ns" for kind in stack)
        if c == "{":
            if at_namespace_scope:
                prefix = code[start:i]
                if NAMESPACE_OPENER.search(prefix):
                    stack.append("ns")
                    start = i + 1
                elif pending is None and is_mutable_variable(prefix):
                    pending = (start, prefix)
                    stack.append("init")
                elif pending is None and "=" in prefix.split("(", 1)[0] and not NOT_VARIABLES.match(prefix.strip()):
                    stack.append("init")  # a constant's initialiser
                else:
                    stack.append("other")
            else:
                stack.append("other")
        elif c == "}":
            kind = stack.pop() if stack else "ns"
            if all(k == "ns" for k in stack) and kind != "init":
                start = i + 1
        elif c == ";" and at_namespace_scope:
            statement = code[start:i]
            if pending is not None:
                found.append(pending)
                pending = None
            elif is_mutable_variable(statement):
                found.append((start, statement))
            start = i + 1
        i += 1
    return found


def problems(root):
    out = []
    for top, path in sources(root):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        code = code_only(text)
        rel = os.path.relpath(path, root)

        def line_of(offset):
            # The first line of the statement that holds text.
            while offset < len(code) and code[offset].isspace():
                offset += 1
            return code.count("\n", 0, offset) + 1

        if top != THREAD_HOME:
            for m in THREAD.finditer(code):
                out.append(f"{rel}:{line_of(m.start())}: std::{m.group(1)} outside platform/ "
                           "(start threads through platform/threads.h)")
        if top in NO_GLOBAL_STATE:
            for offset, statement in namespace_variables(code):
                shown = " ".join(statement.split())
                out.append(f"{rel}:{line_of(offset)}: mutable variable at namespace scope in {top}/: {shown}")
    return out


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    found = problems(root)
    for p in found:
        print(p)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
