#!/usr/bin/env python3
"""The Debian package that `cpack -G DEB` makes from the build folder: what
it installs and what it depends on.

usage: package_test.py BUILD_DIR VERSION
"""
import os
import subprocess
import sys
import tempfile
import unittest

BUILD, VERSION = sys.argv[1:3]

# Every file the package must install. New shipped data joins this list.
EXPECTED = [
    "usr/bin/pelmo",
    "usr/bin/pelmo-cli",
    "usr/share/applications/pelmo.desktop",
    "usr/share/mime/packages/pelmo.xml",
    "usr/share/metainfo/pelmo.metainfo.xml",
    "usr/share/icons/hicolor/scalable/apps/pelmo.svg",
    "usr/share/icons/hicolor/48x48/apps/pelmo.png",
    "usr/share/icons/hicolor/256x256/apps/pelmo.png",
    "usr/share/pelmo/examples/TwoWay.bkt",
    "usr/share/pelmo/examples/ThreeWay.bkt",
    "usr/share/pelmo/examples/TwoWayBlocks.bkt",
    "usr/share/pelmo/examples/TwoWayDerivedPhase.bkt",
    "usr/share/pelmo/examples/Drivers/Woofer165.frd",
    "usr/share/pelmo/examples/Drivers/Woofer165.zma",
    "usr/share/pelmo/examples/CircuitBlocks/LowPass2.pbk",
    "usr/share/pelmo/examples/CircuitBlocks/HighPass2.pbk",
    "usr/share/pelmo/examples/CircuitBlocks/LPad.pbk",
    "usr/share/pelmo/examples/CircuitBlocks/Notch.pbk",
    "usr/share/pelmo/examples/CircuitBlocks/Zobel.pbk",
    "usr/share/pelmo/catalogue/PmParts/DeCoderRing.pmd",
]

# Where nothing of the package may go: build and test leftovers, support
# folders of opened designs, development files.
FORBIDDEN = ["!FRD&ZMA", "usr/include/", "usr/lib/", "/tst_", "/test_", "render_icon", "make_examples", "make_catalogue"]

# Found by dpkg-shlibdeps from the binaries, or named for what no binary links.
DEPENDS = ["libqt6widgets6", "libqt6network6", "libqcustomplot2.1-qt6", "libstdc++6", "libqt6svg6",
           "fonts-liberation"]


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", cls.tmp.name)
        debs = [f for f in os.listdir(cls.tmp.name) if f.endswith(".deb")]
        assert len(debs) == 1, debs
        cls.deb = os.path.join(cls.tmp.name, debs[0])
        # "-rwxr-xr-x root/root 1234 2026-01-01 00:00 ./usr/bin/pelmo"
        cls.entries = {}
        for line in run("dpkg-deb", "-c", cls.deb).splitlines():
            fields = line.split(None, 5)
            cls.entries[fields[5].removeprefix("./")] = fields[0]

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_contents(self):
        for path in EXPECTED:
            with self.subTest(path=path):
                self.assertIn(path, self.entries)
                self.assertTrue(self.entries[path].startswith("-"), "a regular file")
        for name in ("usr/bin/pelmo", "usr/bin/pelmo-cli"):
            self.assertEqual(self.entries[name][:10], "-rwxr-xr-x")
        for path in self.entries:
            for bad in FORBIDDEN:
                with self.subTest(path=path, forbidden=bad):
                    self.assertNotIn(bad, path)

    def test_control_fields(self):
        fields = run("dpkg-deb", "-f", self.deb, "Package", "Version", "Section", "Depends", "Description")
        self.assertIn("Package: pelmo\n", fields)
        self.assertIn(f"Version: {VERSION}\n", fields)
        self.assertIn("Section: electronics\n", fields)
        depends = [d.split()[0] for d in
                   next(l for l in fields.splitlines() if l.startswith("Depends:"))[8:].split(",")]
        for package in DEPENDS:
            with self.subTest(depends=package):
                self.assertIn(package, depends)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
