#!/usr/bin/env bash
# Installs the Debian packages the program needs to build, test and run,
# only those that are missing; through sudo when not root.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libgl1-mesa-dev
  pxlib-dev libsqlite3-dev
  libxlsxwriter-dev libzip-dev
  libgtest-dev
  fonts-dejavu-core fonts-liberation2
  help2man
)
if [ "${1:-}" = "--test" ]; then
  packages+=(clang libclang-rt-dev clang-format poppler-utils desktop-file-utils appstream
             python3-openpyxl libreoffice-calc-nogui)
fi
# What cpack needs to build the Debian package and find its dependencies.
if [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev file)
fi
# Optional: only for taking the user guide's pictures (docs/guide/make-screenshots.sh
# and make-workbook-shots.sh, which needs the LibreOffice Calc that shows windows:
# it takes the place of the -nogui variant the tests are content with).
if [ "${1:-}" = "--guide" ]; then
  packages+=(xvfb x11-utils openbox imagemagick libreoffice-calc xdotool)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Εγκατάσταση πακέτων: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
