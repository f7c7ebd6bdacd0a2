#!/usr/bin/env python3
"""Rewrites a .vsix so that the same files give the same bytes.

    normalise_vsix.py VSIX

A .vsix is a zip. vsce writes each file's modification time into it, and
its entries in the order its file walk met them; this keeps the entries and
their contents, the package's two description files first and the others in
the order of their names, and gives every entry the time SOURCE_DATE_EPOCH
(seconds since 1970, UTC) or, without it, 2026-01-01 00:00:00, and fixed
attributes, as the Windows release zip has them.
"""
import os
import sys
import time
import zipfile

DEFAULT_EPOCH = 1767225600  # 2026-01-01 00:00:00 UTC
ZIP_EPOCH_FLOOR = 315532800  # 1980-01-01, the earliest time a zip entry holds
FIRST = ("extension.vsixmanifest", "[Content_Types].xml")


def entry_time():
    text = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    try:
        seconds = int(text) if text else DEFAULT_EPOCH
    except ValueError:
        sys.exit(f"normalise_vsix.py: SOURCE_DATE_EPOCH is not a number of seconds: {text!r}")
    return time.gmtime(max(seconds, ZIP_EPOCH_FLOOR))[:6]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: normalise_vsix.py VSIX")
    target = sys.argv[1]
    stamp = entry_time()
    partial = target + ".part"
    with zipfile.ZipFile(target) as source, zipfile.ZipFile(partial, "w") as archive:
        entries = [info for info in source.infolist() if not info.is_dir()]
        entries.sort(key=lambda info: (info.filename not in FIRST, info.filename.encode("utf-8")))
        for old in entries:
            info = zipfile.ZipInfo(old.filename, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # the attributes below are Unix modes
            info.external_attr = (0o100755 if old.filename.endswith(".exe") else 0o100644) << 16
            archive.writestr(info, source.read(old), compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
