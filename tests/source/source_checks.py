#!/usr/bin/env python3
"""Checks on the project's own source files, run as a test.

- Every C++ file is formatted as .clang-format says (clang-format 14).
- Every connection to a function object (a lambda) names a context object:
  without one, the lambda outlives the object it uses, and Qt 6.7 and later
  refuse to build it under QT_NO_CONTEXTLESS_CONNECT. Qt 6.4 accepts it
  silently, so the build alone cannot catch it.

Usage: source_checks.py SOURCE_DIR
"""
import re
import subprocess
import sys
from pathlib import Path


def tracked_sources(root: Path):
    listed = subprocess.run(
        ["git", "-C", str(root), "ls-files", "*.cpp", "*.h"],
        capture_output=True, text=True, check=False)
    if listed.returncode == 0 and listed.stdout.strip():
        return [root / name for name in listed.stdout.split()]
    # Not a git checkout (an exported tree): every source file in it.
    skip = {"build", ".git"}
    return [p for p in root.rglob("*") if p.suffix in (".cpp", ".h")
            and not skip.intersection(p.relative_to(root).parts)]


def arguments(text: str, start: int):
    """The top-level arguments of the call whose '(' is at text[start]."""
    depth = 0
    args, current = [], []
    i = start
    while i < len(text):
        c = text[i]
        if c in "([{":
            depth += 1
            if depth == 1:
                i += 1
                continue
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append("".join(current).strip())
                return args
        elif c == "," and depth == 1:
            args.append("".join(current).strip())
            current = []
            i += 1
            continue
        elif c == '"':
            end = i + 1
            while end < len(text) and text[end] != '"':
                end += 2 if text[end] == "\\" else 1
            current.append(text[i:end + 1])
            i = end + 1
            continue
        current.append(c)
        i += 1
    return args


def contextless_connections(path: Path):
    text = path.read_text(encoding="utf-8", errors="replace")
    found = []
    for match in re.finditer(r"\bconnect\s*\(", text):
        args = arguments(text, match.end() - 1)
        # connect(sender, signal, functor) with the functor a lambda.
        if len(args) >= 3 and args[2].startswith("["):
            line = text.count("\n", 0, match.start()) + 1
            found.append(f"{path}:{line}: connect() to a lambda without a context object")
    return found


def main():
    root = Path(sys.argv[1]).resolve()
    sources = tracked_sources(root)
    problems = []
    for path in sources:
        problems += contextless_connections(path)

    formatter = subprocess.run(
        ["clang-format", "--dry-run", "--Werror", *map(str, sources)],
        capture_output=True, text=True, check=False, cwd=root)
    if formatter.returncode != 0:
        unformatted = sorted({line.split(":")[0] for line in formatter.stderr.splitlines()
                              if "error:" in line})
        problems += [f"{name}: not formatted as .clang-format says (run clang-format -i)"
                     for name in unformatted] or [formatter.stderr.strip()]

    for problem in problems:
        print(problem)
    print(f"{len(sources)} files checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
