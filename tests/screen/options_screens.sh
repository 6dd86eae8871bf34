#!/usr/bin/env bash
# The four tabs of the environment dialog on a real X display (Xvfb), photographed from the screen
# into the artifacts folder (options_general.png, options_colours.png, options_network.png,
# options_text.png). The ui test lays every tab out and checks that each control shows its whole text;
# here they are drawn for real.
#
#   bash options_screens.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail

ui_tests=$(dirname "$(readlink -f "$1")")/ui_tests
mkdir -p "$3"
artifacts=$(readlink -f "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"

shots="options_general options_colours options_network options_text"
for f in $shots; do rm -f "$artifacts/$f.png"; done
HOME=$work XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb TW_SCREENSHOT_DIR=$artifacts \
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  "$ui_tests" --gtest_filter='OptionsTest.ScreensOfEveryTab'
for f in $shots; do
  [ -s "$artifacts/$f.png" ] || { echo "no screenshot $f.png"; exit 1; }
done
echo "screenshots: $(for f in $shots; do printf '%s ' "$artifacts/$f.png"; done)"
