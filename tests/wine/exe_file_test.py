#!/usr/bin/env python3
"""What zolvantek.exe is as a file: a Windows GUI program (no console window), linked
statically (it needs no DLL that Windows does not bring), with the icon and the version
information in its resources. Read from the PE headers, without Windows."""

import os
import re
import struct
import sys
import unittest
from pathlib import Path

EXE = Path(os.environ["ZOLVANTEK_EXE"])
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


class PeFile:
    def __init__(self, data: bytes):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        assert struct.unpack_from("<H", data, optional)[0] == 0x20B, "not a 64-bit program"
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + 112
        self.imports_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resources_rva = struct.unpack_from("<I", data, directories + 16)[0]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            size, rva, _raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((rva, max(size, _raw_size), raw))

    def offset(self, rva: int) -> int:
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def imported_dlls(self) -> list[str]:
        names, at = [], self.offset(self.imports_rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, at + 12)[0]
            if name_rva == 0:
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode())
            at += 20

    def resources(self) -> dict[int, list[bytes]]:
        """Resource data by type: the three levels type / name / language, flattened."""
        base = self.offset(self.resources_rva)

        def entries(directory: int):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield ident, target

        found: dict[int, list[bytes]] = {}
        for kind, names in entries(0):
            for _, languages in entries(names & 0x7FFFFFFF):
                for _, leaf in entries(languages & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(rva)
                    found.setdefault(kind, []).append(self.data[start:start + size])
        return found


class ExeFileTest(unittest.TestCase):
    def test_a_static_gui_program_with_icon_and_version(self):
        pe = PeFile(EXE.read_bytes())
        self.assertEqual(pe.subsystem, 2, "not a Windows GUI program")
        foreign = [name for name in pe.imported_dlls()
                   if re.match(r"(?i)^(qt6|libgcc|libstdc|libwinpthread)", name)]
        self.assertEqual(foreign, [], "DLLs that would have to be shipped")

        resources = pe.resources()
        self.assertIn(RT_GROUP_ICON, resources)
        group = resources[RT_GROUP_ICON][0]
        widths = [group[6 + 14 * i] or 256 for i in range(struct.unpack_from("<H", group, 4)[0])]
        self.assertEqual(sorted(widths), [16, 20, 24, 32, 40, 48, 64, 256])
        self.assertEqual(len(resources.get(RT_ICON, [])), 8)
        version = resources[RT_VERSION][0].decode("utf-16-le", errors="replace")
        for name, value in (("CompanyName", "Brindlex Software Solutions"),
                            ("FileVersion", "2.00.0030"), ("ProductVersion", "2.00.0030"),
                            ("ProductName", "Brindlex ZOLVANTEK")):
            self.assertRegex(version, name + "\0+" + re.escape(value) + "\0")
        fixed = resources[RT_VERSION][0].index(struct.pack("<I", 0xFEEF04BD))
        numbers = struct.unpack_from("<HHHH", resources[RT_VERSION][0], fixed + 8)
        self.assertEqual(numbers, (0, 2, 30, 0), "FILEVERSION 2,0,0,30")


if __name__ == "__main__":
    sys.dont_write_bytecode = True
    unittest.main(verbosity=2)
