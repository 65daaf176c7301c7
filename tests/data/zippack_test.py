#!/usr/bin/env python3
"""Host tests of the archive builder.

    zippack_test.py ZIPPACK refuses CASE     the builder refuses CASE's folder
    zippack_test.py ZIPPACK accepts CASE     the builder packs CASE's folder
    zippack_test.py ZIPPACK reproducible PAYLOAD ARCHIVE PROGRAM TIME
    zippack_test.py - list refusals|acceptances     the case names, for CMake
        packing copies of PAYLOAD with other file times and another creation
        order gives ARCHIVE's bytes every time

Each case builds its payload folder in a temporary folder. A refusal must
exit with 1, name the offending file in its message, and leave no archive.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

PROGRAM = "Zorvane工具11"
TIME = 1718011800


def write(folder, name, data=b"x"):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return path


def with_program(make):
    def build(folder):
        write(folder, PROGRAM + ".exe", b"MZ program")
        make(folder)
    return build


def many_files(count):
    def make(folder):
        for i in range(count):
            open(os.path.join(folder, f"f{i:05d}.dat"), "wb").close()
    return make


def sparse_file(name, size):
    def make(folder):
        with open(os.path.join(folder, name), "wb") as f:
            f.truncate(size)
    return make


# name: (builds the payload, text the message must contain)
REFUSALS = {
    # The program only inside a subfolder does not count.
    "missing_program": (lambda d: (write(d, "readme.txt"), write(d, "bin/" + PROGRAM + ".exe")),
                        PROGRAM + ".exe: missing"),
    "name_not_gbk": (with_program(lambda d: write(d, "表情😀.png")), "表情😀.png: "),
    "folder_name_not_gbk": (with_program(lambda d: write(d, "数据😀/a.txt")), "数据😀/: "),
    # 200 + "/" + 59 = 260 bytes.
    "name_too_long": (with_program(lambda d: write(d, "d" * 200 + "/" + "f" * 59)),
                      "d" * 200 + "/" + "f" * 59 + ": the name is 260 bytes"),
    # 媆 is B9 5C in GBK: its second byte reads as "\".
    "backslash_trail_byte": (with_program(lambda d: write(d, "媆.txt")), "媆.txt: "),
    # 65,535 files and the program make one entry too many.
    "too_many_entries": (with_program(many_files(65535)), "payload: 65536 files and folders"),
    "file_too_large": (with_program(sparse_file("video.dat", 0xFFFFFFFF)),
                       "video.dat: 4294967295 bytes"),
}

# name: (builds the payload, the entry names expected in the archive)
ACCEPTANCES = {
    # 259 bytes is the longest name the installer's reader holds.
    "name_of_259_bytes": (with_program(lambda d: write(d, "d" * 200 + "/" + "f" * 58)),
                          ["d" * 200 + "/", "d" * 200 + "/" + "f" * 58, PROGRAM + ".exe"]),
    # 85 + 40 Chinese characters: 380 bytes in UTF-8 but 255 in GBK.
    "chinese_name_counted_in_gbk": (
        with_program(lambda d: write(d, "中" * 85 + "/" + "文" * 40 + ".ini")),
        ["中" * 85 + "/", "中" * 85 + "/" + "文" * 40 + ".ini", PROGRAM + ".exe"]),
    # The most entries an archive holds: 65,534 files and the program.
    "entries_65535": (with_program(many_files(65534)),
                      [f"f{i:05d}.dat" for i in range(65534)] + [PROGRAM + ".exe"]),
    # Files by name, then folders, each before its contents; the program last
    # even though a folder sorts after it.
    "order": (with_program(lambda d: (write(d, "b.dll"), write(d, "a.dll"), write(d, "zz/y/c.txt"),
                                      write(d, "zz/b.txt"), os.makedirs(os.path.join(d, "empty")))),
              ["a.dll", "b.dll", "empty/", "zz/", "zz/b.txt", "zz/y/", "zz/y/c.txt",
               PROGRAM + ".exe"]),
}


def run_zippack(zippack, folder, archive):
    return subprocess.run([zippack, "--program", PROGRAM, "--time", str(TIME), folder, archive],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def refuses(zippack, case):
    make, expected = REFUSALS[case]
    with tempfile.TemporaryDirectory() as tmp:
        payload = os.path.join(tmp, "payload")
        os.mkdir(payload)
        make(payload)
        archive = os.path.join(tmp, "out.zip")
        result = run_zippack(zippack, payload, archive)
        message = result.stderr.decode("utf-8", errors="replace")
        print(message, end="")
        ok = True
        if result.returncode != 1:
            print(f"FAIL: exit code {result.returncode}, expected 1")
            ok = False
        if expected not in message:
            print(f"FAIL: the message does not contain {expected!r}")
            ok = False
        if os.path.exists(archive):
            print("FAIL: an archive was left behind")
            ok = False
        return ok


def accepts(zippack, case):
    make, expected = ACCEPTANCES[case]
    with tempfile.TemporaryDirectory() as tmp:
        payload = os.path.join(tmp, "payload")
        os.mkdir(payload)
        make(payload)
        archive = os.path.join(tmp, "out.zip")
        result = run_zippack(zippack, payload, archive)
        if result.returncode != 0:
            print(f"FAIL: exit code {result.returncode}: {result.stderr.decode(errors='replace')}")
            return False
        with zipfile.ZipFile(archive) as z:
            names = [i.orig_filename.encode("cp437").decode("gbk") for i in z.infolist()]
        if names != expected:
            print(f"FAIL: entries {names}, expected {expected}")
            return False
        return True


def reproducible(zippack, payload, built, program, time):
    """Two copies of the payload, one with old and one with new file times and
    their files created in opposite orders, must both pack to `built`."""
    with open(built, "rb") as f:
        expected = f.read()
    results = []
    with tempfile.TemporaryDirectory() as tmp:
        for n, (stamp, order) in enumerate([(1000000000, sorted), (2000000000, reversed)]):
            copy = os.path.join(tmp, f"copy{n}")
            os.mkdir(copy)
            for root, dirs, files in order(list(os.walk(payload))):
                rel = os.path.relpath(root, payload)
                os.makedirs(os.path.join(copy, rel), exist_ok=True)
                for name in order(files):
                    shutil.copyfile(os.path.join(root, name), os.path.join(copy, rel, name))
            for root, dirs, files in os.walk(copy):
                for name in dirs + files:
                    os.utime(os.path.join(root, name), (stamp, stamp))
            archive = os.path.join(tmp, f"out{n}.zip")
            subprocess.run([zippack, "--program", program, "--time", time, copy, archive],
                           check=True)
            with open(archive, "rb") as f:
                results.append(f.read())
    ok = True
    for n, data in enumerate(results):
        if data != expected:
            print(f"FAIL: packing copy {n} gave {len(data)} bytes that differ from {built}")
            ok = False
    return ok


def main():
    zippack, command = sys.argv[1:3]
    if command == "refuses":
        ok = refuses(zippack, sys.argv[3])
    elif command == "accepts":
        ok = accepts(zippack, sys.argv[3])
    elif command == "reproducible":
        ok = reproducible(zippack, *sys.argv[3:7])
    elif command == "list":
        print(" ".join(REFUSALS if sys.argv[3] == "refusals" else ACCEPTANCES))
        ok = True
    else:
        raise SystemExit(f"unknown command {command}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
