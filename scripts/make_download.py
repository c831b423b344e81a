#!/usr/bin/env python3
"""Writes a download build of the patch: the extractor program, then the
files it unpacks, their table and a trailer (see docs/behaviour.md, "The
download build").

Usage: make_download.py EXTRACTOR OUTPUT FILE...

Each FILE is stored under its own name, which must be an 8.3 name; the
extractor unpacks them in the order given.
"""

import os
import re
import struct
import sys
import zlib

MAGIC = b"ZARDL95B"
NAME_BYTES = 16
MAX_FILES = 64  # disk 1's files, READNOW.TXT and up to 50 pieces
SHORT_NAME = re.compile(r"^[A-Za-z0-9_\-~!#$%&'()@^`{}]{1,8}(\.[A-Za-z0-9_\-~!#$%&'()@^`{}]{1,3})?$")


def build(extractor, files):
    if not 1 <= len(files) <= MAX_FILES:
        raise ValueError("a download holds 1 to %d files, not %d" % (MAX_FILES, len(files)))
    with open(extractor, "rb") as f:
        program = f.read()
    data = bytearray()
    table = bytearray()
    names = set()
    for path in files:
        name = os.path.basename(path)
        if not SHORT_NAME.match(name) or name.upper() in names:
            raise ValueError("%s: not an 8.3 file name, or a second file of that name" % name)
        names.add(name.upper())
        with open(path, "rb") as f:
            content = f.read()
        table += name.encode("ascii").ljust(NAME_BYTES, b"\0")
        table += struct.pack("<III", len(data), len(content), zlib.crc32(content))
        data += content
    table_offset = len(data)
    data += table
    if len(program) + len(data) + 32 >= 1 << 32:
        raise ValueError("the download would reach 4 GB")
    head = MAGIC + struct.pack("<IIIII", len(program), len(data), table_offset, len(files), zlib.crc32(data))
    return program + bytes(data) + head + struct.pack("<I", zlib.crc32(head))


def main(argv):
    if len(argv) < 4:
        sys.stderr.write("usage: make_download.py EXTRACTOR OUTPUT FILE...\n")
        return 2
    try:
        download = build(argv[1], argv[3:])
    except (OSError, ValueError) as error:
        sys.stderr.write("make_download.py: %s\n" % error)
        return 1
    with open(argv[2], "wb") as out:
        out.write(download)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
