#!/usr/bin/env bash
# Twenty members on one shared folder: runs bench/tools/member_swarm on a new temporary folder and
# prints its report (waits for busy files per check and per send, the busy questions, the
# deliveries, and whether every send arrived exactly once).
#
#   bash bench/member_swarm.sh <build folder> [members=20] [seconds=60] [sends per second=5]
#
# The build folder is a CMake build of this project with the tests (Release for meaningful figures);
# the script builds its member_swarm target first.
set -euo pipefail

build=$(readlink -f "${1:?usage: member_swarm.sh <build folder> [members] [seconds] [sends per second]}")
members=${2:-20}
seconds=${3:-60}
rate=${4:-5}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target member_swarm >/dev/null
tool=$build/bench/tools/member_swarm

mkdir "$work/shared"
"$tool" run "$work/shared" "$members" "$seconds" "$rate"
