#!/usr/bin/env bash
# Members sending and checking on a real SMB share, half of them through each of two mounts of the
# share (two computers to the program): bench/tools/member_swarm with a few members for a few
# seconds. Passes on its own verdict: every send received exactly once by each recipient, every
# sent note followed to the end, the log empty at the end, no message box but the busy question.
#
#   bash member_swarm.sh <build folder> [members=6] [seconds=10] [sends per second=3]
set -uo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/smb_share.sh"
bench_tools=$(readlink -f "${1:?usage: member_swarm.sh <build folder> [members] [seconds] [rate]}")/bench/tools
members=${2:-6}
seconds=${3:-10}
rate=${4:-3}

work=$(mktemp -d)
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
smb_share_start "$work" || exit 1
mkdir "$SMB_MOUNT1/shared"

# The sends, 6 s of checks after them, and room for slow files; the busy question is answered with
# Retry, so a lock that is never let go would hang: the bound ends the tool with its members.
limit=$((seconds + 60))
rc=0
timeout -k 5 "$limit" "$bench_tools/member_swarm" run "$SMB_MOUNT1/shared,$SMB_MOUNT2/shared" \
  "$members" "$seconds" "$rate" || rc=$?
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
  echo "FAILED: member_swarm did not end within $limit s"
elif [ "$rc" != 0 ]; then
  echo "FAILED: member_swarm ended with exit status $rc (see its report above)"
fi
exit "$rc"
