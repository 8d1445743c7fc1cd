#!/usr/bin/env bash
# Runs the ordering client against the demo supplier service on loopback.
#
# Installs the Debian packages that are missing, configures and builds
# build/ when needed, starts demo_server on a free 127.0.0.1 port with a
# freshly seeded database in a temporary folder, prints the demo logins and
# starts the client pointed at it (ORDER_SERVICE_HOST). Closing the client
# stops the service. Without a client program, or with DEMO_SERVICE_ONLY
# set, the service runs in the foreground until Ctrl+C. DEMO_BUILD_DIR picks
# another build folder than build/. DEMO_UPDATE=1 publishes a newer program,
# a module and a picture, and starts an installed copy of the client in the
# demo folder, so that a real update runs (build/ stays untouched).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD="${DEMO_BUILD_DIR:-$ROOT/build}"

bash scripts/install-deps.sh

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --parallel "$(nproc)" --target demo_server
if [ -z "${DEMO_SERVICE_ONLY:-}" ]; then
  if ! cmake --build "$BUILD" --parallel "$(nproc)" --target nrclient; then
    echo "run-demo: the client did not build; starting the service alone." >&2
  fi
fi

SERVER="$BUILD/server/demo_server"
CLIENT="$BUILD/src/nrclient"
DEMO_DIR=$(mktemp -d "${TMPDIR:-/tmp}/nuri-demo.XXXXXX")
SERVICE_PID=""

cleanup() {
  trap - EXIT INT TERM
  if [ -n "$SERVICE_PID" ] && kill -0 "$SERVICE_PID" 2>/dev/null; then
    kill "$SERVICE_PID" 2>/dev/null || true
    wait "$SERVICE_PID" 2>/dev/null || true
  fi
  rm -rf "$DEMO_DIR"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The update folder publishes the client's own program file, so that the
# update check finds the installation current; with DEMO_UPDATE it publishes
# a newer one for an installed copy in the demo folder.
mkdir -p "$DEMO_DIR/update/DATA/IMAGE"
INSTALL="$CLIENT"
if [ -x "$CLIENT" ]; then
  if [ -n "${DEMO_UPDATE:-}" ]; then
    mkdir -p "$DEMO_DIR/install"
    cp "$CLIENT" "$DEMO_DIR/install/nrclient"
    INSTALL="$DEMO_DIR/install/nrclient"
    bash scripts/make-demo-update.sh "$CLIENT" "$DEMO_DIR/update"
  else
    cp "$CLIENT" "$DEMO_DIR/update/DATA/nrclient"
  fi
fi

"$SERVER" --db "$DEMO_DIR/demo.db" --host 127.0.0.1 --port 0 --port-file "$DEMO_DIR/port" \
  --update-dir "$DEMO_DIR/update" >"$DEMO_DIR/service.log" 2>&1 &
SERVICE_PID=$!

for _ in $(seq 1 100); do
  [ -s "$DEMO_DIR/port" ] && break
  if ! kill -0 "$SERVICE_PID" 2>/dev/null; then
    echo "run-demo: the demo service did not start:" >&2
    cat "$DEMO_DIR/service.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -s "$DEMO_DIR/port" ]; then
  echo "run-demo: the demo service did not report its port" >&2
  exit 1
fi
PORT=$(cat "$DEMO_DIR/port")
export ORDER_SERVICE_HOST="127.0.0.1:$PORT"
# libcurl honours proxy settings; the demo service is on loopback.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"

cat <<INFO

Demo supplier service on 127.0.0.1:$PORT (ORDER_SERVICE_HOST=$ORDER_SERVICE_HOST)
Database: $DEMO_DIR/demo.db (removed when the demo ends)

$("$SERVER" --print-logins)

To act as the supplier receiving an order (state I = 접수중, O = 접수):
  $SERVER --db $DEMO_DIR/demo.db --set-state ORDERCODE I

INFO

if [ -x "$CLIENT" ] && [ -z "${DEMO_SERVICE_ONLY:-}" ]; then
  if [ -n "${DEMO_UPDATE:-}" ]; then
    echo "Starting the installed copy $INSTALL: it updates itself and starts again."
    (cd "$(dirname "$INSTALL")" && "$INSTALL") || echo "run-demo: the client ended with status $?" >&2
    # The first start hands over to its copy and ends at once; the relaunched
    # copies still need the service.
    echo "Service running for the updated client; press Ctrl+C to stop it."
    wait "$SERVICE_PID"
  else
    echo "Starting the client; closing it stops the service."
    (cd "$(dirname "$INSTALL")" && "$INSTALL") || echo "run-demo: the client ended with status $?" >&2
  fi
else
  if [ ! -x "$CLIENT" ]; then
    echo "The client's windows are not there yet ($CLIENT is missing): the service runs alone."
  fi
  echo "Service running; press Ctrl+C to stop it."
  wait "$SERVICE_PID"
fi
