#!/usr/bin/env bash
# A private Samba server for the tests, on 127.0.0.1 and a free port.
#
#   smbd.sh start DIR   makes DIR (configuration, state, shares), starts smbd in a process of
#                       its own, waits until it listens and prints its port; DIR/port and
#                       DIR/smbd.pid hold the port and the pid.
#   smbd.sh stop DIR    stops that smbd by its own pid (never any other smbd) and waits.
#
# Shares: "nas" (the account only, writable, folder DIR/nas) and "guest" (guests allowed,
# writable, DIR/guest). Account: user "tessaly", password "secret-pw", mapped to the Unix
# user root so that no system user is made. smbd needs root to serve files as that user.
set -euo pipefail

cmd="${1:-}"
dir="${2:-}"
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

SMB_USER="${TESSALY_TEST_SMB_USER:-tessaly}"
SMB_PASSWORD="${TESSALY_TEST_SMB_PASSWORD:-secret-pw}"
PY=/usr/bin/python3

free_port() {
  "$PY" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

listening() {
  "$PY" -c '
import socket, sys
s = socket.socket(); s.settimeout(0.5)
try:
    s.connect(("127.0.0.1", int(sys.argv[1])))
except OSError:
    sys.exit(1)
' "$1"
}

write_config() {
  local port="$1"
  cat > "$dir/users.map" <<MAP
root = $SMB_USER
MAP
  cat > "$dir/smb.conf" <<CONF
[global]
  workgroup = TESSALYTEST
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = $port
  disable netbios = yes
  server min protocol = SMB2_02
  private dir = $dir/private
  lock directory = $dir/lock
  state directory = $dir/state
  cache directory = $dir/cache
  pid directory = $dir/pid
  ncalrpc dir = $dir/ncalrpc
  log file = $dir/log/smbd.log
  log level = 1
  passdb backend = tdbsam:$dir/private/passdb.tdb
  username map = $dir/users.map
  map to guest = Bad User
  guest account = nobody
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  kernel oplocks = no

[nas]
  path = $dir/nas
  read only = no
  guest ok = no
  valid users = root

[guest]
  path = $dir/guest
  read only = no
  guest ok = yes
  force user = root
CONF
}

stop_server() {
  local pidfile="$dir/smbd.pid"
  [ -f "$pidfile" ] || return 0
  local pid
  pid="$(cat "$pidfile")"
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    # smbd runs in a session of its own (setsid): at exit it signals its whole process
    # group, which must not be the caller's. Its children (one per client) are ended by
    # their own pids too.
    local children
    children="$(pgrep -P "$pid" 2>/dev/null || true)"
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
    for child in $children; do kill -KILL "$child" 2>/dev/null || true; done
    # Stopped means gone: the server and every child it had (they are not ours to wait for,
    # so their ends are watched by pid).
    for _ in $(seq 1 100); do
      local alive=""
      for p in "$pid" $children; do
        if kill -0 "$p" 2>/dev/null && [ "$(cat /proc/$p/stat 2>/dev/null | awk '{print $3}')" != "Z" ]; then
          alive="$alive $p"
        fi
      done
      [ -z "$alive" ] && break
      sleep 0.05
    done
    if [ -n "${alive:-}" ]; then
      echo "smbd.sh: smbd processes still running:$alive" >&2
      rm -f "$pidfile"
      return 1
    fi
  fi
  rm -f "$pidfile"
}

case "$cmd" in
  start)
    if [ "$(id -u)" -ne 0 ]; then
      echo "smbd.sh: smbd needs root" >&2
      exit 3
    fi
    mkdir -p "$dir"
    dir="$(cd "$dir" && pwd)"
    mkdir -p "$dir"/{private,lock,state,cache,pid,ncalrpc,log,nas,guest}
    chmod 0777 "$dir/guest"
    printf '%s\n%s\n' "$SMB_PASSWORD" "$SMB_PASSWORD" > "$dir/private/password.txt"
    # A free port may be taken by someone else before smbd binds it: try a few.
    for attempt in 1 2 3 4 5; do
      port="$(free_port)"
      write_config "$port"
      if [ "$attempt" -eq 1 ]; then
        smbpasswd -c "$dir/smb.conf" -a -s root < "$dir/private/password.txt" > /dev/null 2>&1
      fi
      setsid smbd --foreground --no-process-group --configfile="$dir/smb.conf" \
        < /dev/null >> "$dir/log/stdout.log" 2>&1 &
      pid=$!
      echo "$pid" > "$dir/smbd.pid"
      echo "$port" > "$dir/port"
      for _ in $(seq 1 200); do
        kill -0 "$pid" 2>/dev/null || break
        if listening "$port"; then
          echo "$port"
          exit 0
        fi
        sleep 0.05
      done
      stop_server
    done
    echo "smbd.sh: smbd did not start; see $dir/log" >&2
    exit 1
    ;;
  stop)
    dir="$(cd "$dir" 2>/dev/null && pwd || echo "$dir")"
    stop_server || exit 1
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
