#!/usr/bin/env bash
# A first start that nobody answers, ended by the system: the program of a new computer shows its
# welcome box "セットアップ初期設定" and waits; SIGTERM, and in a second run SIGINT (Ctrl+C in the
# terminal that started it), must end it within a few seconds, with nothing set up.
#
#   bash quit_at_welcome.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"
screen_args "$@"
make_work
start_display
export DISPLAY=$display
failure_shot=$artifacts/quit_at_welcome_failure.png

for signal in TERM INT; do
  rm -rf "$work/prog" "$work/home"
  mkdir -p "$work/home"
  install_program "$work/prog"
  start_program "$work/prog"
  wait_window "$display" "セットアップ初期設定" >/dev/null || fail_run "the welcome box did not show"
  sleep 0.3
  started=$(date +%s.%N)
  kill -"$signal" "$pid"
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail_run "SIG$signal did not end the program within 5 s while the welcome box was open"
  fi
  rc=0
  wait "$pid" || rc=$?
  took=$(awk -v a="$(date +%s.%N)" -v b="$started" 'BEGIN { printf "%.2f", a - b }')
  [ "$rc" = 0 ] || fail_run "SIG$signal ended the program with exit code $rc"
  # The start-up makes sure the workstation file can be written before it asks anything: an empty
  # one may be there, naming no folder; nothing else is.
  for f in "$work/prog/REG.CFG" $(find "$work/home" -name REG.CFG); do
    [ ! -s "$f" ] || fail_run "the workstation file names a folder though nobody set anything up"
  done
  echo "SIG$signal with the welcome box open: the program ended after $took s, nothing set up"
done
