#!/usr/bin/env python3
"""Checks the desktop executable as Windows will load it: it imports only from
Windows' own DLLs, and its resource section holds every resource of the
program's compiled .res with the same bytes, plus the application manifest.

Usage: check_pe.py Velquin.exe velquin.res
"""
import struct
import sys

# Windows' own DLLs (msvcrt is the system's C runtime).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll"}
RT_MANIFEST = 24


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        if machine != 0x8664:
            raise ValueError("not an x86-64 image: machine 0x%x" % machine)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a PE32+ image")
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + 112
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, virtual_size, address, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("address 0x%x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{dll: [function names]}, in the order of the import directory."""
        rva, _ = self.directories[1]
        found = {}
        entry = self.offset(rva)
        while True:
            fields = struct.unpack_from("<IIIII", self.data, entry)
            if fields == (0, 0, 0, 0, 0):
                return found
            functions = found.setdefault(self.c_string(fields[3]), [])
            thunk = self.offset(fields[0] or fields[4])
            while True:
                value = struct.unpack_from("<Q", self.data, thunk)[0]
                if value == 0:
                    break
                if not value & (1 << 63):
                    functions.append(self.c_string((value & 0x7FFFFFFF) + 2))
                thunk += 8
            entry += 20

    def resources(self):
        """{(type, name, language): bytes}, with ordinals as ints, names as str."""
        rva, _ = self.directories[2]
        base = self.offset(rva)
        found = {}

        def entries(directory):
            named, ordinals = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ordinals):
                ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        for type_id, types in entries(base):
            for name_id, names in entries(base + (types & 0x7FFFFFFF)):
                for language, leaf in entries(base + (names & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(type_id, name_id, language)] = self.data[start:start + size]
        return found


def res_entries(data):
    """{(type, name, language): bytes} of a 32-bit .res file."""
    found = {}
    at = 0
    while at + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, at)
        fields = at + 8

        def ident(position):
            if struct.unpack_from("<H", data, position)[0] == 0xFFFF:
                return struct.unpack_from("<H", data, position + 2)[0], position + 4
            end = position
            while struct.unpack_from("<H", data, end)[0] != 0:
                end += 2
            return data[position:end].decode("utf-16-le").upper(), end + 2

        type_id, fields = ident(fields)
        name_id, fields = ident(fields)
        fields = (fields + 3) & ~3
        language = struct.unpack_from("<H", data, fields + 6)[0]
        payload = at + header_size
        if data_size or type_id != 0:
            found[(type_id, name_id, language)] = data[payload:payload + data_size]
        at = (payload + data_size + 3) & ~3
    return found


def main():
    exe_path, res_path = sys.argv[1], sys.argv[2]
    image = PeImage(open(exe_path, "rb").read())
    problems = []

    if image.subsystem != 2:
        problems.append("subsystem %d, not the Windows GUI (2)" % image.subsystem)

    imports = image.imports()
    dlls = list(imports)
    # The shipped program calls the system's own SetTimeZoneInformation.
    kernel32 = next((functions for dll, functions in imports.items() if dll.lower() == "kernel32.dll"), [])
    for function in ("GetTimeZoneInformation", "SetTimeZoneInformation"):
        if function not in kernel32:
            problems.append("%s is not imported from kernel32.dll" % function)
    foreign = [dll for dll in dlls if dll.lower() not in SYSTEM_DLLS]
    if foreign:
        problems.append("imports from DLLs that are not Windows' own: %s" % ", ".join(foreign))
    for needed in ("kernel32.dll", "user32.dll", "advapi32.dll"):
        if needed not in (dll.lower() for dll in dlls):
            problems.append("does not import %s" % needed)

    in_pe = image.resources()
    expected = res_entries(open(res_path, "rb").read())
    for key, payload in sorted(expected.items(), key=str):
        if key not in in_pe:
            problems.append("resource type %r name %r language 0x%x is missing" % key)
        elif in_pe[key] != payload:
            problems.append("resource type %r name %r language 0x%x differs from the .res" % key)
    for key in ((5, 102, 0x409), (14, 128, 0x409), (16, 1, 0x409)):
        if key not in expected:
            problems.append("the .res has no resource type %r name %r language 0x%x" % key)

    manifests = [payload for (type_id, name_id, _), payload in in_pe.items() if type_id == RT_MANIFEST and name_id == 1]
    if len(manifests) != 1:
        problems.append("%d application manifests, not one" % len(manifests))
    elif b'level="requireAdministrator"' not in manifests[0]:
        problems.append("the manifest does not ask for administrator rights")
    extra = set(in_pe) - set(expected) - {key for key in in_pe if key[0] == RT_MANIFEST}
    if extra:
        problems.append("resources that are not the program's: %r" % sorted(extra, key=str))

    for problem in problems:
        print("%s: %s" % (exe_path, problem))
    if not problems:
        print("%s: imports %s; %d resources as in %s, and the manifest" % (exe_path, ", ".join(dlls), len(expected), res_path))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
