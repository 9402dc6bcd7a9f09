#!/usr/bin/python3
"""Rewrites a zip so that the same files give the same bytes on any machine:
entries in name order, dated SOURCE_DATE_EPOCH (UTC; else as they were), no owner,
no extra fields, no permissions.  repack_zip.py ZIP"""
import os
import sys
import time
import zipfile


def main(path):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    with zipfile.ZipFile(path) as old:
        entries = [(info, old.read(info)) for info in sorted(old.infolist(), key=lambda i: i.filename)]
    with zipfile.ZipFile(path + ".tmp", "w") as new:
        for info, data in entries:
            date = time.gmtime(int(epoch))[:6] if epoch else info.date_time
            fixed = zipfile.ZipInfo(info.filename, date_time=date)
            fixed.create_system = 0
            new.writestr(fixed, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main(sys.argv[1])
