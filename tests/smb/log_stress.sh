#!/usr/bin/env bash
# The shared log under load on a real SMB share: six member processes for a few seconds, three
# through each of two mounts of the share (two computers to the program), with the final check of
# tests/tools/logstress (the log holds exactly what the members' successful operations imply). Ends
# with logstress's own verdict; a run that does not end in time is stopped and fails.
#
#   bash log_stress.sh <build folder> [seconds=8]
set -uo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/smb_share.sh"
tools=$(readlink -f "${1:?usage: log_stress.sh <build folder> [seconds]}")/tools
seconds=${2:-8}

work=$(mktemp -d)
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
smb_share_start "$work" || exit 1
mkdir "$SMB_MOUNT1/x"

# A member that cannot get through waits up to 30 s for a busy log before it gives up; beyond that
# the run hangs, and the bound ends the tool with its members (one process group). Lines as they
# come, so that the members' messages and the report stay in order.
rc=0
timeout -k 5 75 stdbuf -oL -eL "$tools/logstress" stress "$SMB_MOUNT1/x,$SMB_MOUNT2/x" 6 "$seconds" || rc=$?
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
  echo "FAILED: logstress did not end within 75 s"
elif [ "$rc" != 0 ]; then
  echo "FAILED: logstress ended with exit status $rc (see its lines above)"
fi
exit "$rc"
