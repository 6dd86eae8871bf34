#!/bin/sh
# Runs a Windows test program under Wine for CTest: wine-run.sh program.exe [arguments...]
# Wine may start its background services (services.exe, winedevice.exe ...) from this run. They
# inherit the program's output and live as long as the wineserver; if that output were CTest's pipe,
# CTest would wait for them forever. So the output goes to a file beside the program and is shown
# from there.
exe="$1"
shift
# Never the user's own ~/.wine: without a prefix from the caller, one beside the program.
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX="$(cd "$(dirname "$exe")" && pwd)/wineprefix"
  export WINEPREFIX
fi
log="${exe%.exe}.wine.log"
env -u DISPLAY -u WAYLAND_DISPLAY wine "$exe" "$@" </dev/null >"$log" 2>&1
rc=$?
cat "$log"
exit $rc
