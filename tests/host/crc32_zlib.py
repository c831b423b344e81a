#!/usr/bin/env python3
"""Checks the program's CRC-32 against zlib's crc32 on this host.

crc32_zlib.py PROGRAM...: each PROGRAM is crc32_main.cpp built for the host. Every
length from 0 to 300, lengths around the 8-byte steps of the table computation
and powers of two, and large ones, at every start offset within 16 bytes, whole
and cut into parts at random places.
"""
import random
import struct
import subprocess
import sys
import zlib


def cases():
    rng = random.Random(20261207)
    lengths = list(range(0, 301))
    lengths += [n + d for n in (512, 1024, 4096, 65536) for d in (-17, -16, -1, 0, 1, 15, 16, 63, 64, 65)]
    lengths += [1 << 20, (1 << 20) + 13, 21474837]
    for length in lengths:
        data = bytes(rng.getrandbits(8) for _ in range(min(length, 4096)))
        data = (data * (length // max(len(data), 1) + 1))[:length]
        if length >= 4096:
            data = bytes(rng.getrandbits(8) for _ in range(64)) + data[64:]
        offset = length % 16 if length > 300 else rng.randrange(16)
        cuts = []
        if length and rng.random() < 0.5:
            cuts = sorted(rng.randrange(length + 1) for _ in range(rng.randrange(1, 4)))
        parts = [b - a for a, b in zip([0] + cuts, cuts)]
        yield data, offset, parts
    # Fixed bytes whose CRC every implementation agrees on.
    yield b"123456789", 3, []
    yield b"\xff" * 1000, 0, [64, 100]
    yield b"\x00" * 1000, 1, [999]


def check(program):
    payload = bytearray()
    expected = []
    for data, offset, parts in cases():
        payload += struct.pack("<III", len(data), offset, len(parts) + 1)
        payload += b"".join(struct.pack("<I", p) for p in parts)
        payload += data
        expected.append("%08x" % zlib.crc32(data))
    run = subprocess.run([program], input=bytes(payload), stdout=subprocess.PIPE, check=False)
    got = run.stdout.decode().split()
    if run.returncode != 0 or len(got) != len(expected):
        print("the CRC program failed (status %d, %d of %d results)" % (run.returncode, len(got), len(expected)))
        return 1
    wrong = [(i, g, e) for i, (g, e) in enumerate(zip(got, expected)) if g != e]
    for i, g, e in wrong[:10]:
        print("case %d: %s, zlib says %s" % (i, g, e))
    if got[-3] != "cbf43926":
        print("the CRC of '123456789' is %s, not the check value cbf43926" % got[-3])
        return 1
    print("%s: %d CRCs compared with zlib, %d differ" % (program, len(expected), len(wrong)))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(max(check(program) for program in sys.argv[1:]))
