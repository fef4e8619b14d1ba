#!/usr/bin/env python3
"""Writes the byte ranges an adaptive player fetches one by one: the init segment, then one
range per fragment (an MP4 moof+mdat pair, a WebM Cluster). Usage: pieces.py OUT.json FILE...

The JSON maps each file name to {"size": N, "type": MIME, "codecs": C, "pieces": [[first, last], ...]},
bounds inclusive as in a Range header; the first piece is the init segment.
"""
import json
import os
import struct
import sys


def mp4_pieces(data):
    boxes, at = [], 0
    while at + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        if size == 1:
            size = struct.unpack(">Q", data[at + 8:at + 16])[0]
        boxes.append((kind, at, at + size))
        at += size
    pieces, start = [], 0
    for kind, begin, end in boxes:
        # A piece ends before each moof: ftyp+moov make the init, moof+mdat a fragment.
        if kind == b"moof" and begin > start:
            pieces.append([start, begin - 1])
            start = begin
    pieces.append([start, len(data) - 1])
    return pieces


def vint(data, at, keep_marker=False):
    first = data[at]
    length = 1
    while length <= 8 and not first & (0x80 >> (length - 1)):
        length += 1
    value = first if keep_marker else first & ((0x80 >> (length - 1)) - 1)
    for k in range(1, length):
        value = (value << 8) | data[at + k]
    return value, length


def webm_pieces(data):
    at = 0
    while at < len(data):
        element, id_length = vint(data, at, keep_marker=True)
        size, size_length = vint(data, at + id_length)
        if element == 0x18538067:  # Segment: its children follow
            at += id_length + size_length
            break
        at += id_length + size_length + size
    pieces, start = [], 0
    while at < len(data):
        element, id_length = vint(data, at, keep_marker=True)
        size, size_length = vint(data, at + id_length)
        # Each Cluster starts a piece; Cues after the last one stay with it.
        if element == 0x1F43B675 and at > start:
            pieces.append([start, at - 1])
            start = at
        at += id_length + size_length + size
    pieces.append([start, len(data) - 1])
    return pieces


def codec(name, data):
    if name.startswith("h264"):
        at = data.find(b"avcC")  # configuration version, then profile, compatibility, level
        return "avc1.%02x%02x%02x" % (data[at + 5], data[at + 6], data[at + 7])
    return {"aac": "mp4a.40.2", "vp9": "vp9", "opus": "opus"}[name.split(".")[0]]


def main():
    out, files = sys.argv[1], sys.argv[2:]
    table = {}
    for path in files:
        data = open(path, "rb").read()
        name = os.path.basename(path)
        video = name.startswith(("h264", "vp9"))
        container = "mp4" if name.endswith(".mp4") else "webm"
        pieces = mp4_pieces(data) if container == "mp4" else webm_pieces(data)
        table[name] = {"size": len(data), "type": ("video/" if video else "audio/") + container,
                       "codecs": codec(name, data), "pieces": pieces}
    with open(out, "w") as f:
        json.dump(table, f, indent=1)


if __name__ == "__main__":
    main()
