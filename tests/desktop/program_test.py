#!/usr/bin/env python3
"""The pelmo program from outside: its command line works without a display,
and it explains a missing display in one line.

usage: program_test.py PELMO SOURCE_DIR VERSION
"""
import os
import subprocess
import sys
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


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
