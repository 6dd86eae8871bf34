#!/usr/bin/env bash
# Remakes every shape file shapes/FSTYLE.nnn from its description shapes/src/nnn-<what>.txt with the
# generator of a build (the core tests check that the files in the tree are what it writes):
#
#   bash shapes/remake.sh <build folder>/tools/shapegen
set -euo pipefail
if [ $# -ne 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 <shapegen executable>" >&2
  exit 2
fi
gen=$1
here=$(cd "$(dirname "$0")" && pwd)
for src in "$here"/src/[0-9][0-9][0-9]-*.txt; do
  number=$(basename "$src" | cut -c1-3)
  "$gen" "$src" "$here/FSTYLE.$number"
  echo "FSTYLE.$number from $(basename "$src")"
done
