#!/usr/bin/env bash
# The 32-bit DLL's import libraries as a host author uses them: the ones shipped (liborvik.dll.a
# for MinGW, orvik.lib for Microsoft-style linkers) and the ones HOSTS.txt's commands make from
# orvik.def. A C host linked against each must import exactly the names the DLL exports: one that
# keeps its @N links, then fails at run time. With a RUNNER that starts 32-bit programs, each host
# also rolls.
# Usage: import_libraries_test.sh FILE... [-- RUNNER...]
#   FILEs: HOSTS.txt, orvik.def, orvik.h, orvik.dll, liborvik.dll.a and orvik.lib, as in the zip.
set -u
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/../harness.sh"
host_source=$(cd "$(dirname "$0")" && pwd)/linked_host.c
dir=$tmp/zip
mkdir "$dir"
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    cp "$1" "$dir/"
    shift
done
[ $# -gt 0 ] && shift
runner=("$@")

triple=i686-w64-mingw32
cc=$(command -v $triple-gcc || true)
objdump=$(command -v $triple-objdump || true)
dlltool=$(command -v $triple-dlltool || true)
llvm_dlltool=$(command -v llvm-dlltool || true)
if [ -z "$cc" ] || [ -z "$objdump" ] || [ -z "$dlltool" ]; then
    fail "$triple-gcc, -objdump and -dlltool are needed (Debian: g++-mingw-w64-i686)"
    finish
    exit
fi

exports="DiceMain LoadDll OrvikSeed SneakAttack "
# imports EXE: the names EXE imports from orvik.dll, sorted, on one line.
imports() {
    "$objdump" -p "$1" | awk '/DLL Name: / { from = tolower($3) == "orvik.dll"; next }
                              from && NF == 0 { from = 0 }
                              from && $1 ~ /^[0-9a-f]+$/ { print $NF }' | LC_ALL=C sort | tr '\n' ' '
}
n=0
# linked NAME LIBRARY: links the host against LIBRARY into $exe; true when it imports exactly the
# exported names.
linked() {
    n=$((n + 1))
    exe=$dir/host$n.exe
    if ! "$cc" -Wall -Wextra -Werror -I"$dir" "$host_source" "$2" -o "$exe" 2>"$tmp/link"; then
        sed 's/^/  /' "$tmp/link" | head -5
        echo "  $1: the host does not link"
        return 1
    fi
    local got
    got=$(imports "$exe")
    [ "$got" = "$exports" ] && return 0
    echo "  $1: the host imports '$got' from orvik.dll, wanted '$exports'"
    return 1
}
want=$'rolls a d20 and gets 7.\nrolls ( sneak attack, +3d6 ) a d8+2 and gets 18.'
# check NAME LIBRARY: a host linked against LIBRARY imports the exported names, and rolls.
check() {
    count=$((count + 1))
    linked "$@" || {
        fail "$1"
        return
    }
    [ ${#runner[@]} = 0 ] && return
    count=$((count + 1))
    local out
    out=$(cd "$dir" && "${runner[@]}" "$exe" 2>"$tmp/err" </dev/null | tr -d '\r')
    if [ "$out" != "$want" ]; then
        fail "$1: the host gave '$out'"
        sed 's/^/  stderr: /' "$tmp/err" | head -5
    fi
}

# The check must see a name that keeps its @N, as plain dlltool leaves it.
count=$((count + 1))
printf 'LIBRARY orvik.dll\nEXPORTS\n    LoadDll@4\n    DiceMain@24\n    SneakAttack@24\n    OrvikSeed@4\n' \
    >"$tmp/decorated.def"
"$dlltool" -d "$tmp/decorated.def" -l "$tmp/decorated.a"
if linked "@N kept" "$tmp/decorated.a" >/dev/null; then
    fail "the check passes an import library whose names keep their @N"
fi

check "the shipped liborvik.dll.a" "$dir/liborvik.dll.a"
if [ -f "$dir/orvik.lib" ]; then
    check "the shipped orvik.lib" "$dir/orvik.lib"
elif in_ci; then
    count=$((count + 1))
    fail "no orvik.lib to check"
else
    echo "SKIPPED: the shipped orvik.lib (made only with llvm-dlltool; Debian: llvm)"
fi

# The commands HOSTS.txt gives for making an import library from orvik.def, one for each tool, run
# as given in a folder that holds orvik.def alone. Debian's cross MinGW prefixes its dlltool with
# the target.
made=$tmp/made
mkdir "$made"
cp "$dir/orvik.def" "$made/"
given=()
while read -r tool args; do
    given+=("$tool")
    program=$dlltool
    [ "$tool" = llvm-dlltool ] && program=$llvm_dlltool
    if [ -z "$program" ]; then
        if in_ci; then
            count=$((count + 1))
            fail "llvm-dlltool is missing (Debian: llvm)"
        else
            echo "SKIPPED: HOSTS.txt's llvm-dlltool command (Debian: llvm)"
        fi
        continue
    fi
    # shellcheck disable=SC2086 # the command's words, as HOSTS.txt spells them
    if ! (cd "$made" && "$program" $args) 2>"$tmp/err"; then
        count=$((count + 1))
        fail "HOSTS.txt's '$tool $args': $(head -1 "$tmp/err")"
        continue
    fi
    library=$(sed -n 's/.*-l \([^ ]*\).*/\1/p' <<<"$args")
    check "HOSTS.txt's '$tool $args'" "$made/$library"
done < <(sed -n 's/^ *\(\(llvm-\)\{0,1\}dlltool .*-d orvik\.def.*\)$/\1/p' "$dir/HOSTS.txt")
count=$((count + 1))
[ "$(printf '%s\n' "${given[@]}" | LC_ALL=C sort | tr '\n' ' ')" = "dlltool llvm-dlltool " ] ||
    fail "HOSTS.txt's commands that make an import library from orvik.def: wanted one for dlltool" \
        "and one for llvm-dlltool, got '${given[*]}'"

finish
