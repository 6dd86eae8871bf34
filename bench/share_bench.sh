#!/usr/bin/env bash
# The shared log on a local folder and on a real SMB share, side by side: the operations per second
# of the log stress (tests/tools/logstress, six members) and the waits for busy files of the member
# swarm (bench/tools/member_swarm) on
#   - a local folder,
#   - an SMB share through one mount (every member on one computer),
#   - the same share through two mounts (the members split between two computers).
# The share is a Samba server of its own on 127.0.0.1:445 with two smbnetfs mounts
# (tests/support/smb_share.sh): root and FUSE are needed, as for the tests of tests/smb.
#
#   bash bench/share_bench.sh <release build folder> [stress seconds=10] [swarm members=10]
#                             [swarm seconds=15] [sends per second=3]
#
# The build folder is a CMake build of this project with the tests (Release for meaningful figures);
# the script builds its logstress and member_swarm targets first. Each tool's whole report is kept
# in <build folder>/share_bench/, and the table says whether each run ended with OK.
set -uo pipefail
here=$(dirname "$(readlink -f "$0")")
source "$here/../tests/support/smb_share.sh"

build=$(readlink -f "${1:?usage: share_bench.sh <release build folder> [stress seconds] [members] [seconds] [rate]}")
stress_seconds=${2:-10}
members=${3:-10}
seconds=${4:-15}
rate=${5:-3}

cmake --build "$build" --target logstress member_swarm >/dev/null || exit 1
stress_tool=$build/tools/logstress
swarm_tool=$build/bench/tools/member_swarm
reports=$build/share_bench
rm -rf "$reports"
mkdir -p "$reports"

work=$(mktemp -d)
SMB_SHARE_AFTER_EXIT='rm -rf "$work"'
mkdir "$work/local" "$work/server"
smb_share_start "$work/server" || exit 1

# stress <label> <folders>: ops/s and verdict of one log stress run into stress_<label>.
declare -A result
stress() {
  local out=$reports/logstress.$1.txt ops
  timeout -k 5 $((stress_seconds + 90)) "$stress_tool" stress "$2" 6 "$stress_seconds" >"$out" 2>&1
  ops=$(sed -n 's/^final log: .*, \([0-9]*\) operations$/\1/p' "$out")
  result[stress_ops_$1]=$(awk -v n="${ops:-0}" -v s="$stress_seconds" 'BEGIN { printf "%.1f", n / s }')
  result[stress_ok_$1]=$(tail -n 1 "$out" | grep -qx OK && echo OK || echo FAILED)
}
# swarm <label> <folders>: the waits of all operations (p50, p99) and the verdict of one swarm run.
swarm() {
  local out=$reports/member_swarm.$1.txt line
  timeout -k 5 $((seconds + 90)) "$swarm_tool" run "$2" "$members" "$seconds" "$rate" >"$out" 2>&1
  line=$(grep 'all operations' "$out")
  result[swarm_p50_$1]=$(echo "$line" | sed -n 's/.*p50 *\([0-9.]*\).*/\1/p')
  result[swarm_p99_$1]=$(echo "$line" | sed -n 's/.*p99 *\([0-9.]*\).*/\1/p')
  result[swarm_ok_$1]=$(tail -n 1 "$out" | grep -qx OK && echo OK || echo FAILED)
}

mkdir "$work/local/stress" "$work/local/swarm" "$SMB_MOUNT1/stress1" "$SMB_MOUNT1/swarm1" \
      "$SMB_MOUNT1/stress2" "$SMB_MOUNT1/swarm2"
echo "log stress: 6 members for $stress_seconds s; member swarm: $members members, $seconds s at $rate sends per second"
echo "running on the local folder ..."
stress local "$work/local/stress"
swarm local "$work/local/swarm"
echo "running on the SMB share through one mount ..."
stress smb1 "$SMB_MOUNT1/stress1"
swarm smb1 "$SMB_MOUNT1/swarm1"
echo "running on the SMB share through two mounts ..."
stress smb2 "$SMB_MOUNT1/stress2,$SMB_MOUNT2/stress2"
swarm smb2 "$SMB_MOUNT1/swarm2,$SMB_MOUNT2/swarm2"

echo
row() {  # row <title> <key>
  printf '%-34s %16s %16s %16s\n' "$1" "${result[${2}_local]:--}" "${result[${2}_smb1]:--}" "${result[${2}_smb2]:--}"
}
printf '%-34s %16s %16s %16s\n' "" "local folder" "SMB, one mount" "SMB, two mounts"
row "log stress: operations per second" stress_ops
row "log stress: verdict" stress_ok
row "member swarm: wait p50 (ms)" swarm_p50
row "member swarm: wait p99 (ms)" swarm_p99
row "member swarm: verdict" swarm_ok
echo
echo "the reports of each run: $reports"
