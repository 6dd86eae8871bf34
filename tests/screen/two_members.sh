#!/usr/bin/env bash
# Two real members on one shared folder, each program on a display of its own, both checking every
# second. 佐藤 (1) uses the program as a user would, with the mouse and the keyboard (xdotool): he
# makes two more notes (Ctrl + right click), then sends each of his three notes to 鈴木 (2) through
# the context menu and the send page: the first plainly, the second with auto-delete, the third as a
# Yes/No questionnaire, which 鈴木 answers "いいえ". Afterwards (SIGTERM saves both):
#   - 鈴木 holds copies of the first two notes, from 佐藤, and no note of the questionnaire;
#   - 佐藤's first note is sent and received by all (its sent mark), partner "鈴木 ";
#   - his second is received by all and gone (peeled, it leaves his note file);
#   - his third reads "鈴木 /n".
# With DELIVERY_SENDS=n set, the plain send is made n times more (new notes each time) and the
# delivery times (receipt minus send in the log) are printed: median and 90th percentile.
#
#   bash two_members.sh <tackwisp binary> <tools folder> <artifacts folder>
#
# TWO_MEMBERS_SHARED1 and TWO_MEMBERS_SHARED2, when set, name the shared folder as each member's
# computer reaches it (two mounts of one network share); by default both use a new local folder.
# Further settings of the doorbell runs (tests/smb/doorbell.sh):
#   TWO_MEMBERS_CHECK="<unit> <interval>"  both members' reception check (default "2 1": every second)
#   TWO_MEMBERS_WRAP1, TWO_MEMBERS_WRAP2  a command each program is started under (a network namespace)
#   TWO_MEMBERS_INI1, TWO_MEMBERS_INI2  the content of each member's tackwisp.ini (his own
#                        configuration on his computer)
#   TWO_MEMBERS_WITHIN=s  how long a note may take to be received (default 20 s)
#   TWO_MEMBERS_NOT_BEFORE=s  the first note must still be waiting s seconds after its send; the run
#                        ends there
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
make_work
shared=${TWO_MEMBERS_SHARED1:-$work/shared}
shared2=${TWO_MEMBERS_SHARED2:-$shared}
mkdir -p "$shared"
for m in 1 2; do
  mkdir -p "$work/prog$m" "$work/home$m" "$work/runtime$m"
  chmod 700 "$work/runtime$m"
  install_program "$work/prog$m"
done

# 佐藤's note at 100,100 (pixels at 15 twips), 200 x 100; 鈴木's own note far right.
"$tools/member_folder" write "$work/prog1" "$shared" "佐藤" 'unused' 0 0 1500 1500
read -r check_unit check_interval <<<"${TWO_MEMBERS_CHECK:-2 1}"
"$tools/add_member" "$work/prog1" "$shared" 1 "佐藤" "$check_unit" "$check_interval" '一枚目 週報' 1500 1500 3000 1500
"$tools/add_member" "$work/prog2" "$shared2" 2 "鈴木" "$check_unit" "$check_interval" '鈴木のメモ' 1500 12000 3000 1500
for m in 1 2; do
  ini=TWO_MEMBERS_INI$m
  if [ -n "${!ini:-}" ]; then
    mkdir -p "$work/home$m/.config/tackwisp"
    printf '%s\n' "${!ini}" >"$work/home$m/.config/tackwisp/tackwisp.ini"
  fi
done
suzuki='\x97\xe9\x96\xd8'   # 鈴木 as fake_sender prints it
sato='\x8d\xb2\x93\xa1'     # 佐藤

# A display of our own for each member.
start_display 1
d1=$display
start_display 2
d2=$display

run_member() {
  local m=$1 d=$2 wrap
  wrap=TWO_MEMBERS_WRAP$m
  # shellcheck disable=SC2086   # the wrapper is a command with its arguments
  ${!wrap:-} env HOME="$work/home$m" XDG_RUNTIME_DIR="$work/runtime$m" QT_QPA_PLATFORM=xcb DISPLAY="$d" \
    "$work/prog$m/tackwisp" >"$work/program$m.log" 2>&1 &
  pids+=($!)
}
run_member 1 "$d1"
p1=$!
run_member 2 "$d2"
p2=$!

fail() {
  echo "$1"
  DISPLAY=$d1 "$tools/screenshot_probe" grab "$artifacts/two_members_1.png" >/dev/null 2>&1 || true
  DISPLAY=$d2 "$tools/screenshot_probe" grab "$artifacts/two_members_2.png" >/dev/null 2>&1 || true
  for m in 1 2; do echo "--- program $m output:"; cat "$work/program$m.log" || true; done
  exit 1
}
x1() { DISPLAY=$d1 xdotool "$@"; }
x2() { DISPLAY=$d2 xdotool "$@"; }

# Waits until a window with this exact title is visible on display $1; prints its id.
wait_window() {
  local d=$1 title=$2 id=""
  for _ in $(seq 1 100); do
    id=$(DISPLAY=$d xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits until 佐藤's note window is on the screen (its colour at 110,110).
for _ in $(seq 1 100); do
  DISPLAY=$d1 "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1 &&
    QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" check "$work/s.png" 105 105 20 20 ffff80 && break
  sleep 0.2
done

# Two more notes: each Ctrl + right click makes one at the middle of the note clicked.
ctrl_right_click() {
  x1 mousemove "$1" "$2"
  sleep 0.2
  x1 keydown ctrl click 3 keyup ctrl
  sleep 0.8
}
ctrl_right_click 200 150     # the new note at 200,150 (143 x 30)
ctrl_right_click 271 165     # the next at 271,165

# Sends the note under x,y to 鈴木: context menu, "伝言を送信(&S)", the first row, an option (a
# check box of the page, or none), OK.
send_note() {
  local x=$1 y=$2 option=$3 dlg
  x1 mousemove "$x" "$y"
  sleep 0.2
  x1 click 3
  sleep 0.5
  x1 key s
  dlg=$(wait_window "$d1" "他の人へ送信") || fail "the send page did not open for the note at $x,$y"
  x1 windowactivate --sync "$dlg" 2>/dev/null || true
  eval "$(x1 getwindowgeometry --shell "$dlg")"
  x1 mousemove $((X + 60)) $((Y + 50)) click 1     # the first member of the list
  sleep 0.2
  case $option in
    autodelete) x1 mousemove $((X + 16)) $((Y + 108)) click 1 ;;
    yesno) x1 mousemove $((X + 16)) $((Y + 125)) click 1 ;;
  esac
  sleep 0.2
  x1 mousemove $((X + WIDTH - 172 + 39)) $((Y + 166)) click 1   # OK
  for _ in $(seq 1 50); do
    x1 search --onlyvisible --name "^他の人へ送信\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the send page stayed open after OK"
}

# Waits until the send of 佐藤's note $1 to 鈴木 reads as received in the log (or is gone from it:
# 佐藤's own check removes the records once all have received). Adds the delivery time, from the
# close of the send page to the receipt seen, to $work/delivery.
wait_received() {
  local sent now
  sent=$(date +%s.%N)
  for _ in $(seq 1 $((${TWO_MEMBERS_WITHIN:-20} * 20))); do
    state=$("$tools/fake_sender" check "$shared" 1 "$1" 2 || true)
    case $state in
      received* | missing)
        now=$(date +%s.%N)
        awk -v a="$now" -v b="$sent" 'BEGIN { printf "%.3f\n", a - b }' >>"$work/delivery"
        return 0 ;;
    esac
    sleep 0.05
  done
  fail "note $1 was not received within ${TWO_MEMBERS_WITHIN:-20} s (the log says: $state)"
}

send_note 110 110 none
if [ -n "${TWO_MEMBERS_NOT_BEFORE:-}" ]; then
  sleep "$TWO_MEMBERS_NOT_BEFORE"
  state=$("$tools/fake_sender" check "$shared" 1 0 2 || true)
  case $state in
    received* | missing) fail "the note was received within $TWO_MEMBERS_NOT_BEFORE s (the log says: $state)" ;;
  esac
  echo "after $TWO_MEMBERS_NOT_BEFORE s the note is still waiting (the log says: $state)"
  for p in "$p1" "$p2"; do end_program "$p" || fail "a program did not end well"; done
  exit 0
fi
wait_received 0
send_note 210 155 autodelete
wait_received 1
send_note 400 185 yesno
box=$(wait_window "$d2" "タックウィスプ\\(決議採択\\)") || fail "鈴木 was not asked the questionnaire"
x2 windowactivate --sync "$box" 2>/dev/null || true
x2 key --window "$box" alt+n
wait_received 2

# Extra plain sends for the delivery figures: a new note each time, sent at once.
if [ -n "${DELIVERY_SENDS:-}" ]; then
  for i in $(seq 1 "$DELIVERY_SENDS"); do
    ctrl_right_click 150 120        # a note at 201,151 over the others
    send_note 210 160 none
    wait_received $((i + 2))
  done
fi

# 佐藤's next checks take the receipts in: wait until the log has none of his sends left.
sleep 3
DISPLAY=$d1 "$tools/screenshot_probe" grab "$artifacts/two_members_1.png" >/dev/null 2>&1 || true
DISPLAY=$d2 "$tools/screenshot_probe" grab "$artifacts/two_members_2.png" >/dev/null 2>&1 || true
if [ -n "${DELIVERY_SENDS:-}" ]; then
  sort -n "$work/delivery" | awk '{ t[NR] = $1 } END {
    m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    p = t[int(0.9 * NR + 0.999999)]
    printf "delivery over %d sends: median %.2f s, 90th percentile %.2f s\n", NR, m, p }'
fi

for p in "$p1" "$p2"; do end_program "$p" || fail "a program did not end well"; done

notes1=$("$tools/fake_sender" show "$shared" 1) || fail "佐藤's note file cannot be read"
notes2=$("$tools/fake_sender" show "$shared" 2) || fail "鈴木's note file cannot be read"
echo "佐藤:"; echo "$notes1"
echo "鈴木:"; echo "$notes2"
bad=0
expect() {   # expect <what> <notes> <pattern (grep -E)>
  if ! grep -qE -- "$3" <<<"$2"; then
    echo "missing: $1"
    bad=1
  fi
}
expect "佐藤's first note sent and received by all" "$notes1" \
  "^0 id=0 .* sent=-1 received=0 allreceived=-1 peeled=0 partner=${suzuki//\\/\\\\} +text="
# A peeled note leaves the file once nobody waits for it.
if grep -qE "^[0-9]+ id=1 " <<<"$notes1"; then
  echo "佐藤's second note is still there, though it was to go once received"
  bad=1
fi
expect "佐藤's questionnaire answered no" "$notes1" "^[0-9]+ id=2 .* partner=${suzuki//\\/\\\\} /n text="
expect "鈴木's copy of the first note" "$notes2" "received=-1 .* partner=${sato//\\/\\\\} text=.*\\\\x88\\\\xea"
copies=$(grep -c "received=-1" <<<"$notes2" || true)
want=$((2 + ${DELIVERY_SENDS:-0}))
[ "$copies" = "$want" ] || { echo "鈴木 has $copies received notes, $want expected"; bad=1; }
exit "$bad"
