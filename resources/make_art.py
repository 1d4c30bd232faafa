#!/usr/bin/env python3
"""Draws Orvane's icons, hand cursor and About logo into resources/.

Run from anywhere: python3 resources/make_art.py. The icons and the cursor
are drawn pixel by pixel here; the logo's lettering needs a font, so it is
drawn with ImageMagick's convert and saved as a 256-colour bitmap.
"""
import math
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))

# The small icon is 16 pixels at 100 %, 20 at 125 %, 24 at 150 % and 32 at
# 200 %; the large one 32, 40, 48 and 64. Drawn at each size, so Windows
# never has to stretch one (LoadIconMetric takes the exact size when there).
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64)


def blank(size, colour=(0, 0, 0, 0)):
    return [[colour for _ in range(size)] for _ in range(size)]


def draw_line(img, x0, y0, x1, y1, width, colour):
    size = len(img)
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
            cx, cy = x0 + t * dx, y0 + t * dy
            if (px - cx) ** 2 + (py - cy) ** 2 <= (width / 2.0) ** 2:
                img[y][x] = colour


def clock_face(size, ring, face, hand):
    img = blank(size)
    c = size / 2.0
    r_out = size / 2.0 - 0.5
    r_in = r_out - max(1.5, size / 10.0)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - c, y + 0.5 - c)
            if d <= r_in:
                img[y][x] = face
            elif d <= r_out:
                img[y][x] = ring
    # Hour marks at 12, 3, 6 and 9.
    for k in range(4):
        a = k * math.pi / 2
        draw_line(img, c + math.sin(a) * r_in * 0.78, c - math.cos(a) * r_in * 0.78,
                  c + math.sin(a) * r_in * 0.95, c - math.cos(a) * r_in * 0.95,
                  max(1.0, size / 16.0), hand)
    # Ten past ten.
    draw_line(img, c, c, c + math.sin(math.radians(-60)) * r_in * 0.5,
              c - math.cos(math.radians(-60)) * r_in * 0.5, max(1.2, size / 11.0), hand)
    draw_line(img, c, c, c + math.sin(math.radians(60)) * r_in * 0.8,
              c - math.cos(math.radians(60)) * r_in * 0.8, max(1.0, size / 16.0), hand)
    return img


def dib32(img):
    """BITMAPINFOHEADER + BGRA rows bottom-up + AND mask, as icons hold them."""
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(img) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(img):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def write_icon_file(path, images, kind=1, hotspot=(0, 0)):
    count = len(images)
    out = struct.pack('<HHH', 0, kind, count)
    offset = 6 + 16 * count
    blobs = []
    for img in images:
        blob = dib32(img)
        size = len(img)
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspot
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, planes, bits, len(blob),
                           offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def hand_cursor():
    """A pointing hand, 32 x 32, the fingertip at (12, 1)."""
    img = blank(32)
    black, white = (0, 0, 0, 255), (255, 255, 255, 255)
    shape = set()
    for y in range(1, 16):          # index finger
        for x in range(10, 15):
            shape.add((x, y))
    for fx, top in ((15, 9), (19, 10), (23, 12)):  # the other three fingers
        for y in range(top, 18):
            for x in range(fx, fx + 4):
                shape.add((x, y))
    for y in range(14, 27):         # palm
        for x in range(8 if y > 18 else 10, 27):
            shape.add((x, y))
    for y in range(16, 22):         # thumb
        for x in range(5, 10):
            if x - 5 >= (21 - y) // 2:
                shape.add((x, y))
    for (x, y) in shape:
        img[y][x] = white
    for (x, y) in shape:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nx, ny = x + dx, y + dy
            if (nx, ny) not in shape and 0 <= nx < 32 and 0 <= ny < 32:
                img[ny][nx] = black
    for x in (15, 19, 23):          # creases between the fingers
        for y in range(12, 18):
            if (x, y) in shape:
                img[y][x] = black
    return img


def main():
    ring, face, hand = (28, 76, 150, 255), (250, 250, 244, 255), (30, 30, 40, 255)
    write_icon_file(os.path.join(HERE, 'orvane.ico'),
                    [clock_face(size, ring, face, hand) for size in ICON_SIZES])
    green = (34, 130, 60, 255)
    write_icon_file(os.path.join(HERE, 'setup.ico'),
                    [clock_face(size, green, face, hand) for size in ICON_SIZES])
    write_icon_file(os.path.join(HERE, 'hand.cur'), [hand_cursor()], kind=2, hotspot=(12, 1))
    # The logo: 163 x 67, 256 colours (8 bits per pixel, uncompressed).
    subprocess.run([
        'convert', '-size', '163x67', 'gradient:#1c4c96-#6fa3e0',
        '-fill', 'white', '-font', 'DejaVu-Sans-Bold', '-pointsize', '24',
        '-gravity', 'north', '-annotate', '+0+8', 'PELLMOOR',
        '-font', 'DejaVu-Sans', '-pointsize', '11', '-annotate', '+0+40', 'software for clocks',
        '-type', 'Palette', '-colors', '256', '-compress', 'None',
        'BMP3:' + os.path.join(HERE, 'logo.bmp')], check=True)


if __name__ == '__main__':
    main()
