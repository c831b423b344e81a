#!/usr/bin/env python3
"""Audits a shipping program's code for the processor Windows 95 needs at
least: an 80386, perhaps without a coprocessor. Every instruction of every
executable section must be one the 80386 has; an x87, MMX or SSE instruction,
or one that came with the 486, the Pentium or the Pentium Pro, fails the
audit, named with the function it is in.

Usage: instruction_audit.py OBJDUMP PROGRAM TWIN

TWIN is the same link with its symbols (build/<arch>/symbols/): the audit
first checks that its code sections hold exactly the program's bytes, then
disassembles them symbol by symbol. The constructor and destructor lists
that the linker puts among the code are data: they are left out, and the
bytes after them are disassembled on their own, so that no instruction is
read out of step.
"""

import re
import struct
import subprocess
import sys

# Instructions that came after the 80386, by the processor that brought them.
LATER = {
    "486": {"bswap", "cmpxchg", "xadd", "invd", "wbinvd", "invlpg"},
    "Pentium": {"cpuid", "rdtsc", "rdmsr", "wrmsr", "cmpxchg8b", "rsm"},
    "Pentium Pro": {"ud2", "ud0", "ud1", "sysenter", "sysexit", "rdpmc", "fcomi", "fcomip", "fucomi", "fucomip"},
}

# The 80386's instruction set, as objdump names it in Intel syntax
# (conditional jumps and sets by pattern below).
I386 = set("""
aaa aad aam aas adc add and arpl bound bsf bsr bt btc btr bts call cbw cdq clc cld cli clts cmc cmp
cmps cmpsb cmpsw cmpsd cwd cwde daa das dec div enter hlt idiv imul in inc ins insb insw insd int int3
into iret iretd iretw jcxz jecxz jmp lahf lar lds lea leave les lfs lgdt lgs lidt lldt lmsw lods lodsb
lodsw lodsd loop loope loopne lsl lss ltr mov movs movsb movsw movsd movsx movzx mul neg nop not or
out outs outsb outsw outsd pop popa popad popf popfd popfw push pusha pushad pushf pushfd pushfw rcl
rcr ret retf retw rol ror sahf sal sar sbb scas scasb scasw scasd sgdt shl shld shr shrd sidt sldt
smsw stc std sti stos stosb stosw stosd str sub test verr verw xchg xlat xlatb xor fwait
""".split())
CONDITIONS = "(?:a|ae|b|be|c|e|g|ge|l|le|na|nae|nb|nbe|nc|ne|ng|nge|nl|nle|no|np|ns|nz|o|p|pe|po|s|z)"
CONDITIONAL = re.compile("^(?:j|set)" + CONDITIONS + "$")
PREFIXES = {"lock", "rep", "repe", "repz", "repne", "repnz", "cs", "ds", "es", "fs", "gs", "ss", "data16",
            "data32", "addr16", "addr32"}
PREFIX_BYTES = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3}
VECTOR_REGISTER = re.compile(r"\b(?:x|y|z)?mm\d+\b")
LISTS = ("__CTOR_LIST__", "__DTOR_LIST__")


def run(*command):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout


def code_sections(objdump, path):
    """(name, vma, size, file offset) of each section flagged CODE."""
    sections = []
    lines = run(objdump, "-h", path).splitlines()
    for header, flags in zip(lines, lines[1:]):
        fields = header.split()
        if len(fields) >= 6 and fields[0].isdigit() and "CODE" in flags:
            sections.append((fields[1], int(fields[3], 16), int(fields[2], 16), int(fields[5], 16)))
    return sections


def section_bytes(path, section):
    with open(path, "rb") as f:
        f.seek(section[3])
        return f.read(section[2])


def symbols(objdump, path):
    """Address -> name of every symbol, from the twin's symbol table."""
    found = {}
    nm = objdump.replace("objdump", "nm")
    for line in run(nm, "-n", path).splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[1] in "tT":
            address = int(fields[0], 16)
            if fields[2] != ".text" or address not in found:
                found[address] = fields[2]
    return found


def list_ranges(names, sections, twin):
    """[start, end) of each constructor or destructor list: -1, the entries, then 0."""
    ranges = []
    for address, name in names.items():
        if name.lstrip("_") not in (n.lstrip("_") for n in LISTS):
            continue
        for section in sections:
            data = section_bytes(twin, section)
            at = address - section[1]
            if 0 <= at < len(data):
                end = at
                while end + 4 <= len(data):
                    word = struct.unpack_from("<I", data, end)[0]
                    end += 4
                    if word == 0 and end - at > 4:
                        break
                ranges.append((address, section[1] + end))
    return sorted(set(ranges))


def disassemble(objdump, twin, start=None, stop=None):
    """(address, bytes, mnemonic, operands) of each instruction, with the function it is in."""
    command = [objdump, "-d", "-M", "intel", "-w"]
    if start is not None:
        command += ["--start-address=%#x" % start, "--stop-address=%#x" % stop]
    function = "?"
    for line in run(*command, twin).splitlines():
        label = re.match(r"^[0-9a-f]+ <(.+)>:$", line)
        if label:
            function = label.group(1)
            continue
        parts = line.split("\t")
        if len(parts) < 3 or not re.match(r"^\s*[0-9a-f]+:$", parts[0]):
            continue
        address = int(parts[0].strip().rstrip(":"), 16)
        raw = bytes(int(b, 16) for b in parts[1].split())
        text = parts[2].split("#")[0].split()
        while text and text[0] in PREFIXES:
            text = text[1:]
        mnemonic = text[0] if text else ""
        yield address, raw, mnemonic, " ".join(text[1:]), function


def why_not_386(raw, mnemonic, operands):
    """Why the instruction is not one an 80386 without a coprocessor runs, or None."""
    opcode = raw
    while opcode and opcode[0] in PREFIX_BYTES:
        opcode = opcode[1:]
    if opcode[:2] == b"\x0f\x1f" or (mnemonic == "nop" and operands):
        return "Pentium Pro: multi-byte NOP"
    if mnemonic.startswith("cmov") or mnemonic.startswith("fcmov"):
        return "Pentium Pro: " + mnemonic.upper()
    for processor, names in LATER.items():
        if mnemonic in names:
            return processor + ": " + mnemonic.upper()
    if VECTOR_REGISTER.search(operands):
        return "MMX or SSE register: " + mnemonic.upper()
    if mnemonic.startswith("f"):
        return "x87: " + mnemonic.upper()
    if mnemonic == "(bad)":
        return "not an instruction"
    if mnemonic not in I386 and not CONDITIONAL.match(mnemonic):
        return "not an 80386 instruction: " + mnemonic.upper()
    return None


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    objdump, program, twin = argv[1:]
    sections = code_sections(objdump, program)
    twin_sections = code_sections(objdump, twin)
    if not sections:
        print("FAIL: %s has no code section" % program)
        return 1
    if [s[:3] for s in sections] != [s[:3] for s in twin_sections] or any(
            section_bytes(program, a) != section_bytes(twin, b) for a, b in zip(sections, twin_sections)):
        print("FAIL: %s is not the same link as %s: their code differs" % (twin, program))
        return 1
    names = symbols(objdump, twin)
    data = list_ranges(names, sections, twin)
    starts = sorted(names) + [s[1] + s[2] for s in sections]
    # The bytes after each list up to the next symbol, disassembled on their own.
    after = [(end, min(a for a in starts if a >= end)) for _, end in data]
    after = [(start, stop) for start, stop in after if start < stop]

    def in_any(address, ranges):
        return any(start <= address < stop for start, stop in ranges)

    instructions = [i for i in disassemble(objdump, twin) if not in_any(i[0], data + after)]
    for start, stop in after:
        instructions += list(disassemble(objdump, twin, start, stop))
    failures = 0
    for address, raw, mnemonic, operands, function in sorted(instructions):
        why = why_not_386(raw, mnemonic, operands)
        if why:
            print("FAIL: %s in %s at %#x: %s %s" % (why, function, address, mnemonic, operands))
            failures += 1
    if failures:
        print("instruction audit: %d instructions an 80386 does not have in %s" % (failures, program))
        return 1
    print("instruction audit: %d instructions in %s, all of the 80386 without a coprocessor"
          " (%d bytes of constructor lists left out)" % (len(instructions), program,
                                                        sum(stop - start for start, stop in data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
