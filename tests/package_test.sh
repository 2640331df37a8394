#!/usr/bin/env bash
# The Debian packages cpack makes from a build: the module (liborvikN), the development files
# (liborvik-dev) and the command (orvik). Each carries its files, in the library directory the
# build installs to, and passes lintian with no error or warning left unexplained; the command
# unpacked anywhere beside the module finds it. Installing them changes the machine, so only CI,
# as root, does that: dpkg -i, /usr/bin/orvik, hosts built against the installed development
# package (pkg-config and find_package), then dpkg --purge, which must leave nothing behind.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
# The packages hold what the build installs, under /usr: the library directory is the build's
# (lib/x86_64-linux-gnu for a /usr prefix on Debian), read from it rather than assumed.
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
major=${version%%.*}
runtime=liborvik$major

rm -f "$build"/*.deb
if ! (cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1); then
    cat "$tmp/cpack.log"
    fail "cpack -G DEB"
    finish
    exit
fi

# Each package, by name, and what it must hold.
declare -A want
want[$runtime]="./usr/$libdir/liborvik.so.$major ./usr/$libdir/liborvik.so.$version"
want[liborvik-dev]="./usr/$libdir/liborvik.so ./usr/include/orvik.h ./usr/include/orvik/Orvik_Dice.h
    ./usr/$libdir/liborvik_dice.a ./usr/$libdir/pkgconfig/orvik.pc ./usr/$libdir/cmake/orvik/orvikConfig.cmake"
want[orvik]="./usr/bin/orvik ./usr/share/man/man1/orvik.1.gz"
debs=()
for pkg in "$runtime" liborvik-dev orvik; do
    count=$((count + 1))
    deb=$(echo "$build/${pkg}_${version}_"*.deb)
    if [ ! -f "$deb" ]; then
        fail "cpack made no $pkg package"
        continue
    fi
    debs+=("$deb")
    contents=$(dpkg-deb -c "$deb")
    for f in ${want[$pkg]} "./usr/share/doc/$pkg/copyright" "./usr/share/doc/$pkg/changelog.gz"; do
        count=$((count + 1))
        grep -qE " $f( -> .*)?\$" <<<"$contents" || fail "$pkg lacks $f"
    done
done
[ ${#debs[@]} = 3 ] || {
    finish
    exit
}
# The module is the runtime package's alone: the others want it, at this version.
for pkg in liborvik-dev orvik; do
    count=$((count + 1))
    dpkg-deb -f "$build/${pkg}_${version}_"*.deb Depends | grep -qF "$runtime (= $version)" ||
        fail "$pkg does not depend on $runtime (= $version)"
done
for pkg in liborvik-dev orvik; do
    count=$((count + 1))
    dpkg-deb -c "$build/${pkg}_${version}_"*.deb | awk '{ print $6 }' | grep -q 'liborvik\.so\.' &&
        fail "$pkg holds the module's versioned files, which are $runtime's"
done

# Debian's own checker: any error or warning fails, unless the package overrides it with a reason.
if command -v lintian >/dev/null; then
    for deb in "${debs[@]}"; do
        count=$((count + 1))
        lintian "$deb" >"$tmp/lintian" 2>/dev/null
        if grep -qE '^[EW]: ' "$tmp/lintian"; then
            grep -E '^[EW]: ' "$tmp/lintian"
            fail "lintian $(basename "$deb")"
        fi
    done
    echo "lintian: no error or warning in ${#debs[@]} packages"
elif in_ci; then
    count=$((count + 1))
    fail "lintian is not installed (.ci/run installs it)"
else
    echo "skipped: lintian (Debian: lintian)"
fi

# Their files work where they land: the command and the module unpacked anywhere, the command
# finds the packaged module.
count=$((count + 1))
for pkg in "$runtime" orvik; do dpkg-deb -x "$build/${pkg}_${version}_"*.deb "$tmp/unpacked"; done
got=$("$tmp/unpacked/usr/bin/orvik" --seed 1 d20) || true
[ "$got" = "rolls a d20 and gets 7." ] || fail "the unpacked orvik said: $got"
echo "built ${debs[*]##*/}"

if [ "$(id -u)" = 0 ] && in_ci; then
    purge() { dpkg --purge orvik liborvik-dev "$runtime" >/dev/null; }
    trap 'purge; rm -rf "$tmp"' EXIT
    count=$((count + 1))
    dpkg -i "${debs[@]}" >"$tmp/dpkg.log" 2>&1 || {
        cat "$tmp/dpkg.log"
        fail "dpkg -i"
    }
    count=$((count + 1))
    got=$(/usr/bin/orvik --seed 1 d20)
    [ "$got" = "rolls a d20 and gets 7." ] || fail "installed orvik said: $got"
    # A host finds the installed module by its SONAME through the system's library search, which
    # knows of it through the ldconfig trigger.
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
    # The examples through the installed CMake package, in no prefix but the system's.
    count=$((count + 1))
    if cmake -S "$src/examples" -B "$tmp/examples" >"$tmp/examples.log" 2>&1 &&
        cmake --build "$tmp/examples" >>"$tmp/examples.log" 2>&1; then
        got=$("$tmp/examples/linked_host" d20) || true
        [ "$got" = "rolls a d20 and gets 7." ] || fail "the CMake-built linked_host said: $got"
        count=$((count + 1))
        got=$("$tmp/examples/roll_host" d20) || true
        grep -qxE 'rolls a d20 and gets [0-9]+\.' <<<"$got" || fail "the CMake-built roll_host said: $got"
        count=$((count + 1))
        got=$("$tmp/examples/dice_record" 2>&1) || true
        [ "$(tail -1 <<<"$got")" = "rolls 3#d20+5 and gets 12, 16, 8." ] || fail "dice_record said: $got"
    else
        cat "$tmp/examples.log"
        fail "the examples through find_package(orvik) against the installed packages"
    fi
    purge
    trap 'rm -rf "$tmp"' EXIT
    for pkg in "$runtime" liborvik-dev orvik; do
        count=$((count + 1))
        ! dpkg -L "$pkg" >/dev/null 2>&1 || fail "dpkg still knows $pkg after dpkg --purge"
    done
    count=$((count + 1))
    left=$(ls -d /usr/bin/orvik /usr/lib/*/liborvik* /usr/lib/liborvik* /usr/include/orvik* \
        /usr/lib/*/cmake/orvik /usr/lib/*/pkgconfig/orvik* /usr/share/doc/liborvik* /usr/share/doc/orvik \
        /usr/share/man/man1/orvik.1.gz /usr/share/lintian/overrides/*orvik* 2>/dev/null)
    [ -z "$left" ] || fail "left behind after dpkg --purge: $left"
    count=$((count + 1))
    ! /sbin/ldconfig -p | grep -q liborvik || fail "the library cache still names liborvik after dpkg --purge"
    echo "installed the three packages with dpkg, rolled with /usr/bin/orvik and the example hosts, purged them"
elif in_ci; then
    count=$((count + 1))
    fail "CI must run as root to install the Debian packages"
else
    echo "skipped: installing the packages with dpkg (done only as root in CI)"
fi

finish
