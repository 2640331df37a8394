#!/usr/bin/env bash
# The manual page agrees with the command: the same options as --help, every message the command
# can answer with, and examples whose output is what the command prints.
# Usage: man_test.sh PATH_TO_ORVIK PATH_TO_MANUAL_PAGE
set -u
orvik=$1 page=$2
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
if ! command -v man >/dev/null; then
    if in_ci; then
        echo "FAIL: man is not installed"
        exit 1
    fi
    echo "skipped: the manual page checks need man (Debian's man-db)"
    exit 0
fi

count=$((count + 1))
if ! LC_ALL=C MANWIDTH=200 man --warnings --nh --nj -l "$page" 2>"$tmp/warnings" | col -bx >"$tmp/page" ||
    [ -s "$tmp/warnings" ]; then
    fail "man -l renders the page without warnings"
    cat "$tmp/warnings"
fi
section() { sed -n "/^$1\$/,/^[A-Z]/p" "$tmp/page" | sed '1d;$d'; }
options() { grep -oE '(^|[ ,])--?[a-zA-Z][a-zA-Z-]*' | grep -oE -- '--?[a-zA-Z][a-zA-Z-]*' | sort -u; }

# The same options, both ways.
count=$((count + 1))
"$orvik" --help >"$tmp/help"
options <"$tmp/help" >"$tmp/help-options"
section OPTIONS | grep -E '^ {7}-' | options >"$tmp/man-options"
if [ ! -s "$tmp/help-options" ] || ! diff "$tmp/help-options" "$tmp/man-options"; then
    fail "options in --help (<) and in the OPTIONS section (>) differ"
fi

# Every message the command answers with is listed, word for word.
count=$((count + 1))
section MESSAGES >"$tmp/messages"
while read -r flag text; do
    # shellcheck disable=SC2086 # flag is empty or one option
    message=$("$orvik" $flag --seed 1 "$text")
    case "$message" in "Dice Error: "*) ;; *) fail "'$text' gave no dice error: $message" ;; esac
    grep -qxF "       $message" "$tmp/messages" || fail "message not in the manual: $message"
done <<'INPUTS'
- d20x
- 31#d6
- 101d6
- d501
- d6+1001
- d6*11
--sneak 3d6
INPUTS

# So is every message of the command's own on standard error: each one a run really gives must
# match a listed line, its italic words (N, reason) and a closing "..." standing for anything.
section MESSAGES | sed -n 's/^ \{7\}\(orvik: .*\)$/\1/p' |
    sed -e 's/[][\.*^$()+?{}|]/\\&/g' -e 's/\\\.\\\.\\\.$/.*/' -e 's/\bN\b/[0-9][0-9,]*/g' -e 's/\breason$/.+/' \
        -e 's/^/^/' -e 's/$/$/' >"$tmp/command-messages"
said() {  # NAME, then a command whose standard error's first line is checked
    local name=$1
    shift
    count=$((count + 1))
    local first
    first=$("$@" 2>&1 >/dev/null | head -1)
    if [ -z "$first" ] || ! grep -qEf "$tmp/command-messages" <<<"$first"; then
        fail "$name: '$first' is not among the command's messages in the manual"
    fi
}
said "seed" "$orvik" --print-seed --seed 7 d6
said "no module" "$orvik" --module "$tmp/nowhere.so" d6
said "failed write" bash -c "'$orvik' --help >/dev/full"
said "failed read" bash -c "'$orvik' --seed 1 </"
[ -n "${ORVIK_NO_MEMORY_LIMIT:-}" ] ||
    said "out of memory" bash -c "ulimit -v 100000; head -c 200000000 /dev/zero | tr '\\0' x | '$orvik' --seed 1"
said "audit of a refused text" "$orvik" --audit --seed 1 d501
said "plan of a refused text" "$orvik" --audit --plan d501
said "audit of a log without answers" bash -c "echo hello | '$orvik' --audit --answers"
said "audit of a UTF-16 log without its mark" bash -c "printf 'h\\0i\\0\\n\\0' | '$orvik' --audit --answers 2>&1 >/dev/null | tail -1 >&2"
# SIGINT at its default, which a background job otherwise ignores; sent once the audit rolls.
said "audit interrupted" bash -c "env --default-signal=INT '$orvik' --audit --rolls 1000000000000 d20 >/dev/null &
    sleep 1; kill -INT \$!
    for _ in {1..300}; do kill -0 \$! 2>/dev/null || break; sleep 0.1; done; kill -KILL \$! 2>/dev/null; wait"
if [ -n "${ORVIK_SILENT_MODULE:-}" ]; then
    said "no answer" bash -c "echo d6 | '$orvik' --module '$ORVIK_SILENT_MODULE'"
    said "no answer, audit" "$orvik" --audit --rolls 5 --module "$ORVIK_SILENT_MODULE" d6
    said "no answer, dice" bash -c "echo d6 | '$orvik' --dice --module '$ORVIK_SILENT_MODULE'"
fi
if [ -n "${ORVIK_OTHER_MODULE:-}" ]; then
    said "another generator" bash -c "echo 3d20 | '$orvik' --dice --seed 1 --module '$ORVIK_OTHER_MODULE'"
fi

# What a reader that goes away does, as the page says: with SIGPIPE at its default the signal
# ends the command, as it ends other filters, whatever the shell running this test ignores.
count=$((count + 1))
status=$(bash -c "yes d6 | env --default-signal=PIPE '$orvik' --seed 1 2>/dev/null | head -1 >/dev/null
    echo \${PIPESTATUS[1]}")
if [ "$status" != 141 ] || ! section MESSAGES | tr -s ' \n' '  ' | grep -q 'SIGPIPE at its default.*(status 141'; then
    fail "a reader that goes away: status $status; the page must say that SIGPIPE gives 141"
fi

# Each example prints what the page shows.
section EXAMPLES | sed -n 's/^ \{14\}//p' >"$tmp/examples"
orvik() { "$orvik" "$@"; }
n=0
while IFS= read -r line; do
    case "$line" in
    '$ '*)
        n=$((n + 1))
        printf '%s\n' "${line#\$ }" >"$tmp/cmd$n"
        : >"$tmp/want$n"
        ;;
    *) printf '%s\n' "$line" >>"$tmp/want$n" ;;
    esac
done <"$tmp/examples"
[ "$n" -ge 4 ] || fail "only $n examples found"
for ((i = 1; i <= n; i++)); do
    count=$((count + 1))
    eval "$(cat "$tmp/cmd$i")" >"$tmp/got$i" 2>&1
    if ! diff "$tmp/want$i" "$tmp/got$i" >/dev/null; then
        fail "example: $(cat "$tmp/cmd$i")"
        diff "$tmp/want$i" "$tmp/got$i" | head -10
    fi
done

finish
