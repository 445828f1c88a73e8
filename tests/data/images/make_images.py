#!/usr/bin/env python3
"""Writes the BMP and ICO files that the Windows image decoder is tested on.

Most files hold the same 3 x 2 picture, top row red, green, blue and bottom
row white, black, yellow, each in another encoding; the rest are damaged on
purpose. Run it in this folder to make them again.
"""
import struct
import zlib

RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
WHITE, BLACK, YELLOW = (255, 255, 255), (0, 0, 0), (255, 255, 0)
TOP = [RED, GREEN, BLUE]
BOTTOM = [WHITE, BLACK, YELLOW]
PALETTE = [RED, GREEN, BLUE, WHITE, BLACK, YELLOW]


def info_header(width, height, bits, compression=0, size=40, colors=0):
    header = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, 2835,
                         2835, colors, 0)
    return header + bytes(size - 40)


def bmp(dib, pixels):
    offset = 14 + len(dib)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + dib + pixels


def pad(row):
    return row + bytes(-len(row) % 4)


def bgr(c):
    return bytes((c[2], c[1], c[0]))


def palette(colors, entry=4):
    return b''.join(bgr(c) + bytes(entry - 3) for c in colors)


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


# 24 bits, bottom-up, rows padded to whole words.
write('rgb24.bmp', bmp(info_header(3, 2, 24),
                       pad(b''.join(map(bgr, BOTTOM))) + pad(b''.join(map(bgr, TOP)))))

# 32 bits without compression, top-down; the fourth byte is 0 and means
# nothing: the picture is opaque.
write('topdown32.bmp', bmp(info_header(3, -2, 32),
                           b''.join(bgr(c) + b'\0' for c in TOP + BOTTOM)))

# The 12-byte core header with an 8-bit palette of 3-byte entries, all 256
# of them as that header wants.
core = struct.pack('<IHHHH', 12, 3, 2, 1, 8) + palette(PALETTE + [BLACK] * 250, 3)
write('core8.bmp', bmp(core, pad(bytes([3, 4, 5])) + pad(bytes([0, 1, 2]))))

# 1 bit: red and white in a checker.
write('mono.bmp', bmp(info_header(3, 2, 1, colors=2) + palette([RED, WHITE]),
                      pad(bytes([0b10100000])) + pad(bytes([0b01000000]))))

# RLE8: the bottom row as a literal of three, the top row as runs of one.
rle8 = bytes([0, 3, 3, 4, 5, 0,    # literal: white, black, yellow, padded to a word
              0, 0,                # end of line
              1, 0, 1, 1, 1, 2,    # runs of one: red, green, blue
              0, 1])               # end of bitmap
write('rle8.bmp', bmp(info_header(3, 2, 8, compression=1, colors=6) + palette(PALETTE), rle8))

# RLE4: a delta moves past the bottom row's first pixel, which stays
# transparent; runs of two and one pixel fill the rest.
rle4 = bytes([0, 2, 1, 0,      # delta: one right, no row up
              2, 0x45,         # run: black, yellow
              0, 0,            # end of line
              2, 0x01,         # run: red, green
              1, 0x20,         # run: blue
              0, 1])           # end of bitmap
write('rle4.bmp', bmp(info_header(3, 2, 4, compression=2, colors=6) + palette(PALETTE), rle4))

# 16 bits 5-6-5 in bit fields after a 40-byte header.
def rgb565(c):
    return struct.pack('<H', ((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3))


masks565 = struct.pack('<III', 0xF800, 0x07E0, 0x001F)
write('rgb565.bmp', bmp(info_header(3, 2, 16, compression=3) + masks565,
                        pad(b''.join(map(rgb565, BOTTOM))) + pad(b''.join(map(rgb565, TOP)))))

# A version 5 header with an alpha mask: the black pixel is half
# transparent (alpha 0x80).
v5 = bytearray(info_header(3, 2, 32, compression=3, size=124))
v5[40:56] = struct.pack('<IIII', 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
write('argb-v5.bmp', bmp(bytes(v5), b''.join(
    bgr(c) + (b'\x80' if c == BLACK else b'\xff') for c in BOTTOM + TOP)))


def icon(image, width=3, height=2, bits=8):
    entry = struct.pack('<BBBBHHII', width, height, 0, 0, 1, bits, len(image), 6 + 16)
    return struct.pack('<HHH', 0, 1, 1) + entry + image


# An 8-bit icon whose AND mask clears the black pixel (bottom row, middle).
and_mask = pad(bytes([0b01000000])) + pad(bytes([0]))
write('mask8.ico', icon(info_header(3, 4, 8, colors=6) + palette(PALETTE) +
                        pad(bytes([3, 4, 5])) + pad(bytes([0, 1, 2])) + and_mask))

# A 32-bit icon with alpha: the black pixel is fully transparent, and the
# AND mask, all clear, does not count.
write('alpha32.ico', icon(info_header(3, 4, 32) + b''.join(
    bgr(c) + (b'\0' if c == BLACK else b'\xff') for c in BOTTOM + TOP) + pad(b'\0') * 2,
    bits=32))


def png(rows):
    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data)))
    raw = b''.join(b'\0' + b''.join(bytes(c) for c in row) for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 3, 2, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


# An icon whose image is stored as PNG.
write('png.ico', icon(png([TOP, BOTTOM]), bits=32))

# Damaged files.
good = open('rgb24.bmp', 'rb').read()
write('bad-header.bmp', good[:20])
write('bad-pixels.bmp', good[:-4])
huge = bytearray(good)
huge[18:26] = struct.pack('<ii', 100000, 100000)
write('bad-huge.bmp', bytes(huge))
bits7 = bytearray(good)
bits7[28:30] = struct.pack('<H', 7)
write('bad-bits.bmp', bytes(bits7))
write('bad-rle.bmp', bmp(info_header(3, 2, 8, compression=1, colors=6) + palette(PALETTE),
                         bytes([0, 200, 1, 2, 3])))
ico = bytearray(open('mask8.ico', 'rb').read())
ico[18:22] = struct.pack('<I', 100000)
write('bad-offset.ico', bytes(ico))
