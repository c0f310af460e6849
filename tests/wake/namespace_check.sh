#!/usr/bin/env bash
# The wake-up on real sockets: `zenta wake` sends the magic packet inside a network namespace
# that this script makes for itself (unshare --net), where the only networks are its own: an
# interface with the address 192.168.10.20/24 and a default route through it, so that the
# limited broadcast has a route. A listener in the same namespace receives on ports 7 and 9 and
# must get exactly the forty datagrams the tool lists, each the 102-byte magic packet.
# Nothing is ever sent from the machine's own namespace: without a namespace of its own the
# check is skipped (exit 77) and says why.
#
# Usage: namespace_check.sh ZENTA
set -euo pipefail
zenta=$(realpath "$1")
address=00:1B:2C:3D:4E:5F

if [[ ${2:-} != --inside ]]; then
  if ! why=$(unshare --net true 2>&1); then
    echo "SKIP: no private network namespace can be made here (unshare --net: ${why:-refused}); the wake-up was not sent"
    exit 77
  fi
  exec unshare --net bash "$0" "$zenta" --inside
fi

# ---- inside the private namespace from here on
fail() { echo "FAIL: $*"; exit 1; }
# A fresh namespace holds nothing but its loopback: anything else means this is not one.
[[ -z $(ip -o link show | grep -v ': lo:') ]] || fail "not inside a fresh network namespace; nothing sent"

ip link set lo up
link=wake0 kind=dummy
if ! ip link add wake0 type dummy 2>/dev/null; then
  kind=veth
  # Where the dummy driver is not available, one end of a veth pair serves the same way.
  ip link add wake0 type veth peer name wake1
  ip link set wake1 up
fi
ip addr add 192.168.10.20/24 dev "$link"
ip link set "$link" up
ip route add default dev "$link"

work=$(mktemp -d)
trap 'kill "${listener:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# The listener notes "DESTINATION PORT LENGTH" per datagram (the destination from IP_PKTINFO)
# and whether every payload was the magic packet.
python3 - "$address" "$work" <<'PY' &
import socket, sys, threading, struct, os
address = bytes.fromhex(sys.argv[1].replace(':', ''))
magic = b'\xff' * 6 + address * 16
IP_PKTINFO = getattr(socket, 'IP_PKTINFO', 8)  # the Linux number, for Pythons without the name
work = sys.argv[2]
lines, bad = [], []
def listen(port, ready):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    s.bind(('', port))
    s.settimeout(3.0)
    ready.set()
    try:
        while True:
            data, ancillary, _, _ = s.recvmsg(2048, socket.CMSG_SPACE(12))
            destination = '?'
            for level, kind, payload in ancillary:
                if level == socket.IPPROTO_IP and kind == IP_PKTINFO:
                    destination = socket.inet_ntoa(payload[8:12])
            lines.append(f'{destination} {port} {len(data)}')
            if data != magic:
                bad.append(f'{destination} {port}')
    except socket.timeout:
        pass
threads = []
for port in (7, 9):
    ready = threading.Event()
    t = threading.Thread(target=listen, args=(port, ready))
    t.start()
    ready.wait(5)
    threads.append(t)
open(os.path.join(work, 'ready'), 'w').close()
for t in threads:
    t.join()
with open(os.path.join(work, 'received'), 'w') as f:
    f.write(''.join(l + '\n' for l in sorted(lines)))
with open(os.path.join(work, 'bad'), 'w') as f:
    f.write(''.join(l + '\n' for l in bad))
PY
listener=$!
for _ in $(seq 100); do [[ -e $work/ready ]] && break; sleep 0.05; done
[[ -e $work/ready ]] || fail "the listener did not start"

env -u ZENTA_WAKE_LOG "$zenta" wake "$address" > "$work/sent" || fail "zenta wake failed"
wait "$listener"

sort "$work/sent" > "$work/sent.sorted"
sent=$(wc -l < "$work/sent")
received=$(wc -l < "$work/received")
echo "sent $sent datagrams, received $received"
((sent == 40)) || fail "the tool sent $sent datagrams, not 40"
diff -u "$work/sent.sorted" "$work/received" || fail "what arrived is not what was sent"
[[ ! -s $work/bad ]] || fail "datagrams that are not the magic packet: $(cat "$work/bad")"
for destination in "255.255.255.255 7" "192.168.10.255 7" "255.255.255.255 9" "192.168.10.255 9"; do
  n=$(grep -c "^$destination 102\$" "$work/received" || true)
  ((n == 10)) || fail "$n datagrams to $destination, not 10"
done
# The tool lists them in send order: each pass the four sockets in list order.
expected_pass=$'255.255.255.255 7 102\n192.168.10.255 7 102\n255.255.255.255 9 102\n192.168.10.255 9 102'
[[ $(head -4 "$work/sent") == "$expected_pass" ]] || fail "the first pass is not in socket list order"
echo "PASS: 40 magic packets received inside the private namespace on a $kind interface"
