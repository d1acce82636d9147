#!/usr/bin/env python3
"""Writes the hand-built version blocks that the file information tests read.

    make_blocks.py OUTPUT_DIR

Each block is in the 8-bit layout (two 16-bit lengths, key, zero byte, zero bytes to the next 4-byte
boundary, value), except wide_sample.bin, a 16-bit layout block that seeds the fuzz target.
"""
import os
import struct
import sys


def pad(data):
    return data + b"\0" * (-len(data) % 4)


def narrow(key, value=b"", children=()):
    body = pad(b"\0\0\0\0" + key.encode("latin-1") + b"\0") + value
    for child in children:
        body = pad(body) + child
    return struct.pack("<HH", len(body), len(value)) + body[4:]


def text(key, value):
    return narrow(key, value.encode("latin-1") + b"\0")


def wide(key, value=b"", value_length=0, kind=1, children=()):
    body = pad(b"\0" * 6 + (key + "\0").encode("utf-16-le")) + value
    for child in children:
        body = pad(body) + child
    return struct.pack("<HHH", len(body), value_length, kind) + body[6:]


def wide_text(key, value):
    return wide(key, (value + "\0").encode("utf-16-le"), len(value) + 1)


FIXED_INFO = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x10002, 0x30004, 0x10002, 0x30004, 0x3F, 0, 4, 2, 0, 0, 0)


def block(entries):
    """A whole 8-bit version block holding one string table with these (key, value) entries."""
    table = narrow("040904E4", children=[text(k, v) for k, v in entries])
    translation = narrow("VarFileInfo", children=[narrow("Translation", struct.pack("<HH", 0x409, 1252))])
    return narrow("VS_VERSION_INFO", FIXED_INFO, [narrow("StringFileInfo", children=[table]), translation])


BLOCKS = {
    # Values longer than their windows.
    "narrow_long": block([
        ("CompanyName", "Company name that is a good deal longer than forty characters"),
        ("FileDescription", "Description longer than twenty-one"),
        ("LegalCopyright", "Copyright notice longer than 21"),
        ("OriginalFilename", "original_filename_longer.ocx"),
        ("ProductVersion", "10.20.30.40 build 5060 and a tail well past forty characters"),
    ]),
    # Every key but the product version.
    "narrow_noproduct": block([
        ("CompanyName", "No Product Ltd"),
        ("FileDescription", "No product version"),
        ("LegalCopyright", "(c) No Product"),
        ("OriginalFilename", "noproduct.ocx"),
    ]),
    # Company name and description keys in other letter case.
    "narrow_case": block([
        ("companyname", "lower case key"),
        ("FILEDESCRIPTION", "upper case key"),
        ("LegalCopyright", "(c) Case"),
        ("OriginalFilename", "case.ocx"),
        ("ProductVersion", "3.0"),
    ]),
    # The company name key first occurs inside an earlier value; short values followed by the next entry.
    "narrow_first": block([
        ("Comments", "See CompanyName Shadow Corp"),
        ("CompanyName", "Real Corp"),
        ("FileDescription", "Short"),
        ("ProductVersion", "1.0"),
    ]),
    "wide_sample": wide("VS_VERSION_INFO", FIXED_INFO, len(FIXED_INFO), 0, [
        wide("StringFileInfo", children=[wide("040904E4", children=[
            wide_text("CompanyName", "Vesk"), wide_text("FileDescription", "Head"),
            wide_text("LegalCopyright", "(c)"), wide_text("OriginalFilename", "a.ocx"),
            wide_text("ProductVersion", "1.0")])]),
        wide("VarFileInfo", children=[wide("Translation", struct.pack("<HH", 0x409, 1252), 4, 0)]),
    ]),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in BLOCKS.items():
        with open(os.path.join(out, name + ".bin"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
