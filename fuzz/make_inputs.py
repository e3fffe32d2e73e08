#!/usr/bin/env python3
"""Writes the hand-made fuzz seeds (fuzz/corpus/) and the hostile regression
inputs (tests/regressions/). The committed files were made by this script;
run it again after changing it and commit what changed."""

import struct
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
REGRESSIONS = ROOT / "tests" / "regressions"

BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED, SLONG, SRATIONAL, FLOAT = 1, 2, 3, 4, 5, 7, 9, 10, 11
EXIF_IFD, GPS_IFD, INTEROP_IFD = 0x8769, 0x8825, 0xA005
SIZES = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, UNDEFINED: 1, SLONG: 4, SRATIONAL: 8, FLOAT: 4}


class Tiff:
    """A TIFF block (from the byte-order mark on) built directory by directory.
    Directories are appended, so children are added before their parents."""

    def __init__(self, order="II"):
        self.e = "<" if order == "II" else ">"
        self.buf = bytearray(order.encode() + self.u16(42) + self.u32(8))

    def u16(self, v):
        return struct.pack(self.e + "H", v & 0xFFFF)

    def u32(self, v):
        return struct.pack(self.e + "I", v & 0xFFFFFFFF)

    def encode(self, typ, values):
        if typ in (ASCII, UNDEFINED, BYTE) and isinstance(values, (bytes, bytearray)):
            return bytes(values)
        if typ in (BYTE, ASCII, UNDEFINED):
            return bytes(values)
        if typ == SHORT:
            return b"".join(self.u16(v) for v in values)
        if typ in (LONG, SLONG, FLOAT):
            return b"".join(self.u32(v) for v in values)
        return b"".join(self.u32(n) + self.u32(d) for n, d in values)

    def raw_entry(self, tag, typ, count, field):
        """An entry with the value-or-offset field given as it stands."""
        if isinstance(field, int):
            field = self.u32(field)
        return self.u16(tag) + self.u16(typ) + self.u32(count) + field.ljust(4, b"\0")

    def ifd(self, entries, next_offset=0, at=None):
        """Appends a directory and its out-of-line values; returns its offset.
        entries: (tag, type, values) or ("raw", tag, type, count, field)."""
        start = len(self.buf) if at is None else at
        size = 2 + 12 * len(entries) + 4
        data_at = start + size
        data = bytearray()
        body = bytearray(self.u16(len(entries)))
        for e in entries:
            if e[0] == "raw":
                body += self.raw_entry(*e[1:])
                continue
            tag, typ, values = e
            blob = self.encode(typ, values)
            count = len(blob) // SIZES[typ]
            if len(blob) <= 4 and typ not in (RATIONAL, SRATIONAL) and not (typ in (LONG, SLONG) and count > 1):
                body += self.raw_entry(tag, typ, count, blob)
            else:
                body += self.raw_entry(tag, typ, count, data_at + len(data))
                data += blob
                if len(data) % 2:
                    data += b"\0"
        body += self.u32(next_offset)
        block = body + data
        if at is None:
            self.buf += block
        else:
            self.buf[at : at + len(block)] = block
        return start

    def set_ifd0(self, offset):
        self.buf[4:8] = self.u32(offset)

    def pad_to(self, offset):
        self.buf += bytes(offset - len(self.buf))


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def jpeg(tiff, app0=False):
    jfif = segment(0xE0, b"JFIF\0\x01\x01\0\0\x01\0\x01\0\0") if app0 else b""
    return b"\xff\xd8" + jfif + segment(0xE1, b"Exif\0\0" + bytes(tiff.buf)) + b"\xff\xd9"


def write(directory, name, data):
    directory.mkdir(parents=True, exist_ok=True)
    (directory / name).write_bytes(data)


def rich(order):
    """Every supported type, the three pointer tags and an IFD1."""
    t = Tiff(order)
    t.pad_to(8)
    interop = t.ifd([(0x0001, ASCII, b"R98\0"), (0x0002, UNDEFINED, b"0100")])
    gps = t.ifd([(0x0000, BYTE, [2, 2, 0, 0]), (0x0002, RATIONAL, [(52, 1), (30, 1), (1234, 100)])])
    exif = t.ifd([
        (0x9000, UNDEFINED, b"0210"),
        (0x9003, ASCII, b"2001:10:05 12:34:56\0"),
        (0x9204, SRATIONAL, [(-1, 3)]),
        (0xA002, LONG, [640]),
        (INTEROP_IFD, LONG, [interop]),
    ])
    ifd1 = t.ifd([(0x0103, SHORT, [6]), (0x011A, RATIONAL, [(72, 1)])])
    ifd0 = t.ifd([
        (0x010F, ASCII, b"Maker\0"),
        (0x0102, SHORT, [8, 8, 8]),
        (0x0132, ASCII, b"2001:10:05 12:34:56\0"),
        (0x0213, SHORT, [1]),
        (0x9206, SLONG, [-1, 7]),
        (EXIF_IFD, LONG, [exif]),
        (GPS_IFD, LONG, [gps]),
    ], next_offset=ifd1)
    t.set_ifd0(ifd0)
    return t


def seeds():
    write(CORPUS, "rich_ii.jpg", jpeg(rich("II"), app0=True))
    write(CORPUS, "rich_mm.jpg", jpeg(rich("MM")))
    t = Tiff("II")
    t.ifd([])
    write(CORPUS, "empty_ifd0_ii.jpg", jpeg(t))
    write(CORPUS, "truncated_header.jpg", b"\xff\xd8\xff\xe1\x00\x10Ex")
    loop = Tiff("MM")
    loop.ifd([(0x0132, ASCII, b"2001:10:05 12:34:56\0"), (EXIF_IFD, LONG, [8])], next_offset=8)
    write(CORPUS, "pointer_loop_mm.jpg", jpeg(loop))


def hostile():
    r = REGRESSIONS
    write(r, "empty_file.jpg", b"")
    write(r, "soi_only.jpg", b"\xff\xd8")
    # (L - 2) mod 65536 turns lengths 0 and 1 into jumps of almost 64 KiB.
    write(r, "segment_length_0.jpg", b"\xff\xd8\xff\xe0\x00\x00" + bytes(16))
    write(r, "segment_length_1.jpg", b"\xff\xd8\xff\xe0\x00\x01" + bytes(16))
    write(r, "segment_length_2_then_exif.jpg", b"\xff\xd8\xff\xe0\x00\x02" + jpeg(rich("II"))[2:])
    write(r, "app1_length_0_tiff_cut.jpg", b"\xff\xd8\xff\xe1\x00\x00Exif\0\0II*\0\x08")

    t = Tiff("II")
    t.ifd([(0x0132, ASCII, b"x\0")], next_offset=8)
    write(r, "ifd0_chained_to_itself.jpg", jpeg(t))

    t = Tiff("MM")
    t.ifd([(EXIF_IFD, LONG, [8]), (GPS_IFD, LONG, [8]), (INTEROP_IFD, LONG, [8])])
    write(r, "pointers_back_to_ifd0.jpg", jpeg(t))

    # IFD0 -> Exif IFD -> GPS IFD -> back to IFD0, and the GPS chain to the Exif IFD.
    t = Tiff("II")
    t.pad_to(8)
    ifd0_at, exif_at, gps_at = 8, 8 + 18, 8 + 36
    t.ifd([(EXIF_IFD, LONG, [exif_at])], at=ifd0_at)
    t.ifd([(GPS_IFD, LONG, [gps_at])], at=exif_at)
    t.ifd([(EXIF_IFD, LONG, [ifd0_at])], next_offset=exif_at, at=gps_at)
    write(r, "pointer_cycle_through_three_kinds.jpg", jpeg(t))

    # Each directory points at the next one: deeper than any real file.
    t = Tiff("MM")
    levels = 100
    for i in range(levels):
        child = 8 + 18 * (i + 1)
        t.ifd([(EXIF_IFD, LONG, [child if i + 1 < levels else 0])])
    write(r, "exif_pointers_nested_100_deep.jpg", jpeg(t))

    t = Tiff("II")
    for i in range(100):
        t.ifd([], next_offset=8 + 6 * (i + 1) if i + 1 < 100 else 0)
    write(r, "ifd_chain_100_long.jpg", jpeg(t))

    # Counts that would ask for gigabytes, in every supported type.
    t = Tiff("II")
    t.pad_to(8)
    huge = [(typ, count) for typ in (BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED, SLONG, SRATIONAL)
            for count in (0x7FFFFFFF, 0x40000000, 0x10000001)]
    subdirs = []
    for typ, count in huge:
        subdirs.append(t.ifd([("raw", 0x9286, typ, count, 0x20)]))
    t.ifd([("raw", EXIF_IFD, LONG, 1, at) for at in subdirs])
    t.set_ifd0(len(t.buf) - (2 + 12 * len(subdirs) + 4))
    write(r, "huge_counts_every_type.jpg", jpeg(t))

    # Negative counts and value-or-offset fields at the edges of 32 bits.
    t = Tiff("MM")
    t.pad_to(8)
    edges = [0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x0000FFFF, 0x00010000, 0x7FFFFFF0]
    subdirs = []
    for typ in (BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED, SRATIONAL):
        for field in edges:
            subdirs.append(t.ifd([("raw", 0x010E, typ, 16, field)]))
        subdirs.append(t.ifd([("raw", 0x010E, typ, 0x80000000, 0x7FFFFFFF)]))
        subdirs.append(t.ifd([("raw", 0x010E, typ, 0xFFFFFFFF, 0x80000000)]))
    pointers = [("raw", EXIF_IFD, LONG, 1, at) for at in subdirs]
    pointers += [("raw", tag, LONG, 1, field) for tag in (EXIF_IFD, GPS_IFD, INTEROP_IFD) for field in edges]
    t.set_ifd0(t.ifd(pointers))
    write(r, "offsets_at_32_bit_limits.jpg", jpeg(t))

    for name, offset in (("7fffffff", 0x7FFFFFFF), ("80000000", 0x80000000), ("fffffff0", 0xFFFFFFF0)):
        t = Tiff("II")
        t.set_ifd0(offset)
        t.ifd([])
        write(r, f"ifd0_offset_{name}.jpg", jpeg(t))
        t = Tiff("II")
        t.ifd([], next_offset=offset)
        write(r, f"next_ifd_offset_{name}.jpg", jpeg(t))

    t = Tiff("MM")
    t.buf += t.u16(0xFFFF)
    write(r, "entry_count_65535_without_entries.jpg", jpeg(t)[:-2])

    # Many entries that each re-read the directory itself: only the read
    # budget stops the walk before the list grows to tens of megabytes.
    t = Tiff("II")
    t.ifd([("raw", 0x927C, UNDEFINED, 7200, 8)] * 600)
    write(r, "read_budget_exhausted.jpg", jpeg(t))


if __name__ == "__main__":
    seeds()
    hostile()
