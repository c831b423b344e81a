#!/usr/bin/env python3
"""What the user sees of the progress window, on a real X server: the
shipping ZARIZED.EXE patches a sample installation on a 640 x 480 Windows
desktop that Wine's X11 driver draws on Xvfb (scripts/screen.sh), with disk 2
held back behind its prompt and a large piece after it, so that the join goes
on after the prompt. runboxes takes the screen at the window's first
appearance, at the prompt and after it. Both pictures of the progress window
must show its icon (res/zarized.ico, pixel for pixel) and one line of text
(string 2010) on a plain face, and nothing else: no empty face, no picture of
the prompt left over it; and after the prompt it must look as it first did.

Usage: screen_test.py BUILD_DIR   (inside scripts/bench32.sh; it runs itself
under scripts/screen.sh)
"""

import os
import re
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def wine(prefix, *args, env=None):
    return subprocess.run([os.path.join(ROOT, "scripts", "wine-run.sh"), prefix] + list(args), env=env,
                          stdout=subprocess.PIPE, universal_newlines=True).stdout


def write_piece(path, size, count=None):
    """A piece file of size bytes, zeros after piece 0's count: sparse, so large ones cost nothing."""
    with open(path, "wb") as piece:
        if count is not None:
            piece.write(struct.pack("<I", count))
        piece.truncate(size)


def icon_pixels(path):
    """(x, y) -> (r, g, b) of the opaque pixels of a 32 x 32, 16-colour icon file."""
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 18)[0]
    header = struct.unpack_from("<I", data, offset)[0]
    palette = [data[offset + header + 4 * i: offset + header + 4 * i + 3][::-1] for i in range(16)]
    colours = offset + header + 64
    mask = colours + 32 * 16
    pixels = {}
    for y in range(32):
        row = 31 - y  # bottom-up
        for x in range(32):
            if data[mask + row * 4 + x // 8] & (0x80 >> (x % 8)):
                continue  # transparent
            index = data[colours + row * 16 + x // 2] >> (4 if x % 2 == 0 else 0) & 0x0F
            pixels[(x, y)] = tuple(palette[index])
    return pixels


class Picture:
    """A screen shot as RGB rows, from ImageMagick."""

    def __init__(self, path):
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, stdout=subprocess.PIPE).stdout
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
        self.width, self.height = int(fields.group(1)), int(fields.group(2))
        self.bytes = ppm[fields.end():]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.bytes[i:i + 3])


def client_area(picture, left, top, width, height):
    """The window's client rectangle (left, top, right, bottom) and face colour: below the
    caption, inside the frame, where the face colour of the bottom rows reaches."""
    face = picture.at(left + width // 2, top + height - 6)
    column = left + 6
    rows = [y for y in range(top + 4, top + height) if picture.at(column, y) == face]
    if not rows:
        return None, face
    bottom = rows[-1]
    first = bottom
    while first - 1 in rows:
        first -= 1
    columns = [x for x in range(left, left + width) if picture.at(x, bottom) == face]
    return (columns[0], first, columns[-1], bottom), face


def find_icon(picture, area, icon):
    """Where the icon lies in the area, drawn exactly, or None."""
    left, top, right, bottom = area
    points = sorted(icon.items())
    for y in range(top, bottom - 31 + 1):
        for x in range(left, right - 31 + 1):
            if all(picture.at(x + dx, y + dy) == colour for (dx, dy), colour in points):
                return x, y
    return None


def check_progress_window(picture, rect, icon):
    """What is wrong with the picture of the progress window, or None; and the colours of the bar's row.
    Above the icon's bottom lie the icon and one line of text; below it, one row: the bar and its line."""
    area, face = client_area(picture, *rect)
    if area is None:
        return "no window face in the window's place", []
    left, top, right, bottom = area
    at = find_icon(picture, area, icon)
    if at is None:
        return "the icon is not drawn (face %s)" % (face,), []
    marks = [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
             if picture.at(x, y) != face and not (at[0] <= x < at[0] + 32 and at[1] <= y < at[1] + 32)]
    text = [(x, y) for x, y in marks if y < at[1] + 32]
    row = [(x, y) for x, y in marks if y >= at[1] + 32]
    if not text:
        return "the text is not drawn", []
    ys = [y for _, y in text]
    xs = [x for x, _ in text]
    if max(ys) - min(ys) > 14:
        return "something other than one line of text lies on the face: rows %d to %d" % (min(ys), max(ys)), []
    if min(xs) <= at[0] + 32 or max(xs) - min(xs) < (right - left) // 2 or len(text) < 300:
        return "the text is not drawn whole: %d marks from x %d to %d" % (len(text), min(xs), max(xs)), []
    if not row or max(y for _, y in row) - min(y for _, y in row) > 20:
        return "no bar, or more than the bar's row, below the icon", []
    return None, [picture.at(x, y) for x, y in row]


def main(build):
    if os.environ.get("ZARIZED_WINE_GRAPHICS") != "x11":
        os.execv(os.path.join(ROOT, "scripts", "screen.sh"), ["screen.sh", sys.executable] + sys.argv)
    prefix = os.path.join(build, "screen-prefix")
    shots = os.path.join(build, "screen-shots")
    subprocess.run(["rm", "-rf", shots], check=True)
    os.makedirs(shots)
    wine(prefix, "cmd", "/c", "exit")  # makes the prefix, for the X server, on first use
    # The media and the product on a RAM drive: the join writes 200 MB.
    work = os.path.join(prefix, "drive_c", "SCREEN")
    os.makedirs(work, exist_ok=True)
    subprocess.run(["sh", "-c", 'mountpoint -q "$0" || mount -t tmpfs -o size=512m tmpfs "$0"', work], check=True)
    try:
        disk1, disk2, product = (os.path.join(work, d) for d in ("A", "DISKS/DISK2", "KP"))
        for folder in (disk1, disk2, product):
            os.makedirs(folder)
        for source, target in (("ZARIZED.EXE", disk1), ("ENGINE.COM", disk1 + "/PATCH.DLL"), ("PATCH.PIF", disk1),
                               ("fixtures/release_1_0_0/ZELFSV4.DLL", product)):
            subprocess.run(["cp", os.path.join(build, source), target], check=True)
        with open(os.path.join(disk1, "patch.ini"), "w") as ini:
            ini.write("[VERSION]\r\nVersion=1.0\r\n")
        write_piece(os.path.join(disk1, "PATCH.0"), 100000, 3)
        write_piece(os.path.join(disk2, "PATCH.1"), 100000)
        write_piece(os.path.join(disk1, "PATCH.2"), 200000000)
        wine(prefix, "reg", "add", r"HKLM\Software\Quorvel\InstalledApps", "/v", "Kelvane Palomid", "/d",
             r"C:\SCREEN\KP", "/f")
        runboxes = "Z:" + os.path.join(build, "tests", "runboxes.exe").replace("/", "\\")
        env = dict(os.environ, ZARIZED_DOS_LAUNCHER=os.path.join(build, "DOSLAUNCH.EXE"))
        output = wine(prefix, "explorer", "/desktop=ZARIZED,640x480", runboxes, "--screens", shots + "/run", "--disks",
                      r"C:\SCREEN\DISKS", r"C:\SCREEN\A\ZARIZED.EXE", r"C:\SCREEN\A", env=env)
    finally:
        subprocess.run(["umount", work])
    print(output)
    taken = re.findall(r"\(screen: (\S+) \(window at (\d+),(\d+), (\d+)x(\d+)\)\)", output)
    names = [os.path.basename(path)[7:-4] for path, *_ in taken]
    if names[:3] != ["progress", "zarized", "progress"]:
        print("FAIL: the screen was taken as %s, not at the progress window, the disk prompt, then the window again"
              % names)
        return 1
    icon = icon_pixels(os.path.join(ROOT, "res", "zarized.ico"))
    pictures = []
    failures = 0
    for (path, *rect), when in zip(taken[:3:2], ("at its first appearance", "after the disk prompt")):
        picture = Picture(path)
        rect = tuple(int(n) for n in rect)
        wrong, filled = check_progress_window(picture, rect, icon)
        if wrong:
            print("FAIL: the progress window %s (%s): %s" % (when, os.path.basename(path), wrong))
            failures += 1
        pictures.append((picture, rect, filled))
    if not failures:
        (first, rect, first_row), (after, _, after_row) = pictures
        # The bar's filled part: the colour most of the later row shows (its
        # frame's and line's are far fewer), in pixels in each picture.
        fill = max(set(after_row), key=after_row.count)
        first_filled, after_filled = first_row.count(fill), after_row.count(fill)
        area, _ = client_area(first, *rect)
        icon_bottom = find_icon(first, area, icon)[1] + 32
        differ = sum(first.at(x, y) != after.at(x, y)
                     for y in range(area[1], icon_bottom) for x in range(area[0], area[2] + 1))
        if differ:
            print("FAIL: after the prompt the window's icon and text differ from their first appearance in %d pixels"
                  % differ)
            failures += 1
        # Disk 2 came after piece 0 was joined: the bar has moved on since.
        print("the bar's filled part (colour %s) has %d pixels at the first appearance and %d after the prompt"
              % (fill, first_filled, after_filled))
        if after_filled <= first_filled:
            print("FAIL: the bar is no further along after the disk prompt")
            failures += 1
    if failures:
        return 1
    print("screen test: the progress window shows its icon, text and bar at its first appearance and right after "
          "the disk prompt, with nothing of the prompt left and the bar further along (pictures in %s)" % shots)
    return 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1])))
