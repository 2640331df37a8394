#!/usr/bin/env bash
# How the Windows command finds its module: beside itself, by --module (a Unix or a Windows path,
# or a bare name in the current directory), never from the current directory or PATH, and what it
# says when it cannot.
# Usage: lookup_test.sh PATH_TO_ORVIK_EXE PATH_TO_ORVIK_DLL [RUNNER...]
set -u
exe=$(realpath "$1")
dll=$(realpath "$2")
shift 2
runner=("$@")
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/../harness.sh"
# Wine reads paths in the locale's character set.
export LC_ALL=C.UTF-8
unicode="$tmp/dés ☺"
mkdir "$tmp/alone" "$tmp/pair" "$tmp/elsewhere" "$tmp/on-path" "$unicode"
mkdir -p "$tmp/drive/tools" "$tmp/drive/lib"
cp "$exe" "$tmp/alone/orvik.exe"
cp "$exe" "$tmp/drive/tools/orvik.exe"
cp "$dll" "$tmp/drive/lib/"
cp "$exe" "$dll" "$tmp/pair/"
cp "$exe" "$dll" "$unicode/"
cp "$dll" "$tmp/elsewhere/"
cp "$dll" "$tmp/elsewhere/renamed.dll"
cp "$dll" "$tmp/on-path/"
printf 'not a module\n' >"$tmp/elsewhere/text.dll"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

want="rolls a d20 and gets 7."
# expect NAME STATUS STDOUT DIRECTORY EXE ARGS...   (run from DIRECTORY)
expect() {
    local name=$1 want_status=$2 want_out=$3 dir=$4 program=$5
    shift 5
    count=$((count + 1))
    local out status
    out=$(cd "$dir" && "${runner[@]}" "$program" "$@" 2>"$tmp/err" </dev/null)
    status=$?
    if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ]; then
        fail "$name (status $status, wanted $want_status; output '$out')"
        sed 's/^/  stderr: /' "$tmp/err" | head -5
    elif [ "$want_status" = 2 ] && ! grep -q '^orvik: ' "$tmp/err"; then
        fail "$name says nothing on standard error"
    fi
}

expect "module beside the program" 0 "$want" "$tmp/elsewhere" "$tmp/pair/orvik.exe" --seed 1 d20
expect "module beside the program, a non-ASCII directory" 0 "$want" "$tmp/elsewhere" "$unicode/orvik.exe" --seed 1 d20
expect "--module, a non-ASCII path" 0 "$want" "$tmp/alone" "$tmp/alone/orvik.exe" --seed 1 --module "$unicode/orvik.dll" d20
expect "no module anywhere" 2 "" "$tmp/alone" "$tmp/alone/orvik.exe" --seed 1 d20
# Someone else's orvik.dll, even a working one, where the system's search would find it: in the
# current directory, or in a folder on PATH (Wine takes WINEPATH into it).
expect "no module beside the program, one in the current directory" 2 "" "$tmp/elsewhere" "$tmp/alone/orvik.exe" --seed 1 d20
WINEPATH=$(winpath "$tmp/on-path") expect "no module beside the program, one on PATH" 2 "" "$tmp/alone" "$tmp/alone/orvik.exe" --seed 1 d20
# Nor from an installation's library directory: orvik.exe copied alone into C:\Tools would take
# C:\lib\orvik.dll.
expect "no module beside the program, one in ..\\lib" 2 "" "$tmp/drive" "$tmp/drive/tools/orvik.exe" --seed 1 d20
expect "--module, Unix path" 0 "$want" "$tmp/alone" "$tmp/alone/orvik.exe" --seed 1 --module "$tmp/elsewhere/renamed.dll" d20
expect "--module, Windows path" 0 "$want" "$tmp/alone" "$tmp/alone/orvik.exe" --seed 1 --module "$(winpath "$tmp/elsewhere/renamed.dll")" d20
expect "--module=, bare name in the current directory" 0 "$want" "$tmp/elsewhere" "$tmp/alone/orvik.exe" --seed 1 --module=renamed.dll d20
# A bare name means that file, never one found on the search path.
expect "--module, bare name not here" 2 "" "$tmp/alone" "$tmp/pair/orvik.exe" --seed 1 --module orvik.dll d20
expect "--module, missing file" 2 "" "$tmp/alone" "$tmp/pair/orvik.exe" --seed 1 --module "$tmp/nowhere.dll" d20
expect "--module, not a module" 2 "" "$tmp/alone" "$tmp/pair/orvik.exe" --seed 1 --module "$tmp/elsewhere/text.dll" d20
expect "--module, a DLL without the routines" 2 "" "$tmp/alone" "$tmp/pair/orvik.exe" --seed 1 --module 'C:\windows\system32\kernel32.dll' d20

finish
