"""scripts/mutate's list of faults and scripts/count's lines, without building anything: how an
entry of tests/mutants.txt is read, which faults a run picks, planting one into a tree, the
scratch copy kept in step with its source, and the lines that count as code."""

import os
import tempfile
import unittest

from scripts_under_test import load_tool
import common


mutate = load_tool("mutate")
count = load_tool("count")

LIST = """# planted faults
# == AREA: what a user would notice

== mask: ticking A hides B
file policy/drive_mask.cpp
tests unit window=Window.*:PolicyCommands.*
-     return std::ldexp(1.0, letter - 'A');
+     return std::ldexp(1.0, letter - 'A' + 1);

== closing: the window stays
file app/form1_win.cpp
tests dpi
-         case WM_CLOSE:
-
-             break;
"""


def write(folder, name, text):
    os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
    with open(os.path.join(folder, name), "w", encoding="utf-8") as written:
        written.write(text)


def read(folder, name):
    with open(os.path.join(folder, name), encoding="utf-8") as kept:
        return kept.read()


class FaultList(unittest.TestCase):
    def test_entries_and_their_fields(self):
        first, second = mutate.parse_faults(LIST)
        self.assertEqual((first.number, first.line, first.area, first.notice),
                         (1, 4, "mask", "ticking A hides B"))
        self.assertEqual(first.tests, [("unit", None), ("window", "Window.*:PolicyCommands.*")])
        self.assertEqual(first.text_to_find(), "    return std::ldexp(1.0, letter - 'A');\n")
        self.assertEqual(first.text_instead(), "    return std::ldexp(1.0, letter - 'A' + 1);\n")
        self.assertEqual((second.file, second.tests), ("app/form1_win.cpp", [("dpi", None)]))
        self.assertEqual(second.text_to_find(), "        case WM_CLOSE:\n\n            break;\n")
        self.assertEqual(second.text_instead(), "")

    def test_a_malformed_entry_fails_naming_its_line(self):
        mask_tests = "tests unit window=Window.*:PolicyCommands.*\n"
        for old, new, line in (("# planted", "planted", 1), ("== mask:", "== mask,", 4),
                               ("file policy/drive_mask.cpp\n", "", 4), (mask_tests, "", 4),
                               ("file policy", "files policy", 5),
                               (mask_tests, "tests unit windw=Window.*\n", 6),
                               (mask_tests, "tests window=\n", 6), ("-     return", "-return", 7)):
            with self.subTest(new=new), self.assertRaises(common.Failure) as failed:
                mutate.parse_faults(LIST.replace(old, new, 1))
            self.assertIn(f"tests/mutants.txt line {line}:", str(failed.exception))

    def test_faults_picked_by_number_in_the_order_given(self):
        faults = mutate.parse_faults(LIST)
        self.assertEqual(mutate.select_faults(faults, ["2", "1"]), [faults[1], faults[0]])
        self.assertEqual(mutate.select_faults(faults, []), faults)
        for wrong in ("0", "3", "x", "1.5"):
            with self.subTest(wrong=wrong), self.assertRaises(common.Failure) as failed:
                mutate.select_faults(faults, ["1", wrong])
            self.assertEqual(failed.exception.code, 2)


class Planting(unittest.TestCase):
    def test_planted_only_where_its_text_is_found_once(self):
        closing = mutate.parse_faults(LIST)[1]
        source = "switch (m) {\n        case WM_CLOSE:\n\n            break;\n}\n"
        with tempfile.TemporaryDirectory() as tree:
            write(tree, closing.file, source)
            self.assertTrue(mutate.plant(closing, tree))
            self.assertEqual(read(tree, closing.file), "switch (m) {\n}\n")
            write(tree, closing.file, source * 2)
            self.assertFalse(mutate.plant(closing, tree))
            self.assertEqual(read(tree, closing.file), source * 2)

    def test_a_filter_naming_a_suite_the_tests_lack(self):
        mask = mutate.parse_faults(LIST)[0]
        with tempfile.TemporaryDirectory() as tree:
            write(tree, mask.file, mask.text_to_find())
            write(tree, "tests/unit/core_test.cpp", "TEST(PolicyCommands, Hide) {}\n")
            write(tree, "tests/win/window_test.cpp", "TEST_F(Windows, Opens) {}\n")
            self.assertEqual(mutate.problems_applying([mask], tree), [(1, "no test suite Window")])

    def test_the_scratch_copy_holds_the_files_and_keeps_its_builds(self):
        with tempfile.TemporaryDirectory() as source, tempfile.TemporaryDirectory() as copy:
            write(source, "app/a.cpp", "new")
            write(source, "app/b.cpp", "b")
            write(copy, "app/a.cpp", "old")
            write(copy, "app/gone.cpp", "gone")
            write(copy, "build/native/a.o", "built")
            mutate.sync(source, ["app/a.cpp", "app/b.cpp"], copy)
            self.assertEqual(sorted(mutate.files_below(copy)),
                             ["app/a.cpp", "app/b.cpp", "build/native/a.o"])
            self.assertEqual(read(copy, "app/a.cpp"), "new")


class Count(unittest.TestCase):
    def test_blank_and_comment_only_lines_do_not_count(self):
        text = b"// top\n\nint a;  // a\n   \t\n  //\nint b;\r\n \r\n"
        self.assertEqual(count.counted_lines(text), 2)

    def test_only_cpp_sources_count_in_a_folder_or_as_a_file(self):
        with tempfile.TemporaryDirectory() as tree:
            for name in ("tests/win/window_test.cpp", "tests/win/harness.h", "tests/x.py"):
                write(tree, name, "int a;\n")
            self.assertEqual(count.cpp_lines(tree, "tests"), 2)
            self.assertEqual(count.cpp_lines(tree, "tests/win/harness.h"), 1)


if __name__ == "__main__":
    unittest.main()
