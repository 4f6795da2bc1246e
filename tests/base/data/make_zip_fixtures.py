#!/usr/bin/env python3
"""Writes the zip fixtures of the archive tests (run from this folder).

stored.zip: three stored entries, one in a subfolder.
mixed.zip:  a stored entry, a deflated one, then a stored one that a walk
            from the start can no longer reach.
"""
import zipfile

TEXT = b"Chimely rings at seven.\n" * 40


def entry(name, data, method):
    info = zipfile.ZipInfo(name, date_time=(2020, 1, 2, 3, 4, 6))
    info.compress_type = method
    return info, data


def write(path, entries):
    with zipfile.ZipFile(path, "w") as archive:
        for info, data in entries:
            archive.writestr(info, data)


write("stored.zip", [
    entry("Default.skin", b"SKIN" + bytes(range(256)), zipfile.ZIP_STORED),
    entry("pictures/Back.png", TEXT, zipfile.ZIP_STORED),
    entry("empty.txt", b"", zipfile.ZIP_STORED),
])
write("mixed.zip", [
    entry("first.txt", b"first entry\n", zipfile.ZIP_STORED),
    entry("packed.txt", TEXT, zipfile.ZIP_DEFLATED),
    entry("third.txt", b"third entry\n", zipfile.ZIP_STORED),
])
