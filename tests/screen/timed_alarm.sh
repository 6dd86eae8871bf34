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

screen_args "$@"

make_work
failure_shot=$artifacts/timed_alarm.png
mkdir -p "$work/shared" "$work/prog"
install_program "$work/prog"

# The alarm time: the next whole minute with at least 15 s to go.
now=$(date +%s)
due=$(( (now / 60 + 1) * 60 ))
if (( due - now < 15 )); then due=$((due + 60)); fi
hhmm=$(date -d "@$due" +%H:%M)

"$tools/member_folder" write "$work/prog" "$work/shared" "佐藤" 'unused' 0 0 1500 1500
"$tools/add_member" "$work/prog" "$work/shared" 1 "佐藤" 2 1 "定例会議 $hhmm" 1500 1500 3000 1500

start_display
export DISPLAY=$display
start_program "$work/prog"

# The note at 100,100 (pixels at 15 twips) shows in the note colour.
wait_colour 105 105 20 20 ffff80 || fail_run "the note did not show"

menu() {   # the context menu of the note, then the keys given
  xdotool mousemove 200 150
  sleep 0.2
  xdotool click 3
  sleep 0.6
  for k in "$@"; do xdotool key "$k"; sleep 0.4; done
}

# The help window: "ヘルプ(&H)" > "ヘルプ(&H)".
menu h h
help=$(wait_window "$DISPLAY" "タックウィスプ ヘルプ") || fail_run "the help window did not open"
sleep 0.5
"$tools/screenshot_probe" grab "$artifacts/help_window.png" >/dev/null
xdotool windowclose "$help" 2>/dev/null || xdotool key --window "$help" alt+F4

# The alarm shows in a box.
menu k d
[ -z "$(visible "タックウィスプ\(確認タイマー\)")" ] || fail_run "the alarm box showed before its time"
box=""
while (( $(date +%s) < due + 8 )); do
  box=$(visible "タックウィスプ\(確認タイマー\)")
  if [ -n "$box" ]; then
    shown=$(date +%s)
    break
  fi
  sleep 0.2
done
[ -n "$box" ] || fail_run "the alarm box of $hhmm did not appear"
(( shown >= due )) || fail_run "the alarm box of $hhmm appeared at $(date -d "@$shown" +%T), before its time"
"$tools/screenshot_probe" grab "$artifacts/timed_alarm.png" >/dev/null
echo "OK: the alarm of $hhmm showed at $(date -d "@$shown" +%T)"
