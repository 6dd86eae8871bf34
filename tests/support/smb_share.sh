# A real SMB share for the tests that need one (sourced): a Samba server of our own on
# 127.0.0.1:445 with a private configuration, and two independent smbnetfs (FUSE) mounts of its share,
# each with its own HOME and so its own client configuration and connection. To the program the two
# mounts are two computers on one network share.
#
#   smb_share_start <workdir>
#       Starts the server and both mounts under <workdir> (an empty folder of the caller's) and waits
#       until a file made through one mount is seen through the other and on the server. Sets
#         SMB_SHARE_DIR   the share's folder on the server side (what the server itself stores)
#         SMB_MOUNT1      the share seen through the first mount
#         SMB_MOUNT2      the share seen through the second mount
#       and arranges for smb_share_stop on EXIT: the commands in SMB_SHARE_ON_EXIT run before it (to
#       end the test's own processes that still use the share), those in SMB_SHARE_AFTER_EXIT after it
#       (e.g. to remove <workdir>, which is safe only once the mounts are gone).
#       Fails with a line saying why (return status 1) where FUSE, smbd or smbnetfs is missing, port
#       445 is taken by somebody else (or by another run of these tests for too long), or the server
#       or a mount does not come up: it never skips.
#   smb_share_stop
#       Unmounts both mounts and stops the server; harmless when called twice.
#   "${SMB_AS_COMPUTER[@]}" <host name> <command> [arguments...]
#       Runs the command as a program of another computer: with a host name of its own (in a UTS
#       namespace), by which the lock between members tells the programs of its own computer (whose
#       death it can see at once) from those of others. Both mounts are on this computer otherwise.
#       A command line, not a function, so that it can follow timeout or run in the background.
#
# One run at a time on a computer, as there is one port 445: a run holds a lock file in the temporary
# folder (flock) from its start to its stop, and a second run (another CTest, another developer's)
# waits for it. The lock is held by a small process of its own that ends with the test's shell, so
# that no other child of the test keeps it. A run that was killed before it could stop (a timeout,
# a SIGKILL) so lets go of the lock within a second, but leaves its server and mounts behind: it
# names its working folder in an owner file beside the lock, and the next run to get the lock stops
# what that folder's run left.
#
# Needs root: the server must listen on port 445 (the SMB client library of smbnetfs does not take
# another port) and serves the share as root. The packages come with scripts/install-deps.sh test.

SMB_SHARE_DIR=
SMB_MOUNT1=
SMB_MOUNT2=
_smb_work=
_smb_pids=()
_smb_owner_file="${TMPDIR:-/tmp}/tackwisp-smb445.owner"
_smb_lock_file="${TMPDIR:-/tmp}/tackwisp-smb445.lock"
_smb_lock_pid=
_smb_lock_wait=150   # seconds a run waits for another one

_smb_say() { echo "smb_share: $*" >&2; }

# Whether something accepts connections on 127.0.0.1:445.
_smb_port_answers() { (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null; }

_smb_unmount() {  # _smb_unmount <mount point>
  local m=$1 tool _
  for tool in fusermount fusermount3; do
    if command -v "$tool" >/dev/null 2>&1; then break; fi
  done
  for _ in 1 2 3 4 5; do
    grep -qs " $m fuse" /proc/mounts || return 0
    "$tool" -u "$m" 2>/dev/null || umount "$m" 2>/dev/null || true
    grep -qs " $m fuse" /proc/mounts || return 0
    sleep 0.5
  done
  # Still busy (a process of a failed test still inside it): detach it now, it goes when unused.
  "$tool" -u -z "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
}

# Ends one process of ours: TERM, up to 10 s, then KILL.
_smb_end_pid() {  # _smb_end_pid <pid>
  local pid=$1 _
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# Whether process <pid> runs <command name> with an argument that names something under <folder>.
_smb_pid_is_ours() {  # _smb_pid_is_ours <pid> <command name> <folder>
  local cmdline
  [ -r "/proc/$1/cmdline" ] || return 1
  cmdline=$(tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null) || return 1
  case "$cmdline" in
    *"$2"*"$3/"*) return 0 ;;
  esac
  return 1
}

# Stops what a run in <workdir> left running: its mounts, its smbnetfs processes, its server.
_smb_clear_leftovers() {  # _smb_clear_leftovers <workdir>
  local w=$1 m pid found=0
  [ -n "$w" ] || return 0
  while read -r _ m _; do
    case "$m" in
      "$w"/*) found=1; _smb_unmount "$m" ;;
    esac
  done </proc/mounts
  for pid in $(pgrep -x smbnetfs 2>/dev/null); do
    if _smb_pid_is_ours "$pid" smbnetfs "$w"; then found=1; _smb_end_pid "$pid"; fi
  done
  if [ -f "$w/run/smbd.pid" ]; then
    pid=$(cat "$w/run/smbd.pid" 2>/dev/null)
    if [ -n "$pid" ] && _smb_pid_is_ours "$pid" smbd "$w"; then found=1; _smb_end_pid "$pid"; fi
  fi
  # The server's children follow their parent; give them a moment to let go of the port.
  for pid in $(pgrep -x smbd 2>/dev/null); do
    if _smb_pid_is_ours "$pid" smbd "$w"; then found=1; kill -TERM "$pid" 2>/dev/null || true; fi
  done
  if [ "$found" = 1 ]; then _smb_say "stopped the server and mounts an earlier run left in $w"; fi
}

_smb_wait_port_free() {
  local _
  for _ in $(seq 1 100); do
    _smb_port_answers || return 0
    sleep 0.1
  done
  return 1
}

_smb_port_holder() {
  if command -v ss >/dev/null 2>&1; then
    ss -ltnpH 'sport = :445' 2>/dev/null
  else
    echo "(ss is not installed to name it)"
  fi
}

_smb_on_exit() {
  local rc=$?
  if [ -n "${SMB_SHARE_ON_EXIT:-}" ]; then eval "$SMB_SHARE_ON_EXIT" || true; fi
  smb_share_stop || true
  if [ -n "${SMB_SHARE_AFTER_EXIT:-}" ]; then eval "$SMB_SHARE_AFTER_EXIT" || true; fi
  exit "$rc"
}

# One mount with its own HOME: client configuration, smbnetfs configuration, mount point.
_smb_mount() {  # _smb_mount <client folder>
  local c=$1
  mkdir -p "$c/.smb" "$c/mnt"
  cat >"$c/.smb/smb.conf" <<'EOF'
[global]
  client min protocol = SMB2
  disable netbios = yes
  name resolve order = host
EOF
  cat >"$c/.smb/smbnetfs.conf" <<'EOF'
smb_query_browsers "false"
show_hidden_hosts "true"
auth "guest" ""
host 127.0.0.1 visible=true
EOF
  # smbnetfs refuses a configuration that others can read.
  chmod 600 "$c/.smb/smb.conf" "$c/.smb/smbnetfs.conf"
  # In the foreground (-f) as a child of this shell, so that its process id is known.
  HOME=$c smbnetfs "$c/mnt" -f -o "config=$c/.smb/smbnetfs.conf" </dev/null >"$c/smbnetfs.log" 2>&1 &
  _smb_pids+=($!)
}

smb_share_start() {  # smb_share_start <workdir>
  local work
  work=$(cd "${1:?usage: smb_share_start <workdir>}" && pwd) || { _smb_say "no folder $1"; return 1; }
  # From here on every way out of the test stops what was started (nothing, when this start fails
  # early) and runs the caller's commands.
  trap _smb_on_exit EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # What the share needs, each missing piece named.
  local missing=()
  [ -c /dev/fuse ] || missing+=("/dev/fuse (the FUSE device; a container needs --device /dev/fuse)")
  command -v fusermount >/dev/null 2>&1 || command -v fusermount3 >/dev/null 2>&1 ||
    missing+=("fusermount (package fuse)")
  command -v smbd >/dev/null 2>&1 || [ -x /usr/sbin/smbd ] || missing+=("smbd (package samba)")
  command -v smbnetfs >/dev/null 2>&1 || missing+=("smbnetfs (package smbnetfs)")
  command -v flock >/dev/null 2>&1 || missing+=("flock (package util-linux)")
  command -v unshare >/dev/null 2>&1 || missing+=("unshare (package util-linux)")
  if [ ${#missing[@]} -gt 0 ]; then
    _smb_say "FAILED: cannot make a real SMB share, missing:"
    printf '  %s\n' "${missing[@]}" >&2
    _smb_say "the packages come with: bash scripts/install-deps.sh test"
    return 1
  fi
  if [ "$(id -u)" -ne 0 ]; then
    _smb_say "FAILED: a real SMB share needs root (port 445, a share served as root)"
    return 1
  fi
  local smbd_bin
  smbd_bin=$(command -v smbd 2>/dev/null || echo /usr/sbin/smbd)

  # One run at a time: the holder of the lock says "locked" once it has it, and holds it until this
  # shell ends or smb_share_stop ends the holder.
  local state=$work/.lock-state i
  : >"$state"
  ( flock -w "$_smb_lock_wait" 9 || exit 1
    echo locked >"$state"
    exec tail --pid="$$" -f /dev/null ) 9>>"$_smb_lock_file" </dev/null >/dev/null 2>&1 &
  _smb_lock_pid=$!
  for i in $(seq 1 $((_smb_lock_wait * 10 + 20))); do
    [ -s "$state" ] && break
    kill -0 "$_smb_lock_pid" 2>/dev/null || break
    if [ "$i" = 10 ]; then
      _smb_say "another run of the SMB tests on this computer holds port 445; waiting for it (up to $_smb_lock_wait s)"
    fi
    sleep 0.1
  done
  rm -f "$state"
  if ! kill -0 "$_smb_lock_pid" 2>/dev/null; then
    _smb_say "FAILED: another run of the SMB tests held port 445 for over $_smb_lock_wait s"
    _smb_lock_pid=
    return 1
  fi
  # An earlier run that could not stop (it no longer holds the lock, so it is dead): the one named
  # in the owner file, and one in this folder.
  if [ -f "$_smb_owner_file" ]; then
    _smb_clear_leftovers "$(cat "$_smb_owner_file" 2>/dev/null)"
    rm -f "$_smb_owner_file"
  fi
  _smb_clear_leftovers "$work"
  if ! _smb_wait_port_free; then
    _smb_say "FAILED: port 445 of 127.0.0.1 is taken by another program, which this test does not stop:"
    _smb_port_holder >&2
    _smb_say "(a Samba server of the system? stop it, e.g. systemctl stop smbd, and run the test again)"
    _smb_end_pid "$_smb_lock_pid"
    _smb_lock_pid=
    return 1
  fi

  _smb_work=$work
  echo "$work" >"$_smb_owner_file"

  mkdir -p "$work/share" "$work/run/ncalrpc" "$work/lock" "$work/state" "$work/cache" "$work/private" \
           "$work/logs"
  cat >"$work/smb.conf" <<EOF
[global]
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  pid directory = $work/run
  lock directory = $work/lock
  state directory = $work/state
  cache directory = $work/cache
  private dir = $work/private
  ncalrpc dir = $work/run/ncalrpc
  log file = $work/logs/log.%m
  map to guest = Bad User
  guest account = root
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
[tw]
  path = $work/share
  read only = no
  guest ok = yes
  force user = root
EOF
  # In the foreground as a child of this shell, so that its id is known; in a process group of its
  # own, as smbd ends its whole process group when it stops.
  "$smbd_bin" -F -s "$work/smb.conf" </dev/null >"$work/logs/smbd.out" 2>&1 &
  local smbd_pid=$! _
  _smb_pids+=("$smbd_pid")
  for _ in $(seq 1 150); do
    _smb_port_answers && break
    kill -0 "$smbd_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! kill -0 "$smbd_pid" 2>/dev/null || ! _smb_port_answers; then
    _smb_say "FAILED: the Samba server did not come up on 127.0.0.1:445; the end of its logs:"
    tail -n 20 "$work/logs/smbd.out" "$work"/logs/log.* >&2 2>/dev/null
    return 1
  fi

  _smb_mount "$work/c1"
  _smb_mount "$work/c2"
  SMB_SHARE_DIR=$work/share
  SMB_MOUNT1=$work/c1/mnt/127.0.0.1/tw
  SMB_MOUNT2=$work/c2/mnt/127.0.0.1/tw

  # Both mounts answer when a file made through one is seen through the other and on the server.
  local probe=.smb-share-probe.$$ up=0
  for _ in $(seq 1 200); do
    if [ -d "$SMB_MOUNT1" ] && [ -d "$SMB_MOUNT2" ] && echo probe >"$SMB_MOUNT1/$probe" 2>/dev/null &&
       [ "$(cat "$SMB_MOUNT2/$probe" 2>/dev/null)" = probe ] && [ -f "$SMB_SHARE_DIR/$probe" ]; then
      up=1
      break
    fi
    if ! kill -0 "${_smb_pids[1]}" 2>/dev/null || ! kill -0 "${_smb_pids[2]}" 2>/dev/null; then break; fi
    sleep 0.1
  done
  rm -f "$SMB_MOUNT1/$probe" 2>/dev/null || true
  if [ "$up" != 1 ]; then
    _smb_say "FAILED: the two smbnetfs mounts of the share did not answer; their logs:"
    tail -n 20 "$work/c1/smbnetfs.log" "$work/c2/smbnetfs.log" >&2 2>/dev/null
    return 1
  fi
  if [ -n "$(ls -A "$SMB_SHARE_DIR")" ]; then
    _smb_say "FAILED: the share is not empty after the probe: $(ls -A "$SMB_SHARE_DIR")"
    return 1
  fi
  echo "smb_share: Samba on 127.0.0.1:445, share seen through $SMB_MOUNT1 and $SMB_MOUNT2"
}

smb_share_stop() {
  if [ -n "$_smb_work" ]; then
    local w=$_smb_work pid
    _smb_unmount "$w/c1/mnt"
    _smb_unmount "$w/c2/mnt"
    # The mounts' processes end with their unmount, the server on TERM; all of them are ours.
    for pid in "${_smb_pids[@]}"; do _smb_end_pid "$pid"; done
    _smb_pids=()
    _smb_clear_leftovers "$w" 2>/dev/null
    if [ "$(cat "$_smb_owner_file" 2>/dev/null)" = "$w" ]; then rm -f "$_smb_owner_file"; fi
    _smb_work=
  fi
  if [ -n "$_smb_lock_pid" ]; then
    _smb_end_pid "$_smb_lock_pid"
    _smb_lock_pid=
  fi
}

SMB_AS_COMPUTER=(unshare --uts -- sh -c 'hostname "$0" && exec "$@"')
