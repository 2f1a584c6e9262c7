#!/usr/bin/env python3
"""Draws the program icon (32x32, 16 colours): a list sheet with two ticked rows.
Writes resources/app.ico; run again only when the picture changes."""
import struct, os

# The standard 16-colour palette, as BGRA quads.
PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
BLACK, GREY, SILVER, WHITE, NAVY, GREEN = 0, 8, 7, 15, 4, 2

W = H = 32
pix = [[None] * W for _ in range(H)]          # None = transparent
def rect(x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pix[y][x] = c

rect(3, 2, 28, 29, BLACK)                     # sheet outline
rect(4, 3, 27, 28, WHITE)
rect(4, 3, 27, 7, NAVY)                       # header band
for row, ticked in ((10, True), (16, True), (22, False)):
    rect(6, row, 11, row + 4, BLACK)          # check box
    rect(7, row + 1, 10, row + 3, WHITE)
    rect(14, row + 2, 25, row + 2, GREY)      # text line
    if ticked:
        for dx, dy in ((0, 1), (1, 2), (2, 1), (3, 0)):
            pix[row + 1 + dy][7 + dx] = GREEN

xor = bytearray()
for y in reversed(range(H)):                  # bitmaps are stored bottom-up
    for x in range(0, W, 2):
        hi = pix[y][x] or 0
        lo = pix[y][x + 1] or 0
        xor.append((hi << 4) | lo)
andmask = bytearray()
for y in reversed(range(H)):
    bits = 0
    for x in range(W):
        bits = (bits << 1) | (1 if pix[y][x] is None else 0)
    andmask += struct.pack('>I', bits)

header = struct.pack('<IiiHHIIiiII', 40, W, H * 2, 1, 4, 0, len(xor) + len(andmask), 0, 0, 16, 0)
palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
image = header + palette + bytes(xor) + bytes(andmask)
icondir = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', W, H, 16, 0, 1, 4, len(image), 22)
out = os.path.join(os.path.dirname(__file__), '..', 'resources', 'app.ico')
with open(out, 'wb') as f:
    f.write(icondir + image)
