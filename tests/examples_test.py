#!/usr/bin/env python3
"""The examples that the README, the other markdown docs and --help show print what the command
prints.

An example is a line "$ orvik ..." (in a markdown doc, "$ build/orvik ...", indented as code) and
the lines under it. A line that is only "..." stands for any number of lines the example leaves out.

Usage: examples_test.py PATH_TO_ORVIK DOC... [-- RUNNER...]
"""
import os
import re
import shlex
import subprocess
import sys

ARGS = sys.argv[2:] + ["--"]
DOCS = ARGS[:ARGS.index("--")]
ORVIK = ARGS[ARGS.index("--") + 1:-1] + sys.argv[1:2]  # the runner (an emulator), if any
failures = []
# What each source must show an example of, beyond one example at least.
NEEDED = {"README.md": ("--dice", "--odds", "--audit --seed", "--audit --answers"),
          "odds.md": ("--at-least", "--vs", "--json", "--audit"),
          "--help": ("--dice", "--at-least", "--vs", "--audit --seed", "--audit --answers")}


def examples(lines, indent, command):
    """(arguments, expected lines) for each example in lines."""
    found, current = [], None
    prefix = " " * indent + "$ " + command + " "
    for line in lines:
        if line.startswith(prefix):
            current = (line[len(prefix):], [])
            found.append(current)
        elif current is not None and line.startswith(" " * indent) and line.strip():
            current[1].append(line[indent:])
        else:
            current = None  # the block has ended
    return found


def matches(want, got):
    """Whether got reads as want, each "..." line standing for any lines."""
    pattern = "".join(r"(?:.*\n)*?" if line.strip() == "..." else re.escape(line) + r"\n"
                      for line in want)
    return re.fullmatch(pattern, "".join(line + "\n" for line in got)) is not None


NUMBER = re.compile(r"-?[0-9]+(?:\.[0-9]+)?(?:[eE][-+]?[0-9]+)?")


def nearly(want, got):
    """Whether got is want but for the last digits of its long numbers: another platform's maths
    library (32-bit x86's, run under a runner) may round exp, log or lgamma otherwise now and
    then, which the audit's JSON shows to 17 figures."""
    if len(want) != len(got) or any(line.strip() == "..." for line in want):
        return False
    for w, g in zip(want, got):
        if NUMBER.split(w) != NUMBER.split(g):
            return False
        for a, b in zip(NUMBER.findall(w), NUMBER.findall(g)):
            if a != b and not (len(a) > 12 and abs(float(a) - float(b)) <= 1e-12 * abs(float(a))):
                return False
    return True


def check(source, args, want):
    done = subprocess.run(ORVIK + shlex.split(args), capture_output=True, timeout=60,
                          stdin=subprocess.DEVNULL)
    got = done.stdout.decode().split("\n")[:-1]
    emulated = len(ORVIK) > 1
    if not matches(want, got) and not (emulated and nearly(want, got)):
        failures.append(f"{source}: orvik {args}")
        print(f"FAIL: {source}: orvik {args}\n  shown:\n    " + "\n    ".join(want)
              + "\n  printed:\n    " + "\n    ".join(got[:20]))


def main():
    found = []
    for doc in DOCS:
        with open(doc, encoding="utf-8") as f:
            lines = f.read().split("\n")
        found += [(os.path.basename(doc), *e) for e in examples(lines, 4, "build/orvik")]
    help_text = subprocess.run(ORVIK + ["--help"], capture_output=True, check=True,
                               timeout=60).stdout.decode().split("\n")
    found += [("--help", *e) for e in examples(help_text, 2, "orvik")]
    for source, args, want in found:
        check(source, args, want)
    # Each source shows an example, and those NEEDED names.
    for source in [os.path.basename(doc) for doc in DOCS] + ["--help"]:
        for option in ("",) + NEEDED.get(source, ()):
            if not any(s == source and option in args for s, args, _ in found):
                what = f"{source} shows no example" + (f" of {option}" if option else "")
                failures.append(what)
                print(f"FAIL: {what}")
    print(f"{len(found)} examples, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
