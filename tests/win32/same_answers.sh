#!/usr/bin/env bash
# The Windows command answers exactly as the Linux command does: the same bytes on standard
# output and the same exit status for the same seed, options and input.
# Usage: same_answers.sh LINUX_ORVIK WINDOWS_ORVIK [RUNNER...]
set -u
linux=$1
windows=$2
shift 2
runner=("$@")
failures=0
count=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

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
        failures=$((failures + 1))
        echo "FAIL: $name (status $linux_status on Linux, $windows_status on Windows)"
        cmp "$tmp/linux.out" "$tmp/windows.out" | head -3
        diff "$tmp/linux.out" "$tmp/windows.out" | head -10
    # Standard error is a text stream on Windows: its line ends may be "\r\n".
    elif [ "$linux_status" = 2 ] && ! diff -q "$tmp/linux.err" <(tr -d '\r' <"$tmp/windows.err") >/dev/null; then
        failures=$((failures + 1))
        echo "FAIL: $name: different usage messages"
        diff "$tmp/linux.err" "$tmp/windows.err" | head -10
    fi
}

# Rolls of every shape, valid and not, from a fixed pseudo-random mix of pieces.
awk 'BEGIN {
    srand(4);
    split("| 2#| 30#| 31#| 0#| x#", groups, "|");
    split("|1|3|10|100|101|0|007", counts, "|");
    split("d2|d6|d20|d500|d501|d0|d|D6|d6 ", sides, "|");
    split("|+5|-3|+1000|+1001|+2-7|++1|+|-", mods, "|");
    split("|*2|*10|*11|*2*3|*0|*", mults, "|");
    split("| to hit| the goblin  twice| é|\t", texts, "|");
    for (i = 0; i < 3000; i++) {
        line = groups[int(rand() * 7) + 1] counts[int(rand() * 8) + 1] sides[int(rand() * 9) + 1] \
               mods[int(rand() * 9) + 1] mults[int(rand() * 7) + 1] texts[int(rand() * 5) + 1];
        printf "%s%s", line, (i % 7 == 0 ? "\r\n" : "\n");
    }
    printf "d20 no newline at the end";
}' >"$tmp/rolls"
awk 'NR % 2 { printf "%s %s\n", $1, $0 }' "$tmp/rolls" >"$tmp/sneaks"

: >"$tmp/in"
for seed in 0 1 2 42 65535 2147483648 4294967295; do
    same "seed $seed, arguments" --seed "$seed" d20 d20 3#d6+2 "2d6+3*2 to hit" 100d500+1000 "30#d20" d20x 101d6 ""
    same "seed $seed, sneak attacks" --sneak --seed "$seed" "3d6 d8+2" "2#3d6 d8" "d4 2#d8 from behind" 3d6 " d8"
done
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

echo "$((count - failures)) passed, $failures failed"
[ "$failures" = 0 ]
