#!/usr/bin/env bash
# Installs the Debian packages that are missing, for one purpose:
#   scripts/install-deps.sh run    building and running the program (./run)
#   scripts/install-deps.sh test   that, and everything the tests need (./test)
# Prints one line; apt's own output goes to a log that is shown only when the installation fails.
# Not root: uses sudo; without sudo it names the missing packages and the command to run as root,
# and ends with exit status 1.
set -euo pipefail

# Building and running the program: the compiler and build tools, Qt with its Japanese translations
# (Qt's standard buttons and dialogs), a Japanese font, and xcb for asking the X server where a
# window is.
run_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev qt6-translations-l10n fonts-noto-cjk)
# A virtual display: ./run uses one when there is no display; the screen tests always do.
display_packages=(xvfb xauth)
# The tests: GoogleTest; the benchmarks (Google Benchmark, and X11/xcb for the start-up benchmark's
# screen watcher); xdotool, the hand of the real runs (menus, lists, buttons, drags); poppler-utils
# (pdftotext, pdftoppm) to read a printed tally back; the Windows build of the core (mingw-w64) and Wine to run its tests. `wine` is named
# as well as `wine64`: it brings the wine, wineboot and wineserver commands, and wine64 only
# recommends it. A light window manager (openbox) and xprop (x11-utils) for the run that reads a
# note window's state as the manager keeps it; a compositing manager (xcompmgr) for the run of a
# see-through note on a desktop that composes its windows. Two real input methods for Japanese, Mozc
# under ibus (Qt 6 brings its ibus input context) and under fcitx5 (with its Qt 6 input context), each
# on a session bus of its own (dbus-daemon).
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libxcb1-dev xdotool poppler-utils
               g++-mingw-w64-x86-64 wine64 wine openbox x11-utils xcompmgr
               ibus ibus-mozc mozc-server fcitx5 fcitx5-mozc fcitx5-frontend-qt6 dbus-daemon)
# The installed program (tests/install): desktop-file-validate (desktop-file-utils) for its desktop
# entry, inotifywait (inotify-tools) to see which of its files it reads; for its Debian package
# dpkg-buildflags, dpkg-shlibdeps and dpkg-deb (dpkg-dev), and file, which cpack needs.
test_packages+=(desktop-file-utils inotify-tools dpkg-dev file)
# The Windows program (scripts/build-qt-windows.sh, cmake/WindowsProgram.cmake): Qt for Windows is
# built from Debian's source, which apt-get source fetches and dpkg-source (dpkg-dev) unpacks, with
# Perl for Qt's header generator; NSIS (makensis) makes its installer.
test_packages+=(nsis perl)
# The fuzz targets: clang with the runtimes of libFuzzer and the sanitizers, and llvm-symbolizer for
# readable reports.
test_tool_packages=(clang libclang-rt-14-dev llvm)
# The tests on a real SMB share (tests/smb, tests/support/smb_share.sh): a Samba server of their own
# (samba) and two smbnetfs mounts of its share, which are two computers to the program, through FUSE
# (fuse brings fusermount; where fuse3 is installed, its fusermount3 serves, as fuse would replace it).
smb_test_packages=(samba smbnetfs)
if ! dpkg-query -W -f='${Status}' fuse3 2>/dev/null | grep -q "install ok installed"; then
  smb_test_packages+=(fuse)
fi

purpose=${1:-}
case "$purpose" in
  run)
    packages=("${run_packages[@]}")
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then packages+=("${display_packages[@]}"); fi
    ;;
  test)
    packages=("${run_packages[@]}" "${display_packages[@]}" "${test_packages[@]}" "${test_tool_packages[@]}"
              "${smb_test_packages[@]}")
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "Packages ($purpose): all ${#packages[@]} installed."
  exit 0
fi

# Not root and no way to become root here: say what to do, and stop.
ask_root() {
  {
    echo "Missing Debian packages: ${missing[*]}"
    echo "$1 Install them as root, then start ./$purpose again:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
  } >&2
  exit 1
}
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || ask_root "This user is not root and sudo is not installed."
  # Asks for the password (if any) now, on the terminal, not hidden in the log below.
  sudo -v || ask_root "sudo did not let this user act as root."
  as_root=(sudo)
fi

log=$(mktemp -t tackwisp-apt.XXXXXX)
printf 'Packages (%s): installing %d missing: %s ... ' "$purpose" "${#missing[@]}" "${missing[*]}"
apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
if "${apt[@]}" update >"$log" 2>&1 && "${apt[@]}" install -y "${missing[@]}" >>"$log" 2>&1; then
  # Where systemd runs, the samba package starts the system's own Samba server, which would hold port
  # 445 that the tests' server needs. One installed just now is stopped and disabled again; one that
  # was there before is left alone (tests/support/smb_share.sh names it when it is in the way).
  if [[ " ${missing[*]} " == *" samba "* ]] && [ -d /run/systemd/system ] && command -v systemctl >/dev/null 2>&1; then
    "${as_root[@]}" systemctl disable --now smbd nmbd samba-ad-dc >>"$log" 2>&1 || true
  fi
  echo "done."
  rm -f "$log"
else
  echo "FAILED."
  echo "--- the end of apt's output (all of it: $log):" >&2
  tail -n 40 "$log" >&2
  exit 1
fi
