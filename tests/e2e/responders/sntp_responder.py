#!/usr/bin/env python3
"""A scripted SNTP server on 127.0.0.1 for end-to-end tests and benchmarks.

Answers each mode-3 request with this machine's time plus --offset seconds
(stratum 8, version 4), or with a kiss-o'-death (--kiss CODE: stratum 0,
the code as reference identifier). --stray first sends a datagram to the
requester from another local port, which a client must not take for the
answer. Bounded: it ends after --requests requests or --lifetime seconds.
Prints one line per request on standard output.
"""
import argparse
import select
import socket
import struct
import sys
import time

NTP_EPOCH_OFFSET = 2208988800


def ntp_time(offset):
    now = time.time() + offset + NTP_EPOCH_OFFSET
    seconds = int(now)
    return struct.pack("!II", seconds & 0xFFFFFFFF, int((now - seconds) * 2**32) & 0xFFFFFFFF)


def reply(request, args):
    originate = request[40:48]
    if args.kiss:
        first, stratum, ref = 0x24, 0, args.kiss.encode("ascii")[:4].ljust(4, b"?")
    else:
        first, stratum, ref = 0x24, 8, b"\x7f\x00\x00\x01"
    received = ntp_time(args.offset)
    head = struct.pack("!BBbbII", first, stratum, 6, -20, 0, 16) + ref
    reference = received
    return head + reference + originate + received + ntp_time(args.offset)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=123)
    parser.add_argument("--offset", type=float, default=0.0)
    parser.add_argument("--kiss", default="")
    parser.add_argument("--stray", action="store_true")
    parser.add_argument("--requests", type=int, default=100)
    parser.add_argument("--lifetime", type=float, default=300.0)
    args = parser.parse_args()

    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind(("127.0.0.1", args.port))
    stray = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    stray.bind(("127.0.0.1", 0))
    print("listening", flush=True)

    deadline = time.monotonic() + args.lifetime
    answered = 0
    while answered < args.requests:
        left = deadline - time.monotonic()
        if left <= 0:
            break
        ready, _, _ = select.select([server], [], [], left)
        if not ready:
            continue
        request, client = server.recvfrom(2048)
        if len(request) < 48 or request[0] & 7 != 3:
            continue
        if args.stray:
            # Looks like an answer in every field but where it comes from.
            stray.sendto(reply(request, args), client)
        server.sendto(reply(request, args), client)
        answered += 1
        print("answered %s:%d" % client, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
