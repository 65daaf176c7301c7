#!/usr/bin/env python3
"""Where the bytes of the i686 installer go, from its linker map.

Usage: size_report.py INSTALLER.exe INSTALLER.map NSIS_STUB
Prints markdown rows: the installer, its embedded data (archive and
pictures), its code (the rest), the NSIS stub, then one row per origin of the
linked sections (sizes as laid out in memory, before file alignment).
"""
import os
import re
import sys

ORIGINS = [
    ("embedded archive and pictures", re.compile(r"embedded(_data)?|embedded\.S")),
    ("zlib", re.compile(r"/libz\.a\(")),
    ("minizip", re.compile(r"libminizip_unzip\.a\(")),
    ("libjpeg", re.compile(r"/libjpeg\.a\(")),
    ("C++ runtime (libstdc++, libsupc++)", re.compile(r"libstdc\+\+|libsupc\+\+")),
    ("compiler support (libgcc, libgcc_eh)", re.compile(r"libgcc")),
    ("C runtime, threads and import stubs (mingw-w64)", re.compile(r"/usr/")),
    ("resources (icon, cursor)", re.compile(r"\.res(\.obj)?$|\.rc\.")),
]


def origin(path):
    for name, pattern in ORIGINS:
        if pattern.search(path):
            return name
    return "our code"


def sections(map_path):
    sizes = {}
    text = open(map_path, errors="replace").read()
    text = text[text.find("Linker script and memory map"):]
    # " .sect  0xADDR  0xSIZE file", the name sometimes alone on its line
    line_re = re.compile(r"^ (\.[^\s]+)\s*\n?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", re.M)
    for m in line_re.finditer(text):
        name, size, path = m.group(1), int(m.group(2), 16), m.group(3).strip()
        if size == 0 or name.startswith((".debug", ".stab", ".comment")):
            continue
        sizes[origin(path)] = sizes.get(origin(path), 0) + size
    return sizes


def main():
    exe, map_path, stub = sys.argv[1:4]
    total = os.path.getsize(exe)
    sizes = sections(map_path)
    embedded = sizes.pop("embedded archive and pictures", 0)
    code = total - embedded
    stub_size = os.path.getsize(stub)
    print(f"| i686 installer .exe | {total:,} | |")
    print(f"| embedded archive and pictures | {embedded:,} | |")
    print(f"| **installer code** (exe minus embedded data) | **{code:,}** | {code / stub_size:.2f}x the NSIS stub |")
    print(f"| NSIS 3 stub {os.path.basename(stub)} | {stub_size:,} | 1.00x |")
    for name, size in sorted(sizes.items(), key=lambda kv: -kv[1]):
        print(f"| &nbsp;&nbsp;of the code: {name} | {size:,} | {size / code:.0%} |")


if __name__ == "__main__":
    main()
