#!/usr/bin/env bash
# The doorbell between two computers. Two real programs, each in a network namespace of its own
# joined by a veth pair (where no namespace can be made: both on this computer's network), each
# reaching one SMB share through a mount of its own and on a display of its own, both checking the
# log every five minutes, the default. 佐藤 sends his notes to 鈴木 through the context menu and the
# send page (tests/screen/two_members.sh): each must be received within 5 s, the questionnaire asked
# and its answer back at 佐藤. Then again with the bell switched off in 鈴木's own configuration: the
# note must still be waiting 15 s after its send.
#
#   bash doorbell.sh <build folder>
#
# DOORBELL_SENDS=n sends n more plain notes and prints their delivery times (median, 90th percentile).
set -uo pipefail
here=$(dirname "$(readlink -f "$0")")
source "$here/../support/smb_share.sh"
build=$(readlink -f "${1:?usage: doorbell.sh <build folder>}")

work=$(mktemp -d)
ns1=twbell$$a
ns2=twbell$$b
SMB_SHARE_ON_EXIT='ip netns del "$ns1" 2>/dev/null; ip netns del "$ns2" 2>/dev/null'
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
smb_share_start "$work" || exit 1

# Two computers on one network segment: a namespace each, a veth pair between them, nothing else.
wrap1="" wrap2=""
if ip netns add "$ns1" 2>/dev/null && ip netns add "$ns2" 2>/dev/null &&
  ip link add "tw$$a" netns "$ns1" type veth peer name "tw$$b" netns "$ns2" 2>/dev/null &&
  ip -n "$ns1" addr add 10.231.0.1/24 dev "tw$$a" && ip -n "$ns2" addr add 10.231.0.2/24 dev "tw$$b" &&
  ip -n "$ns1" link set "tw$$a" up && ip -n "$ns2" link set "tw$$b" up &&
  ip -n "$ns1" link set lo up && ip -n "$ns2" link set lo up; then
  wrap1="ip netns exec $ns1" wrap2="ip netns exec $ns2"
  # The pair's link comes up a moment after both ends are.
  for _ in $(seq 1 50); do
    ip -n "$ns2" -br link show dev "tw$$b" | grep -q ' UP ' && break
    sleep 0.1
  done
  echo "the two programs in the network namespaces $ns1 and $ns2, joined by a veth pair"
else
  echo "no network namespace can be made here: both programs on this computer's own network"
  # Multicast on the loopback interface too, for a computer without another network; as it was
  # afterwards.
  if ! ip link show lo | grep -q MULTICAST && ip link set lo multicast on 2>/dev/null; then
    SMB_SHARE_ON_EXIT="$SMB_SHARE_ON_EXIT; ip link set lo multicast off"
  fi
fi

run() {  # run <folder> <environment settings ...>
  mkdir "$SMB_MOUNT1/$1"
  env TWO_MEMBERS_SHARED1="$SMB_MOUNT1/$1" TWO_MEMBERS_SHARED2="$SMB_MOUNT2/$1" TWO_MEMBERS_CHECK="0 5" \
    TWO_MEMBERS_WRAP1="$wrap1" TWO_MEMBERS_WRAP2="$wrap2" "${@:2}" \
    timeout -k 5 240 bash "$here/../screen/two_members.sh" "$build/tackwisp" "$build/tools" "$build/artifacts/doorbell"
}

rc=0
run bell TWO_MEMBERS_WITHIN=5 ${DOORBELL_SENDS:+DELIVERY_SENDS=$DOORBELL_SENDS} || {
  rc=1
  echo "FAILED: with the bell, the notes did not arrive within 5 s"
}
run quiet TWO_MEMBERS_NOT_BEFORE=15 TWO_MEMBERS_INI2=$'[doorbell]\nenabled=false' || {
  rc=1
  echo "FAILED: with the bell off at the receiver, the note arrived before the regular check"
}
exit "$rc"
