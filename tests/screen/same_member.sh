#!/usr/bin/env bash
# The same member started from two program folders (a program folder copied, the same workstation
# file in both) on one computer. The first start shows its note; the second shows the warning that
# the member already runs on this computer (screenshot kept), ends with exit code 0 once it is
# answered, and has written nothing in the shared folder or its program folder. The first is then
# killed with SIGKILL: the second starts at once and shows the note.
#
#   bash same_member.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
shot=$artifacts/same_member_refused.png

make_work
shared=$work/shared
mkdir -p "$work/first" "$work/second" "$shared"
install_program "$work/first"
install_program "$work/second"
# One note at 200,100 200x100 pixels in the design background colour (#ffff80).
"$tools/member_folder" write "$work/first" "$shared" "山田" '会議' 1500 3000 3000 1500
cp "$work/first/REG.CFG" "$work/second/REG.CFG"

# Every plain file of the shared folder and of the second program folder, with its bytes and time.
files_state() {
  find "$shared" "$work/second" -maxdepth 1 -type f -printf '%p %T@ ' -exec md5sum {} \; | sort
}

start_display
export DISPLAY=$display
failure_shot=$artifacts/same_member_failure.png

start_program "$work/first"
first=$pid
wait_colour 202 102 196 96 ffff80 || fail_run "the first start did not show its note"
before=$(files_state)

HOME=$work/home XDG_RUNTIME_DIR=$work/runtime "$work/second/tackwisp" >"$work/second.log" 2>&1 &
second=$!
pids+=("$second")
box=$(wait_window "$display" "タックウィスプ") || fail_run "the second start showed no warning"
sleep 0.5
"$tools/screenshot_probe" grab "$shot" >/dev/null
echo "screenshot: $shot"
# OK with the pointer: the button sits at the box's lower right corner.
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH - 52)) $((Y + HEIGHT - 24)) click 1
rc=0
for _ in $(seq 1 50); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
wait "$second" || rc=$?
[ "$rc" = 0 ] || fail_run "the refused start ended with exit code $rc"
[ "$(files_state)" = "$before" ] || fail_run "the refused start changed files: $(diff <(echo "$before") <(files_state))"

kill -KILL "$first"
wait "$first" 2>/dev/null || true
# Its note goes from the screen with it; the second start must show it again.
for _ in $(seq 1 50); do
  "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1 &&
    ! QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" check "$work/s.png" 202 102 196 96 ffff80 >/dev/null && break
  sleep 0.1
done
start_program "$work/second"
wait_colour 202 102 196 96 ffff80 || fail_run "the second start after the first was killed did not show the note"
end_program "$pid" || fail_run
echo "OK"
