#!/usr/bin/env bash
# The program installed like a desktop program. `cmake --install` puts the build into a new prefix,
# whose tree is checked: the program in bin/, the shape files and the help in share/tackwisp/ (the
# same bytes as beside the built program), the desktop entry (checked by desktop-file-validate), the
# icon in the hicolor theme (a PNG of each size and the drawing), the Debian copyright and changelog.
# Then the installed program runs on a virtual display, started by a user who cannot write its folder
# (as root: the user nobody, the prefix owned by root; else this user with the prefix made read-only):
#   1. the first start, with no workstation file anywhere: before its welcome box shows, the program
#      has made REG.CFG in the user's configuration folder (~/.config/tackwisp), nothing in bin/; the
#      setup taken as proposed joins ~/.local/share/tackwisp/shared and writes the start at login,
#      whose TryExec is the installed program;
#   2. a start with that REG.CFG naming a member's shared folder: the note shows, no message box shows
#      at all (none about missing shape files), and the program reads its shape files and, for the
#      menu's help, its help document from share/tackwisp (watched with inotifywait); SIGTERM ends it
#      with exit code 0, REG.CFG still in the configuration folder only;
#   3. the same start with the shape files taken out of share/tackwisp: now the box about missing
#      shape files shows, which is what run 2 would have seen without them.
# Exit code 77 when something it needs is not installed (it says what).
#
#   bash install_tree.sh <build folder> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

build=$(readlink -f "$1")
screen_args "$build/tackwisp" "$2" "$3"

need=()
for c in cmake desktop-file-validate inotifywait Xvfb xdotool setpriv gzip; do
  command -v "$c" >/dev/null 2>&1 || need+=("$c")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "skipped: not installed: ${need[*]} (packages desktop-file-utils, inotify-tools, xvfb, xdotool)"
  exit 77
fi
[ -x "$exe" ] || { echo "no program $exe: build it first"; exit 1; }

make_work
chmod 755 "$work"
prefix=$work/prefix
shot=$artifacts/install_tree.png
failure_shot=$shot

# ---- the installed tree ----
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
fail=0
bad() { echo "$1"; fail=1; }
[ -x "$prefix/bin/tackwisp" ] || bad "no program bin/tackwisp"
shipped=()
for f in "$build"/FSTYLE.* "$build"/*.html; do [ -e "$f" ] && shipped+=("$(basename "$f")"); done
[ ${#shipped[@]} -ge 3 ] || bad "the build holds no shape files or help beside its program"
printf '%s\n' "${shipped[@]}" | grep -qx 'tackwisp.html' || bad "the build holds no help tackwisp.html"
for f in "${shipped[@]}"; do
  cmp -s "$build/$f" "$prefix/share/tackwisp/$f" || bad "share/tackwisp/$f is missing or differs from the build's"
done
desktop=$prefix/share/applications/tackwisp.desktop
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || bad "desktop-file-validate refuses the desktop entry"
  grep -qx 'Name=タックウィスプ' "$desktop" || bad "the desktop entry's Name is not タックウィスプ"
  grep -qx 'Exec=tackwisp' "$desktop" || bad "the desktop entry does not start tackwisp"
  grep -qx 'Icon=tackwisp' "$desktop" || bad "the desktop entry does not name the icon tackwisp"
else
  bad "no desktop entry share/applications/tackwisp.desktop"
fi
# A PNG's width and height: bytes 16..23 of its header, big-endian.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }
for s in 16 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${s}x${s}/apps/tackwisp.png
  if [ -f "$icon" ] && [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
    [ "$(png_size "$icon")" = "${s}x${s}" ] || bad "the icon of ${s}x${s} is $(png_size "$icon") pixels"
  else
    bad "no PNG icon ${s}x${s}/apps/tackwisp.png"
  fi
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/tackwisp.svg" 2>/dev/null || bad "no icon scalable/apps/tackwisp.svg"
[ -s "$prefix/share/doc/tackwisp/copyright" ] || bad "no share/doc/tackwisp/copyright"
gzip -t "$prefix/share/doc/tackwisp/changelog.gz" 2>/dev/null || bad "no compressed share/doc/tackwisp/changelog.gz"
[ "$fail" = 0 ] || exit 1
echo "installed tree: program, ${#shipped[@]} shipped files, desktop entry, 7 icons, copyright, changelog"

# ---- the user, who cannot write the program's folder ----
if [ "$(id -u)" = 0 ]; then
  user=nobody
  uid=$(id -u "$user" 2>/dev/null) || { echo "skipped: no user $user to run the program as"; exit 77; }
  gid=$(id -g "$user")
  as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups)
  mine() { chown -R "$uid:$gid" "$@"; }
else
  as_user=()
  mine() { :; }
  # The owner of a folder without write permission cannot write it either.
  chmod -R a-w "$prefix"
  trap 'chmod -R u+w "$prefix" 2>/dev/null; remove_work' EXIT
fi
home=$work/home
shared=$work/shared
mkdir -p "$shared" "$work/user"
mine "$home" "$work/runtime" "$shared" "$work/user"
"${as_user[@]}" test ! -w "$prefix/bin" || { echo "the user can write the program's folder $prefix/bin"; exit 1; }
config=$home/.config/tackwisp

start_display
export DISPLAY=$display
# start_installed <widget map>: the installed program as the user, with its own HOME and
# XDG_RUNTIME_DIR (no other configuration or data folder), writing down its windows in the map. A
# simple command in the background, so that $! is the program itself (setpriv and env exec it).
start_installed() {
  "${as_user[@]}" env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime" \
    TACKWISP_WIDGET_MAP="$1" "$prefix/bin/tackwisp" >"$work/program.log" 2>&1 &
  pid=$!
  pids+=("$pid")
}
# stop_now: the program ends whatever it is waiting for.
stop_now() {
  kill -TERM "$pid" 2>/dev/null || true
  local _
  for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
# boxes <widget map>: the message boxes the program showed, one title a line.
boxes() { awk -F'\t' '$2 == "*" && $3 == "QMessageBox" { print $1 }' "$1" 2>/dev/null | sort -u; }

# 1. The first start: the workstation file is made in the user's configuration folder; the setup
#    taken as proposed (OK on the welcome box, OK on the setup dialog, by pointer) joins a folder of the
#    user's own data folder and writes the start at login.
map1=$work/user/map1.tsv
start_installed "$map1"
welcome=$(wait_window "$DISPLAY" "セットアップ初期設定") || fail_run "the welcome box of the first start did not show"
[ -f "$config/REG.CFG" ] || fail_run "the first start made no REG.CFG in the configuration folder $config"
[ ! -e "$prefix/bin/REG.CFG" ] || fail_run "a REG.CFG appeared in the program's folder"
# press_ok <window title> <button name or text>: a click of the pointer at the middle of that button,
# where the program's own map of its windows says it is.
press_ok() {
  local at="" _
  for _ in $(seq 1 50); do
    at=$(awk -F'\t' -v t="$1" -v n="$2" '$1 == t && $2 != "*" && ($2 == n || $3 == n) {
           split($4, g, " "); found = int(g[1] + g[3] / 2) " " int(g[2] + g[4] / 2) }
         END { if (found != "") print found }' "$map1" 2>/dev/null)
    [ -n "$at" ] && break
    sleep 0.1
  done
  [ -n "$at" ] || fail_run "no button $2 in the window $1"
  # shellcheck disable=SC2086   # "x y"
  xdotool mousemove $at
  sleep 0.15
  xdotool click 1
}
[ -n "$welcome" ] && press_ok "セットアップ初期設定" "OK"
wait_window "$DISPLAY" "環境設定" >/dev/null || fail_run "the setup dialog did not show"
press_ok "環境設定" "cmdOK"
own=$home/.local/share/tackwisp/shared
for _ in $(seq 1 100); do
  [ -s "$own/GRPINLY.CFG" ] && [ -e "$own/ID00001.FDT" ] && [ -f "$home/.config/autostart/tackwisp.desktop" ] && break
  sleep 0.1
done
[ -s "$own/GRPINLY.CFG" ] && [ -e "$own/ID00001.FDT" ] || fail_run "the proposed setup did not join the folder $own"
grep -qx "Exec=\"$prefix/bin/tackwisp\"" "$home/.config/autostart/tackwisp.desktop" ||
  fail_run "no start at login for the installed program after the setup"
grep -qx "TryExec=$prefix/bin/tackwisp" "$home/.config/autostart/tackwisp.desktop" ||
  fail_run "the start at login does not name the installed program as its TryExec"
desktop-file-validate "$home/.config/autostart/tackwisp.desktop" || fail_run "the start at login is no valid desktop entry"
stop_now
echo "first start: REG.CFG made in the user's configuration folder, the proposed setup joined, the start at login written"

# 2. An ordinary start of the member that REG.CFG names.
mkdir -p "$work/scratch"
"$tools/member_folder" write "$work/scratch" "$shared" "山田" '設置の確認\n共有フォルダ' 1500 3000 3000 1500
mine "$shared"
"${as_user[@]}" sh -c 'cat > "$1"' sh "$config/REG.CFG" <"$work/scratch/REG.CFG"
inotifywait -m -q -e open --format '%f' "$prefix/share/tackwisp" >"$work/opened.log" 2>"$work/inotify.log" &
watcher=$!
pids+=("$watcher")
sleep 0.5   # the watch is set up before the program starts
map2=$work/user/map2.tsv
start_installed "$map2"
# The note at 200,100, 200 x 100 pixels (15 twips a pixel), in the design colour #ffff80.
wait_colour 202 102 196 96 ffff80 || fail_run "the note did not show"
xdotool mousemove 300 150
sleep 0.2
xdotool click 3
sleep 0.6
xdotool key h
sleep 0.4
xdotool key h
help=$(wait_window "$DISPLAY" "タックウィスプ ヘルプ") || fail_run "the help window did not open from the menu"
sleep 0.5
"$tools/screenshot_probe" grab "$shot" >/dev/null || true
xdotool windowclose "$help" 2>/dev/null || xdotool key --window "$help" alt+F4
sleep 0.3
[ -z "$(boxes "$map2")" ] || fail_run "message boxes showed: $(boxes "$map2" | tr '\n' ' ')"
grep -q $'^タックウィスプ ヘルプ\t\\*\t' "$map2" || fail_run "the widget map holds no help window: it was not written"
end_program "$pid" || fail_run
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true
for f in "${shipped[@]}"; do
  case "$f" in
    tackwisp-support.html) continue ;;   # opened only by the menu's web support entry
  esac
  grep -qx "$f" "$work/opened.log" || { echo "opened in share/tackwisp:"; sort -u "$work/opened.log"; fail_run "the program did not read share/tackwisp/$f"; }
done
[ -f "$config/REG.CFG" ] && [ ! -e "$prefix/bin/REG.CFG" ] || fail_run "REG.CFG is not where it belongs after the run"
echo "installed start: note shown, no message box, shape files and help read from share/tackwisp; screenshot: $shot"

# 3. Without the shape files in share/tackwisp the program says so: the check of run 2 sees such a box.
mkdir -p "$work/aside"
mv "$prefix/share/tackwisp"/FSTYLE.* "$work/aside/" 2>/dev/null ||
  { chmod u+w "$prefix/share/tackwisp" && mv "$prefix/share/tackwisp"/FSTYLE.* "$work/aside/"; }
map3=$work/user/map3.tsv
start_installed "$map3"
for _ in $(seq 1 100); do
  [ -n "$(boxes "$map3")" ] && break
  sleep 0.1
done
seen=$(boxes "$map3")
stop_now
[ "$seen" = "タックウィスプ" ] || fail_run "without shape files no box about them showed (boxes: '$seen')"
echo "without shape files: the box about them showed"
echo "OK"
