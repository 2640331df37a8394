#!/usr/bin/env python3
"""--dice and --json against a replay of the generator written here from its definition.

Thousands of seeded texts of every shape (groups, multipliers, sneak attacks, free text, refused
texts, answers too long for the host buffer) are rolled three ways: plainly, with --dice and with
--json. The answers must be byte-identical, and every face must be the one this replay draws:
each within 1 to the sides, adding up to the totals in the module's own sentence.

Usage: dice_test.py PATH_TO_ORVIK [RUNNER...]
"""
import json
import random
import subprocess
import sys

ORVIK = sys.argv[2:] + sys.argv[1:2]  # the runner (Wine), if any, then the command
INVALID = "Dice Error: Invalid arguments in the attempted roll"
LOWEST = -(2**31)
BUFFER = 512
failures = []


class Generator:
    """The module's generator: a 32-bit LCG whose bits 16 to 30 are each draw."""

    def __init__(self, seed):
        self.state = seed

    def face(self, sides):
        self.state = (self.state * 22695477 + 1) & 0xFFFFFFFF
        return ((self.state >> 16) & 0x7FFF) % sides + 1


class Roll:
    """A roll text built from its parts, so that what it asks for is known without parsing."""

    def __init__(self, rng, room_for_free_text=True):
        self.groups = rng.choice([1, 1, 1, 2, 3, 30, rng.randint(1, 31)])
        self.count = rng.choice([None, 1, 2, 3, rng.randint(1, 100), rng.randint(90, 101)])
        self.sides = rng.choice([1, 2, 6, 20, 100, 500, rng.randint(1, 501)])
        self.terms = [rng.choice([1, -1]) * rng.choice([1, 5, 1000, rng.randint(1, 2000000000)])
                      for _ in range(rng.choice([0, 0, 1, 2]))]
        self.factors = [rng.randint(1, 6) for _ in range(rng.choice([0, 0, 0, 1, 2]))]
        self.free = ""
        if room_for_free_text and rng.random() < 0.3:
            # Long enough, now and then, that the sentence may not fit the host's buffer.
            length = rng.choice([5, 40, 400, 450, 480, 490, 600])
            self.free = " " + "".join(rng.choice("abc xyz#?") for _ in range(length)).replace("#", "n")
        self.garbage = rng.random() < 0.05  # a character no roll text allows, after the dice

    def text(self):
        text = f"{self.groups}#" if self.groups != 1 else ""
        text += f"{self.count}d{self.sides}" if self.count is not None else f"d{self.sides}"
        text += "".join(f"+{t}" if t > 0 else f"-{-t}" for t in self.terms)
        text += "".join(f"*{f}" for f in self.factors)
        return text + ("x" if self.garbage else "") + self.free

    def multiplier(self):
        return self.factors[0] + sum(f - 1 for f in self.factors[1:]) if self.factors else 0

    def dice(self):
        return (self.count or 1) * max(self.multiplier(), 1)

    def modifier(self):
        return sum(self.terms) * max(self.multiplier(), 1)

    def accepted(self):
        """Whether the text passes the parser and the limits, so that its dice are drawn."""
        return (not self.garbage and self.groups <= 30 and self.dice() <= 100
                and self.sides <= 500 and self.modifier() <= 1000 and self.multiplier() <= 10
                and self.modifier() >= LOWEST)

    def draw(self, generator):
        return [[generator.face(self.sides) for _ in range(self.dice())]
                for _ in range(self.groups)]


def expect(text, parts, sneak, generator):
    """What the module must answer, and the faces behind it, drawing as it draws."""
    if sneak:
        sneak_roll, main = parts
        if not sneak_roll.accepted():
            return None, None, None
        sneak_faces = sneak_roll.draw(generator)[0]  # every group is drawn; the first counts
        extra = sum(sneak_faces) + sneak_roll.modifier()
        described = f"( sneak attack, +{sneak_roll.text()} ) " + (
            "a " if main.text().startswith("d") else "") + main.text()
    else:
        main, sneak_faces, extra = parts[0], None, 0
        described = ("a " if text.startswith("d") else "") + text
    if not main.accepted():
        return None, None, None
    faces = main.draw(generator)
    totals = [sum(f) + main.modifier() + extra for f in faces]
    sentence = f"rolls {described} and gets {', '.join(map(str, totals))}."
    if min(totals) < LOWEST or len(sentence) + 1 > max(BUFFER, len(text.encode()) + 1):
        return INVALID, None, None
    return sentence, faces, sneak_faces


def run(args, lines):
    done = subprocess.run(ORVIK + args, input="".join(l + "\n" for l in lines).encode(),
                          capture_output=True, timeout=120)
    return done.returncode, done.stdout.decode("utf-8", "replace").split("\n")[:-1]


def check(what, ok):
    if not ok:
        failures.append(what)


def trial(seed, sneak, count):
    rng = random.Random(seed)
    rolls = []
    for _ in range(count):
        parts = [Roll(rng, room_for_free_text=False), Roll(rng)] if sneak else [Roll(rng)]
        text = " ".join(p.text() for p in parts)
        if sneak and rng.random() < 0.02:
            text = parts[0].text().replace(" ", "")  # no space to split at
            parts = None
        rolls.append((text, parts))
    texts = [t for t, _ in rolls]
    flags = ["--seed", str(seed)] + (["--sneak"] if sneak else [])
    plain_status, plain = run(flags, texts)
    dice_status, diced = run(flags + ["--dice"], texts)
    json_status, objects = run(flags + ["--json"], texts)
    check(f"seed {seed}: one line per text", len(plain) == len(diced) == len(objects) == count)
    check(f"seed {seed}: same status ({plain_status}, {dice_status}, {json_status})",
          plain_status == dice_status == json_status and plain_status in (0, 1))
    generator = Generator(seed)
    for i, (text, parts) in enumerate(rolls[:len(objects)]):
        where = f"seed {seed} line {i + 1} {text[:60]!r}"
        obj = json.loads(objects[i])
        answer = plain[i]
        check(f"{where}: --json keeps the answer", obj["answer"] == answer)
        check(f"{where}: --json keeps the text and seed", obj["text"] == text and obj["seed"] == seed)
        sentence, faces, sneak_faces = expect(text, parts, sneak, generator) if parts else (
            None, None, None)
        if faces is None:
            if sentence is not None:
                check(f"{where}: refused as too long or too low: {answer[:60]}", answer == sentence)
            else:
                check(f"{where}: refused: {answer[:60]}", answer.startswith("Dice Error: "))
            check(f"{where}: no dice shown for a refusal",
                  diced[i] == answer and obj["groups"] == [] and "sneak" not in obj)
            continue
        check(f"{where}: the module's sentence is the replay's", answer == sentence)
        shown = [g["faces"] for g in obj["groups"]]
        check(f"{where}: faces are the generator's draws", shown == faces)
        main = parts[-1]
        check(f"{where}: every face within 1 to {main.sides}",
              all(1 <= f <= main.sides for g in shown for f in g) and obj["sides"] == main.sides)
        check(f"{where}: totals are their faces' sums",
              [g["total"] for g in obj["groups"]] ==
              [sum(g) + obj["modifier"] + (obj["sneak"]["total"] if sneak else 0) for g in shown])
        words = " ".join(f"[{' '.join(map(str, g))}]" for g in faces)
        if sneak:
            check(f"{where}: sneak faces", obj["sneak"]["faces"] == sneak_faces)
            words = f"sneak [{' '.join(map(str, sneak_faces))}] " + words
        check(f"{where}: --dice is the answer, then its faces", diced[i] == f"{answer} dice: {words}")


def main():
    total = 0
    for seed, sneak in ((1, False), (4294967295, False), (20261208, False), (7, True), (99, True)):
        trial(seed, sneak, 1000)
        total += 1000
    for failure in failures[:20]:
        print("FAIL:", failure)
    print(f"{total} texts rolled three ways, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
