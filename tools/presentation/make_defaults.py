#!/usr/bin/env python3
"""Writes the client's built-in presentation for protocol 0x20000 as the
binary records the client reads (32-bit little-endian words):
  defc20000.bin       per channel: flags, effects, light colour, dark colour
  defv20000.bin       per view: channel mask
  defcolors20000.bin  per palette entry: light colour, dark colour
Colours are 0x00BBGGRR. Run it after changing the tables:
  python3 tools/presentation/make_defaults.py data/presentation
"""

import os
import struct
import sys

BOLD = 0x1
AUTO_COLOR = 0x40000000

# flags, effects, light, dark; channels with automatic colour keep 0.
CHANNELS = [
    (0x1F, BOLD, 0x0000FF, 0x0000FF),
    (0x09, AUTO_COLOR, 0, 0),
    (0x09, 0, 0x800000, 0xFFC0C0),
    (0x1B, 0, 0x808000, 0xFFFF00),
    (0x1B, 0, 0x408000, 0x80FF10),
    (0x19, 0, 0x006000, 0x00FF00),
    (0x09, 0, 0x606060, 0xB0B0B0),
    (0x13, AUTO_COLOR, 0, 0),
    (0x1B, 0, 0x408000, 0x80FF10),
    (0x1F, BOLD, 0x0000FF, 0x0000FF),
]

VIEWS = [0x3FF, 0x083, 0x33D, 0x308, 0x311, 0x301, 0x325]

PALETTE = [
    (0x000000, 0xFFFFFF), (0x990044, 0xFF0088), (0x990099, 0xFF00FF), (0x440099, 0xCCCCFF),
    (0x0000FF, 0x0000FF), (0x003366, 0x004499), (0x0099FF, 0x0099FF), (0x009999, 0x00FFFF),
    (0x006622, 0x00FF55), (0x005500, 0x00CC00), (0x808000, 0xFFFF00), (0xFF0000, 0xFF0000),
    (0x660000, 0xFF7760), (0x606060, 0xB0B0B0), (0xB0B0B0, 0x606060),
]


def words(rows):
    return b"".join(struct.pack("<%dI" % len(row), *row) for row in rows)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    files = {"defc20000.bin": words(CHANNELS), "defv20000.bin": words((v,) for v in VIEWS),
             "defcolors20000.bin": words(PALETTE)}
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "data", "presentation"))
