#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: the same kinds of archives the reader and
engine tests build (tests/unzip), each a few hundred bytes to a few KB so the
fuzzer mutates the headers rather than the data.

Usage: make_seeds.py OUT_FOLDER
"""
import os
import struct
import sys
import zlib

DOS_STAMP = 0x44B482E5  # 2014-05-20 16:23:10


def deflate(data):
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def sample(size, seed=0):
    out = b""
    n = 0
    while len(out) < size:
        out += b"line %d of sample %d: %d\n" % (n, seed, (n * 2654435761) & 0xFFFFFFFF)
        n += 1
    return out[:size]


def ut_block(flags, times):
    data = bytes([flags]) + b"".join(struct.pack("<i", t) for t in times)
    return b"UT" + struct.pack("<H", len(data)) + data


def item(name, data=b"", method=8, attrs=0x20, made_by=0x0014, local_extra=b"",
         central_extra=b"", flags=0, crc=None, size=None, stamp=DOS_STAMP, folder=False):
    if folder:
        method, attrs = 0, 0x10
    return dict(name=name, data=data, method=method, attrs=attrs, made_by=made_by,
                local_extra=local_extra, central_extra=central_extra, flags=flags,
                crc=crc, size=size, stamp=stamp)


def build(items, comment=b""):
    """An archive's bytes: local headers with data, directory, end record."""
    out = bytearray()
    central = bytearray()
    for it in items:
        raw = it["data"]
        packed = deflate(raw) if it["method"] == 8 else raw
        crc = zlib.crc32(raw) if it["crc"] is None else it["crc"]
        size = len(raw) if it["size"] is None else it["size"]
        name = it["name"]
        version = 20 if it["method"] == 8 else 10
        offset = len(out)
        out += struct.pack("<IHHHIIIIHH", 0x04034B50, version, it["flags"], it["method"],
                           it["stamp"], crc, len(packed), size, len(name), len(it["local_extra"]))
        out += name + it["local_extra"] + packed
        central += struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, it["made_by"], version,
                               it["flags"], it["method"], it["stamp"], crc, len(packed), size,
                               len(name), len(it["central_extra"]), 0, 0, 0, it["attrs"], offset)
        central += name + it["central_extra"]
    start = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(items), len(items), len(central),
                       start, len(comment)) + comment
    return bytes(out)


def patched(data, offset, fmt, value):
    b = bytearray(data)
    struct.pack_into(fmt, b, offset, value)
    return bytes(b)


def seeds():
    s = {}
    eight = [item(b"setup.exe", sample(900, 1)), item(b"core.dll", sample(700, 2)),
             item(b"readme.txt", b"hello\n"), item(b"empty.txt", b""),
             item(b"\xd6\xd0\xce\xc4.txt", sample(300, 3)), item(b"conf/", folder=True),
             item(b"conf/settings.ini", b"[main]\nx=1\n"), item(b"tool.exe", sample(2000, 4))]
    s["eight_items.zip"] = build(eight)
    s["stored.zip"] = build([item(b"a.txt", sample(200), method=0), item(b"b.bin", bytes(range(256)), method=0)])
    s["unix_modes.zip"] = build([
        item(b"rw.txt", b"x", attrs=0o100644 << 16, made_by=0x0314),
        item(b"ro.txt", b"y", attrs=0o100444 << 16, made_by=0x0314),
        item(b"dir/", attrs=(0o040755 << 16) | 0x10, made_by=0x0314, method=0),
        item(b"hidden.sys", b"z", attrs=0x27)])
    s["ut_times.zip"] = build([
        item(b"t1.txt", b"one", local_extra=ut_block(0x05, [1400000000, 1300000000])),
        item(b"t2.txt", b"two", local_extra=b"XY" + struct.pack("<H", 300) + bytes(300)
             + ut_block(0x07, [1, 2, 3])),
        item(b"t3.txt", b"three", local_extra=ut_block(0x07, [5])),
        item(b"t4.txt", b"four", stamp=0, central_extra=ut_block(0x01, [7]))])
    s["data_descriptor_flag.zip"] = build([item(b"dd.txt", sample(100), flags=8)])
    s["big_copy.zip"] = build([item(b"pieces.bin", sample(40000, 9))])
    s["with_comment.zip"] = build([item(b"c.txt", b"c")], comment=b"a comment")
    s["no_items.zip"] = build([])
    s["dot_names.zip"] = build([item(b"../up.txt", b"u"), item(b"/abs.txt", b"a"),
                                item(b"C:/drive.txt", b"d"), item(b"a/.. /b.txt", b"b"),
                                item(b"x\\..\\y.txt", b"y")])
    s["long_name.zip"] = build([item(b"n" * 259, b"ok"), item(b"m" * 260, b"no")])
    base = build([item(b"first.txt", sample(500, 5)), item(b"second.txt", sample(500, 6))])
    second_local = 30 + len(b"first.txt") + len(deflate(sample(500, 5)))
    s["bad_local_signature.zip"] = patched(base, second_local, "<I", 0x04034B51)
    s["bad_local_method.zip"] = patched(base, second_local + 8, "<H", 0)
    s["bad_local_crc.zip"] = patched(base, second_local + 14, "<I", 1)
    s["bad_local_name_length.zip"] = patched(base, second_local + 26, "<H", 3)
    s["local_extra_past_end.zip"] = patched(base, second_local + 28, "<H", 0xFFFF)
    s["bad_crc.zip"] = build([item(b"crc.txt", sample(300), crc=0x12345678)])
    s["short_size.zip"] = build([item(b"size.txt", sample(300), size=400)])
    s["method_bzip2.zip"] = build([item(b"m12.txt", b"data", method=12)])
    s["method_lzma.zip"] = build([item(b"m14.txt", b"data", method=14)])
    s["encrypted.zip"] = build([item(b"secret.txt", sample(100), flags=1)])
    damaged = bytearray(build([item(b"broken.txt", sample(3000, 7))]))
    for k in range(40, 70):
        damaged[k] ^= 0x5A
    s["bad_deflate.zip"] = bytes(damaged)
    central = base.rfind(struct.pack("<I", 0x02014B50))
    s["bad_central_record.zip"] = patched(base, central, "<I", 0x02014B00)
    s["truncated.zip"] = base[: len(base) // 2]
    return s


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in seeds().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
