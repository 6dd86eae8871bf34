#!/usr/bin/env bash
# The Windows program as a Windows user gets it: its installer run silently in a new Windows computer
# (a Wine prefix of its own, on a virtual display), the program started from its Start-menu entry
# by a user who never ran it, used, the session ended, the program uninstalled.
#   1. The installer (/S) puts the program into %LOCALAPPDATA%\Programs\TACKWISP with uninstall.exe
#      beside it, the Start-menu entry "タックウィスプ" and the user's uninstall entry naming that folder.
#   2. The entry starts the program: the welcome box of the first start shows and is answered with
#      Enter, the setup dialog with a click of the pointer on its OK (where the program's own map of
#      its windows says it is). The proposed setup joins a shared folder in the user's data folder and
#      writes the start at login (the value TACKWISP of the user's Run key); the first note
#      "タックウィスプ" shows in the note colour (screenshots: the setup dialog
#      windows_install_run_setup.png, the note windows_install_run.png). A second start from the
#      entry shows the message that the program runs already and ends on Enter; the first runs on.
#   3. The pointer drags the note 200 pixels left and 200 down; the session then ends as at a log-off
#      (WM_QUERYENDSESSION, WM_ENDSESSION): the program must end, and must have saved at its end: the
#      member's settings and notes written again (both were dated back before, and a drag changes
#      only the notes), the note's place in the note file 3000 twips up and left of where it showed
#      (15 a pixel). (The first note reaches the note file only with a change or at the end.)
#   4. The uninstaller (/S) takes away every file the installer put into the program folder, the
#      Start-menu entry, the uninstall entry and the start at login, which named this program; the
#      folder goes too, unless the workstation file REG.CFG the program wrote beside itself keeps it
#      (nothing else may stay). The shared folder with the member's files stays exactly as it was.
# Exit code 77 when something it needs is not installed (it says what).
#
#   bash install_run.sh <windows build folder> <linux build folder> <linux tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/wine_run.sh"

if [ $# -ne 4 ]; then
  echo "usage: bash install_run.sh <windows build folder> <linux build folder> <linux tools folder> <artifacts folder>" >&2
  exit 2
fi
wine_need sha256sum
tools=$(readlink -f "$3")
mkdir -p "$4"
artifacts=$(readlink -f "$4")
for t in screenshot_probe member_folder; do
  [ -x "$tools/$t" ] || { echo "no $tools/$t: build the tests' tools first"; exit 1; }
done
winapp_packages "$1"
need_runnable "$setup_exe"
started=$(date +%s)
step() { echo "[$(($(date +%s) - started)) s] $*"; }

wine_make_work
shot=$artifacts/windows_install_run.png
setup_shot=$artifacts/windows_install_run_setup.png
failure_shot=$artifacts/windows_install_run_failure.png
rm -f "$shot" "$setup_shot" "$failure_shot"
new_prefix
# No X window manager: Wine places and activates the windows itself, as Windows does. Under a
# reparenting window manager (openbox) Wine makes a note window "managed" when a press activates it,
# and a drag that begins then loses the note to a wrong place (Wine takes the note's place within
# the manager's frame, 0,0, for its place on the screen, and the program stores that).
wine_display
step "a new Windows computer: Wine prefix made, Japanese font $japanese_family"

# ---- 1. the silent install ----
profile=$(windows_user_dir) || fail_run "the prefix has no user profile folder"
program_dir=$profile/AppData/Local/Programs/TACKWISP
start_menu=$profile/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs
wine_install "$setup_exe"
[ -f "$program_dir/tackwisp.exe" ] || fail_run "the installer put no tackwisp.exe into %LOCALAPPDATA%\\Programs\\TACKWISP"
[ -f "$program_dir/uninstall.exe" ] || fail_run "the installer put no uninstall.exe beside the program"
entry=$(find "$start_menu" -name 'タックウィスプ.lnk' 2>/dev/null | head -1)
[ -n "$entry" ] || fail_run "no Start-menu entry タックウィスプ.lnk under $start_menu"
program_win=$(win_path "$program_dir")
keys=$(uninstall_keys_of "$program_win")
[ -n "$keys" ] || fail_run "no uninstall entry names the program folder $program_win"
[[ $keys == *HKEY_CURRENT_USER* ]] || fail_run "the uninstall entry is not the user's own: $keys"
(cd "$program_dir" && find . -type f | LC_ALL=C sort) >"$work/installed.files"
step "installed ($(basename "$setup_exe")): $(grep -c . "$work/installed.files") files in $program_win, Start-menu entry, uninstall entry $(head -1 <<<"$keys")"

# ---- 2. the first start from the Start menu ----
map=$work/map.tsv
map_win=$(win_path "$map")
TACKWISP_WIDGET_MAP=$map_win wine_start "$entry"
pid=$(wine_pid tackwisp.exe) || fail_run "the Start-menu entry started no tackwisp.exe"
command_line=$(tr '\0' ' ' <"/proc/$pid/cmdline")
[[ ${command_line,,} == *"${program_win,,}\\tackwisp.exe"* ]] || fail_run "the Start-menu entry started $command_line"
welcome=$(wine_window "セットアップ初期設定") || fail_run "the welcome box of the first start did not show"
step "the first start shows its welcome box"
press_key "$welcome" Return
wine_window "環境設定" >/dev/null || fail_run "Enter on the welcome box did not open the setup dialog"
at=$(map_button "$map" "環境設定" cmdOK) || fail_run "the program's map of its windows names no OK of the setup dialog"
sleep 0.5
"$tools/screenshot_probe" grab "$setup_shot" >/dev/null || fail_run "no screenshot of the setup dialog"
# shellcheck disable=SC2086   # "x y"
click_at $at

# The note window in the map of the program: its place in pixels, "x y width height".
note_place() { awk -F'\t' '$2 == "*" && $3 ~ /(^|:)frmPinly$/ { p = $4 } END { print p }' "$map" 2>/dev/null | tr -d '\r'; }
place=""
for _ in $(seq 1 $((wine_window_seconds * 5))); do
  place=$(note_place)
  [ -n "$place" ] && break
  kill -0 "$pid" 2>/dev/null || fail_run "the program ended after its setup"
  sleep 0.2
done
[ -n "$place" ] || fail_run "no note showed after the setup"
read -r nx ny nw nh <<<"$place"
# The note colour over the note and its text dark on it, inside its edges.
wait_colour $((nx + 2)) $((ny + 2)) $((nw - 4)) $((nh - 4)) ffff80 ||
  fail_run "the note at $place does not show in the note colour #ffff80"
sleep 0.5
"$tools/screenshot_probe" grab "$shot" >/dev/null || fail_run "no screenshot"
QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" check "$shot" $((nx + 2)) $((ny + 2)) $((nw - 4)) $((nh - 4)) ffff80 >/dev/null ||
  fail_run "the screenshot shows no note with text at $place"
step "setup taken: the note shows at $place (screenshot $shot)"

# One running copy per user: a second start from the Start menu says so and ends; the first runs on.
wine_start "$entry"
again=$(wine_window "タックウィスプ" 30) || fail_run "a second start showed no message"
[ "$(wine_pids tackwisp.exe | grep -c .)" = 2 ] || fail_run "the second start is not a second tackwisp.exe"
press_key "$again" Return
for _ in $(seq 1 50); do [ "$(wine_pids tackwisp.exe | grep -c .)" = 1 ] && break; sleep 0.2; done
[ "$(wine_pids tackwisp.exe | grep -c .)" = 1 ] || fail_run "the second start did not end after its message"
kill -0 "$pid" 2>/dev/null || fail_run "the first program ended at the second start"
step "a second start said that the program runs already, and ended"

# The shared folder the setup joined: in the user's data folder, the only one with a member list.
member_list=$(find "$profile" -name GRPINLY.CFG 2>/dev/null)
[ "$(grep -c . <<<"$member_list")" = 1 ] || fail_run "not one member list in the user's folders: $member_list"
shared=$(dirname "$member_list")
[ "$shared" = "$profile/AppData/Roaming/tackwisp/shared" ] || step "note: the shared folder is $shared"
for f in ID00001.FCG ID00001.FDT; do [ -f "$shared/$f" ] || fail_run "the setup wrote no $f into $shared"; done
# The workstation file names the shared folder as Windows spells it: the proposal was made from Qt's
# folder of the user's data, which Qt writes with '/'.
grep -aq 'Roaming\\tackwisp\\shared' "$program_dir/REG.CFG" ||
  fail_run "REG.CFG does not name the shared folder with Windows' separators: $(tr -c '[:print:]' ' ' <"$program_dir/REG.CFG")"
# stored: the first note's "top left text" as the note file has it (twips).
stored() { "$tools/member_folder" show "$shared" 1 2>/dev/null | awk '$1 == 0 { print $2, $3, $7 }'; }
run_value=$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' TACKWISP) ||
  fail_run "the setup wrote no start at login (the value TACKWISP of the user's Run key)"
[[ ${run_value,,} == *"${program_win,,}\\tackwisp.exe"* ]] || fail_run "the start at login names $run_value"

# ---- 3. a drag by the pointer, then the end of the session ----
# The end writes the settings and the notes again; dated back, each shows whether the end wrote it.
touch -d '2000-01-01 00:00' "$shared/ID00001.FCG" "$shared/ID00001.FDT"
note_window=$(visible tackwisp)
[ -n "$note_window" ] || fail_run "no window of the note (title tackwisp) on the screen"
[ "$(window_place "$note_window")" = "$place" ] || fail_run "the note's window is at $(window_place "$note_window"), the program puts it at $place"
why=$(drag_by $((nx + nw / 2)) $((ny + nh / 2)) -200 200 "$note_window") || fail_run "the note did not follow the pointer: $why"
moved=""
for _ in $(seq 1 50); do
  read -r mx my _ _ <<<"$(note_place)"
  [ "$mx" = $((nx - 200)) ] && [ "$my" = $((ny + 200)) ] && { moved=1; break; }
  sleep 0.1
done
[ -n "$moved" ] || fail_run "the note did not follow the pointer: at $(note_place), expected $((nx - 200)) $((ny + 200))"
wait_colour $((nx - 198)) $((ny + 202)) $((nw - 4)) $((nh - 4)) ffff80 || fail_run "the dragged note does not show at its new place"
step "dragged: the note shows at $(note_place)"

wine_end_session || fail_run "the end of the session was refused by a program"
wine_gone "$pid" 20 || fail_run "the program still runs 20 s after the end of the session"
step "the session ended: the program ended"
for f in ID00001.FCG ID00001.FDT; do
  [ "$(stat -c %Y "$shared/$f")" -gt "$(date -d '2000-01-02' +%s)" ] || fail_run "$f was not written at the end of the session"
done
after=$(stored)
read -r top1 left1 text1 <<<"$after"
[ "$text1" = タックウィスプ ] || fail_run "the note file holds no note タックウィスプ after the end: '$after'"
# Where the note showed before the drag and 200 pixels left and down, in twips (15 a pixel).
top0=$((ny * 15)) left0=$((nx * 15))
dtop=$((top1 - top0)) dleft=$((left1 - left0))
[ "$dtop" -ge 2985 ] && [ "$dtop" -le 3015 ] && [ "$dleft" -ge -3015 ] && [ "$dleft" -le -2985 ] ||
  fail_run "the stored place is top $top1, left $left1 twips: moved by $dtop, $dleft from where the note showed, not by 3000, -3000"
step "saved at the end: settings and notes written, the note stored at top $top1, left $left1 twips (shown at top $top0, left $left0 before the drag)"

# ---- 4. the uninstall ----
sums_of "$shared" >"$work/shared.before"
wine_env wine "$program_dir/uninstall.exe" /S >"$work/uninstall.log" 2>&1 </dev/null ||
  { cat "$work/uninstall.log"; fail_run "uninstall.exe /S failed"; }
# The uninstaller runs on from a copy of itself in the temporary folder: the prefix is idle once it
# has ended.
wine_env timeout 60 wineserver -w || fail_run "the uninstaller did not end within 60 s"
while read -r f; do
  [ ! -e "$program_dir/$f" ] || fail_run "the uninstall left $f of the installed files in the program folder"
done <"$work/installed.files"
kept=""
if [ -e "$program_dir" ]; then
  kept=$(cd "$program_dir" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
  [ "$kept" = "./REG.CFG " ] || fail_run "the program folder is still there after the uninstall, holding: $kept"
fi
[ ! -e "$entry" ] || fail_run "the Start-menu entry is still there after the uninstall"
left_keys=$(uninstall_keys_of "$program_win")
[ -z "$left_keys" ] || fail_run "the uninstall entry is still there: $left_keys"
while read -r k; do
  if reg_has_key "$k"; then fail_run "the uninstall key $k is still there"; fi
done <<<"$keys"
! reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' TACKWISP >/dev/null ||
  fail_run "the start at login of the removed program is still in the user's Run key"
sums_of "$shared" >"$work/shared.after"
diff "$work/shared.before" "$work/shared.after" >"$work/shared.diff" ||
  { cat "$work/shared.diff"; fail_run "the uninstall changed the shared folder"; }
step "uninstalled: the installed files${kept:+ (the folder stays, holding the REG.CFG of the program)}, Start-menu entry, uninstall entry and start at login gone, the shared folder unchanged ($(grep -vc '^folder' "$work/shared.after") files)"
echo "OK"
