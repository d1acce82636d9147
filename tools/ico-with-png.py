#!/usr/bin/env python3
"""Writes an icon file whose largest picture is stored as PNG, the others as they are.

Windows Vista and later read PNG pictures in icons of any size; as PNG the 48-pixel picture takes a
fraction of its bitmap's bytes.
  ico-with-png.py IN.ico LARGE.png SIZE OUT.ico   (IN.ico's pictures of other sizes are kept as they are)
"""
import struct
import sys

source, png_path, size, out = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
data = open(source, 'rb').read()
count = struct.unpack_from('<H', data, 4)[0]
entries = []
for i in range(count):
    w, h, colours, reserved, planes, bits, length, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
    if (w or 256) != size:
        entries.append(((w, h, colours, reserved, planes, bits), data[offset:offset + length]))
entries.append(((size % 256, size % 256, 0, 0, 1, 32), open(png_path, 'rb').read()))
header = struct.pack('<HHH', 0, 1, len(entries))
offset = len(header) + 16 * len(entries)
directory, bodies = b'', b''
for (w, h, colours, reserved, planes, bits), body in entries:
    directory += struct.pack('<BBBBHHII', w, h, colours, reserved, planes, bits, len(body), offset + len(bodies))
    bodies += body
open(out, 'wb').write(header + directory + bodies)
