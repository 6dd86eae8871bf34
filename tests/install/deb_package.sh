#!/usr/bin/env bash
# The Debian package as the README builds it: its command (the first line of the block under
# "## Installing (a Debian package)") runs in a new build folder, then the package is checked:
#   - its Depends holds a Japanese font ("fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic"),
#     qt6-translations-l10n and libxcb1 (found by dpkg-shlibdeps: the program is built with xcb);
#   - its files are there (dpkg-deb -c), the program executable and owned by root;
#   - the program carries Debian's hardening: a position-independent program (PIE), read-only
#     relocations bound at start (GNU_RELRO, BIND_NOW), the stack protector (__stack_chk_fail) and
#     _FORTIFY_SOURCE (calls of the checking *_chk functions).
# It builds the program once more (Release, without the tests), two jobs at a time.
# Exit code 77 when something it needs is not installed (it says what).
#
#   bash deb_package.sh <build folder> <tools folder> <artifacts folder>
set -euo pipefail
source_dir=$(readlink -f "$(dirname "$(readlink -f "$0")")/../..")

need=()
for c in cmake cpack ninja pkg-config dpkg-deb dpkg-buildflags dpkg-shlibdeps file readelf; do
  command -v "$c" >/dev/null 2>&1 || need+=("$c")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "skipped: not installed: ${need[*]} (packages cmake, ninja-build, pkg-config, dpkg-dev, file, binutils)"
  exit 77
fi

# The README's command, as a reader copies it.
command_line=$(awk '/^## Installing \(a Debian package\)/ { section = 1; next }
                    section && /^## / { exit }
                    section && /^```/ { if (inside) exit; inside = 1; next }
                    inside { print; exit }' "$source_dir/README.md")
case "$command_line" in
  *"-B build-pkg "*) ;;
  *) echo "the README's package command does not build in build-pkg: '$command_line'"; exit 1 ;;
esac
for part in -DTACKWISP_TESTS=OFF -DCMAKE_BUILD_TYPE=Release "cpack -G DEB"; do
  [[ "$command_line" == *"$part"* ]] || { echo "the README's package command lacks $part: '$command_line'"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The same command with its build folder in the test's own folder.
command_line=${command_line//build-pkg/\"$work/build-pkg\"}
if ! (cd "$source_dir" && CMAKE_BUILD_PARALLEL_LEVEL=2 nice -n 5 bash -c "$command_line") >"$work/package.log" 2>&1; then
  tail -n 40 "$work/package.log"
  echo "the README's package command failed: $command_line"
  exit 1
fi

shopt -s nullglob
debs=("$work"/build-pkg/tackwisp_*_"$(dpkg --print-architecture)".deb)
[ ${#debs[@]} = 1 ] || { ls "$work/build-pkg"; echo "not one package tackwisp_<version>_$(dpkg --print-architecture).deb"; exit 1; }
deb=${debs[0]}

fail=0
bad() { echo "$1"; fail=1; }

# ---- what the package depends on ----
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
has_item() { tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ *$//' | grep -qE "$1"; }
has_item '^fonts-noto-cjk \| fonts-ipafont-gothic \| fonts-vlgothic$' || bad "Depends lacks the Japanese font"
has_item '^qt6-translations-l10n$' || bad "Depends lacks qt6-translations-l10n"
has_item '^libxcb1( |$)' || bad "Depends lacks libxcb1: the program was built without xcb"
has_item '^libqt6widgets6( |$)' || bad "Depends lacks libqt6widgets6: dpkg-shlibdeps did not run"
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ "$recommends" != *fonts-* && "$recommends" != *qt6-translations* ]] || bad "the font or the translations are still only recommended: $recommends"

# ---- its files ----
listing=$(dpkg-deb -c "$deb")
in_package() { awk -v p="./$1" '$NF == p { print $1, $2 }' <<<"$listing"; }
[ "$(in_package usr/bin/tackwisp)" = "-rwxr-xr-x root/root" ] || bad "no program usr/bin/tackwisp (-rwxr-xr-x root/root) in the package"
for f in usr/share/applications/tackwisp.desktop usr/share/tackwisp/tackwisp.html usr/share/doc/tackwisp/copyright \
         usr/share/doc/tackwisp/changelog.gz usr/share/man/man1/tackwisp.1.gz; do
  [ -n "$(in_package "$f")" ] || bad "no $f in the package"
done

# ---- the program's hardening ----
dpkg-deb -x "$deb" "$work/root"
program=$work/root/usr/bin/tackwisp
if [ -f "$program" ]; then
  readelf -hW "$program" | grep -qE '^ *Type: +DYN ' || bad "the program is not position-independent (no ELF type DYN)"
  dynamic=$(readelf -dW "$program")
  grep -qE '\(FLAGS_1\) .*\bPIE\b' <<<"$dynamic" || bad "the program is not marked PIE"
  grep -qE '\(FLAGS\) .*\bBIND_NOW\b' <<<"$dynamic" || bad "the program does not bind at start (no BIND_NOW)"
  readelf -lW "$program" | grep -qE '^ *GNU_RELRO ' || bad "the program has no read-only relocations (no GNU_RELRO)"
  symbols=$(readelf --dyn-syms -W "$program" | awk '$8 != "" { sub(/@.*/, "", $8); print $8 }' | sort -u)
  grep -qx '__stack_chk_fail' <<<"$symbols" || bad "the program has no stack protector (no __stack_chk_fail)"
  checked=$(grep -E '^__[a-z0-9_]+_chk$' <<<"$symbols" | grep -vx '__stack_chk_fail' | tr '\n' ' ' || true)
  [ -n "$checked" ] || bad "the program calls no *_chk function: it was built without _FORTIFY_SOURCE"
  [ "$fail" = 1 ] || echo "hardening: PIE, GNU_RELRO, BIND_NOW, __stack_chk_fail, $checked"
else
  bad "dpkg-deb -x gave no usr/bin/tackwisp"
fi
[ "$fail" = 0 ] || exit 1
echo "OK: $(basename "$deb")"
