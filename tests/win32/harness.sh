# shellcheck shell=bash
# Sourced by the Windows test scripts: the tally, a scratch directory, and the closing line.
failures=0
count=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# fail MESSAGE...: counts a failed check and says which.
fail() {
    failures=$((failures + 1))
    echo "FAIL: $*"
}

# finish: reports the tally; the script's status is 0 only when nothing failed.
finish() {
    echo "$((count - failures)) passed, $failures failed"
    [ "$failures" = 0 ]
}
