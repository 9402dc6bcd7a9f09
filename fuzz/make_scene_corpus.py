#!/usr/bin/env python3
"""Writes the seed corpus of sprite_scene_fuzz: each sheet of the reader's corpus
(corpus/dib_reader, from make_dib_corpus.py) and no sheet at all, under a scene
with a few operations. Run from anywhere; the output is committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SHEETS = os.path.join(HERE, "corpus", "dib_reader")
OUT = os.path.join(HERE, "corpus", "sprite_scene")

# Operation codes of the target: size, pattern, choose pattern, centre, visible, render.
SIZE, PATTERN, CHOOSE, CENTRE, VISIBLE, RENDER = range(6)


def operations(sprites, patterns):
    ops = bytearray()
    for s in range(sprites):
        ops += bytes([SIZE, s + 1, 64 + 8 - s, 64 + 8 + s])                  # 64 x 64 and neighbours
    for p in range(patterns):
        ops += bytes([PATTERN, p + 1, 1]) + struct.pack("<hh", 32, 32 + 64 * p)
    for s in range(sprites):
        ops += bytes([CHOOSE, s + 1, s % patterns + 1, VISIBLE, s + 1, 1, 0])
        ops += bytes([CENTRE, s + 1, 0, 64 + 20 * s, 80])                  # inside the buffer
    ops += bytes([RENDER])
    ops += bytes([CENTRE, 1, 1]) + struct.pack("<ii", -2**31, 2**31 - 1)  # far outside
    ops += bytes([CENTRE, 2, 0, 0, 255, RENDER, VISIBLE, 3, 0, 1, RENDER])  # hidden by the low byte
    return ops


def scene(sheet, sprites=3, patterns=3, as_file=False, two_images=False, width=120, height=90):
    counts = sprites | patterns << 3 | (0x40 if as_file else 0) | (0x80 if two_images else 0)
    return bytes([counts, width - 1, height - 1]) + struct.pack("<H", len(sheet)) + sheet + operations(sprites, patterns)


def main():
    os.makedirs(OUT, exist_ok=True)
    for i, name in enumerate(sorted(os.listdir(SHEETS))):
        with open(os.path.join(SHEETS, name), "rb") as f:
            sheet = f.read()
        with open(os.path.join(OUT, os.path.splitext(name)[0]), "wb") as f:
            f.write(scene(sheet, as_file=name.endswith(".bmp"), two_images=i % 2 == 1, width=97 + i, height=61 + i))
    with open(os.path.join(OUT, "no_sheet"), "wb") as f:
        f.write(scene(b"", sprites=7, patterns=7, width=256, height=1))


if __name__ == "__main__":
    main()
