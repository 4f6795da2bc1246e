#!/usr/bin/env python3
"""Writes the PNG test pictures of the decoder tests, each with the RGBA bytes
the decoder must produce (<name>.rgba). Run from anywhere; writes beside itself.

Pictures are filtered with every filter type in turn and compressed by zlib
with stored, fixed-code and dynamic-code blocks, so the decoder is checked
against an encoder that is not ours.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data, bad_crc=False):
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    if bad_crc:
        crc ^= 0xDEADBEEF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_rows(rows, bpp):
    """Filters raw scan lines, filter type = row number mod 5."""
    out = bytearray()
    prev = bytes(len(rows[0])) if rows else b""
    for n, raw in enumerate(rows):
        ftype = n % 5
        out.append(ftype)
        for i, x in enumerate(raw):
            a = raw[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][ftype]
            out.append((x - pred) & 0xFF)
        prev = raw
    return bytes(out)


class Picture:
    """Samples per pixel (tuples) plus everything needed to encode and to know the RGBA result."""

    def __init__(self, colour_type, depth, width, height, sample, palette=None, trns=None):
        self.colour_type, self.depth, self.width, self.height = colour_type, depth, width, height
        self.samples = [[sample(x, y) for x in range(width)] for y in range(height)]
        self.palette, self.trns = palette, trns

    def channels(self):
        return {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[self.colour_type]

    def pack_row(self, samples):
        if self.depth < 8:
            per_byte = 8 // self.depth
            out = bytearray()
            for i in range(0, len(samples), per_byte):
                byte = 0
                group = samples[i:i + per_byte]
                for k, s in enumerate(group):
                    byte |= s[0] << (8 - self.depth * (k + 1))
                out.append(byte)
            return bytes(out)
        fmt = ">H" if self.depth == 16 else ">B"
        return b"".join(struct.pack(fmt, v) for s in samples for v in s)

    def raw_stream(self, interlace):
        bpp = max(1, self.channels() * self.depth // 8)
        if not interlace:
            return filter_rows([self.pack_row(r) for r in self.samples], bpp)
        out = b""
        for x0, y0, dx, dy in ADAM7:
            rows = [self.pack_row(self.samples[y][x0::dx]) for y in range(y0, self.height, dy)]
            rows = [r for r in rows if r]
            if rows:
                out += filter_rows(rows, bpp)
        return out

    def png(self, interlace=False, level=9, strategy=zlib.Z_DEFAULT_STRATEGY, split=None, bad_crc=False,
            want_block=None):
        comp = zlib.compressobj(level, zlib.DEFLATED, 15, 9, strategy)
        stream = comp.compress(self.raw_stream(interlace)) + comp.flush()
        if want_block is not None:
            assert (stream[2] >> 1) & 3 == want_block, "zlib chose another block type"
        ihdr = struct.pack(">IIBBBBB", self.width, self.height, self.depth, self.colour_type, 0, 0, int(interlace))
        out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr, bad_crc)
        out += chunk(b"gAMA", struct.pack(">I", 45455), bad_crc)
        if self.palette:
            out += chunk(b"PLTE", b"".join(bytes(c) for c in self.palette), bad_crc)
        if self.trns is not None:
            out += chunk(b"tRNS", self.trns, bad_crc)
        pieces = [stream] if split is None else [stream[i:i + split] for i in range(0, len(stream), split)]
        if split is not None:
            pieces.insert(1, b"")
        for piece in pieces:
            out += chunk(b"IDAT", piece, bad_crc)
        return out + chunk(b"IEND", b"", bad_crc)

    def rgba(self):
        """What the decoder gives: grey 1 has alpha 0; keys give alpha 0; palette alpha from tRNS."""
        out = bytearray()
        keys = None
        if self.trns is not None and self.colour_type in (0, 2):
            keys = struct.unpack(">%dH" % (len(self.trns) // 2), self.trns)
        for row in self.samples:
            for s in row:
                if self.colour_type == 0 and self.depth == 1:
                    v = 255 if s[0] else 0
                    out += bytes((v, v, v, 0))
                elif self.colour_type == 0:
                    out += bytes((s[0], s[0], s[0], 0 if keys and keys[0] == s[0] else 255))
                elif self.colour_type == 2:
                    hi = [v >> 8 for v in s] if self.depth == 16 else list(s)
                    out += bytes(hi + [0 if keys and tuple(keys) == tuple(s) else 255])
                elif self.colour_type == 3:
                    r, g, b = self.palette[s[0]]
                    a = self.trns[s[0]] if self.trns and s[0] < len(self.trns) else 255
                    out += bytes((r, g, b, a))
                elif self.colour_type == 4:
                    out += bytes((s[0], s[0], s[0], s[1]))
                else:
                    out += bytes(s)
        return bytes(out)


def wave(x, y, c):
    return (x * 37 + y * 91 + c * 53 + ((x * y) % 7) * 11 + (x // 3) * 5) & 0xFF


def pictures():
    """(base name, picture) for every accepted colour type and depth."""
    pal11 = [((i * 23) & 255, (i * 71) & 255, (255 - i * 13) & 255) for i in range(11)]
    pal200 = [((i * 7) & 255, (i * 3 + 40) & 255, (i * 11) & 255) for i in range(200)]
    return [
        ("grey1", Picture(0, 1, 13, 5, lambda x, y: (int((x * x + y * 3) % 5 < 2),))),
        ("grey8", Picture(0, 8, 11, 6, lambda x, y: (wave(x, y, 0) if (x + y) % 4 else 77,),
                          trns=struct.pack(">H", 77))),
        ("rgb8", Picture(2, 8, 10, 7, lambda x, y: (10, 20, 30) if x == y else (wave(x, y, 0), wave(x, y, 1), 20),
                         trns=struct.pack(">HHH", 10, 20, 30))),
        # Same high bytes, different low bytes: only the exact 16-bit key is transparent.
        ("rgb16", Picture(2, 16, 9, 5, lambda x, y: (0x1234, 0x5678, 0x9ABC) if (x + y) % 3 == 0 else
                          (0x1235, 0x5678, 0x9ABC) if (x + y) % 3 == 1 else
                          (wave(x, y, 0) * 257, wave(x, y, 1) * 256 + 1, wave(x, y, 2) * 3),
                          trns=struct.pack(">HHH", 0x1234, 0x5678, 0x9ABC))),
        ("pal4", Picture(3, 4, 13, 6, lambda x, y: ((x + 2 * y) % 11,), palette=pal11,
                         trns=bytes((0, 128, 255, 7, 30)))),
        ("pal8", Picture(3, 8, 12, 6, lambda x, y: ((x * 17 + y * 31) % 200,), palette=pal200)),
        ("greya8", Picture(4, 8, 8, 5, lambda x, y: (wave(x, y, 0), wave(x, y, 3)))),
        ("rgba8", Picture(6, 8, 10, 6, lambda x, y: tuple(wave(x, y, c) for c in range(4)))),
    ]


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    for base, pic in pictures():
        write(base + ".png", pic.png())
        write(base + "_i.png", pic.png(interlace=True))
        write(base + ".rgba", pic.rgba())
        small = Picture(pic.colour_type, pic.depth, 4, 3, lambda x, y, p=pic: p.samples[y][x], pic.palette, pic.trns)
        write(base + "_4x3_i.png", small.png(interlace=True))
        write(base + "_4x3.rgba", small.rgba())
    for w, h in ((1, 1), (3, 3), (9, 7), (33, 17)):
        pic = Picture(6, 8, w, h, lambda x, y: tuple(wave(x, y, c) for c in range(4)))
        write("adam7_%dx%d.png" % (w, h), pic.png())
        write("adam7_%dx%d_i.png" % (w, h), pic.png(interlace=True))
        write("adam7_%dx%d.rgba" % (w, h), pic.rgba())
    # Few distinct values so that zlib prefers dynamic codes for the big picture.
    pic = Picture(6, 8, 64, 48, lambda x, y: ((x // 8) * 30, (y // 6) * 20, 90, 255 if (x + y) % 9 else 0))
    write("deflate.rgba", pic.rgba())
    write("deflate_stored.png", pic.png(level=0, want_block=0))
    write("deflate_fixed.png", pic.png(strategy=zlib.Z_FIXED, want_block=1))
    write("deflate_dynamic.png", pic.png(want_block=2))
    write("deflate_split.png", pic.png(split=7))
    write("deflate_badcrc.png", pic.png(bad_crc=True))


if __name__ == "__main__":
    main()
