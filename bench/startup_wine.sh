#!/usr/bin/env bash
# Start-up of the Windows program under Wine beside the Linux program: how long a start with many
# notes takes until every note is on the screen, and how much memory the running program holds.
#
#   bash bench/startup_wine.sh <windows program> <linux tackwisp binary> [<tools folder>]
#
# <windows program>: the Windows build folder (its packages/tackwisp-<version>-win64.zip is
# unpacked), such a zip, or a program folder holding tackwisp.exe with its DLLs (cmake --install). <tools folder> holds
# note_grid and paint_watch (bench/tools), by default bench/tools in the build folder of the Linux
# binary. RUNS in the environment sets the runs per program and note count (default 5), COUNTS the
# note counts (default "1 100").
#
# Method: the same as bench/startup_bench.sh for each program (note_grid writes the member's files;
# paint_watch forks the program, times it from just before the fork until each note's rectangle shows
# the note colour, waits 2 s and ends it), on one X server for the whole run (Xvfb, 1920 x 1440 at
# 96 dpi, no window manager), the two programs taking turns run by run so that the load of the
# computer falls on both alike. Every run has a new shared folder and program folder (the Windows
# program's REG.CFG names the folder by its Windows name).
#  - Windows: one Wine prefix for the whole run, made first (a Windows computer whose desktop is up:
#    its wineserver and Wine's services keep running between the runs, as Windows' do). paint_watch
#    forks a small launcher that runs `wine tackwisp.exe`; the time therefore includes Wine's
#    loader starting the Windows process. Memory: the PSS of the program's own process (the Windows
#    process tackwisp.exe), read when paint_watch ends the run, 2 s after all notes were painted; the
#    launcher then ends the session (WM_QUERYENDSESSION, WM_ENDSESSION), which the program ends on.
#    Wine's own processes (wineserver, services, explorer ...) are shown apart, once per run.
#  - Linux: paint_watch's own PSS reading of the program, at the same moment.
# "own data" is Pss_Anon + Pss_Shmem: heap, stacks, written pages and the window pictures shared
# with the X server, which other processes mapping the same libraries do not change. For the Windows
# program it also holds what Wine keeps in the process's private memory (its loader's and its
# Windows libraries' own data, the DLL pages it had to write): not the program's data alone. One unmeasured
# run of each program goes first. Compare figures of one run only: they depend on the computer's load.
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
source "$here/../tests/support/wine_run.sh"

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: bash bench/startup_wine.sh <windows build folder|zip|program folder> <linux tackwisp binary> [<tools folder>]" >&2
  exit 2
fi
win_source=$(readlink -f "$1")
exe=$(readlink -f "$2")
tools=$(readlink -f "${3:-$(dirname "$exe")/bench/tools}")
runs=${RUNS:-5}
read -r -a counts <<<"${COUNTS:-1 100}"
for t in "$exe" "$tools/note_grid" "$tools/paint_watch"; do
  [ -x "$t" ] || { echo "not found: $t (build the targets tackwisp, note_grid and paint_watch)" >&2; exit 2; }
done
wine_need unzip

columns=12
note_twips=2400
colour=ffff80
settle_ms=2000
timeout_s=90
screen_options=(-screen 0 1920x1440x24 -dpi 96)

wine_make_work
# The Windows program folder.
win_prog=$work/winprog
# A build folder holds a tackwisp.exe too, without the DLLs beside it: its zip is taken first.
if [ -d "$win_source" ] && compgen -G "$win_source/packages/tackwisp-*-win64.zip" >/dev/null; then
  winapp_packages "$win_source"
  [ -n "$program_zip" ] || fail_run "no zip beside $setup_exe: build the target windows_packages"
  unpack_program "$program_zip" "$win_prog"
elif [ -d "$win_source" ]; then
  [ -f "$win_source/tackwisp.exe" ] || fail_run "$win_source holds neither packages/tackwisp-<version>-win64.zip nor tackwisp.exe"
  cp -a "$win_source"/. "$win_prog"/
else
  unpack_program "$win_source" "$win_prog"
fi
need_runnable "$win_prog/tackwisp.exe"

start_display
export DISPLAY=$display
new_prefix bench
# The Windows desktop stays up for the whole run (the server would end a few seconds after each
# program): a persistent server, started once the one of the prefix's set-up has ended.
wine_env wineserver -w
wine_env wineserver -p
wine_env wine cmd /c exit >/dev/null 2>&1 </dev/null   # Wine's services started, once

# The launcher paint_watch forks for the Windows program: `wine tackwisp.exe` in the background;
# on SIGTERM it writes the PSS figures of the program's process to <pss file>, ends the session and
# waits for the program's end.
cat >"$work/launch_windows.sh" <<'LAUNCH'
source "$WINE_RUN"
exe=$1 out=$2
wine_env wine "$exe" </dev/null &
launcher=$!
ending=0
trap 'ending=1' TERM
while [ "$ending" = 0 ] && kill -0 "$launcher" 2>/dev/null; do wait "$launcher" || true; done
[ "$ending" = 1 ] || { echo "the program ended by itself"; exit 1; }
pid=$(wine_pids tackwisp.exe | head -1)
if [ -n "$pid" ]; then
  awk '/^(Pss|Pss_Anon|Pss_Shmem|Pss_File):/ { sub(":", "", $1); printf "%s=%s ", $1, $2 } END { print "" }' \
    "/proc/$pid/smaps_rollup" >"$out"
fi
wine_end_session || true
[ -z "$pid" ] || wine_gone "$pid" 20 || { echo "the program did not end"; exit 1; }
wait "$launcher" 2>/dev/null || true
LAUNCH

# One start of a program with n notes; prints paint_watch's line (for Windows with the figures of the
# program's process in front: win_pss= win_anon= win_shmem= win_file=).
run_once() {
  local kind=$1 n=$2 dir out line
  dir=$(mktemp -d "$work/run.XXXXXX")
  mkdir -p "$dir/program" "$dir/shared" "$dir/home" "$dir/runtime"
  chmod 700 "$dir/runtime"
  if [ "$kind" = linux ]; then
    cp "$exe" "$dir/program/"
    for f in "$(dirname "$exe")"/FSTYLE.*; do [ -e "$f" ] && cp "$f" "$dir/program/"; done
    "$tools/note_grid" "$dir/program" "$dir/shared" "$n" "$columns" "$note_twips" "$note_twips" >"$dir/rects"
    line=$(env -u DBUS_SESSION_BUS_ADDRESS -u SESSION_MANAGER HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
             QT_QPA_PLATFORM=xcb "$tools/paint_watch" "$dir/rects" "$colour" "$settle_ms" "$timeout_s" "$dir/program.log" \
             "$dir/program/$(basename "$exe")") || { cat "$dir/program.log" >&2; return 1; }
  else
    "$tools/note_grid" "$dir/program" "$dir/shared" "$n" "$columns" "$note_twips" "$note_twips" >"$dir/rects"
    wine_workstation "$win_prog" "$dir/shared" 1
    line=$(wine_env env WINE_RUN="$here/../tests/support/wine_run.sh" work="$work" \
             "$tools/paint_watch" "$dir/rects" "$colour" "$settle_ms" "$timeout_s" "$dir/program.log" \
             "$(command -v bash)" "$work/launch_windows.sh" "$win_prog/tackwisp.exe" "$dir/pss") ||
      { cat "$dir/program.log" >&2; return 1; }
    [ -s "$dir/pss" ] || { echo "no memory figures of tackwisp.exe" >&2; cat "$dir/program.log" >&2; return 1; }
    out=$(awk '{ for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] } }
               END { printf "win_pss=%s win_anon=%s win_shmem=%s win_file=%s", v["Pss"], v["Pss_Anon"], v["Pss_Shmem"], v["Pss_File"] }' "$dir/pss")
    line="$out $line"
  fi
  rm -rf "$dir"
  echo "$line"
}

# wine_side_pss: the PSS in KiB of Wine's own processes of the prefix (wineserver, services, the
# desktop process; no program runs when it is called).
wine_side_pss() {
  local p sum=0 v
  for p in $(wine_processes); do
    v=$(awk '/^Pss:/ { print $2 }' "/proc/$p/smaps_rollup" 2>/dev/null || true)
    sum=$((sum + ${v:-0}))
  done
  echo "$sum"
}

field() { sed -n "s/.*\\b$1=\\([-0-9.]*\\).*/\\1/p" <<<"$2"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minmax() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s-%s", lo, hi }'; }

echo "Start-up, Windows program under $(wine_env wine --version) against the Linux program"
echo "  Windows: $win_source"
echo "  Linux:   $exe"
echo "$runs runs per program and note count; Xvfb ${screen_options[2]} at 96 dpi; notes of 160x160 pixels; settled ${settle_ms} ms; load average $(cut -d' ' -f1-3 /proc/loadavg)"
run_once linux 1 >/dev/null
run_once windows 1 >/dev/null
echo "warm-up runs done; Wine's own processes (wineserver, services, desktop) hold $(( $(wine_side_pss) / 1024 )) MiB PSS"

declare -A t_med t_rng pss_med own_med
for n in "${counts[@]}"; do
  for kind in linux windows; do : >"$work/$kind.t"; : >"$work/$kind.pss"; : >"$work/$kind.own"; done
  for r in $(seq 1 "$runs"); do
    for kind in linux windows; do
      line=$(run_once "$kind" "$n") || fail_run "the $kind run with $n notes failed"
      t=$(field painted_ms "$line")
      if [ "$kind" = linux ]; then
        p=$(field pss_kib "$line")
        o=$(( $(field pss_anon_kib "$line") + $(field pss_shmem_kib "$line") ))
      else
        p=$(field win_pss "$line")
        o=$(( $(field win_anon "$line") + $(field win_shmem "$line") ))
      fi
      echo "$t" >>"$work/$kind.t"
      echo "$p" >>"$work/$kind.pss"
      echo "$o" >>"$work/$kind.own"
      printf '  %3d notes, run %d/%d, %-7s: all painted after %s ms (look step %s ms, first note %s ms), PSS %s KiB, own data %s KiB\n' \
        "$n" "$r" "$runs" "$kind" "$t" "$(field step_ms "$line")" "$(field first_ms "$line")" "$p" "$o"
    done
  done
  for kind in linux windows; do
    t_med[$kind$n]=$(median <"$work/$kind.t")
    t_rng[$kind$n]=$(minmax <"$work/$kind.t")
    pss_med[$kind$n]=$(median <"$work/$kind.pss")
    own_med[$kind$n]=$(median <"$work/$kind.own")
  done
done

echo
printf '%6s | %-17s | %-40s | %-16s | %s\n' notes program "start to all painted, ms: median (range)" "PSS settled, MiB" "own data, MiB"
printf '%s\n' "-------+-------------------+------------------------------------------+------------------+--------------"
for n in "${counts[@]}"; do
  for kind in linux windows; do
    label=$([ "$kind" = linux ] && echo "Linux" || echo "Windows (Wine)")
    printf '%6d | %-17s | %-40s | %-16s | %s\n' "$n" "$label" \
      "$(awk -v m="${t_med[$kind$n]}" -v r="${t_rng[$kind$n]}" 'BEGIN { printf "%.1f (%s)", m, r }')" \
      "$(awk -v k="${pss_med[$kind$n]}" 'BEGIN { printf "%.1f", k / 1024 }')" \
      "$(awk -v k="${own_med[$kind$n]}" 'BEGIN { printf "%.1f", k / 1024 }')"
  done
done
echo "Wine's own processes beside the program: $(( $(wine_side_pss) / 1024 )) MiB PSS (not in the Windows rows)"
