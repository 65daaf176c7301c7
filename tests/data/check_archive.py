#!/usr/bin/env python3
"""Reads a product archive with a reader of its own (byte by byte) and with
Python's zipfile, and checks it against the folder it was packed from.

    check_archive.py ARCHIVE PAYLOAD_FOLDER PROGRAM_NAME [--demo]

--demo also checks the demo product's shape: eight entries, six files at the
top, one folder entry and one file inside it.
"""
import datetime
import os
import struct
import sys
import zipfile

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def gbk_name(raw):
    return raw.decode("gbk", errors="replace")


def read_central(data):
    """The end record and the central records, parsed from the raw bytes."""
    end_at = len(data) - 22
    (signature, disk, cd_disk, on_disk, total, cd_size, cd_offset,
     comment_length) = struct.unpack_from("<IHHHHIIH", data, end_at)
    check(signature == 0x06054B50, "the archive does not end with a bare end record")
    check(disk == 0 and cd_disk == 0, "more than one disk")
    check(on_disk == total, "entry counts differ between this disk and the whole")
    check(comment_length == 0, "the archive has a comment")
    check(cd_offset + cd_size == end_at, "bytes between the central directory and the end record")
    records, at = [], cd_offset
    for _ in range(total):
        fields = struct.unpack_from("<IHHHHHHIIIHHHHHII", data, at)
        (sig, made_by, needed, flags, method, time, date, crc, csize, usize,
         name_length, extra_length, comment_len, disk_start, internal, external,
         local_at) = fields
        check(sig == 0x02014B50, f"central record {len(records)}: bad signature")
        name = data[at + 46:at + 46 + name_length]
        extra = data[at + 46 + name_length:at + 46 + name_length + extra_length]
        records.append(dict(made_by=made_by, needed=needed, flags=flags, method=method,
                            dos=(date, time), crc=crc, csize=csize, usize=usize, name=name,
                            extra=extra, comment_length=comment_len, disk=disk_start,
                            external=external, local_at=local_at))
        at += 46 + name_length + extra_length + comment_len
    check(at == cd_offset + cd_size, "the central directory's size does not add up")
    return records, cd_offset


def dos_to_datetime(date, time):
    return datetime.datetime((date >> 9) + 1980, (date >> 5) & 15, date & 31,
                             time >> 11, (time >> 5) & 63, (time & 31) * 2)


def check_ntfs_field(label, extra, dos):
    check(len(extra) == 36, f"{label}: central extra field is {len(extra)} bytes, not 36")
    if len(extra) != 36:
        return
    tag, size, reserved, attribute, attribute_size, mtime, atime, ctime = struct.unpack(
        "<HHIHHQQQ", extra)
    check((tag, size, reserved, attribute, attribute_size) == (0x000A, 32, 0, 1, 24),
          f"{label}: not one NTFS time field (tag 0x000A, attribute 1)")
    seconds = mtime / 10**7 - 11644473600
    stamp = datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=seconds)
    check(stamp == dos_to_datetime(*dos), f"{label}: NTFS time {stamp} differs from the DOS time")
    check(mtime == atime == ctime, f"{label}: the three NTFS times differ")


def check_local_headers(data, records, cd_offset):
    expected_at = 0
    for r in records:
        label = gbk_name(r["name"])
        at = r["local_at"]
        check(at == expected_at, f"{label}: local header at {at}, expected {expected_at}")
        (sig, needed, flags, method, time, date, crc, csize, usize, name_length,
         extra_length) = struct.unpack_from("<IHHHHHIIIHH", data, at)
        check(sig == 0x04034B50, f"{label}: bad local header signature")
        check(extra_length == 0, f"{label}: local extra field of {extra_length} bytes")
        check(data[at + 30:at + 30 + name_length] == r["name"], f"{label}: local name differs")
        check((needed, flags, method, (date, time), crc, csize, usize) ==
              (r["needed"], r["flags"], r["method"], r["dos"], r["crc"], r["csize"], r["usize"]),
              f"{label}: local header disagrees with the central record")
        expected_at = at + 30 + name_length + extra_length + csize
    check(expected_at == cd_offset, "bytes between the last entry and the central directory")


def payload_entries(folder):
    """Relative names of everything in the folder, folders ending in "/"."""
    names = []
    for root, dirs, files in os.walk(folder):
        rel = os.path.relpath(root, folder)
        prefix = "" if rel == "." else rel.replace(os.sep, "/") + "/"
        names += [prefix + d + "/" for d in dirs] + [prefix + f for f in files]
    return names


def main():
    archive, payload, program = sys.argv[1:4]
    demo = "--demo" in sys.argv[4:]
    with open(archive, "rb") as f:
        data = f.read()
    check(data[:4] == b"PK\x03\x04", "the archive does not begin with 50 4B 03 04")
    records, cd_offset = read_central(data)
    check_local_headers(data, records, cd_offset)
    names = [gbk_name(r["name"]) for r in records]

    for r, name in zip(records, names):
        folder = name.endswith("/")
        check(r["made_by"] >> 8 == 0, f"{name}: made on host {r['made_by'] >> 8}, not 0")
        check(r["flags"] == 0, f"{name}: flags {r['flags']:#x}")
        check(r["disk"] == 0 and r["comment_length"] == 0, f"{name}: disk or comment set")
        check("\\" not in name and not name.startswith("/") and ".." not in name.split("/"),
              f"{name}: not a plain relative name")
        check(len(r["name"]) < 260, f"{name}: {len(r['name'])} bytes")
        if folder:
            check((r["method"], r["needed"], r["external"]) == (0, 10, 0x10),
                  f"{name}: folder entry with method {r['method']}, version {r['needed']}, "
                  f"attributes {r['external']:#x}")
            check(r["csize"] == r["usize"] == r["crc"] == 0, f"{name}: folder entry with data")
        else:
            check((r["method"], r["needed"], r["external"]) == (8, 20, 0x20),
                  f"{name}: file entry with method {r['method']}, version {r['needed']}, "
                  f"attributes {r['external']:#x}")
        check_ntfs_field(name, r["extra"], r["dos"])

    # Order: the program last; each folder entry directly before its contents.
    check(names and names[-1] == program + ".exe", f"last entry is {names[-1:]}, not the program")
    for i, name in enumerate(names):
        if name.endswith("/"):
            inside = [n for n in names if n.startswith(name) and n != name]
            check(names[i + 1:i + 1 + len(inside)] == inside,
                  f"{name}: its contents do not follow it directly")
        elif "/" in name:
            check(name.rsplit("/", 1)[0] + "/" in names[:i], f"{name}: its folder entry comes later")

    # The same files as the folder, byte for byte, by an independent reader.
    on_disk = payload_entries(payload)
    check(sorted(names) == sorted(on_disk),
          f"entries {sorted(names)} differ from the payload folder")
    with zipfile.ZipFile(archive) as z:
        check(z.testzip() is None, "zipfile finds a bad CRC")
        infos = z.infolist()
        check(len(infos) == len(records), "zipfile counts other entries")
        for info, name in zip(infos, names):
            check(len(info.extra) == 36, f"{name}: zipfile sees a central extra field of "
                                         f"{len(info.extra)} bytes")
            if not name.endswith("/") and name in on_disk:
                with open(os.path.join(payload, name), "rb") as f:
                    check(z.read(info) == f.read(), f"{name}: unpacks to other bytes")

    if demo:
        top_files = [n for n in names if "/" not in n]
        folders = [n for n in names if n.endswith("/")]
        nested = [n for n in names if "/" in n and not n.endswith("/")]
        check((len(names), len(top_files), len(folders), len(nested)) == (8, 6, 1, 1),
              f"demo archive shape: {names}")

    for message in failures:
        print("FAIL:", message)
    print(f"{archive}: {len(records)} entries, {len(data)} bytes, "
          f"{'ok' if not failures else f'{len(failures)} failures'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
