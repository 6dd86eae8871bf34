#!/usr/bin/env bash
# Runs the include-direction checker (its path is $1) on small throwaway trees: a good one that must
# pass, and one per broken rule that must fail with the expected message; then on a copy of this
# source tree (src/ and README.md), which must pass as it is and fail with each forbidden include
# planted in it.
set -uo pipefail
check=${1:?usage: include_check_selftest.sh <include_check binary>}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
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

expect_pass() {  # expect_pass <name> <expected output, a pattern: * for any count>
  local out status
  out=$("$check" "$work/$1" 2>&1); status=$?
  if [ "$status" -ne 0 ] || [[ "$out" != $2 ]]; then
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

breaks() {  # breaks <name> <file> <expected> <line>...: the good tree with the file written anew
  local name=$1 file=$2 expected=$3
  shift 3
  broken "$name"
  put "$work/$name" "$file" "$@"
  expect_fail "$name" "$expected"
}

first_header() {  # first_header <folder>: the first header directly in that folder of src/
  (cd "$root/src" && ls "$1"/*.h | head -1)
}

# forbid <name> <folder> <include> <rule>: a copy of this tree's src/ and README.md with the include
# added at the end of the first header of that folder; the check must name the file, line and rule.
forbid() {
  local file line
  mkdir -p "$work/$1"
  cp -R "$root/src" "$root/README.md" "$work/$1/"
  file=src/$(first_header "$2")
  echo "$3" >>"$work/$1/$file"
  line=$(wc -l <"$work/$1/$file" | tr -d ' ')
  expect_fail "$1" "$file:$line: $3: $4"
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

# The table of folders.
breaks table src/window/shape.h \
  'src/window/shape.h:2: #include "notes/note.h": the table of folders lets window include model, platform (not notes)' \
  '#include "platform/sys.h"' '#include "notes/note.h"'
breaks table_main src/main.cpp \
  'src/main.cpp:2: #include "app/core.h": the table of folders lets . include app/qt, platform/qt (not app)' \
  '#include "app/qt/window.h"' '#include "app/core.h"'
breaks table_ui src/platform/qt/screen.h \
  'src/platform/qt/screen.h:2: #include "app/qt/window.h": the table of folders lets platform/qt include platform (not app/qt)' \
  '#include "platform/sys.h"' '#include "app/qt/window.h"'
breaks no_row src/extra/thing.h \
  'include check: src/extra/thing.h: its folder src/extra has no row in the table of folders' \
  '#include "platform/sys.h"'

# Files of src/ in quotes, named from inside src/.
breaks angle src/notes/note.h \
  'src/notes/note.h:2: #include <app/core.h>: a file of src/ in angle brackets (write "app/core.h")' \
  '#include <string>' '#include <app/core.h>'
breaks angle_beside src/platform/posix/sys.cpp \
  'src/platform/posix/sys.cpp:2: #include <local.h>: a file of src/ in angle brackets (write "local.h")' \
  '#include "platform/sys.h"' '#include <local.h>'
breaks leaves_src src/notes/note.h \
  'src/notes/note.h:2: #include "../../tests/app/core_test.cpp": a relative include leaving src/' \
  '#include "app/core.h"' '#include "../../tests/app/core_test.cpp"'
breaks leaves_src_missing src/app/core.h \
  'src/app/core.h:1: #include "../outside.h": a relative include leaving src/' '#include "../outside.h"'
breaks absolute src/app/core.h "src/app/core.h:1: #include \"/elsewhere/note.h\": an absolute path" \
  '#include "/elsewhere/note.h"'

# README.md's table of folders is the check's table, row by row.
broken readme
cp "$root/README.md" "$work/readme/"
expect_pass readme 'include check: 9 files, 6 nodes, 6 edges, no circle'
broken readme_row
sed 's/^\(  | `src\/window` |.*| model, platform\) |$/\1, messaging |/' "$root/README.md" >"$work/readme_row/README.md"
expect_fail readme_row ': row src/window may include "model, platform, messaging"; the check'"'"'s table says "model, platform"'
broken readme_missing
grep -v '^  | `src/dialogs` |' "$root/README.md" >"$work/readme_missing/README.md"
expect_fail readme_missing 'include check: README.md: no row src/dialogs in the table of folders'
broken readme_order
awk '/^  \| `src\/window` \|/ { held = $0; next } { print } /^  \| `src\/dialogs` \|/ { print held }' \
  "$root/README.md" >"$work/readme_order/README.md"
expect_fail readme_order 'include check: README.md: the table of folders has its rows in another order than the check'"'"'s: src/platform, src/platform/qt, src/model, src/app, src/messaging, src/questionnaire, src/window, src/dialogs,'
broken readme_extra
sed 's/^\(  | `src\/\)dialogs\(` |.*\)$/&\n\1extra\2/' "$root/README.md" >"$work/readme_extra/README.md"
expect_fail readme_extra ': row src/extra is not in the check'"'"'s table of folders'

# This tree as it is, then with one forbidden include added at a time.
mkdir -p "$work/clean" && cp -R "$root/src" "$root/README.md" "$work/clean/"
expect_pass clean 'include check: * files, * nodes, * edges, no circle'
forbid window_messaging window "#include \"$(first_header messaging)\"" \
  'the table of folders lets window include model, platform (not messaging)'
forbid dialogs_notes dialogs "#include \"$(first_header notes)\"" \
  'the table of folders lets dialogs include model (not notes)'
forbid platform_qt_window_qt platform/qt "#include \"$(first_header window/qt)\"" \
  'the table of folders lets platform/qt include platform (not window/qt)'
forbid real_angle notes "#include <$(first_header model)>" \
  "a file of src/ in angle brackets (write \"$(first_header model)\")"
forbid real_leaves_src app '#include "../../tests/support/temp_dir.h"' 'a relative include leaving src/'

exit $failed
