#!/usr/bin/env python3
"""The pelmo program from outside: its command line works without a display,
it explains a missing display in one line, and a second start hands its
design to the program already running.

usage: program_test.py PELMO SOURCE_DIR VERSION
"""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

PELMO, SOURCE, VERSION = sys.argv[1:4]


def without_display(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(extra)
    return env


class CommandLine(unittest.TestCase):
    def test_without_display(self):
        cases = [
            # args, status, text expected on stdout, on stderr
            (["--help"], 0, "usage: pelmo [OPTION...] [DESIGN.bkt]", ""),
            (["-h"], 0, "usage: pelmo", ""),
            (["--version"], 0, f"pelmo {VERSION}\n", ""),
            (["--bogus"], 2, "", "pelmo: unknown option --bogus\nTry 'pelmo --help'.\n"),
            (["a.bkt", "b.bkt"], 2, "", "pelmo: one design at a time"),
            ([], 1, "", "pelmo: no display"),
            (["examples/TwoWay.bkt"], 1, "", "pelmo: no display"),
        ]
        for args, status, out, err in cases:
            with self.subTest(args=args):
                r = subprocess.run([PELMO] + args, env=without_display(), capture_output=True, text=True,
                                   timeout=20)
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertTrue(r.stdout.startswith(out), r.stdout)
                self.assertTrue(r.stderr.startswith(err), r.stderr)
                if status == 1:
                    self.assertEqual(r.stderr.count("\n"), 1, "one line")


class SecondStart(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        runtime = os.path.join(self.tmp.name, "run")
        os.makedirs(runtime, mode=0o700)
        home = os.path.join(self.tmp.name, "home")
        os.makedirs(home)
        # Not the first start: no options dialog waits for an answer.
        with open(os.path.join(home, "Pelmo.ini"), "w", encoding="ascii") as f:
            f.write("[FirstTime]\r\nFirstTime=0\r\n")
        self.env = without_display(QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime, PELMO_HOME=home)
        self.first = subprocess.Popen([PELMO], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        # The running program listens once its socket is there.
        deadline = time.monotonic() + 30
        while not glob.glob(os.path.join(runtime, "pelmo-*.socket")):
            self.assertIsNone(self.first.poll(), "the first program ended")
            self.assertLess(time.monotonic(), deadline, "no socket")
            time.sleep(0.1)

    def tearDown(self):
        self.first.send_signal(signal.SIGTERM)
        self.first.wait(timeout=20)
        self.first.stderr.close()
        self.tmp.cleanup()

    def test_the_running_program_opens_the_design(self):
        folder = os.path.join(self.tmp.name, "designs")
        os.makedirs(folder)
        shutil.copy(os.path.join(SOURCE, "examples", "TwoWay.bkt"), folder)
        # Started from the design's folder with a relative name, as a shell does.
        r = subprocess.run([PELMO, "TwoWay.bkt"], cwd=folder, env=self.env, capture_output=True, text=True,
                           timeout=30)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIsNone(self.first.poll(), "the first program still runs")
        # Opening a design writes its measurement files beside it.
        support = os.path.join(folder, "!FRD&ZMA", "Data!TwoWay")
        deadline = time.monotonic() + 30
        while not (os.path.isdir(support) and os.listdir(support)):
            self.assertLess(time.monotonic(), deadline, "the running program did not open the design")
            time.sleep(0.1)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
