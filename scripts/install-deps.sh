#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the run need, when they are missing.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlite3-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-dejavu-core fonts-urw-base35 xvfb xauth
  # The JPEG pictures are decoded by Qt's JPEG reader, which uses libjpeg.
  libqt6gui6 libjpeg62-turbo
  # Tests: the documents' first pages rendered, and the window read through AT-SPI as a
  # screen reader reads it, on a private D-Bus session.
  poppler-utils python3-pyatspi at-spi2-core dbus dbus-x11
  # Packaging (make package) and screenshots of the window under Xvfb.
  dpkg-dev file imagemagick
  # Export tests: the SYLK file read back by a spreadsheet program (Gnumeric's ssconvert), the
  # HTML by a real HTML parser; the CSV import benchmark set beside SQLite's own .import.
  gnumeric libxml2-utils python3 sqlite3
)
# make fuzz: libFuzzer and the sanitizers' runtime come with clang.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
