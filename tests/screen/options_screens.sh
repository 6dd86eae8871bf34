#!/usr/bin/env bash
# The four tabs of the environment dialog on a real X display (Xvfb), photographed from the screen
# into the artifacts folder (options_general.png, options_colours.png, options_network.png,
# options_text.png). The ui test lays every tab out and checks that each control shows its whole text;
# here they are drawn for real.
#
#   bash options_screens.sh <tackwisp binary> <tools folder> <artifacts folder>
set -euo pipefail
source "$(dirname "$(readlink -f "$0")")/../support/screen_run.sh"

screen_args "$@"
make_work
ui_test_shots OptionsTest.ScreensOfEveryTab options_general options_colours options_network options_text
