#!/usr/bin/env bash
# Every dialog of the program used with the real pointer: one member, 佐藤, under a window manager
# (openbox), opens each dialog and page from the context menu of a note and clicks each of its
# buttons with xdotool at the button's place on the screen, then checks that the click had its
# effect: the window closed or another one opened, a tab became the current one, a value reached the
# member's files (written within seconds of a change) or the screen.
#
# The places come from the program itself: started with TACKWISP_WIDGET_MAP it writes, whenever a
# window is shown, moved or resized, where its buttons, tabs and list rows are (platform/qt/widgetmap.h).
#
# Covered: the note-settings dialog's period, send, list (status and history) and background pages
# with OK and ｷｬﾝｾﾙ; the answer sheet (the send page's test) with its answer box; the tally with its
# file and print dialogs; the environment dialog's four tabs with OK and ｷｬﾝｾﾙ; a note turned over
# (a Yes/No box) and back through the password box (a wrong password, its warning, ｷｬﾝｾﾙ, OK); the
# About box; the help window, closed by its close box; the box of a Yes/No questionnaire received
# (each of its three buttons) and a received answer sheet; the peel of the last note (OK/キャンセル),
# whose OK ends the program. Screenshots: every_dialog_*.png in the artifacts folder.
#
#   bash every_dialog.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
failure_shot=$artifacts/every_dialog_failed.png
rm -f "$artifacts"/every_dialog_*
make_work
shared=$work/shared
mkdir -p "$shared" "$work/prog" "$work/prog2"
install_program "$work/prog"
map=$work/widgets.map
export TACKWISP_WIDGET_MAP=$map

# 佐藤 (1) checks every second (add_member sets that); 鈴木 (2) is a member who never starts. 佐藤's four notes (twips,
# 15 a pixel), each 200 x 100 pixels at x 100: a plain one at y 100, a questionnaire at y 300, one to
# be sent at y 500, one with a red picture at y 700.
"$tools/member_folder" write "$work/prog" "$shared" "佐藤" 'unused' 0 0 1500 1500
"$tools/add_member" "$work/prog" "$shared" 1 "佐藤" 2 1 'unused' 0 0 1500 1500
"$tools/add_member" "$work/prog2" "$shared" 2 "鈴木" 2 1 '鈴木のメモ' 0 0 1500 1500
bmp() {   # bmp <file> <b g r as \xNN>: a 2 x 2 picture of one colour (24-bit BMP)
  local p=$2
  printf "BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x10\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00$p$p\x00\x00$p$p\x00\x00" >"$1"
}
bmp "$shared/red.bmp" '\x00\x00\xff'
bmp "$shared/blue.bmp" '\xff\x00\x00'
"$tools/note_set" "$shared" 1 \
  0 0 - 0 '一枚目' 1500 1500 3000 1500 \
  0 0 - 0 '昼食\n1. 和食\n2. 洋食' 4500 1500 3000 1500 \
  0 0 - 0 '三枚目' 7500 1500 3000 1500 \
  0 0 red.bmp 1 '背景' 10500 1500 3000 1500

start_display
export DISPLAY=$display
start_window_manager
# A failure keeps the map beside its screenshot.
fail() {
  cp "$map" "$artifacts/every_dialog_failed.map" 2>/dev/null || true
  fail_run "$1"
}
start_program "$work/prog"
wait_colour 105 105 20 20 ffff80 || fail "the first note did not show"
wait_colour 105 705 20 20 ff0000 || fail "the picture note did not show red"

# ---- the pointer and the map ----

# where <title> <text> [<name> [<class>]]: the middle "x y" of the thing showing <text> (or named
# <text>) in the latest block of the window <title> (of that class), optionally only things of that
# object name ("tab" for the tabs); nothing when it is not there.
where() {
  awk -F'\t' -v t="$1" -v n="$2" -v o="${3:-}" -v c="${4:-}" '
    $1 != t { next }
    $2 == "*" { cls = $3; if (c == "" || c == cls) found = ""; next }
    c != "" && cls != c { next }
    { text = $3; sub(/ +$/, "", text) }
    (text == n || $2 == n) && (o == "" || $2 == o) {
      split($4, g, " "); found = int(g[1] + g[3] / 2) " " int(g[2] + g[4] / 2)
    }
    END { if (found != "") print found }' "$map"
}
# press <title> <text> [<name> [<class>]]: a click of the left button at the middle of that thing.
press() {
  local at="" _
  for _ in $(seq 1 20); do
    at=$(where "$@")
    [ -n "$at" ] && break
    sleep 0.1
  done
  [ -n "$at" ] || fail "「$2」 is not on the screen in 「$1」"
  xdotool mousemove $at
  sleep 0.15
  xdotool click 1
  sleep 0.3
}
# shows <title> <text> [<name>]: waits up to 3 s until the latest block of the window has the thing.
shows() {
  local _
  for _ in $(seq 1 30); do
    [ -n "$(where "$@")" ] && return 0
    sleep 0.1
  done
  return 1
}
# count <title>: how many visible windows have that whole title.
count() {
  local pattern
  pattern=$(sed 's/[][()|.*+?^$\\]/\\&/g' <<<"$1")
  xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | wc -l
}
# opened <title> <what> [<count>]: waits up to 10 s for <count> (1) visible windows of that title.
opened() {
  local _
  for _ in $(seq 1 100); do
    [ "$(count "$1")" -ge "${3:-1}" ] && { sleep 0.3; return 0; }
    sleep 0.1
  done
  fail "「$1」 did not open: $2"
}
# closed <title> <what> [<count>]: waits up to 5 s until at most <count> (0) windows have that title.
closed() {
  local _
  for _ in $(seq 1 50); do
    [ "$(count "$1")" -le "${3:-0}" ] && { sleep 0.2; return 0; }
    sleep 0.1
  done
  fail "「$1」 stayed open after $2"
}
# menu <x> <y> <key>...: the context menu of the note under x,y, its entries chosen by their keys.
menu() {
  local x=$1 y=$2 k
  shift 2
  xdotool mousemove "$x" "$y"
  sleep 0.2
  xdotool click 3
  sleep 0.5
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.3
  done
}
# until_out <pattern> <what> <command>...: waits up to 8 s until the command's output matches.
until_out() {
  local pattern=$1 what=$2 out="" _
  shift 2
  for _ in $(seq 1 40); do
    out=$("$@" 2>/dev/null || true)
    grep -qE -- "$pattern" <<<"$out" && return 0
    sleep 0.2
  done
  echo "$out"
  fail "$what"
}
shot() { "$tools/screenshot_probe" grab "$artifacts/every_dialog_$1.png" >/dev/null || fail "no screenshot $1"; }
send_state() { "$tools/fake_sender" check "$shared" 1 "$1" 2 || true; }
settings() { "$tools/member_folder" settings "$shared" 1; }

# ---- one function a dialog ----

# The period page of the first note: ｷｬﾝｾﾙ keeps nothing of what was typed, OK stores the period.
period_page() {
  menu 200 150 w
  opened "期間設定" "the menu's 期間の設定"
  xdotool type --delay 40 2100
  press "期間設定" "ｷｬﾝｾﾙ"
  closed "期間設定" "a click on ｷｬﾝｾﾙ"
  sleep 2.2
  "$tools/member_folder" period "$shared" 1 | grep -q "^0 -$" || fail "ｷｬﾝｾﾙ of the period page stored a period"
  menu 200 150 w
  opened "期間設定" "the menu's 期間の設定, again"
  local t first=1
  for t in 2000 1 1 9000 12 31; do
    [ "$first" = 1 ] || xdotool key Tab
    first=0
    xdotool type --delay 40 "$t"
  done
  shot period
  press "期間設定" "OK"
  closed "期間設定" "a click on OK"
  until_out "^0 2000/01/01 00:00 9000/12/31 00:00 days" "the period clicked OK is not in the note file" \
    "$tools/member_folder" period "$shared" 1
}

# The send page of the third note: ｷｬﾝｾﾙ sends nothing, OK sends it to the row clicked.
send_page() {
  menu 200 550 s
  opened "他の人へ送信" "the menu's 伝言を送信"
  press "他の人へ送信" "鈴木" lsvSend
  press "他の人へ送信" "ｷｬﾝｾﾙ"
  closed "他の人へ送信" "a click on ｷｬﾝｾﾙ"
  [ "$(send_state 2)" = missing ] || fail "ｷｬﾝｾﾙ of the send page sent the note: $(send_state 2)"
  menu 200 550 s
  opened "他の人へ送信" "the menu's 伝言を送信, again"
  press "他の人へ送信" "鈴木" lsvSend
  shot send
  press "他の人へ送信" "OK"
  closed "他の人へ送信" "a click on OK"
  [ "$(send_state 2)" = pending ] || fail "OK of the send page did not send the note: $(send_state 2)"
}

# The questionnaire sent with its answer sheet tried first: the sheet's choice and ＯＫ, the box
# with the answer it would give, its OK, then the send page's OK.
answer_sheet() {
  local sheet="佐藤さんからのアンケート(テスト)"
  menu 200 350 s
  opened "他の人へ送信" "the menu's 伝言を送信 on the questionnaire"
  press "他の人へ送信" "鈴木" lsvSend
  press "他の人へ送信" "アンケートの決議採択を行う"
  press "他の人へ送信" "テスト"
  opened "$sheet" "a click on テスト"
  press "$sheet" "1."
  shot answer_sheet
  press "$sheet" "ＯＫ"
  closed "$sheet" "a click on the sheet's ＯＫ"
  opened "回答例文字列" "the sheet's ＯＫ"
  press "回答例文字列" "OK"
  closed "回答例文字列" "a click on OK"
  [ "$(count "他の人へ送信")" = 1 ] || fail "the send page went with the answer sheet"
  press "他の人へ送信" "OK"
  closed "他の人へ送信" "a click on OK"
  [ "$(send_state 1)" = pending ] || fail "the questionnaire was not sent: $(send_state 1)"
}

# The status and history lists of the sent note: ｷｬﾝｾﾙ deletes nothing; the row clicked and 削除
# take the send back, and the box that says nothing is left closes with its OK.
list_pages() {
  menu 200 550 v
  opened "ログ一覧" "the menu's 受信状況一覧"
  press "ログ一覧" "ｷｬﾝｾﾙ"
  closed "ログ一覧" "a click on ｷｬﾝｾﾙ"
  menu 200 550 l
  opened "ログ一覧" "the menu's 送受信履歴一覧"
  shot history
  press "ログ一覧" "ｷｬﾝｾﾙ"
  closed "ログ一覧" "a click on ｷｬﾝｾﾙ of the history"
  [ "$(send_state 2)" = pending ] || fail "ｷｬﾝｾﾙ of the list took the send back: $(send_state 2)"
  menu 200 550 v
  opened "ログ一覧" "the menu's 受信状況一覧, again"
  press "ログ一覧" lsvLog lsvLog
  press "ログ一覧" "削除"
  closed "ログ一覧" "a click on 削除"
  opened "確認" "the list emptied by 削除"
  press "確認" "OK"
  closed "確認" "a click on OK"
  [ "$(send_state 2)" = missing ] || fail "削除 did not take the send back: $(send_state 2)"
}

# The background page of the picture note: ｷｬﾝｾﾙ keeps the red picture, OK shows the blue one.
background_page() {
  menu 200 750 b
  opened "背景設定" "the menu's 背景の設定"
  press "背景設定" "blue.bmp" fileLB
  press "背景設定" "ｷｬﾝｾﾙ"
  closed "背景設定" "a click on ｷｬﾝｾﾙ"
  sleep 0.5
  wait_colour 105 705 20 20 ff0000 || fail "ｷｬﾝｾﾙ of the background page changed the picture"
  menu 200 750 b
  opened "背景設定" "the menu's 背景の設定, again"
  press "背景設定" "blue.bmp" fileLB
  shot background
  press "背景設定" "OK"
  closed "背景設定" "a click on OK"
  wait_colour 105 705 20 20 0000ff || fail "OK of the background page did not show the blue picture"
  until_out "^3 picture blue.bmp " "the blue picture is not in the note file" settings
}

# The environment dialog: each tab clicked shows its own buttons; the text size 大 clicked with OK
# is kept, 小 clicked with ｷｬﾝｾﾙ is not (looked at once the program has ended, in peel_last).
environment_dialog() {
  local before
  before=$(settings | head -1)
  case $before in "textsize 2 "*) fail "the text size is 大 already: $before" ;; esac
  menu 200 150 g
  opened "環境設定" "the menu's 環境設定"
  local tab button
  for tab in 色:背景 送受信:"削除(&D)" 文字:大 一般:btnDir; do
    button=${tab#*:}
    tab=${tab%%:*}
    press "環境設定" "$tab" tab
    shows "環境設定" "$button" || fail "a click on the tab $tab did not show its page"
    [ "$tab" = 色 ] && shot options_colours
  done
  press "環境設定" "文字" tab
  shows "環境設定" "大" || fail "the tab 文字 did not come back"
  press "環境設定" "大"
  press "環境設定" "OK"
  closed "環境設定" "a click on OK"
  until_out "^textsize 2 " "the text size 大 clicked with OK is not in the settings" settings
  menu 200 150 g
  opened "環境設定" "the menu's 環境設定, again"
  press "環境設定" "文字" tab
  shows "環境設定" "小" || fail "the tab 文字 did not show its page"
  press "環境設定" "小"
  press "環境設定" "ｷｬﾝｾﾙ"
  closed "環境設定" "a click on ｷｬﾝｾﾙ"
}

# The first note turned over (no password is set: a Yes/No box) and back (the password box).
password_box() {
  local title="タックウィスプ"
  menu 200 150 n r
  opened "確認" "turning over without a password"
  press "確認" "いいえ(&N)"
  closed "確認" "a click on いいえ"
  menu 200 150 n r
  opened "確認" "turning over without a password, again"
  shot yes_no
  press "確認" "はい(&Y)"
  closed "確認" "a click on はい"
  # Turned over, the note asks for the password (not the Yes/No question) to come back.
  menu 200 150 n r
  opened "$title" "turning the note back"
  xdotool type --delay 40 X
  press "$title" "OK" btn0 tw::frmPass
  opened "$title" "a wrong password" 2
  shot wrong_password
  press "$title" "OK" "" QMessageBox
  closed "$title" "a click on the warning's OK" 1
  press "$title" "ｷｬﾝｾﾙ" btn1 tw::frmPass
  closed "$title" "a click on ｷｬﾝｾﾙ of the password box"
  # Still turned over: the password box comes again.
  menu 200 150 n r
  opened "$title" "turning the note back, again"
  press "$title" "OK" btn0 tw::frmPass
  closed "$title" "a click on OK with the right (empty) password"
  # Turned back: the menu's 裏返し asks the Yes/No question again.
  menu 200 150 n r
  opened "確認" "turning over the note that came back"
  press "確認" "いいえ(&N)"
  closed "確認" "a click on いいえ"
}

# The About box and the help window (closed by the close box of its frame).
about_and_help() {
  menu 200 150 h v
  opened "バージョン情報" "the menu's バージョン"
  press "バージョン情報" "OK"
  closed "バージョン情報" "a click on OK"
  local help="タックウィスプ ヘルプ"
  menu 200 150 h h
  opened "$help" "the menu's ヘルプ"
  shot help
  # The close box is the last button of the title bar openbox draws, at its right end: the frame's
  # place from the map's head line of the window, the title bar's height from the window manager.
  local head top="" fx fy fw fh
  for _ in $(seq 1 30); do
    top=$(xprop -id "$(visible "$help")" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | cut -d, -f3 | tr -d ' ')
    [ -n "$top" ] && [ "$top" -gt 0 ] && break
    sleep 0.1
  done
  [ -n "$top" ] && [ "$top" -gt 0 ] || fail "the help window has no title bar"
  head=$(awk -F'\t' -v t="$help" '$1 == t && $2 == "*" { g = $4 } END { print g }' "$map")
  [ -n "$head" ] || fail "the help window is not in the map"
  read -r fx fy fw fh <<<"$head"
  xdotool mousemove $((fx + fw - 10)) $((fy + top / 2))
  sleep 0.2
  xdotool click 1
  closed "$help" "a click on its close box"
}

# other_than <title>: waits up to 3 s for the active window to be another than <title>; prints its title.
other_than() {
  local name _
  for _ in $(seq 1 30); do
    name=$(xdotool getactivewindow getwindowname 2>/dev/null || true)
    [ -n "$name" ] && [ "$name" != "$1" ] && { sleep 0.5; echo "$name"; return 0; }
    sleep 0.1
  done
  return 1
}

# The tally of the questionnaire once 鈴木 has answered "1." (written into the log as his computer
# would): 佐藤's check takes the answer in, the menu offers the tally. ファイル出力 opens the save
# dialog, 印刷 the print dialog (both cancelled), ＯＫ closes it.
tally() {
  "$tools/fake_sender" answer "$shared" 1 1 2 4 || fail "the answer could not be written"
  until_out "^missing" "佐藤's check did not take the answer in" send_state 1
  local t="アンケート回答集計" dialog
  menu 200 350 z
  opened "$t" "the menu's アンケート回答集計"
  shot tally
  press "$t" "ファイル出力"
  dialog=$(other_than "$t") || fail "ファイル出力 opened no dialog"
  shot save
  press "$dialog" "キャンセル"
  closed "$dialog" "a click on キャンセル of the save dialog"
  press "$t" "印刷"
  dialog=$(other_than "$t") || fail "印刷 opened no dialog"
  shot print
  press "$dialog" "キャンセル"
  closed "$dialog" "a click on キャンセル of the print dialog"
  press "$t" "ＯＫ"
  closed "$t" "a click on ＯＫ"
}

# What 鈴木 sends as his computer would (fake_sender): a Yes/No questionnaire three times, its box
# (はい, いいえ, キャンセル) answered with another button each time, then an answer sheet, answered
# "2." with its ＯＫ. Each answer must reach the log with its code.
received_questions() {
  local suzuki='\x97\xe9\x96\xd8' sato='\x8d\xb2\x93\xa1'   # 鈴木 and 佐藤 in the code page
  local box="タックウィスプ(決議採択)" id=0 answer button
  for answer in "はい(&Y):1" "いいえ(&N):2" "キャンセル:3"; do
    button=${answer%:*}
    "$tools/fake_sender" note "$shared" 2 "$id" 'Lunch together?' 1500 15000 3000 1500
    "$tools/fake_sender" send "$shared" 2 "$suzuki" "$id" 1 "$sato" 1
    opened "$box" "a Yes/No questionnaire of 鈴木"
    [ "$id" = 0 ] && shot question
    press "$box" "$button"
    closed "$box" "a click on $button"
    until_out "^received 0 ${answer##*:}\$" "$button did not answer the questionnaire" \
      "$tools/fake_sender" check "$shared" 2 "$id" 1
    id=$((id + 1))
  done
  local sheet="鈴木さんからのアンケート"
  "$tools/fake_sender" note "$shared" 2 "$id" 'Lunch\n1. Noodles\n2. Rice' 1500 15000 3000 1500
  "$tools/fake_sender" send "$shared" 2 "$suzuki" "$id" 1 "$sato" 2
  opened "$sheet" "an answer sheet of 鈴木"
  press "$sheet" "2."
  press "$sheet" "ＯＫ"
  closed "$sheet" "a click on ＯＫ"
  until_out "^received 0 8\$" "the sheet's ＯＫ did not answer 2." "$tools/fake_sender" check "$shared" 2 "$id" 1
}

# Peeling: the second, third and fourth notes go without a word; the last one asks, キャンセル keeps it,
# OK ends the program.
peel_last() {
  menu 200 350 r
  menu 200 550 r
  menu 200 750 r
  menu 200 150 r
  opened "終了" "peeling the last note"
  shot last_peel
  press "終了" "キャンセル"
  closed "終了" "a click on キャンセル"
  kill -0 "$pid" 2>/dev/null || fail "キャンセル ended the program"
  menu 200 150 r
  opened "終了" "peeling the last note, again"
  press "終了" "OK"
  local _
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "OK of the last peel did not end the program"
  local rc=0
  wait "$pid" || rc=$?
  [ "$rc" = 0 ] || fail "the program ended with exit code $rc after the last peel"
  settings | grep -q "^textsize 2 " || fail "ｷｬﾝｾﾙ of the environment dialog kept the text size 小"
}

# step <function>: runs it and says how long it took.
step() {
  local t=$SECONDS
  "$1"
  echo "$1: $((SECONDS - t)) s"
}
for f in period_page send_page answer_sheet list_pages background_page environment_dialog password_box \
  about_and_help tally received_questions peel_last; do
  step "$f"
done
echo "OK: every dialog took the clicks of the pointer; screenshots $artifacts/every_dialog_*.png"
