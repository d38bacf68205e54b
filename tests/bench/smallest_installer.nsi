; The smallest installer makensis makes, for the size table of
; scripts/benchmark.sh: one empty section, the 32-bit ANSI stub, zlib.
;   makensis -V2 -DOUTFILE=FILE smallest_installer.nsi
Target x86-ansi
SetCompressor zlib
OutFile "${OUTFILE}"

Section
SectionEnd
