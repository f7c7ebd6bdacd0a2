#!/usr/bin/env python3
"""Checks the release zip: exactly the files it should hold, every licence
with its own text, programs without debug sections, symbols or link time.

    check_zip.py ZIP [VSIX]

With VSIX, the zip also holds that file (the VS Code extension's package) by
its name, the same bytes, and the zarn-cli.exe inside it is the zip's own.
"""
import io
import os
import struct
import sys
import zipfile

# Each licence file and words that only its own text holds.
LICENCES = {
    "LICENSE.txt": "Copyright (c) 2026 the ZARN authors",
    "LICENSE-StormLib.txt": "Ladislav Zezula",
    "LICENSE-zlib.txt": "Jean-loup Gailly and Mark Adler",
    "LICENSE-bzip2.txt": "Julian Seward",
    "LICENSE-libtomcrypt.txt": "LibTomCrypt",
    "LICENSE-PCRE2.txt": "PCRE2",
    "LICENSE-libsodium.txt": "Frank Denis",
    "LICENSE-winpthreads.txt": "mingw-w64-libraries/winpthreads/",
}
PROGRAMS = ["ZARN.exe", "zarn-cli.exe"]


def pe_problems(name, data):
    """What a stripped program without a link time should not have."""
    if data[:2] != b"MZ":
        return [f"{name} is not a Windows program"]
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return [f"{name} has no PE header"]
    sections, stamp, symbols_at, symbols = struct.unpack_from("<HIII", data, pe + 6)
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    problems = []
    if stamp != 0:
        problems.append(f"{name} carries a link time ({stamp})")
    if symbols_at or symbols:
        problems.append(f"{name} carries a symbol table ({symbols} symbols)")
    table = pe + 24 + optional_size
    for i in range(sections):
        raw = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0").decode("latin-1")
        # Long names ("/4") live in the symbols' string table: the DWARF ones.
        if raw.startswith(".debug") or raw.startswith("/"):
            problems.append(f"{name} has the debug section {raw}")
    return problems


def vsix_problems(vsix, data, program):
    """The package in the zip is the one built, with the zip's zarn-cli.exe."""
    with open(vsix, "rb") as built:
        if built.read() != data:
            return [f"{os.path.basename(vsix)} in the zip is not {vsix}"]
    with zipfile.ZipFile(io.BytesIO(data)) as package:
        if package.read("extension/server/zarn-cli.exe") != program:
            return ["the extension's zarn-cli.exe is not the zip's"]
    return []


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: check_zip.py ZIP [VSIX]")
    vsix = sys.argv[2] if len(sys.argv) == 3 else None
    problems = []
    with zipfile.ZipFile(sys.argv[1]) as archive:
        names = archive.namelist()
        top = names[0].split("/")[0] if names else ""
        inside = sorted(n[len(top) + 1:] for n in names)
        extra = [os.path.basename(vsix)] if vsix else []
        expected = sorted(PROGRAMS + ["README.txt"] + list(LICENCES) + extra)
        if any(not n.startswith(top + "/") for n in names) or inside != expected:
            problems.append(f"the zip holds {names}, not {top}/ with {expected}")
        if names != sorted(names, key=lambda n: n.encode("utf-8")):
            problems.append("the entries are not in name order")
        if len({info.date_time for info in archive.infolist()}) > 1:
            problems.append("the entries differ in time")
        for file, words in LICENCES.items():
            path = f"{top}/{file}"
            if path in names and words not in archive.read(path).decode("utf-8", "replace"):
                problems.append(f"{file} does not hold its licence (no \"{words}\")")
        for program in PROGRAMS:
            path = f"{top}/{program}"
            if path in names:
                problems += pe_problems(program, archive.read(path))
        if vsix and f"{top}/{extra[0]}" in names:
            problems += vsix_problems(vsix, archive.read(f"{top}/{extra[0]}"), archive.read(f"{top}/zarn-cli.exe"))
        readme = f"{top}/README.txt"
        if readme in names:
            text = archive.read(readme).decode("utf-8", "replace")
            for words in ["Open with", "--map", "common.j", "Blizzard.j", "%LOCALAPPDATA%\\ZARN",
                          "Exit codes", "LICENSE.txt", "Install from VSIX"] + list(LICENCES):
                if words not in text:
                    problems.append(f"README.txt does not mention {words}")
    for problem in problems:
        print(f"check_zip.py: {problem}", file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
