#!/usr/bin/env bash
# Start-up benchmark of the real program: how long a start takes until every note is on the screen,
# and how much memory the running program holds, with 1, 20 and 100 notes.
#
#   bash bench/startup_bench.sh <tackwisp binary> [<tools folder>]
#
# <tools folder> holds the two helper programs of this benchmark, note_grid and paint_watch (sources in
# bench/tools); by default bench/tools in the build folder of the binary. Any Release binary of the
# program may be measured with them, an older one too: the file formats are the same.
# RUNS in the environment of this script sets the runs per note count (default 5). NOTES=shapes gives
# notes without text taking the shapes 0 to 5 in turn, NOTES=plain the same notes all rectangular
# (their middles are watched instead of their lower quarters).
#
# Method. Every run starts from nothing: a new program folder (REG.CFG and a copy of the binary), a new
# shared folder with one member and N notes of 2400 x 2400 twips (160 x 160 pixels at 96 dpi) side
# by side in rows of 12 from the top left corner, its own HOME and XDG_RUNTIME_DIR (the program lets
# one copy run per user), and its own X server (xvfb-run -a, a 1920 x 1440 screen at 96 dpi, room
# for 108 notes). paint_watch forks the program and watches the screen from the outside:
#  - time: the clock starts just before the fork. The watcher looks at the screen again and again
#    with a 2 ms pause between looks; a look reads, for each row of notes not all seen painted yet,
#    one line of the root window at three quarters of the notes' height (XGetImage requests, sent
#    together). A note counts as painted once 90 % of its stretch of that line has the design note
#    colour #ffff80. A Qt window on X11 has no background of its own, so the colour shows only once
#    the program has drawn the note and handed the picture to the X server. The figure is the end of
#    the first look that finds every note painted; the painting happened at most one "look step"
#    earlier (the time since the start of the look before, about 2.3 ms; printed per run).
#  - memory: 2 s after all notes are painted, the Pss line of /proc/<pid>/smaps_rollup: the process's
#    share of every page it maps. Pages of mapped files (the Qt libraries, fonts) are divided among all
#    processes that map them, so PSS drops by up to about 12 MiB while another Qt program runs on the
#    computer. The table therefore also shows the program's own data, Pss_Anon + Pss_Shmem (heap,
#    stacks, written pages, the window pictures it shares with the X server), which does not depend
#    on other processes.
# The program is then ended with SIGTERM (it saves as on its exit command). The table shows medians
# over the runs; one unmeasured run with one note goes first so that the binary and the Qt libraries
# are in the page cache for every measured run. While it looks the watcher uses about 6 % of one CPU
# core and the X server about 3 % more for it (100 notes, none painted yet). The figures depend on the
# load of the computer: compare builds on the same computer at the same time.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bash startup_bench.sh <tackwisp binary> [<tools folder>]" >&2
  exit 2
fi
exe=$(readlink -f "$1")
tools=$(readlink -f "${2:-$(dirname "$exe")/bench/tools}")
runs=${RUNS:-5}
for t in "$exe" "$tools/note_grid" "$tools/paint_watch"; do
  if [ ! -x "$t" ]; then
    echo "not found: $t (build the targets tackwisp, note_grid and paint_watch)" >&2
    exit 2
  fi
done
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 2; }

counts=(1 20 100)
columns=12
note_twips=2400
screen="-screen 0 1920x1440x24 -dpi 96"
colour=ffff80
settle_ms=2000
timeout_s=60

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One start of the program with n notes; prints paint_watch's line "painted_ms=... pss_kib=...".
run_once() {
  local n=$1 dir
  dir=$(mktemp -d "$work/run.XXXXXX")
  mkdir -p "$dir/program" "$dir/shared" "$dir/home" "$dir/runtime"
  chmod 700 "$dir/runtime"
  cp "$exe" "$dir/program/"
  for f in "$(dirname "$exe")"/FSTYLE.*; do
    if [ -e "$f" ]; then cp "$f" "$dir/program/"; fi
  done
  "$tools/note_grid" "$dir/program" "$dir/shared" "$n" "$columns" "$note_twips" "$note_twips" ${NOTES:+"$NOTES"} >"$dir/rects"
  local out
  if ! out=$(env -u DBUS_SESSION_BUS_ADDRESS -u SESSION_MANAGER HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
               QT_QPA_PLATFORM=xcb xvfb-run -a -s "$screen" \
               "$tools/paint_watch" "$dir/rects" "$colour" "$settle_ms" "$timeout_s" "$dir/program.log" \
               "$dir/program/$(basename "$exe")"); then
    echo "the run with $n notes failed; program output:" >&2
    cat "$dir/program.log" >&2 || true
    return 1
  fi
  rm -rf "$dir"
  echo "$out"
}

field() { sed -n "s/.*\\b$1=\\([-0-9.]*\\).*/\\1/p" <<<"$2"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minmax() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s-%s", lo, hi }'; }

echo "Start-up of $exe"
echo "$runs runs per note count; Xvfb ${screen#-screen 0 }; notes of 160x160 pixels; settled ${settle_ms} ms; load average $(cut -d' ' -f1-3 /proc/loadavg)"
run_once 1 >/dev/null
echo "warm-up run done"

declare -A time_med mem_med own_med step_med time_range
: >"$work/files"
for n in "${counts[@]}"; do
  : >"$work/times" ; : >"$work/pss" ; : >"$work/own" ; : >"$work/steps"
  for r in $(seq 1 "$runs"); do
    line=$(run_once "$n")
    t=$(field painted_ms "$line")
    p=$(field pss_kib "$line")
    s=$(field step_ms "$line")
    v=$(( $(field pss_anon_kib "$line") + $(field pss_shmem_kib "$line") ))
    echo "$t" >>"$work/times"
    echo "$p" >>"$work/pss"
    echo "$s" >>"$work/steps"
    echo "$v" >>"$work/own"
    field pss_file_kib "$line" >>"$work/files"
    printf '  %3d notes, run %d/%d: all painted after %s ms (look step %s ms, first note %s ms), PSS %s KiB, own data %s KiB\n' \
      "$n" "$r" "$runs" "$t" "$s" "$(field first_ms "$line")" "$p" "$v"
    code=$(field exit "$line")
    if [ "$code" != 0 ]; then echo "  (the program ended with exit code $code on SIGTERM)"; fi
  done
  time_med[$n]=$(median <"$work/times")
  time_range[$n]=$(minmax <"$work/times")
  mem_med[$n]=$(median <"$work/pss")
  own_med[$n]=$(median <"$work/own")
  step_med[$n]=$(median <"$work/steps")
done

echo
printf '%6s | %-40s | %-16s | %-16s | %s\n' "notes" "start to all painted, ms: median (range)" "PSS settled, MiB" \
  "own data, MiB" "look step, ms"
printf '%s\n' "-------+------------------------------------------+------------------+------------------+--------------"
for n in "${counts[@]}"; do
  printf '%6d | %-40s | %-16s | %-16s | %s\n' "$n" \
    "$(awk -v m="${time_med[$n]}" -v r="${time_range[$n]}" 'BEGIN { printf "%.1f (%s)", m, r }')" \
    "$(awk -v k="${mem_med[$n]}" 'BEGIN { printf "%.1f", k / 1024 }')" \
    "$(awk -v k="${own_med[$n]}" 'BEGIN { printf "%.1f", k / 1024 }')" \
    "$(awk -v s="${step_med[$n]}" 'BEGIN { printf "%.1f", s }')"
done
awk -v t20="${time_med[20]}" -v t100="${time_med[100]}" -v m20="${mem_med[20]}" -v m100="${mem_med[100]}" \
  -v p20="${own_med[20]}" -v p100="${own_med[100]}" \
  'BEGIN { printf "each note beyond 20 (20 to 100 notes): %.2f ms, %.0f KiB PSS (%.0f KiB own data)\n",
           (t100 - t20) / 80, (m100 - m20) / 80, (p100 - p20) / 80 }'
# Mapped files count by how many processes share them: flag the runs where that changed under way.
sort -g "$work/files" | awk 'NR == 1 { lo = $1 } { hi = $1 } END {
  if (hi - lo > 2048) printf "note: the PSS of mapped files varied by %.1f MiB between runs (other processes mapped the same\nlibraries at times); PSS figures are not comparable, the own-data figures are\n", (hi - lo) / 1024 }'
