#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it the way others will: the installed
# command, the manual page, and the examples built out of tree through the CMake package and
# through pkg-config: hosts that load the module, hosts that link it, and a C++ program.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR LIBDIR CXX_COMPILER VERSION
set -u
build=$1 src=$2 libdir=$3 cxx=$4 version=$5
case "$(basename "$cxx")" in
    clang++*) cc=${cxx/clang++/clang} ;;
    *g++*) cc=${cxx/g++/gcc} ;;
    *) cc=cc ;;
esac
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
prefix=$tmp/prefix
# expect NAME WANTED_STATUS WANTED_STDOUT -- COMMAND...
expect() {
    local name=$1 want_status=$2 want=$3
    shift 4
    count=$((count + 1))
    local got status
    got=$("$@" 2>"$tmp/err")
    status=$?
    if [ "$status" != "$want_status" ] || [ "$got" != "$want" ]; then
        fail "$name (status $status, wanted $want_status)"
        printf '  got:    %s\n  wanted: %s\n' "$got" "$want"
        sed 's/^/  stderr: /' "$tmp/err" | head -5
    fi
}
export CFLAGS="-Wall -Wextra -Wpedantic -Werror" CXXFLAGS="-Wall -Wextra -Wpedantic -Werror"

if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

# Exactly the public surface: nothing internal is installed.
count=$((count + 1))
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||; s|orvikTargets-[a-z]*\.cmake|orvikTargets-CONFIG.cmake|' | sort) >"$tmp/files"
sort >"$tmp/wanted" <<LIST
bin/orvik
include/orvik.h
include/orvik/DiceError.h
include/orvik/DiceRandom.h
include/orvik/Limits.h
include/orvik/Orvik_Dice.h
include/orvik/SneakAttack.h
$libdir/cmake/orvik/orvikConfig.cmake
$libdir/cmake/orvik/orvikConfigVersion.cmake
$libdir/cmake/orvik/orvikTargets-CONFIG.cmake
$libdir/cmake/orvik/orvikTargets.cmake
$libdir/liborvik.so
$libdir/liborvik.so.${version%%.*}
$libdir/liborvik.so.$version
$libdir/liborvik_dice.a
$libdir/pkgconfig/orvik-dice.pc
$libdir/pkgconfig/orvik.pc
share/doc/orvik/LICENSE
share/man/man1/orvik.1.gz
LIST
if ! diff "$tmp/wanted" "$tmp/files"; then fail "installed files"; fi

# Each public header compiles on its own.
count=$((count + 1))
printf '#include <orvik.h>\n' >"$tmp/h.c"
"$cc" -std=c99 $CFLAGS -fsyntax-only -I"$prefix/include" "$tmp/h.c" || fail "orvik.h alone (C)"
for h in orvik.h orvik/Orvik_Dice.h orvik/DiceError.h orvik/Limits.h orvik/DiceRandom.h orvik/SneakAttack.h; do
    printf '#include <%s>\n' "$h" >"$tmp/h.cpp"
    "$cxx" -std=c++17 $CXXFLAGS -fsyntax-only -I"$prefix/include" "$tmp/h.cpp" || fail "$h alone (C++)"
done

# The installed command finds the installed module, wherever the tree is moved.
expect "installed orvik" 0 "rolls a d20 and gets 7." -- "$prefix/bin/orvik" --seed 1 d20
mv "$prefix" "$tmp/moved"
expect "moved orvik" 0 "rolls a d20 and gets 7." -- "$tmp/moved/bin/orvik" --seed 1 d20
# The module is gone (its file, its SONAME and its link name alike).
mkdir "$tmp/aside"
mv "$tmp/moved/$libdir"/liborvik.so* "$tmp/aside/"
if compgen -G "/usr/$libdir/liborvik.so*" >/dev/null || compgen -G "/usr/local/$libdir/liborvik.so*" >/dev/null; then
    echo "note: a system-wide liborvik.so exists; not checking the missing-module case"
else
    expect "moved orvik, module gone" 2 "" -- "$tmp/moved/bin/orvik" --seed 1 d20
fi
mv "$tmp/aside"/liborvik.so* "$tmp/moved/$libdir/"
mv "$tmp/moved" "$prefix"

# The manual page renders.
count=$((count + 1))
if command -v man >/dev/null; then
    if ! MANWIDTH=80 man -l "$prefix/share/man/man1/orvik.1.gz" 2>"$tmp/manerr" | grep -q '^EXIT STATUS'; then
        fail "man -l on the installed page"
        cat "$tmp/manerr"
    fi
elif in_ci; then
    fail "man is not installed"
else
    echo "skipped: rendering the installed manual page (man is not installed)"
fi

# The examples against each package. The host's roll is from the clock, so only its shape is fixed.
E="Dice Error: Invalid arguments in the attempted roll"
check_examples() {
    local how=$1 dir=$2
    count=$((count + 1))
    local got
    got=$("$dir/roll_host" d20 d20x)
    local status=$?
    if [ "$status" != 1 ] || ! printf '%s\n' "$got" | head -1 | grep -qxE 'rolls a d20 and gets ([1-9]|1[0-9]|20)\.' ||
        [ "$(printf '%s\n' "$got" | sed -n 2p)" != "$E" ] || [ "$(printf '%s\n' "$got" | wc -l)" != 2 ]; then
        fail "$how: roll_host (status $status): $got"
    fi
    expect "$how: linked_host" 1 "rolls a d20 and gets 7.
$E" -- "$dir/linked_host" d20 d20x
    expect "$how: dice_record" 0 "3 group(s) of 1d20+5
rolls 3#d20+5 and gets 12, 16, 8." -- "$dir/dice_record"
    expect "$how: dice_record error" 1 "Dice Error: Maximum of 100 dice per roll." -- "$dir/dice_record" 101d6
    expect "$how: dice_record sneak attack" 0 "1 group(s) of 1d8+2
rolls ( sneak attack, +3d6 ) a d8+2 and gets 18." -- "$dir/dice_record" --sneak
}

count=$((count + 1))
if cmake -S "$src/examples" -B "$tmp/ex-cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" >"$tmp/log" 2>&1 &&
    cmake --build "$tmp/ex-cmake" >>"$tmp/log" 2>&1; then
    check_examples "CMake package" "$tmp/ex-cmake"
else
    cat "$tmp/log"
    fail "examples through find_package(orvik)"
fi
# A version the package does not claim to be compatible with is refused.
count=$((count + 1))
mkdir -p "$tmp/newer"
printf 'cmake_minimum_required(VERSION 3.20)\nproject(p NONE)\nfind_package(orvik 1.0 CONFIG REQUIRED)\n' >"$tmp/newer/CMakeLists.txt"
if cmake -S "$tmp/newer" -B "$tmp/newer/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null 2>&1; then
    fail "find_package(orvik 1.0) accepted version $version"
fi

count=$((count + 1))
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
mkdir -p "$tmp/ex-pc"
if [ "$(pkg-config --modversion orvik)" != "$version" ]; then
    fail "pkg-config --modversion: $(pkg-config --modversion orvik)"
fi
module=$(pkg-config --variable=module orvik)
if [ ! -f "$module" ] || [ "$(realpath "$module")" != "$(realpath "$prefix/$libdir/liborvik.so")" ]; then
    fail "pkg-config module variable: $module"
fi
if [ "$(pkg-config --modversion orvik-dice)" != "$version" ]; then
    fail "pkg-config --modversion orvik-dice: $(pkg-config --modversion orvik-dice)"
fi
# A host that links the module finds it at run time as any library outside the system's search:
# here through the run path.
# shellcheck disable=SC2046 # the flags are meant to split
if "$cc" -std=c99 $CFLAGS $(pkg-config --cflags orvik) -DORVIK_MODULE="\"$module\"" \
    "$src/examples/roll_host.c" -o "$tmp/ex-pc/roll_host" -ldl &&
    "$cc" -std=c99 $CFLAGS "$src/examples/linked_host.c" -o "$tmp/ex-pc/linked_host" \
        $(pkg-config --cflags --libs orvik) -Wl,-rpath,"$(pkg-config --variable=libdir orvik)" &&
    "$cxx" -std=c++17 $CXXFLAGS "$src/examples/dice_record.cpp" -o "$tmp/ex-pc/dice_record" \
        $(pkg-config --cflags --libs orvik-dice); then
    check_examples "pkg-config" "$tmp/ex-pc"
else
    fail "examples through pkg-config"
fi

finish
