#!/usr/bin/env python3
"""Checks a Windows program's import tables without running it.

Every slot of the import address table must be filled in the file the way the loader expects:
slots of an imported DLL name a function (an RVA of its hint and name inside the image, or an
ordinal), each DLL's run ends with one zero slot, and no slot of the table lies outside those runs.
Delay-load descriptors, where present, must have every slot point at code inside the image. A slot
left zero makes the program jump to address 0 on the first call of that function.
  check-imports.py PROGRAM... [--not-at-start DLL...]
--not-at-start names DLLs that must not be imported at start-up (they are loaded when first used).
Prints one line per program; exits 1 when any check fails.
"""
import struct
import sys


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('not a PE image')
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', data, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from('<H', data, opt)[0]
        self.wide = magic == 0x20B
        self.base = struct.unpack_from('<Q' if self.wide else '<I', data, opt + (24 if self.wide else 28))[0]
        self.size = struct.unpack_from('<I', data, opt + 56)[0]
        dirs = opt + (112 if self.wide else 96)
        self.dirs = [struct.unpack_from('<II', data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(sections):
            s = opt + optional_size + 40 * i
            vsize, va, rsize, raw = struct.unpack_from('<IIII', data, s + 8)
            flags = struct.unpack_from('<I', data, s + 36)[0]
            self.sections.append((va, max(vsize, rsize), raw, rsize, flags))
        self.slot = 8 if self.wide else 4

    def offset(self, rva):
        for va, size, raw, rsize, _ in self.sections:
            if va <= rva < va + size:
                if rva - va >= rsize:
                    return None  # inside the section but not in the file: zero-filled
                return raw + rva - va
        raise ValueError(f'RVA {rva:#x} is outside every section')

    def read(self, rva, fmt):
        off = self.offset(rva)
        return 0 if off is None else struct.unpack_from(fmt, self.data, off)[0]

    def name(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b'\0', off)].decode('ascii', 'replace')

    def slot_at(self, rva):
        return self.read(rva, '<Q' if self.wide else '<I')

    def is_code(self, rva):
        return any(va <= rva < va + size and flags & 0x20000000 for va, size, _, _, flags in self.sections)


def check(path, not_at_start):
    image = Image(open(path, 'rb').read())
    faults, dlls, covered = [], [], set()
    ordinal_flag = 1 << (image.slot * 8 - 1)
    rva, _ = image.dirs[1]
    while rva:
        lookup, _, _, name_rva, first = struct.unpack_from('<IIIII', image.data, image.offset(rva))
        if not first:
            break
        dll = image.name(name_rva)
        dlls.append(dll.lower())
        slot = first
        while True:
            value = image.slot_at(slot)
            covered.add(slot)
            if value == 0:
                break
            if not value & ordinal_flag and not 0 < value < image.size:
                faults.append(f'{dll}: slot {slot:#x} holds {value:#x}, not a name inside the image')
            elif not value & ordinal_flag and lookup and value != image.slot_at(lookup + slot - first):
                faults.append(f'{dll}: slot {slot:#x} differs from its lookup entry')
            slot += image.slot
        rva += 20
    iat, iat_size = image.dirs[12]
    for slot in range(iat, iat + iat_size, image.slot):
        if slot not in covered:
            faults.append(f'import address slot {slot:#x} ({image.slot_at(slot):#x}) belongs to no imported DLL')
    rva, _ = image.dirs[13]
    while rva:
        attrs, name_rva, _, iat_rva = struct.unpack_from('<IIII', image.data, image.offset(rva))
        if not name_rva:
            break
        rel = attrs & 1
        fix = (lambda v: v) if rel else (lambda v: v - image.base)
        dll = image.name(fix(name_rva))
        slot = fix(iat_rva)
        while image.slot_at(slot):
            target = image.slot_at(slot) - image.base
            if not image.is_code(target):
                faults.append(f'{dll} (delay-loaded): slot {slot:#x} does not point at code')
            slot += image.slot
        rva += 32
    for dll in not_at_start:
        if dll.lower() in dlls:
            faults.append(f'{dll} is loaded at start-up')
    return dlls, faults


def main(argv):
    if '--not-at-start' in argv:
        at = argv.index('--not-at-start')
        programs, not_at_start = argv[:at], argv[at + 1:]
    else:
        programs, not_at_start = argv, []
    failed = False
    for path in programs:
        try:
            dlls, faults = check(path, not_at_start)
        except (ValueError, struct.error, IndexError, OSError) as error:
            dlls, faults = [], [f'cannot read: {error}']
        failed |= bool(faults)
        print(f'{path}: {"FAIL" if faults else "ok"} ({", ".join(dlls)})')
        for fault in faults:
            print(f'  {fault}')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
