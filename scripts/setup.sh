#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program, the tests and the benchmarks need.
# Only what is missing is installed; nothing is fetched from outside Debian.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libgl-dev
  libpq-dev libqt6sql6-psql postgresql
  qt6-qpa-plugins
  fonts-ipafont-gothic fonts-ipafont-mincho libfontconfig-dev
  qt6-translations-l10n
  gnuplot-nox r-base-core sqlite3 time python3-numpy   # the side-by-side benchmarks in bench/
  poppler-utils xvfb xauth
  librsvg2-bin desktop-file-utils appstream lintian
  libxlsxwriter-dev python3-openpyxl
  pxlib-dev
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev   # the site page and its QR code
  libssl-dev   # the site page's own certificate for HTTPS
  chromium chromium-driver python3-selenium   # the site page in a real browser (tests)
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
