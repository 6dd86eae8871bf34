#!/usr/bin/env bash
# Two real programs on one SMB share, each on a computer of its own to the program (one smbnetfs
# mount each) and on a display of its own: the whole way of tests/screen/two_members.sh (a note sent
# through the context menu and the send page, received by the other, its receipt back at the
# sender, a questionnaire answered) through a real file server instead of a local folder.
#
#   bash two_programs.sh <build folder>
set -uo pipefail
here=$(dirname "$(readlink -f "$0")")
source "$here/../support/smb_share.sh"
build=$(readlink -f "${1:?usage: two_programs.sh <build folder>}")

work=$(mktemp -d)
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
smb_share_start "$work" || exit 1
mkdir "$SMB_MOUNT1/group"

rc=0
TWO_MEMBERS_SHARED1=$SMB_MOUNT1/group TWO_MEMBERS_SHARED2=$SMB_MOUNT2/group \
  timeout -k 5 240 bash "$here/../screen/two_members.sh" "$build/tackwisp" "$build/tools" "$build/artifacts/smb" || rc=$?
[ "$rc" = 0 ] || echo "FAILED: the two programs on the share (exit status $rc)"
exit "$rc"
