#!/usr/bin/env bash
# The faces of notes on a real display, judged by their pixels, and shaped notes moved and resized
# with the pointer. A window of one colour (#204080) lies under everything as the desktop; member 1
# has six notes:
#   a circle, a star and a heart (the desktop shows at the corners of their boxes, the note colour
#   inside), a see-through note (the desktop shows, with the dark pixels of its text), a note with a
#   red picture stretched over it, and a note turned over (its three-line text replaced by the short
#   back-side caption: no dark pixels where the second and third lines would be).
# Then the star is dragged by its top point and the circle widened at its left edge with xdotool, and
# the picture note is moved without the program's own drag; after SIGTERM (which saves) the note file
# must hold the new places and sizes.
#
#   bash note_faces.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
shot=$artifacts/note_faces.png

make_work
prog=$work/program
shared=$work/shared
mkdir -p "$prog" "$shared"
install_program "$prog"

"$tools/member_folder" write "$prog" "$shared" "山田" 'unused' 0 0 1500 1500
# A 2 x 2 red picture (24-bit BMP).
printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x10\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00\x00\xff\x00\x00\x00\x00\xff\x00\x00\xff\x00\x00' >"$shared/red.bmp"
# shape flags picture mode text top left width height (twips; 15 per pixel)
"$tools/note_set" "$shared" 1 \
  1 0 - 0 '' 1500 1500 3000 3000 \
  2 0 - 0 '' 1500 6000 3000 3000 \
  3 0 - 0 '' 1500 10500 3000 3000 \
  0 128 - 0 '透明な付箋紙のテキスト' 9000 1500 4500 1500 \
  0 0 red.bmp 1 '' 9000 9000 3000 1500 \
  0 64 - 0 '一行目のテキスト\n二行目のテキスト\n三行目のテキスト' 12000 1500 4500 1500

cat > "$work/inner.sh" <<'INNER'
set -u
source "$SCREEN_RUN"
prog=$1 tools=$2 shot=$3 log=$4 out=$5
# A desktop of a known colour under the notes.
"$tools/screenshot_probe" backdrop 204080 &
desk=$!
trap 'kill "$desk" 2>/dev/null' EXIT
sleep 1
"$prog/tackwisp" >"$log" 2>&1 &
pid=$!
ok=0
for _ in $(seq 1 40); do
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || { echo "the program ended early"; exit 1; }
  "$tools/screenshot_probe" grab "$shot" >/dev/null || continue
  m=$(QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" measure "$shot" 610 610 180 80 ff0000)
  [ "${m%% *}" -ge 90 ] && { ok=1; break; }
done
[ "$ok" = 1 ] || echo "the picture note did not show"
sleep 0.5
"$tools/screenshot_probe" grab "$shot" >/dev/null
measure() { QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" measure "$shot" "$@"; }
{
  echo "circle-corner $(measure 101 101 12 12 204080)"
  echo "circle-inside $(measure 180 180 40 40 ffff80)"
  echo "star-corner $(measure 401 101 12 12 204080)"
  echo "star-inside $(measure 490 200 20 20 ffff80)"
  echo "heart-corner $(measure 701 101 8 8 204080)"
  echo "heart-bottom-corner $(measure 701 280 12 12 204080)"
  echo "heart-inside $(measure 730 140 30 30 ffff80)"
  echo "seethrough $(measure 100 600 300 100 204080)"
  echo "picture $(measure 610 610 180 80 ff0000)"
  echo "reversed-top $(measure 100 800 300 22 ffff80)"
  echo "reversed-lines $(measure 100 830 300 65 ffff80)"
} >"$out"

# The star by its top point, 50 pixels right and down; the circle 30 pixels wider to the left.
export DISPLAY
xdotool mousemove 500 112 mousedown 1 mousemove 510 122 mousemove 530 142 mousemove 550 162 mouseup 1
sleep 0.5
xdotool mousemove 101 200 mousedown 1 mousemove 91 200 mousemove 81 200 mousemove 71 200 mouseup 1
sleep 0.5
# The picture note moved by someone else than the program (the X server at xdotool's request, as a
# window manager's own move would be): the place it lands on is stored too.
eval "$(xdotool mousemove 700 650 getmouselocation --shell)"
xdotool windowmove "$WINDOW" 800 400
sleep 0.5
"$tools/screenshot_probe" grab "${shot%.png}_moved.png" >/dev/null || true
end_program "$pid" || exit 1
INNER

on_display bash "$work/inner.sh" "$prog" "$tools" "$shot" "$work/program.log" "$work/measures" ||
  fail_run
echo "screenshot: $shot"
cat "$work/measures"

fail=0
want() {   # want <name> <least per cent of the colour> <least dark> <most dark>
  local line share dark
  line=$(grep "^$1 " "$work/measures") || { echo "no measure $1"; fail=1; return; }
  read -r _ share dark <<<"$line"
  if [ "$share" -lt "$2" ] || [ "$dark" -lt "$3" ] || [ "$dark" -gt "$4" ]; then
    echo "$1: $share % of the colour and $dark dark pixels; wanted at least $2 %, $3 to $4 dark"
    fail=1
  fi
}
want circle-corner 90 0 0
want circle-inside 95 0 0
want star-corner 90 0 0
want star-inside 90 0 0
want heart-corner 90 0 0
want heart-bottom-corner 90 0 0
want heart-inside 90 0 0
want seethrough 60 20 100000
want picture 95 0 0
want reversed-top 40 20 100000
want reversed-lines 95 0 0

notes=$("$tools/member_folder" show "$shared" 1)
echo "$notes"
near() {   # near <value> <wanted>: within one pixel (15 twips) of it
  local d=$(($1 - $2))
  [ "${d#-}" -le 15 ]
}
read -r _ top left width height _ <<<"$(sed -n 2p <<<"$notes")"
if ! near "$top" 2250 || ! near "$left" 6750; then
  echo "the star is at top $top left $left, not moved to 2250, 6750"
  fail=1
fi
read -r _ top left _ <<<"$(sed -n 5p <<<"$notes")"
if ! near "$top" 6000 || ! near "$left" 12000; then
  echo "the picture note is at top $top left $left, not moved to 6000, 12000"
  fail=1
fi
read -r _ top left width height _ <<<"$(sed -n 1p <<<"$notes")"
if ! near "$left" 1050 || ! near "$width" 3450; then
  echo "the circle has left $left width $width, not widened to 1050, 3450"
  fail=1
fi
exit "$fail"
