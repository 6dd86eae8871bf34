#!/usr/bin/env bash
# A timed line fires in a real run: one member whose note reads "定例会議 HH:MM", HH:MM the next whole
# minute at least 15 s away, checking every second. The user opens the help window (screenshot
# help_window.png), then the note's context menu, which reads the timed line, and picks
# "タイマー種類(&K)" > "ダイアログ表示(&D)". The box "タックウィスプ(確認タイマー)" must appear at
# HH:MM, not before, and within a few seconds after.
#
#   bash timed_alarm.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

exe=$(readlink -f "$1")
tools=$(readlink -f "$2")
mkdir -p "$3"
artifacts=$(readlink -f "$3")

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/shared" "$work/prog" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
install_program "$work/prog"

# The alarm time: the next whole minute with at least 15 s to go.
now=$(date +%s)
due=$(( (now / 60 + 1) * 60 ))
if (( due - now < 15 )); then due=$((due + 60)); fi
hhmm=$(date -d "@$due" +%H:%M)

"$tools/member_folder" write "$work/prog" "$work/shared" "佐藤" 'unused' 0 0 1500 1500
"$tools/add_member" "$work/prog" "$work/shared" 1 "佐藤" 2 1 "定例会議 $hhmm" 1500 1500 3000 1500

Xvfb -displayfd 1 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")

HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb "$work/prog/tackwisp" >"$work/program.log" 2>&1 &
pids+=($!)

fail() {
  echo "$1"
  "$tools/screenshot_probe" grab "$artifacts/timed_alarm.png" >/dev/null 2>&1 || true
  echo "--- program output:"; cat "$work/program.log" || true
  exit 1
}
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true; }

# The note at 100,100 (pixels at 15 twips) shows in the note colour.
for _ in $(seq 1 100); do
  "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1 &&
    QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" check "$work/s.png" 105 105 20 20 ffff80 && break
  sleep 0.2
done

menu() {   # the context menu of the note, then the keys given
  xdotool mousemove 200 150
  sleep 0.2
  xdotool click 3
  sleep 0.6
  for k in "$@"; do xdotool key "$k"; sleep 0.4; done
}

# The help window: "ヘルプ(&H)" > "ヘルプ(&H)".
menu h h
help=""
for _ in $(seq 1 50); do
  help=$(visible "タックウィスプ ヘルプ")
  [ -n "$help" ] && break
  sleep 0.1
done
[ -n "$help" ] || fail "the help window did not open"
sleep 0.5
"$tools/screenshot_probe" grab "$artifacts/help_window.png" >/dev/null
xdotool windowclose "$help" 2>/dev/null || xdotool key --window "$help" alt+F4

# The alarm shows in a box.
menu k d
[ -z "$(visible "タックウィスプ\(確認タイマー\)")" ] || fail "the alarm box showed before its time"
box=""
while (( $(date +%s) < due + 8 )); do
  box=$(visible "タックウィスプ\(確認タイマー\)")
  if [ -n "$box" ]; then
    shown=$(date +%s)
    break
  fi
  sleep 0.2
done
[ -n "$box" ] || fail "the alarm box of $hhmm did not appear"
(( shown >= due )) || fail "the alarm box of $hhmm appeared at $(date -d "@$shown" +%T), before its time"
"$tools/screenshot_probe" grab "$artifacts/timed_alarm.png" >/dev/null
echo "OK: the alarm of $hhmm showed at $(date -d "@$shown" +%T)"
