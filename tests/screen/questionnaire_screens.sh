#!/usr/bin/env bash
# The answer sheet and the answer tally window on a real X display (Xvfb), photographed from the
# screen into the artifacts folder (answer_sheet.png, answer_tally.png). The ui tests lay both
# windows out and check that every control shows its whole text; here they are drawn for real.
#
#   bash questionnaire_screens.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
make_work
ui_test_shots Questionnaire.ScreensOfSheetAndTally answer_sheet answer_tally
