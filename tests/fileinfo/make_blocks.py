#!/usr/bin/env python3
"""Writes a version block of the 16-bit layout that seeds the fuzz target: make_blocks.py OUTPUT_DIR

Each node: total length, value length (characters for text, bytes otherwise), type (1 text, 0 binary),
the UTF-16 key with its zero, then the value and the children, each at a 4-byte boundary."""
import os
import struct
import sys


def node(key, value=b"", length=0, kind=1, children=()):
    body = b"\0" * 6 + (key + "\0").encode("utf-16-le")
    for piece in (value, *children):
        body += b"\0" * (-len(body) % 4) + piece
    return struct.pack("<HHH", len(body), length, kind) + body[6:]


def text(key, value):
    return node(key, (value + "\0").encode("utf-16-le"), len(value) + 1)


fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x10002, 0x30004, 0x10002, 0x30004, 0x3F, 0, 4, 2, 0, 0, 0)
strings = [text("CompanyName", "Vesk"), text("FileDescription", "Head"), text("LegalCopyright", "(c)"),
           text("OriginalFilename", "a.ocx"), text("ProductVersion", "1.0")]
block = node("VS_VERSION_INFO", fixed, len(fixed), 0, [
    node("StringFileInfo", children=[node("040904E4", children=strings)]),
    node("VarFileInfo", children=[node("Translation", struct.pack("<HH", 0x409, 1252), 4, 0)])])
os.makedirs(sys.argv[1], exist_ok=True)
with open(os.path.join(sys.argv[1], "wide.bin"), "wb") as f:
    f.write(block)
