#!/usr/bin/env python3
"""The installed desktop files, read by the desktop's own tools: a file
manager finds the file types of designs and blocks (by name and by content),
opens designs with Pelmo, shows its icon; software centres accept the
metainfo.

usage: desktop_files_test.py BUILD_DIR SOURCE_DIR VERSION
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

BUILD, SOURCE, VERSION = sys.argv[1:4]
DESIGN = "application/x-pelmo-design"
BLOCK = "application/x-pelmo-block"
MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def run(*args, env=None):
    return subprocess.run(args, env=env, check=True, capture_output=True, text=True).stdout


class InstalledDesktopFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = os.path.join(cls.tmp.name, "usr")
        run("cmake", "--install", BUILD, "--prefix", cls.prefix)
        cls.share = os.path.join(cls.prefix, "share")
        run("update-mime-database", os.path.join(cls.share, "mime"))
        # The installed tree is the user's data folder; nothing of this
        # machine's user settings takes part.
        home = os.path.join(cls.tmp.name, "home")
        os.makedirs(home)
        cls.env = dict(os.environ, HOME=home, XDG_DATA_HOME=cls.share, XDG_DATA_DIRS="/usr/share",
                       XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_CONFIG_DIRS=home)
        cls.files = os.path.join(cls.tmp.name, "files")
        os.makedirs(cls.files)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def installed(self, *parts):
        path = os.path.join(self.share, *parts)
        self.assertTrue(os.path.isfile(path), path)
        return path

    def sample(self, name, content):
        path = os.path.join(self.files, name)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def test_file_types_by_name_and_content(self):
        with open(os.path.join(SOURCE, "examples", "TwoWay.bkt"), "rb") as f:
            design = f.read()
        with open(os.path.join(SOURCE, "examples", "CircuitBlocks", "LPad.pbk"), "rb") as f:
            block = f.read()
        long_title = b"x" * 1500 + b"\r\n" + block.split(b"\r\n", 1)[1]
        cases = [
            ("TwoWay.bkt", design, DESIGN),
            ("TWOWAY.BKT", design, DESIGN),  # named on Windows
            ("design-without-extension", design, DESIGN),
            ("design-with-lf", design.replace(b"\r\n", b"\n"), DESIGN),
            ("LPad.pbk", block, BLOCK),
            ("block-without-extension", block, BLOCK),
            ("block-with-a-long-title", long_title, BLOCK),
            ("notes-without-extension", b"1 VoltageSource\r\nnot a design\r\n", "text/plain"),
        ]
        # GNOME's gio and the generic tool (File::MimeInfo) read the database
        # each in its own way.
        for desktop in ("GNOME", ""):
            env = dict(self.env, XDG_CURRENT_DESKTOP=desktop)
            for name, content, expected in cases:
                with self.subTest(desktop=desktop or "generic", file=name):
                    path = self.sample(name, content)
                    self.assertEqual(run("xdg-mime", "query", "filetype", path, env=env).strip(), expected)

    def test_designs_open_in_pelmo(self):
        entry = self.installed("applications", "pelmo.desktop")
        run("desktop-file-validate", entry)
        self.assertEqual(run("xdg-mime", "query", "default", DESIGN, env=self.env).strip(), "pelmo.desktop")
        keys = dict(line.split("=", 1) for line in read(entry).splitlines() if "=" in line)
        self.assertEqual(keys["Exec"].split()[0], "pelmo")
        self.assertTrue(os.path.isfile(os.path.join(self.prefix, "bin", "pelmo")))
        # Every type it opens is one the MIME file defines.
        defined = {t.get("type") for t in ET.parse(self.installed("mime", "packages", "pelmo.xml")).getroot()
                   .iter(MIME_NS + "mime-type")}
        self.assertEqual(defined, {DESIGN, BLOCK})
        opened = {t for t in keys["MimeType"].split(";") if t}
        self.assertEqual(opened, {DESIGN})  # blocks are opened from inside the program

    def test_icon_in_the_hicolor_theme(self):
        entry = read(self.installed("applications", "pelmo.desktop"))
        self.assertIn("\nIcon=pelmo\n", entry)
        svg = ET.parse(self.installed("icons", "hicolor", "scalable", "apps", "pelmo.svg")).getroot()
        self.assertEqual(svg.get("viewBox"), "0 0 128 128")
        for size in (16, 24, 32, 48, 64, 128, 256):
            with self.subTest(size=size):
                with open(self.installed("icons", "hicolor", f"{size}x{size}", "apps", "pelmo.png"), "rb") as f:
                    head = f.read(24)
                self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual((int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")),
                                 (size, size))

    def test_metainfo(self):
        path = self.installed("metainfo", "pelmo.metainfo.xml")
        # The component id "pelmo" names no domain; everything else must pass.
        override = "--override=cid-desktopapp-is-not-rdns=info"
        run("appstreamcli", "validate", "--no-net", override, path)
        run("appstreamcli", "validate-tree", "--no-net", override, self.tmp.name)
        root = ET.parse(path).getroot()
        self.assertEqual(root.find("launchable").text, "pelmo.desktop")
        self.assertEqual({m.text for m in root.iter("mediatype")}, {DESIGN, BLOCK})
        # The newest release named is the version being built.
        self.assertEqual(root.find("releases/release").get("version"), VERSION)


if __name__ == "__main__":
    for tool in ("update-mime-database", "xdg-mime", "mimetype", "gio", "desktop-file-validate", "appstreamcli"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is missing: run scripts/install-deps.sh")
    unittest.main(argv=sys.argv[:1], verbosity=2)
