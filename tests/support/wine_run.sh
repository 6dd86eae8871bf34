# Shared by the runs of the Windows program under Wine (tests/windows/*.sh, bench/startup_wine.sh;
# sourced, after `set -euo pipefail`): what a run needs, a Wine prefix of its own that reads Japanese,
# the Windows packages of the build, the installer, the program started and its windows waited for,
# the end of the Windows session, and the clean end of every Wine process of the run.
#
# A Wine prefix is one Windows computer: its own C: drive, registry, user and wineserver (which
# enforces the sharing modes of the files between all of its programs). A run may make several;
# programs of several program folders may also run in one (the program lets one copy run per user
# and program folder). Every prefix of a run shares the run's HOME and work folder.
#
# The functions use the exported $WINEPREFIX, the prefix now in use (new_prefix and use_prefix set
# it). Wine gets the environment of the shell that starts it, so every Wine command goes through
# wine_env, which leaves out what Linux Qt programs of the run need but a Windows Qt program must
# not see (QT_QPA_PLATFORM=xcb would make it look for a platform plugin it does not have).

# The display, the work folder, the screenshots and the end of a Linux program come from the real
# runs of the Linux program.
source "$(dirname "${BASH_SOURCE[0]}")/screen_run.sh"

# How long a Wine run waits for a Windows program's window: a first start in a new prefix sets up
# the user's profile, loads Qt and its plugins through Wine's loader, and takes several seconds.
wine_window_seconds=${WINE_WINDOW_SECONDS:-60}

# ---- what a run needs ----

# wine_need [<command>...]: ends the script with exit code 77, saying what is missing, unless Wine
# (wine, wineboot, wineserver, winepath), Xvfb, xdotool, xwininfo, xprop, fc-match, iconv and the
# given commands are installed.
wine_need() {
  local need=() c
  for c in wine wineboot wineserver winepath Xvfb xdotool xwininfo xprop fc-match iconv "$@"; do
    command -v "$c" >/dev/null 2>&1 || need+=("$c")
  done
  if [ ${#need[@]} -gt 0 ]; then
    echo "skipped: not installed: ${need[*]} (packages wine, wine64, xvfb, xdotool, x11-utils, fontconfig, libc-bin)"
    exit 77
  fi
}

# wine_runs_32bit: whether this Wine runs 32-bit Windows programs. A 64-bit-only Wine (Debian's
# wine64 without wine32:i386) has no 32-bit loader beside its wineserver.
wine_runs_32bit() {
  local dir
  dir=$(dirname "$(readlink -f "$(command -v wineserver)")")
  [ -x "$dir/wine" ]
}

# pe_machine <file>: the machine a Windows program is built for, from its PE header: x64, x86 or
# something else ("other <hex>"); nothing when the file is no Windows program.
pe_machine() {
  local off sig machine
  off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$off" ] || return 0
  sig=$(od -An -tx1 -j"$off" -N4 "$1" 2>/dev/null | tr -d ' \n')
  [ "$sig" = 50450000 ] || return 0
  machine=$(od -An -tx2 -j$((off + 4)) -N2 "$1" | tr -d ' \n')
  case "$machine" in
    8664) echo x64 ;;
    014c) echo x86 ;;
    *) echo "other $machine" ;;
  esac
}

# need_runnable <windows program>: exit code 77 when the program is a 32-bit one and this Wine runs
# 64-bit programs only (it says what to install); exit code 1 when the file is no x64 or x86 program.
need_runnable() {
  local m
  m=$(pe_machine "$1")
  case "$m" in
    x64) ;;
    x86)
      if ! wine_runs_32bit; then
        echo "skipped: $(basename "$1") is a 32-bit Windows program and this Wine runs 64-bit programs only:"
        echo "         Wine's 32-bit part is not installed (dpkg --add-architecture i386; apt-get install wine32:i386)"
        exit 77
      fi
      ;;
    *) echo "$1 is no Windows program for x64 or x86 (${m:-no PE header})"; exit 1 ;;
  esac
}

# ---- the packages of a Windows build ----

# winapp_packages <windows build folder>: the installer and the zip of the newest version in its
# packages/ folder, as $setup_exe and $program_zip (absolute); $package_version is their version.
# Fails the script when the installer is not there (the target windows_packages makes both).
winapp_packages() {
  local dir f
  dir=$(readlink -f "$1")/packages
  setup_exe=""
  for f in "$dir"/tackwisp-*-win64-setup.exe; do
    [ -e "$f" ] || continue
    if [ -z "$setup_exe" ] || [ "$f" -nt "$setup_exe" ]; then setup_exe=$f; fi
  done
  if [ -z "$setup_exe" ]; then
    echo "no installer $dir/tackwisp-<version>-win64-setup.exe: build the target windows_packages first"
    exit 1
  fi
  package_version=$(basename "$setup_exe")
  package_version=${package_version#tackwisp-}
  package_version=${package_version%-win64-setup.exe}
  program_zip=$dir/tackwisp-$package_version-win64.zip
  [ -e "$program_zip" ] || program_zip=""
}

# ---- the run and its prefixes ----

# wine_make_work: the run's work folder as make_work makes it ($work, $pids, HOME in $work/home);
# at the exit every Wine process of every prefix of the run ends first (wine_stop_all), then the
# processes in $pids and the folder go.
wine_make_work() {
  make_work
  wine_prefixes=()
  trap 'wine_stop_all; remove_work' EXIT
}

# wine_env <command>...: runs the command with the environment of a Windows program of the run: the
# prefix in use, no Wine debug output, no Mono or Gecko installers (mscoree, mshtml), no menu
# entries written for the Linux desktop (winemenubuilder) and no debugger dialog when a program
# crashes (winedbg), HOME and XDG_RUNTIME_DIR in $work, a UTF-8 locale (Wine makes Unix file names in
# the locale's character set), and none of the Linux Qt settings of the run.
wine_env() {
  env -u QT_QPA_PLATFORM -u QT_PLUGIN_PATH -u QT_QPA_PLATFORMTHEME -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
    -u QT_AUTO_SCREEN_SCALE_FACTOR -u QT_FONT_DPI -u LANGUAGE -u WAYLAND_DISPLAY -u SESSION_MANAGER \
    WINEPREFIX="$WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d" \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 LC_ALL=C.UTF-8 "$@"
}

# new_prefix [<name>]: a new Windows computer: the prefix $work/wine-<name> (default "pc"), made by
# `wineboot -i` without a display, with a Japanese font (wine_japanese), exported as WINEPREFIX.
# Its wineserver ends a few seconds after its last program, and starts again with the next one; the
# end of the run stops it in any case. About 10 to 20 s.
new_prefix() {
  local name=${1:-pc}
  export WINEPREFIX=$work/wine-$name
  rm -rf "$WINEPREFIX"
  wine_prefixes+=("$WINEPREFIX")
  if ! wine_env env -u DISPLAY wineboot -i >"$work/wineboot-$name.log" 2>&1; then
    cat "$work/wineboot-$name.log"
    fail_run "wineboot -i could not make the Wine prefix $WINEPREFIX"
  fi
  # wineboot returns before the services it started have finished the set-up of the prefix.
  wine_env wineserver -w
  [ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail_run "the Wine prefix $WINEPREFIX has no C:\\windows\\system32"
  wine_japanese
}

# use_prefix <name>: makes the prefix of that name (made by new_prefix) the one in use.
use_prefix() {
  export WINEPREFIX=$work/wine-$1
  [ -d "$WINEPREFIX" ] || fail_run "no Wine prefix $1 in this run"
}

# japanese_font: the Japanese font fontconfig gives, e.g. Noto Sans CJK JP: its family name and its
# file ("family file" on one line, tab between).
japanese_font() {
  fc-match -f '%{family[0]}\t%{file}\n' ':lang=ja:style=Regular' 2>/dev/null | head -1
}

# wine_japanese: the prefix shows Japanese like a Japanese Windows. Wine lists the Linux fonts that
# fontconfig knows (the program's Qt finds Noto Sans CJK among them by itself); the names of the
# Japanese Windows fonts (the notes' "ＭＳ Ｐゴシック", the boxes' "MS UI Gothic" ...) are made to
# stand for fontconfig's Japanese font (FontSubstitutes), as they stand for themselves on a Japanese
# Windows, so that a text asked for in them is drawn in one known face. Skips the run (77) when
# fontconfig knows no Japanese font.
wine_japanese() {
  local font family file name
  font=$(japanese_font)
  family=${font%%$'\t'*}
  file=${font#*$'\t'}
  if [ -z "$font" ] || [ ! -f "$file" ]; then
    echo "skipped: no Japanese font for Wine: fontconfig knows none for :lang=ja (package fonts-noto-cjk)"
    exit 77
  fi
  # One import for all names (a .reg file of version 5 is UTF-16 with its byte-order mark).
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    for name in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "ＭＳ ＵＩ ゴシック" "MS PGothic" "MS Gothic" "MS UI Gothic" "Meiryo" "Meiryo UI" "Yu Gothic UI"; do
      printf '"%s"="%s"\r\n' "$name" "$family"
    done
  } | iconv -f UTF-8 -t UTF-16LE | { printf "\xff\xfe"; cat; } >"$work/fonts.reg"
  wine_env env -u DISPLAY wine regedit /S "$(win_path "$work/fonts.reg")" >>"$work/wine.log" 2>&1 ||
    fail_run "the Japanese font substitutes could not be written into the registry"
  japanese_family=$family
}

# wine_display [wm]: an X server of its own for the rest of the script (start_display), exported as
# DISPLAY; with "wm" a window manager (openbox) on it. Without one Wine places and activates the
# windows itself, as Windows does. With one, Wine turns a note window into a "managed" one when a
# press activates it; a drag that begins at that moment leaves the note where the manager's frame
# put it, and the program takes 0,0 for its place (tests/windows/install_run.sh drags without one).
wine_display() {
  start_display
  # The Linux tools of the run (screenshots) on it too, with the run's runtime folder.
  export DISPLAY=$display XDG_RUNTIME_DIR=$work/runtime
  if [ "${1:-}" = wm ]; then start_window_manager; fi
}

# wine_stop: every Windows process of the prefix in use ends at once (wineserver -k) and its
# wineserver with them; waits up to 10 s for that.
wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] || return 0
  wine_env wineserver -k >/dev/null 2>&1 || true
  wine_env timeout 10 wineserver -w >/dev/null 2>&1 || true
}

# wine_stop_all: wine_stop for every prefix of the run (the exit of a run does it).
wine_stop_all() {
  local p
  for p in "${wine_prefixes[@]}"; do WINEPREFIX=$p wine_stop; done
}

# ---- paths ----

# win_path <unix path>: the Windows name of a Unix file or folder (Z:\... unless it is in the prefix).
win_path() { wine_env winepath -w "$1" 2>/dev/null; }

# unix_path <windows path>: the Unix name of a Windows file or folder of the prefix in use.
unix_path() { wine_env winepath -u "$1" 2>/dev/null; }

# windows_user_dir: the Unix path of the Windows user's profile folder (C:\users\<name>).
windows_user_dir() {
  local d
  for d in "$WINEPREFIX/drive_c/users"/*; do
    [ "$(basename "$d")" = Public ] && continue
    [ -d "$d/AppData" ] && { echo "$d"; return 0; }
  done
  return 1
}

# ---- registry ----

# reg_has_key <key>: whether the key exists in the registry of the prefix in use.
reg_has_key() { wine_env wine reg query "$1" >/dev/null 2>&1; }

# reg_value <key> <value>: the data of a value (as `reg query` prints it: Unicode outside ASCII shows
# as "?"); nothing and exit code 1 when there is no such value.
reg_value() {
  local out
  out=$(wine_env wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  awk -v v="$2" 'index($0, "    " v "    ") == 1 { sub("^    " v "    [A-Z_]+    ", ""); print; f = 1 } END { exit f ? 0 : 1 }' <<<"$out"
}

# uninstall_keys_of <windows folder>: the subkeys of the user's and the machine's uninstall lists
# whose values name that folder (e.g. its uninstall.exe), one a line.
uninstall_keys_of() {
  local root out
  for root in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
    out=$(wine_env wine reg query "$root" /s 2>/dev/null | tr -d '\r') || continue
    # The folder through the environment: awk -v would take its backslashes for escapes.
    DIR=$1 awk '/^HKEY_/ { key = $0; next }
         key != "" && index(tolower($0), tolower(ENVIRON["DIR"])) > 0 && !(key in seen) { print key; seen[key] = 1 }' <<<"$out"
  done
}

# ---- programs ----

# wine_install <setup.exe> [<windows folder>]: runs the installer silently (/S, and /D=<folder>
# when given) and waits for its end; fails the run when it fails. Its output: $work/install.log.
wine_install() {
  local rc=0
  if [ $# -gt 1 ]; then
    wine_env wine "$1" /S "/D=$2" >"$work/install.log" 2>&1 </dev/null || rc=$?
  else
    wine_env wine "$1" /S >"$work/install.log" 2>&1 </dev/null || rc=$?
  fi
  [ "$rc" = 0 ] || { cat "$work/install.log"; fail_run "the installer ended with exit code $rc"; }
}

# wine_start <unix path> [<argument>...]: opens a program, or a shortcut (.lnk) to one, as a click in
# the Start menu or the Explorer does (ShellExecute through `start`): it runs in the shortcut's
# working folder with its arguments. Returns at once; output to $work/program.log.
wine_start() {
  wine_env wine start /unix "$@" >>"$work/program.log" 2>&1 </dev/null
}

# wine_exec <unix path of an .exe> [<argument>...]: starts a program directly (`wine program.exe`),
# in the background; $! is Wine's launcher, not the program (see wine_pid). Output to
# $work/program.log.
wine_exec() {
  wine_env wine "$@" >>"$work/program.log" 2>&1 </dev/null &
  pids+=($!)
}

# wine_pids <program file name>: the Unix process ids of the running Windows programs of that file
# name (e.g. tackwisp.exe, any case) in the prefix in use, one a line.
wine_pids() {
  local p name
  name=$(tr '[:upper:]' '[:lower:]' <<<"$1")
  name=${name//./[.]}
  for p in $(wine_processes); do
    # A Windows process's command line is its Windows one, the program first: "C:\...\program.exe"
    # arguments (Wine's launcher "start.exe /exec C:\...\program.exe" is not the program).
    tr "\\0" " " 2>/dev/null <"/proc/$p/cmdline" | tr '[:upper:]' '[:lower:]' |
      grep -qE "^(\"[^\"]*[\\\\/]$name\"|[^ \"]*[\\\\/]$name|$name)( |$)" && echo "$p"
  done
  return 0
}

# wine_processes: the Unix process ids of every process of Wine in the prefix in use (its Windows
# programs, its services, its wineserver), one a line: the processes whose program is Wine's
# (wine64, wine64-preloader, wineserver64 ...) and whose environment names the prefix.
wine_processes() {
  local p exe
  for p in $(pgrep -f . 2>/dev/null); do
    exe=$(readlink "/proc/$p/exe" 2>/dev/null) || continue
    [[ $(basename "$exe") == wine* ]] || continue
    tr "\\0" "\\n" 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
  return 0
}

# wine_pid <program file name> [<seconds>]: waits (default 30 s) for a running Windows program of that
# name in the prefix in use; prints its Unix process id, or fails when none runs by then.
wine_pid() {
  local p _
  for _ in $(seq 1 $((${2:-30} * 5))); do
    p=$(wine_pids "$1" | head -1)
    [ -n "$p" ] && { echo "$p"; return 0; }
    sleep 0.2
  done
  return 1
}

# wine_gone <unix pid> [<seconds>]: waits (default 20 s) until the process has ended; fails if not.
wine_gone() {
  local _
  for _ in $(seq 1 $((${2:-20} * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    # An ended process whose parent has not reaped it yet counts as ended.
    [ "$(ps -o stat= -p "$1" 2>/dev/null | cut -c1)" = Z ] && return 0
    sleep 0.1
  done
  return 1
}

# wine_window <title> [<seconds>]: waits (default $wine_window_seconds) for a visible window of
# $DISPLAY whose whole title matches <title> (a regular expression); prints its X window id, or
# fails when none shows.
wine_window() {
  local id _
  for _ in $(seq 1 $((${2:-$wine_window_seconds} * 5))); do
    id=$(visible "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# window_place <X window id>: "x y width height" of the window on the screen, in pixels.
window_place() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { if (w != "") print x, y, w, h }'
}

# press_key <X window id> <key>...: the window is activated as a click on it would (through the
# window manager when there is one) and the keys are typed into it.
press_key() {
  local id=$1
  shift
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
  sleep 0.2
  xdotool key --clearmodifiers "$@"
}

# click_at <x> <y>: the pointer moves there and clicks the left button, as a hand does.
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click 1
}

# drag_by <from x> <from y> <dx> <dy> [<X window id>]: the left button pressed at the point, the
# pointer moved by (dx, dy) in steps of at most 5 pixels, as a hand's moves come, and the button
# released there. With a window given, each step waits (up to 3 s) until that window has followed
# the pointer, as a hand waits for what it drags; fails when it does not.
# Under Wine a window that holds the mouse capture gets the pointer's moves only while the pointer is
# over it (Windows sends them wherever the pointer is): a note 30 pixels high dragged in steps of 35
# pixels, or in small steps while the program is busy, stays behind once the pointer is off it.
drag_by() {
  local i n x0 y0 at _ followed
  n=$(( ((${3#-} > ${4#-} ? ${3#-} : ${4#-}) + 4) / 5 ))
  [ "$n" -ge 1 ] || n=1
  if [ -n "${5:-}" ]; then read -r x0 y0 _ _ <<<"$(window_place "$5")"; fi
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.3
  for i in $(seq 1 "$n"); do
    xdotool mousemove $(($1 + $3 * i / n)) $(($2 + $4 * i / n))
    sleep 0.03
    [ -n "${5:-}" ] || continue
    followed=""
    for _ in $(seq 1 100); do
      at=$(window_place "$5")
      [ "${at% * *}" = "$((x0 + $3 * i / n)) $((y0 + $4 * i / n))" ] && { followed=1; break; }
      sleep 0.03
    done
    [ -n "$followed" ] || { xdotool mouseup 1; echo "step $i of $n: the window is at $at"; return 1; }
  done
  sleep 0.2
  xdotool mouseup 1
}

# map_button <widget map> <window title> <button name or text>: where the program's own map of its
# windows (TACKWISP_WIDGET_MAP, a Windows path of the file) puts the middle of that button: "x y" in
# pixels on the screen; waits up to 10 s for the line, nothing when it does not come.
map_button() {
  local at="" _
  for _ in $(seq 1 50); do
    at=$(awk -F'\t' -v t="$2" -v n="$3" '$1 == t && $2 != "*" && ($2 == n || $3 == n) {
           split($4, g, " "); found = int(g[1] + g[3] / 2) " " int(g[2] + g[4] / 2) }
         END { if (found != "") print found }' "$1" 2>/dev/null | tr -d '\r')
    [ -n "$at" ] && { echo "$at"; return 0; }
    sleep 0.2
  done
  return 1
}

# wine_end_session: the Windows session ends as at a log-off or shut-down: Wine's wineboot sends
# WM_QUERYENDSESSION and then WM_ENDSESSION to every top-level window of every program (a program
# that does not answer within 5 s gets Wine's "end the program" box) and ends each program once it
# returned from WM_ENDSESSION, as Windows does. Exit code 0 when no program refused the end.
wine_end_session() {
  wine_env wineboot --end-session --shutdown >>"$work/wine.log" 2>&1 </dev/null
}

# wine_kill <unix pid>: a Windows program ended at once, with nothing it could do about it (as the
# task manager's end of a process): SIGKILL, which Wine reports to the others as its end.
wine_kill() { kill -KILL "$1" 2>/dev/null || true; }

# ---- the member's files as the Windows program reads them ----

# wine_workstation <program folder> <shared folder> <member number>: REG.CFG beside a Windows program
# naming the shared folder by its Windows name (Z:\...), as the setup there writes it: the member
# tools of tests/tools name it by its Unix path. The record: the folder as a counted CP932 text (an
# ASCII path is the same bytes), the member number, three empty counted fields, three zero words.
wine_workstation() {
  local folder
  folder=$(win_path "$2") || fail_run "no Windows name for $2"
  [[ $folder =~ ^[\ -~]+$ ]] || fail_run "the Windows name of the shared folder is not ASCII: $folder"
  {
    le16 "${#folder}"
    printf '%s' "$folder"
    le16 "$3"
    le16 0; le16 0; le16 0
    le16 0; le16 0; le16 0
  } >"$1/REG.CFG"
}
# le16 <number>: two bytes, little-endian.
le16() {
  local b
  b="\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"
  printf '%b' "$b"
}

# unpack_program <zip> <folder>: the program folder of the zip (the folder holding tackwisp.exe, at
# its top or one folder down) unpacked into <folder>.
unpack_program() {
  local tmp exe
  tmp=$(mktemp -d "$work/unzip.XXXXXX")
  unzip -q "$1" -d "$tmp" || fail_run "the zip $1 could not be unpacked"
  exe=$(find "$tmp" -maxdepth 2 -iname tackwisp.exe | head -1)
  [ -n "$exe" ] || fail_run "the zip $1 holds no tackwisp.exe"
  mkdir -p "$2"
  cp -a "$(dirname "$exe")"/. "$2"/
  rm -rf "$tmp"
}

# sums_of <folder>: a checksum line for every file under the folder and a line for every folder,
# paths relative to it, sorted: two listings are equal when nothing in it changed.
sums_of() {
  (cd "$1" && find . -type d | LC_ALL=C sort | sed 's/^/folder /' &&
     find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum)
}

# ---- two Windows members ----

# wine_member_start <program folder> <display> <widget map> <log>: the folder's tackwisp.exe started
# in the prefix in use on that X display, writing the map of its windows to <widget map> (a Windows
# path: TACKWISP_WIDGET_MAP) and its output to the end of <log>. Programs of several folders may run
# in one prefix at once, each on a display of its own: its one wineserver enforces the sharing modes
# between them as a file server does between computers. $member_job is the background job, whose
# exit code is the program's.
wine_member_start() {
  DISPLAY=$2 TACKWISP_WIDGET_MAP=$3 wine_env wine "$1/tackwisp.exe" >>"$4" 2>&1 </dev/null &
  member_job=$!
  pids+=("$member_job")
}
