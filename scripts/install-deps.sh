#!/usr/bin/env bash
# Installs the Debian 12 packages the client, the demo service, the tests,
# the benchmarks and the shops' package need (CPack runs dpkg-shlibdeps,
# which needs file; the package test validates the desktop entry and the
# metainfo). Does nothing when every package is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libxcb1-dev
  libcurl4-openssl-dev zlib1g-dev libdeflate-dev libsqlite3-dev libcpp-httplib-dev
  libmicrohttpd-dev  # the demo service; cpp-httplib only plays small servers in tests
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-nanum xvfb xauth imagemagick poppler-utils
  dpkg-dev file desktop-file-utils appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
