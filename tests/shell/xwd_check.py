#!/usr/bin/env python3
"""Reads an X window dump (ZPixmap, 24 or 32 bits per pixel), writes it as a
PNG and prints the number of distinct colours, the share of pixels that
differ from the most common one and the share of white (a diagram's page). usage: xwd_check.py screen.xwd out.png"""
import struct
import sys
import zlib
from collections import Counter

data = open(sys.argv[1], "rb").read()
fields = struct.unpack(">25I", data[:100])
header_size, version, pixmap_format, depth, width, height = fields[:6]
byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
if pixmap_format != 2 or bits_per_pixel not in (24, 32):
    sys.exit(f"unsupported dump: format {pixmap_format}, {bits_per_pixel} bits per pixel")
start = header_size + ncolors * 12
step = bits_per_pixel // 8
rows = []
counts = Counter()
for y in range(height):
    line = data[start + y * bytes_per_line : start + y * bytes_per_line + width * step]
    row = bytearray()
    for x in range(0, len(line), step):
        px = line[x : x + step]
        if byte_order == 0:  # least significant byte first: B G R (X)
            r, g, b = px[2], px[1], px[0]
        else:
            r, g, b = px[-3], px[-2], px[-1]
        row += bytes((r, g, b))
        counts[(r, g, b)] += 1
    rows.append(bytes(row))

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

raw = b"".join(b"\x00" + row for row in rows)
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
open(sys.argv[2], "wb").write(png)
total = width * height
background = counts.most_common(1)[0][1]
white = counts.get((255, 255, 255), 0)
print(len(counts), f"{100.0 * (total - background) / total:.1f}", f"{100.0 * white / total:.1f}")
