#!/usr/bin/env python3
"""The program's pictures in the form the program carries them (used by tools/make-pictures.sh).

  pictures.py metal W H OUT.ppm
      The brushed metal of a W x H skin, as the program draws it at start-up (src/window/PictureBox.cpp).
  pictures.py pack IN.bmp OUT.pic [--metal]
      IN, a 24-bit bitmap, packed: at most 256 colours (the most common stay exact, rare ones, edge
      smoothing mostly, take the nearest colour kept) and runs of pixels like the one before or the
      ones above. --metal: IN is a skin drawn on the metal above; the pixels still showing it become
      colour 0, which the program paints with the same metal again.

A packed picture (read by LoadPicture in src/window/PictureBox.cpp):
  width, height        two bytes each, low byte first
  flags                one byte; 1: colour 0, unlike all others, marks the brushed metal
  colours - 1          one byte
  the colours          blue, green, red
  then, top row first, until every pixel is set:
    00nnnnnn           n+1 pixels, of the colours in the next n+1 bytes
    01nnnnnn           n+1 more pixels like the one before
    10nnnnnn           n+1 pixels like the ones above
  where n = 63 means 64 plus the next byte, for the last two.

Plain Python 3, no modules beyond the standard library.
"""
import struct
import sys

# The metal: a vertical gradient from TOP to BOTTOM, brushed along the rows. Each row has its own
# noise, smeared to the right over SMEAR pixels (a falling ramp of weights, the row's last pixel
# repeated beyond its end, so the right edge shows coarser strokes); the strokes are strongest in
# the middle greys. Integer arithmetic throughout: the program's copy must give the same bytes.
TOP = (0xD3, 0xD7, 0xDB)
BOTTOM = (0x8E, 0x93, 0x98)
SMEAR = 48
M32 = 0xFFFFFFFF


def noise(x, y):
    """Noise of pixel (x, y): -255..255, most often near 0. One hash gives a pair of pixels."""
    h = (y * 0x9E3779B1 + (x >> 1) * 0x85EBCA77 + 0x27D4EB2F) & M32
    h ^= h >> 16
    h = (h * 0x7FEB352D) & M32
    h ^= h >> 15
    h = (h * 0x846CA68B) & M32
    h ^= h >> 16
    if x & 1:
        h >>= 16
    return (h & 255) + ((h >> 8) & 255) - 255


def metal_row(w, h, y):
    """Row y of the metal of a w x h skin: a list of (r, g, b)."""
    span = max(h - 1, 1)
    base = [t - ((t - b) * y * 2 + span) // (2 * span) for t, b in zip(TOP, BOTTOM)]
    strength = base[1] * (255 - base[1]) // 33
    g = [noise(x, y) for x in range(w)]
    last = g[w - 1]
    # Going left: s = sum of the SMEAR values from x on, t = the same weighted SMEAR..1.
    s = SMEAR * last
    t = last * SMEAR * (SMEAR + 1) // 2
    row = [None] * w
    for x in range(w - 1, -1, -1):
        if x < w - 1:
            t += SMEAR * g[x] - s
            s += g[x] - (g[x + SMEAR] if x + SMEAR < w else last)
        d = min(max((t * strength) >> 21, -60), 50)
        row[x] = tuple(min(max(c - 1 + d, 0), 255) for c in base)
    return row


def read_bmp24(path):
    data = open(path, 'rb').read()
    if data[:2] != b'BM':
        sys.exit(f'{path}: not a bitmap')
    offset = struct.unpack_from('<I', data, 10)[0]
    w, h, _, bits, compression = struct.unpack_from('<iiHHI', data, 18)
    if bits != 24 or compression != 0:
        sys.exit(f'{path}: not a 24-bit uncompressed bitmap')
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in range(abs(h)):
        at = offset + (abs(h) - 1 - y if h > 0 else y) * stride
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x]) for x in range(w)])
    return w, abs(h), rows


def choose_palette(counts, room):
    """At most room colours: all when they fit; else the most common three quarters exactly (flat
    areas and gradients) and, for the rare rest (edge smoothing), the averages of boxes split
    along their widest side."""
    by_count = sorted(counts, key=lambda c: (-counts[c], c))
    if len(by_count) <= room:
        return by_count
    common = by_count[:room * 3 // 4]
    boxes = [by_count[len(common):]]
    while len(common) + len(boxes) < room:
        best = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
            score = (max(spans), sum(counts[c] for c in box))
            if best is None or score > best[0]:
                best = (score, i, spans.index(max(spans)))
        if best is None:
            break
        _, i, channel = best
        box = sorted(boxes[i], key=lambda c: (c[channel], c))
        half, acc, cut = sum(counts[c] for c in box) / 2, 0, 1
        for j, c in enumerate(box[:-1]):
            acc += counts[c]
            if acc >= half:
                cut = j + 1
                break
        boxes[i:i + 1] = [box[:cut], box[cut:]]
    averages = []
    for box in boxes:
        total = sum(counts[c] for c in box)
        averages.append(tuple((sum(c[k] * counts[c] for c in box) + total // 2) // total for k in range(3)))
    return common + averages


def nearest(colour, palette):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


LITERAL, REPEAT, ABOVE = 0x00, 0x40, 0x80


def pack_pixels(indices, w):
    """The codes for indices (all rows in one list): each pixel is taken by the longest run, of
    the pixel before or of the row above, that starts there; pixels no run of two takes become
    literal."""
    out = bytearray()
    pending = []

    def flush():
        while pending:
            chunk = pending[:64]
            del pending[:64]
            out.append(LITERAL | (len(chunk) - 1))
            out.extend(chunk)

    def run(op, count):
        out.append(op | (count - 1) if count < 64 else op | 63)
        if count >= 64:
            out.append(count - 64)

    i, n = 0, len(indices)
    while i < n:
        repeat = 0
        while i > 0 and i + repeat < n and repeat < 319 and indices[i + repeat] == indices[i - 1]:
            repeat += 1
        above = 0
        while i >= w and i + above < n and above < 319 and indices[i + above] == indices[i + above - w]:
            above += 1
        longest = max(repeat, above)
        if longest >= 2 or (longest == 1 and not pending):
            flush()
            run(ABOVE if above >= repeat else REPEAT, longest)
            i += longest
        else:
            pending.append(indices[i])
            i += 1
    flush()
    return bytes(out)


def unpack_pixels(data, w, h):
    """The indices back: the check that the packed picture is the one meant."""
    out, at = [], 0
    while len(out) < w * h:
        op, count = data[at] & 0xC0, (data[at] & 63) + 1
        at += 1
        if op == LITERAL:
            out += data[at:at + count]
            at += count
            continue
        if count == 64:
            count += data[at]
            at += 1
        for _ in range(count):
            out.append(out[-1] if op == REPEAT else out[-w])
    return out


def pack(src, dst, metal):
    w, h, rows = read_bmp24(src)
    shows_metal = [[False] * w for _ in range(h)]
    if metal:
        for y in range(h):
            shows_metal[y] = [a == b for a, b in zip(rows[y], metal_row(w, h, y))]
    counts = {}
    for y in range(h):
        for x in range(w):
            if not shows_metal[y][x]:
                counts[rows[y][x]] = counts.get(rows[y][x], 0) + 1
    first = 1 if metal else 0
    palette = choose_palette(counts, 256 - first)
    index = {c: i + first for i, c in enumerate(palette)}
    for c in counts:
        if c not in index:
            index[c] = nearest(c, palette) + first
    indices = [0 if shows_metal[y][x] else index[rows[y][x]] for y in range(h) for x in range(w)]
    if metal:
        # Colour 0 of the skin marks the metal: its middle tone, made unlike every other colour.
        mark = tuple((t + b) // 2 for t, b in zip(TOP, BOTTOM))
        while mark in palette:
            mark = mark[:2] + ((mark[2] + 1) % 256,)
        palette = [mark] + palette
    data = pack_pixels(indices, w)
    if unpack_pixels(data, w, h) != indices:
        sys.exit(f'{src}: packing went wrong')
    header = struct.pack('<HHBB', w, h, 1 if metal else 0, len(palette) - 1)
    colours = b''.join(bytes((b, g, r)) for r, g, b in palette)
    with open(dst, 'wb') as f:
        f.write(header + colours + data)
    print(f'{dst}: {w}x{h}, {len(counts)} colours in {len(palette)}, {len(header + colours + data)} bytes')


def write_metal(w, h, dst):
    with open(dst, 'wb') as f:
        f.write(b'P6 %d %d 255\n' % (w, h))
        for y in range(h):
            f.write(bytes(v for p in metal_row(w, h, y) for v in p))


def main(args):
    if len(args) == 4 and args[0] == 'metal':
        write_metal(int(args[1]), int(args[2]), args[3])
    elif len(args) in (3, 4) and args[0] == 'pack' and args[3:] in ([], ['--metal']):
        pack(args[1], args[2], len(args) == 4)
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main(sys.argv[1:])
