#!/usr/bin/env bash
# A note dragged by a real hand under a real window manager (openbox), which runs the move itself:
# the window manager ends its loop at the button's release, and the window's last place reaches the
# program only after that release. Dragged past the right edge of the screen, and then past the top,
# the note must come back onto the screen, and its stored place must be where the screen shows it.
# Screenshot when it fails: note_drag.png.
#
#   bash note_drag.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
make_work
failure_shot=$artifacts/note_drag.png
# One note at 100,100 pixels, 200 x 100, on a screen of 1280 x 1024.
one_note_member "引っ張る"

start_display
export DISPLAY=$display
start_window_manager
start_program "$work/prog"
wait_colour 100 100 150 25 ffff80 || fail_run "the note did not show"

# drag <from x> <from y> <to x> <to y>: the left button held from one point to the other, in steps.
drag() {
  local i
  xdotool mousemove "$1" "$2" mousedown 1
  sleep 0.2
  for i in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $(($1 + ($3 - $1) * i / 8)) $(($2 + ($4 - $2) * i / 8))
    sleep 0.05
  done
  xdotool mouseup 1
}

# placed <what> <top twips> <left twips> <x px> <y px>: within 3 s the stored place and the window's
# place on the screen are both the expected ones.
placed() {
  local stored="" at="" w _
  for _ in $(seq 1 30); do
    sleep 0.1
    stored=$("$tools/member_folder" show "$work/shared" 1 | awk '$1 == 0 { print $2, $3 }')
    w=$(xdotool search --onlyvisible --name "^引っ張る" 2>/dev/null | head -1 || true)
    [ -n "$w" ] || w=$(xdotool search --onlyvisible --class tackwisp 2>/dev/null | head -1 || true)
    at=$(xwininfo -id "$w" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }')
    [ "$stored" = "$2 $3" ] && [ "$at" = "$4 $5" ] && { echo "$1: stored $stored, on the screen at $at"; return 0; }
  done
  fail_run "$1: stored top/left $stored (expected $2 $3), on the screen at $at (expected $4 $5)"
}

# By its middle, 1050 pixels to the right: the window manager leaves it 70 pixels past the edge.
drag 200 150 1250 150
placed "past the right edge" 1500 16200 1080 100
# Back to the middle of the screen, then 500 pixels up: 50 pixels past the top.
drag 1180 150 600 500
placed "to the middle" 6750 7500 500 450
drag 600 500 600 0
placed "past the top" 0 7500 500 0
end_program "$pid" || fail_run
echo "OK: a note dragged past the screen's edges came back, and its stored place is where it shows"
