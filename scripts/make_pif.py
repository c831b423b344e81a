#!/usr/bin/env python3
"""Writes Patch.pif, the program-information file shipped on the patch media.

Usage: make_pif.py OUTPUT

Starting this file makes Windows 95 leave Windows and run its program in
MS-DOS mode. ZARIZED stages it in the product folder and, before starting
it, writes four of its fields: the program (the short path of COMMAND.COM),
the startup directory (the product folder) and, twice, the parameters
("/c" and the short path of PATCH.BAT). Everything else is set here.

The file has the standard Windows 95 layout, 967 bytes:

    0x000  basic data (0x171 bytes, the Windows 1.x/2.x header)
    0x171  heading "MICROSOFT PIFEX"  -> data 0x000, 0x171 bytes
    0x187  heading "WINDOWS 386 3.0"  -> data 0x19D, 0x068 bytes
    0x19D  386 enhanced-mode data
    0x205  heading "WINDOWS VMM 4.0"  -> data 0x21B, 0x1AC bytes (last)
    0x21B  Windows 95 data

Each heading is 22 bytes: a 16-byte zero-terminated name, then the WORD
offset of the next heading (0xFFFF on the last), the WORD offset of the
section's data and its WORD size. All numbers are little-endian.

Text fields are zero-filled to their full width. That matters: ZARIZED
writes only the first 57 of the 63 program bytes, 47 of the 64 directory
bytes and 63 of the 64 parameter bytes, and a value that fills its count
gets no terminator; the zero bytes left here after each count end it.
"""

import struct
import sys

BASIC_SIZE = 0x171
HEADING_SIZE = 22
SECTION_386_SIZE = 0x68
SECTION_VMM_SIZE = 0x1AC
LAST_HEADING = 0xFFFF

# The title shown for the program (30 bytes, padded with blanks).
TITLE = "Kelvane Palomid Update"
# Until ZARIZED writes it, the program field names the command shell alone.
DEFAULT_PROGRAM = "COMMAND.COM"

# "WINDOWS 386 3.0" flags (the DWORD at +0x10 of its data).
F386_FULL_SCREEN = 0x00000008        # full screen rather than a window
F386_DETECT_IDLE = 0x00001000        # give up time slices while idle
F386_FAST_PASTE = 0x00020000         # paste at full speed
F386_MSDOS_MODE = 0x00800000         # leave Windows: run the program in MS-DOS mode
F386_NO_MSDOS_WARNING = 0x10000000   # no Windows warning first: ZARIZED has already
                                     # told the user that Windows must restart

# "WINDOWS 386 3.0" second flags WORD (+0x14): video settings of a window.
V386_ROM_EMULATION = 0x0001
V386_TEXT_MEMORY = 0x0010

# "WINDOWS VMM 4.0" flag WORDs.
VMM_ROM_EMULATION = 0x0001           # second flags WORD
VMM_FULL_SCREEN = 0x0100             # second flags WORD
VMM_FAST_PASTE = 0x0001              # third flags WORD
VMM_FONT_RASTER = 0x0004             # font flags: raster fonts allowed
VMM_FONT_TRUETYPE = 0x0008           #             TrueType fonts allowed
VMM_FONT_AUTO_SIZE = 0x0010          #             size chosen automatically


class Block:
    """A byte block whose fields are written by offset, name and width."""

    def __init__(self, size):
        self.data = bytearray(size)
        self.written = {}

    def put(self, offset, name, raw):
        end = offset + len(raw)
        assert end <= len(self.data), name
        for other, (start, stop) in self.written.items():
            assert end <= start or offset >= stop, "%s overlaps %s" % (name, other)
        self.written[name] = (offset, end)
        self.data[offset:end] = raw

    def byte(self, offset, name, value):
        self.put(offset, name, struct.pack("<B", value))

    def word(self, offset, name, value):
        self.put(offset, name, struct.pack("<H", value))

    def dword(self, offset, name, value):
        self.put(offset, name, struct.pack("<I", value))

    def text(self, offset, name, value, width, pad=b"\0"):
        raw = value.encode("ascii")
        assert len(raw) < width or pad != b"\0", name
        self.put(offset, name, raw.ljust(width, pad))


def basic_data():
    """The basic data: what Windows 1.x/2.x and standard mode read.

    Windows 95 takes the program, startup directory and title from here;
    with a 386 section present it takes the parameters from that section.
    """
    b = Block(BASIC_SIZE)
    b.byte(0x00, "unused", 0)
    # 0x01 checksum: set last, over bytes 0x02..0x170 (see checksum()).
    b.text(0x02, "title", TITLE, 30, pad=b" ")
    b.word(0x20, "maximum conventional memory, KB", 640)
    b.word(0x22, "minimum conventional memory, KB", 128)
    b.text(0x24, "program file name", DEFAULT_PROGRAM, 63)
    b.byte(0x63, "flags: close the window on exit", 0x10)
    b.byte(0x64, "default drive (none)", 0)
    b.text(0x65, "startup directory", "", 64)
    b.text(0xA5, "program parameters", "", 64)
    # Screen settings of Windows 2.x; later versions ignore them.
    b.byte(0xE5, "video mode", 0)
    b.byte(0xE6, "text pages", 1)
    b.byte(0xE7, "first interrupt used", 0x00)
    b.byte(0xE8, "last interrupt used", 0xFF)
    b.byte(0xE9, "rows", 25)
    b.byte(0xEA, "columns", 80)
    b.byte(0xEB, "window x", 0)
    b.byte(0xEC, "window y", 0)
    b.word(0xED, "last text page", 7)
    b.text(0xEF, "shared program path", "", 64)
    b.text(0x12F, "shared program data", "", 64)
    b.word(0x16F, "program flags (Windows 2.x: none)", 0)
    return b


def section_386_data():
    """"WINDOWS 386 3.0": the 386 enhanced-mode settings, and the
    MS-DOS-mode switch of Windows 95."""
    b = Block(SECTION_386_SIZE)
    # Memory: 640 KB conventional, EMS and XMS "auto" (0xFFFF, nothing required).
    b.word(0x00, "maximum conventional memory, KB", 640)
    b.word(0x02, "required conventional memory, KB", 0)
    b.word(0x04, "foreground priority", 100)
    b.word(0x06, "background priority", 50)
    b.word(0x08, "maximum EMS, KB", 0xFFFF)
    b.word(0x0A, "required EMS, KB", 0)
    b.word(0x0C, "maximum XMS, KB", 0xFFFF)
    b.word(0x0E, "required XMS, KB", 0)
    b.dword(0x10, "flags", F386_MSDOS_MODE | F386_NO_MSDOS_WARNING | F386_FULL_SCREEN |
            F386_DETECT_IDLE | F386_FAST_PASTE)
    b.word(0x14, "video flags", V386_ROM_EMULATION | V386_TEXT_MEMORY)
    b.word(0x16, "unknown", 0)
    # No shortcut key.
    b.word(0x18, "shortcut key scan code", 0)
    b.word(0x1A, "shortcut key modifiers", 0)
    b.word(0x1C, "shortcut key in use", 0)
    b.word(0x1E, "shortcut key is extended", 0)
    # Undocumented; Windows-made files repeat the two priorities here.
    b.word(0x20, "foreground priority again", 100)
    b.word(0x22, "background priority again", 50)
    b.dword(0x24, "unknown", 0)
    b.text(0x28, "program parameters", "", 64)
    return b


def section_vmm_data():
    """"WINDOWS VMM 4.0": the Windows 95 property sheet. Its settings are for
    a program run in a window or full screen under Windows; in MS-DOS mode
    Windows is left, so only the harmless defaults below are given.
    Undocumented parts stay zero."""
    b = Block(SECTION_VMM_SIZE)
    b.text(0x58, "icon file", "PIFMGR.DLL", 80)
    b.word(0xA8, "icon number", 0)
    b.word(0xAA, "flags (warn on exit, no background run)", 0)
    b.word(0xB6, "idle sensitivity (0-100)", 50)
    b.word(0xB8, "display flags", VMM_FULL_SCREEN | VMM_ROM_EMULATION)
    b.word(0xC2, "text lines (0 = default)", 0)
    b.word(0xC4, "keyboard flags", VMM_FAST_PASTE)
    b.word(0xD6, "mouse flags", 0)
    b.word(0xDE, "font flags", VMM_FONT_RASTER | VMM_FONT_TRUETYPE | VMM_FONT_AUTO_SIZE)
    b.text(0xEA, "raster font name", "Terminal", 32)
    b.text(0x10A, "TrueType font name", "Courier New", 32)
    b.word(0x12E, "do not restore settings at start-up", 0)
    b.text(0x156, "batch file run first", "", 80)
    b.word(0x1A6, "environment size (0 = auto)", 0)
    b.word(0x1A8, "DPMI memory (0 = auto)", 0)
    return b


def heading(name, next_heading, data_offset, data_size):
    raw = name.encode("ascii")
    assert len(raw) < 16
    return raw.ljust(16, b"\0") + struct.pack("<HHH", next_heading, data_offset, data_size)


def checksum(basic):
    """The sum of bytes 0x02..0x170 of the basic data, modulo 256. No
    Windows version checks it; ZARIZED's own writes later leave it stale."""
    return sum(basic[2:BASIC_SIZE]) & 0xFF


def build():
    basic = basic_data().data
    basic[1] = checksum(basic)
    s386 = section_386_data().data
    svmm = section_vmm_data().data

    pifex_at = BASIC_SIZE
    s386_heading_at = pifex_at + HEADING_SIZE
    s386_data_at = s386_heading_at + HEADING_SIZE
    svmm_heading_at = s386_data_at + SECTION_386_SIZE
    svmm_data_at = svmm_heading_at + HEADING_SIZE

    pif = bytearray(basic)
    pif += heading("MICROSOFT PIFEX", s386_heading_at, 0, BASIC_SIZE)
    pif += heading("WINDOWS 386 3.0", svmm_heading_at, s386_data_at, SECTION_386_SIZE)
    pif += s386
    pif += heading("WINDOWS VMM 4.0", LAST_HEADING, svmm_data_at, SECTION_VMM_SIZE)
    pif += svmm
    # The offsets ZARIZED relies on.
    assert s386_data_at == 0x19D and len(pif) == 967
    return bytes(pif)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_pif.py OUTPUT\n")
        return 2
    with open(argv[1], "wb") as out:
        out.write(build())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
