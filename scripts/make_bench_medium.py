#!/usr/bin/env python3
"""Builds a benchmark medium: the five listed folders with COUNT files of
BYTES bytes each, and the eleven listed program files (the stand-in VelQ.exe
among them). Nothing else is on it, so that every copier measured copies the
same tree. Also writes OUT_DIR.list, the copy loop's list of the same files:
one "source<TAB>target" line each, both relative, with the lower-case target
names that setup.exe gives the program files.

A medium already built with the same COUNT and BYTES is kept and only its
VelQ.exe renewed: deleting many files slows down creating files for minutes
afterwards (ext4 skips recently freed inodes), which would distort the
figures taken next.

    make_bench_medium.py OUT_DIR STUB_EXE COUNT BYTES
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_medium import FILES, FOLDERS, README  # noqa: E402


def folder_files(out_dir, count, size):
    block = os.urandom(size)
    for folder in FOLDERS:
        os.makedirs(os.path.join(out_dir, folder))
        for number in range(1, count + 1):
            name = f"f{number:05d}.dat"
            with open(os.path.join(out_dir, folder, name), "wb") as f:
                f.write(block)
            rel = f"{folder}\\{name}"
            yield rel, rel


def program_files(out_dir, stub):
    for name in FILES:
        with open(os.path.join(out_dir, name), "w", newline="") as f:
            f.write(f"{name}\r\n")
        yield name, name.lower()
    with open(os.path.join(out_dir, "readme.txt"), "w", newline="") as f:
        f.write(README)
    yield "readme.txt", "readme.txt"
    shutil.copyfile(stub, os.path.join(out_dir, "VelQ.exe"))
    yield "VelQ.exe", "velq.exe"


def read(path):
    if not os.path.isfile(path):
        return None
    with open(path) as f:
        return f.read()


def main(out_dir, stub, count, size):
    out_dir = out_dir.rstrip("/")
    stamp = out_dir + ".stamp"
    shape = f"{count} {size}\n"
    if read(stamp) == shape:
        shutil.copyfile(stub, os.path.join(out_dir, "VelQ.exe"))
        return
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    entries = list(folder_files(out_dir, count, size)) + list(program_files(out_dir, stub))
    with open(out_dir + ".list", "w", newline="") as f:
        f.writelines(f"{source}\t{target}\n" for source, target in entries)
    with open(stamp, "w") as f:
        f.write(shape)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
