#!/usr/bin/env bash
# Japanese typed through a real input method (Mozc, under ibus and then under fcitx5), left composing
# when the edit ends. Two notes, "メモ" and "もう一枚". For each input method the program is started
# on a display of its own with the method's Qt input context, and:
#   1. the first note is edited (double click), "kyou" typed at its end and left composing as "きょう"
#      (screenshot ime_compose_<method>.png), and the edit ended by a double click in the edit box;
#   2. the second note is edited, "asita" typed and left composing as "あした", and the edit ended by
#      a click on the first note.
# After SIGTERM (which saves) the note file holds "メモきょう" and "もう一枚あした": each composition
# once, as the member saw it. Nothing is committed by the member (no Return).
#
# Mozc's server refuses to run as root: run as root, the program and the input method run as the user
# "twime" (made when missing). The packages come with scripts/install-deps.sh test; without them the
# run is skipped (exit code 77).
#
#   bash ime_compose.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"

missing=()
for c in dbus-daemon ibus-daemon ibus fcitx5 fcitx5-remote setpriv; do
  command -v "$c" >/dev/null || missing+=("$c")
done
for f in /usr/lib/ibus-mozc/ibus-engine-mozc /usr/lib/mozc/mozc_server; do
  [ -x "$f" ] || missing+=("$f")
done
qt_plugins=$(find /usr/lib -path '*qt6/plugins/platforminputcontexts' -type d -print -quit 2>/dev/null)
for p in ibus fcitx5; do
  [ -e "$qt_plugins/lib${p}platforminputcontextplugin.so" ] || missing+=("the Qt 6 $p input context")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIPPED: no real input method here; missing: ${missing[*]} (scripts/install-deps.sh test installs them)"
  exit 77
fi

# Who runs the program and the input method: root hands both to an ordinary user.
as_user=()
if [ "$(id -u)" = 0 ]; then
  # useradd lives in /usr/sbin, which an empty environment's PATH (/usr/bin:/bin) leaves out.
  id twime >/dev/null 2>&1 || PATH=$PATH:/usr/sbin:/sbin useradd --system --no-create-home twime
  as_user=(setpriv --reuid=twime --regid=twime --init-groups)
fi

make_work
chmod 755 "$work"
# At the end, everything this run started as the user goes: found by the HOME it was given.
end_run_processes() {
  local f p
  for f in /proc/[0-9]*/environ; do
    p=${f#/proc/}
    p=${p%/environ}
    if grep -qzxF "HOME=$work/home" "$f" 2>/dev/null; then kill -KILL "$p" 2>/dev/null || true; fi
  done
}
trap 'end_run_processes; remove_work' EXIT

mkdir -p "$work/shared" "$work/prog"
install_program "$work/prog"
# The notes at 100,100 and 600,100 pixels (15 twips a pixel), each 300 x 100.
"$tools/member_folder" write "$work/prog" "$work/shared" "佐藤" 'unused' 0 0 1500 1500
"$tools/note_set" "$work/shared" 1 \
  0 0 - 0 'メモ' 1500 1500 4500 1500 \
  0 0 - 0 'もう一枚' 1500 9000 4500 1500
# Mozc under ibus starts in Hiragana.
mkdir -p "$work/home/.config/mozc"
cat >"$work/home/.config/mozc/ibus_config.textproto" <<'EOF'
engines {
  name: "mozc-jp"
  longname: "Mozc"
  layout: "default"
  layout_variant: ""
  layout_option: ""
  rank: 80
}
active_on_launch: True
EOF
# fcitx5 with Mozc only, on from the start.
mkdir -p "$work/home/.config/fcitx5"
cat >"$work/home/.config/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
EOF
cat >"$work/home/.config/fcitx5/config" <<'EOF'
[Behavior]
ActiveByDefault=True
EOF
cp -r "$work/shared" "$work/shared.start"
if [ ${#as_user[@]} -gt 0 ]; then chown -R twime: "$work/home" "$work/runtime" "$work/prog" "$work/shared" "$work/shared.start"; fi

# user <command>...: as the user, with the run's home, display and session bus ($user_env); started in
# the background the same way, its id is that of the command itself.
set_user_env() {
  user_env=("${as_user[@]}" env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" DISPLAY="$DISPLAY"
            DBUS_SESSION_BUS_ADDRESS="${bus:-}" LANG=C.UTF-8 LC_ALL=C.UTF-8)
}
user() { "${user_env[@]}" "$@"; }

# Double click at a place on the screen.
double_click() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click --repeat 2 --delay 80 1
  sleep 0.5
}

# run_method <ibus|fcitx5>: one run of the program with that input method, from the starting notes.
run_method() {
  local im=$1 _
  rm -rf "$work/shared"
  cp -a "$work/shared.start" "$work/shared"
  start_display "$im"
  export DISPLAY=$display
  failure_shot=$artifacts/ime_compose_${im}_failed.png
  bus=""
  set_user_env
  bus=$(user dbus-daemon --session --fork --print-address=1 --nopidfile)
  [ -n "$bus" ] || fail_run "no session bus"
  set_user_env
  case $im in
    ibus)
      "${user_env[@]}" ibus-daemon --panel=disable --xim >"$work/ibus.log" 2>&1 &
      pids+=($!)
      disown $!
      for _ in $(seq 1 100); do
        user ibus engine mozc-jp >/dev/null 2>&1 && [ "$(user ibus engine 2>/dev/null)" = mozc-jp ] && break
        sleep 0.2
      done
      [ "$(user ibus engine 2>/dev/null)" = mozc-jp ] || fail_run "ibus did not take Mozc: $(cat "$work/ibus.log")"
      ;;
    fcitx5)
      "${user_env[@]}" fcitx5 >"$work/fcitx5.log" 2>&1 &
      pids+=($!)
      disown $!
      for _ in $(seq 1 100); do
        user fcitx5-remote >/dev/null 2>&1 && break
        sleep 0.2
      done
      user fcitx5-remote >/dev/null 2>&1 || fail_run "fcitx5 did not start: $(cat "$work/fcitx5.log")"
      ;;
  esac

  "${user_env[@]}" QT_QPA_PLATFORM=xcb QT_IM_MODULE="$im" "$work/prog/tackwisp" >"$work/program.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  wait_colour 105 105 20 20 ffff80 || fail_run "the notes did not show ($im)"

  # 1. Composing in the first note; a double click in its edit box, right of the candidates that
  #    Mozc shows under the composition.
  double_click 250 150
  xdotool key ctrl+End
  xdotool type --delay 100 "kyou"
  sleep 1
  "$tools/screenshot_probe" grab "$artifacts/ime_compose_$im.png" >/dev/null
  double_click 370 185
  # 2. Composing in the second note; a click on the first.
  double_click 750 150
  xdotool key ctrl+End
  xdotool type --delay 100 "asita"
  sleep 1
  xdotool mousemove 250 150
  sleep 0.2
  xdotool click 1
  sleep 1

  end_program "$pid" || fail_run "the program did not end well ($im)"
  local notes want
  notes=$("$tools/member_folder" show "$work/shared" 1 | cut -d' ' -f7-) || fail_run "the note file cannot be read"
  want=$'メモきょう\nもう一枚あした'
  if [ "$notes" != "$want" ]; then
    echo "with $im the note file holds:"
    echo "$notes"
    echo "expected:"
    echo "$want"
    exit 1
  fi
  echo "OK ($im): each composition stored once; screenshot $artifacts/ime_compose_$im.png"
  end_run_processes
}

run_method ibus
run_method fcitx5
