#!/usr/bin/env bash
# Runs a command inside a small private network for the NAS discovery tests, so that no
# discovery datagram ever reaches the machine's own interfaces.
#
# Four network namespaces of this run (names carry the pid, so parallel runs never meet):
#
#   controller  tdA 10.99.1.1/24 ---- tdA 10.99.1.2/24  nas1
#               tdB 10.99.2.1/24 ---- tdB 10.99.2.2/24  nas2
#               tdC 10.99.3.1/24 ---- tdC 10.99.3.2/24  nas3   (one device on two links)
#               tdD 10.99.4.1/24 ---- tdD 10.99.4.2/24  nas3
#
# The command runs in the controller namespace with TESSALY_DISCOVERY_NAS_NETNS set to the
# three NAS namespace names (in that order); it starts its fake devices in them with
# "ip netns exec". At the end, whatever happens, every process left in the namespaces (all
# started by this run) is stopped and the namespaces are removed. A run killed outright
# (SIGKILL, as a test timeout does) cannot clean up; the next run removes what such a run
# left: the namespaces named after a pid that no longer lives.
#
# Needs root and iproute2; without them it exits with 77 (the test is skipped).
set -u

if [ "$#" -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null 2>&1; then
  echo "discovery-netns-run: needs root and iproute2; skipped" >&2
  exit 77
fi

tag="tsd$$"
ctl="$tag-ctl"
nas1="$tag-nas1"
nas2="$tag-nas2"
nas3="$tag-nas3"
made=()

cleanup() {
  local ns pids
  for ns in "${made[@]}"; do
    pids=$(ip netns pids "$ns" 2>/dev/null)
    # shellcheck disable=SC2086
    [ -n "$pids" ] && kill -TERM $pids 2>/dev/null
  done
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    local left=""
    for ns in "${made[@]}"; do left="$left$(ip netns pids "$ns" 2>/dev/null)"; done
    [ -z "$left" ] && break
    sleep 0.2
  done
  for ns in "${made[@]}"; do
    pids=$(ip netns pids "$ns" 2>/dev/null)
    # shellcheck disable=SC2086
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
    ip netns del "$ns" 2>/dev/null
  done
}
child=""
stop_child() {
  [ -n "$child" ] && kill -TERM "$child" 2>/dev/null && wait "$child" 2>/dev/null
  exit "$1"
}
trap cleanup EXIT
trap 'stop_child 130' INT
trap 'stop_child 143' TERM

# Namespaces of earlier runs that were killed before they could remove them.
stale=$(ip netns list 2>/dev/null |
  sed -n 's/^\(tsd[0-9]*-\(ctl\|nas[123]\)\)\( .*\)\{0,1\}$/\1/p')
for ns in $stale; do
  pid="${ns#tsd}"
  pid="${pid%%-*}"
  [ -d "/proc/$pid" ] && continue
  pids=$(ip netns pids "$ns" 2>/dev/null)
  # shellcheck disable=SC2086
  [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
  ip netns del "$ns" 2>/dev/null
done

fail() {
  echo "discovery-netns-run: $*" >&2
  exit 1
}

for ns in "$ctl" "$nas1" "$nas2" "$nas3"; do
  ip netns add "$ns" || fail "cannot make namespace $ns"
  made+=("$ns")
  ip -n "$ns" link set lo up || fail "no loopback in $ns"
done

# link NAME PEER-NAMESPACE SUBNET: a veth pair made straight inside the two namespaces (it
# never exists in the machine's own), .1 on the controller's end and .2 on the device's.
link() {
  local name="$1" peer="$2" subnet="$3"
  ip link add "$name" netns "$ctl" type veth peer name "$name" netns "$peer" ||
    fail "cannot make the link $name"
  ip -n "$ctl" addr add "$subnet.1/24" dev "$name" || fail "address on $name"
  ip -n "$peer" addr add "$subnet.2/24" dev "$name" || fail "address on $name"
  ip -n "$ctl" link set "$name" up || fail "$name down"
  ip -n "$peer" link set "$name" up || fail "$name down"
}
link tdA "$nas1" 10.99.1
link tdB "$nas2" 10.99.2
link tdC "$nas3" 10.99.3
link tdD "$nas3" 10.99.4

# Wait until every link carries its address and has a carrier (veth is quick, not instant).
for _ in $(seq 50); do
  up=$(ip -n "$ctl" -4 -o addr show up | grep -c ' 10\.99\.')
  carrier=$(ip -n "$ctl" -o link show | grep -c 'td[ABCD]@.*LOWER_UP')
  [ "$up" -eq 4 ] && [ "$carrier" -eq 4 ] && break
  sleep 0.1
done

export TESSALY_DISCOVERY_NAS_NETNS="$nas1 $nas2 $nas3"
# In the background, so that a TERM or INT reaches the trap at once, not after the command.
ip netns exec "$ctl" "$@" &
child=$!
wait "$child"
rc=$?
child=""
exit "$rc"
