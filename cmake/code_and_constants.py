#!/usr/bin/env python3
"""Writes the linker's own script for programs with the read-only data
(.rdata) moved into the code section (.text).

Every section of a program is padded to 512 bytes in the file; constants
that lie with the code share its padding. Code and constants are both read
and never written, so nothing changes at run time: this is what other
linkers do with /MERGE:.rdata=.text.

    code_and_constants.py LINKER OUTPUT
"""
import subprocess
import sys

linker, output = sys.argv[1], sys.argv[2]
verbose = subprocess.run([linker, "--verbose"], check=True, capture_output=True,
                         text=True).stdout
lines = verbose.splitlines()
marks = [i for i, line in enumerate(lines) if line.startswith("=====")]
script = "\n".join(lines[marks[0] + 1:marks[1]]) + "\n"

start = script.index("  .rdata BLOCK(__section_alignment__) :")
end = script.index("  __rt_psrelocs_size", start)
block = script[start:end]
constants = block[block.index("{") + 1:block.rindex("}")]
script = script[:start] + script[end:]
text_end = "     KEEP (*(.gcc_except_table))\n  }"
if script.count(text_end) != 1:
    sys.exit("code_and_constants.py: the linker's script has no end of .text to add to")
script = script.replace(text_end, text_end[:-3] + constants + "  }")
with open(output, "w") as out:
    out.write(script)
