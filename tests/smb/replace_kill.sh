#!/usr/bin/env bash
# A writer killed at random moments of its replaces on a real SMB share. tests/tools/shared_writer
# replaces GRPINLY.FLG through the first mount again and again (numbered contents of 2 MB and 1.5 MB,
# tools/content_versions.h) and is killed with SIGKILL, many times. After each kill a fresh open
# through one mount and then through the other (tests/tools/content_check, a reader's open on the
# second mount, a writer's on the first, the order changing every round) must find exactly the last
# version the writer reported finished or the one it was writing, never a mix or a cut-off file.
# Then once more with the second mount's program on another computer (a host name of its own),
# which cannot see that the writer died and must take its lock over the slow way. At the end, after
# a last clean open and close through each mount, the share may hold GRPINLY.FLG and nothing else:
# no temporary file, no undo copy, no lock folder.
#
#   bash replace_kill.sh <build folder> [rounds=25]
set -uo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/smb_share.sh"
tools=$(readlink -f "${1:?usage: replace_kill.sh <build folder> [rounds]}")/tools
rounds=${2:-25}
budget=40   # seconds for the rounds on one computer; at least min_rounds are done whatever it takes
min_rounds=8

work=$(mktemp -d)
writer_pid=
SMB_SHARE_ON_EXIT='if [ -n "$writer_pid" ]; then kill -KILL "$writer_pid" 2>/dev/null; fi'
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
smb_share_start "$work" || exit 1
file=GRPINLY.FLG

fail() {
  echo "FAILED: $*"
  exit 1
}

# The writer through mount 1, from version <first> on; one "+" line per finished replace.
start_writer() {  # start_writer <first version>
  "$tools/shared_writer" versions "$SMB_MOUNT1/$file" "$1" >"$work/writer.out" 2>&1 &
  writer_pid=$!
}
reported() { grep -c '^+$' "$work/writer.out"; }
wait_reported() {  # wait_reported <n>: until the writer reported n finished replaces, up to 30 s
  local _
  for _ in $(seq 1 3000); do
    [ "$(reported)" -ge "$1" ] && return 0
    kill -0 "$writer_pid" 2>/dev/null || fail "the writer ended by itself: $(grep -v '^+$' "$work/writer.out")"
    sleep 0.01
  done
  fail "the writer did not finish $1 replace(s) within 30 s"
}
kill_writer() {
  kill -KILL "$writer_pid"
  wait "$writer_pid" 2>/dev/null
  writer_pid=
}
# What the share holds besides the file itself, on the server's side.
# What is in the share besides the file: other names, and the entries in the file's lock folder (the
# folder itself stays beside the file).
extras() {
  (cd "$SMB_SHARE_DIR" && { ls -A | grep -vx -e "$file" -e "$file.~lock"; ls -A "$file.~lock" 2>/dev/null | sed "s|^|$file.~lock/|"; } | paste -sd ' ')
}

# An open through a mount; sets $found to the version, or fails the test with what it found.
check() {  # check <mount> <read|write> <label> [another computer's host name]
  local out rc=0
  if [ -n "${4:-}" ]; then
    out=$("${SMB_AS_COMPUTER[@]}" "$4" "$tools/content_check" "$1/$file" "$2" 60) || rc=$?
  else
    out=$("$tools/content_check" "$1/$file" "$2" 20) || rc=$?
  fi
  [ "$rc" = 0 ] || fail "$3: $out"
  found=${out#version }
  found=${found%% *}
  waited=${out##* }
}

# One kill: the writer starts after version $current, finishes <wait> replaces, runs on for up to
# 0.4 s more and is killed. Sets $low and $high, the versions an open may find now.
kill_round() {  # kill_round <replaces to wait for>
  start_writer $((current + 1))
  wait_reported "$1"
  sleep "0.$(printf '%03d' $((RANDOM % 400)))"
  kill_writer
  local n
  n=$(reported)
  low=$((current + n))
  high=$((current + n + 1))
  left=$(extras)
  counted=0
  case " $left " in
    *" $file.~undo "* | *" $file.~"*".tmp "*) caught=$((caught + 1)); counted=1 ;;
  esac
}

current=-1   # no content yet: the first round waits for one finished replace
caught=0
round=0
started=$SECONDS
while [ "$round" -lt "$rounds" ] && { [ "$round" -lt "$min_rounds" ] || [ $((SECONDS - started)) -lt "$budget" ]; }; do
  round=$((round + 1))
  if [ "$round" = 1 ]; then kill_round 1; else kill_round $((RANDOM % 3)); fi
  if [ $((round % 2)) = 1 ]; then
    check "$SMB_MOUNT2" read "round $round, a reader's open through mount 2"
    first="mount 2 (reader) found $found after ${waited} s"
    k=$found
    check "$SMB_MOUNT1" write "round $round, a writer's open through mount 1 after mount 2"
    second="mount 1 (writer) $found"
  else
    check "$SMB_MOUNT1" write "round $round, a writer's open through mount 1"
    first="mount 1 (writer) found $found after ${waited} s"
    k=$found
    check "$SMB_MOUNT2" read "round $round, a reader's open through mount 2 after mount 1"
    second="mount 2 (reader) $found"
  fi
  echo "round $round: versions $low or $high possible, left by the kill: ${left:-nothing}; $first, $second"
  [ "$found" = "$k" ] || fail "round $round: the two mounts found different versions, $k and $found"
  [ "$k" = "$low" ] || [ "$k" = "$high" ] || fail "round $round: found version $k, expected $low or $high"
  # Finished but not yet reported: the kill came within the replace too.
  if [ "$k" = "$high" ] && [ "$counted" = 0 ]; then caught=$((caught + 1)); fi
  current=$k
done

# The writer's computer and the reader's differ: the reader cannot see the writer's process, so it
# takes the lock over only once the writer's entry in the lock folder has stopped changing.
kill_round 1
check "$SMB_MOUNT2" read "another computer's reader's open through mount 2" tackwisp-b
echo "another computer: versions $low or $high possible, left by the kill: ${left:-nothing};" \
     "mount 2 (reader, host tackwisp-b) found $found after ${waited} s"
[ "$found" = "$low" ] || [ "$found" = "$high" ] || fail "another computer found version $found, expected $low or $high"
k=$found
check "$SMB_MOUNT1" write "a writer's open through mount 1 after the other computer's"
[ "$found" = "$k" ] || fail "mount 1 found version $found after the other computer found $k"

# A last clean open and close through each mount; then only the file itself may be left.
check "$SMB_MOUNT1" write "the last writer's open through mount 1"
check "$SMB_MOUNT2" read "the last reader's open through mount 2"
left=$(extras)
[ -z "$left" ] || fail "left in the share after the last clean open and close: $left"
# The kills must have hit replaces (an undo copy or a temporary file left, or the new content
# complete but not yet reported), not only the moments between them.
[ "$caught" -gt 0 ] || fail "no kill in $round rounds hit a replace: this run proved nothing"
echo "$round kills and one on another computer; $caught hit a replace; nothing left in the share"
echo OK
