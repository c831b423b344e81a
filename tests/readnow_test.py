#!/usr/bin/env python3
"""Keeps READNOW.TXT true to the programs: the files the media builder made
for each build are plain text a Windows 95 user can open in Notepad and a DOS
user can TYPE, and they have an entry for every message the programs can
show, quoting its text as the string table holds it.

Usage: readnow_test.py RESOURCE_SCRIPT... -- READNOW.TXT...
Each resource script (res/zarized.rc, res/extractor.rc) is read with the
header it includes for its identifiers.
"""

import os
import re
import sys
import unittest

SCRIPTS = []
READNOWS = []

# Strings that are captions, or not shown: they have no entry of their own.
CAPTIONS = {2000, 2001, 2002, 2003, 2015, 2016, 100}


def string_table(script):
    """Identifier number -> text, from the script's STRINGTABLE."""
    folder = os.path.dirname(script)
    source = open(script, encoding="ascii").read()
    numbers = {}
    for header in re.findall(r'#include "([^"]+)"', source):
        path = os.path.join(folder, header)
        if os.path.exists(path):
            for name, number in re.findall(r"#define (IDS_\w+) (\d+)", open(path).read()):
                numbers[name] = int(number)
    table = re.search(r"STRINGTABLE\s+BEGIN(.*?)\nEND", source, re.S).group(1)
    texts = {}
    for name, text in re.findall(r'^\s*(IDS_\w+)\s+"((?:[^"\\]|\\.)*)"', table, re.M):
        texts[numbers[name]] = re.sub(r"\\(.)", lambda m: "\n" if m.group(1) == "n" else m.group(1), text)
    return texts


def shown_texts():
    texts = {}
    for script in SCRIPTS:
        texts.update(string_table(script))
    return {number: text for number, text in texts.items() if number not in CAPTIONS}


def pattern(text):
    """A regular expression for the text (white space already made single
    blanks) as READNOW quotes it: each printf code as a description in angle
    brackets, "%%" as "%"."""
    codes = re.findall(r"%(?:l?[sdiu]|%)", text)
    parts = re.split(r"%(?:l?[sdiu]|%)", text)
    regex = re.escape(parts[0])
    for code, part in zip(codes, parts[1:]):
        regex += ("%" if code == "%%" else r"<[^<>]+>") + re.escape(part)
    return regex


def entries(readnow):
    """Number -> quoted text of every "[nnnn]" entry."""
    found = {}
    for match in re.finditer(r"^\[(\d+)\][^\n]*\n\s*\"([^\"]*)\"", readnow, re.M):
        found[int(match.group(1))] = match.group(2)
    return found


def normalized(text):
    return " ".join(text.split())


class ReadnowTest(unittest.TestCase):
    def test_plain_text_for_notepad_and_type(self):
        for path in READNOWS:
            raw = open(path, "rb").read()
            self.assertTrue(raw.endswith(b"\r\n"), path)
            for number, line in enumerate(raw.split(b"\r\n")[:-1], 1):
                self.assertNotIn(b"\r", line, "%s:%d: a CR without LF" % (path, number))
                self.assertNotIn(b"\n", line, "%s:%d: an LF without CR" % (path, number))
                self.assertLessEqual(len(line), 76, "%s:%d: longer than 76 columns" % (path, number))
                self.assertTrue(all(32 <= b < 127 for b in line), "%s:%d: not plain ASCII" % (path, number))
            self.assertNotRegex(raw.decode("ascii"), r"@[A-Z_]+@", path + ": a placeholder left")

    def test_every_message_has_its_entry_quoting_the_string_table(self):
        texts = shown_texts()
        self.assertGreater(len(texts), 20)
        for path in READNOWS:
            found = entries(open(path, encoding="ascii").read())
            for number, text in sorted(texts.items()):
                self.assertIn(number, found, "%s: no entry [%d] for %r" % (path, number, text[:60]))
                quoted = normalized(found[number])
                expected = normalized(text)
                self.assertRegex(quoted, "^" + pattern(expected) + "$",
                                 "%s: [%d] quotes another text than the string table" % (path, number))
            for number in found:
                self.assertIn(number, texts, "%s: entry [%d] is no message the programs show" % (path, number))

    def test_each_build_names_itself_and_the_other(self):
        builds = {"1.0": "1-to-95B.EXE", "95.0.a": "A-to-95B.EXE"}
        for path in READNOWS:
            text = open(path, encoding="ascii").read()
            for name in builds.values():
                self.assertIn(name, text, path)


if __name__ == "__main__":
    split = sys.argv.index("--")
    SCRIPTS = sys.argv[1:split]
    READNOWS = sys.argv[split + 1:]
    unittest.main(argv=sys.argv[:1])
