#!/usr/bin/env python3
"""Checks the benchmark's helper scripts: the media they build and the
figures they derive. The measurements themselves are never judged here."""
import os
import shutil
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import bench_report  # noqa: E402
import make_bench_medium  # noqa: E402


def figures(*rows):
    return bench_report.Figures([row.split() for row in rows])


class RatioTest(unittest.TestCase):
    def test_ratio_is_the_median_of_the_ratios_of_each_run(self):
        fig = figures("m 10 setup 1 100", "m 10 loop 1 50",
                      "m 10 setup 2 300", "m 10 loop 2 300",
                      "m 10 setup 3 500", "m 10 loop 3 400")
        # Per run: 2.0, 1.0, 1.25; the ratio of the medians would be 1.0.
        self.assertAlmostEqual(fig.ratio("m", "setup", "loop"), 1.25)

    def test_ratio_leaves_out_runs_measured_by_one_side_only(self):
        fig = figures("m 10 setup 1 100", "m 10 loop 1 100", "m 10 setup 2 900")
        self.assertAlmostEqual(fig.ratio("m", "setup", "loop"), 1.0)

    def test_net_takes_off_the_empty_medium(self):
        fig = figures("empty 11 setup 1 40", "empty 11 loop 1 10",
                      "m 1011 setup 1 1040", "m 1011 loop 1 1010")
        self.assertAlmostEqual(fig.net_ratio("m", "setup", "loop"), 1.0)
        self.assertAlmostEqual(fig.net_per_file_us("m", "setup"), 1000 * 1000 / 1011)

    def test_net_needs_the_empty_medium(self):
        fig = figures("m 10 setup 1 100")
        self.assertIsNone(fig.net_per_file_us("m", "setup"))


class ReportTest(unittest.TestCase):
    META = {"command": "scripts/benchmark.sh", "date": "today", "machine": "here",
            "load_before": "0", "load_after": "0", "small_case": "files-20",
            "size_setup32": "15872", "size_nsis_smallest": "90014"}

    def report(self, setup_ms, nsis_ms=200, **meta):
        rows = ["empty 11 setup 1 10", "empty 11 loop 1 10", "empty 11 nsis 1 30",
                f"files-20 20 setup 1 {setup_ms}", "files-20 20 loop 1 100",
                f"files-20 20 nsis 1 {nsis_ms}",
                "files-40 40 setup 1 190", "files-40 40 loop 1 200",
                "large 21 setup 1 50", "large 21 loop 1 50",
                "reinstall 20 setup 1 120", "reinstall 20 loop 1 110",
                "startup 0 setup 1 100", "startup 0 dialog 1 95"]
        return bench_report.render(figures(*rows), {**self.META, **meta})

    def rows_of(self, text, heading):
        section = text.split(f"## {heading}\n")[1].split("\n## ")[0]
        return [line for line in section.splitlines() if line.startswith("| ")]

    def test_a_copy_within_the_target_is_met(self):
        self.assertIn("many small files: 1.010×, met", self.report(101))

    def test_a_copy_beyond_the_target_is_missed(self):
        self.assertIn("many small files: 1.050×, missed", self.report(105))

    def test_per_file_growth_is_judged_without_the_fixed_part(self):
        # 90 ms for 20 files against 180 ms for 40: flat once the 10 are off.
        self.assertIn("largest ÷ smallest 1.000×, met", self.report(100))

    def test_start_up_ratio(self):
        self.assertIn("minimal dialog program: 1.053×, met", self.report(100))

    def test_setup_against_nsis(self):
        self.assertIn("setup.exe ÷ NSIS, many small files: 0.500×, met", self.report(100))
        self.assertIn("setup.exe ÷ NSIS, many small files: 0.505×, missed",
                      self.report(101, nsis_ms=200))
        row = self.rows_of(self.report(100), "Copy phase")[1]
        self.assertTrue(row.startswith("| many small files | 20 |"))
        self.assertTrue(row.endswith("| 200 | 1.000× | 1.000× | — | — | 0.500× |"), row)

    def test_nsis_start_up_is_its_run_on_the_empty_medium(self):
        self.assertIn("process start to exit: 30.0 ms", self.report(100))

    def test_the_loop_is_shown_at_every_size(self):
        rows = self.rows_of(self.report(100), "Time per file")[1:]
        self.assertEqual(len(rows), 2)
        self.assertEqual(rows[1].split(" | ")[3:5], ["200", "0.950×"])
        self.assertIn("within 1.02× at every size: 20 files 1.000×, 40 files 0.950×; "
                      "the largest 1.000×, met", self.report(100))

    def test_size_of_setup_against_the_smallest_nsis_installer(self):
        text = self.report(100)
        self.assertIn("| build/win32/setup.exe (the product) | 15,872 | 0.176× |", text)
        self.assertIn("under a fifth of the smallest NSIS installer: 0.176×, met", text)

    def test_load_during_the_run(self):
        self.assertIn("lowest 1.5, median 2.0, highest 3.1.",
                      self.report(100, load_during="1.5 2.0 3.1 40"))

    def test_a_reinstall_against_the_earlier_program_and_step_by_step(self):
        fig = figures("fresh 20 setup 1 99", "fresh 20 earlier 1 100",
                      "reinstall 20 setup 1 105", "reinstall 20 earlier 1 100",
                      "reinstall 20 loop 1 90", "phases 20 copy 1 60", "phases 20 commit 1 20",
                      *(f"phases 20 {step} 1 5" for step in ("measure", "probe", "aside",
                                                              "register")))
        text = "\n".join(bench_report.reinstall_table(fig, ""))
        self.assertIn("within 1.05× of the earlier program's: 1.050×, met", text)
        self.assertIn("| copy | 60.0 | 60.0% |", text)
        self.assertIn("earlier program's: 0.990×, met", text)

    def test_a_build_folder_outside_the_repository_is_not_named(self):
        text = self.report(100, build_outside="yes")
        self.assertIn("Produced by `scripts/benchmark.sh` on today, VELQUOR_BENCH_BUILD naming "
                      "a build folder outside the repository.", text)


class MediumTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.stub = os.path.join(self.dir, "stub.exe")
        with open(self.stub, "wb") as f:
            f.write(b"MZ stub")
        self.medium = os.path.join(self.dir, "medium")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def listed(self):
        with open(self.medium + ".list") as f:
            return [line.rstrip("\n").split("\t") for line in f]

    def test_the_list_names_every_file_of_the_medium_and_nothing_else(self):
        make_bench_medium.main(self.medium, self.stub, 3, 100)
        sources = sorted(source.replace("\\", "/") for source, _ in self.listed())
        on_medium = sorted(os.path.relpath(os.path.join(top, name), self.medium)
                           for top, _, names in os.walk(self.medium) for name in names)
        self.assertEqual(sources, on_medium)
        self.assertEqual(len(sources), 5 * 3 + 11)

    def test_folder_files_have_the_size_asked_for(self):
        make_bench_medium.main(self.medium, self.stub, 2, 4096)
        for source, _ in self.listed():
            if "\\" in source:
                path = os.path.join(self.medium, *source.split("\\"))
                self.assertEqual(os.path.getsize(path), 4096)

    def test_program_files_are_installed_under_lower_case_names(self):
        make_bench_medium.main(self.medium, self.stub, 1, 10)
        targets = {source: target for source, target in self.listed()}
        self.assertEqual(targets["VelQ.exe"], "velq.exe")
        self.assertEqual(targets["dibs\\f00001.dat"], "dibs\\f00001.dat")

    def test_a_medium_of_the_same_shape_is_kept(self):
        make_bench_medium.main(self.medium, self.stub, 2, 10)
        marker = os.path.join(self.medium, "marker")
        open(marker, "w").close()
        make_bench_medium.main(self.medium, self.stub, 2, 10)
        self.assertTrue(os.path.exists(marker))
        make_bench_medium.main(self.medium, self.stub, 3, 10)
        self.assertFalse(os.path.exists(marker))
        self.assertEqual(len(self.listed()), 5 * 3 + 11)


if __name__ == "__main__":
    unittest.main()
