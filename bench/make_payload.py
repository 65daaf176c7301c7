#!/usr/bin/env python3
"""Makes the benchmark payload: about 200 MB in about 2,000 files of mixed
sizes and compressibility, in 20 folders, the same bytes on every machine
(seeded), and packs it as a ZIP with deflate level 6, each folder entry
listed before the files inside it (as the installer requires).

Usage: make_payload.py FOLDER ARCHIVE.zip [--program NAME.exe]
"""
import os
import random
import sys
import zipfile

FILES = 2000
TARGET = 200 * 1024 * 1024


def text_like(rng, n):
    words = [b"install", b"folder", b"progress", b"archive", b"item", b"window", b"0x%04x",
             b"setup", b"data", b"value", b"\xd6\xd0\xce\xc4", b"name", b"path", b"=", b"\r\n"]
    out = bytearray()
    while len(out) < n:
        out += rng.choice(words) + b" "
    return bytes(out[:n])


def random_bytes(rng, n):
    return rng.randbytes(n)


def half_and_half(rng, n):
    # like a program: runs of code-ish bytes and zero padding
    out = bytearray()
    while len(out) < n:
        out += rng.randbytes(rng.randint(64, 4096)) + bytes(rng.randint(64, 4096))
    return bytes(out[:n])


def sizes(rng):
    # log-uniform sizes from 200 bytes to 4 MB, scaled to the target total
    raw = [int(10 ** rng.uniform(2.3, 6.6)) for _ in range(FILES)]
    scale = TARGET / sum(raw)
    return [max(1, int(s * scale)) for s in raw]


def main():
    folder, archive = sys.argv[1], sys.argv[2]
    program = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--program" else None
    rng = random.Random(20261211)
    kinds = [text_like, random_bytes, half_and_half]
    os.makedirs(folder, exist_ok=True)
    entries = []
    for i, size in enumerate(sizes(rng)):
        sub = "part%02d" % (i % 20)
        name = f"{sub}/file{i:04d}.{['txt', 'bin', 'dll'][i % 3]}"
        if program and i == 0:
            name = program
        kind = kinds[rng.randrange(3)]
        data = kind(rng, size)
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path) or folder, exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        entries.append(name)
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for sub in sorted({e.split("/")[0] for e in entries if "/" in e}):
            z.write(os.path.join(folder, sub), sub + "/")
            for e in sorted(x for x in entries if x.startswith(sub + "/")):
                z.write(os.path.join(folder, e), e)
        for e in sorted(x for x in entries if "/" not in x):
            z.write(os.path.join(folder, e), e)


if __name__ == "__main__":
    main()
