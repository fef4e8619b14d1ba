#!/usr/bin/env python3
"""Turns an LZ4 frame of independent blocks into the set-up's block file, each block deflated
on its own so that the installing machine can inflate them on all its processors at once.

    pack-blocks.py <frame.lz4> <out.blocks> <SIZE_DEFINE>

Beside it, <out.blocks>.nsh defines SIZE_DEFINE for the set-up script: the unpacked file's size
in KiB, which its "space required" counts.

Layout, little-endian: "RKB1", block count (u32), expanded size (u64), then per block its
deflated size, its LZ4 size (top bit set when LZ4 stored it as it is) and its expanded size
(three u32), then the zlib streams one after the other.
"""
import struct
import sys
import zlib

FRAME_MAGIC = 0x184D2204
STORED_BIT = 0x80000000
MIN_DEFLATE_SAVING = 0.1


def lz4_blocks(frame):
    """The frame's blocks as (bytes, stored), its block size and its content size."""
    magic, flags, sizes = struct.unpack_from("<IBB", frame, 0)
    if magic != FRAME_MAGIC or not flags & 0x20 or not flags & 0x08:
        sys.exit("pack-blocks: want an LZ4 frame of independent blocks with its content size")
    block_size = 1 << (8 + 2 * ((sizes >> 4) & 7))
    (content_size,) = struct.unpack_from("<Q", frame, 6)
    at = 15
    blocks = []
    while True:
        (size,) = struct.unpack_from("<I", frame, at)
        at += 4
        if size == 0:
            return blocks, block_size, content_size
        length = size & ~STORED_BIT
        blocks.append((frame[at:at + length], bool(size & STORED_BIT)))
        at += length + (4 if flags & 0x10 else 0)


def main():
    source, target, size_define = sys.argv[1:4]
    with open(source, "rb") as f:
        blocks, block_size, content_size = lz4_blocks(f.read())
    table, streams = [], []
    left = content_size
    for data, stored in blocks:
        # The LZ4 tool fills every block but the last.
        expanded = min(block_size, left)
        left -= expanded
        packed = zlib.compress(data, 9)
        # Inflating a block costs the install more than the few bytes it saves below a tenth of
        # its size: such a block goes in a stored zlib stream, copied out and still checksummed.
        if len(packed) > len(data) * (1 - MIN_DEFLATE_SAVING):
            packed = zlib.compress(data, 0)
        streams.append(packed)
        table.append(struct.pack("<III", len(packed), len(data) | (STORED_BIT if stored else 0), expanded))
    if left != 0:
        sys.exit("pack-blocks: the frame's blocks do not add up to its content size")
    with open(target, "wb") as f:
        f.write(b"RKB1" + struct.pack("<IQ", len(blocks), content_size))
        f.writelines(table)
        f.writelines(streams)
    with open(target + ".nsh", "w") as f:
        f.write(f"!define {size_define} {(content_size + 1023) // 1024}\n")


if __name__ == "__main__":
    main()
