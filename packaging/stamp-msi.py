#!/usr/bin/env python3
"""Makes an MSI that wixl wrote reproducible: wixl stamps a random package code and the build
time into the summary information. This puts SOURCE_DATE_EPOCH in place of the times, and a
package code derived from everything else in the file in place of the random one, each in
place and at the same length, so that the compound file stays as wixl laid it out.

Usage: stamp-msi.py MSI EPOCH REVISION
  REVISION: the package code wixl wrote, as msiinfo suminfo shows it
"""
import hashlib
import re
import struct
import sys

FILETIME_EPOCH = 116444736000000000  # 1601-01-01 to 1970-01-01, in 100 ns
VT_FILETIME = b"\x40\x00\x00\x00"
UUID = re.compile(rb"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}")


def filetime(seconds):
    return seconds * 10_000_000 + FILETIME_EPOCH


def main(path, epoch, revision):
    data = bytearray(open(path, "rb").read())
    # The two times, Created and Last saved: VT_FILETIME values within a day of the build.
    import time
    now = filetime(int(time.time()))
    stamped = 0
    for at in [m.start() for m in re.finditer(re.escape(VT_FILETIME), bytes(data))]:
        (value,) = struct.unpack_from("<Q", data, at + 4)
        if abs(value - now) < 86400 * 10_000_000:
            struct.pack_into("<Q", data, at + 4, filetime(epoch))
            stamped += 1
    if stamped != 2:
        sys.exit(f"stamp-msi: found {stamped} build times in {path}, not 2")
    revision = revision.encode()
    if not UUID.fullmatch(revision) or bytes(data).count(revision) != 1:
        sys.exit(f"stamp-msi: the package code {revision.decode()} is not once in {path}")
    at = bytes(data).index(revision)
    data[at:at + 38] = b"{00000000-0000-0000-0000-000000000000}"
    digest = bytearray(hashlib.sha256(bytes(data)).digest()[:16])
    digest[6] = (digest[6] & 0x0F) | 0x50  # a name-based UUID, version 5
    digest[8] = (digest[8] & 0x3F) | 0x80
    h = digest.hex().upper()
    code = f"{{{h[0:8]}-{h[8:12]}-{h[12:16]}-{h[16:20]}-{h[20:32]}}}".encode()
    data[at:at + 38] = code
    open(path, "wb").write(bytes(data))
    print(code.decode())


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3])
