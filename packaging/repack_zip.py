#!/usr/bin/python3
"""Rewrites a zip so that the same files give the same bytes on any machine:
entries in name order, dated SOURCE_DATE_EPOCH (UTC; else as they were), no owner,
no extra fields.  Every entry has the ordinary Unix modes, 0644 for a file and
0755 for a folder, so that unzip gives files that a web server running as another
user can read (without modes it makes them readable by their owner only).
With FOLDER, every entry is put into that one folder (unless all are there
already), so that unzipping gives one folder rather than loose files.
    repack_zip.py ZIP [FOLDER]"""
import os
import sys
import time
import zipfile


def main(path, folder=None):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    with zipfile.ZipFile(path) as old:
        entries = [(info.filename, info, old.read(info)) for info in old.infolist()]
    if folder and not all(name.startswith(folder + "/") for name, _, _ in entries):
        top = zipfile.ZipInfo(folder + "/", date_time=entries[0][1].date_time if entries else (1980, 1, 1, 0, 0, 0))
        entries = [(folder + "/", top, b"")] + [(folder + "/" + name, info, data) for name, info, data in entries]
    entries.sort(key=lambda entry: entry[0])
    with zipfile.ZipFile(path + ".tmp", "w") as new:
        for name, info, data in entries:
            date = time.gmtime(int(epoch))[:6] if epoch else info.date_time
            fixed = zipfile.ZipInfo(name, date_time=date)
            fixed.create_system = 3  # Unix: unzip applies the modes below
            if info.is_dir():
                fixed.external_attr = 0o40755 << 16 | 0x10  # and the MS-DOS folder flag
            else:
                fixed.external_attr = 0o100644 << 16
            new.writestr(fixed, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main(*sys.argv[1:3])
