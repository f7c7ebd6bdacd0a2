#!/usr/bin/env python3
"""Tests of gtest_runner.py: how a start's output is read, and whole runs of
a stand-in test program (this file, started with --fake) that never starts,
fails, crashes or hangs where a test asks it to."""

import io
import json
import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gtest_runner  # noqa: E402

# A start that ran three tests under Wine: the framework's lines end in CR LF,
# and the summary repeats the failed test without a time.
FINISHED = """Note: Google Test filter = Suite.*\r
[==========] Running 3 tests from 1 test suite.\r
[----------] Global test environment set-up.\r
[----------] 3 tests from Suite\r
[ RUN      ] Suite.Passes\r
[       OK ] Suite.Passes (12 ms)\r
[ RUN      ] Suite.Fails\r
src/x_test.cc(10): error: Expected equality of these values:\r
[       OK ] Suite.Quoted (1 ms)\r
[  FAILED  ] Suite.Fails (3 ms)\r
[ RUN      ] Suite.Skips\r
[  SKIPPED ] Suite.Skips (0 ms)\r
[----------] 3 tests from Suite (15 ms total)\r
\r
[==========] 3 tests from 1 test suite ran. (16 ms total)\r
[  PASSED  ] 1 test.\r
[  SKIPPED ] 1 test, listed below:\r
[  SKIPPED ] Suite.Skips\r
[  FAILED  ] 1 test, listed below:\r
[  FAILED  ] Suite.Fails\r
""".splitlines(keepends=True)


class ReadStartTest(unittest.TestCase):
    def test_a_finished_start_names_each_outcome_once(self):
        start = gtest_runner.read_start(FINISHED)
        self.assertTrue(start.started)
        self.assertTrue(start.all_ran)
        self.assertEqual(start.passed, ["Suite.Passes"])  # the quoted line is no outcome
        self.assertEqual(start.failed, ["Suite.Fails"])
        self.assertEqual(start.skipped, ["Suite.Skips"])
        self.assertIsNone(start.unfinished)

    def test_a_start_that_ended_inside_a_test_names_it(self):
        start = gtest_runner.read_start(FINISHED[:7])
        self.assertTrue(start.started)
        self.assertFalse(start.all_ran)
        self.assertEqual(start.unfinished, "Suite.Fails")
        self.assertEqual(start.ran(), ["Suite.Passes", "Suite.Fails"])

    def test_the_frameworks_first_line_alone_is_a_started_run(self):
        for first in ("Note: Google Test filter = A.*\n", "[==========] Running 1 test from 1 test suite.\n"):
            self.assertTrue(gtest_runner.read_start([first]).started, first)

    def test_no_line_of_the_framework_is_a_run_that_never_started(self):
        for output in ([],
                       ["wine: could not load kernel32.dll, status c0000135\n"],
                       ["wine client error:0: write: Bad file descriptor\n", "Segmentation fault\n"],
                       ["Running main() from gtest_main.cc\n"]):
            self.assertFalse(gtest_runner.read_start(output).started, output)

    def test_excluding_tests_extends_either_kind_of_filter(self):
        self.assertEqual(gtest_runner.with_excluded("S.*", []), "S.*")
        self.assertEqual(gtest_runner.with_excluded("S.*", ["S.a", "S.b"]), "S.*:-S.a:S.b")
        self.assertEqual(gtest_runner.with_excluded("*:-A.*", ["B.c"]), "*:-A.*:B.c")


def fake_program(state_dir: str, plan: dict, test_filter: str) -> int:
    """The stand-in test program: one start of it, as `plan` says."""
    with open(os.path.join(state_dir, "filters"), "a") as log:
        log.write(test_filter + "\n")
    with open(os.path.join(state_dir, "filters")) as log:
        start = len(log.readlines())
    if start <= plan.get("never", 0):
        print("wine: could not load kernel32.dll, status c0000135", file=sys.stderr, flush=True)
        return 1
    excluded = test_filter.partition("-")[2].split(":")
    tests = [t for t in plan["tests"] if t[0] not in excluded]
    print("Note: Google Test filter = " + test_filter)
    print("[==========] Running %d tests from 1 test suite." % len(tests), flush=True)
    failed = 0
    for name, outcome in tests:
        print("[ RUN      ] " + name, flush=True)
        if outcome == "crash":
            os._exit(3)
        if outcome == "hang":
            time.sleep(3600)
        if outcome == "fail":
            failed += 1
        print("[  %s  ] %s (1 ms)" % ({"ok": "     OK", "fail": "FAILED", "skip": "SKIPPED"}[outcome], name))
    print("[==========] %d tests from 1 test suite ran. (5 ms total)" % len(tests), flush=True)
    return plan.get("exit", 1 if failed else 0)


class RunTest(unittest.TestCase):
    def run_fake(self, plan, time_limit=60.0, allow_empty=False):
        state = tempfile.TemporaryDirectory()
        self.addCleanup(state.cleanup)
        command = [sys.executable, os.path.abspath(__file__), "--fake", state.name, json.dumps(plan)]
        out = io.StringIO()
        runner = gtest_runner.Runner(command, "S.*", time_limit, out)
        code = runner.run(allow_empty)
        path = os.path.join(state.name, "filters")
        filters = []
        if os.path.exists(path):
            with open(path) as log:
                filters = log.read().splitlines()
        return code, out.getvalue(), filters

    def test_passing_tests_take_one_start(self):
        code, out, filters = self.run_fake({"tests": [["S.a", "ok"], ["S.b", "skip"]]})
        self.assertEqual(code, 0, out)
        self.assertEqual(filters, ["S.*"])
        self.assertIn("gtest_runner: 1 tests passed, 1 skipped, in 1 start", out)

    def test_a_start_that_never_started_is_made_again_and_says_so(self):
        code, out, filters = self.run_fake({"never": 2, "tests": [["S.a", "ok"]]})
        self.assertEqual(code, 0, out)
        self.assertEqual(len(filters), 3)
        self.assertIn("starting it again: retry 1 of 3", out)
        self.assertIn("starting it again: retry 2 of 3", out)
        self.assertNotIn("retry 3 of 3", out)

    def test_four_starts_that_never_started_fail(self):
        code, out, filters = self.run_fake({"never": 9, "tests": [["S.a", "ok"]]})
        self.assertEqual(code, 1)
        self.assertEqual(len(filters), 4)
        self.assertIn("never started its tests in 4 starts", out)

    def test_a_failed_test_is_named_and_never_run_again(self):
        code, out, filters = self.run_fake({"tests": [["S.a", "fail"], ["S.b", "ok"]]})
        self.assertEqual(code, 1)
        self.assertEqual(filters, ["S.*"])
        self.assertIn("gtest_runner:   S.a: failed", out)
        self.assertNotIn("retry", out)

    def test_a_crash_fails_its_test_and_the_rest_run_in_a_new_start(self):
        code, out, filters = self.run_fake({"tests": [["S.a", "ok"], ["S.b", "crash"], ["S.c", "ok"]]})
        self.assertEqual(code, 1)
        self.assertEqual(filters, ["S.*", "S.*:-S.a:S.b"])
        self.assertIn("S.b: the program ended during this test (exit code 3)", out)
        self.assertIn("2 tests passed, in 2 starts", out)
        self.assertNotIn("retry", out)

    def test_a_hang_is_stopped_at_the_time_limit_and_named(self):
        code, out, filters = self.run_fake({"tests": [["S.a", "ok"], ["S.b", "hang"], ["S.c", "ok"]]}, time_limit=2)
        self.assertEqual(code, 1)
        self.assertEqual(filters, ["S.*"])
        self.assertIn("S.b: did not end within 2 s", out)
        self.assertIn("stopped at the time limit, later tests not run", out)

    def test_an_exit_code_without_a_failed_test_fails(self):
        code, out, _ = self.run_fake({"tests": [["S.a", "ok"]], "exit": 5})
        self.assertEqual(code, 1)
        self.assertIn("exit code 5 after its tests", out)

    def test_a_filter_that_matches_nothing_fails_unless_allowed(self):
        self.assertEqual(self.run_fake({"tests": []})[0], 1)
        self.assertEqual(self.run_fake({"tests": []}, allow_empty=True)[0], 0)


if __name__ == "__main__":
    if sys.argv[1:2] == ["--fake"]:
        sys.exit(fake_program(sys.argv[2], json.loads(sys.argv[3]), sys.argv[4].partition("=")[2]))
    unittest.main()
