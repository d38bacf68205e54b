#!/usr/bin/python3
"""Checks the shipped setup.exe as built: a 32-bit GUI program that imports
only what Windows 95 and NT 4.0 both export, and carries exactly its own
resources, read field by field from the file (the dialog templates are
parsed here, not by pefile).

    check_setup_exe.py SETUP_EXE
"""
import os
import re
import struct
import subprocess
import sys
import unittest

import pefile

# Values as the platform's headers (winuser.h, winnt.h, dlgs.h) define them.
WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_VSCROLL = 0x00200000
WS_SYSMENU = 0x00080000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
DS_SETFONT = 0x40
DS_MODALFRAME = 0x80
BS_PUSHBUTTON = 0x0
BS_DEFPUSHBUTTON = 0x1
BS_AUTOCHECKBOX = 0x3
BS_LEFTTEXT = 0x20
ES_LEFT = 0x0
ES_MULTILINE = 0x4
ES_AUTOVSCROLL = 0x40
ES_AUTOHSCROLL = 0x80
ES_OEMCONVERT = 0x400
ES_READONLY = 0x800
SS_LEFT = 0x0
SS_NOPREFIX = 0x80
LBS_NOTIFY = 0x1
LBS_SORT = 0x2
LBS_OWNERDRAWFIXED = 0x10
LBS_HASSTRINGS = 0x40
LBS_EXTENDEDSEL = 0x800
LBS_DISABLENOSCROLL = 0x1000
CBS_DROPDOWNLIST = 0x3
CBS_OWNERDRAWFIXED = 0x10
CBS_AUTOHSCROLL = 0x40
CBS_SORT = 0x100
CBS_HASSTRINGS = 0x200
IDOK, IDCANCEL = 1, 2
edt1, stc1, stc2, stc3, stc4 = 0x480, 0x440, 0x441, 0x442, 0x443
lst1, lst2, cmb1, cmb2 = 0x460, 0x461, 0x470, 0x471

RT_ICON, RT_DIALOG, RT_ACCELERATOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 9, 14, 16, 24
LANG_EN_US = 1033
IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
DYNAMIC_BASE, NX_COMPAT = 0x40, 0x100

# The predefined window classes, as a template names them by atom.
CLASS_ATOMS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC", 0x83: "LISTBOX",
               0x84: "SCROLLBAR", 0x85: "COMBOBOX"}

# Every function setup.exe may import, per DLL, one a line. Each is exported
# by both Windows 95 and Windows NT 4.0, whose loaders refuse a program that
# imports anything they lack. Add a function only when both are known to have
# it; anything newer is looked up at run time, with a fallback. No C runtime
# DLL: the first releases of Windows 95 have no msvcrt.dll.
IMPORTABLE = {
    "kernel32.dll": {
        "CloseHandle",
        "CopyFileA",
        "CreateDirectoryA",
        "CreateFileA",
        "CreateMutexA",
        "CreateProcessA",
        "DeleteFileA",
        "DuplicateHandle",
        "ExitProcess",
        "FindClose",
        "FindFirstFileA",
        "FindNextFileA",
        "FindResourceA",
        "FormatMessageA",
        "GetCommandLineA",
        "GetCurrentDirectoryA",
        "GetCurrentProcess",
        "GetDiskFreeSpaceA",
        "GetFileAttributesA",
        "GetFileSize",
        "GetFullPathNameA",
        "GetLastError",
        "GetModuleFileNameA",
        "GetModuleHandleA",
        "GetPrivateProfileStringA",
        "GetProcAddress",
        "GetShortPathNameA",
        "GetStartupInfoA",
        "GetTempPathA",
        "GetTickCount",
        "GetVersion",
        "GetWindowsDirectoryA",
        "GlobalAlloc",
        "GlobalFree",
        "GlobalLock",
        "GlobalUnlock",
        "LoadResource",
        "LocalAlloc",
        "LocalFree",
        "MulDiv",
        "MultiByteToWideChar",
        "ReadFile",
        "RemoveDirectoryA",
        "SetFileAttributesA",
        "SetFileTime",
        "SetLastError",
        "Sleep",
        "WaitForSingleObject",
        "WriteFile",
        "WritePrivateProfileStringA",
        "lstrcmpiA",
    },
    "user32.dll": {
        "BeginPaint",
        "CharNextA",
        "CheckDlgButton",
        "CreateDialogIndirectParamA",
        "CreateWindowExA",
        "DefWindowProcA",
        "DestroyWindow",
        "DialogBoxParamA",
        "DispatchMessageA",
        "DrawTextA",
        "EndDialog",
        "EndPaint",
        "EnumWindows",
        "FillRect",
        "FindWindowA",
        "GetClientRect",
        "GetDlgItem",
        "GetDlgItemTextA",
        "GetMessageA",
        "GetWindowTextLengthA",
        "GetWindowThreadProcessId",
        "IsDialogMessageA",
        "IsDlgButtonChecked",
        "IsIconic",
        "IsWindowEnabled",
        "IsWindowVisible",
        "KillTimer",
        "LoadAcceleratorsA",
        "LoadCursorA",
        "LoadIconA",
        "MessageBoxA",
        "PeekMessageA",
        "PostMessageA",
        "PostQuitMessage",
        "RegisterClassExA",
        "SetDlgItemTextA",
        "SetFocus",
        "SetForegroundWindow",
        "SetTimer",
        "SetWindowTextA",
        "ShowWindow",
        "TranslateAcceleratorA",
        "TranslateMessage",
        "UpdateWindow",
        "wsprintfA",
    },
    "comdlg32.dll": {
        "GetSaveFileNameA",
    },
    "advapi32.dll": {
        "RegCloseKey",
        "RegCreateKeyExA",
        "RegDeleteKeyA",
        "RegOpenKeyExA",
        "RegQueryValueExA",
        "RegSetValueExA",
    },
    "shell32.dll": {
        "ShellExecuteA",
    },
    "ole32.dll": {
        "CoCreateInstance",
        "CoInitialize",
        "CoUninitialize",
    },
}

# Newer than one of the two, so never on the list above: Windows 95 lacks
# GetLongPathNameA and, before OSR2, GetDiskFreeSpaceExA; the DLL search
# restriction came with XP SP1 and Windows 8; Windows 95 has MoveFileExA as a
# stub at most.
NEWER = {"GetLongPathNameA", "GetDiskFreeSpaceExA", "SetDllDirectoryA",
         "SetDefaultDllDirectories", "MoveFileExA"}

# Instructions that processors after the 386, on which Windows 95 runs, added:
# the 486's, the Pentium's, the Pentium Pro's (cmov), and MMX and SSE.
LATER_THAN_386 = re.compile(r"\t(bswap|cmpxchg|xadd|cpuid|rdtsc|cmov|fcmov|fu?comi)|%[xy]?mm\d")

DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
SHOWN = WS_CHILD | WS_VISIBLE
HIDDEN = WS_CHILD
FONT = (10, "Comic Sans MS")

# (id, class, text, style, (x, y, width, height)), in template order.
INSTALL_DIALOG = {
    "caption": "Velquor Install Dialog", "rect": (20, 0, 320, 200),
    "controls": [
        (IDOK, "BUTTON", "Install", SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP, (210, 25, 50, 14)),
        (IDCANCEL, "BUTTON", "Cancel", SHOWN | BS_PUSHBUTTON | WS_TABSTOP, (263, 25, 50, 14)),
        (-1, "STATIC", "Choose the directory where you would like Velquor installed:",
         SHOWN | SS_LEFT | WS_GROUP, (7, 6, 102, 16)),
        (1000, "BUTTON", "...", SHOWN | BS_PUSHBUTTON | WS_TABSTOP, (288, 7, 25, 12)),
        (1001, "EDIT", "", SHOWN | ES_LEFT | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
         (110, 7, 169, 12)),
        (1003, "BUTTON", "Add Velquor to your Start Menu",
         SHOWN | BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP, (182, 40, 130, 8)),
        (1004, "EDIT", "", SHOWN | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL
         | WS_BORDER, (7, 52, 306, 143)),
        (-1, "STATIC", "Readme.txt", SHOWN | SS_LEFT | WS_GROUP, (7, 41, 57, 8)),
        (1005, "EDIT", "", SHOWN | ES_LEFT | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
         (85, 26, 118, 12)),
        (-1, "STATIC", "Enter your full name", SHOWN | SS_LEFT | WS_GROUP, (7, 26, 65, 10)),
    ],
}

FOLDER_CHOOSER = {
    "caption": "Choose Velquor Workspace", "rect": (20, 20, 186, 150),
    "controls": [
        (IDOK, "BUTTON", "OK", SHOWN | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP,
         (129, 108, 50, 14)),
        (IDCANCEL, "BUTTON", "Cancel", SHOWN | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP,
         (129, 129, 50, 14)),
        (edt1, "EDIT", "", HIDDEN | WS_BORDER | WS_TABSTOP | ES_OEMCONVERT | ES_AUTOHSCROLL,
         (13, 17, 90, 12)),
        (stc1, "STATIC", "", SHOWN | SS_NOPREFIX | WS_GROUP, (23, 17, 96, 9)),
        (lst1, "LISTBOX", "", HIDDEN | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY
         | LBS_SORT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_EXTENDEDSEL
         | LBS_DISABLENOSCROLL, (13, 33, 90, 82)),
        (lst2, "LISTBOX", "", SHOWN | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY
         | LBS_SORT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_DISABLENOSCROLL,
         (23, 33, 96, 83)),
        (cmb1, "COMBOBOX", "", HIDDEN | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST
         | CBS_AUTOHSCROLL, (13, 130, 90, 96)),
        (cmb2, "COMBOBOX", "", SHOWN | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST
         | CBS_OWNERDRAWFIXED | CBS_AUTOHSCROLL | CBS_SORT | CBS_HASSTRINGS,
         (23, 131, 96, 68)),
        (stc3, "STATIC", "File &name:", HIDDEN | WS_GROUP, (14, 7, 165, 9)),
        (-1, "STATIC", "&Folders:", SHOWN | WS_GROUP, (23, 7, 96, 9)),
        (stc2, "STATIC", "List files of &type:", HIDDEN | WS_GROUP, (13, 118, 90, 9)),
        (stc4, "STATIC", "Dri&ves:", SHOWN | WS_GROUP, (23, 118, 96, 9)),
    ],
}


class Reader:
    """Reads the little-endian words and UTF-16 strings of a template."""

    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
            if end >= len(self.data):
                raise ValueError("unterminated string at offset %d" % self.at)
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def text_or_ordinal(self):
        """A string, or an ordinal as ("#", number)."""
        if self.data[self.at:self.at + 2] == b"\xff\xff":
            return ("#", self.take("2H")[1])
        return self.text()

    def align4(self):
        self.at = (self.at + 3) & ~3


def class_name(value):
    if isinstance(value, tuple):
        return CLASS_ATOMS.get(value[1], "#%d" % value[1])
    return value.upper()


def parse_dialog(data):
    """A classic DLGTEMPLATE and its DLGITEMTEMPLATEs as plain values."""
    if struct.unpack_from("<2H", data)[:2] == (1, 0xFFFF):
        raise ValueError("an extended (DIALOGEX) template")
    r = Reader(data)
    style, ex_style, count, x, y, cx, cy = r.take("IIHhhhh")
    dialog = {"style": style, "ex_style": ex_style, "rect": (x, y, cx, cy),
              "menu": r.text_or_ordinal(), "class": r.text_or_ordinal(), "caption": r.text(),
              "font": r.take("H") + (r.text(),) if style & DS_SETFONT else None,
              "controls": []}
    for _ in range(count):
        r.align4()
        style, ex_style, x, y, cx, cy, control_id = r.take("IIhhhhH")
        control = {"id": control_id, "class": class_name(r.text_or_ordinal()),
                   "text": r.text_or_ordinal(), "style": style, "ex_style": ex_style,
                   "rect": (x, y, cx, cy)}
        (extra_bytes,) = r.take("H")
        control["extra"] = r.data[r.at:r.at + extra_bytes]
        r.at += extra_bytes
        dialog["controls"].append(control)
    dialog["trailing"] = data[(r.at + 3) & ~3:]
    return dialog


def resources(pe):
    """{(type, name): {language: bytes}} for every resource of the file."""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            key = (rtype.id if rtype.name is None else str(rtype.name),
                   name.id if name.name is None else str(name.name))
            for lang in name.directory.entries:
                entry = lang.data.struct
                found.setdefault(key, {})[lang.id] = pe.get_data(entry.OffsetToData, entry.Size)
    return found


class SetupExeAsBuilt(unittest.TestCase):
    path = None

    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(cls.path)
        cls.res = resources(cls.pe)

    def the(self, rtype, name):
        """The data of one resource, which must exist in exactly one language."""
        self.assertIn((rtype, name), self.res)
        (data,) = self.res[(rtype, name)].values()
        return data

    def test_is_a_32_bit_gui_program(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, IMAGE_FILE_MACHINE_I386)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, pefile.OPTIONAL_HEADER_MAGIC_PE)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)

    def test_keeps_address_randomisation_and_no_execute_data(self):
        flags = self.pe.OPTIONAL_HEADER.DllCharacteristics
        self.assertTrue(flags & DYNAMIC_BASE, "no DYNAMIC_BASE")
        self.assertTrue(flags & NX_COMPAT, "no NX_COMPAT")

    def test_loads_on_windows_95_and_nt_4(self):
        # Their loaders refuse a program made for a later subsystem version.
        header = self.pe.OPTIONAL_HEADER
        self.assertLessEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion), (4, 0))
        self.assertFalse(NEWER & set().union(*IMPORTABLE.values()), "newer functions listed")
        unknown = []
        for entry in self.pe.DIRECTORY_ENTRY_IMPORT:
            dll = entry.dll.decode().lower()
            for function in entry.imports:
                name = function.name.decode() if function.name else "#%d" % function.ordinal
                if name not in IMPORTABLE.get(dll, ()):
                    unknown.append("%s %s" % (dll, name))
        self.assertEqual(unknown, [], "imports not known in both Windows 95 and NT 4.0")
        self.assertFalse(hasattr(self.pe, "DIRECTORY_ENTRY_DELAY_IMPORT"), "delay-loaded DLLs")

    def test_runs_on_a_386(self):
        code = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn", self.path],
                              check=True, capture_output=True, text=True).stdout
        later = [line.strip() for line in code.splitlines() if LATER_THAN_386.search(line)]
        self.assertEqual(later, [], "instructions the processors of Windows 95 may lack")

    def test_looks_up_the_dll_search_restriction_at_run_time(self):
        # Imported directly, the function would keep the program from
        # starting on systems that lack it.
        imported = {imp.name for entry in self.pe.DIRECTORY_ENTRY_IMPORT for imp in entry.imports}
        self.assertNotIn(b"SetDefaultDllDirectories", imported)
        self.assertTrue(b"SetDefaultDllDirectories\0" in bytes(self.pe.__data__),
                        "no run-time lookup of SetDefaultDllDirectories")

    def test_holds_exactly_its_own_resources_all_in_english_us(self):
        group = self.the(RT_GROUP_ICON, 137)
        image_ids = {entry[-1] for entry in icon_entries(group)}
        expected = {(RT_DIALOG, 131), (RT_DIALOG, 132), (RT_GROUP_ICON, 137)}
        expected |= {(RT_ICON, image_id) for image_id in image_ids}
        self.assertEqual(set(self.res), expected)
        for key, languages in self.res.items():
            self.assertEqual(list(languages), [LANG_EN_US], "resource %s/%s" % key)

    def test_has_no_version_manifest_accelerators_or_icon_130(self):
        types = {rtype for rtype, _ in self.res}
        self.assertNotIn(RT_VERSION, types)
        self.assertNotIn(RT_MANIFEST, types)
        self.assertNotIn((RT_ACCELERATOR, 109), self.res)
        self.assertNotIn((RT_GROUP_ICON, 130), self.res)
        self.assertNotIn((RT_ICON, 130), self.res)

    def test_icon_137_has_a_32_and_a_16_pixel_image_of_16_colours(self):
        entries = icon_entries(self.the(RT_GROUP_ICON, 137))
        self.assertEqual([(w, h, colours) for w, h, colours, *_ in entries],
                         [(32, 32, 16), (16, 16, 16)])
        for width, height, _, planes, bits, size, image_id in entries:
            with self.subTest(size=width):
                self.assertEqual((planes, bits), (1, 4))
                image = self.the(RT_ICON, image_id)
                self.assertEqual(len(image), size)
                # A BITMAPINFOHEADER whose height counts the colour and mask rows.
                header = struct.unpack_from("<IiiHH", image)
                self.assertEqual(header, (40, width, 2 * height, 1, 4))

    def check_dialog(self, name, expected):
        dialog = parse_dialog(self.the(RT_DIALOG, name))
        self.assertEqual(dialog["style"], DIALOG_STYLE, hex(dialog["style"]))
        self.assertEqual(dialog["ex_style"], 0)
        self.assertEqual(dialog["rect"], expected["rect"])
        self.assertEqual((dialog["menu"], dialog["class"]), ("", ""))
        self.assertEqual(dialog["caption"], expected["caption"])
        self.assertEqual(dialog["font"], FONT)
        self.assertEqual([c["id"] for c in dialog["controls"]],
                         [c[0] & 0xFFFF for c in expected["controls"]], "ids in template order")
        for got, (cid, cls, text, style, rect) in zip(dialog["controls"], expected["controls"]):
            with self.subTest(control=cid, text=text):
                self.assertEqual(got["class"], cls)
                self.assertEqual(got["text"], text)
                self.assertEqual(hex(got["style"]), hex(style))
                self.assertEqual(got["ex_style"], 0)
                self.assertEqual(got["rect"], rect)
                self.assertEqual(got["extra"], b"")
        self.assertFalse(dialog["trailing"].strip(b"\0"), "data after the last control")

    def test_install_dialog_132(self):
        self.check_dialog(132, INSTALL_DIALOG)

    def test_folder_chooser_131(self):
        self.check_dialog(131, FOLDER_CHOOSER)


def icon_entries(group):
    """(width, height, colours, planes, bits, bytes, id) of each GRPICONDIRENTRY."""
    reserved, kind, count = struct.unpack_from("<3H", group)
    if (reserved, kind) != (0, 1):
        raise ValueError("not an icon group")
    return [struct.unpack_from("<BBBxHHIH", group, 6 + 14 * i) for i in range(count)]


if __name__ == "__main__":
    if len(sys.argv) != 2 or not os.path.isfile(sys.argv[1]):
        sys.exit("usage: check_setup_exe.py SETUP_EXE (build it with: cmake --preset win32 "
                 "&& cmake --build --preset win32)")
    SetupExeAsBuilt.path = sys.argv[1]
    print("%s: %d bytes" % (sys.argv[1], os.path.getsize(sys.argv[1])))
    unittest.main(argv=sys.argv[:1], verbosity=2)
