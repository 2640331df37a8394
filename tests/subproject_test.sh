#!/usr/bin/env bash
# Orvik as a parent project's subproject, taken in by add_subdirectory and by FetchContent from this
# source tree: the parent's programs link orvik::module and orvik::orvik and run, and the parent's
# build type, test list, packaging, warnings and install stay its own.
# Usage: subproject_test.sh SOURCE_DIR
set -u
src=$(cd "$1" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
check() {
    count=$((count + 1))
    local name=$1
    shift
    "$@" || fail "$name"
}

for by in add_subdirectory FetchContent; do
    dir=$tmp/$by
    count=$((count + 1))
    # No build type: Orvik must not choose one for the parent.
    if ! cmake -S "$src/tests/subproject" -B "$dir" -DORVIK_SOURCE="$src" -DORVIK_BY="$by" \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$tmp/log" 2>&1 ||
        ! cmake --build "$dir" -j"$jobs" >>"$tmp/log" 2>&1; then
        tail -n 30 "$tmp/log"
        fail "$by: the parent configures and builds"
        continue
    fi

    check "$by: linked_host rolls" [ "$("$dir/linked_host" d20)" = "rolls a d20 and gets 7." ]
    check "$by: dice_record rolls" [ "$("$dir/dice_record")" = "3 group(s) of 1d20+5
rolls 3#d20+5 and gets 12, 16, 8." ]

    build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$dir/CMakeCache.txt")
    check "$by: the parent's build type stays unset (got '$build_type')" [ -z "$build_type" ]

    ctest --test-dir "$dir" -N >"$tmp/tests" 2>&1
    check "$by: the parent's test list is its own" \
        [ "$(grep -E '^ *Test +#' "$tmp/tests" | sed 's/^.*: //')" = parent_rolls ]
    check "$by: the parent's test passes" ctest --test-dir "$dir" --output-on-failure -Q

    check "$by: no CPack configuration" [ ! -e "$dir/CPackConfig.cmake" ]
    check "$by: no -Werror in any compile command" \
        bash -c '! grep -q -- -Werror "$1"' - "$dir/compile_commands.json"

    cmake --install "$dir" --prefix "$tmp/prefix-$by" >/dev/null 2>&1
    installed=$(find "$tmp/prefix-$by" -type f 2>/dev/null | wc -l)
    check "$by: installs none of Orvik's files ($installed installed)" [ "$installed" = 0 ]
done

finish
