#!/usr/bin/env python3
"""Writes the zone database that normdate builds in: every zone and link
that a zone directory's tzdata.zi names, as the directory's own TZif files
hold them (abseil reads only their 64-bit data, so the 32-bit block of
version 1 is left out), with the database's IANA version.

    python3 src/zone/tzdata/make_snapshot.py [ZONE_DIRECTORY [OUTPUT]]

ZONE_DIRECTORY is /usr/share/zoneinfo by default (Debian's tzdata) and
OUTPUT src/zone/tzdata/tzdata.bin beside this script. The files are taken,
not compiled again: Debian's own compiler, run on tzdata.zi, does not give
the same answers for every zone in every year as the files it shipped.

The snapshot, all numbers unsigned and big-endian:

    "NDTZ"                      magic
    1 byte                      format, 1
    1 byte n, n bytes           the IANA version, such as "2025b"
    4 bytes                     the count of names N
    4 bytes                     the count of distinct files F
    N times 4 + 4 bytes         each name's offset in the names, and its file,
                                in the byte order of the names
    F times 4 + 4 bytes         each file's offset in the data, and its length
    4 bytes, then the names     the names, each ended by a NUL
    the data                    each file from its version 2 (or later)
                                header on, to the end of its footer
"""

import os
import struct
import sys


def names_of(directory):
    """The IANA version, and the zone and link names, of tzdata.zi."""
    version = None
    names = []
    with open(os.path.join(directory, "tzdata.zi"), encoding="ascii") as source:
        for line in source:
            fields = line.split()
            if line.startswith("# version "):
                version = fields[2]
            elif fields and fields[0] == "Z":
                names.append(fields[1])
            elif fields and fields[0] == "L":
                names.append(fields[2])
    if version is None or not names:
        sys.exit(f"{directory}/tzdata.zi states no version or no names")
    return version, sorted(set(names), key=lambda name: name.encode())


def without_version_1(data, name):
    """The TZif data from its second header on (RFC 8536, section 3)."""
    if data[:4] != b"TZif" or data[4:5] not in (b"2", b"3", b"4"):
        sys.exit(f"{name} is not TZif data of version 2 or later")
    isut, isstd, leap, times, types, chars = struct.unpack(">6L", data[20:44])
    start = 44 + times * 5 + types * 6 + chars + leap * 8 + isstd + isut
    if data[start:start + 4] != b"TZif":
        sys.exit(f"{name} has no second header where its first block ends")
    return data[start:]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    directory = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/zoneinfo"
    output = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "tzdata.bin")
    version, names = names_of(directory)
    files, file_of = [], {}
    index = []
    for name in names:
        with open(os.path.join(directory, name), "rb") as f:
            data = without_version_1(f.read(), name)
        if data not in file_of:
            file_of[data] = len(files)
            files.append(data)
        index.append(file_of[data])
    name_bytes = b"".join(name.encode("ascii") + b"\0" for name in names)
    snapshot = bytearray(b"NDTZ\1" + bytes([len(version)]) + version.encode("ascii"))
    snapshot += struct.pack(">2L", len(names), len(files))
    offset = 0
    for name, file in zip(names, index):
        snapshot += struct.pack(">2L", offset, file)
        offset += len(name) + 1
    offset = 0
    for data in files:
        snapshot += struct.pack(">2L", offset, len(data))
        offset += len(data)
    snapshot += struct.pack(">L", len(name_bytes)) + name_bytes
    snapshot += b"".join(files)
    with open(output, "wb") as f:
        f.write(snapshot)
    print(f"{output}: tzdata {version}, {len(names)} names, {len(files)} files, "
          f"{len(snapshot)} bytes")


main()
