#!/usr/bin/env python3
"""The examples that the README and --help show print what the command prints.

An example is a line "$ orvik ..." (in the README, "$ build/orvik ...", indented as code) and the
lines under it. A line that is only "..." stands for any number of lines the example leaves out.

Usage: examples_test.py PATH_TO_ORVIK PATH_TO_README [RUNNER...]
"""
import re
import shlex
import subprocess
import sys

README = sys.argv[2]
ORVIK = sys.argv[3:] + sys.argv[1:2]  # the runner (an emulator), if any, then the command
failures = []


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


def check(source, args, want):
    done = subprocess.run(ORVIK + shlex.split(args), capture_output=True, timeout=60,
                          stdin=subprocess.DEVNULL)
    got = done.stdout.decode().split("\n")[:-1]
    if not matches(want, got):
        failures.append(f"{source}: orvik {args}")
        print(f"FAIL: {source}: orvik {args}\n  shown:\n    " + "\n    ".join(want)
              + "\n  printed:\n    " + "\n    ".join(got[:20]))


def main():
    with open(README, encoding="utf-8") as f:
        readme = f.read().split("\n")
    help_text = subprocess.run(ORVIK + ["--help"], capture_output=True, check=True,
                               timeout=60).stdout.decode().split("\n")
    found = [("README", *e) for e in examples(readme, 4, "build/orvik")]
    found += [("--help", *e) for e in examples(help_text, 2, "orvik")]
    for source, args, want in found:
        check(source, args, want)
    # Each of them shows at least these.
    for source, needed in (("README", ("--dice", "--at-least", "--vs")),
                           ("--help", ("--dice", "--at-least", "--vs"))):
        for option in needed:
            if not any(s == source and option in args for s, args, _ in found):
                failures.append(f"{source} shows no example of {option}")
                print(f"FAIL: {source} shows no example of {option}")
    print(f"{len(found)} examples, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
