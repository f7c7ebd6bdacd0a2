#!/usr/bin/env python3
"""Makes the release zip from a staged folder, the same bytes for the same files.

    make_zip.py ZIP FOLDER

Every file under FOLDER goes in as FOLDER's name/relative path, in the order of
their names, deflated, with the time SOURCE_DATE_EPOCH (seconds since 1970,
UTC) or, without it, 2026-01-01 00:00:00, and fixed attributes. Nothing of the
machine (file times, owners, folder order) reaches the zip.
"""
import os
import sys
import time
import zipfile

DEFAULT_EPOCH = 1767225600  # 2026-01-01 00:00:00 UTC
ZIP_EPOCH_FLOOR = 315532800  # 1980-01-01, the earliest time a zip entry holds


def entry_time():
    text = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    try:
        seconds = int(text) if text else DEFAULT_EPOCH
    except ValueError:
        sys.exit(f"make_zip.py: SOURCE_DATE_EPOCH is not a number of seconds: {text!r}")
    return time.gmtime(max(seconds, ZIP_EPOCH_FLOOR))[:6]


def staged_files(folder):
    found = []
    for parent, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(parent, name)
            found.append(os.path.relpath(path, folder).replace(os.sep, "/"))
    return sorted(found, key=lambda name: name.encode("utf-8"))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_zip.py ZIP FOLDER")
    target, folder = sys.argv[1], os.path.normpath(sys.argv[2])
    top = os.path.basename(folder)
    stamp = entry_time()
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in staged_files(folder):
            info = zipfile.ZipInfo(f"{top}/{name}", date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # the attributes below are Unix modes
            info.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
