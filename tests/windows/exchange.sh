#!/usr/bin/env bash
# Members exchanging notes through one shared folder, with the Windows program under Wine.
#
# 1. Two Windows members in ONE Wine prefix, each program from a program folder of its own (its own
#    REG.CFG beside it) and on a display of its own: one wineserver stands between them, so the
#    sharing modes of the shared files are enforced between the two as a Windows file server does.
#    佐藤 (1) sends his note to 鈴木 (2) through the note's context menu and the send page, with the
#    pointer and the keyboard (xdotool). 鈴木's program receives it: the copy is in his note file and
#    shows as a window (the colour of received notes); the receipt reaches 佐藤: his note shows sent
#    (its colour) and, after the end of the Windows session (which saves both), is received by all
#    with 鈴木 as partner.
# 2. A Linux member (佐藤, the Linux program on Xvfb) and a Windows member (鈴木, under Wine) on one
#    folder, taking turns (one program runs at a time: on one local disk Wine's sharing modes live
#    in its wineserver and the Linux program's lock folders are not looked at by the Windows build,
#    so the two exclude each other only through a file server). Each sends the other a shaped note
#    with a Japanese text holding characters whose CP932 codes differ between the JIS and the
#    Windows tables (～ ― ① 髙 ⅱ), and an answer-sheet questionnaire, which the other answers with
#    the pointer. Checked byte for byte from the files, read here by a walker of the record layout
#    of its own: the CP932 bytes of each text, the shape number, the partner texts with the answer
#    ("鈴木 Pic:2 ") on both sides, identical to the bytes the JIS tables give. The answer sheet's
#    title names the sender as each program decoded him from the log: the Windows program must read
#    佐藤 from the Linux program's bytes, and the Linux program 鈴木 from the Windows program's.
#    A Windows build that writes another code page than CP932 (UTF-8, the system's ANSI code page),
#    even for some characters only, or reads the bytes with another, fails: at its start (the shared
#    settings' signature), on the send page (the member names), at the sheet's title or at the bytes
#    it wrote.
#
#   bash exchange.sh <windows build folder> <linux build folder> <linux tools folder> <artifacts folder>
#
# Exit code 77 (skipped) when Wine, the Windows program, the Linux program or a tool is missing.
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
source "$here/../support/wine_run.sh"

if [ $# -ne 4 ]; then
  echo "usage: bash exchange.sh <windows build folder> <linux build folder> <linux tools folder> <artifacts folder>"
  exit 2
fi
skip() { echo "skipped: $1"; exit 77; }
winbuild=$(readlink -f "$1")
[ -f "$winbuild/tackwisp.exe" ] || skip "no Windows program $1/tackwisp.exe (the Windows build with Qt for Windows)"
[ -x "$2/tackwisp" ] || skip "no Linux program $2/tackwisp"
for t in member_folder add_member note_set fake_sender screenshot_probe; do
  [ -x "$3/$t" ] || skip "no tool $3/$t (the build's tests/tools)"
done
wine_need cmake od
screen_args "$2/tackwisp" "$3" "$4"
need_runnable "$winbuild/tackwisp.exe"
wine_make_work
failure_shots=()

fail() {
  echo "FAILED: $1"
  local d f
  for d in "${failure_shots[@]}"; do
    DISPLAY=${d%%=*} "$tools/screenshot_probe" grab "$artifacts/windows_exchange_failed_${d#*=}.png" >/dev/null 2>&1 || true
  done
  for f in "$work"/map*; do
    [ -s "$f" ] && cp "$f" "$artifacts/windows_exchange_failed_$(basename "$f").txt"
  done
  for f in "$work"/member-*.log; do
    [ -e "$f" ] && { echo "--- $(basename "$f"):"; cat "$f"; }
  done
  exit 1
}
fail_run() { fail "$*"; }

# ---- bytes the files must hold: the JIS tables' CP932 (iconv -t CP932 gives the same) ----
sato_utf8='佐藤' sato_hex=8db293a1
suzuki_utf8='鈴木' suzuki_hex=97e996d8
# ～ 81 60 and ― 81 5C: the Windows table reads them as U+FF5E and U+2015, the JIS one as U+301C and
# U+2014; ① 87 40 (NEC); 髙 FB FC and ⅱ FA 41 (IBM): each must be written back as it came.
text1_utf8='週報～①髙―会議は木曜'
text1_hex=8f5495f181608740fbfc815c89ef8b6382cd96d8976a
text2_utf8='議事録：髙橋さん～ⅱ'
text2_hex=8b638e96985e8146fbfc8bb482b382f18160fa41
# An answer sheet: a line, then the choices 1 and 2.
sheet1_utf8='出欠\n1. 出席します\n2. 欠席します'
sheet1_hex=8f6f8c870d0a312e208f6f90c882b582dc82b70d0a322e208c8790c882b582dc82b7
sheet2_utf8='昼食\n1. 弁当\n2. 外食'
sheet2_hex=928b90480d0a312e2095d993960d0a322e208a4f9048
hex_of() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }
# A name and its answer in a sent note's partner text: "<name> <answer text>".
pair_hex() { echo "$1$(hex_of " $2")"; }

# ---- the note file, read byte by byte here ----

# note_records <IDnnnnn.FDT>: one line a note, from the record layout itself (not the program's
# codecs): "<index> id=<NoteId> sent=<v> received=<v> allreceived=<v> peeled=<v> shape=<n>
# partner=<hex> text=<hex>" (booleans as the 16-bit values stored). Fails on a record cut short.
note_records() {
  local -a b
  mapfile -t b < <(od -An -v -tu1 -w1 "$1" | tr -d ' ')
  local n=${#b[@]} p=0 index=0 tl q pl r fl
  u16() { echo $((b[$1] | (b[$1 + 1] << 8))); }
  s16() { local v; v=$(u16 "$1"); echo $((v >= 32768 ? v - 65536 : v)); }
  hexat() { local k out=""; for ((k = $1; k < $1 + $2; k++)); do out+=$(printf %02x "${b[k]}"); done; echo "$out"; }
  while ((p < n)); do
    ((p + 12 <= n)) || { echo "the note file ends inside record $index"; return 1; }
    tl=$(u16 $((p + 10)))
    q=$((p + 12 + tl))   # Top, Left, Width, Height, six flags, the period (22 bytes)
    ((q + 44 <= n)) || { echo "the note file ends inside record $index"; return 1; }
    pl=$(u16 $((q + 42)))
    r=$((q + 44 + pl))   # PartnerAt, ShapeIndex, TextSize, PictureFile
    ((r + 14 <= n)) || { echo "the note file ends inside record $index"; return 1; }
    fl=$(u16 $((r + 12)))
    ((r + 14 + fl + 8 <= n)) || { echo "the note file ends inside record $index"; return 1; }
    echo "$index id=$(s16 $((p + 8))) sent=$(s16 $((q + 10))) received=$(s16 $((q + 12)))" \
      "allreceived=$(s16 $((q + 14))) peeled=$(s16 $((q + 18))) shape=$(s16 $((r + 8)))" \
      "partner=$(hexat $((q + 44)) "$pl") text=$(hexat $((p + 12)) "$tl")"
    p=$((r + 14 + fl + 8))
    index=$((index + 1))
  done
}

bad=0
# expect_note <what> <records> <pattern (grep -E)>: a line of the records matches.
expect_note() {
  if grep -qE -- "$3" <<<"$2"; then
    echo "ok: $1"
  else
    echo "MISSING: $1 (a note matching: $3)"
    bad=1
  fi
}
# expect_count <what> <records> <pattern> <count>
expect_count() {
  local c
  c=$(grep -cE -- "$3" <<<"$2" || true)
  if [ "$c" = "$4" ]; then echo "ok: $1"; else echo "WRONG: $1: $c notes, $4 expected"; bad=1; fi
}

# ---- members at the pointer, Linux or Windows alike ----

# place_of <map> <since> <title> <text or object name>: the middle "x y" on the screen of a button or
# list row in the latest block the program wrote for the window <title> (TACKWISP_WIDGET_MAP) after
# the map's first <since> lines; nothing when it is not there. With box=1 the place of a check box's
# box, near its left end: a check box takes clicks on its box and its text only, and the text is as
# long as the font makes it, not as wide as the widget.
place_of() {
  awk -F'\t' -v since="$2" -v t="$3" -v n="$4" -v box="${box:-}" '
    NR <= since || $1 != t { next }
    $2 == "*" { found = ""; next }
    { text = $3; sub(/ +$/, "", text) }
    text == n || $2 == n {
      split($4, g, " ")
      found = (box ? g[1] + 8 : int(g[1] + g[3] / 2)) " " int(g[2] + g[4] / 2)
    }
    END { if (found != "") print found }' "$1" 2>/dev/null | tr -d '\r'
}
# map_lines <map>: how many lines the map has now.
map_lines() { if [ -e "$1" ]; then wc -l <"$1"; else echo 0; fi; }
# wait_place <map> <since> <title> <text or name>: place_of once the window has settled: it is in the
# map and the map has not grown for half a second (a window placed again by Wine right after it shows
# writes a new block). Waits up to 10 s.
wait_place() {
  local at before _
  before=$(map_lines "$1")
  for _ in $(seq 1 40); do
    sleep 0.5
    at=$(place_of "$@")
    local now
    now=$(map_lines "$1")
    [ -n "$at" ] && [ "$now" = "$before" ] && { echo "$at"; return 0; }
    before=$now
  done
  return 1
}
# press_at <display> <map> <since> <title> <text or name>: a left click at its middle.
press_at() {
  local at
  at=$(wait_place "$2" "$3" "$4" "$5") || fail "\"$5\" of the window $4 is not in the map $2 after line $3"
  DISPLAY=$1 xdotool mousemove ${at% *} ${at#* }
  sleep 0.3
  DISPLAY=$1 xdotool click 1
  sleep 0.3
}
# wait_gone <display> <title>: waits up to 20 s until no visible window has that title.
wait_gone() {
  local _
  for _ in $(seq 1 100); do
    [ -z "$(DISPLAY=$1 visible "$2")" ] && return 0
    sleep 0.2
  done
  return 1
}

# send_note <display> <map> <x> <y> <recipient name> [<option object name>]: the note under x,y sent
# to the recipient as a user does: a right click opens its menu, "伝言を送信(&S)" by its key, the
# recipient's row clicked on the send page "他の人へ送信", the option's box (chk0 auto-delete, chk1
# Yes/No, chk2 answer sheet), OK.
send_note() {
  local d=$1 map=$2 x=$3 y=$4 id since
  since=$(map_lines "$map")
  DISPLAY=$d xdotool mousemove "$x" "$y"
  sleep 0.3
  DISPLAY=$d xdotool click 3
  sleep 1
  DISPLAY=$d xdotool key s
  id=$(wait_window "$d" "他の人へ送信") || id=$(wait_window "$d" "他の人へ送信") ||
    fail "the send page did not open for the note at $x,$y"
  DISPLAY=$d xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  press_at "$d" "$map" "$since" "他の人へ送信" "$5"
  if [ -n "${6:-}" ]; then box=1 press_at "$d" "$map" "$since" "他の人へ送信" "$6"; fi
  press_at "$d" "$map" "$since" "他の人へ送信" OK
  wait_gone "$d" "他の人へ送信" || fail "the send page stayed open after OK"
}

# answer_sheet <display> <map> <title> <choice> <screenshot name>: the answer sheet <title> shows
# (within 30 s); its choice is clicked and ＯＫ.
answer_sheet() {
  local id _
  for _ in 1 2 3; do
    id=$(wait_window "$1" "$3") && break
  done
  [ -n "${id:-}" ] || fail "no answer sheet titled \"$3\" showed (the sender's name read from the log)"
  sleep 0.5
  DISPLAY=$1 "$tools/screenshot_probe" grab "$artifacts/windows_exchange_$5.png" >/dev/null 2>&1 || true
  press_at "$1" "$2" 0 "$3" "$4."
  press_at "$1" "$2" 0 "$3" "ＯＫ"
  wait_gone "$1" "$3" || fail "the answer sheet \"$3\" stayed open after ＯＫ"
}

# log_state <shared folder> <sender> <note> <recipient>: what the log says of that send
# (fake_sender check: "received <note> <answer code>", "pending" or "missing").
log_state() { "$tools/fake_sender" check "$@" 2>/dev/null || true; }
# wait_log <seconds> <pattern> <shared folder> <sender> <note> <recipient>: until log_state matches.
wait_log() {
  local s=$1 pattern=$2 state="" _
  shift 2
  for _ in $(seq 1 $((s * 5))); do
    state=$(log_state "$@")
    [[ $state =~ $pattern ]] && return 0
    sleep 0.2
  done
  fail "the send of note $3 from member $2 to member $4: the log says \"$state\", not /$pattern/ within $s s"
}

# shows_colour <display> <x> <y> <rrggbb> <screenshot name>: waits (60 looks, about 30 s) until at
# least half of the 40 x 40 square at x,y on the display has the colour; keeps the screenshot.
shows_colour() {
  local _ share
  for _ in $(seq 1 60); do
    if DISPLAY=$1 "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1; then
      share=$(QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" measure "$work/s.png" "$2" "$3" 40 40 "$4" 2>/dev/null)
      if [ "${share%% *}" -ge 50 ] 2>/dev/null; then
        cp "$work/s.png" "$artifacts/windows_exchange_$5.png"
        return 0
      fi
    fi
    sleep 0.2
  done
  cp "$work/s.png" "$artifacts/windows_exchange_$5.png" 2>/dev/null || true
  echo "the display $1 shows ${share:-nothing} per cent of $4 at $2,$3"
  return 1
}

# The colours of new settings (defaultLocalConfig): a plain note, a received one, a sent one.
plain=ffff80 received=00ff00 sent=00ffff

# map_file <name>: the Windows name of the file $work/<name>, made empty when missing, for the map of
# a Windows program's windows (the script reads it as $work/<name>).
map_file() {
  touch "$work/$1"
  win_path "$work/$1" || fail "no Windows name for $work/$1"
}

# The Linux member of part 2: its own HOME, runtime folder and display.
start_linux_member() {   # <program folder> <display> <map> <log>
  mkdir -p "$work/home-linux" "$work/runtime-linux"
  chmod 700 "$work/runtime-linux"
  env HOME="$work/home-linux" XDG_RUNTIME_DIR="$work/runtime-linux" QT_QPA_PLATFORM=xcb DISPLAY="$2" \
    TACKWISP_WIDGET_MAP="$3" "$1/tackwisp" >>"$4" 2>&1 &
  linux_pid=$!
  pids+=("$linux_pid")
}

# end_windows_session <job>...: ends the Windows session as a log-off does; every program of the
# given jobs must end with exit code 0.
end_windows_session() {
  wine_end_session || fail "the end of the Windows session was refused"
  local j rc
  for j in "$@"; do
    rc=0
    wait "$j" || rc=$?
    [ "$rc" = 0 ] || fail "a Windows program ended with exit code $rc at the end of the session"
  done
}

# ---- the Windows program and the prefix ----

t_start=$(date +%s)
echo "== the Windows program folder (cmake --install)"
cmake --install "$winbuild" --prefix "$work/installed" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install $winbuild failed"; }
[ -f "$work/installed/tackwisp.exe" ] || fail "the installed folder has no tackwisp.exe"
echo "== a Wine prefix"
new_prefix
echo "   ($(($(date +%s) - t_start)) s; Japanese font: $japanese_family)"

# ======== 1. two Windows members, one prefix ========
echo "== part 1: two Windows members in one prefix"
t_part=$(date +%s)
shared=$work/shared1
mkdir -p "$shared"
for m in 1 2; do cp -a "$work/installed" "$work/win$m"; done
"$tools/member_folder" write "$work/win1" "$shared" "$sato_utf8" unused 0 0 1500 1500 >/dev/null
"$tools/add_member" "$work/win1" "$shared" 1 "$sato_utf8" 2 1 "$text1_utf8" 1500 1500 3000 1500
"$tools/add_member" "$work/win2" "$shared" 2 "$suzuki_utf8" 2 1 '鈴木のメモ' 1500 12000 3000 1500
wine_workstation "$work/win1" "$shared" 1
wine_workstation "$work/win2" "$shared" 2

start_display 1
d1=$display
start_display 2
d2=$display
failure_shots=("$d1=sato" "$d2=suzuki")
wine_member_start "$work/win1" "$d1" "$(map_file map1)" "$work/member-win1.log"
job1=$member_job
wine_member_start "$work/win2" "$d2" "$(map_file map2)" "$work/member-win2.log"
job2=$member_job
shows_colour "$d1" 120 130 "$plain" part1_start_sato || fail "佐藤's note did not show on his display"
shows_colour "$d2" 820 130 "$plain" part1_start_suzuki || fail "鈴木's note did not show on his display"

send_note "$d1" "$work/map1" 110 110 "$suzuki_utf8"
wait_log 30 '^(received |missing)' "$shared" 1 0 2
# 佐藤's next check takes the receipt in: its records leave the log.
wait_log 30 '^missing' "$shared" 1 0 2
shows_colour "$d2" 120 130 "$received" part1_received_suzuki || fail "鈴木's copy of the note does not show as a received note"
shows_colour "$d1" 120 130 "$sent" part1_sent_sato || fail "佐藤's note does not show as sent"

end_windows_session "$job1" "$job2"
notes1=$(note_records "$shared/ID00001.FDT") || fail "佐藤's note file: $notes1"
notes2=$(note_records "$shared/ID00002.FDT") || fail "鈴木's note file: $notes2"
echo "佐藤 (Windows):"; echo "$notes1"
echo "鈴木 (Windows):"; echo "$notes2"
expect_note "佐藤's note sent, received by all, partner 鈴木, its text as it was" "$notes1" \
  "^0 id=0 sent=-1 received=0 allreceived=-1 peeled=0 shape=0 partner=$(pair_hex $suzuki_hex "") text=$text1_hex\$"
expect_note "鈴木's copy from 佐藤 with the same bytes" "$notes2" \
  "^[0-9]+ id=[0-9]+ sent=0 received=-1 allreceived=0 peeled=0 shape=0 partner=$sato_hex text=$text1_hex\$"
expect_count "鈴木 holds one received note" "$notes2" " received=-1 " 1
echo "   (part 1: $(($(date +%s) - t_part)) s)"

# ======== 2. a Linux and a Windows member, byte for byte ========
echo "== part 2: a Linux member and a Windows member"
t_part=$(date +%s)
shared=$work/shared2
mkdir -p "$shared" "$work/linux"
install_program "$work/linux"
cp -a "$work/installed" "$work/win"
"$tools/member_folder" write "$work/linux" "$shared" "$sato_utf8" unused 0 0 1500 1500 >/dev/null
"$tools/add_member" "$work/linux" "$shared" 1 "$sato_utf8" 2 1 unused 0 0 1500 1500
"$tools/add_member" "$work/win" "$shared" 2 "$suzuki_utf8" 2 1 unused 0 0 1500 1500
wine_workstation "$work/win" "$shared" 2
# 佐藤: a note of shape 3 at 100,100 pixels, the questionnaire at 400,100; 鈴木: a note of shape 5
# at 800,100, the questionnaire at 800,400. 200 x 100 pixels each.
"$tools/note_set" "$shared" 1 3 0 - 0 "$text1_utf8" 1500 1500 3000 1500 0 0 - 0 "$sheet1_utf8" 1500 6000 3000 1500
"$tools/note_set" "$shared" 2 5 0 - 0 "$text2_utf8" 1500 12000 3000 1500 0 0 - 0 "$sheet2_utf8" 6000 12000 3000 1500
start_display linux
dl=$display
start_display windows
dw=$display
failure_shots=("$dl=linux" "$dw=windows")

# Turn 1, Linux: 佐藤 sends his shaped note, and the questionnaire as an answer sheet.
start_linux_member "$work/linux" "$dl" "$work/map-linux" "$work/member-linux.log"
shows_colour "$dl" 120 130 "$plain" part2_linux_start || fail "佐藤's shaped note did not show (Linux)"
send_note "$dl" "$work/map-linux" 200 150 "$suzuki_utf8"
send_note "$dl" "$work/map-linux" 500 150 "$suzuki_utf8" chk2
wait_log 10 '^pending' "$shared" 1 0 2
wait_log 10 '^pending' "$shared" 1 1 2
end_program "$linux_pid" || fail "the Linux program did not end well"

# Turn 2, Windows: 鈴木 receives, answers 2, and sends his two notes.
wine_member_start "$work/win" "$dw" "$(map_file map-win)" "$work/member-win.log"
jobw=$member_job
answer_sheet "$dw" "$work/map-win" "${sato_utf8}さんからのアンケート" 2 part2_windows_sheet
shows_colour "$dw" 120 130 "$received" part2_windows_received || fail "鈴木's copy of the shaped note does not show (Windows)"
wait_log 30 '^received [0-9-]+ 0$' "$shared" 1 0 2
wait_log 30 '^received [0-9-]+ 8$' "$shared" 1 1 2
send_note "$dw" "$work/map-win" 900 150 "$sato_utf8"
send_note "$dw" "$work/map-win" 900 450 "$sato_utf8" chk2
wait_log 10 '^pending' "$shared" 2 0 1
wait_log 10 '^pending' "$shared" 2 1 1
end_windows_session "$jobw"

# Turn 3, Linux: 佐藤 takes in his receipts, receives, answers 1.
start_linux_member "$work/linux" "$dl" "$work/map-linux" "$work/member-linux.log"
answer_sheet "$dl" "$work/map-linux" "${suzuki_utf8}さんからのアンケート" 1 part2_linux_sheet
shows_colour "$dl" 820 130 "$received" part2_linux_received || fail "佐藤's copy of the shaped note does not show (Linux)"
wait_log 30 '^received [0-9-]+ 0$' "$shared" 2 0 1
wait_log 30 '^received [0-9-]+ 4$' "$shared" 2 1 1
wait_log 30 '^missing' "$shared" 1 0 2
wait_log 30 '^missing' "$shared" 1 1 2
end_program "$linux_pid" || fail "the Linux program did not end well"

# Turn 4, Windows: 鈴木 takes in his receipts.
wine_member_start "$work/win" "$dw" "$(map_file map-win)" "$work/member-win.log"
jobw=$member_job
wait_log 60 '^missing' "$shared" 2 0 1
wait_log 30 '^missing' "$shared" 2 1 1
shows_colour "$dw" 820 130 "$sent" part2_windows_end || fail "鈴木's note does not show as sent (Windows)"
end_windows_session "$jobw"

linux_notes=$(note_records "$shared/ID00001.FDT") || fail "佐藤's note file: $linux_notes"
windows_notes=$(note_records "$shared/ID00002.FDT") || fail "鈴木's note file: $windows_notes"
echo "佐藤 (Linux):"; echo "$linux_notes"
echo "鈴木 (Windows):"; echo "$windows_notes"
# What the Windows program wrote, read by the Linux program and written again by it, and the other way.
expect_note "Linux: 佐藤's shaped note, received by all, partner 鈴木" "$linux_notes" \
  "^0 id=0 sent=-1 received=0 allreceived=-1 peeled=0 shape=3 partner=$(pair_hex $suzuki_hex "") text=$text1_hex\$"
expect_note "Linux: 佐藤's questionnaire, 鈴木's answer 2 as the Windows program sent it" "$linux_notes" \
  "^1 id=1 sent=-1 received=0 allreceived=-1 peeled=0 shape=0 partner=$(pair_hex $suzuki_hex "Pic:2 ") text=$sheet1_hex\$"
expect_note "Linux: the copy of 鈴木's shaped note, the Windows program's bytes" "$linux_notes" \
  "^[0-9]+ id=[0-9]+ sent=0 received=-1 allreceived=0 peeled=0 shape=5 partner=$suzuki_hex text=$text2_hex\$"
expect_count "Linux: one received note (no copy of the questionnaire)" "$linux_notes" " received=-1 " 1
expect_note "Windows: 鈴木's shaped note written back by the Windows program" "$windows_notes" \
  "^0 id=0 sent=-1 received=0 allreceived=-1 peeled=0 shape=5 partner=$(pair_hex $sato_hex "") text=$text2_hex\$"
expect_note "Windows: 鈴木's questionnaire, 佐藤's answer 1 as the Linux program sent it" "$windows_notes" \
  "^1 id=1 sent=-1 received=0 allreceived=-1 peeled=0 shape=0 partner=$(pair_hex $sato_hex "Pic:1 ") text=$sheet2_hex\$"
expect_note "Windows: the copy of 佐藤's shaped note, the Linux program's bytes" "$windows_notes" \
  "^[0-9]+ id=[0-9]+ sent=0 received=-1 allreceived=0 peeled=0 shape=3 partner=$sato_hex text=$text1_hex\$"
expect_count "Windows: one received note (no copy of the questionnaire)" "$windows_notes" " received=-1 " 1
echo "   (part 2: $(($(date +%s) - t_part)) s; whole run $(($(date +%s) - t_start)) s)"
exit "$bad"
