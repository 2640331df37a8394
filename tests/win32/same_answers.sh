#!/usr/bin/env bash
# The Windows command answers exactly as the Linux command does: the same bytes on standard
# output and the same exit status for the same seed, options and input.
# Usage: same_answers.sh LINUX_ORVIK WINDOWS_ORVIK [RUNNER...]
set -u
linux=$1
windows=$2
shift 2
runner=("$@")
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/../harness.sh"
# Wine reads the arguments in the locale's character set; the Linux command takes them as bytes.
export LC_ALL=C.UTF-8

# same NAME ARGS...   (standard input from $tmp/in)
same() {
    local name=$1
    shift
    count=$((count + 1))
    "$linux" "$@" <"$tmp/in" >"$tmp/linux.out" 2>"$tmp/linux.err"
    local linux_status=$?
    "${runner[@]}" "$windows" "$@" <"$tmp/in" >"$tmp/windows.out" 2>"$tmp/windows.err"
    local windows_status=$?
    if [ "$linux_status" != "$windows_status" ] || ! cmp -s "$tmp/linux.out" "$tmp/windows.out"; then
        fail "$name (status $linux_status on Linux, $windows_status on Windows)"
        cmp "$tmp/linux.out" "$tmp/windows.out" | head -3
        diff "$tmp/linux.out" "$tmp/windows.out" | head -10
    # Standard error is a text stream on Windows: its line ends may be "\r\n".
    elif [ "$linux_status" = 2 ] && ! diff -q "$tmp/linux.err" <(tr -d '\r' <"$tmp/windows.err") >/dev/null; then
        fail "$name: different usage messages"
        diff "$tmp/linux.err" "$tmp/windows.err" | head -10
    fi
}

# Rolls of every shape from a fixed pseudo-random mix of pieces; about a third carry one fault.
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
    printf "d20 no newline at the end";
}' >"$tmp/rolls"
awk 'NR % 2 { printf "%s %s\n", $1, $0 }' "$tmp/rolls" >"$tmp/sneaks"

: >"$tmp/in"
for seed in 0 1 2 42 65535 2147483648 4294967295; do
    same "seed $seed, arguments" --seed "$seed" d20 d20 3#d6+2 "2d6+3*2 to hit" 100d500+1000 "30#d20" d20x 101d6 ""
    same "seed $seed, sneak attacks" --sneak --seed "$seed" "3d6 d8+2" "2#3d6 d8" "d4 2#d8 from behind" 3d6 " d8"
done
# Arguments arrive whole, with their quotes, backslashes and spaces, and in UTF-8.
# shellcheck disable=SC1003  # a lone backslash at the end is the point
same "awkward arguments" --seed 5 "d20 café ☺" '"d6"' 'd6 "quoted" text' 'd6 a\' 'd6 a\"b' 'd6  two  spaces ' ' d6' '' 'd8	tab'
cp "$tmp/rolls" "$tmp/in"
for seed in 3 4294967294; do
    same "seed $seed, many rolls on standard input" --seed "$seed"
    same "seed $seed, many rolls as sneak attacks" --sneak --seed "$seed"
done
cp "$tmp/sneaks" "$tmp/in"
same "sneak attacks on standard input" --sneak --seed 9
: >"$tmp/in"
same "help" --help
same "version" --version
same "bad seed" --seed 4294967296 d20
same "unknown option" --frobnicate

finish
