#!/usr/bin/env bash
# The lock between members on a real SMB share: four processes of tests/tools/lock_counter, two
# through each of two mounts of the share, those of the second mount as another computer (a host
# name of their own), each adding 1 to a counter file 300 times while it holds GRPINLY.FLG open for
# reading and writing. Only a lock that holds between all four, across both mounts, gives exactly
# 1200; after the last close the lock folder beside the file holds nobody's entry.
#
#   bash lock_counter.sh <build folder> [increments per process=300]
set -uo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/smb_share.sh"
tools=$(readlink -f "${1:?usage: lock_counter.sh <build folder> [increments]}")/tools
n=${2:-300}

work=$(mktemp -d)
pids=()
# timeout passes TERM on to its counter.
SMB_SHARE_ON_EXIT='for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done'
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
smb_share_start "$work" || exit 1

counter() {  # counter <process number> <mount> [another computer's host name]
  local out=$work/counter.$1
  if [ -n "${3:-}" ]; then
    timeout -k 5 80 "${SMB_AS_COMPUTER[@]}" "$3" "$tools/lock_counter" "$2" "$n" >"$out" 2>&1 &
  else
    timeout -k 5 80 "$tools/lock_counter" "$2" "$n" >"$out" 2>&1 &
  fi
  pids+=($!)
}
counter 1 "$SMB_MOUNT1"
counter 2 "$SMB_MOUNT1"
counter 3 "$SMB_MOUNT2" tackwisp-b
counter 4 "$SMB_MOUNT2" tackwisp-b

failed=0
for i in 1 2 3 4; do
  rc=0
  wait "${pids[$((i - 1))]}" || rc=$?
  sed "s/^/process $i: /" "$work/counter.$i"
  if [ "$rc" != 0 ]; then
    echo "process $i: ended with exit status $rc$( [ "$rc" = 124 ] && echo ' (did not end within 80 s)')"
    failed=1
  fi
done
pids=()

want=$((4 * n))
reads=()
for where in "$SMB_SHARE_DIR" "$SMB_MOUNT1" "$SMB_MOUNT2"; do
  got=$(tr -d '\n' <"$where/counter" 2>/dev/null)
  reads+=("${got:-none}")
done
echo "the counter on the server: ${reads[0]}, through mount 1: ${reads[1]}, through mount 2: ${reads[2]}"
if [ "${reads[*]}" != "$want $want $want" ]; then
  if [ "$failed" = 0 ]; then
    echo "FAILED: the counter should be $want: increments were lost while two processes held the lock at once"
  else
    echo "FAILED: the counter should be $want"
  fi
  failed=1
fi
left=$(cd "$SMB_SHARE_DIR" && { ls -A | grep -vx -e GRPINLY.FLG -e counter -e GRPINLY.FLG.~lock; ls -A GRPINLY.FLG.~lock 2>/dev/null; })
if [ -n "$left" ]; then
  echo "FAILED: left in the share after the last close:" $left
  failed=1
fi
[ "$failed" = 0 ] && echo OK
exit "$failed"
