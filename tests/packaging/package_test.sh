#!/usr/bin/env bash
# The shops' package as a shop meets it, without installing anything on this
# machine: CPack builds the .deb from the build folder; its fields, file
# list, desktop entry, metainfo and icons are checked; it is unpacked into a
# temporary root and its launcher started with a temporary home against the
# demo service (offscreen). The first start makes the per-user copy and
# reaches the login; then the service publishes a newer program, the update
# replaces the per-user copy, and the packaged copy stays as it was.
#
#   package_test.sh BUILD_DIR CPACK DEMO_SERVER MAKE_DEMO_UPDATE
set -euo pipefail
BUILD=$1
CPACK=$2
SERVER=$3
MAKE_UPDATE=$4
APP_ID=kr.nuri.nrclient

T=$(mktemp -d "${TMPDIR:-/tmp}/package-test.XXXXXX")
SERVICE_PID=""
CLIENT_PID=""
cleanup() {
    for pid in $CLIENT_PID $SERVICE_PID; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$T"
}
trap cleanup EXIT

fail() {
    echo "FAIL $*" >&2
    exit 1
}
ok() { echo "ok   $*"; }

# --- The package -----------------------------------------------------------
"$CPACK" -G DEB --config "$BUILD/CPackConfig.cmake" -B "$T/pkg" >"$T/cpack.log" 2>&1 ||
    { cat "$T/cpack.log" >&2; fail "cpack did not make the package"; }
debs=("$T"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, got: ${debs[*]}"
DEB=${debs[0]}
ok "package $(basename "$DEB")"

field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = nrclient ] || fail "package name $(field Package)"
[ -n "$(field Version)" ] || fail "no version"
case "$(basename "$DEB")" in nrclient_"$(field Version)"_"$(field Architecture)".deb) ;;
*) fail "file name $(basename "$DEB")" ;; esac
depends=$(field Depends)
# shlibdeps found the libraries the program links; the fonts come on top.
names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
for dep in fonts-nanum libqt6widgets6 libqt6gui6 libqt6printsupport6 libcurl4 zlib1g libdeflate0 libc6 libstdc++6; do
    grep -qxF "$dep" <<<"$names" || fail "Depends lacks $dep: $depends"
done
ok "depends: $depends"

# Exactly the client's files: no demo service, tests or benchmarks.
expected=$(
    cat <<LIST
./usr/bin/nrclient
./usr/lib/nrclient/nrclient
./usr/share/applications/$APP_ID.desktop
./usr/share/doc/nrclient/changelog.gz
./usr/share/doc/nrclient/copyright
./usr/share/icons/hicolor/128x128/apps/$APP_ID.png
./usr/share/icons/hicolor/16x16/apps/$APP_ID.png
./usr/share/icons/hicolor/256x256/apps/$APP_ID.png
./usr/share/icons/hicolor/32x32/apps/$APP_ID.png
./usr/share/icons/hicolor/48x48/apps/$APP_ID.png
./usr/share/icons/hicolor/64x64/apps/$APP_ID.png
./usr/share/man/man1/nrclient.1.gz
./usr/share/metainfo/$APP_ID.metainfo.xml
LIST
)
files=$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | LC_ALL=C sort)
[ "$files" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "file list differs:
$(diff <(LC_ALL=C sort <<<"$expected") <(echo "$files") || true)"
dpkg-deb -c "$DEB" | awk '$6 ~ /^\.\/usr\/(bin|lib\/nrclient)\/nrclient$/ {print $1}' | grep -qvx -- '-rwxr-xr-x' &&
    fail "program or launcher not executable by everyone"
ok "file list"

ROOT=$T/root
dpkg-deb -x "$DEB" "$ROOT"
DESKTOP=$ROOT/usr/share/applications/$APP_ID.desktop
desktop-file-validate "$DESKTOP" || fail "desktop-file-validate"
grep -qx "Icon=$APP_ID" "$DESKTOP" && grep -qx 'Exec=nrclient' "$DESKTOP" &&
    grep -qx 'Categories=Office;' "$DESKTOP" && grep -q '^Name\[ko\]=누리상점 딩동주문3$' "$DESKTOP" &&
    grep -q '^Comment\[ko\]=.' "$DESKTOP" || fail "desktop entry fields"
ok "desktop entry"
appstreamcli validate --no-net "$ROOT/usr/share/metainfo/$APP_ID.metainfo.xml" >"$T/appstream.log" 2>&1 ||
    { cat "$T/appstream.log" >&2; fail "appstreamcli validate"; }
grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$ROOT/usr/share/metainfo/$APP_ID.metainfo.xml" ||
    fail "metainfo does not launch the desktop entry"
ok "metainfo"
for size in 16 32 48 64 128 256; do
    png=$ROOT/usr/share/icons/hicolor/${size}x$size/apps/$APP_ID.png
    # PNG signature, then the IHDR width and height as 32-bit big-endian.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "$png is $w x $h"
done
ok "icons"

# --- The launcher, a temporary home and the demo service -------------------
PACKAGED=$ROOT/usr/lib/nrclient/nrclient
packaged_sum() { (cd "$ROOT" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort); }
root_before=$(packaged_sum)

mkdir -p "$T/update/DATA/IMAGE" "$T/run"
chmod 700 "$T/run"
cp "$PACKAGED" "$T/update/DATA/nrclient"
"$SERVER" --db "$T/demo.db" --host 127.0.0.1 --port 0 --port-file "$T/port" --update-dir "$T/update" \
    >"$T/service.log" 2>&1 &
SERVICE_PID=$!
for _ in $(seq 1 100); do
    [ -s "$T/port" ] && break
    sleep 0.1
done
[ -s "$T/port" ] || { cat "$T/service.log" >&2; fail "demo service did not start"; }

export HOME=$T/home
unset XDG_DATA_HOME XDG_CONFIG_HOME
export XDG_RUNTIME_DIR=$T/run
export QT_QPA_PLATFORM=offscreen
export ORDER_SERVICE_HOST=127.0.0.1:$(cat "$T/port")
export ORDER_RELAUNCH_LOG=$T/relaunch.log
export ORDER_MESSAGES_TO_STDERR=1
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
mkdir -p "$HOME"
COPY=$HOME/.local/share/$APP_ID/program
WORK=$HOME/Templates

# Starts the launcher and waits until the client has decided to go on to the
# login; then it must still be running (the login window waits for the
# shop), and is ended.
start_to_login() {
    rm -f "$ORDER_RELAUNCH_LOG"
    (cd "$T" && exec "$ROOT/usr/bin/nrclient") 2>"$T/client.err" &
    CLIENT_PID=$!
    for _ in $(seq 1 300); do
        grep -q '"launchResult"' "$ORDER_RELAUNCH_LOG" 2>/dev/null && break
        kill -0 "$CLIENT_PID" 2>/dev/null || break
        sleep 0.1
    done
    grep -qx '{"launchResult":0}' "$ORDER_RELAUNCH_LOG" 2>/dev/null ||
        { cat "$T/client.err" "$ORDER_RELAUNCH_LOG" >&2 || true; fail "$1: the client did not go on to the login"; }
    sleep 1.5
    kill -0 "$CLIENT_PID" 2>/dev/null || { cat "$T/client.err" >&2; fail "$1: the client ended instead of waiting at the login"; }
    [ -f "$COPY/user.ini" ] || fail "$1: no user.ini beside the per-user program"
    grep -q '^MESSAGE' "$T/client.err" && { cat "$T/client.err" >&2; fail "$1: the client showed a message"; }
    kill "$CLIENT_PID"
    wait "$CLIENT_PID" 2>/dev/null || true
    CLIENT_PID=""
}

# First start: the copy is made from the package and the client reaches the
# login from there.
start_to_login "first start"
cmp -s "$COPY/nrclient" "$PACKAGED" || fail "the per-user program is not the packaged one"
[ -s "$HOME/.local/share/$APP_ID/package" ] || fail "no record of the package"
ok "first start: per-user copy made, login reached"

# A newer program is published: the update check asks for its copy in the
# work folder, naming the per-user folder as the installation.
bash "$MAKE_UPDATE" "$PACKAGED" "$T/update" >/dev/null
rm -f "$ORDER_RELAUNCH_LOG"
(cd "$T" && "$ROOT/usr/bin/nrclient") 2>"$T/client.err" || fail "update check: status $?"
grep -qx '{"launchResult":1}' "$ORDER_RELAUNCH_LOG" || { cat "$T/client.err" >&2; fail "update check did not ask for the copy"; }
grep -qxF "{\"arguments\":[\"/TMPFILE\",\"$COPY/\"],\"program\":\"$WORK/nrclient\",\"workingDirectory\":\"$WORK/\"}" \
    "$ORDER_RELAUNCH_LOG" || { cat "$ORDER_RELAUNCH_LOG" >&2; fail "relaunch of the copy"; }
[ -f "$COPY/nrhelp.txt" ] && [ -f "$COPY/icon/NURILogo.bmp" ] || fail "module and picture not fetched into the per-user folder"
ok "update check: module and picture fetched into the per-user folder"

# The copy in the work folder replaces the per-user program and hands back.
rm -f "$ORDER_RELAUNCH_LOG"
(cd "$WORK" && "$WORK/nrclient" /TMPFILE "$COPY/") 2>"$T/client.err" || fail "replacement: status $?"
grep -qx '{"launchResult":2}' "$ORDER_RELAUNCH_LOG" || { cat "$T/client.err" >&2; fail "replacement did not succeed"; }
grep -qF "\"program\":\"$COPY/nrclient\",\"workingDirectory\":\"$COPY/\"}" "$ORDER_RELAUNCH_LOG" ||
    { cat "$ORDER_RELAUNCH_LOG" >&2; fail "hand-back to the per-user program"; }
cmp -s "$COPY/nrclient" "$T/update/DATA/nrclient" || fail "the per-user program was not replaced"
[ -x "$COPY/nrclient" ] || fail "the replaced program is not executable"
cmp -s "$PACKAGED" "$T/update/DATA/nrclient" && fail "the packaged program was replaced"
ok "replacement: the per-user program is the published one"

# The next start through the launcher keeps the updated copy (the package did
# not change) and finds nothing to fetch.
start_to_login "start after the update"
cmp -s "$COPY/nrclient" "$T/update/DATA/nrclient" || fail "the launcher put the packaged program back"
ok "next start: updated copy kept, login reached"

[ "$(packaged_sum)" = "$root_before" ] || fail "the unpacked package changed"
ok "the packaged copy is untouched"
