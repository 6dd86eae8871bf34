#!/usr/bin/env bash
# Receiving, seen from outside the program. A shared folder holds two members: 山田 (1), whose
# computer is played by tests/tools/fake_sender with bytes written by hand, and 鈴木 (2), whose
# computer runs the real program under Xvfb with the reception check every second. 山田's note file
# holds two sent notes; a send record of the first is in the log before the program starts (the
# check at the end of the start-up takes it), the second is written while the program runs (a check
# of the reception timer takes it). Each must be marked received in the log with the number of the
# copy; after SIGTERM (which saves) 鈴木's note file must hold exactly one copy of each, received,
# with the sender's text, position and size and the sender's name as partner.
#
#   bash receive_blackbox.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
shot=$artifacts/receive_blackbox.png

make_work
prog=$work/program
sender=$work/sender
shared=$work/shared
mkdir -p "$prog" "$sender" "$shared"

install_program "$prog"

# Texts and names in CP932 bytes, escaped as fake_sender takes and prints them.
yamada='\x8eR\x93c'                          # 山田
suzuki='\x97\xe9\x96\xd8'                    # 鈴木
text1='\x89\xef\x8bc 10:00\nroom A'          # 会議 10:00 / room A
text2='second note \x93c\x92\x86'            # second note 田中

# Member 1 with the member list, then member 2 (this computer) checking every second.
"$tools/member_folder" write "$sender" "$shared" "山田" 'unused' 0 0 1500 1500
rm -f "$shared/ID00001.FDT"
"$tools/add_member" "$prog" "$shared" 2 "鈴木" 2 1 '自分の付箋' 300 300 3000 1500
"$tools/fake_sender" note "$shared" 1 0 "$text1" 1500 3000 3000 1500
"$tools/fake_sender" note "$shared" 1 1 "$text2" 4500 6000 2400 1200
"$tools/fake_sender" send "$shared" 1 "$yamada" 0 2 "$suzuki"
state=$("$tools/fake_sender" check "$shared" 1 0 2 || true)
if [ "$state" != pending ]; then
  echo "the prepared send record reads '$state', not pending"
  exit 1
fi

cat > "$work/inner.sh" <<'INNER'
set -u
source "$SCREEN_RUN"
prog=$1 tools=$2 shared=$3 shot=$4 log=$5 out=$6 yamada=$7 suzuki=$8
"$prog/tackwisp" >"$log" 2>&1 &
pid=$!

# Waits up to 20 s until the send of note $1 reads as received; its result line goes to $out.
wait_received() {
  for _ in $(seq 1 80); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the program ended before note $1 was received"
      return 1
    fi
    state=$("$tools/fake_sender" check "$shared" 1 "$1" 2)
    case $state in
      received*) echo "$1 $state" >>"$out"; return 0 ;;
    esac
    sleep 0.25
  done
  echo "note $1 was not received within 20 s (the log says: $state)"
  return 1
}

ok=1
wait_received 0 || ok=0
if [ "$ok" = 1 ]; then
  "$tools/fake_sender" send "$shared" 1 "$yamada" 1 2 "$suzuki"
  wait_received 1 || ok=0
fi
"$tools/screenshot_probe" grab "$shot" >/dev/null 2>&1 || true
end_program "$pid" || exit 1
[ "$ok" = 1 ]
INNER

on_display bash "$work/inner.sh" "$prog" "$tools" "$shared" "$shot" "$work/program.log" \
  "$work/received" "$yamada" "$suzuki" || fail_run

# Each send is received once, into a copy of its own (the receipt names it), and nothing is
# left unreceived.
fail=0
id0=$(awk '$1 == 0 && $2 == "received" { print $3 }' "$work/received")
id1=$(awk '$1 == 1 && $2 == "received" { print $3 }' "$work/received")
if [ -z "$id0" ] || [ -z "$id1" ] || [ "$id0" = "$id1" ] || [ "$id0" = 0 ] || [ "$id1" = 0 ]; then
  echo "the receipts name the copies '$id0' and '$id1': two new notes of their own were expected"
  fail=1
fi
for n in 0 1; do
  state=$("$tools/fake_sender" check "$shared" 1 "$n" 2 || true)
  if [ "${state%% *}" != received ]; then
    echo "after the end the send of note $n reads '$state'"
    fail=1
  fi
done

notes=$("$tools/fake_sender" show "$shared" 2) || { echo "鈴木's note file cannot be read"; exit 1; }
echo "$notes"
expect_line() {
  if ! grep -qxF -- "$1" <<<"$notes"; then
    echo "missing in 鈴木's notes: $1"
    fail=1
  fi
}
expect_line "$id0 id=$id0 top=1500 left=3000 width=3000 height=1500 sent=0 received=-1 allreceived=0 peeled=0 partner=$yamada text=$text1"
expect_line "$id1 id=$id1 top=4500 left=6000 width=2400 height=1200 sent=0 received=-1 allreceived=0 peeled=0 partner=$yamada text=$text2"
for t in "$text1" "$text2"; do
  count=$(grep -cF -- " text=$t" <<<"$notes" || true)
  if [ "$count" != 1 ]; then
    echo "the note '$t' is in 鈴木's notes $count times"
    fail=1
  fi
done
if [ "$(wc -l <<<"$notes")" != 3 ]; then
  echo "鈴木 should have his own note and the two received ones"
  fail=1
fi
echo "screenshot: $shot"
exit "$fail"
