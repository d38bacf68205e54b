#!/usr/bin/env python3
"""Builds the sample install medium: the five content folders (one holding a
nested folder that is not installed), the eleven program files with the stub
VelQ.exe, a readme, and a few things that do not belong to the installation.

    make_medium.py OUT_DIR STUB_EXE [EXTRA_FILES]

EXTRA_FILES more question files in "exams" make a medium whose copy takes
long enough to be watched (its progress window, for a picture).
"""
import os
import shutil
import sys

FOLDERS = {
    "dibs": ["dib001.dib", "dib002.dib"],
    "exams": ["element1.dat", "element3.dat", "element8.dat"],
    "exercise": ["drill.dat"],
    "Figures": ["fig1.bmp", "fig2.bmp"],
    "flags": ["us.bmp", "ca.bmp"],
}
FILES = ["VelQ.hlp", "VelQ.dll", "BTNBTNVB.VBX", "FADERVB.VBX", "FRAMEVB.VBX",
         "KNOBVB.VBX", "LEDVB.VBX", "SPINVB.VBX", "SS3D.VBX"]
README = (
    "Velquor - for all your FCC Exams\r\n"
    "\r\n"
    "This sample medium installs a stand-in for the Velquor program.\r\n"
    "Enter your full name, choose a folder and press Install.\r\n"
)


def write(path, text):
    with open(path, "w", newline="") as f:
        f.write(text)


def main(out_dir, stub, extra_files=0):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    for folder, names in FOLDERS.items():
        os.makedirs(os.path.join(out_dir, folder))
        for name in names:
            write(os.path.join(out_dir, folder, name), f"{folder}/{name}\r\n")
    # Only the plain files of a listed folder are installed.
    for number in range(extra_files):
        write(os.path.join(out_dir, "exams", "question%05d.dat" % number), "question\r\n" * 100)
    os.makedirs(os.path.join(out_dir, "exams", "archive"))
    write(os.path.join(out_dir, "exams", "archive", "old.dat"), "not installed\r\n")
    for name in FILES:
        write(os.path.join(out_dir, name), f"{name}\r\n")
    write(os.path.join(out_dir, "readme.txt"), README)
    shutil.copyfile(stub, os.path.join(out_dir, "VelQ.exe"))
    # Not part of the installation.
    os.makedirs(os.path.join(out_dir, "setup"))
    write(os.path.join(out_dir, "setup", "notes.txt"), "not installed\r\n")
    write(os.path.join(out_dir, "autorun.inf"), "[autorun]\r\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 0)
