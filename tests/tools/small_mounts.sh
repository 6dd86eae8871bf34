#!/bin/sh
# Runs a command with two small file systems of its own, for the tests of the system's errors in the
# Windows build (a program under Wine cannot mount them itself):
#   small_mounts.sh <command> [arguments...]
# TACKWISP_TEST_FULL_DIR names a full file system holding GRPINLY.CFG ("old content"), a filler and
# "spare", three pages (12 KB) that a test can give back to have a little room;
# TACKWISP_TEST_READONLY_DIR a read-only one holding GRPINLY.CFG ("kept"). They are mounted where the
# Wine server sees them too, and unmounted when the command ends. Where mounting is not allowed (not
# root) the command runs without them, and those tests say why they were skipped.
base=$(mktemp -d) || exit 1
full="$base/full"
readonly_dir="$base/readonly"
mkdir "$full" "$readonly_dir"

cleanup() {
  for m in "$full" "$readonly_dir"; do
    if mountpoint -q "$m" 2>/dev/null; then umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; fi
  done
  rm -rf "$base"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if mount -t tmpfs -o size=64k tmpfs "$full" 2>/dev/null; then
  printf 'old content' >"$full/GRPINLY.CFG"
  dd if=/dev/zero of="$full/spare" bs=4096 count=3 2>/dev/null
  # Whole pages until none is left, then the bytes of the last one.
  dd if=/dev/zero of="$full/filler" bs=4096 2>/dev/null
  cat /dev/zero >>"$full/filler" 2>/dev/null
  TACKWISP_TEST_FULL_DIR="$full"
  export TACKWISP_TEST_FULL_DIR
fi
if mount -t tmpfs -o size=64k tmpfs "$readonly_dir" 2>/dev/null; then
  printf 'kept' >"$readonly_dir/GRPINLY.CFG"
  if mount -o remount,ro "$readonly_dir" 2>/dev/null; then
    TACKWISP_TEST_READONLY_DIR="$readonly_dir"
    export TACKWISP_TEST_READONLY_DIR
  fi
fi

"$@"
rc=$?
exit $rc
