#!/usr/bin/env python3
"""screenshot.py DISPLAY OUT.png X Y WIDTH HEIGHT [SCALE]: saves that area as PNG, prints its badge red pixels."""
import struct
import subprocess
import sys
import zlib


def grab(display):
    """The whole screen (24 bits) as (width, height, pixel(x, y) -> (r, g, b)); None when the X server refused."""
    result = subprocess.run(["xwd", "-root", "-silent", "-display", display], stdout=subprocess.PIPE,
                            timeout=20, check=False)
    if result.returncode != 0:
        return None
    fields = struct.unpack(">25I", result.stdout[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, step, line_bytes, ncolors = fields[7], fields[11] // 8, fields[12], fields[19]
    pixels = result.stdout[header_size + 12 * ncolors:]

    def pixel(x, y):
        at = y * line_bytes + step * x
        value = int.from_bytes(pixels[at:at + step], "little" if byte_order == 0 else "big")
        return (value >> 16) & 255, (value >> 8) & 255, value & 255

    return width, height, pixel


def save(screen, out, x0, y0, w, h, scale=1):
    """Writes an area of a grabbed screen, `scale` times as large, to `out` as PNG; its badge red pixels."""
    width, height, pixel = screen
    w, h = min(w, width - x0), min(h, height - y0)
    red, rows = 0, []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b = pixel(x0 + x, y0 + y)
            red += r > 180 and g < 100 and b < 100
            row += bytes((r, g, b)) * scale
        rows.extend([b"\0" + bytes(row)] * scale)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w * scale, h * scale, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)
    return red


if __name__ == "__main__":
    screen = grab(sys.argv[1]) or sys.exit(f"could not grab {sys.argv[1]}")
    print(save(screen, sys.argv[2], *map(int, sys.argv[3:8])))
