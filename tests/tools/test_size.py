"""scripts/size's reading of objdump's output, the linker's map and the icon, on stand-in texts:
the tables docs/performance.md shows, without building anything."""

import struct
import unittest

from scripts_under_test import load_tool

size = load_tool("size")

HEADERS = """Idx Name          Size      VMA       LMA       File off  Algn
  0 .text         00000201  00401000  00401000  00000600  2**2
                  CONTENTS, ALLOC, LOAD, READONLY, CODE
  1 .bss          00000800  00403000  00403000  00000000  2**5
                  ALLOC
  2 .eh_fram      00000200  00404000  00404000  00000400  2**2
                  CONTENTS, ALLOC, LOAD, READONLY, DATA
"""
MAP = """Linker script and memory map
.text           0x00401000     0x2000
 .text          0x00401000       0x10 /usr/lib/gcc/x/libstdc++.a(eh_throw.o)
 *fill*         0x00401010        0x8 
 .text.unlikely
                0x00401018       0x10 CMakeFiles/Selvaro.dir/objects.a(main.obj)
 .text          0x00401028       0x30 libselvaro_win.a(form.obj)
.rdata          0x00404000      0x100
 .rdata         0x00404000        0x4 /usr/lib/libgcc.a(x.o)
.debug_info     0x00405000      0x100
 .debug_info    0x00405000       0x77 libselvaro_win.a(form.obj)
"""
OBJDUMP_P = """\tDLL Name: KERNEL32.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t2a656\t   21  CloseHandle
\t2a674\t  136  Sleep

\tDLL Name: USER32.dll
\t2a700\t    3  MessageBoxW
"""


class Tables(unittest.TestCase):
    def test_sections_round_up_skip_bss_and_headers_end_at_the_first(self):
        self.assertEqual(size.section_rows(HEADERS, 4096)[2:], [
            "| code `.text` | 1024 | 513 |",
            "| unwind and exception tables `.eh_frame` | 512 | 512 |",
            "| headers | 1024 | |", "| **total** | **4096** | |"])

    def test_libraries_summed_by_archive_most_code_first(self):
        self.assertEqual(size.library_rows(MAP)[2:], [
            "| the program (app, policy, shell, base) | 64 | 0 | 0 |",
            "| libstdc++ (exception support, operator new) | 16 | 0 | 0 |",
            "| libgcc (stack unwinder, helpers) | 0 | 4 | 0 |"])

    def test_functions_counted_by_dll(self):
        self.assertEqual(size.import_rows(OBJDUMP_P)[2:],
                         ["| KERNEL32.dll | 2 |", "| USER32.dll | 1 |"])

    def test_icon_sides_and_formats(self):
        entries = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, 8, 38)
        entries += struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, 4, 46)
        icon = struct.pack("<HHH", 0, 1, 2) + entries + b"\x89PNG\r\n\x1a\n" + b"\x28\0\0\0"
        self.assertEqual(size.icon_rows(icon)[2:], [
            "| 256 x 256 | PNG | 8 |", "| 16 x 16 | 32-bit DIB | 4 |",
            "| **all nine, with the directory** | | **50** |"])
