#!/usr/bin/env bash
# The answer sheet and the answer tally window on a real X display (Xvfb), photographed from the
# screen into the artifacts folder (answer_sheet.png, answer_tally.png). The ui tests lay both
# windows out and check that every control shows its whole text; here they are drawn for real.
#
#   bash questionnaire_screens.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail

ui_tests=$(dirname "$(readlink -f "$1")")/ui_tests
mkdir -p "$3"
artifacts=$(readlink -f "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"

rm -f "$artifacts/answer_sheet.png" "$artifacts/answer_tally.png"
HOME=$work XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb TW_SCREENSHOT_DIR=$artifacts \
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  "$ui_tests" --gtest_filter='Questionnaire.ScreensOfSheetAndTally'
for f in answer_sheet answer_tally; do
  [ -s "$artifacts/$f.png" ] || { echo "no screenshot $f.png"; exit 1; }
done
echo "screenshots: $artifacts/answer_sheet.png $artifacts/answer_tally.png"
