#!/usr/bin/env bash
# The doorbell under a flood: one real program (member 2 of a folder of its own, on the offscreen
# platform) takes 10,000 datagrams a second for 10 s on its bell port, a third of them bells for it
# (its folder, its number), a third bells of another folder and a third malformed. Prints the checks
# the flood made it run (its opens of the log, counted by inotify) and the processor time it used
# meanwhile. Goals: at most one check a second (a bell's second check included), under 5% of one core.
#
#   bash bench/doorbell_flood.sh <tackwisp binary> <tools folder> [rate per second=10000] [seconds=10]
set -euo pipefail
exe=$(readlink -f "${1:?usage: doorbell_flood.sh <tackwisp binary> <tools folder> [rate] [seconds]}")
tools=$(readlink -f "${2:?tools folder}")
rate=${3:-10000}
seconds=${4:-10}

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/prog1" "$work/shared" "$work/home/.config/tackwisp" "$work/runtime"
chmod 700 "$work/runtime"
# The program with its shape files, as installed (without them it asks about them first).
cp "$exe" "$(dirname "$exe")"/FSTYLE.* "$work/prog/"
port=$((43000 + $$ % 1000))
printf '[doorbell]\nport=%s\n' "$port" >"$work/home/.config/tackwisp/tackwisp.ini"
"$tools/member_folder" write "$work/prog1" "$work/shared" "佐藤" 'unused' 0 0 1500 1500 >/dev/null
"$tools/add_member" "$work/prog1" "$work/shared" 1 "佐藤" 0 5 'メモ' 1500 1500 3000 1500 >/dev/null
"$tools/add_member" "$work/prog" "$work/shared" 2 "鈴木" 0 5 'メモ' 1500 1500 3000 1500 >/dev/null
: >"$work/shared/GRPINLY.FLG"

HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen "$work/prog/tackwisp" \
  >"$work/program.log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/shared/FOLDER.UID" ] && break
  sleep 0.1
done
[ -s "$work/shared/FOLDER.UID" ] || { echo "the program did not start its bell"; cat "$work/program.log"; exit 1; }
sleep 1   # the start-up's own check is over

python3 - "$work/shared" "$port" "$rate" "$seconds" "$pid" <<'EOF'
import ctypes, os, select, socket, struct, sys, time

folder, port, rate, seconds, pid = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]), sys.argv[5]
ident = bytes.fromhex(open(os.path.join(folder, "FOLDER.UID")).read().strip())
mine = b"TWBL\x01" + ident + struct.pack("<Hh", 1, 2)
other = b"TWBL\x01" + bytes(16) + struct.pack("<Hh", 1, 2)
garbage = b"TWBL\x01" + ident + struct.pack("<H", 300)
kinds = [mine, other, garbage]

# Opens of the log by anybody (only the program here): one per check.
libc = ctypes.CDLL(None, use_errno=True)
ino = libc.inotify_init1(os.O_NONBLOCK)
libc.inotify_add_watch(ino, folder.encode(), 0x20)  # IN_OPEN

def opens():
    n = 0
    while True:
        r, _, _ = select.select([ino], [], [], 0)
        if not r:
            return n
        buf = os.read(ino, 65536)
        i = 0
        while i < len(buf):
            _, _, _, length = struct.unpack_from("iIII", buf, i)
            name = buf[i + 16:i + 16 + length].rstrip(b"\0")
            n += name == b"GRPINLY.FLG"
            i += 16 + length

def cpu():
    f = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")

opens()
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start_cpu, start = cpu(), time.monotonic()
sent = 0
while True:
    elapsed = time.monotonic() - start
    if elapsed >= seconds:
        break
    due = int(elapsed * rate) + 1
    while sent < due:
        s.sendto(kinds[sent % 3], ("127.0.0.1", port))
        sent += 1
    time.sleep(0.002)
time.sleep(0.5)
used, wall = cpu() - start_cpu, time.monotonic() - start
checks = opens()
print(f"flood: {sent} datagrams in {seconds:.0f} s ({sent / seconds:.0f} a second)")
print(f"checks run: {checks} ({checks / wall:.2f} a second; goal at most 1)")
print(f"processor time of the program: {used:.2f} s in {wall:.1f} s = {100 * used / wall:.1f}% of one core (goal under 5%)")
sys.exit(0 if checks <= wall + 1 and used / wall < 0.05 else 1)
EOF
