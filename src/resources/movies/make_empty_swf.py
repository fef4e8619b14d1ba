#!/usr/bin/env python3
"""Writes empty.swf: the blank movie the preview loads when it has no clip to show.

Version 3 SWF, 320x240 at 10 frames per second, white background, two frames that each
show one white 320x240 JPEG picture, so that loading it ends any playback and leaves a
white pane. Run by hand when the movie has to change; the output is kept in the repo.
Needs ImageMagick's `convert` for the JPEG.
"""
import struct
import subprocess
import sys

WIDTH, HEIGHT, TWIPS = 320, 240, 20


class Bits:
    def __init__(self):
        self.bits = []

    def unsigned(self, value, count):
        self.bits += [(value >> (count - 1 - i)) & 1 for i in range(count)]

    def signed(self, value, count):
        self.unsigned(value & ((1 << count) - 1), count)

    def data(self):
        padded = self.bits + [0] * (-len(self.bits) % 8)
        return bytes(int("".join(map(str, padded[i:i + 8])), 2) for i in range(0, len(padded), 8))


def signed_width(*values):
    return max(max(abs(v), 1).bit_length() + 1 for v in values)


def rect(xmax, ymax):
    bits = Bits()
    width = signed_width(xmax, ymax)
    bits.unsigned(width, 5)
    for value in (0, xmax, 0, ymax):
        bits.signed(value, width)
    return bits.data()


def tag(code, body=b""):
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


def bitmap_matrix():
    # A bitmap fill maps one bitmap pixel to one unit of the shape's space (a twip).
    bits = Bits()
    scale = TWIPS << 16
    width = signed_width(scale)
    bits.unsigned(1, 1)
    bits.unsigned(width, 5)
    bits.signed(scale, width)
    bits.signed(scale, width)
    bits.unsigned(0, 1)  # no rotation
    bits.unsigned(0, 5)  # no translation
    return bits.data()


def rectangle_shape(shape_id, bitmap_id):
    w, h = WIDTH * TWIPS, HEIGHT * TWIPS
    body = struct.pack("<H", shape_id) + rect(w, h)
    body += bytes([1, 0x41]) + struct.pack("<H", bitmap_id) + bitmap_matrix()
    body += bytes([0])  # no line styles
    bits = Bits()
    bits.unsigned(1, 4)  # fill index bits
    bits.unsigned(0, 4)  # line index bits
    bits.unsigned(0b000101, 6)  # style change: fill style 1 and a move
    bits.unsigned(1, 5)
    bits.signed(0, 1)
    bits.signed(0, 1)
    bits.unsigned(1, 1)  # fill style 1
    edge_bits = signed_width(w, h)
    for vertical, delta in ((False, w), (True, h), (False, -w), (True, -h)):
        bits.unsigned(0b11, 2)  # straight edge
        bits.unsigned(edge_bits - 2, 4)
        bits.unsigned(0, 1)  # horizontal or vertical only
        bits.unsigned(1 if vertical else 0, 1)
        bits.signed(delta, edge_bits)
    bits.unsigned(0, 6)  # end of shape
    return tag(2, body + bits.data())


def main(out_path):
    jpeg = subprocess.run(
        ["convert", "-size", f"{WIDTH}x{HEIGHT}", "xc:white", "-strip", "-quality", "50",
         "-sampling-factor", "2x2", "jpeg:-"], check=True, capture_output=True).stdout
    body = tag(9, bytes([255, 255, 255]))  # white background
    body += tag(21, struct.pack("<H", 1) + jpeg)  # DefineBitsJPEG2
    body += rectangle_shape(2, 1)
    body += tag(26, bytes([0x02]) + struct.pack("<HH", 1, 2))  # place the shape at depth 1
    body += tag(1) + tag(1) + tag(0)  # two frames, end
    header_tail = rect(WIDTH * TWIPS, HEIGHT * TWIPS) + struct.pack("<HH", 10 << 8, 2)
    length = 8 + len(header_tail) + len(body)
    with open(out_path, "wb") as out:
        out.write(b"FWS" + bytes([3]) + struct.pack("<I", length) + header_tail + body)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "empty.swf")
