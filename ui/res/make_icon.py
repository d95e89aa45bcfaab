#!/usr/bin/env python3
"""Draws Pyrolux.ico: a processor die with a flame on it, at 16, 32 and 48 pixels.

Run once by hand when the design changes; the .ico is committed.
"""
import math
import struct


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def draw(size):
    px = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]
    s = size / 32.0
    # Chip body with pins.
    body0, body1 = int(6 * s), int(26 * s)
    for y in range(size):
        for x in range(size):
            inside = body0 <= x < body1 and body0 <= y < body1
            if inside:
                edge = x in (body0, body1 - 1) or y in (body0, body1 - 1)
                px[y][x] = (40, 44, 52, 255) if edge else (70, 76, 88, 255)
    pin_step = max(2, int(4 * s))
    for i in range(body0 + pin_step // 2, body1 - 1, pin_step):
        for d in range(max(1, int(3 * s))):
            for a, b in ((i, body0 - 1 - d), (i, body1 + d), (body0 - 1 - d, i), (body1 + d, i)):
                if 0 <= a < size and 0 <= b < size:
                    px[b][a] = (170, 170, 180, 255)
    # Flame: a teardrop, yellow core to red rim.
    cx, base = 16 * s, 23.5 * s
    for y in range(size):
        for x in range(size):
            fx = (x + 0.5 - cx) / s
            fy = (base - (y + 0.5)) / s
            if fy < -1 or fy > 16:
                continue
            width = 6.5 * math.sqrt(max(0.0, 1 - ((fy - 4) / 12) ** 2)) if fy > 4 else math.sqrt(max(0.0, 42 - (4 - fy) ** 2 * 6.5))
            width *= 0.9 + 0.1 * math.sin(fy * 0.9)
            if abs(fx) <= width:
                t = min(1.0, abs(fx) / max(width, 0.01) * 0.6 + fy / 16 * 0.6)
                r, g, b = lerp((255, 236, 120), (230, 40, 20), t)
                px[y][x] = (r, g, b, 255)
    return px


def bmp_entry(size, px):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b''
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = px[y][x]
            rows += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if px[y][x][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + rows + mask


def main():
    sizes = (16, 32, 48)
    images = [bmp_entry(s, draw(s)) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open('Pyrolux.ico', 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
