#!/usr/bin/env python3
"""Checks the built Patch.pif by reading it back as any PIF reader would.

Usage: patch_pif_test.py PATCH.PIF
"""

import struct
import sys
import unittest

PIF_PATH = None

BASIC_SIZE = 0x171
HEADING_SIZE = 22
MSDOS_MODE = 0x00800000
NO_MSDOS_WARNING = 0x10000000

# The fields ZARIZED writes: (offset, bytes written, field width).
WRITES = {
    "program": (0x24, 57, 63),
    "startup directory": (0x65, 47, 64),
    "parameters": (0xA5, 63, 64),
    "386 parameters": (0x1C5, 63, 64),
}


def read_pif():
    with open(PIF_PATH, "rb") as f:
        return f.read()


def walk_sections(pif):
    """The section headings from 0x171 on: name -> (heading at, data at, size, next)."""
    sections = []
    at = BASIC_SIZE
    seen = set()
    while at != 0xFFFF:
        if at in seen or at + HEADING_SIZE > len(pif):
            raise AssertionError("broken section chain at 0x%X" % at)
        seen.add(at)
        raw = pif[at:at + HEADING_SIZE]
        name = raw[:16].split(b"\0")[0].decode("ascii")
        if raw[15] != 0:
            raise AssertionError("heading name at 0x%X is not terminated" % at)
        following, data_at, size = struct.unpack("<HHH", raw[16:])
        sections.append((name, at, data_at, size, following))
        at = following
    return sections


class PatchPif(unittest.TestCase):
    def setUp(self):
        self.pif = read_pif()
        self.sections = walk_sections(self.pif)
        self.by_name = {s[0]: s for s in self.sections}

    def test_section_chain_is_the_windows_95_layout(self):
        self.assertEqual(["MICROSOFT PIFEX", "WINDOWS 386 3.0", "WINDOWS VMM 4.0"], [s[0] for s in self.sections])
        layout = [(s[1], s[2], s[3]) for s in self.sections]
        self.assertEqual([(0x171, 0x000, 0x171), (0x187, 0x19D, 0x68), (0x205, 0x21B, 0x1AC)], layout)
        self.assertEqual(0xFFFF, self.sections[-1][4])
        self.assertEqual(967, len(self.pif))
        # The 386 parameters are where ZARIZED writes them.
        self.assertEqual(WRITES["386 parameters"][0], self.by_name["WINDOWS 386 3.0"][2] + 0x28)

    def test_starting_it_leaves_windows_for_ms_dos_mode_without_a_second_warning(self):
        data_at = self.by_name["WINDOWS 386 3.0"][2]
        flags = struct.unpack_from("<I", self.pif, data_at + 0x10)[0]
        self.assertEqual(MSDOS_MODE, flags & MSDOS_MODE)
        self.assertEqual(NO_MSDOS_WARNING, flags & NO_MSDOS_WARNING)

    def test_checksum_is_the_byte_sum_of_the_basic_data(self):
        self.assertEqual(0, self.pif[0])
        self.assertEqual(sum(self.pif[2:BASIC_SIZE]) & 0xFF, self.pif[1])

    def test_every_field_ends_with_zero_bytes_after_what_zarized_writes(self):
        # A value that fills a write has no terminator: the field's bytes
        # after the write must end it, or a reader runs into the next field.
        for name, (offset, count, width) in WRITES.items():
            tail = self.pif[offset + count:offset + width]
            self.assertGreater(len(tail), 0, name)
            self.assertEqual(bytes(len(tail)), tail, name)

    def test_shipped_values_before_patching(self):
        self.assertEqual(b"COMMAND.COM\0", self.pif[0x24:0x24 + 12])
        self.assertEqual([0, 0, 0], [self.pif[0x65], self.pif[0xA5], self.pif[0x1C5]])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.stderr.write("usage: patch_pif_test.py PATCH.PIF\n")
        sys.exit(2)
    PIF_PATH = sys.argv.pop(1)
    unittest.main()
