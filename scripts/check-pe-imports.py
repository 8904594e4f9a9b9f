#!/usr/bin/env python3
"""Checks a Windows program that this machine cannot run.

The shipped setup.exe is a 32-bit program, and these machines execute 64-bit
code only, so it is never started here. What can be proved without running
it is proved from the file:

  * it is an i386 image for the GUI subsystem;
  * it carries the application manifest that asks for the common controls of
    version 6 (visual styles);
  * every function it imports exists, by name or ordinal, in the DLL of the
    same name among the Windows DLLs of 32-bit Wine (PE files on disk);
  * it imports nothing of Wine's own (no wine_* or __wine_* entries, no
    DLL that only Wine has), so nothing in it depends on running on Linux.

Usage: check-pe-imports.py EXE [DLL_DIR]
"""

import os
import struct
import sys

DEFAULT_DLL_DIR = "/usr/lib/i386-linux-gnu/wine/i386-windows"
IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RT_MANIFEST = 24
WINE_ONLY_DLLS = {"ntdll.so", "winecrt0", "wine"}


class PeError(Exception):
    pass


class PeFile:
    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise PeError(f"{path}: not an MZ executable")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise PeError(f"{path}: no PE signature")
        (self.machine, nsections, _, _, _, opt_size, self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", d, opt)[0]
        if magic == 0x10B:
            self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
            ndirs = struct.unpack_from("<I", d, opt + 92)[0]
            dirs = opt + 96
        elif magic == 0x20B:
            self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
            ndirs = struct.unpack_from("<I", d, opt + 108)[0]
            dirs = opt + 112
        else:
            raise PeError(f"{path}: unknown optional header magic {magic:#x}")
        self.pe32plus = magic == 0x20B
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        sec = opt + opt_size
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", d, sec + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise PeError(f"{self.path}: RVA {rva:#x} lies in uninitialised data")
                return rawptr + rva - va
        raise PeError(f"{self.path}: RVA {rva:#x} is outside every section")

    def cstring(self, rva):
        off = self.offset(rva)
        end = self.data.index(b"\0", off)
        return self.data[off:end].decode("latin-1")

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def imports(self):
        """{dll (lower case): [name or '#ordinal', ...]}"""
        result = {}
        rva, size = self.directory(1)
        if not rva:
            return result
        off = self.offset(rva)
        thunk_size, ordinal_flag = (8, 1 << 63) if self.pe32plus else (4, 1 << 31)
        while True:
            lookup, _, _, name_rva, iat = struct.unpack_from("<IIIII", self.data, off)
            if not name_rva:
                break
            dll = self.cstring(name_rva).lower()
            names = result.setdefault(dll, [])
            t = self.offset(lookup or iat)
            while True:
                value = struct.unpack_from("<Q" if self.pe32plus else "<I", self.data, t)[0]
                if not value:
                    break
                if value & ordinal_flag:
                    names.append(f"#{value & 0xFFFF}")
                else:
                    names.append(self.cstring((value & 0x7FFFFFFF) + 2))
                t += thunk_size
            off += 20
        return result

    def exports(self):
        """(set of names, set of ordinals)"""
        rva, size = self.directory(0)
        if not rva:
            return set(), set()
        off = self.offset(rva)
        (_, _, _, _, _, base, nfuncs, nnames, funcs, names, _) = struct.unpack_from("<IIHHIIIIIII", self.data, off)
        ordinals = {base + i for i in range(nfuncs)
                    if struct.unpack_from("<I", self.data, self.offset(funcs) + 4 * i)[0]}
        exported = set()
        noff = self.offset(names) if nnames else 0
        for i in range(nnames):
            exported.add(self.cstring(struct.unpack_from("<I", self.data, noff + 4 * i)[0]))
        return exported, ordinals

    def manifests(self):
        """Texts of the RT_MANIFEST resources."""
        rva, size = self.directory(2)
        if not rva:
            return []
        root = self.offset(rva)
        texts = []

        def entries(table):
            named, ids = struct.unpack_from("<HH", self.data, table + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, table + 16 + 8 * i)

        for type_id, type_off in entries(root):
            if type_id != RT_MANIFEST or not type_off & 0x80000000:
                continue
            for _, name_off in entries(root + (type_off & 0x7FFFFFFF)):
                for _, lang_off in entries(root + (name_off & 0x7FFFFFFF)):
                    data_rva, data_size = struct.unpack_from("<II", self.data, root + (lang_off & 0x7FFFFFFF))
                    start = self.offset(data_rva)
                    texts.append(self.data[start:start + data_size].decode("utf-8", "replace"))
        return texts


def check(exe_path, dll_dir):
    problems = []
    exe = PeFile(exe_path)
    if exe.machine != IMAGE_FILE_MACHINE_I386 or exe.pe32plus:
        problems.append(f"not an i386 image (machine {exe.machine:#x})")
    if exe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {exe.subsystem}, not the Windows GUI (2)")
    manifests = exe.manifests()
    if not any("Microsoft.Windows.Common-Controls" in m and 'version="6.0.0.0"' in m for m in manifests):
        problems.append("no manifest asking for the common controls version 6")

    imports = exe.imports()
    if not imports:
        problems.append("no imports at all")
    count = 0
    for dll, names in sorted(imports.items()):
        if dll in WINE_ONLY_DLLS or dll.startswith("wine"):
            problems.append(f"imports the Wine-only library {dll}")
            continue
        path = os.path.join(dll_dir, dll)
        if not os.path.exists(path):
            problems.append(f"{dll}: not among the 32-bit Windows DLLs in {dll_dir}")
            continue
        exported, ordinals = PeFile(path).exports()
        for name in names:
            count += 1
            if name.startswith("#"):
                if int(name[1:]) not in ordinals:
                    problems.append(f"{dll}: no export with ordinal {name[1:]}")
            elif name.startswith(("wine_", "__wine")):
                problems.append(f"{dll}!{name}: a Wine-only entry")
            elif name not in exported:
                problems.append(f"{dll}!{name}: not exported")
    return problems, imports, count


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    exe_path = sys.argv[1]
    dll_dir = sys.argv[2] if len(sys.argv) == 3 else DEFAULT_DLL_DIR
    try:
        problems, imports, count = check(exe_path, dll_dir)
    except (OSError, PeError, struct.error, ValueError) as e:
        print(f"check-pe-imports: {exe_path}: {e}", file=sys.stderr)
        return 1
    for p in problems:
        print(f"check-pe-imports: {exe_path}: {p}", file=sys.stderr)
    if problems:
        return 1
    print(f"{exe_path}: i386 GUI image with the visual-styles manifest; "
          f"{count} imports from {len(imports)} DLLs all exist in 32-bit Wine ({', '.join(sorted(imports))})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
