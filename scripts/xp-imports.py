#!/usr/bin/env python3
"""Checks that Windows programs and DLLs import nothing that Windows XP SP2 lacks.

Usage: xp-imports.py [--machine x86_64|i686] [--list FILE] PROGRAM...

Reads each program's import table and its delay-load import table straight from the PE file and
compares every imported DLL and function with the list of what XP SP2 lacks (not-on-xp-sp2.txt
beside this script). Prints, per failing program, each import XP lacks ("KERNEL32.dll!GetTickCount64")
and exits 1 when any program fails or cannot be read. With --machine, a program built for another
processor fails too. Imports by ordinal cannot be judged by name and pass.
"""
import fnmatch
import os
import struct
import sys

MACHINES = {"x86_64": 0x8664, "i686": 0x014C}
IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13


class BadImage(Exception):
    pass


class DenyList:
    def __init__(self, path):
        self.functions = {}  # DLL name -> set of function names
        self.whole = []  # patterns of DLLs that XP does not ship
        with open(path, encoding="utf-8") as lines:
            for number, line in enumerate(lines, 1):
                line = line.split("#", 1)[0].strip()
                if not line:
                    continue
                words = line.split()
                if len(words) != 2:
                    raise SystemExit(f"{path}:{number}: expected 'DLLNAME Function' or 'DLLNAME *'")
                dll, function = words[0].upper(), words[1]
                if function == "*":
                    self.whole.append(dll)
                else:
                    self.functions.setdefault(dll, set()).add(function)

    def missing_dll(self, dll):
        return any(fnmatch.fnmatchcase(dll, pattern) for pattern in self.whole)

    def missing_function(self, dll, function):
        return function in self.functions.get(dll, ())


class PeImage:
    def __init__(self, data):
        self.data = data
        if self.u16(0) != 0x5A4D:
            raise BadImage("not a Windows program (no MZ header)")
        pe = self.u32(0x3C)
        if self.bytes(pe, 4) != b"PE\0\0":
            raise BadImage("not a PE image")
        coff = pe + 4
        self.machine = self.u16(coff)
        sections = self.u16(coff + 2)
        optional_size = self.u16(coff + 16)
        optional = coff + 20
        magic = self.u16(optional)
        if magic == 0x10B:
            self.wide = False
            self.image_base = self.u32(optional + 28)
            directories_at = optional + 92
        elif magic == 0x20B:
            self.wide = True
            self.image_base = self.u64(optional + 24)
            directories_at = optional + 108
        else:
            raise BadImage(f"unknown optional header magic 0x{magic:X}")
        count = self.u32(directories_at)
        self.directories = []
        for index in range(min(count, 16)):
            at = directories_at + 4 + 8 * index
            if at + 8 > optional + optional_size:
                break
            self.directories.append((self.u32(at), self.u32(at + 4)))
        self.sections = []
        table = optional + optional_size
        for index in range(sections):
            at = table + 40 * index
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from(
                "<IIII", self.bytes(at + 8, 16))
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer, raw_size))

    def bytes(self, offset, length):
        if offset < 0 or offset + length > len(self.data):
            raise BadImage("the file ends inside a structure it declares (cut off?)")
        return self.data[offset:offset + length]

    def u16(self, offset):
        return struct.unpack("<H", self.bytes(offset, 2))[0]

    def u32(self, offset):
        return struct.unpack("<I", self.bytes(offset, 4))[0]

    def u64(self, offset):
        return struct.unpack("<Q", self.bytes(offset, 8))[0]

    def offset(self, rva):
        for virtual_address, size, raw_pointer, raw_size in self.sections:
            if virtual_address <= rva < virtual_address + size:
                inside = rva - virtual_address
                if inside >= raw_size:
                    raise BadImage(f"address 0x{rva:X} lies in a section's zero-filled tail")
                return raw_pointer + inside
        raise BadImage(f"address 0x{rva:X} lies in no section")

    def text(self, rva):
        start = self.offset(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise BadImage("a name runs to the end of the file")
        return self.data[start:end].decode("latin-1")

    def directory(self, index):
        if index < len(self.directories):
            return self.directories[index]
        return (0, 0)

    def thunks(self, rva):
        """Names (or ordinals, as ints) of a table of imported functions."""
        step, ordinal_flag = (8, 1 << 63) if self.wide else (4, 1 << 31)
        read = self.u64 if self.wide else self.u32
        at = self.offset(rva)
        while True:
            entry = read(at)
            if entry == 0:
                return
            if entry & ordinal_flag:
                yield entry & 0xFFFF
            else:
                yield self.text((entry & 0x7FFFFFFF) + 2)  # past the hint
            at += step

    def imports(self):
        """(DLL, function or ordinal, how) for every import, the delay-loaded ones included."""
        rva, size = self.directory(IMPORT_DIRECTORY)
        if rva and size:
            at = self.offset(rva)
            while True:
                lookup, _, _, name, address = struct.unpack_from("<IIIII", self.bytes(at, 20))
                if lookup == 0 and name == 0 and address == 0:
                    break
                dll = self.text(name)
                for function in self.thunks(lookup or address):
                    yield dll, function, "import"
                at += 20
        rva, size = self.directory(DELAY_IMPORT_DIRECTORY)
        if rva and size:
            at = self.offset(rva)
            # The table ends with an empty descriptor, or with the directory.
            for _ in range(size // 32):
                fields = struct.unpack_from("<IIIIIIII", self.bytes(at, 32))
                attributes, name, names = fields[0], fields[1], fields[4]
                if name == 0:
                    break
                # Old-style descriptors hold addresses rather than offsets from the image base.
                base = 0 if attributes & 1 else self.image_base
                dll = self.text(name - base)
                for function in self.thunks(names - base):
                    yield dll, function, "delay-load import"
                at += 32


def check(path, deny, machine):
    """Problems of one program: an empty list when XP SP2 can load it."""
    try:
        with open(path, "rb") as program:
            image = PeImage(program.read())
        problems = []
        if machine is not None and image.machine != MACHINES[machine]:
            problems.append(f"built for machine 0x{image.machine:04X}, not {machine}")
        for dll, function, how in image.imports():
            module = dll.upper()
            if module.endswith(".DLL"):
                module = module[:-4]
            if deny.missing_dll(module):
                problems.append(f"{how} from {dll}, a DLL that Windows XP SP2 does not have"
                                + (f" ({function})" if isinstance(function, str) else ""))
            elif isinstance(function, str) and deny.missing_function(module, function):
                problems.append(f"{how} {dll}!{function}, which Windows XP SP2 lacks")
        return problems
    except (OSError, BadImage, struct.error) as error:
        return [f"cannot read its import tables: {error}"]


def main(argv):
    machine = None
    list_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "not-on-xp-sp2.txt")
    programs = []
    i = 0
    while i < len(argv):
        if argv[i] == "--machine" and i + 1 < len(argv):
            machine = argv[i + 1]
            if machine not in MACHINES:
                raise SystemExit(f"unknown machine {machine}; known: {', '.join(MACHINES)}")
            i += 2
        elif argv[i] == "--list" and i + 1 < len(argv):
            list_path = argv[i + 1]
            i += 2
        else:
            programs.append(argv[i])
            i += 1
    if not programs:
        raise SystemExit(__doc__.strip())
    deny = DenyList(list_path)
    failed = 0
    for path in programs:
        problems = check(path, deny, machine)
        if problems:
            failed += 1
            print(f"{path}:")
            # The same import can be listed by more than one descriptor; name it once.
            for problem in dict.fromkeys(problems):
                print(f"  {problem}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
