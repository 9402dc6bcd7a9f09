#!/usr/bin/env python3
"""Writes the seed corpus of dib_reader_fuzz: small valid bitmaps in every header
form the reader accepts. Run from the repository root; the output is committed."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "dib_reader")


def bmp(width, height, header_size=40, colours=256, file_header=False, gap=0, size_image=None, cut=0):
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in range(height):
        y = height - 1 - row
        for x in range(stride):
            pixels.append(10 if (x + y) % 3 == 0 else (x * 3 + y * 5 + 11) % 256 if x < width else 0)
    core = header_size == 12
    entry = 3 if core else 4
    table = bytearray()
    for i in range(colours):
        table += bytes([i, 255 - i, (i * 7 + 3) % 256]) + (b"" if core else b"\0")
    if core:
        header = struct.pack("<IHHHH", 12, width, height, 1, 8)
    else:
        image = len(pixels) if size_image is None else size_image
        header = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, 8, 0, image, 2835, 2835,
                             0 if colours == 256 else colours, 0)
        header += bytes(header_size - 40)
    body = header + table + bytes([0xAB]) * gap + pixels
    if file_header:
        offset = 14 + len(header) + len(table) + gap
        body = struct.pack("<HIHHI", 0x4D42, 14 + len(body), 0, 0, offset) + body
    return body[:len(body) - cut] if cut else body


SEEDS = {
    "info_packed.bmp": bmp(13, 7),
    "info_file_header.bmp": bmp(13, 7, file_header=True),
    "info_file_header_gap.bmp": bmp(9, 5, file_header=True, gap=6),
    "core_packed.bmp": bmp(11, 6, header_size=12),
    "core_file_header.bmp": bmp(11, 6, header_size=12, file_header=True),
    "short_table.bmp": bmp(8, 8, colours=16),
    "short_table_file_header.bmp": bmp(8, 8, colours=12, file_header=True),
    "size_image_zero.bmp": bmp(64, 70, size_image=0),
    "v5_header.bmp": bmp(7, 9, header_size=124, file_header=True),
    "short_pixels.bmp": bmp(16, 16, cut=40),
    "sheet_two_frames.dib": bmp(64, 128),  # the sprite sheet's form, used in place
}

os.makedirs(OUT, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
