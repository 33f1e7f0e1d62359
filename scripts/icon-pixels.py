#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the window icon's pixels as a C++ header, so that the program
shows its icon without reading an image at start-up (reading one makes the
toolkit look through every image plugin).

    python3 scripts/icon-pixels.py res/icon/ohmrada-32.png platform/qt/app/WindowIconPixels.h

The PNG must be 8-bit RGBA, not interlaced (as res/icon/ohmrada-32.png is).
The test WindowIconTest compares the header with the file."""
import struct
import sys
import zlib


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        sys.exit(f"{path}: only 8-bit RGBA without interlacing is read")
    raw = zlib.decompress(idat)
    stride = 4 * width
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            corner = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                guess = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + guess) & 255
        rows.append(line)
        previous = line
    return width, height, rows


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    width, height, rows = decode(sys.argv[1])
    values = []
    for line in rows:
        for x in range(width):
            r, g, b, a = line[4 * x:4 * x + 4]
            values.append(f"0x{a:02x}{r:02x}{g:02x}{b:02x}u")
    lines = [", ".join(values[i:i + 6]) + "," for i in range(0, len(values), 6)]
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write("// SPDX-License-Identifier: GPL-3.0-or-later\n")
        out.write("// Written by scripts/icon-pixels.py from res/icon/ohmrada-32.png: do not edit.\n")
        out.write("#pragma once\n\n#include <cstdint>\n\nnamespace ohmrada::qt {\n\n")
        out.write(f"inline constexpr int kWindowIconSize = {width};\n")
        out.write("// Row by row, each pixel 0xAARRGGBB (not premultiplied).\n")
        out.write(f"inline constexpr std::uint32_t kWindowIconPixels[{width * height}] = {{\n")
        out.write("\n".join("    " + line for line in lines))
        out.write("\n};\n\n}  // namespace ohmrada::qt\n")


if __name__ == "__main__":
    main()
