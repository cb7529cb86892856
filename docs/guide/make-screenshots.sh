#!/usr/bin/env bash
# Takes the user guide's pictures from the running program: builds the demo
# school and the helper tools/guide-shots, starts a virtual display (Xvfb) with
# a window manager, lets the helper walk one grade sheet through the real
# windows and photograph them, and writes the pictures, cropped to their
# windows and reduced to a 256-colour palette, into docs/guide/images/.
#
#   docs/guide/make-screenshots.sh [--build DIR] [--keep]
#
# --build DIR   the build folder to use (default: build); the helper is turned
#               on there with -DEKALDO_BUILD_GUIDE_SHOTS=ON
# --keep        keep the working folder (school, sheets, backups, PDF) in
#               DIR/guide-shots-work
#
# The display is :98 unless EKALDO_GUIDE_DISPLAY names another.
#
# The program's windows show real paths (messages, the title of the school
# years' window, the folder tree of the parameters window), so the pictures are
# taken with a /home and a /tmp of their own: the working folder is then
# /home/grammateia, as on an office's computer, and neither the build tree nor
# the machine's own folders show. Where a private mount cannot be had (not
# root), the working folder is /tmp/ekaldo-guide and shows in the pictures.
set -euo pipefail

repo="$(cd "$(dirname "$0")/../.." && pwd)"
self="$repo/docs/guide/make-screenshots.sh"
build="$repo/build"
keep=0
inside=0
raw=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    # The second stage, run by the first with its own /tmp.
    --inside) inside=1; raw="$2"; shift 2 ;;
    *) echo "Χρήση: $0 [--build ΦΑΚΕΛΟΣ] [--keep]" >&2; exit 2 ;;
  esac
done
mkdir -p "$build"
build="$(cd "$build" && pwd)"
display="${EKALDO_GUIDE_DISPLAY:-:98}"

work=/tmp/ekaldo-guide
[ "${EKALDO_GUIDE_PRIVATE_TMP:-0}" = 1 ] && work=/home/grammateia
pids=()
take_pictures() {
  if [ -e "$work" ] && [ ! -e "$work/.ekaldo-guide" ]; then
    echo "Ο φάκελος $work υπάρχει και δεν είναι φάκελος εργασίας του οδηγού." >&2
    return 1
  fi
  rm -rf "$work"
  mkdir -p "$work"
  touch "$work/.ekaldo-guide"
  # shellcheck disable=SC2317
  stop() {
    for pid in "${pids[@]}"; do
      kill "$pid" 2>/dev/null || true
    done
    if [ "$keep" = 1 ]; then
      rm -rf "$build/guide-shots-work"
      cp -a "$work" "$build/guide-shots-work"
      echo "Ο φάκελος εργασίας μένει στο $build/guide-shots-work"
    fi
    rm -rf "$work"
  }
  trap stop EXIT

  # The school years in the program's own folder, as a first start leaves them.
  "$build/tools/make-demo-school/make-demo-school" "$work/e-Κάλντο/MV202526.SYR"
  # The help file with the guide beside it, as the program is installed.
  mkdir -p "$work/share"
  cp "$repo/help/Zentik.hlp" "$work/share/"
  cp -r "$repo/docs/guide" "$work/share/guide"

  if xdpyinfo -display "$display" >/dev/null 2>&1; then
    echo "Η οθόνη $display είναι ήδη σε χρήση· ορίστε άλλη με EKALDO_GUIDE_DISPLAY." >&2
    return 1
  fi
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$build/guide-shots-xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "Το Xvfb δεν ξεκίνησε" >&2; return 1; }
  # The window manager gives the windows their frames and titles.
  HOME="$work" DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  sleep 1

  DISPLAY="$display" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 HOME="$work" XDG_RUNTIME_DIR="$work/.run" \
    "$build/tools/guide-shots/guide-shots" --db "$work/e-Κάλντο" --work "$work" --out "$raw" \
    --help-file "$work/share/Zentik.hlp"
}

if [ "$inside" = 1 ]; then
  if [ "${EKALDO_GUIDE_PRIVATE_TMP:-0}" = 1 ]; then
    mount -t tmpfs -o mode=1777 ekaldo-guide /tmp
    mount -t tmpfs -o mode=755 ekaldo-guide /home
  fi
  take_pictures
  exit
fi

"$repo/scripts/install-deps.sh" --guide

cmake -S "$repo" -B "$build" -DEKALDO_BUILD_GUIDE_SHOTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target guide-shots make-demo-school

raw="$build/guide-shots-raw"
rm -rf "$raw"
mkdir -p "$raw"
args=(--build "$build" --inside "$raw")
[ "$keep" = 1 ] && args+=(--keep)
if [ "$(id -u)" -eq 0 ] && unshare --mount --propagation private true 2>/dev/null; then
  EKALDO_GUIDE_PRIVATE_TMP=1 unshare --mount --propagation private -- "$self" "${args[@]}"
else
  "$self" "${args[@]}"
fi

# The real ImageMagick, not a stand-in that may come first on the path.
convert_tool=convert
[ -x /usr/bin/convert ] && convert_tool=/usr/bin/convert
images="$repo/docs/guide/images"
mkdir -p "$images"
# The spreadsheet's pictures come from make-workbook-shots.sh and stay.
find "$images" -maxdepth 1 -name '*.png' ! -name 'workbook-*' -delete
for picture in "$raw"/*.png; do
  "$convert_tool" "$picture" -strip +dither -colors 256 "PNG8:$images/$(basename "$picture")"
done
echo "$(find "$images" -name '*.png' | wc -l) εικόνες, $(du -ch "$images"/*.png | tail -1 | cut -f1) στο $images"
