#!/usr/bin/env python3
"""Writes the program's two movies into the folder given, at build time.

empty.swf: the blank movie the preview loads when it has no clip to show. Version 3,
320x240 at 10 frames per second, white background, two frames that each show one white
320x240 JPEG picture, so that loading it ends any playback and leaves a white pane.
Needs ImageMagick's `convert` for the JPEG.

player.swf: the player movie, which the control recognises by the marker in its metadata
and then plays the clip named by its parameters. Version 9, 320x240 at 30 frames per
second, black background, one empty frame.
"""
import os
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


# Must match kPlayerMovieMarker of the control.
PLAYER_MARKER = b"reelkeep-video-player"


def movie(version, frame_rate, frame_count, body):
    header_tail = rect(WIDTH * TWIPS, HEIGHT * TWIPS) + struct.pack("<HH", frame_rate << 8, frame_count)
    length = 8 + len(header_tail) + len(body)
    return b"FWS" + bytes([version]) + struct.pack("<I", length) + header_tail + body


def empty_movie():
    jpeg = subprocess.run(
        ["convert", "-size", f"{WIDTH}x{HEIGHT}", "xc:white", "-strip", "-quality", "50",
         "-sampling-factor", "2x2", "jpeg:-"], check=True, capture_output=True).stdout
    body = tag(9, bytes([255, 255, 255]))  # white background
    body += tag(21, struct.pack("<H", 1) + jpeg)  # DefineBitsJPEG2
    body += rectangle_shape(2, 1)
    body += tag(26, bytes([0x02]) + struct.pack("<HH", 1, 2))  # place the shape at depth 1
    body += tag(1) + tag(1) + tag(0)  # two frames, end
    return movie(3, 10, 2, body)


def player_movie():
    metadata = (b'<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
                b'<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/">'
                b"<dc:title>" + PLAYER_MARKER + b"</dc:title></rdf:Description></rdf:RDF>\0")
    body = tag(69, struct.pack("<I", 0x10))  # FileAttributes: has metadata
    body += tag(77, metadata)
    body += tag(9, bytes([0, 0, 0]))  # black background
    body += tag(1) + tag(0)
    return movie(9, 30, 1, body)


def main(out_folder):
    for name, data in (("empty.swf", empty_movie()), ("player.swf", player_movie())):
        # Written whole under a temporary name, so a failed run leaves no half movie.
        path = os.path.join(out_folder, name)
        with open(path + ".part", "wb") as out:
            out.write(data)
        os.replace(path + ".part", path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
