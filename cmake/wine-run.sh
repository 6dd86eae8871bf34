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
# Wine turns file names into Unix names by the locale's character set: under the POSIX locale of a
# minimal system (no LANG) a Japanese file name cannot be made at all. The tests never depend on the
# caller's locale: always UTF-8.
env -u DISPLAY -u WAYLAND_DISPLAY -u LANGUAGE LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  wine "$exe" "$@" </dev/null >"$log" 2>&1
rc=$?
cat "$log"
exit $rc
