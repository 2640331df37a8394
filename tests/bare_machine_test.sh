#!/usr/bin/env bash
# The README's first command on a machine with only cmake and a compiler: GoogleTest, Google
# Benchmark and pkg-config (so libedit) hidden from CMake. It configures with one message about the
# tests, builds the command alone, and rolls; then everything builds, and with
# -DORVIK_BUILD_BENCH=OFF the benchmarks are not mentioned.
# Usage: bare_machine_test.sh SOURCE_DIR
set -u
src=$(cd "$1" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
# A user's machine, not CI: CI insists on every tool.
hidden=(-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON)
configure() { env ORVIK_CI=false cmake -S "$src" -B "$tmp/build" "${hidden[@]}" "$@" >"$tmp/log" 2>&1; }

count=$((count + 1))
if ! configure || ! cmake --build "$tmp/build" -j"$jobs" --target orvik_cli >>"$tmp/log" 2>&1; then
    tail -n 30 "$tmp/log"
    fail "configure and build without GoogleTest, Google Benchmark and pkg-config"
else
    count=$((count + 1))
    mentions=$(grep -c 'libgtest-dev' "$tmp/log")
    if [ "$mentions" != 1 ] || grep -q 'Could NOT find' "$tmp/log"; then
        fail "one configure message names libgtest-dev (it appears $mentions times)"
        grep -B2 -A3 -E 'GTest|GoogleTest' "$tmp/log" | head -20
    fi
    count=$((count + 1))
    got=$("$tmp/build/orvik" --seed 1 '2d6+3*2' 2>&1)
    [ "$got" = "rolls 2d6+3*2 and gets 24." ] || fail "the command rolls: $got"

    count=$((count + 1))
    # The command alone: no test, benchmark or example was built for it.
    built=$(find "$tmp/build" -name '*_test*' -o -name '*_bench' -o -name 'roll_host' | head -3)
    [ -z "$built" ] || fail "the README's command built more than it runs: $built"

    count=$((count + 1))
    if ! configure -DORVIK_BUILD_BENCH=OFF || ! cmake --build "$tmp/build" -j"$jobs" >>"$tmp/log" 2>&1; then
        tail -n 30 "$tmp/log"
        fail "reconfigure and build with -DORVIK_BUILD_BENCH=OFF"
    elif grep -q 'libbenchmark-dev' "$tmp/log"; then
        fail "with -DORVIK_BUILD_BENCH=OFF the configure still asks for libbenchmark-dev"
    fi
fi

finish
