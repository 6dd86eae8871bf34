# Shared by the real runs of tests/screen (sourced): the surroundings of a run, its set-up (arguments,
# work folder, displays, the program started, windows and colours waited for, the screenshot when it
# fails), a program folder as installed, and the end of a running program by SIGTERM, which must save
# and end it with exit code 0.

# Whatever the caller's environment says. The window titles are Japanese: xdotool reads and matches
# them in the locale's character set, so a UTF-8 locale (an empty environment has none). The program
# and the screenshots use the X display of the run, even when the caller names another Qt platform
# (./test names offscreen for the ui tests); the checks of a picture name offscreen themselves.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset LANGUAGE

# install_program <folder>: the binary $exe and what ships beside it (shape files, help).
install_program() {
  mkdir -p "$1"
  cp "$exe" "$1/"
  local f
  for f in "$(dirname "$exe")"/FSTYLE.* "$(dirname "$exe")"/*.html; do
    if [ -e "$f" ]; then cp "$f" "$1/"; fi
  done
}

# end_program <pid>: SIGTERM, then up to 10 s for the end. Fails (with a line saying why) when the
# program does not end or ends with another exit code than 0.
end_program() {
  kill -TERM "$1" 2>/dev/null
  local _
  for _ in $(seq 1 100); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$1" 2>/dev/null; then
    echo "the program did not end on SIGTERM"
    kill -KILL "$1"
    return 1
  fi
  local rc=0
  wait "$1" || rc=$?
  if [ "$rc" != 0 ]; then
    echo "the program ended with exit code $rc"
    return 1
  fi
}

# This file, for the scripts a run starts inside its display (they source "$SCREEN_RUN").
SCREEN_RUN=$(readlink -f "${BASH_SOURCE[0]}")
export SCREEN_RUN

# The screen of every display of a run: 1280 x 1024 pixels at 96 dpi (15 twips a pixel).
screen_options=(-screen 0 1280x1024x24 -dpi 96)

# screen_args <tackwisp binary> <tools folder> <artifacts folder>: the arguments of every script as
# $exe, $tools and $artifacts, absolute; the artifacts folder is made.
screen_args() {
  exe=$(readlink -f "$1")
  tools=$(readlink -f "$2")
  mkdir -p "$3"
  artifacts=$(readlink -f "$3")
}

# make_work: a new folder $work with home/ and runtime/ (mode 700) for the program's HOME and
# XDG_RUNTIME_DIR. At the exit every process whose id is in $pids is killed and $work goes.
make_work() {
  work=$(mktemp -d)
  pids=()
  trap remove_work EXIT
  mkdir -p "$work/home"
  mkdir -m 700 "$work/runtime"
}
remove_work() {
  local p
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  rm -rf "$work"
}

# on_display <command>...: runs the command on an X server of its own (start_display), with HOME
# and XDG_RUNTIME_DIR in $work. Every run takes its server the same way: the server picks a free
# display number itself (-displayfd), where xvfb-run -a first looks for one and then starts a
# server on it, which races with a server started beside it.
on_display() {
  start_display
  DISPLAY=$display HOME=$work/home XDG_RUNTIME_DIR=$work/runtime "$@"
}

# start_display [<n>]: an X server of its own (Xvfb) for the rest of the script; its name (":N") goes
# to $display, its id to $pids. <n> tells the servers of one script apart.
start_display() {
  local file=$work/display${1:-} log=$work/xvfb${1:-}.log _
  Xvfb -displayfd 1 "${screen_options[@]}" -nolisten tcp >"$file" 2>"$log" &
  pids+=($!)
  disown $!
  for _ in $(seq 1 100); do
    [ -s "$file" ] && break
    sleep 0.1
  done
  [ -s "$file" ] || { echo "Xvfb${1:+ $1} did not start"; cat "$log"; exit 1; }
  display=:$(head -1 "$file")
}

# one_note_member <text>: the program installed in $work/prog and the member 佐藤 in $work/shared
# with one note holding <text> at 100,100 pixels, 200 x 100 (15 twips a pixel).
one_note_member() {
  mkdir -p "$work/shared" "$work/prog"
  install_program "$work/prog"
  "$tools/member_folder" write "$work/prog" "$work/shared" "佐藤" "$1" 1500 1500 3000 1500 >/dev/null
}

# start_window_manager: openbox on $DISPLAY for the rest of the script (its id to $pids), once it
# has taken the screen. On a loaded machine that may take a while: up to 30 s, and an openbox that
# ends before it has the screen is started again (three times in all). Fails the run, with what
# openbox said, when none takes the screen.
start_window_manager() {
  command -v openbox >/dev/null || fail_run "openbox is not installed (scripts/install-deps.sh test)"
  local try wm _ root
  for try in 1 2 3; do
    HOME=$work/home XDG_RUNTIME_DIR=$work/runtime openbox --sm-disable >>"$work/openbox.log" 2>&1 &
    wm=$!
    pids+=("$wm")
    for _ in $(seq 1 300); do
      root=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
      [[ $root == *"window id"* ]] && return 0
      kill -0 "$wm" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$wm" 2>/dev/null && break
    echo "openbox ended before it took the screen (start $try)" >>"$work/openbox.log"
  done
  echo "--- openbox output:"
  cat "$work/openbox.log"
  fail_run "openbox did not take the screen of $DISPLAY"
}

# start_program <program folder>: its tackwisp on $DISPLAY with HOME and XDG_RUNTIME_DIR in $work
# and its output in $work/program.log; its id goes to $pid and $pids.
start_program() {
  HOME=$work/home XDG_RUNTIME_DIR=$work/runtime "$1/tackwisp" >"$work/program.log" 2>&1 &
  pid=$!
  pids+=("$pid")
}

# fail_run [<message>]: says why, keeps a screenshot of $DISPLAY in $failure_shot when both are set,
# prints the program's output ($work/program.log) and ends the script with exit status 1.
fail_run() {
  if [ $# -gt 0 ]; then echo "$1"; fi
  if [ -n "${failure_shot:-}" ] && [ -n "${DISPLAY:-}" ]; then
    "$tools/screenshot_probe" grab "$failure_shot" >/dev/null 2>&1 || true
  fi
  echo "--- program output:"
  if [ -e "$work/program.log" ]; then cat "$work/program.log"; else echo "(the program was not started)"; fi
  exit 1
}

# visible <title>: the id of a visible window of $DISPLAY whose whole title matches <title> (a
# regular expression); nothing when there is none.
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true; }

# wait_window <display> <title>: waits up to 10 s for a visible window of <display> whose whole title
# matches <title>; prints its id, or fails when none shows.
wait_window() {
  local id _
  for _ in $(seq 1 100); do
    id=$(DISPLAY=$1 visible "$2")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# wait_colour <x> <y> <width> <height> <rrggbb>: waits up to 20 s until the screen of $DISPLAY shows
# the colour over that rectangle (in pixels); fails when it does not.
wait_colour() {
  local _
  for _ in $(seq 1 100); do
    "$tools/screenshot_probe" grab "$work/s.png" >/dev/null 2>&1 &&
      QT_QPA_PLATFORM=offscreen "$tools/screenshot_probe" check "$work/s.png" "$@" && return 0
    sleep 0.2
  done
  return 1
}

# ui_test_shots <test> <name>...: runs the ui test <test> (of the ui_tests beside $exe) on a display
# of its own, where it photographs its windows into $artifacts/<name>.png; fails unless each of them
# was written.
ui_test_shots() {
  local test=$1 f
  shift
  for f in "$@"; do rm -f "$artifacts/$f.png"; done
  TW_SCREENSHOT_DIR=$artifacts on_display "$(dirname "$exe")/ui_tests" --gtest_filter="$test"
  for f in "$@"; do
    [ -s "$artifacts/$f.png" ] || { echo "no screenshot $f.png"; exit 1; }
  done
  echo "screenshots:$(for f in "$@"; do printf ' %s' "$artifacts/$f.png"; done)"
}
