#!/usr/bin/env python3
"""Sends one SNTP broadcast for end-to-end tests.

One 48-byte mode-5 packet (leap 0, version 4, stratum 9, this machine's
time as reference and transmit time) from --source (an address of this
network namespace, any free port) to --destination's UDP port --port
(default 123). A broadcast address as destination needs SO_BROADCAST,
which is always set. Prints "sent SOURCE:PORT -> DESTINATION:PORT".
"""
import argparse
import socket
import struct
import sys
import time

NTP_EPOCH_OFFSET = 2208988800


def ntp_time():
    now = time.time() + NTP_EPOCH_OFFSET
    seconds = int(now)
    return struct.pack("!II", seconds & 0xFFFFFFFF, int((now - seconds) * 2**32) & 0xFFFFFFFF)


def packet(stratum):
    # Leap 0, version 4, mode 5; poll 2^6 s, precision 2^-20 s; root delay
    # 0, root dispersion 1/65536 s; a local clock's reference identifier.
    head = struct.pack("!BBbbII", 0x25, stratum, 6, -20, 0, 1) + b"LOCL"
    now = ntp_time()
    return head + now + bytes(8) + bytes(8) + now


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--destination", required=True)
    parser.add_argument("--port", type=int, default=123)
    parser.add_argument("--stratum", type=int, default=9)
    args = parser.parse_args()

    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sender.bind((args.source, 0))
    sender.sendto(packet(args.stratum), (args.destination, args.port))
    source = sender.getsockname()
    print("sent %s:%d -> %s:%d" % (source[0], source[1], args.destination, args.port), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
