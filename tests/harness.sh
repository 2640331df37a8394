# shellcheck shell=bash
# Sourced by every shell test: the tally, a scratch directory, the closing line, and whether a
# missing tool fails a check or skips it.
failures=0
count=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# fail MESSAGE...: counts a failed check and says which.
fail() {
    failures=$((failures + 1))
    echo "FAIL: $*"
}

# in_ci: true in CI, where every tool must be present. scripts/test decides it and exports
# ORVIK_CI; run by hand or by ctest alone, a test is not in CI.
in_ci() { [ "${ORVIK_CI:-false}" = true ]; }

# finish: reports the tally; the script's status is 0 only when nothing failed.
finish() {
    echo "$((count - failures)) passed, $failures failed"
    [ "$failures" = 0 ]
}
