#!/usr/bin/env bash
# A real start of the program on a virtual display. A program folder with REG.CFG and a shared folder
# with one member and one note with Japanese text are prepared; the program is started under Xvfb,
# the screen is grabbed until the note shows (its background colour over its rectangle and dark text
# pixels inside it); then the program is ended with SIGTERM, which must save like the exit command:
# exit code 0, the member's settings and notes written again with the same note, the member list
# untouched. The screenshot is kept in the artifacts folder.
#
#   bash startup_screenshot.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
shot=$artifacts/startup_screenshot.png

make_work
prog=$work/program
shared=$work/shared
mkdir -p "$prog" "$shared"

install_program "$prog"

# One note of 3000 x 1500 twips at top 1500, left 3000: at 96 dpi (15 twips per pixel) the
# rectangle 200,100 200x100 in pixels, background 0x0080FFFF of the design settings (#ffff80).
"$tools/member_folder" write "$prog" "$shared" "山田" '会議資料を準備する\n午後3時 会議室A' 1500 3000 3000 1500
notes_before=$("$tools/member_folder" show "$shared" 1)
touch -d '2000-01-01 00:00' "$shared/ID00001.FCG" "$shared/ID00001.FDT"
cp "$shared/GRPINLY.CFG" "$work/GRPINLY.before"

cat > "$work/inner.sh" <<'INNER'
set -u
source "$SCREEN_RUN"
prog=$1 tools=$2 shot=$3 log=$4
"$prog/tackwisp" >"$log" 2>&1 &
pid=$!
shown=0
for _ in $(seq 1 40); do
  sleep 0.5
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "the program ended before its note was seen"
    exit 1
  fi
  "$tools/screenshot_probe" grab "$shot" >/dev/null || continue
  if QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" check "$shot" 202 102 196 96 ffff80; then
    shown=1
    break
  fi
done
ended=0
end_program "$pid" && ended=1
if [ "$shown" != 1 ]; then
  echo "the note was not found on the screen"
  exit 1
fi
[ "$ended" = 1 ] || exit 1
INNER

on_display bash "$work/inner.sh" "$prog" "$tools" "$shot" "$work/program.log" || fail_run
echo "screenshot: $shot"

fail=0
for f in ID00001.FCG ID00001.FDT; do
  if [ "$(stat -c %Y "$shared/$f")" -le "$(date -d '2000-01-02' +%s)" ]; then
    echo "$f was not written at the end"
    fail=1
  fi
done
notes_after=$("$tools/member_folder" show "$shared" 1)
if [ "$notes_after" != "$notes_before" ]; then
  echo "the notes changed: before '$notes_before', after '$notes_after'"
  fail=1
fi
if ! cmp -s "$shared/GRPINLY.CFG" "$work/GRPINLY.before"; then
  echo "the member list was rewritten"
  fail=1
fi
exit "$fail"
