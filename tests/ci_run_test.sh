#!/usr/bin/env bash
# .ci/run with apt-get, dpkg and the machine faked: an index that fails to download does not stop
# it, only a failed install does, and a machine that has everything is left alone.
# Usage: ci_run_test.sh SOURCE_DIR
set -u
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
source_dir=$1

# run NAME WANT_STATUS WANT_LOG_RE INSTALLED UPDATE_FAILS INSTALL_FAILS: .ci/run in a tree of its
# own whose scripts/test only says it ran; INSTALLED: whether dpkg knows every package.
run() {
    local name=$1 want_status=$2 want_re=$3 installed=$4 update_fails=$5 install_fails=$6
    count=$((count + 1))
    local tree=$tmp/$name bin=$tmp/$name/bin
    mkdir -p "$tree/.ci" "$tree/scripts" "$tree/web/page/test" "$bin"
    cp "$source_dir/.ci/run" "$tree/.ci/run"
    printf '#!/bin/sh\necho "scripts/test ran"\n' >"$tree/scripts/test"
    printf '#!/bin/sh\necho "dpkg $*" >>"%s/log"\n[ "$1" = --print-foreign-architectures ] && echo i386\n[ "$1" = -s ] && exit %s\nexit 0\n' \
        "$tree" "$([ "$installed" = yes ] && echo 0 || echo 1)" >"$bin/dpkg"
    printf '#!/bin/sh\necho "apt-get $*" >>"%s/log"\ncase "$*" in *update*) exit %s ;; *install*) exit %s ;; esac\n' \
        "$tree" "$update_fails" "$install_fails" >"$bin/apt-get"
    printf '#!/bin/sh\necho "sleep $*" >>"%s/log"\n' "$tree" >"$bin/sleep"
    printf '#!/bin/sh\necho "npm $*" >>"%s/log"\n' "$tree" >"$bin/npm"
    chmod +x "$tree/.ci/run" "$tree/scripts/test" "$bin"/*
    PATH="$bin:$PATH" bash "$tree/.ci/run" >>"$tree/log" 2>&1
    local status=$?
    if [ "$status" != "$want_status" ] || ! grep -qE "$want_re" "$tree/log"; then
        fail "$name (status $status, wanted $want_status)"
        sed 's/^/  /' "$tree/log" | tail -8
    fi
}

run "everything installed" 0 "^scripts/test ran$" yes 0 0
run "update fails, install works" 0 "^scripts/test ran$" no 100 0
run "install fails" 100 "apt-get .*install" no 100 100
# Three tries of the update before it goes on.
count=$((count + 1))
[ "$(grep -c '^apt-get update -qq$' "$tmp/update fails, install works/log")" = 3 ] ||
    fail "update tried $(grep -c '^apt-get update -qq$' "$tmp/update fails, install works/log") times, not 3"
# The page's test packages, as their lock file pins them, before the tests.
count=$((count + 1))
grep -q '^npm ci ' "$tmp/everything installed/log" || fail "npm ci not run"
finish
