#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, each from a copy of its seed inputs, so that the
# inputs in the source tree never grow. Prints one line per target with its executions and ends with
# "fuzz: N passed, N failed"; exits non-zero when any target failed, after naming the folder that
# holds the input that made it fail.
#
#   tests/fuzz/run_fuzz.sh <fuzz build folder> <seconds per target>
#
# An input that once failed belongs in tests/fuzz/corpus/<target>/ from then on.
set -uo pipefail

if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]] || [ "$2" -lt 1 ]; then
  echo "usage: $0 <fuzz build folder> <seconds per target>" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd) || exit 2
seconds=$2
targets=$(find "$build/fuzz" -maxdepth 1 -type f -name '*_fuzz' -perm -u+x 2>/dev/null | sort)
if [ -z "$targets" ]; then
  echo "no fuzz targets in $build/fuzz (cmake --build $1 --target fuzz_targets)" >&2
  exit 2
fi

work="$build/fuzz-run"
rm -rf "$work"
mkdir -p "$work"
# The targets write their files into a folder of their own (their TMPDIR), in the memory file system
# where there is one: every write of the program syncs its file, and on a disk that makes a target
# some 25 times slower.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  scratch=$(mktemp -d -p /dev/shm tackwisp-fuzz.XXXXXX)
else
  scratch=$(mktemp -d)
fi
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0
for exe in $targets; do
  name=$(basename "$exe" _fuzz)
  corpus="$work/$name/corpus"
  artifacts="$work/$name/failed"
  mkdir -p "$corpus" "$artifacts"
  [ -d "$here/corpus/$name" ] && cp -R "$here/corpus/$name/." "$corpus/"
  log="$work/$name/output.txt"
  TMPDIR="$scratch" "$exe" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ $status -eq 0 ] && [ -n "$runs" ]; then
    echo "fuzz $name: ${runs} executions in ${seconds} s, no failure"
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "fuzz $name: FAILED (exit status $status) after ${runs:-?} executions"
    grep -m 1 -E 'FUZZ CHECK FAILED|ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error' "$log" | sed 's/^/  /'
    echo "  input that failed: $(ls -d "$artifacts"/* 2>/dev/null | tr '\n' ' ')"
    echo "  full output: $log"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
