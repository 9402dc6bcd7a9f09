#!/usr/bin/python3
"""Checks of the release files, one per command:
  pe_check.py imports SCR LISTS_DIR   imports from five system DLLs, working on Windows 95/98; subsystem 4.0
  pe_check.py instructions SCR        no instruction that an i486 lacks
  pe_check.py size SCR MAX_BYTES      the file is at most MAX_BYTES long
  pe_check.py version SCR VERSION LICENSE   the version block's fields
  pe_check.py zip ZIP NAME...         the zip holds exactly these entries
Prints what is wrong and exits with 1."""
import os
import re
import subprocess
import sys
import zipfile

import pefile


# The DLLs the .scr may import from (others, such as MPR, are loaded at run time), and the
# only wide-character functions that Windows 95 implements: the others are failing stubs.
IMPORTABLE_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "winmm.dll"}
WORKING_WIDE_FUNCTIONS = set("""EnumResourceLanguagesW EnumResourceNamesW EnumResourceTypesW ExtTextOutW FindResourceW
    FindResourceExW GetCharWidthW GetCommandLineW GetTextExtentExPointW GetTextExtentPoint32W GetTextExtentPointW
    lstrlenW MessageBoxExW MessageBoxW TextOutW""".split())


def check_imports(scr, lists_dir):
    pe = pefile.PE(scr)
    wrong = []
    subsystem = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    if subsystem != (4, 0):
        wrong.append("subsystem version %d.%d, not 4.0" % subsystem)
    for dll in pe.DIRECTORY_ENTRY_IMPORT:
        name = dll.dll.decode().lower()
        path = os.path.join(lists_dir, name.removesuffix(".dll") + ".txt")
        if name not in IMPORTABLE_DLLS:
            wrong.append("%s: not one of %s" % (name, ", ".join(sorted(IMPORTABLE_DLLS))))
            continue
        with open(path) as lines:
            exported = {line.strip() for line in lines}
        stubs = {n for n in exported if n.endswith("W") and n[:-1] + "A" in exported} - WORKING_WIDE_FUNCTIONS
        for function in dll.imports:
            if function.name is None:
                wrong.append("%s: ordinal %d" % (name, function.ordinal))
            elif function.name.decode() not in exported:
                wrong.append("%s: %s" % (name, function.name.decode()))
            elif function.name.decode() in stubs:
                wrong.append("%s: %s, only a failing stub on Windows 95/98" % (name, function.name.decode()))
    return wrong


# What the i486 lacks: conditional moves and compares, MMX and SSE (any use of their
# registers), long NOPs, and the Pentium's and later processors' system instructions.
NEWER_THAN_I486 = re.compile(
    r"\t(f?cmov\w*|fu?comip?|rdtscp?|rdpmc|cpuid|cmpxchg(8|16)b|sys(enter|exit|call|ret)|rdmsr|wrmsr|f?emms|fxsave"
    r"|fxrstor|[lsm]fence|prefetch\w*|movnt\w*|clflush|[ls]dmxcsr|popcnt|lzcnt|movbe|nop[wl])\b|%[xyz]?mm\d")


def check_instructions(scr):
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", scr], capture_output=True, text=True, check=True)
    return [line.strip() for line in listing.stdout.splitlines() if NEWER_THAN_I486.search(line)]


def check_size(scr, limit):
    size = os.path.getsize(scr)
    return [] if size <= int(limit) else ["%d bytes, more than %s" % (size, limit)]


def check_version(scr, version, license_path):
    with open(license_path) as text:
        copyright_line = next(line.strip() for line in text if line.startswith("Copyright"))
    expected = {
        "FileDescription": "Brisel molecule screen saver",
        "FileVersion": version,
        "InternalName": "brisel.scr",
        "LegalCopyright": copyright_line,
        "OriginalFilename": "brisel.scr",
        "ProductName": "Brisel",
        "ProductVersion": version,
    }
    pe = pefile.PE(scr)
    found = {}
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for table in getattr(block, "StringTable", []):
                found.update({k.decode(): v.decode() for k, v in table.entries.items()})
    wrong = ["%s: %r, expected %r" % (k, found.get(k), v) for k, v in expected.items() if found.get(k) != v]
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    numbers = [int(part) for part in version.split(".")]
    ms, ls = numbers[0] << 16 | numbers[1], numbers[2] << 16
    if fixed is None or (fixed.FileVersionMS, fixed.FileVersionLS) != (ms, ls):
        wrong.append("fixed file version is not %s.0" % version)
    return wrong


def check_zip(path, *names):
    with zipfile.ZipFile(path) as archive:
        found = sorted(archive.namelist())
    return [] if found == sorted(names) else ["entries %s, expected %s" % (found, sorted(names))]


def main():
    checks = {"imports": check_imports, "instructions": check_instructions, "size": check_size,
              "version": check_version, "zip": check_zip}
    wrong = checks[sys.argv[1]](*sys.argv[2:])
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
