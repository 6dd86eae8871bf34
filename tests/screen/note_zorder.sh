#!/usr/bin/env bash
# Always in front, then always at the back, under a real window manager (openbox), which keeps the
# window's _NET_WM_STATE. The note's context menu is opened with the pointer (right click), its
# "オプション(&N)" submenu with the key N, and the item is clicked with the pointer:
#   "常に手前に表示(&F)": the note's window holds _NET_WM_STATE_ABOVE;
#   "常に後ろに表示(&B)": at once it holds _NET_WM_STATE_ABOVE no longer, and the note is still shown.
# The program sets no _NET_WM_STATE_BELOW: an always-at-back note goes down at each press on it.
# After SIGTERM the note keeps its stored place and size. Screenshot: note_zorder.png.
#
#   bash note_zorder.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"

make_work
failure_shot=$artifacts/note_zorder.png
one_note_member "手前から後ろへ"

start_display
export DISPLAY=$display
start_window_manager

start_program "$work/prog"
wait_colour 100 100 150 25 ffff80 || fail_run "the note did not show"

# The visible windows of the program, one id a line.
windows() { xdotool search --onlyvisible --class tackwisp 2>/dev/null | sort || true; }

# The _NET_WM_STATE of the note's window: the program's one managed window (menus are not managed),
# found anew each time, since a change of the window's flags makes a new X window.
state() {
  local w
  for w in $(windows); do
    if xprop -id "$w" WM_STATE 2>/dev/null | grep -q Normal; then
      xprop -id "$w" _NET_WM_STATE
      return
    fi
  done
  echo "no note window"
}

# new_window <ids before>: waits up to 5 s for a visible window of the program not among them; prints
# its id.
new_window() {
  local w _
  for _ in $(seq 1 50); do
    w=$(comm -13 <(echo "$1") <(windows) | tail -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

# pick <index>: the context menu by a right click, the submenu "オプション(&N)" by its key, then a
# click with the pointer in the middle of the submenu's row <index> of 6 (整列, ロック, 常に手前に表示,
# 常に後ろに表示, 裏返し, 透明; rows of one height).
pick() {
  local shown sub x y
  xdotool mousemove 200 150
  sleep 0.2
  shown=$(windows)
  xdotool click 3
  # A click that came before the note could take it is given once more.
  new_window "$shown" >/dev/null || { xdotool click 3; new_window "$shown" >/dev/null; } ||
    fail_run "the context menu did not open (pick $1)"
  sleep 0.3
  shown=$(windows)
  xdotool key n
  sub=$(new_window "$shown") || fail_run "the submenu オプション did not open"
  sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$sub")"
  x=$((X + WIDTH / 2))
  y=$((Y + HEIGHT * (2 * $1 + 1) / 12))
  xdotool mousemove "$x" "$y"
  sleep 0.3
  xdotool click 1
  sleep 0.8
}

pick 2
front=$(state)
case "$front" in
  *_NET_WM_STATE_ABOVE*) ;;
  *) fail_run "always in front: no _NET_WM_STATE_ABOVE ($front)" ;;
esac
pick 3
s=$(state)
case "$s" in
  *_NET_WM_STATE_ABOVE*) fail_run "always at the back: still _NET_WM_STATE_ABOVE ($s)" ;;
esac
wait_colour 100 100 150 25 ffff80 || fail_run "the note is not shown after the change"
"$tools/screenshot_probe" grab "$artifacts/note_zorder.png" >/dev/null
end_program "$pid" || fail_run
# The window was made anew twice; the note keeps its place and size (top left width height, twips).
place=$("$tools/member_folder" show "$work/shared" 1 | cut -d' ' -f2-5)
[ "$place" = "1500 1500 3000 1500" ] || fail_run "the note's stored place changed: $place"
echo "OK: in front: ${front#*= }; at the back: ${s#*= }"
