#!/usr/bin/env python3
"""Prints one resource of a Windows program, read from its resource directory the way the
loader reads it: pe_resource.py FILE TYPE ID (numeric type and id, any language).
Exits 1 when the program has no such resource."""
import struct
import sys

RESOURCE_DIRECTORY = 2


def section_offset(sections, rva):
    """The file offset of a relative virtual address."""
    for virtual_address, virtual_size, raw_offset, raw_size in sections:
        if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
            return raw_offset + rva - virtual_address
    raise ValueError(f"address 0x{rva:x} is in no section")


def directory_entries(image, offset):
    """(id or None for a named entry, offset field) of one resource directory table."""
    named, numbered = struct.unpack_from("<HH", image, offset + 12)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", image, offset + 16 + 8 * i)
        yield (None if name & 0x80000000 else name), target


def find_resource(image, wanted_type, wanted_id):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    section_count, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, resource_size = struct.unpack_from("<II", image, directories + 8 * RESOURCE_DIRECTORY)
    if resource_size == 0:
        return None
    sections = []
    table = optional + optional_size
    for i in range(section_count):
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", image, table + 40 * i + 8)
        sections.append((virtual_address, virtual_size, raw_offset, raw_size))
    root = section_offset(sections, resource_rva)

    def subdirectory(offset, wanted):
        for entry_id, target in directory_entries(image, offset):
            if entry_id == wanted and target & 0x80000000:
                return root + (target & 0x7FFFFFFF)
        return None

    by_type = subdirectory(root, wanted_type)
    by_id = by_type and subdirectory(by_type, wanted_id)
    if not by_id:
        return None
    for _, target in directory_entries(image, by_id):
        data_rva, data_size = struct.unpack_from("<II", image, root + target)
        start = section_offset(sections, data_rva)
        return image[start:start + data_size]
    return None


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: pe_resource.py FILE TYPE ID")
    with open(sys.argv[1], "rb") as f:
        image = f.read()
    data = find_resource(image, int(sys.argv[2]), int(sys.argv[3]))
    if data is None:
        print(f"{sys.argv[1]}: no resource of type {sys.argv[2]} with id {sys.argv[3]}", file=sys.stderr)
        sys.exit(1)
    sys.stdout.buffer.write(data)


if __name__ == "__main__":
    main()
