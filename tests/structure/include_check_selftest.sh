#!/usr/bin/env bash
# Runs the include-direction checker (its path is $1) on small throwaway trees: a good one that must
# pass, and one per broken rule that must fail with the expected message.
set -uo pipefail
check=${1:?usage: include_check_selftest.sh <include_check binary>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

put() {  # put <tree> <file> <line>... : writes the file, one argument per line
  local file=$1/$2
  shift 2
  mkdir -p "$(dirname "$file")"
  printf '%s\n' "$@" >"$file"
}

good() {  # good <tree>: a tree that keeps every rule
  put "$1" src/main.cpp '#include "app/qt/window.h"'
  put "$1" src/app/qt/window.h '#include <QWidget>' '#include "app/core.h"' '#include "platform/qt/screen.h"'
  put "$1" src/app/core.h '#include <string>' '#include "platform/sys.h"'
  put "$1" src/notes/note.h '#include "app/core.h"'
  put "$1" src/platform/sys.h '#include <queue>'
  put "$1" src/platform/qt/screen.h '#include "platform/sys.h"'
  put "$1" src/platform/posix/sys.cpp '#include "platform/sys.h"' '#include "local.h"'
  put "$1" src/platform/posix/local.h '// found beside its includer'
  put "$1" tests/app/core_test.cpp '#include "support/helper.h"' '#include "app/core.h"'
  seq 1 800 | sed 's|^|// |' >"$1/src/notes/long.cpp"  # exactly at the limit
}

expect_pass() {  # expect_pass <name> <expected output>
  local out status
  out=$("$check" "$work/$1" 2>&1); status=$?
  if [ "$status" -ne 0 ] || [ "$out" != "$2" ]; then
    echo "FAIL $1: exit $status, expected '$2', got:"; echo "$out"; failed=1
  else
    echo "ok   $1"
  fi
}

expect_fail() {  # expect_fail <name> <expected substring of the output>
  local out status
  out=$("$check" "$work/$1" 2>&1); status=$?
  if [ "$status" -ne 1 ] || [[ "$out" != *"$2"* ]]; then
    echo "FAIL $1: exit $status, expected '$2' in:"; echo "$out"; failed=1
  else
    echo "ok   $1"
  fi
}

broken() {  # broken <name>: a copy of the good tree to break
  good "$work/$1"
}

good "$work/good"
expect_pass good 'include check: 9 files, 6 nodes, 6 edges, no circle'
want=$'. -> app/qt\napp -> platform\napp/qt -> app, platform/qt\nnotes -> app\nplatform ->\nplatform/qt -> platform'
graph=$("$check" --graph "$work/good")
[ "$graph" = "$want" ] && echo "ok   graph" || { echo "FAIL graph:"; echo "$graph"; failed=1; }

broken circle
put "$work/circle" src/app/core.h '#include "platform/sys.h"' '#include "notes/note.h"'
expect_fail circle 'include check: circle: app -> notes -> app'
expect_fail circle 'include check:   app -> notes: src/app/core.h:2: #include "notes/note.h"'
expect_fail circle 'include check:   notes -> app: src/notes/note.h:1: #include "app/core.h"'

broken core_ui
put "$work/core_ui" src/notes/note.h '#include "app/qt/window.h"'
expect_fail core_ui 'src/notes/note.h:1: #include "app/qt/window.h": core node notes includes ui node app/qt'

broken core_ui_relative
put "$work/core_ui_relative" src/platform/sys.h '#include "qt/screen.h"'
expect_fail core_ui_relative 'src/platform/sys.h:1: #include "qt/screen.h": core node platform includes ui node platform/qt'

broken qt_header
put "$work/qt_header" src/app/core.h '#include <QString>'
expect_fail qt_header 'src/app/core.h:1: #include <QString>: Qt header in core node app'

broken platform_out
put "$work/platform_out" src/platform/sys.h '#include "notes/note.h"'
expect_fail platform_out 'src/platform/sys.h:1: #include "notes/note.h": platform may include only platform/ (not notes)'

broken missing
put "$work/missing" src/notes/note.h '#include "app/coer.h"'
expect_fail missing 'src/notes/note.h:1: #include "app/coer.h": no such file under src/'

broken top
put "$work/top" src/notes/note.h '#include "main.cpp"'
expect_fail top 'src/notes/note.h:1: #include "main.cpp": nothing may include main.cpp'

broken long_src
seq 1 801 | sed 's|^|// |' >"$work/long_src/src/notes/long.cpp"
expect_fail long_src 'include check: src/notes/long.cpp: 801 lines (limit 800)'

broken long_test
seq 1 900 | sed 's|^|// |' >"$work/long_test/tests/app/core_test.cpp"
expect_fail long_test 'include check: tests/app/core_test.cpp: 900 lines (limit 800)'

broken long_bench
mkdir -p "$work/long_bench/bench" && seq 1 801 | sed 's|^|// |' >"$work/long_bench/bench/b.cpp"
expect_fail long_bench 'include check: bench/b.cpp: 801 lines (limit 800)'

exit $failed
