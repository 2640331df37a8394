#!/usr/bin/env bash
# The Debian package cpack makes from a build: the files it must carry, in the library directory
# the build installs to, and the command unpacked anywhere, finding the packaged module. Installing
# it changes the machine, so only CI, as root, does that: dpkg -i, /usr/bin/orvik, a host that
# loads the installed module by name and one linked to it by pkg-config, then dpkg --purge.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
# The package holds what the build installs, under /usr: the library directory is the build's
# (lib/x86_64-linux-gnu for a /usr prefix on Debian), read from it rather than assumed.
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")

rm -f "$build"/orvik_*.deb
if ! (cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1); then
    cat "$tmp/cpack.log"
    fail "cpack -G DEB"
    finish
    exit
fi
deb=$(echo "$build"/orvik_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/orvik "./usr/$libdir/liborvik.so" ./usr/include/orvik.h ./usr/include/orvik/Orvik_Dice.h \
    "./usr/$libdir/pkgconfig/orvik.pc" "./usr/$libdir/cmake/orvik/orvikConfig.cmake" ./usr/share/man/man1/orvik.1.gz; do
    count=$((count + 1))
    grep -q " $f\$" <<<"$contents" || fail "$deb lacks $f"
done

# Its files work where they land: unpacked anywhere, the command finds the packaged module.
count=$((count + 1))
dpkg-deb -x "$deb" "$tmp/unpacked"
got=$("$tmp/unpacked/usr/bin/orvik" --seed 1 d20) || true
[ "$got" = "rolls a d20 and gets 7." ] || fail "the unpacked orvik said: $got"
echo "built $deb"

if [ "$(id -u)" = 0 ] && in_ci; then
    dpkg -i "$deb" >/dev/null
    trap 'dpkg --purge orvik >/dev/null; rm -rf "$tmp"' EXIT
    count=$((count + 1))
    got=$(/usr/bin/orvik --seed 1 d20)
    [ "$got" = "rolls a d20 and gets 7." ] || fail "installed orvik said: $got"
    # A host finds the installed module by name through the system's library search.
    count=$((count + 1))
    # shellcheck disable=SC2046 # the flags are meant to split
    cc -std=c99 $(pkg-config --cflags orvik) "$src/examples/roll_host.c" -o "$tmp/roll_host" -ldl
    got=$("$tmp/roll_host" d20) || true
    grep -qxE 'rolls a d20 and gets [0-9]+\.' <<<"$got" ||
        fail "roll_host could not load the installed module by name: $got"
    # A host links the installed module, as pkg-config tells it to.
    count=$((count + 1))
    # shellcheck disable=SC2046 # the flags are meant to split
    cc -std=c99 "$src/examples/linked_host.c" $(pkg-config --cflags --libs orvik) -o "$tmp/linked_host"
    got=$("$tmp/linked_host" d20) || true
    [ "$got" = "rolls a d20 and gets 7." ] || fail "linked_host, linked to the installed module, said: $got"
    dpkg --purge orvik >/dev/null
    trap 'rm -rf "$tmp"' EXIT
    count=$((count + 1))
    [ ! -e /usr/bin/orvik ] || fail "/usr/bin/orvik is still there after dpkg --purge"
    echo "installed $deb with dpkg, rolled with /usr/bin/orvik and two hosts, removed it again"
elif in_ci; then
    count=$((count + 1))
    fail "CI must run as root to install the Debian package"
else
    echo "skipped: installing $deb with dpkg (done only as root in CI)"
fi

finish
