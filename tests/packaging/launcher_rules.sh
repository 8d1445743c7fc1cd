#!/usr/bin/env bash
# The launcher's rules for the per-user copy, with stand-in programs (shell
# scripts carrying the client's version line) in a temporary package root:
# when the copy is made, kept or refreshed, that user.ini and fetched files
# survive, where the copy lives and how the program is started.
#
#   launcher_rules.sh LAUNCHER
set -euo pipefail
LAUNCHER=$1
T=$(mktemp -d "${TMPDIR:-/tmp}/launcher-rules.XXXXXX")
trap 'rm -rf "$T"' EXIT

ROOT=$T/root
PKG=$ROOT/usr/lib/nrclient
mkdir -p "$ROOT/usr/bin" "$PKG"
cp "$LAUNCHER" "$ROOT/usr/bin/nrclient"
export HOME=$T/home
unset XDG_DATA_HOME
COPY=$HOME/.local/share/kr.nuri.nrclient/program
RAN=$T/ran

failures=0
check() { # description, then the test command
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what" >&2
        failures=$((failures + 1))
    fi
}

# A stand-in program: says which build it is, where it runs and what it got
# (then "end", so that a lost empty argument shows).
program() { # file version build
    mkdir -p "$(dirname "$1")"
    printf '#!/bin/sh\n# NRCLIENT-VERSION=%s\nprintf "%%s\\n" "%s" "$0" "$PWD" "$@" end >"$RAN"\n' "$2" "$3" >"$1"
    chmod 755 "$1"
}
# A new package: another build of the program, with the time dpkg gives it.
install_package() { # version build epoch
    program "$PKG/nrclient" "$1" "$2"
    touch -d "@$3" "$PKG/nrclient"
}
# What the start-up update does: replaces the program in the user's copy.
update_copy() { # version build
    program "$COPY/nrclient.new" "$1" "$2"
    mv -f "$COPY/nrclient.new" "$COPY/nrclient"
}
start() {
    rm -f "$RAN"
    (cd "$T" && "$ROOT/usr/bin/nrclient" "$@")
}
ran_build() { [ "$(sed -n 1p "$RAN" 2>/dev/null)" = "$1" ]; }
line() { [ "$(sed -n "$1p" "$RAN")" = "$2" ]; }

export RAN
# Names, sizes, times, modes and contents of the package root.
snapshot() { (cd "$ROOT" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort); }
install_package 3.2 pkg-3.2 1700000000

# 1. First start: the copy is made and the program runs there, in its
# folder, with the arguments as given.
start /SKIPCHECK "a^b c" ""
check "first start runs the package's program from the user's copy, in its folder, with the arguments as given" \
    test "$(cat "$RAN")" = "$(printf '%s\n' pkg-3.2 "$COPY/nrclient" "$COPY" /SKIPCHECK "a^b c" "" end)"
check "the copy is executable" test -x "$COPY/nrclient"
check "the package is recorded beside the copy" test -s "$HOME/.local/share/kr.nuri.nrclient/package"
check "no seeding leftovers" test -z "$(ls -A "$COPY" | grep -v '^nrclient$')"

# 2. An update replaced the program (same version): kept while the package
# stays the same; user.ini and a fetched module appear beside it.
update_copy 3.2 update-3.2
printf '[MASTER]\nID=NURI\n' >"$COPY/user.ini"
echo module >"$COPY/nrhelp.txt"
start
check "an updated copy is kept while the package is unchanged" ran_build update-3.2

# 3. A newer package replaces the older copy, keeping user.ini and the
# fetched module.
install_package 3.3 pkg-3.3 1700100000
start
check "a newer package replaces an older copy" ran_build pkg-3.3
check "... keeping user.ini" grep -qx 'ID=NURI' "$COPY/user.ini"
check "... and files the updates fetched" test -f "$COPY/nrhelp.txt"

# 4. An update brings 3.5; an older package (3.4) installed later does not
# take it back, and a package that catches up (3.5.1) replaces it.
update_copy 3.5 update-3.5
start
check "an updated copy is kept" ran_build update-3.5
install_package 3.4 pkg-3.4 1700200000
start
check "a package older than the updated copy leaves the copy" ran_build update-3.5
start
check "... on later starts too" ran_build update-3.5
install_package 3.5.1 pkg-3.5.1 1700300000
start
check "a package that catches up replaces the copy" ran_build pkg-3.5.1

# 5. Another build of the same version, as a package: the copy is refreshed
# (not newer), also when the update left a same-version program.
update_copy 3.5.1 update-3.5.1
install_package 3.5.1 pkg-3.5.1-rebuilt 1700400000
start
check "a rebuilt package of the same version replaces the copy" ran_build pkg-3.5.1-rebuilt

# 6. A program the copy lost (a failed update) is put back at once, even
# with the package unchanged; and a copy without a version line is older
# than any package.
rm -f "$COPY/nrclient"
start
check "a missing program in the copy is put back" ran_build pkg-3.5.1-rebuilt
printf '#!/bin/sh\nprintf "%%s\\n" no-version >"$RAN"\n' >"$COPY/nrclient"
install_package 3.6 pkg-3.6 1700500000
package_state=$(snapshot)
start
check "a copy without a version line gives way to the package" ran_build pkg-3.6

# 7. The data folder follows XDG_DATA_HOME when it is absolute and ignores
# it when relative.
XDG_DATA_HOME=$T/data start
check "XDG_DATA_HOME holds the copy" line 2 "$T/data/kr.nuri.nrclient/program/nrclient"
XDG_DATA_HOME=relative/data start
check "a relative XDG_DATA_HOME is ignored" line 2 "$COPY/nrclient"
check "... and nothing is made there" test ! -e "$T/relative"

# 8. The packaged folder is only read.
check "the packaged files are never written" test "$(snapshot)" = "$package_state"

# 9. Without the packaged program the launcher refuses, saying why.
mv "$PKG/nrclient" "$T/away"
if out=$(start 2>&1); then status=0; else status=$?; fi
check "a missing packaged program is an error" test "$status" -ne 0
check "... that names the program" grep -q "usr/lib/nrclient/nrclient is missing" <<<"$out"
check "... and nothing ran" test ! -e "$RAN"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
