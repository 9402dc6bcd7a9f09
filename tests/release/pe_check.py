#!/usr/bin/python3
"""Checks of the release files, one per command:
  pe_check.py imports SCR LISTS_DIR   every import is exported by Windows 95/98; subsystem 4.0
  pe_check.py size SCR MAX_BYTES      the file is at most MAX_BYTES long
  pe_check.py version SCR VERSION LICENSE   the version block's fields
  pe_check.py zip ZIP NAME...         the zip holds exactly these entries
Prints what is wrong and exits with 1."""
import os
import sys
import zipfile

import pefile


def check_imports(scr, lists_dir):
    pe = pefile.PE(scr)
    wrong = []
    subsystem = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    if subsystem != (4, 0):
        wrong.append("subsystem version %d.%d, not 4.0" % subsystem)
    for dll in pe.DIRECTORY_ENTRY_IMPORT:
        name = dll.dll.decode().lower()
        path = os.path.join(lists_dir, name.removesuffix(".dll") + ".txt")
        if not os.path.exists(path):
            wrong.append("%s: a DLL that Windows 95/98 do not have" % name)
            continue
        with open(path) as lines:
            exported = {line.strip() for line in lines}
        for function in dll.imports:
            if function.name is None:
                wrong.append("%s: ordinal %d" % (name, function.ordinal))
            elif function.name.decode() not in exported:
                wrong.append("%s: %s" % (name, function.name.decode()))
    return wrong


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
    checks = {"imports": check_imports, "size": check_size, "version": check_version, "zip": check_zip}
    wrong = checks[sys.argv[1]](*sys.argv[2:])
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
