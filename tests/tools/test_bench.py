"""scripts/bench's figures and its document, from made-up runs: the statistics the targets are
judged by, and every figure in its place, without Wine."""

import unittest

from scripts_under_test import load_tool

bench = load_tool("bench")

MIB = 1048576


def runs_of(shown, painted=None, working_set=None, **marks):
    """One program's runs, each given as a list of texts, as the probe prints them."""
    figures = {"start_to_shown_ms": shown, "start_to_painted_ms": painted or shown,
               "peak_working_set_bytes": working_set or ["1048576"] * len(shown), **marks}
    return [{key: texts[number] for key, texts in figures.items()} for number in range(len(shown))]


RUNS = {"Selvaro": runs_of(["100", "104", "102", "110", "101"], working_set=[
            str(22 * MIB), str(23 * MIB), str(21 * MIB), str(22 * MIB), str(24 * MIB)],
            start_to_fade_end_ms=["800"] * 5),
        "same_ui_window": runs_of(["98", "100", "96", "120", "99"],
                                  working_set=[str(21 * MIB)] * 5),
        "baseline_window": runs_of(["85"] * 5, painted=["0"] * 5,
                                   working_set=[str(20 * MIB)] * 5),
        "Selvaro_timed": runs_of(["102"] * 5, win_main_entered_ms=["50", "n/a", "40", "45", "60"]),
        "same_ui_window_timed": runs_of(["99"] * 5, win_main_entered_ms=["70"] * 5)}
OBJECTS = """objects stage=start gdi=n/a user=n/a windows=35 kernel_handles=33
objects stage=drive_box_clicks gdi=n/a user=n/a windows=36 kernel_handles=37
objects stage=first_hide_show_pair gdi=n/a user=n/a windows=35 kernel_handles=36
objects stage=hide_show_pairs gdi=n/a user=n/a windows=35 kernel_handles=35
objects stage=refresh_clicks gdi=n/a user=n/a windows=35 kernel_handles=35
refresh_clicks=200 explorer_exe_before=1 explorer_exe_after=0
"""
FACTS = {"made": "2026-01-02 03:04 UTC", "processors": 2, "cpu": "Some CPU", "wine": "wine-8.0",
         "debian": "12.11", "load_before": "1.00 2.00 3.00", "load_after": "4.00 5.00 6.00",
         "niceness": -10, "bits": 64, "runs": RUNS, "objects": OBJECTS, "size": 222720,
         "resources": 90952, "heavy_code": False, "size_tables": "| the size tables |"}


class Statistics(unittest.TestCase):
    def test_median_quartiles_and_best_runs(self):
        self.assertEqual(bench.median([4.0, 1.0, 3.0, 2.0]), 2.5)
        self.assertEqual(bench.quartiles([110.0, 100.0, 104.0, 102.0, 101.0]), (101.0, 104.0))
        self.assertEqual(bench.quartiles([1.0, 2.0, 3.0, 4.0]), (1.75, 3.25))
        self.assertEqual(bench.best([120.0, 96.0, 99.0, 98.0, 100.0]), 97.7)
        self.assertEqual(bench.numbers(["1.5", "n/a", "", "2"]), [1.5, 2.0])

    def test_ratios_are_judged_as_written_and_missing_figures_are_na(self):
        self.assertEqual(bench.ratio(102.0, 85.0), 1.2)
        self.assertEqual(bench.verdict(bench.ratio(105.4, 100.0), 1.05), "met")
        self.assertEqual(bench.verdict(bench.ratio(105.6, 100.0), 1.05), "not met")
        for numerator, denominator in ((1.0, 0.0), (None, 1.0), (1.0, None)):
            self.assertIsNone(bench.ratio(numerator, denominator))
        self.assertEqual(bench.verdict(None, 1.2), "not met")
        self.assertEqual(bench.Runs(RUNS).cell("baseline_window", "win_main_entered_ms"), "n/a")


class Document(unittest.TestCase):
    def setUp(self):
        self.text = bench.document(FACTS)
        self.lines = self.text.splitlines()

    def line(self, start):
        return next(line for line in self.lines if line.startswith(start))

    def assertHas(self, part):
        self.assertTrue(part in self.text, f"not in the document: {part!r}")

    def test_timing_table(self):
        self.assertEqual(self.line("| (a) process"), "| (a) process start to window shown | "
                         "102.0 ms (101.0-104.0) | 99.0 ms (98.0-100.0) | 85.0 ms (85.0-85.0) | "
                         "1.03: met | 1.20: met | 1.03, 1.19 |")
        self.assertIn("| 22.0 MiB (22.0-23.0) |", self.line("| (c) peak"))
        self.assertIn("| 1.03: met | n/a: not met | 1.03, n/a |", self.line("| (a2) process"))
        self.assertIn("| 800.0 ms (800.0-800.0) | n/a (no fade) |", self.line("| (b)"))
        self.assertIn("| 222720 bytes (90952 of them resources) |", self.line("| (d)"))

    def test_breakdown_and_findings(self):
        self.assertEqual(self.line("| wWinMain entered"), "| wWinMain entered | 47.5 ms "
                         "(43.8-52.5) | 70.0 ms (70.0-70.0) | -22.5 ms | 45.0, 70.0, -25.0 ms |")
        self.assertHas("  45.0 ms in its best runs against 70.0 ms for the plain window.")

    def test_targets_objects_and_the_machine(self):
        self.assertHas("(a) 1.03 x, met;\n  (a2) 1.03 x, met; (c) 1.05 x, met.")
        self.assertHas("(a) 1.20 x, met;\n  (a2) n/a x, not met; (c) 1.10 x, met.")
        self.assertHas("  +0 (highest 36) from the start to the end; its kernel handles +2 "
                       "(highest 37) from the\n  start and -1 (highest 36) from after")
        self.assertHas("| **growth**, start to end | n/a | n/a | +0 (highest 36) | "
                       "+2 (highest 37) |")
        self.assertHas("on 2026-01-02 03:04 UTC, on a machine with 2 processors\n(nproc; Some "
                       "CPU), wine-8.0 on Debian 12.11,")
        self.assertHas("niceness -10 (")
        self.assertHas("The 64-bit Selvaro.exe is measured")
        self.assertHas("\n5 runs of each, alternating")
        self.assertHas("| 2 | 104 | 104 | 800 | 24117248 | 100 | 100 | 22020096 | 85 | 0 | "
                       "20971520 |")

    def test_verdicts_of_size_and_objects(self):
        heavy = bench.document({**FACTS, "size": 400000, "heavy_code": True})
        self.assertIn("over 300 KB, iostream or locale code is linked: not met.", heavy)
        counted = OBJECTS.replace("gdi=n/a user=n/a", "gdi=10 user=20")
        self.assertIn("objects: met.\n\n## Size", bench.document({**FACTS, "objects": counted}))
        grown = counted.replace("refresh_clicks gdi=10", "refresh_clicks gdi=11")
        self.assertIn("objects: not met.\n", bench.document({**FACTS, "objects": grown}))
