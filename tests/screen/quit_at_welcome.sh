#!/usr/bin/env bash
# A first start that nobody answers, ended by the system: the program of a new computer shows its
# welcome box "セットアップ初期設定" and waits; SIGTERM, and in a second run SIGINT (Ctrl+C in the
# terminal that started it), must end it within a few seconds, with nothing set up. Then a member
# at work: a box or a dialog of a note left open (a session that logs out) does not hold the end
# either, and the member's notes are in the file afterwards.
#
#   bash quit_at_welcome.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"
screen_args "$@"
make_work
start_display
export DISPLAY=$display
failure_shot=$artifacts/quit_at_welcome_failure.png

# signal_ends <signal> <what>: that signal to $pid; it must end within 5 s with exit code 0.
signal_ends() {
  local started rc=0 _
  started=$(date +%s.%N)
  kill -"$1" "$pid"
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail_run "SIG$1 did not end the program within 5 s with $2 open"
  wait "$pid" || rc=$?
  [ "$rc" = 0 ] || fail_run "SIG$1 with $2 open ended the program with exit code $rc"
  echo "SIG$1 with $2 open: the program ended after $(awk -v a="$(date +%s.%N)" -v b="$started" 'BEGIN { printf "%.2f", a - b }') s"
}

for signal in TERM INT; do
  rm -rf "$work/prog" "$work/home"
  mkdir -p "$work/home"
  install_program "$work/prog"
  start_program "$work/prog"
  wait_window "$display" "セットアップ初期設定" >/dev/null || fail_run "the welcome box did not show"
  sleep 0.3
  signal_ends "$signal" "the welcome box"
  # The start-up makes sure the workstation file can be written before it asks anything: an empty
  # one may be there, naming no folder; nothing else is.
  for f in "$work/prog/REG.CFG" $(find "$work/home" -name REG.CFG); do
    [ ! -s "$f" ] || fail_run "the workstation file names a folder though nobody set anything up"
  done
done

# The member 佐藤 with one note (200 x 100 pixels at 100,100). The menu's keys: n r turns the note
# over (a Yes/No box), g opens the environment dialog, b the background page of the note-settings
# dialog.
shared=$work/shared
for keys in "n r:確認" "g:環境設定" "b:背景設定"; do
  rm -rf "$shared" "$work/prog" "$work/home"
  mkdir -p "$work/home"
  one_note_member '開いたまま'
  start_program "$work/prog"
  wait_colour 105 105 20 20 ffff80 || fail_run "the note did not show"
  xdotool mousemove 200 150
  sleep 0.2
  xdotool click 3
  sleep 0.5
  for k in ${keys%%:*}; do
    xdotool key "$k"
    sleep 0.3
  done
  wait_window "$display" "${keys#*:}" >/dev/null || fail_run "「${keys#*:}」 did not open from the menu"
  sleep 0.3
  signal_ends TERM "「${keys#*:}」"
  "$tools/member_folder" show "$shared" 1 | grep -q " 開いたまま\$" || fail_run "the note is not in the member's file after the end"
done
