#!/usr/bin/env bash
# Builds Qt for Windows x64 (mingw-w64) from Debian's own source package of the Qt installed on this
# machine, once per machine, into a cache folder outside the work tree, and prints that folder.
#
#   scripts/build-qt-windows.sh            builds when the cache is missing, then prints its folder
#   scripts/build-qt-windows.sh --print    only prints the folder it would use
#
# The cache: ${TACKWISP_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tackwisp}/qt-<version>-w64-r<recipe>.
# A second run finds "<folder>/.complete" and does nothing. The recipe number below changes whenever
# the build changes, so an older cache is never taken for a newer one.
#
# The source comes through apt, which checks it against the archive's signed index (the hashes in the
# Sources file), with a sources list and state folder of this script's own: the machine's apt
# configuration is not changed. The deb-src entries are made from the machine's own deb entries, so
# the source is the same archive's, and its version is the installed Qt's, whose tools (moc, rcc, uic)
# serve as the host tools of the cross build.
#
# About 1,300 build steps: half an hour or more on a 2-core machine. Output goes to a log in the
# cache; one line per step here.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
recipe=1
package=qt6-base

version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$version" ]; then
  echo "build-qt-windows: qt6-base-dev is not installed (scripts/install-deps.sh test installs it)" >&2
  exit 1
fi
upstream=${version%%+*}             # 6.4.2+dfsg-10 -> 6.4.2
cache_root=${TACKWISP_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tackwisp}
prefix="$cache_root/qt-${version//[:~]/_}-w64-r$recipe"

if [ "${1:-}" = "--print" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work="$cache_root/work-qt-w64-r$recipe"
log="$work/build.log"
mkdir -p "$work"
: >"$log"
say() { printf '%s\n' "$*" >&2; }
fail() {
  say "FAILED: $1"
  say "--- the end of $log:"
  tail -n 40 "$log" >&2
  exit 1
}
say "Qt $upstream for Windows: not in the cache, building it once into $prefix (half an hour or more)."

# ---- the source, through apt with a private configuration ----
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources" "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources/none.list"
# deb-src stanzas from the machine's deb entries (deb822 .sources files and one-line .list files).
{
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:([^\n]*[ \t])?deb([ \t]|\n|$)/ && !/(^|\n)Enabled: *no/ {
           gsub(/(^|\n)#[^\n]*/, "")
           sub(/Types:[^\n]*/, "Types: deb-src")
           print
         }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$f"
  done
} >"$apt_dir/sources/debsrc.sources.tmp"
# One-line entries and deb822 stanzas go to files of their own kind.
grep -E '^deb-src ' "$apt_dir/sources/debsrc.sources.tmp" >"$apt_dir/sources/debsrc.list" || true
grep -v -E '^deb-src ' "$apt_dir/sources/debsrc.sources.tmp" >"$apt_dir/sources/debsrc.sources" || true
rm -f "$apt_dir/sources/debsrc.sources.tmp"
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources/none.list" -o "Dir::Etc::SourceParts=$apt_dir/sources"
          -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache"
          -o "Dir::State::status=/var/lib/dpkg/status" -o Debug::NoLocking=true
          -o "APT::Sandbox::User=$(id -un)")
src="$work/src"
if [ ! -f "$src/.extracted" ]; then
  printf 'Qt for Windows: fetching the source of %s %s ... ' "$package" "$version" >&2
  apt-get "${apt_opts[@]}" update >>"$log" 2>&1 || fail "apt-get update with the deb-src entries"
  rm -rf "$work/download"
  mkdir -p "$work/download"
  # --download-only: apt checks each file against the signed Sources index; dpkg-source below checks
  # the files against the .dsc again while it unpacks them.
  (cd "$work/download" && apt-get "${apt_opts[@]}" source --download-only "$package=$version") >>"$log" 2>&1 \
    || fail "apt-get source $package=$version"
  rm -rf "$src"
  dsc=$(ls "$work"/download/*.dsc)
  dpkg-source --no-check -x "$dsc" "$src" >>"$log" 2>&1 || fail "dpkg-source -x $dsc"
  touch "$src/.extracted"
  say "done."
fi

# ---- the cross build ----
# The toolchain is copied into the cache: Qt's own toolchain file keeps its path for later builds.
mkdir -p "$prefix"
cp "$here/cmake/mingw-w64-x86_64.cmake" "$prefix/mingw-w64-x86_64.cmake"
build="$work/build"
rm -rf "$build"
printf 'Qt for Windows: configuring ... ' >&2
# Qt's bundled zlib, PCRE2, libpng, libjpeg, HarfBuzz and FreeType; nothing the program does not use
# (no OpenGL, D-Bus, SQL, Concurrent, Xml, Vulkan, Test). Qt 6.4 leaves its dynamic OpenGL on without
# OpenGL, and its Windows plugin then does not compile: it goes off too. The dfsg source has no
# wintab, hence no tablet events.
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_testlib=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_sql_sqlite=OFF -DFEATURE_openssl=OFF \
  >>"$log" 2>&1 || fail "configuring Qt"
say "done."
start=$(date +%s)
printf 'Qt for Windows: building (%s jobs) ... ' "$(nproc)" >&2
cmake --build "$build" -j "$(nproc)" >>"$log" 2>&1 || fail "building Qt"
cmake --install "$build" >>"$log" 2>&1 || fail "installing Qt"
say "done in $(( ($(date +%s) - start) / 60 )) min."
echo "$version $(date -u +%FT%TZ) $(( $(date +%s) - start )) s" >"$prefix/.complete"
rm -rf "$build"
echo "$prefix"
