#!/usr/bin/env python3
"""The pelmo program killed in the middle of its work: the next start offers
the changes it had not saved, and recovers them.

The program is driven through two environment variables meant for tests only:
PELMO_TEST_DELETE=<designator> deletes that element after start-up, as the
Delete key over it does; PELMO_TEST_RECOVERY_ANSWER=recover|discard|later
answers the recovery question instead of showing it, and names the design
offered on stderr.

usage: recovery_test.py PELMO PELMO_CLI SOURCE_DIR
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

PELMO, CLI, SOURCE = sys.argv[1:4]


def designators(path, work):
    """The designators `pelmo-cli info` lists for a design (read from a copy in
    `work`, so that no support folder appears beside the original)."""
    os.makedirs(work, exist_ok=True)
    copy = os.path.join(work, "design.bkt")
    shutil.copy(path, copy)
    r = subprocess.run([CLI, "info", copy], capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        raise AssertionError(r.stderr)
    return [line.split()[0] for line in r.stdout.splitlines() if not line.startswith("NodeCount")]


class CrashRecovery(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        runtime = os.path.join(self.tmp.name, "run")
        os.makedirs(runtime, mode=0o700)
        self.home = os.path.join(self.tmp.name, "home")
        os.makedirs(self.home)
        # Not the first start: no options dialog waits for an answer.
        with open(os.path.join(self.home, "Pelmo.ini"), "w", encoding="ascii") as f:
            f.write("[FirstTime]\r\nFirstTime=0\r\n")
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.env.update(QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime, PELMO_HOME=self.home)
        self.env.pop("PELMO_TEST_DELETE", None)
        self.env.pop("PELMO_TEST_RECOVERY_ANSWER", None)
        self.recovery = os.path.join(self.home, "Recovery")
        self.design = os.path.join(self.tmp.name, "designs", "TwoWay.bkt")
        os.makedirs(os.path.dirname(self.design))
        shutil.copy(os.path.join(SOURCE, "examples", "TwoWay.bkt"), self.design)
        self.program = None
        self.log = None

    def tearDown(self):
        self.kill()
        self.tmp.cleanup()

    def start(self, args=(), **extra):
        env = dict(self.env, **extra)
        self.log = os.path.join(self.tmp.name, f"stderr-{time.monotonic_ns()}.txt")
        with open(self.log, "w") as err:
            self.program = subprocess.Popen([PELMO, *args], env=env, stdout=subprocess.DEVNULL, stderr=err)

    def kill(self):
        if self.program and self.program.poll() is None:
            self.program.send_signal(signal.SIGKILL)
            self.program.wait(timeout=20)
        self.program = None

    def wait_for(self, what, condition, timeout=60):
        deadline = time.monotonic() + timeout
        while not condition():
            self.assertIsNone(self.program.poll(), f"the program ended while waiting for {what}")
            self.assertLess(time.monotonic(), deadline, f"no {what}")
            time.sleep(0.1)

    def copies(self):
        return sorted(glob.glob(os.path.join(self.recovery, "*.bkt")))

    def stderr(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()

    def test_a_killed_program_leaves_its_edit_for_the_next_start(self):
        names = designators(self.design, os.path.join(self.tmp.name, "w0"))
        victim = next(n for n in names if n.startswith("R") or n.startswith("C") or n.startswith("L"))

        # An edit, then the program is killed once its copy is there.
        self.start([self.design], PELMO_TEST_DELETE=victim)
        self.wait_for("recovery copy", lambda: len(self.copies()) == 1)
        first = self.copies()[0]
        self.kill()
        self.assertEqual(self.copies(), [first], "the copy outlives the program")
        with open(first[:-4] + ".ini", encoding="utf-8") as f:
            self.assertIn("Design=" + self.design, f.read())
        edited = designators(first, os.path.join(self.tmp.name, "w1"))
        self.assertNotIn(victim, edited)
        self.assertEqual(len(edited), len(names) - 1)
        self.assertEqual(designators(self.design, os.path.join(self.tmp.name, "w2")), names, "the file is untouched")

        # Put off: the copy stays, and the next start asks again.
        self.start(PELMO_TEST_RECOVERY_ANSWER="later")
        self.wait_for("question", lambda: "pelmo: recovery offered: " in self.stderr())
        self.assertIn("pelmo: recovery offered: " + self.design + "\n", self.stderr())
        self.kill()
        self.assertEqual(self.copies(), [first])

        # Recovered: the program holds the edit (its own copy of it replaces
        # the one left behind), and is killed again.
        self.start(PELMO_TEST_RECOVERY_ANSWER="recover")
        # The program writes its own copy before it removes the one it recovered
        # from: wait until that is done, or a slow machine sees both.
        self.wait_for("recovered copy", lambda: len(self.copies()) == 1 and self.copies() != [first])
        self.assertEqual(self.stderr().count("pelmo: recovery offered: "), 1)
        second = self.copies()
        self.assertEqual(len(second), 1)
        self.assertEqual(designators(second[0], os.path.join(self.tmp.name, "w3")), edited)
        with open(second[0][:-4] + ".ini", encoding="utf-8") as f:
            self.assertIn("Design=" + self.design, f.read())
        self.kill()

        # Discarded: nothing is left to offer.
        self.start(PELMO_TEST_RECOVERY_ANSWER="discard")
        self.wait_for("discarded copy", lambda: not self.copies())
        self.assertIn("pelmo: recovery offered: " + self.design + "\n", self.stderr())
        self.kill()
        self.start(PELMO_TEST_RECOVERY_ANSWER="recover")
        time.sleep(3)
        self.assertNotIn("recovery offered", self.stderr())
        self.assertEqual(self.copies(), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
