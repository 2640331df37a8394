#!/usr/bin/env bash
# The files scripts/release made, checked as a user would: the sums verify; the page's zip holds
# the page, of this version; the Windows zip
# unpacked into an empty folder holds what it should, its DLL exports the host routines, its
# import libraries give a linked host the same names and its orvik.exe rolls under Wine; the three Debian packages carry the license and work unpacked; the
# npm package installs into an empty folder and rolls from Node as the command does; the
# source archive alone builds and passes the quick suite; every one of them says the version that
# CMakeLists.txt's project() gives; and the same commit, released again from a clone in another
# folder, gives the same bytes.
# Usage: release_test.sh DIST_DIR SOURCE_DIR   (SOURCE_DIR: the checkout DIST_DIR was released from)
# Wine runs the zip's orvik.exe where its 32-bit loader starts, natively or under qemu-i386
# registered as the handler of i386 programs (as scripts/test does); elsewhere that check is
# skipped, and said so (a missing wine fails it in CI).
set -u
dist=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
# same NAME GOT WANTED
same() {
    count=$((count + 1))
    [ "$2" = "$3" ] || fail "$1: got '$2', wanted '$3'"
}

version=$(sed -n 's/^project(orvik VERSION \([0-9][0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
name=orvik-$version
major=${version%%.*}
debs="liborvik-dev_${version}_ARCH.deb liborvik${major}_${version}_ARCH.deb orvik_${version}_ARCH.deb"
arch=$(cd "$dist" && ls orvik_"$version"_*.deb 2>/dev/null | sed -n 's/^orvik_[^_]*_\(.*\)\.deb$/\1/p')
[ -n "$arch" ] && debs=${debs//ARCH/$arch}
same "the release files" "$(cd "$dist" && LC_ALL=C ls | tr '\n' ' ')" \
    "SHA256SUMS $(echo "$debs" | cut -d' ' -f1-2) $name-web.zip $name-win32.zip $name.tar.gz $name.tgz $(echo "$debs" | cut -d' ' -f3) "
same "the changelog's latest release" "$(grep -m1 -oE '^## \[[0-9][^]]*\]' "$src/CHANGELOG.md")" \
    "## [$version]"

# The same commit released again, from a clone in another folder and later, must give the same
# bytes. It builds beside the checks below and is compared at the end. Its folder holds an earlier
# release's files, as that one's manifest lists them, which it must replace: sums, and an older
# version's archive, which must go.
again=$tmp/again
again_pid=
if commit=$(git -C "$src" rev-parse --verify -q HEAD) &&
    git clone -q --shared --no-checkout "$src" "$again/orvik" &&
    git -C "$again/orvik" checkout -q --detach "$commit"; then
    mkdir "$again/dist"
    echo "an older release" >"$again/dist/orvik-0.0.1.tar.gz"
    echo "its sums" >"$again/dist/SHA256SUMS"
    (cd "$again/dist" && sha256sum orvik-0.0.1.tar.gz SHA256SUMS >.orvik-release)
    "$again/orvik/scripts/release" "$again/dist" >"$again/log" 2>&1 &
    again_pid=$!
elif in_ci; then
    count=$((count + 1))
    fail "no clone of $src's commit to release again"
else
    echo "SKIPPED: releasing again to compare (SOURCE_DIR is not a git checkout)"
fi

# The sums: every file, each one right; and the manifest names each file the release wrote, with
# its sum, SHA256SUMS included.
count=$((count + 1))
if ! (cd "$dist" && sha256sum --check --strict --quiet SHA256SUMS) ||
    [ "$(cut -d' ' -f3 "$dist/SHA256SUMS" | LC_ALL=C sort | tr '\n' ' ')" != "$(cd "$dist" && ls | grep -v SHA256SUMS | LC_ALL=C sort | tr '\n' ' ')" ]; then
    fail "SHA256SUMS does not verify every release file"
fi
count=$((count + 1))
if ! (cd "$dist" && sha256sum --check --strict --quiet .orvik-release) ||
    [ "$(cut -d' ' -f3 "$dist/.orvik-release" | LC_ALL=C sort | tr '\n' ' ')" != "$(cd "$dist" && LC_ALL=C ls | tr '\n' ' ')" ]; then
    fail "the manifest .orvik-release does not name every release file with its sum"
fi

# The Windows zip, unpacked into an empty folder.
win=$tmp/win
mkdir "$win"
count=$((count + 1))
if ! unzip -q "$dist/$name-win32.zip" -d "$win"; then
    fail "unzip $name-win32.zip"
else
    same "the zip's files" "$(cd "$win" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" \
        "$(printf "./$name-win32/%s\n" HOSTS.txt LICENSE README.md liborvik.dll.a orvik.def orvik.dll orvik.exe orvik.h orvik.lib | LC_ALL=C sort | tr '\n' ' ')"
    w=$win/$name-win32
    for f in LICENSE README.md; do
        count=$((count + 1))
        cmp -s "$w/$f" "$src/$f" || fail "the zip's $f is not the source's"
    done
    count=$((count + 1))
    cmp -s "$w/orvik.h" "$src/host/orvik.h" || fail "the zip's orvik.h is not the source's"
    objdump=$(command -v i686-w64-mingw32-objdump || true)
    count=$((count + 1))
    if [ -z "$objdump" ]; then
        fail "i686-w64-mingw32-objdump is needed to read the DLL's exports (Debian: binutils-mingw-w64-i686)"
    elif ! cmake -DMODULE="$w/orvik.dll" -DOBJDUMP="$objdump" -P "$src/tests/check_exports.cmake" >"$tmp/exports" 2>&1 ||
        ! cmake -DMODULE="$w/orvik.exe" -DOBJDUMP="$objdump" -DEXPECTED= -P "$src/tests/check_exports.cmake" >>"$tmp/exports" 2>&1; then
        cat "$tmp/exports"
        fail "the zip's orvik.dll exports, or what it and orvik.exe import"
    fi
    # Wine's own messages go to standard error; the answer is standard output alone. The first
    # run may have to make a Wine prefix; none may take longer than a few minutes. Debian's wine
    # falls back to the 64-bit loader without the 32-bit half: there the 32-bit loader is wanted.
    # Under qemu-i386, QEMU_RESERVED_VA keeps Wine's reservations clear of the shared user data.
    wine_runner=()
    wine32=$(command -v wine || true)
    [ -x /usr/lib/wine/wine64 ] && wine32=/usr/lib/wine/wine
    if [ -x "$wine32" ] && QEMU_RESERVED_VA=0x81000000 "$wine32" --version >/dev/null 2>&1; then
        export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=${WINEPREFIX:-$tmp/wineprefix}
        wine_runner=(timeout 300 env QEMU_RESERVED_VA=0x81000000 "$wine32")
        in_wine() { (cd "$w" && "${wine_runner[@]}" "$@" 2>/dev/null | tr -d '\r'); }
        same "wine orvik.exe --seed 1 d20" "$(in_wine ./orvik.exe --seed 1 d20)" "rolls a d20 and gets 7."
        same "wine orvik.exe --version" "$(in_wine ./orvik.exe --version | grep -oE '[0-9]+\.[0-9]+\.[0-9]+')" \
            "$version"
    elif in_ci && ! command -v wine >/dev/null; then
        fail "wine is missing, so the zip's orvik.exe was not run"
    else
        # Neither the kernel nor a registered qemu-i386 starts Wine's 32-bit loader; scripts/test
        # then runs the command's tests on a 64-bit Windows build instead.
        echo "SKIPPED: running the zip's orvik.exe (Wine's 32-bit half is missing, or cannot start here)"
    fi
    # The import libraries, and those HOSTS.txt's commands make, linked by a C host as its author
    # would (and run, where Wine runs).
    count=$((count + 1))
    if ! bash "$src/tests/win32/import_libraries_test.sh" "$w/HOSTS.txt" "$w/orvik.def" "$w/orvik.h" \
        "$w/orvik.dll" "$w/liborvik.dll.a" "$w/orvik.lib" -- "${wine_runner[@]}" >"$tmp/imports" 2>&1; then
        cat "$tmp/imports"
        fail "the zip's import libraries, or HOSTS.txt's commands for making them"
    fi
fi

# The page's zip, unpacked into an empty folder: the page's files, its LICENSE the source's, and
# the version in its footer.
web=$tmp/web
mkdir "$web"
count=$((count + 1))
if ! unzip -q "$dist/$name-web.zip" -d "$web"; then
    fail "unzip $name-web.zip"
else
    same "the page zip's files" "$(cd "$web" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" \
        "$(printf "./$name-web/%s\n" LICENSE app.js core.js favicon.svg index.html style.css | LC_ALL=C sort | tr '\n' ' ')"
    count=$((count + 1))
    cmp -s "$web/$name-web/LICENSE" "$src/LICENSE" || fail "the page zip's LICENSE is not the source's"
    same "the page's version" "$(sed -n 's/^ *<p>Orvik \([0-9.]*[0-9]\)\. .*/\1/p' "$web/$name-web/index.html")" "$version"
fi

# The Debian packages, unpacked into one tree as dpkg would install them.
if [ -n "$arch" ]; then
    root=$tmp/deb
    for deb in $debs; do
        pkg=${deb%%_*}
        same "$deb's name" "$(dpkg-deb -f "$dist/$deb" Package)" "$pkg"
        same "$deb's version" "$(dpkg-deb -f "$dist/$deb" Version)" "$version"
        dpkg-deb -x "$dist/$deb" "$root"
    done
    # Each package's copyright file is the same machine-readable one, and its license text is
    # LICENSE's, word for word.
    copyright=$root/usr/share/doc/orvik/copyright
    for pkg in liborvik-dev "liborvik$major"; do
        count=$((count + 1))
        cmp -s "$root/usr/share/doc/$pkg/copyright" "$copyright" || fail "$pkg's copyright file is not orvik's"
    done
    count=$((count + 1))
    if [ ! -f "$copyright" ] || ! head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        ! grep -qx 'Copyright: 2026 the Orvik authors' "$copyright"; then
        fail "the package's copyright file (Format and Copyright fields)"
    fi
    count=$((count + 1))
    awk '/^License: Expat$/ { n++; next } n == 2 && /^ / { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' \
        "$copyright" >"$tmp/copyright-license"
    sed -n '/^Permission/,$p' "$src/LICENSE" >"$tmp/license"
    diff "$tmp/license" "$tmp/copyright-license" || fail "the copyright file's license text is not LICENSE's"
    same "the Debian changelog's latest version" \
        "$(zcat "$root/usr/share/doc/orvik/changelog.gz" | sed -n '1s/^orvik (\([^)]*\)).*/\1/p')" "$version"
    same "the unpacked command's version" "$("$root/usr/bin/orvik" --version | grep -oE '[0-9]+\.[0-9]+\.[0-9]+')" "$version"
    same "the unpacked command rolls" "$("$root/usr/bin/orvik" --seed 1 d20)" "rolls a d20 and gets 7."
    same "the manual page's version" \
        "$(zcat "$root/usr/share/man/man1/orvik.1.gz" | sed -n 's/^\.TH .*"orvik \([0-9.]*\)".*/\1/p')" "$version"
    pc=$(find "$root" -name orvik.pc)
    same "orvik.pc's version" "$(sed -n 's/^Version: //p' "$pc")" "$version"
    same "the CMake package's version" \
        "$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$(find "$root" -name orvikConfigVersion.cmake)")" "$version"
fi

# The npm package, installed from its tarball into an empty folder (it has no dependencies, so
# no network is needed), rolls from Node as the unpacked command does, and says the version.
if ! command -v npm >/dev/null || ! command -v node >/dev/null; then
    count=$((count + 1))
    fail "npm and node are needed to install and run $name.tgz (Debian: npm)"
else
    user=$tmp/npm-user
    mkdir "$user"
    cat >"$user/roll.mjs" <<'EOF'
import createOrvik from 'orvik';
import { createRequire } from 'node:module';
const orvik = await createOrvik();
orvik.seed(1);
console.log(createRequire(import.meta.url)('orvik/package.json').version);
console.log(orvik.roll('d20').answer);
EOF
    if ! (cd "$user" && npm_config_cache=$tmp/npm-cache npm_config_update_notifier=false \
        npm install --offline --no-audit --no-fund --silent "$dist/$name.tgz") >"$tmp/npm.log" 2>&1; then
        cat "$tmp/npm.log"
        count=$((count + 1))
        fail "npm install $name.tgz into an empty folder"
    else
        same "the npm package rolls from Node" "$(cd "$user" && node roll.mjs 2>&1 | tr '\n' ' ')" \
            "$version rolls a d20 and gets 7. "
    fi
fi

# The source archive alone: unpacked where no checkout is near, it builds and passes the quick
# suite.
count=$((count + 1))
tar -xzf "$dist/$name.tar.gz" -C "$tmp"
if [ ! -x "$tmp/$name/scripts/test" ]; then
    fail "the source archive has no $name/scripts/test"
elif ! (cd "$tmp/$name" && scripts/test --quick) >"$tmp/quick.log" 2>&1; then
    tail -n 40 "$tmp/quick.log"
    fail "the source archive's scripts/test --quick"
else
    grep -E '^[0-9]+% tests passed' "$tmp/quick.log" | sed 's/^/source archive: /'
fi

if [ -n "$again_pid" ]; then
    count=$((count + 1))
    if ! wait "$again_pid"; then
        tail -n 40 "$again/log"
        fail "the second release, from $again/orvik"
    else
        same "the second release's folder" "$(cd "$again/dist" && LC_ALL=C ls -A | tr '\n' ' ')" \
            "$(cd "$dist" && LC_ALL=C ls -A | tr '\n' ' ')"
        count=$((count + 1))
        if ! cmp -s "$dist/SHA256SUMS" "$again/dist/SHA256SUMS" ||
            ! (cd "$again/dist" && sha256sum --check --strict --quiet SHA256SUMS); then
            diff "$dist/SHA256SUMS" "$again/dist/SHA256SUMS"
            fail "the same commit released again gave other bytes (diffoscope on two releases shows where)"
        else
            echo "released again from another folder: the same $(wc -l <"$dist/SHA256SUMS") files, byte for byte"
        fi
    fi
fi

finish
