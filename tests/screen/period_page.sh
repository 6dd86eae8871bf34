#!/usr/bin/env bash
# The period page of the note-settings dialog in a real run, used with the pointer and the keyboard
# (xdotool) as a user would. One member with two notes (a period is refused for the last note on the
# screen). On the first note the user opens "期間の設定(&W)" from the context menu three times:
#   1. types the period 2000/1/1 to 9000/12/31 (the page is photographed: period_page.png) and clicks
#      OK at its place on the screen;
#   2. types 9500 as the end year and clicks "ｷｬﾝｾﾙ" at its place;
#   3. types 2001 as the start year and presses Enter.
# Each time the dialog must close. Afterwards (SIGTERM saves) the first note's period in the note file
# reads 2001/01/01 00:00 to 9000/12/31 00:00 in whole days, and the second note has none.
#
#   bash period_page.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
shot=$artifacts/period_page.png
failure_shot=$artifacts/period_page_failed.png
rm -f "$shot"
make_work
mkdir -p "$work/shared" "$work/prog"
install_program "$work/prog"

# Two notes (twips, 15 a pixel): at 100,100 and 600,100, each 200 x 100 pixels.
"$tools/member_folder" write "$work/prog" "$work/shared" "佐藤" 'unused' 0 0 1500 1500
"$tools/note_set" "$work/shared" 1 \
  0 0 - 0 '期間のある付箋' 1500 1500 3000 1500 \
  0 0 - 0 'もう一枚' 1500 9000 3000 1500

start_display
export DISPLAY=$display
start_program "$work/prog"
fail() { fail_run "$1"; }

# The first note on the screen in the note colour.
wait_colour 105 105 20 20 ffff80

# Opens the period page of the first note: its context menu, "期間の設定(&W)". Sets X, Y, WIDTH and
# HEIGHT to the dialog's place and size on the screen.
dlg=""
open_period_page() {
  xdotool mousemove 200 150
  sleep 0.2
  xdotool click 3
  sleep 0.6
  xdotool key w
  dlg=""
  for _ in $(seq 1 50); do
    dlg=$(visible "期間設定")
    [ -n "$dlg" ] && break
    sleep 0.1
  done
  [ -n "$dlg" ] || fail "the period page did not open"
  xdotool windowfocus --sync "$dlg" 2>/dev/null || true
  sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$dlg")"
}
# Types into the field with the focus (its text selected), then moves on with Tab for each further
# text given.
type_fields() {
  local first=1 t
  for t in "$@"; do
    [ "$first" = 1 ] || { xdotool key Tab; sleep 0.2; }
    first=0
    xdotool type --delay 60 "$t"
  done
  sleep 0.3
}
# A click of the pointer at the middle of the dialog's button i (0 OK, 1 ｷｬﾝｾﾙ): 78 x 24 pixels,
# 154 pixels down, the first 172 pixels left of the dialog's right edge, the second 84 further right.
click_button() {
  xdotool mousemove $((X + WIDTH - 172 + $1 * 84 + 39)) $((Y + 154 + 12))
  sleep 0.2
  xdotool click 1
}
expect_closed() {
  for _ in $(seq 1 50); do
    [ -z "$(visible "期間設定")" ] && return 0
    sleep 0.1
  done
  fail "the period page stayed open after $1"
}

# 1. A period typed in, OK clicked.
open_period_page
type_fields 2000 1 1 9000 12 31
"$tools/screenshot_probe" grab "$shot" >/dev/null || fail "no screenshot of the period page"
click_button 0
expect_closed "a click on OK"

# 2. Another end year typed, ｷｬﾝｾﾙ clicked: nothing of it is kept.
open_period_page
xdotool key Tab Tab Tab
type_fields 9500
click_button 1
expect_closed "a click on ｷｬﾝｾﾙ"

# 3. Another start year typed, Enter.
open_period_page
type_fields 2001
xdotool key Return
expect_closed "Enter"

end_program "$pid" || fail "the program did not end well"
periods=$("$tools/member_folder" period "$work/shared" 1) || fail "the note file cannot be read"
want=$'0 2001/01/01 00:00 9000/12/31 00:00 days\n1 -'
if [ "$periods" != "$want" ]; then
  echo "the periods in the note file:"
  echo "$periods"
  echo "expected:"
  echo "$want"
  exit 1
fi
echo "OK: the period page took the clicks on OK and ｷｬﾝｾﾙ and Enter; screenshot $shot"
