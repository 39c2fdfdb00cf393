#!/usr/bin/env python3
"""A fake NAS for the discovery tests: answers the controller's discovery and share-list
requests on UDP port 13579 as a device of the configured kind, model and name.

It must run inside a network namespace made by the test (never on the machine's own
interfaces): it joins 224.0.0.1 on each --address and answers out of the address on which a
request arrived, either to the group (--mode mcast) or to <sender>:13579 (--mode ucast).

Requests understood (byte offsets from 0):
  discovery   byte 0 = 1, at least 7 bytes: bytes 1-6 are the request id
  share list  byte 0 = 3, 28 bytes, bytes 11-20 = this device's MAC and IPv4: answered
              with byte 0 = 4, bytes 1-10 of the request, MAC, IPv4, 7 zero bytes, then
              --shares and a NUL; a share-list request for another device gets no answer
Everything else (replies of other devices, other kinds) is ignored.

--log FILE gets one line per datagram received: "<arrival address> <hex bytes>".
--ready FILE is written once the socket listens. The program ends after --lifetime seconds.
"""
import argparse
import ipaddress
import os
import select
import socket
import struct
import sys
import time

PORT = 13579
GROUP = "224.0.0.1"
IP_PKTINFO = getattr(socket, "IP_PKTINFO", 8)


def mac_bytes(text):
    parts = text.split(":")
    if len(parts) != 6:
        raise argparse.ArgumentTypeError("MAC as six hex pairs")
    return bytes(int(p, 16) for p in parts)


def fixed(text, width):
    data = text.encode("utf-8")[:width]
    return data + b"\0" * (width - len(data))


def discovery_reply(args, request):
    """The reply to a discovery request, before any of the test switches."""
    ident = bytearray(request[1:7])
    if args.wrong_id:
        ident[0] ^= 0xFF
    out = bytearray(56)
    out[0] = args.kind
    out[1:7] = ident
    out[11:17] = args.mac
    out[17:21] = ipaddress.IPv4Address(args.ip).packed
    out[21] = ord(args.flag[0]) if args.flag else 0
    out[24:40] = fixed(args.text_a, 16)
    out[40:56] = fixed(args.text_b, 16)
    name = args.name.encode("utf-8")
    length = args.name_length if args.name_length is not None else len(name)
    tests = [int(t) for t in args.test_bytes.split(",")] if args.test_bytes else []
    if args.kind == 2:
        out += struct.pack("<I", length) + name
    elif args.kind == 7:
        tail = bytearray(12)
        tail[0:len(tests)] = bytes(tests)
        out += tail + struct.pack("<I", length) + name
    elif args.kind == 8:
        tail = bytearray(12)
        tail[0:len(tests)] = bytes(tests)
        out += tail + fixed(args.model, 32) + struct.pack("<I", length) + name
    else:
        out += struct.pack("<I", length) + name
    if args.truncate is not None:
        out = out[: args.truncate]
    return bytes(out)


def share_reply(args, request):
    out = bytearray(28)
    out[0] = 4
    out[1:11] = request[1:11]
    out[11:17] = args.mac
    out[17:21] = ipaddress.IPv4Address(args.ip).packed
    return bytes(out) + args.shares.encode("utf-8") + b"\0"


def arrival_address(ancillary):
    for level, kind, data in ancillary:
        if level == socket.IPPROTO_IP and kind == IP_PKTINFO and len(data) >= 12:
            # struct in_pktinfo: interface index, local address, header destination
            return socket.inet_ntoa(data[4:8])
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--address", action="append", required=True,
                        help="own IPv4 address (repeat for several links)")
    parser.add_argument("--ip", help="IPv4 in the replies (default: the first --address)")
    parser.add_argument("--mac", type=mac_bytes, default=mac_bytes("02:00:5e:10:00:01"))
    parser.add_argument("--kind", type=int, default=2, help="reply kind: 2, 7 or 8")
    parser.add_argument("--test-bytes", default="", help="bytes 56.. of kinds 7 and 8, e.g. 0,8,4")
    parser.add_argument("--model", default="", help="model name of a kind 8 reply")
    parser.add_argument("--name", default="NAS-01:eth0")
    parser.add_argument("--name-length", type=lambda t: int(t, 0),
                        help="name length field to send instead of the real one")
    parser.add_argument("--text-a", default="")
    parser.add_argument("--text-b", default="")
    parser.add_argument("--flag", default="1")
    parser.add_argument("--shares", default="public*0:usb*1:backup*0")
    parser.add_argument("--mode", choices=("mcast", "ucast"), default="mcast")
    parser.add_argument("--wrong-id", action="store_true", help="answer with another id")
    parser.add_argument("--truncate", type=int, help="cut each discovery reply to N bytes")
    parser.add_argument("--repeat", type=int, default=1, help="send each reply N times")
    parser.add_argument("--log")
    parser.add_argument("--ready")
    parser.add_argument("--lifetime", type=float, default=120.0)
    args = parser.parse_args()
    if args.ip is None:
        args.ip = args.address[0]

    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    receiver.bind(("0.0.0.0", PORT))
    receiver.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    receiver.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 0)
    senders = {}
    for address in args.address:
        membership = socket.inet_aton(GROUP) + socket.inet_aton(address)
        receiver.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)
        sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(address))
        sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 0)
        sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
        sender.bind((address, 0))
        senders[address] = sender

    log = open(args.log, "a", buffering=1) if args.log else None
    if args.ready:
        with open(args.ready + ".tmp", "w") as ready:
            ready.write(str(os.getpid()))
        os.rename(args.ready + ".tmp", args.ready)

    deadline = time.monotonic() + args.lifetime
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return 0
        readable, _, _ = select.select([receiver], [], [], left)
        if not readable:
            continue
        data, ancillary, _, sender_address = receiver.recvmsg(65536, socket.CMSG_SPACE(12))
        arrival = arrival_address(ancillary)
        if log:
            log.write("%s %s\n" % (arrival, data.hex()))
        if arrival not in senders:
            arrival = args.address[0]
        reply = None
        if len(data) >= 7 and data[0] == 1:
            reply = discovery_reply(args, data)
        elif (len(data) == 28 and data[0] == 3 and data[11:17] == args.mac
              and data[17:21] == ipaddress.IPv4Address(args.ip).packed):
            reply = share_reply(args, data)
        if reply is None:
            continue
        target = (GROUP, PORT) if args.mode == "mcast" else (sender_address[0], PORT)
        for _ in range(max(args.repeat, 1)):
            senders[arrival].sendto(reply, target)


if __name__ == "__main__":
    sys.exit(main())
