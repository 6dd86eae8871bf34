#!/usr/bin/env bash
# One member on two computers, the first one asleep. The member's program runs on computer pc-a (its
# own display, the SMB share through the first mount) and is stopped with SIGSTOP, as a computer put
# to sleep. Started from a second program folder on pc-b (the second mount), the same member waits
# until pc-a's hold of the member counts as dead (no sign of life for 20 s) and then runs there. Once
# pc-a runs again, its end (SIGTERM) must not write over the member's files: it shows the message
# naming pc-b (screenshot member_taken_over.png), ends with exit code 0 once it is answered, leaves
# every file of the shared folder as it was, and keeps its notes in the user's own data folder.
#
#   bash member_taken_over.sh <build folder>
set -uo pipefail
here=$(dirname "$(readlink -f "$0")")
source "$here/../support/smb_share.sh"
source "$here/../support/screen_run.sh"
build=$(readlink -f "${1:?usage: member_taken_over.sh <build folder>}")
screen_args "$build/tackwisp" "$build/tools" "$build/artifacts/smb"
failure_shot=$artifacts/member_taken_over_failed.png

work=$(mktemp -d)
pids=()
SMB_SHARE_ON_EXIT='for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null; kill -KILL "$p" 2>/dev/null; done'
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
mkdir "$work/smb"
smb_share_start "$work/smb" || exit 1
mkdir "$SMB_MOUNT1/group"

# The same member in both program folders, each naming the share as its computer sees it.
for c in a b; do mkdir -p "$work/prog-$c" "$work/home-$c"; mkdir -m 700 "$work/runtime-$c"; install_program "$work/prog-$c"; done
"$tools/member_folder" write "$work/prog-b" "$SMB_MOUNT2/group" "山田" '眠る前のメモ' 1500 1500 3000 1500 >/dev/null
"$tools/member_folder" write "$work/prog-a" "$SMB_MOUNT1/group" "山田" '眠る前のメモ' 1500 1500 3000 1500 >/dev/null

# start_on <computer> <display>: the program of that computer's folder; its id to $pid.
start_on() {
  "${SMB_AS_COMPUTER[@]}" "pc-$1" env HOME="$work/home-$1" XDG_RUNTIME_DIR="$work/runtime-$1" DISPLAY="$2" \
    "$work/prog-$1/tackwisp" >"$work/program-$1.log" 2>&1 &
  pid=$!
  pids+=("$pid")
}
# The computer that the member's run mark names.
holder() { head -1 "$SMB_SHARE_DIR/group/ID00001.RUN" 2>/dev/null | tr -d '\r'; }
# Every plain file of the shared folder, with its bytes and the time of its last change.
files_state() { find "$SMB_SHARE_DIR/group" -maxdepth 1 -type f -printf '%f %T@ ' -exec md5sum {} \; | sort; }
failed() {
  echo "FAILED: $1"
  for c in a b; do echo "--- program on pc-$c:"; cat "$work/program-$c.log" 2>/dev/null; done
  exit 1
}

start_display 1
display_a=$display
start_display 2
display_b=$display

start_on a "$display_a"
pid_a=$pid
DISPLAY=$display_a wait_colour 100 100 150 25 ffff80 || failed "the note did not show on pc-a"
[ "$(holder)" = pc-a ] || failed "the run mark names '$(holder)', not pc-a"

kill -STOP "$pid_a"
asleep=$(date +%s)
start_on b "$display_b"
pid_b=$pid
# pc-b waits silently until pc-a's hold has shown no sign of life for 20 s by its own clock.
for _ in $(seq 1 120); do
  [ "$(holder)" = pc-b ] && break
  kill -0 "$pid_b" 2>/dev/null || failed "the program on pc-b ended before it took the member"
  sleep 0.5
done
[ "$(holder)" = pc-b ] || failed "the run mark names '$(holder)' 60 s after pc-a went to sleep, not pc-b"
DISPLAY=$display_b wait_colour 100 100 150 25 ffff80 >/dev/null || failed "the member's note did not show on pc-b"
echo "pc-b took the member $(($(date +%s) - asleep)) s after pc-a went to sleep"
before=$(files_state)

kill -CONT "$pid_a"
sleep 2
kill -TERM "$pid_a"
box=$(wait_window "$display_a" "タックウィスプ") || failed "pc-a showed no message at its end"
DISPLAY=$display_a "$tools/screenshot_probe" grab "$artifacts/member_taken_over.png" >/dev/null
echo "screenshot: $artifacts/member_taken_over.png"
[ "$(files_state)" = "$before" ] || failed "pc-a wrote into the shared folder before its message was answered"
DISPLAY=$display_a xdotool windowactivate --sync "$box" key Return 2>/dev/null ||
  DISPLAY=$display_a xdotool windowfocus --sync "$box" key Return
for _ in $(seq 1 100); do kill -0 "$pid_a" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid_a" 2>/dev/null && failed "pc-a did not end once its message was answered"
rc=0
wait "$pid_a" || rc=$?
[ "$rc" = 0 ] || failed "pc-a ended with exit code $rc"

after=$(files_state)
[ "$after" = "$before" ] || failed "pc-a wrote over the member's files:
$(diff <(echo "$before") <(echo "$after"))"
kept=$(find "$work/home-a" -path '*recovery*' -name ID00001.FDT | head -1)
[ -n "$kept" ] && [ -s "$kept" ] || failed "pc-a kept no copy of its notes in the user's data folder"
cmp -s "$kept" "$SMB_SHARE_DIR/group/ID00001.FDT" || failed "the copy kept on pc-a is not the notes it had"
[ "$(holder)" = pc-b ] || failed "the run mark names '$(holder)' after pc-a's end, not pc-b"

end_program "$pid_b" || failed "pc-b did not end on SIGTERM"
echo "pc-a ended without writing; its notes kept in its data folder; pc-b ran on"
