#!/usr/bin/env bash
# The Windows command answers exactly as the Linux command does: the same bytes on standard
# output and the same exit status for the same seed, options and input. Each run answers many
# texts, for a process is dear where Wine runs under emulation (seconds each under qemu-i386):
# rolls and sneak attacks with their faces and as JSON, odds, an audit of rolls and one of a
# game's log, awkward arguments and the usage message.
# Usage: same_answers.sh LINUX_ORVIK WINDOWS_ORVIK [RUNNER...]
set -u
linux=$1
windows=$2
shift 2
runner=("$@")
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/../harness.sh"
game_log=$(dirname "$0")/../../examples/game.log
# Wine reads the arguments in the locale's character set; the Linux command takes them as bytes.
export LC_ALL=C.UTF-8

# same NAME INPUT ARGS...
same() {
    local name=$1 input=$2
    shift 2
    count=$((count + 1))
    "$linux" "$@" <"$input" >"$tmp/linux.out" 2>"$tmp/linux.err"
    local linux_status=$?
    "${runner[@]}" "$windows" "$@" <"$input" >"$tmp/windows.out" 2>"$tmp/windows.err"
    local windows_status=$?
    if [ "$linux_status" != "$windows_status" ] || ! cmp -s "$tmp/linux.out" "$tmp/windows.out"; then
        fail "$name (status $linux_status on Linux, $windows_status on Windows)"
        cmp "$tmp/linux.out" "$tmp/windows.out" | head -3
        diff "$tmp/linux.out" "$tmp/windows.out" | head -10
        sed 's/^/  stderr: /' "$tmp/windows.err" | head -5
    # Standard error is a text stream on Windows: its line ends may be "\r\n".
    elif [ "$linux_status" = 2 ] && ! diff -q "$tmp/linux.err" <(tr -d '\r' <"$tmp/windows.err") >/dev/null; then
        fail "$name: different usage messages"
        diff "$tmp/linux.err" "$tmp/windows.err" | head -10
    fi
}

# Rolls of every shape from a fixed pseudo-random mix of pieces; about a third carry one fault.
# Some lines end in CRLF; then a line holding a NUL byte, one ending in a bare CR, an empty one, one
# whose answer outgrows the host's buffer, and a last one without a line feed.
awk 'BEGIN {
    srand(4);
    split("|2#|3#|30#", groups, "|");  split("31#|0#|x#", badGroups, "|");
    split("|1|3|10|100", counts, "|");  split("101|0|007", badCounts, "|");
    split("d2|d6|d20|d500", sides, "|");  split("d501|d0|d|D6", badSides, "|");
    split("|+5|-3|+1000|+2-7", mods, "|");  split("+1001|++1|-", badMods, "|");
    split("|*2|*10|*2*3", mults, "|");  split("*11|*0|*", badMults, "|");
    split("|||| to hit| the goblin  twice| é|\t", texts, "|");
    for (i = 0; i < 3000; i++) {
        p[1] = groups[int(rand() * 4) + 1];  p[2] = counts[int(rand() * 5) + 1];
        p[3] = sides[int(rand() * 4) + 1];  p[4] = mods[int(rand() * 5) + 1];
        p[5] = mults[int(rand() * 4) + 1];
        if (rand() < 0.35) {
            k = int(rand() * 5) + 1;
            if (k == 1) p[1] = badGroups[int(rand() * 3) + 1];
            if (k == 2) p[2] = badCounts[int(rand() * 3) + 1];
            if (k == 3) p[3] = badSides[int(rand() * 4) + 1];
            if (k == 4) p[4] = badMods[int(rand() * 3) + 1];
            if (k == 5) p[5] = badMults[int(rand() * 3) + 1];
        }
        printf "%s%s%s%s%s%s%s", p[1], p[2], p[3], p[4], p[5], texts[int(rand() * 8) + 1],
               (i % 7 == 0 ? "\r\n" : "\n");
    }
    printf "d6 \001junk\nd20\nd20\r\r\n\nd20 ";
    for (i = 0; i < 600; i++) printf "x";
    printf "\nd20 no newline at the end";
}' | tr '\001' '\000' >"$tmp/rolls"
awk 'NR % 2 { printf "%s %s\n", $1, $0 }' "$tmp/rolls" >"$tmp/sneaks"
# The odds of the first texts (odds are dearer than rolls).
head -n 60 "$tmp/rolls" >"$tmp/odds"
: >"$tmp/none"

same "arguments" "$tmp/none" --seed 0 d20 d20 3#d6+2 "2d6+3*2 to hit" 100d500+1000 "30#d20" d20x 101d6 ""
same "sneak attacks as arguments" "$tmp/none" --sneak --seed 4294967295 "3d6 d8+2" "2#3d6 d8" \
    "d4 2#d8 from behind" 3d6 " d8"
# Arguments arrive whole, with their quotes, backslashes and spaces, and in UTF-8.
# shellcheck disable=SC1003  # a lone backslash at the end is the point
same "awkward arguments" "$tmp/none" --seed 2147483648 "d20 café ☺" '"d6"' 'd6 "quoted" text' 'd6 a\' \
    'd6 a\"b' 'd6  two  spaces ' ' d6' '' 'd8	tab'
# The answers with their faces, and as JSON.
same "rolls on standard input, with their faces" "$tmp/rolls" --dice --seed 3
same "rolls on standard input, as JSON" "$tmp/rolls" --json --seed 4294967294
same "sneak attacks on standard input, with their faces" "$tmp/sneaks" --sneak --dice --seed 9
same "rolls as sneak attacks, as JSON" "$tmp/rolls" --sneak --json --seed 10
same "odds, at least 15" "$tmp/odds" --odds --at-least 15
same "odds against 2d6, as JSON" "$tmp/odds" --odds --json --vs 2d6
same "an audit of rolls" "$tmp/none" --audit --rolls 3000 --seed 7 d20 "3d6+1" "2#d8+2" "d20 x"
same "an audit of a game's log" "$game_log" --audit --answers --by-roller
same "help" "$tmp/none" --help
same "bad seed" "$tmp/none" --seed 4294967296 d20

finish
