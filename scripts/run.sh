#!/usr/bin/env bash
# Installs what the project needs, builds it, and runs the service in the console with its
# configuration folder inside a folder of the user's (no root needed). With a display
# ($DISPLAY or $WAYLAND_DISPLAY) it then opens the controller window TessalySync on the same
# folder and stops the service when the window is closed. Without a display it backs up a
# sample folder to a local destination folder, shows where the versions are, and keeps the
# service running until Ctrl-C. Run it again after changing files of the sample folder: each
# run makes one more version.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_TESTS=OFF
cmake --build build

export TESSALY_ROOT="${TESSALY_ROOT:-$HOME/tessaly-demo}"
config="$TESSALY_ROOT/var/lib/Tessaly"
sample="$TESSALY_ROOT/sample"
backups="$TESSALY_ROOT/backups"
uuid="5b1e1d0c-7a8f-4c2e-9d3b-2f6a4e8c1b07"
mkdir -p "$TESSALY_ROOT/var/lib" "$backups"
# The configuration folder holds the tasks' accounts: it follows the service's rights rule,
# 2770 with the group tessaly when the user may use that group, else 0700, and so do its
# files (0660 with the group, else 0600).
if [ ! -d "$config" ]; then
  install -d -m 2770 -g tessaly "$config" 2>/dev/null || install -d -m 0700 "$config"
fi
file_rights() {
  if [ "$(stat -c %G "$config")" = tessaly ]; then
    chgrp tessaly "$1" && chmod 0660 "$1"
  else
    chmod 0600 "$1"
  fi
}
if [ ! -d "$sample" ]; then
  mkdir -p "$sample/notes"
  printf 'A sample file to back up.\n' > "$sample/readme.txt"
  printf 'Change me and run scripts/run.sh again.\n' > "$sample/notes/todo.txt"
fi
# One task, "Sample", backing up the sample folder (all files) by hand. The global settings
# are the service's own defaults (it writes GLOBAL_SETTING.dat when there is none).
if [ ! -f "$config/SESSION_CONFIG.dat" ]; then
  python3 tests/system/taskfile.py "$config/SESSION_CONFIG.dat" --task uuid="$uuid" name=Sample \
    sources="$sample" destination="$backups" extensions=".*"
  file_rights "$config/SESSION_CONFIG.dat"
fi

echo "Configuration folder: $config/ (the log is LOG.txt there)"
./build/daemon/daemon -s "$@" &
daemon_pid=$!
trap 'kill -TERM "$daemon_pid" 2>/dev/null || true; wait "$daemon_pid" 2>/dev/null || true' INT TERM

# A service that could not start ends at once: say so and stop, rather than wait for it.
service_failed() {
  local code=0
  wait "$daemon_pid" || code=$?
  echo "The service stopped (exit code $code) before the backup completed; its messages are" \
       "above, its log is $config/LOG.txt." >&2
  exit 1
}
sleep 1
kill -0 "$daemon_pid" 2>/dev/null || service_failed

# With a display: the controller's window on the same configuration folder; closing it stops
# the service.
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening the controller window TessalySync; close it to stop the service."
  ./build/controller/TessalySync || true
  kill -TERM "$daemon_pid" 2>/dev/null || true
  wait "$daemon_pid" 2>/dev/null || true
  exit 0
fi

# Asks the service over its link (UDP on 127.0.0.1:7502) to back up the task, as the
# controller's "backup now" does, then waits until the version is complete.
status=0
/usr/bin/python3 - "$uuid" "$backups/$uuid" "$daemon_pid" <<'PY' || status=$?
import os, socket, sqlite3, struct, sys, time
uuid, tree, service = sys.argv[1], sys.argv[2], sys.argv[3]

def service_running():
    # The service is this script's child: once it ends it stays a zombie until waited for.
    try:
        with open("/proc/%s/stat" % service) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False

def versions():
    try:
        con = sqlite3.connect("file:%s?mode=ro" % os.path.join(tree, "history.db"), uri=True)
        rows = con.execute("select No, Real_time from time_tbl order by No").fetchall()
        con.close()
        con = sqlite3.connect("file:%s?mode=ro" % os.path.join(tree, "status.db"), uri=True)
        word = con.execute("select Real_status from status_tbl").fetchone()[0]
        con.close()
        return rows, word
    except (sqlite3.Error, TypeError):
        return [], ""

before = len(versions()[0])
# One socket for every request, kept open: the service serves only requests whose sending
# socket it finds, and it looks the socket up after the datagram arrived.
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
payload = uuid.encode() + b"\0"
request = struct.pack("<BBHQQQ", 0, 1, 28 + len(payload), 0, os.getpid(), int(time.time())) + payload
deadline = time.time() + 600
sent = 0.0
while time.time() < deadline:
    if not service_running():
        sys.exit(3)
    rows, word = versions()
    if len(rows) > before and word == "complete":
        break
    if time.time() - sent > 15 and len(rows) == before:
        # Sent again until the service has taken it (it may still be starting).
        s.sendto(request, ("127.0.0.1", 7502))
        request = request[:20] + struct.pack("<Q", int(time.time() * 1000)) + request[28:]
        sent = time.time()
    time.sleep(0.5)
else:
    print("the backup did not complete; see LOG.txt", file=sys.stderr)
    sys.exit(4)
print()
print("Backup of the sample folder is complete. The task tree is %s:" % tree)
print("  newest copy of the sample folder: %s" % os.path.join(tree, "last", "id0"))
for number, when in rows:
    print("  version %d, started %s: %s" % (number, when,
          os.path.join(tree, "increments", str(number), "id0")))
print("Press Ctrl-C to stop the service.")
PY
if [ "$status" -eq 3 ]; then service_failed; fi
if [ "$status" -ne 0 ]; then
  kill -TERM "$daemon_pid" 2>/dev/null || true
  wait "$daemon_pid" 2>/dev/null || true
  exit 1
fi
wait "$daemon_pid"
