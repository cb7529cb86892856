#!/usr/bin/env bash
# Takes the user guide's pictures of a grade sheet sent as a spreadsheet
# workbook, as it opens in a spreadsheet: composes a sheet of the demo school
# with ekaldo-cli, sends it with --workbook, opens it in LibreOffice Calc on a
# virtual display (Xvfb with openbox), types a grade out of range and
# photographs the screen; the pictures, reduced to a 256-colour palette, go
# into docs/guide/images/.
#
#   docs/guide/make-workbook-shots.sh [--build DIR]
#
# --build DIR   the build folder with ekaldo-cli and make-demo-school (default: build)
#
# Needs the LibreOffice Calc that shows windows (Debian's libreoffice-calc; the
# -nogui variant the tests use cannot), xvfb, openbox, xdotool and imagemagick:
# scripts/install-deps.sh --guide. The display is :92 unless
# EKALDO_WORKBOOK_DISPLAY names another.
set -euo pipefail

repo="$(cd "$(dirname "$0")/../.." && pwd)"
build="$repo/build"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$(cd "$2" && pwd)"; shift 2 ;;
    *) echo "Χρήση: $0 [--build ΦΑΚΕΛΟΣ]" >&2; exit 2 ;;
  esac
done
display="${EKALDO_WORKBOOK_DISPLAY:-:92}"
images="$repo/docs/guide/images"
cli="$build/app/ekaldo-cli"
soffice="$(command -v soffice)"
if ! ls /usr/lib/libreoffice/program/libvclplug_* >/dev/null 2>&1; then
  echo "Το LibreOffice Calc δεν μπορεί να δείξει παράθυρα (πακέτο -nogui): εγκαταστήστε το libreoffice-calc." >&2
  exit 1
fi

work="$(mktemp -d)"
pids=()
stop() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop EXIT

# A sheet of the demo school, sent as a workbook as the office sends it.
"$build/tools/make-demo-school/make-demo-school" "$work/db/MV202526.SYR" >/dev/null
office=(env LANG=el_GR.UTF-8 "$cli" --program-folder "$work/office")
"${office[@]}" list outbox >/dev/null
"${office[@]}" --db-path "$work/db" compose --year 2025-2026 --course "Α1 Πρωινό" --subject "Αρχαία" \
  --subject "Έκθεση" --subject "Μαθηματικά" --subject "Φυσική" --period 2 --save "Α1 Πρωινό.agd" >/dev/null
"${office[@]}" send "Α1 Πρωινό.agd" "$work/A1.xlsx" --workbook >/dev/null

Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  xdpyinfo -display "$display" >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY="$display" openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# A profile of its own, so that nothing of the user's shows or changes.
mkdir -p "$work/home"
DISPLAY="$display" HOME="$work/home" SAL_USE_VCLPLUGIN=gen "$soffice" -env:UserInstallation="file://$work/home" \
  --calc --norestore --nologo "$work/A1.xlsx" >"$work/soffice.log" 2>&1 &
pids+=($!)
DISPLAY="$display" timeout 120 xdotool search --sync --name "A1.xlsx" >/dev/null
sleep 5

shoot() {
  DISPLAY="$display" import -window root "$work/raw.png"
  # The guide shows its pictures at their own size, and the help window has
  # room for about 940 points: the screen is reduced here, smoothly, once.
  convert "$work/raw.png" -crop 1366x716+0+0 +repage -filter Lanczos -resize 940x \
    -strip +dither -colors 256 "PNG8:$images/$1"
}
shoot workbook-calc.png
# A grade out of the row's range, typed into the first grade cell.
DISPLAY="$display" xdotool type --delay 100 "25"
DISPLAY="$display" xdotool key Return
sleep 3
shoot workbook-refused.png
DISPLAY="$display" xdotool key Escape
echo "Οι εικόνες γράφτηκαν στο $images"
