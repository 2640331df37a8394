#!/usr/bin/env python3
"""The interactive prompt, driven through a pseudo-terminal as a person would use it: the hint and
prompt, line editing and history, blank lines, quit and Ctrl-D; the same prompt without the line
editor (a dumb terminal), answering each line at Enter; and never a prompt for a pipe or when rolls
are given as arguments.

Usage: interactive_test.py PATH_TO_ORVIK [RUNNER...]
With a runner (Wine), the Windows command is tried at a console instead.
"""
import codecs
import fcntl
import os
import pty
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time

ORVIK = sys.argv[1]
RUNNER = sys.argv[2:]
HINT = "Type a roll such as 2d6+3*2 or 3#d20+5 and press Enter; quit or Ctrl-D leaves."
PROMPT = "orvik> "
ERROR = "Dice Error: Invalid arguments in the attempted roll"
LEFT, UP, CTRL_A, CTRL_D, CTRL_E = "\x1b[D", "\x1b[A", "\x01", "\x04", "\x05"
failures = []
cases = []


class Session:
    """orvik on a terminal of 80x24; stdout may go elsewhere."""

    def __init__(self, *args, stdout=None, stderr=None, term="xterm", program=ORVIK, cwd=None,
                 **env):
        self.master, slave = pty.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        self.home = tempfile.TemporaryDirectory()  # no ~/.editrc of this machine
        env = dict(os.environ, TERM=term, HOME=self.home.name, **env)
        self.proc = subprocess.Popen(
            [*RUNNER, program, *args], stdin=slave, stdout=stdout if stdout else slave,
            stderr=stderr if stderr else slave, cwd=cwd, env=env, start_new_session=True,
            # The terminal is the new session's own, so that Ctrl-C there sends SIGINT.
            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        os.close(slave)
        self.seen = ""
        # A read may also end inside a character.
        self.decoder = codecs.getincrementaldecoder("utf-8")(errors="replace")

    def send(self, keys):
        os.write(self.master, keys.encode())

    def read(self, timeout):
        ready, _, _ = select.select([self.master], [], [], timeout)
        if not ready:
            return False
        try:
            data = os.read(self.master, 4096)
        except OSError:  # the program has gone and the terminal is closed
            return False
        if not data:
            return False
        self.seen += self.decoder.decode(data)
        if RUNNER:  # a console draws with escape sequences; the words are what counts
            # All that is seen, not this read alone: a read may end inside a sequence or a "\r\r\n".
            self.seen = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", self.seen).replace("\r\r\n", "\r\n")
        return True

    def expect(self, text, timeout=10.0):
        """Waits until text shows, then forgets everything up to it."""
        end = time.monotonic() + timeout
        while text not in self.seen:
            left = end - time.monotonic()
            if left <= 0 or not self.read(left):
                if text not in self.seen:
                    raise AssertionError(f"never saw {text!r}; saw {self.seen!r}")
        self.seen = self.seen[self.seen.index(text) + len(text):]

    def ready(self, timeout=10.0, prompt=PROMPT):
        """Waits for the prompt and for the editor (or the console) to take the terminal out of
        line mode, which it does just after drawing the prompt; keys sent before that are the
        terminal's, not the editor's."""
        self.expect(prompt, timeout)
        end = time.monotonic() + timeout
        while termios.tcgetattr(self.master)[3] & termios.ICANON:
            if time.monotonic() > end:
                raise AssertionError("the terminal stayed in line mode")
            time.sleep(0.01)

    def finish(self, timeout=10.0):
        """Exit status, and what it wrote before leaving."""
        try:
            status = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise AssertionError(f"still running; saw {self.seen!r}")
        while self.read(0.2):
            pass
        os.close(self.master)
        return status, self.seen


def case(name):
    cases.append(name)

    def run(fn):
        try:
            fn()
        except AssertionError as error:
            failures.append(name)
            print(f"FAIL: {name}: {error}")
        return fn
    return run


def answer(s, line):
    s.expect(line + "\r\n")
    s.ready()


if RUNNER:
    WINDOWS_HINT = "Type a roll such as 2d6+3*2 and press Enter; quit or Ctrl-Z then Enter leaves."

    @case("a Windows console: hint, prompt, each line answered at Enter, quit")
    def _():
        s = Session("--seed", "1")
        s.expect(WINDOWS_HINT + "\r\n", timeout=60)
        s.ready(60, "orvik>")  # the console moves the cursor past the prompt's space
        for line, answer in (("d20", "rolls a d20 and gets 7."), ("d6x", ERROR)):
            s.send(line + "\r")
            s.expect(line + "\r\n" + answer + "\r\n", timeout=30)
            s.ready(30, "orvik>")
        s.send("quit\r")
        status, _ = s.finish(30)
        assert status == 1, f"status {status}"

    @case("a Windows console: Ctrl-D then Enter leaves")
    def _():
        s = Session("--seed", "1")
        s.ready(60, "orvik>")
        s.send("d20\r")
        s.expect("rolls a d20 and gets 7.\r\n", timeout=30)
        s.ready(30, "orvik>")
        s.send("\x04\r")
        status, _ = s.finish(30)
        assert status == 0, f"status {status}"

    @case("a Windows console: UTF-8 shown as written, its code page put back, also after trouble")
    def _():
        # One console for cmd, the command and the probe (console_code_page.exe, built beside
        # orvik.exe), which keeps its code page from run to run. Wine draws the console in the
        # locale's character set.
        runs = ("chcp 850 & orvik.exe --odds d3 & console_code_page"
                " & orvik.exe --module nowhere.dll d20 & (if errorlevel 2 echo trouble)"
                " & console_code_page")
        s = Session("/c", runs, program="cmd", cwd=os.path.dirname(os.path.abspath(ORVIK)),
                    LC_ALL="C.UTF-8")
        s.expect("      1   33.3344%   100.0000%  " + "█" * 40 + "\r\n", timeout=60)
        s.expect("output_code_page=850\r\n", timeout=30)
        s.expect("trouble\r\n", timeout=30)
        s.expect("output_code_page=850\r\n", timeout=30)
        s.finish(30)

    print(f"{len(cases) - len(failures)} passed, {len(failures)} failed")
    sys.exit(1 if failures else 0)


@case("a session: hint, rolls, editing, history, blank line, quit")
def _():
    s = Session("--seed", "1")
    s.expect(HINT + "\r\n")
    s.expect(PROMPT)
    s.send("d20\r")
    answer(s, "rolls a d20 and gets 7.")
    s.send("d0" + LEFT + "2\r")  # a typo mended in place
    answer(s, "rolls a d20 and gets 11.")
    s.send("20" + CTRL_A + "d" + CTRL_E + "+1\r")  # start and end of line
    answer(s, "rolls a d20+1 and gets 4.")
    s.send(UP + UP + "\r")  # two back in the history: d20
    answer(s, "rolls a d20 and gets 11.")
    s.send("\r   \r")
    s.expect(PROMPT)
    s.ready()
    s.send("quit\r")
    status, rest = s.finish()
    assert status == 0, f"status {status}"
    assert "rolls" not in rest and "Dice Error" not in rest, f"blank lines were rolled: {rest!r}"


@case("Ctrl-D leaves; a dice error on the way makes the status 1")
def _():
    s = Session("--seed", "1")
    s.ready()
    s.send("d20x\r")
    answer(s, "Dice Error: Invalid arguments in the attempted roll")
    s.send(CTRL_D)
    status, _ = s.finish()
    assert status == 1, f"status {status}"


@case("sneak attacks at the prompt")
def _():
    s = Session("--sneak", "--seed", "1")
    s.expect("such as 3d6 d8+2")
    s.expect(PROMPT)
    s.send("3d6 d8+2\r")
    answer(s, "rolls ( sneak attack, +3d6 ) a d8+2 and gets 18.")
    s.send(" quit \r")
    status, _ = s.finish()
    assert status == 0, f"status {status}"


@case("the dice behind each answer at the prompt")
def _():
    s = Session("--dice", "--seed", "1")
    s.expect(PROMPT)
    s.send("d20\r")
    answer(s, "rolls a d20 and gets 7. dice: [7]")
    s.send("2#d20\r")
    answer(s, "rolls 2#d20 and gets 11, 3. dice: [11] [3]")
    s.send(CTRL_D)
    status, _ = s.finish()
    assert status == 0, f"status {status}"


@case("rolls given as arguments: no hint, no prompt")
def _():
    s = Session("--seed", "1", "d20")
    status, seen = s.finish()
    assert status == 0 and seen == "rolls a d20 and gets 7.\r\n", f"status {status}, {seen!r}"


@case("control bytes in answers at a terminal are shown, never sent: ^[ for ESC, \\u009b for C1")
def _():
    texts = ["d20 \x1b[31mred", "d20 a\x7fb\u009bc\td\re", "d20 \x1b]0;x\x07"]
    want = ("rolls a d20 ^[[31mred and gets 7.\r\n"
            "rolls a d20 a^?b\\u009bc^Id^Me and gets 11.\r\n"
            "rolls a d20 ^[]0;x^G and gets 3.\r\n")
    if not RUNNER:  # Windows takes its arguments as Unicode: a lone byte cannot reach it
        # "\udc9b" is the lone byte 0x9b in an argument, which no UTF-8 character holds.
        texts.append("d20 \udc9b2J é€")
        want += "rolls a d20 \\x9b2J é€ and gets 11.\r\n"
    s = Session("--seed", "1", *texts)
    status, seen = s.finish()
    assert status == 0 and seen == want, f"status {status}, {seen!r}"
    s = Session("--odds", "d3 \x1b[2J")
    s.expect("d3 ^[[2J\r\n  1 group: d3\r\n")
    status, _ = s.finish()
    assert status == 0, f"status {status}"
    s = Session("--seed", "1", term="dumb")  # at the prompt too: the terminal hands ESC over
    s.expect(PROMPT)
    s.send("d20 \x1b[31mred\r")
    s.expect("rolls a d20 ^[[31mred and gets 7.\r\n" + PROMPT)
    s.send(CTRL_D)
    status, _ = s.finish()
    assert status == 0, f"status {status}"


@case("control bytes in messages on standard error are shown at a terminal, sent as they are elsewhere")
def _():
    name = os.path.join(tempfile.gettempdir(), "no\x1b[31mwhere\x7f\u009b")
    for args, said in ((["--audit", "--answers", name + ".log"], "cannot open "),
                       (["--module", name + ".so", "d20"], "cannot load the dice module: ")):
        shown = name.replace("\x1b", "^[").replace("\x7f", "^?").replace("\u009b", "\\u009b")
        s = Session(*args)
        s.expect("orvik: " + said + shown + ".")
        status, _ = s.finish()
        assert status == 2, f"status {status}"
        done = subprocess.run([*RUNNER, ORVIK, *args], capture_output=True, timeout=60)
        raw = ("orvik: " + said + name + ".").encode()
        assert done.returncode == 2 and done.stderr.startswith(raw), repr(done.stderr)


@case("a long audit shows its progress at a terminal, in place; Ctrl-C reports what was counted")
def _():
    with tempfile.TemporaryFile() as out:
        s = Session("--audit", "--rolls", "1000000000000", "d20", "3d6", stdout=out)
        s.expect("\rorvik: TEXT 1: ", timeout=20)
        s.expect(" of 1,000,000,000,000 rolls, ")
        s.expect(" left")  # "about 4 days left", after the rate when the row has room
        s.expect("\rorvik: TEXT 1: ")  # redrawn over itself
        s.send("\x03")
        s.expect(" " * 40 + "\rorvik: TEXT 1: interrupted after ")  # the line wiped first
        status, rest = s.finish()
        out.seek(0)
        report = out.read()
    assert status == 130, f"status {status}"
    assert re.match(r"[0-9,]+ of 1,000,000,000,000 rolls; the report is of those\r\n$", rest), rest
    assert re.match(rb"d20\n  [0-9,]+ rolls: ", report) and b"3d6" not in report, report[:200]


@case("no progress when standard error is not a terminal; SIGINT still reports what was counted")
def _():
    with tempfile.TemporaryFile() as err:
        s = Session("--audit", "--rolls", "1000000000000", "d20", stderr=err)
        time.sleep(2)  # past the second after which a terminal would show progress
        s.proc.send_signal(signal.SIGINT)
        status, seen = s.finish()
        err.seek(0)
        said = err.read()
    assert status == 130, f"status {status}"
    assert re.fullmatch(rb"orvik: TEXT 1: interrupted after [0-9,]+ of 1,000,000,000,000 rolls; "
                        rb"the report is of those\n", said), said
    assert re.match(r"d20\r\n  [0-9,]+ rolls: ", seen), seen[:200]


@case("standard output to a file: the file holds the answers only")
def _():
    with tempfile.TemporaryFile() as out:
        s = Session("--seed", "1", stdout=out)
        s.expect(HINT)
        s.ready()
        s.send("d20\r")
        s.ready()
        s.send(CTRL_D)
        status, _ = s.finish()
        out.seek(0)
        written = out.read()
    assert status == 0 and written == b"rolls a d20 and gets 7.\n", f"{status}, {written!r}"


@case("standard input from a pipe: no hint, no prompt, nothing on standard error")
def _():
    done = subprocess.run([ORVIK, "--seed", "1"], input=b"d20\nquit\n", capture_output=True,
                          timeout=10)
    want = b"rolls a d20 and gets 7.\nDice Error: Invalid arguments in the attempted roll\n"
    assert done.stdout == want and done.stderr == b"" and done.returncode == 1, repr(done)


@case("no line editor: hint, prompt, each line answered at Enter, blank lines, quit")
def _():
    s = Session("--seed", "1", term="dumb")
    s.expect(HINT + "\r\n")
    s.expect(PROMPT)
    for line, answer in (("d20", "rolls a d20 and gets 7."), ("d6x", ERROR),
                         ("d20", "rolls a d20 and gets 11.")):
        s.send(line + "\r")  # the input stays open: the answer must come before end of input
        s.expect(line + "\r\n" + answer + "\r\n" + PROMPT)  # echo, answer, a fresh prompt
    s.send("  \r")
    s.expect(PROMPT)
    s.send("quit\r")
    status, rest = s.finish()
    assert status == 1, f"status {status}"
    assert "rolls" not in rest, f"a blank line was rolled: {rest!r}"


@case("no line editor: answers appear before end of input, then Ctrl-D leaves")
def _():
    s = Session("--seed", "1", term="dumb")
    s.expect(PROMPT)
    s.send("d20\r")
    s.expect("rolls a d20 and gets 7.\r\n" + PROMPT)
    s.send("3#d6\r")
    s.expect("rolls 3#d6 and gets ")
    s.expect(PROMPT)
    s.send(CTRL_D)
    status, _ = s.finish()
    assert status == 0, f"status {status}"


NOTICE = "orvik: `+ 3` was read as free text: write `2d6+3`"


@case("at a terminal, what was read as free text is said on standard error after its answer")
def _():
    for args, answered in ((("--seed", "1", "2d6 + 3"), "rolls 2d6 + 3 and gets "),
                           (("--odds", "2d6 + 3"), "  1 group: 2d6"),
                           (("--seed", "1", "--dice", "2d6 + 3"), "dice: [")):
        s = Session(*args)
        s.expect(answered)
        s.expect(NOTICE + "\r\n")
        s.finish()
    # Nothing to say of a text whose free text is words.
    s = Session("--seed", "1", "d20 to hit")
    status, rest = s.finish()
    assert "orvik:" not in rest, f"said: {rest!r}"


@case("never in --json, nor when the answers go to a pipe, nor on standard output")
def _():
    s = Session("--seed", "1", "--json", "2d6 + 3")
    status, rest = s.finish()
    assert "free text" not in rest, f"said with --json: {rest!r}"
    with tempfile.TemporaryFile() as out:
        s = Session("--seed", "1", "2d6 + 3", stdout=out)
        status, rest = s.finish()
        out.seek(0)
        assert out.read() == b"rolls 2d6 + 3 and gets 10.\n", "the answer alone on standard output"
        assert "free text" not in rest, f"said for a pipe's answers: {rest!r}"


print(f"{len(cases) - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
