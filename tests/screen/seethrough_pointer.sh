#!/usr/bin/env bash
# A see-through note on a desktop that composes its windows (xcompmgr on Xvfb) takes the pointer over
# its whole outline, not only on its letters, and still shows the desktop around them. A window of
# one colour (#204080) lies under everything as the desktop; member 1 has one see-through note of
# 300 x 100 pixels at 100,100 with a short text at its top left, and an ordinary one of the same size at
# 100,300 that is made see-through through its menu ("オプション(&N)", "透明(&T)") while the program
# runs. On each, a right-click far from the letters, inside the note, must open the note's menu (a new
# window of the program); the pixels there show the desktop's colour before the click
# (seethrough_pointer.png, and with both see-through seethrough_pointer_both.png).
#
#   bash seethrough_pointer.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
shot=$artifacts/seethrough_pointer.png
failure_shot=$artifacts/seethrough_pointer_failed.png
rm -f "$shot"
make_work
mkdir -p "$work/shared" "$work/prog"
install_program "$work/prog"
"$tools/member_folder" write "$work/prog" "$work/shared" "山田" 'unused' 0 0 1500 1500
# shape flags picture mode text top left width height (twips; 15 per pixel); flag 128: see-through
"$tools/note_set" "$work/shared" 1 0 128 - 0 '透明' 1500 1500 4500 1500 0 0 - 0 '後から' 4500 1500 4500 1500

start_display
export DISPLAY=$display
"$tools/screenshot_probe" backdrop 204080 &
pids+=($!)
xcompmgr >"$work/xcompmgr.log" 2>&1 &
pids+=($!)
sleep 1
start_program "$work/prog"
fail() { fail_run "$1"; }
measure() { QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" measure "$work/s.png" "$@"; }

# The letters show (dark pixels at the note's top left), and the rest of the note shows the desktop.
shown=0
for _ in $(seq 1 50); do
  sleep 0.2
  "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1 || continue
  read -r _ dark <<<"$(measure 100 100 60 30 204080)"
  [ "$dark" -gt 10 ] && { shown=1; break; }
done
[ "$shown" = 1 ] || fail "the see-through note's letters did not show"
cp "$work/s.png" "$shot"
read -r share dark <<<"$(measure 200 140 180 50 204080)"
[ "$share" -ge 95 ] && [ "$dark" -eq 0 ] ||
  fail "around the letters the note shows $share % of the desktop's colour and $dark dark pixels"

# right_click_opens_menu <x> <y>: a right-click there opens a menu of the program (one more visible
# window of it), which Escape closes again.
right_click_opens_menu() {
  local before after _
  before=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click 3
  for _ in $(seq 1 30); do
    sleep 0.1
    after=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)
    if [ "$after" -gt "$before" ]; then
      xdotool key Escape
      sleep 0.3
      return 0
    fi
  done
  return 1
}
right_click_opens_menu 330 180 || fail "a right-click inside the see-through note, off its letters, opened no menu"

# The ordinary note made see-through through its menu: its window is made again, transparent.
xdotool mousemove 330 380
sleep 0.2
xdotool click 3
sleep 0.6
xdotool key n
sleep 0.4
xdotool key t
turned=0
for _ in $(seq 1 30); do
  sleep 0.2
  "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1 || continue
  read -r share dark <<<"$(measure 200 340 180 50 204080)"
  read -r _ letters <<<"$(measure 100 300 60 30 204080)"
  [ "$share" -ge 95 ] && [ "$dark" -eq 0 ] && [ "$letters" -gt 10 ] && { turned=1; break; }
done
[ "$turned" = 1 ] || fail "the note made see-through through its menu does not show its letters and the desktop around them"
cp "$work/s.png" "${shot%.png}_both.png"
right_click_opens_menu 330 380 || fail "a right-click inside the note made see-through, off its letters, opened no menu"
end_program "$pid" || fail "the program did not end well"
echo "OK: the see-through note took a right-click off its letters; screenshot $shot"
