#!/usr/bin/env python3
"""udf_metadata_seed.py BRIDGE OUT: a fuzz seed on a UDF metadata partition.

No mastering tool here writes the metadata partition of UDF 2.50 and later,
so this moves the file set of a genisoimage -udf -no-pad disc onto one: the
partition is widened by a few blocks, the metadata file's entry is put in
the first of them with its data in two runs over the partition's blocks
(block n of the metadata partition is block n of the partition), the
logical volume gains the metadata partition map, and the file set, the root
and every folder record name it. An anchor is added in the new last sector.
"""
import struct
import sys

SECTOR = 2048
data = bytearray(open(sys.argv[1], "rb").read())


def seal(at):
    data[at + 4] = sum(data[at + i] for i in range(16) if i != 4) & 0xFF


def tagged(sector, tag, location):
    at = sector * SECTOR
    return (struct.unpack_from("<H", data, at)[0] == tag and
            struct.unpack_from("<I", data, at + 12)[0] == location)


start = length = None
for n in range(16, 256):
    if tagged(n, 5, n):
        start, length = struct.unpack_from("<II", data, n * SECTOR + 188)
        struct.pack_into("<I", data, n * SECTOR + 192, length + 8)
        seal(n * SECTOR)
if start is None:
    sys.exit("no partition descriptor")
data += bytes(SECTOR * max(0, start + length + 9 - len(data) // SECTOR))

file_block = length
at = (start + file_block) * SECTOR
data[at:at + SECTOR] = bytes(SECTOR)
struct.pack_into("<HH", data, at, 261, 2)
struct.pack_into("<I", data, at + 12, file_block)
struct.pack_into("<H", data, at + 20, 4)  # strategy 4
data[at + 27] = 250  # the metadata file
struct.pack_into("<Q", data, at + 56, length * SECTOR)
struct.pack_into("<I", data, at + 172, 16)
half = length // 2
struct.pack_into("<IIII", data, at + 176, half * SECTOR, 0, (length - half) * SECTOR, half)
seal(at)

for n in range(16, 256):
    if tagged(n, 6, n):
        at = n * SECTOR
        table = struct.unpack_from("<I", data, at + 264)[0]
        m = at + 440 + table
        data[m:m + 64] = bytes(64)
        data[m], data[m + 1] = 2, 64
        data[m + 5:m + 28] = b"*UDF Metadata Partition"
        struct.pack_into("<H", data, m + 36, 1)
        struct.pack_into("<III", data, m + 40, file_block, file_block, 0xFFFFFFFF)
        struct.pack_into("<II", data, at + 264, table + 64, 2)
        struct.pack_into("<H", data, at + 256, 1)  # the file set's partition
        seal(at)

for n in range(start, start + length):
    at = n * SECTOR
    if tagged(n, 256, n - start):
        struct.pack_into("<H", data, at + 408, 1)  # the root's partition
        seal(at)
    inside = 0
    while inside + 38 <= SECTOR and struct.unpack_from("<H", data, at + inside)[0] == 257:
        struct.pack_into("<H", data, at + inside + 28, 1)
        seal(at + inside)
        use = struct.unpack_from("<H", data, at + inside + 36)[0]
        inside += (38 + use + data[at + inside + 19] + 3) & ~3

last = len(data) // SECTOR - 1
data[last * SECTOR:(last + 1) * SECTOR] = data[256 * SECTOR:257 * SECTOR]
struct.pack_into("<I", data, last * SECTOR + 12, last)
seal(last * SECTOR)
open(sys.argv[2], "wb").write(data)
