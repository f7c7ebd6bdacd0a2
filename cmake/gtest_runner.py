#!/usr/bin/env python3
"""Runs the tests of a GoogleTest program that match a filter, in as few
starts of the program as it takes, and names every test that did not pass.

    gtest_runner.py --filter 'Suite.*' [--time-limit S] [--allow-empty] -- COMMAND...

COMMAND is the test program with anything before it (the Windows tests run
as `wine program.exe`); --gtest_filter is added at its end.

A start of the program either never started the tests or started them:
  - started: its output holds a line of the test framework's own ("Note:
    Google Test filter = ..." or "[==========] Running ..."). Each test's
    outcome is read from its lines. A program that ends in the middle of a
    test (a crash, an abort) fails that test, and the program is started
    again with the tests that did not run yet. A test that started is never
    run again, whatever its outcome.
  - never started: no line of the framework at all, whatever the exit code
    (Wine's start errors, such as "wine: could not load ..."). The same start
    is made again, at most three times, and the output says so.

The time limit covers every start together; a test still running when it is
reached fails as a test that did not end within it. The exit code is 0 when
every test that matched passed or was skipped, 1 otherwise.
"""

import argparse
import dataclasses
import os
import queue
import re
import signal
import subprocess
import sys
import threading
import time
from typing import List, Optional

RETRIES = 3  # starts made again after one that never started

_FRAMEWORK_LINE = re.compile(r"^(Note: Google Test filter = |\[==========\] Running \d+ tests? from )")
_RUN = re.compile(r"^\[ RUN      \] (\S+)$")
# Per test: "[       OK ] S.T (5 ms)", "[  FAILED  ] S.T (5 ms)"; the summary's
# lines carry no time.
_END = re.compile(r"^\[ +(OK|FAILED|SKIPPED) +\] ([^ ,]+)(?:, where .*)? \(\d+ ms\)$")
_ALL_RAN = re.compile(r"^\[==========\] \d+ tests? from \d+ test suites? ran\.")


@dataclasses.dataclass
class Start:
    """What one start of the test program showed."""

    started: bool = False
    passed: List[str] = dataclasses.field(default_factory=list)
    failed: List[str] = dataclasses.field(default_factory=list)
    skipped: List[str] = dataclasses.field(default_factory=list)
    unfinished: Optional[str] = None  # begun, never ended
    all_ran: bool = False  # the framework's closing line came

    def ran(self) -> List[str]:
        return self.passed + self.failed + self.skipped + ([self.unfinished] if self.unfinished else [])


def read_start(lines: List[str]) -> Start:
    """Reads a start's output: whether the tests started and how each ended."""
    start = Start()
    outcomes = {"OK": start.passed, "FAILED": start.failed, "SKIPPED": start.skipped}
    for raw in lines:
        line = raw.rstrip("\r\n")
        if _FRAMEWORK_LINE.match(line):
            start.started = True
        elif m := _RUN.match(line):
            start.started = True
            start.unfinished = m.group(1)
        elif m := _END.match(line):
            if m.group(2) == start.unfinished:
                outcomes[m.group(1)].append(m.group(2))
                start.unfinished = None
        elif _ALL_RAN.match(line):
            start.all_ran = True
    return start


def with_excluded(test_filter: str, done: List[str]) -> str:
    """`test_filter` without the tests in `done`."""
    if not done:
        return test_filter
    return test_filter + (":" if "-" in test_filter else ":-") + ":".join(done)


def describe_end(code: Optional[int]) -> str:
    if code is None:
        return "it was stopped at the time limit"
    if code < 0:
        return "it ended by signal %d" % -code
    return "exit code %d" % code


class Runner:
    def __init__(self, command: List[str], test_filter: str, time_limit: float, out=sys.stdout):
        self.command = command
        self.filter = test_filter
        self.deadline = time.monotonic() + time_limit
        self.time_limit = time_limit
        self.out = out
        self.done: List[str] = []
        self.failures: List[str] = []  # "Suite.Test: why"
        self.passed = 0
        self.starts = 0

    def note(self, text: str) -> None:
        print("gtest_runner: " + text, file=self.out, flush=True)

    def execute(self, args: List[str]):
        """Runs the program once; its output (shown as it comes) and exit code,
        None when it was stopped at the time limit."""
        self.starts += 1
        process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        lines: "queue.Queue[Optional[str]]" = queue.Queue()

        def read():
            for raw in iter(process.stdout.readline, b""):
                lines.put(raw.decode("utf-8", "replace"))
            process.stdout.close()
            lines.put(None)

        # A process the program leaves behind may hold the pipe open after it
        # ended, so the reading is a thread of its own that is not waited for.
        threading.Thread(target=read, daemon=True).start()
        output: List[str] = []
        ended_at: Optional[float] = None
        timed_out = False
        while True:
            try:
                line = lines.get(timeout=0.1)
            except queue.Empty:
                line = ""
            if line is None:
                break
            if line:
                output.append(line)
                self.out.write(line if line.endswith("\n") else line + "\n")
                self.out.flush()
            if ended_at is None:
                if process.poll() is not None:
                    ended_at = time.monotonic()
                elif time.monotonic() >= self.deadline:
                    self.stop(process)
                    timed_out = True
                    ended_at = time.monotonic()
            elif time.monotonic() - ended_at > 2:
                break
        if ended_at is None:  # the output ended before the program
            try:
                process.wait(timeout=max(self.deadline - time.monotonic(), 0))
            except subprocess.TimeoutExpired:
                self.stop(process)
                timed_out = True
        return output, None if timed_out else process.returncode

    @staticmethod
    def stop(process: subprocess.Popen) -> None:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()

    def start_tests(self, test_filter: str):
        """Starts the program until its tests start, at most 1 + RETRIES times:
        what the start that started them showed (None when none did) and its
        exit code (None when it was stopped at the time limit)."""
        args = self.command + ["--gtest_filter=" + test_filter]
        for attempt in range(1, RETRIES + 2):
            output, code = self.execute(args)
            start = read_start(output)
            if start.started or code is None:
                return (start if start.started else None), code
            self.note("the test program never started its tests (%s, %d lines of output)" %
                      (describe_end(code), len(output)))
            if attempt <= RETRIES:
                self.note("starting it again: retry %d of %d" % (attempt, RETRIES))
        return None, code

    def run(self, allow_empty: bool) -> int:
        while True:
            start, code = self.start_tests(with_excluded(self.filter, self.done))
            if start is None:
                self.failures.append("(the test program): " + (
                    "did not start its tests within %g s" % self.time_limit if code is None else
                    "never started its tests in %d starts" % (RETRIES + 1)))
                break
            self.passed += len(start.passed)
            self.done += start.ran()
            self.failures += [name + ": failed" for name in start.failed]
            if start.unfinished:
                why = "did not end within %g s" % self.time_limit if code is None else \
                    "the program ended during this test (%s)" % describe_end(code)
                self.failures.append(start.unfinished + ": " + why)
            if code is None:
                self.failures.append("(the test program): " + ("did not end within %g s" % self.time_limit
                                     if start.all_ran else "stopped at the time limit, later tests not run"))
                break
            if start.all_ran:
                if code != 0 and not start.failed:
                    self.failures.append("(the test program): %s after its tests" % describe_end(code))
                break
            if not start.unfinished:
                self.failures.append("(the test program): %s outside any test" % describe_end(code))
            if not start.ran():
                break  # nothing ran this time: starting again would not get further
            self.note("%s; starting the tests that did not run yet" % describe_end(code))
        return self.report(allow_empty)

    def report(self, allow_empty: bool) -> int:
        if not self.done and not self.failures and not allow_empty:
            self.failures.append("(the filter %s): no test matched" % self.filter)
        starts = "%d start%s" % (self.starts, "" if self.starts == 1 else "s")
        if not self.failures:
            self.note("%d tests passed, %d skipped, in %s" % (self.passed, len(self.done) - self.passed, starts))
            return 0
        self.note("%d tests passed, in %s; not passed:" % (self.passed, starts))
        for failure in self.failures:
            self.note("  " + failure)
        return 1


def main(argv: List[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--filter", required=True, help="the tests to run, as --gtest_filter takes them")
    parser.add_argument("--time-limit", type=float, default=600, help="seconds for all the starts together")
    parser.add_argument("--allow-empty", action="store_true", help="no matching test is a pass")
    parser.add_argument("command", nargs=argparse.REMAINDER, help="-- then the test program's command")
    options = parser.parse_args(argv)
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    if not command:
        parser.error("no test program given")
    return Runner(command, options.filter, options.time_limit).run(options.allow_empty)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
