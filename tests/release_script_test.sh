#!/usr/bin/env bash
# scripts/release before it builds anything: its help, and the folders it must refuse. Whatever it
# refuses, it leaves exactly as it was: a release deletes no file it did not make.
# Usage: release_script_test.sh SOURCE_DIR   (a git checkout)
set -u
src=$(cd "$1" && pwd)
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
release=$src/scripts/release

# run STATUS ARGS...: scripts/release from the scratch folder, bounded in time in case it goes on
# to build; its status must be STATUS.
run() {
    local want=$1
    shift
    count=$((count + 1))
    (cd "$tmp/cases" && timeout 120 "$release" "$@") >"$tmp/out" 2>"$tmp/err"
    local status=$?
    [ "$status" = "$want" ] || fail "release $* (status $status, wanted $want): $(head -c 300 "$tmp/err")"
}
# snapshot PATH: its listing and contents; untouched WHAT PATH SNAPSHOT: they are what they were.
snapshot() { (cd "$1" && find . -print0 | LC_ALL=C sort -z | xargs -0 ls -ld --time-style=+ | cksum && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r cat | cksum); }
untouched() {
    count=$((count + 1))
    [ "$(snapshot "$2")" = "$3" ] || fail "$1: the release changed what was there"
}

mkdir "$tmp/cases"
run 0 --help
grep -q '^Usage: scripts/release \[--\] \[OUTDIR\]' "$tmp/out" || fail "--help prints no usage"
run 0 -h
run 2 --bogus
run 2 one two
run 2 -- one two
# An OUTDIR that begins with '-' is an unknown option, unless it comes after '--'.
for arg in -dir - ---; do
    run 2 "$arg"
    grep -qF "release: unknown option '$arg'" "$tmp/err" || fail "release $arg: not named as an unknown option"
done

# Folders the release must refuse: someone else's; one holding only files named like release
# files, but no manifest; and earlier release folders (a manifest naming its files with their
# SHA-256) that have gained a foreign file, one named like a release file among them, or whose
# release file the user has since replaced.
mkdir -p "$tmp/cases/mine/sub" "$tmp/cases/named" "$tmp/cases/earlier" "$tmp/cases/notes" "$tmp/cases/changed"
echo keep >"$tmp/cases/mine/precious"
echo keep >"$tmp/cases/mine/sub/also"
for f in SHA256SUMS orvik-0.1.0.tar.gz orvik_0.1.0_amd64.deb orvik-0.1.0-win32.zip; do
    echo "mine, though named like a release file" >"$tmp/cases/named/$f"
done
: >"$tmp/cases/earlier/.orvik-release"
: >"$tmp/cases/earlier/SHA256SUMS"
echo notes >"$tmp/cases/earlier/notes.txt"
for dir in notes changed; do
    echo sums >"$tmp/cases/$dir/SHA256SUMS"
    echo source >"$tmp/cases/$dir/orvik-0.1.0.tar.gz"
    (cd "$tmp/cases/$dir" && sha256sum SHA256SUMS orvik-0.1.0.tar.gz >.orvik-release)
done
echo x >"$tmp/cases/notes/orvik-my-notes.tar.gz"
echo "my own build" >"$tmp/cases/changed/orvik-0.1.0.tar.gz"
echo text >"$tmp/cases/afile"
mkdir "$tmp/cases/-mine" "$tmp/cases/--"
echo keep >"$tmp/cases/-mine/precious"
echo keep >"$tmp/cases/--/precious"
for case in "mine:a folder holding a foreign file" "named:files named like release files, no manifest" \
    "earlier:an earlier release's folder with a foreign file" \
    "notes:an earlier release's folder with a foreign file named like a release file" \
    "changed:an earlier release's folder whose release file was replaced" "afile:a file, not a folder" \
    "-mine:a folder whose name begins with '-', after '--'" "--:a folder named '--', after '--'"; do
    dir=${case%%:*}
    before=$(snapshot "$tmp/cases")
    if [ "${dir#-}" = "$dir" ]; then run 1 "$dir"; else run 1 -- "$dir"; fi
    grep -q "^release: OUTDIR '$tmp/cases/$dir'" "$tmp/err" || fail "${case#*:}: no message naming OUTDIR"
    untouched "${case#*:}" "$tmp/cases" "$before"
done

# Tracked files: a tracked folder, the checkout itself, a folder above it.
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    for dir in "$src/doc" "$src" "$(dirname "$src")"; do
        before=$(git -C "$src" status --porcelain --ignored -- doc README.md)
        run 1 "$dir"
        count=$((count + 1))
        [ -f "$src/README.md" ] && [ -f "$src/doc/orvik.1" ] &&
            [ "$(git -C "$src" status --porcelain --ignored -- doc README.md)" = "$before" ] ||
            fail "release $dir touched tracked files"
    done
else
    echo "SKIPPED: the tracked-file cases (not a git checkout)"
fi

finish
