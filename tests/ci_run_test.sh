#!/usr/bin/env bash
# .ci/run with apt-get, apt-cache, apt-mark, dpkg and the machine faked: an index that fails to
# download does not stop it, only a failed install does, and a machine that has everything is left
# alone. Wine's 32-bit half, when apt cannot install it as the indexes stand (an i386 index behind
# the amd64 one), is installed again with both halves of the libraries concerned at a version both
# architectures have, never at the cost of a package removed.
# Usage: ci_run_test.sh SOURCE_DIR
set -u
# shellcheck source=tests/harness.sh
. "$(dirname "$0")/harness.sh"
source_dir=$1

# One fake for every command, which logs its arguments and answers as the FAKE_ variables say.
# Its package indexes: libfoo is at 2 for amd64 (a security update) and at 1 for i386, zlib1g at
# 1 for both; the security archive has no i386 index.
fake=$tmp/fake
cat >"$fake" <<'EOF'
#!/usr/bin/env bash
name=$(basename "$0")
echo "$name $*" >>"$FAKE_LOG"
case "$name $*" in
"dpkg --compare-versions "*) exec /usr/bin/dpkg "$@" ;;
"dpkg --print-architecture") echo amd64 ;;
"dpkg --print-foreign-architectures") echo i386 ;;
"dpkg -s wine32:i386") exit "$FAKE_WINE32_INSTALLED" ;;
"dpkg -s "*) exit "$FAKE_INSTALLED" ;;
"dpkg-query "*)
    printf '%s\n' "libwine same ii " "libfoo same ii " "zlib1g same ii " "libbar foreign ii " ;;
"apt-get update"*) exit "$FAKE_UPDATE_FAILS" ;;
"apt-get -s "*)
    # What the install would do.
    echo "Inst libfoo [2] (1 Debian:12 [amd64])"
    echo "Inst libfoo:i386 (1 Debian:12 [i386])"
    [ "$FAKE_PLAN_REMOVES" = 0 ] || echo "Remv libfoo-dev [2]"
    echo "0 upgraded, 1 newly installed, 1 downgraded, 0 to remove and 0 not upgraded." ;;
"apt-get install -y -qq wine32:i386") exit "$FAKE_WINE32_FAILS" ;;
"apt-get install -y -qq -o Dir::Etc::Preferences="*)
    sed 's/^/preferences: /' "${5#Dir::Etc::Preferences=}" >>"$FAKE_LOG" ;;
"apt-get install "*) exit "$FAKE_INSTALL_FAILS" ;;
"apt-cache policy")
    cat <<'END'
Package files:
 100 /var/lib/dpkg/status
     release a=now
 500 http://deb.debian.org/debian-security bookworm-security/main amd64 Packages
     release v=12,o=Debian,a=oldstable-security,n=bookworm-security,l=Debian-Security,c=main,b=amd64
     origin deb.debian.org
 500 http://deb.debian.org/debian bookworm/main i386 Packages
     release v=12.15,o=Debian,a=oldstable,n=bookworm,l=Debian,c=main,b=i386
     origin deb.debian.org
 500 http://deb.debian.org/debian bookworm/main amd64 Packages
     release v=12.15,o=Debian,a=oldstable,n=bookworm,l=Debian,c=main,b=amd64
     origin deb.debian.org
END
    ;;
"apt-cache "*" depends "*)
    printf '%s\n' wine32:i386 "  Depends: libwine:i386" libwine:i386 "  Depends: libfoo:i386" \
        "  Depends: zlib1g:i386" "  Depends: <libvirtual:i386>" libfoo:i386 zlib1g:i386 libbar:i386 ;;
"apt-cache "*" policy "*)
    printf '%s\n' "libwine:" "  Candidate: 8" "libfoo:" "  Installed: 2" "  Candidate: 2" \
        "zlib1g:" "  Candidate: 1" "libwine:i386:" "  Candidate: 8" "libfoo:i386:" "  Candidate: 1" \
        "zlib1g:i386:" "  Candidate: 1" ;;
"apt-cache "*" madison "*)
    echo "   libfoo | 2 | http://deb.debian.org/debian-security bookworm-security/main amd64 Packages"
    [ "$FAKE_NO_COMMON" = 0 ] &&
        echo "   libfoo | 1 | http://deb.debian.org/debian bookworm/main amd64 Packages"
    echo "libfoo:i386 | 1 | http://deb.debian.org/debian bookworm/main i386 Packages"
    echo "   zlib1g | 1 | http://deb.debian.org/debian bookworm/main amd64 Packages"
    echo "zlib1g:i386 | 1 | http://deb.debian.org/debian bookworm/main i386 Packages" ;;
"apt-mark showauto "*) echo libfoo ;;
esac
exit 0
EOF
chmod +x "$fake"

# run NAME WANT_STATUS WANT_LOG_RE [FAKE_VARIABLE=VALUE...]: .ci/run in a tree of its own whose
# scripts/test only says it ran; the log holds the fakes' calls and .ci/run's output.
run() {
    local name=$1 want_status=$2 want_re=$3
    shift 3
    count=$((count + 1))
    local tree=$tmp/$name bin=$tmp/$name/bin
    mkdir -p "$tree/.ci" "$tree/scripts" "$tree/web/page/test" "$bin"
    cp "$source_dir/.ci/run" "$tree/.ci/run"
    printf '#!/bin/sh\necho "scripts/test ran"\n' >"$tree/scripts/test"
    chmod +x "$tree/.ci/run" "$tree/scripts/test"
    for tool in dpkg dpkg-query apt-get apt-cache apt-mark sleep npm; do
        ln -s "$fake" "$bin/$tool"
    done
    env PATH="$bin:$PATH" FAKE_LOG="$tree/log" FAKE_INSTALLED=0 FAKE_WINE32_INSTALLED=0 \
        FAKE_UPDATE_FAILS=0 FAKE_INSTALL_FAILS=0 FAKE_WINE32_FAILS=0 FAKE_PLAN_REMOVES=0 \
        FAKE_NO_COMMON=0 "$@" bash "$tree/.ci/run" >>"$tree/log" 2>&1
    local status=$?
    if [ "$status" != "$want_status" ] || ! grep -qE "$want_re" "$tree/log"; then
        fail "$name (status $status, wanted $want_status; no line matching '$want_re')"
        sed 's/^/  /' "$tree/log" | tail -12
    fi
}
# logged NAME RE: the run NAME's log has a line matching RE.
logged() {
    count=$((count + 1))
    grep -qE "$2" "$tmp/$1/log" || fail "$1: no line matching '$2'"
}
# not_logged NAME RE: it has none.
not_logged() {
    count=$((count + 1))
    ! grep -qE "$2" "$tmp/$1/log" || fail "$1: a line matching '$2': $(grep -m1 -E "$2" "$tmp/$1/log")"
}

run "everything installed" 0 "^scripts/test ran$"
not_logged "everything installed" "^apt-get "
run "update fails, install works" 0 "^scripts/test ran$" FAKE_INSTALLED=1 FAKE_WINE32_INSTALLED=1 \
    FAKE_UPDATE_FAILS=100
run "install fails" 100 "apt-get .*install" FAKE_INSTALLED=1 FAKE_UPDATE_FAILS=100 FAKE_INSTALL_FAILS=100
not_logged "install fails" "^scripts/test ran$"
# Three tries of the update before it goes on.
count=$((count + 1))
[ "$(grep -c '^apt-get update -qq$' "$tmp/update fails, install works/log")" = 3 ] ||
    fail "update tried $(grep -c '^apt-get update -qq$' "$tmp/update fails, install works/log") times, not 3"
# The page's test packages, as their lock file pins them, before the tests.
logged "everything installed" '^npm ci '

# Wine's 32-bit half alone missing: the lists are updated, and a plain install that works is all.
run "wine32 installs" 0 "^scripts/test ran$" FAKE_WINE32_INSTALLED=1
logged "wine32 installs" '^apt-get update -qq$'
logged "wine32 installs" '^apt-get install -y -qq wine32:i386$'
not_logged "wine32 installs" 'allow-downgrades'

# A plain install that fails: the index without an i386 twin preferred less, libfoo on both
# architectures at 1, the version both have (a downgrade, said so), zlib1g left alone, and the
# libraries named marked as installed for wine32's sake again.
run "wine32 after aligning" 0 "^scripts/test ran$" FAKE_WINE32_INSTALLED=1 FAKE_WINE32_FAILS=100
logged "wine32 after aligning" '^apt-get install -y -qq -o Dir::Etc::Preferences=[^ ]+ --allow-downgrades wine32:i386 libfoo:amd64=1 libfoo:i386=1$'
logged "wine32 after aligning" '^preferences: Pin: release v=12,o=Debian,a=oldstable-security,n=bookworm-security,l=Debian-Security,c=main$'
logged "wine32 after aligning" '^preferences: Pin-Priority: 100$'
not_logged "wine32 after aligning" '^preferences: Pin: release .*a=oldstable,'
logged "wine32 after aligning" '^  downgrading libfoo from 2 to 1$'
logged "wine32 after aligning" '^apt-mark auto libfoo libfoo:i386'
not_logged "wine32 after aligning" 'zlib1g:(amd64|i386)='
# Never at the cost of a package installed, nor without a version both architectures have.
run "aligning would remove a package" 1 "it would remove libfoo-dev" FAKE_WINE32_INSTALLED=1 \
    FAKE_WINE32_FAILS=100 FAKE_PLAN_REMOVES=1
not_logged "aligning would remove a package" '^apt-get install .*allow-downgrades'
not_logged "aligning would remove a package" "^scripts/test ran$"
run "no version in common" 1 "no version of libfoo is in both" FAKE_WINE32_INSTALLED=1 \
    FAKE_WINE32_FAILS=100 FAKE_NO_COMMON=1
not_logged "no version in common" 'allow-downgrades'
finish
