#!/usr/bin/env bash
# Characters the note file cannot hold, in a real run: one member edits his note (a double click),
# types "¥100 😀é€ 한글" over its text and ends the edit with Escape. The box "確認" names 😀, é, €,
# 한 and 글 (screenshot unstorable_question.png); a click on "いいえ(&N)" goes back to the edit, the
# "!" typed there is added to the text, the next Escape asks again, and a click on "はい(&Y)" keeps the
# text with "?" in their places, which the note then shows (screenshot unstorable_kept.png). SIGTERM
# saves: the note file holds what the note shows, the yen sign as the byte 5C: 5C "100 ??? ??!".
#
#   bash unstorable_text.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"

make_work
failure_shot=$artifacts/unstorable_text.png
mkdir -p "$work/shared" "$work/prog"
install_program "$work/prog"

"$tools/member_folder" write "$work/prog" "$work/shared" "佐藤" 'unused' 0 0 1500 1500
# The note at 100,100 (pixels at 15 twips), 300 x 100.
"$tools/add_member" "$work/prog" "$work/shared" 1 "佐藤" 2 1 'メモ' 1500 1500 4500 1500

start_display
export DISPLAY=$display
start_program "$work/prog"
wait_colour 105 105 20 20 ffff80 || fail_run "the note did not show"

xdotool mousemove 250 150
sleep 0.2
xdotool click --repeat 2 --delay 80 1
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 80 "¥100 😀é€ 한글"
sleep 0.3

# Escape ends the edit and the box names the characters. Its two buttons, 24 pixels high, end 12
# pixels above its bottom; "いいえ(&N)" (81 wide) ends 12 pixels left of its right edge, "はい(&Y)"
# 6 pixels further left.
ask() {
  xdotool key Escape
  box=$(wait_window "$DISPLAY" "確認") || fail_run "no question when the edit ended"
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$box")"
}
click_button() {   # 0 はい, 1 いいえ
  xdotool mousemove $((X + WIDTH - 12 - 40 - (1 - $1) * 87)) $((Y + HEIGHT - 24))
  sleep 0.2
  xdotool click 1
  for _ in $(seq 1 50); do
    [ -z "$(visible "確認")" ] && return 0
    sleep 0.1
  done
  fail_run "the box stayed open after a click"
}
ask
"$tools/screenshot_probe" grab "$artifacts/unstorable_question.png" >/dev/null
click_button 1
# Back in the edit, with the text and the focus: what is typed now goes on from there.
sleep 0.3
xdotool type --delay 80 "!"
ask
click_button 0
sleep 0.5
"$tools/screenshot_probe" grab "$artifacts/unstorable_kept.png" >/dev/null

end_program "$pid" || fail_run "the program did not end well"
notes=$("$tools/fake_sender" show "$work/shared" 1) || fail_run "the note file cannot be read"
want='text=\\100 ??? ??!'
if [[ "$notes" != *"$want" ]]; then
  echo "the note file holds:"
  echo "$notes"
  echo "expected a note ending in: $want"
  exit 1
fi
echo "OK: the member was asked, went back to the edit, then kept the text as stored; screenshots" \
  "$artifacts/unstorable_question.png $artifacts/unstorable_kept.png"
