"""cmake --install into a fresh prefix: every file in its place and valid, each icon size
drawn at its size. The program finds its help page as in the build folder, whose layout is
the same (the e2e tests open it from there)."""

import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

from install_support import APP_ID, BUILD, FILES, ICON_SIZES, check, files_under, png_size

SOURCE = Path(__file__).resolve().parents[2]


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp(prefix="zolvantek-install-"))
        cls.prefix = cls.root / "a prefix"
        check("cmake", "--install", str(BUILD), "--prefix", str(cls.prefix))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_every_file_and_nothing_else(self):
        self.assertEqual(files_under(self.prefix), FILES)
        self.assertTrue((self.prefix / "bin/zolvantek").stat().st_mode & 0o111)

    def test_menu_entry_and_metainfo_are_valid(self):
        entry = self.prefix / f"share/applications/{APP_ID}.desktop"
        self.assertEqual(check("desktop-file-validate", str(entry)).strip(), "")
        check("appstreamcli", "validate", "--no-net", str(self.prefix / f"share/metainfo/{APP_ID}.metainfo.xml"))
        keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
        self.assertEqual((keys["Exec"], keys["Icon"]), ("zolvantek", APP_ID))
        meta = ET.parse(self.prefix / f"share/metainfo/{APP_ID}.metainfo.xml").getroot()
        self.assertEqual(meta.findtext("id"), APP_ID)
        self.assertEqual(meta.find("launchable").text, entry.name)
        self.assertEqual([r.get("version") for r in meta.iter("release")], ["2.030"])
        self.assertTrue(meta.find("screenshots/screenshot/image").text.startswith("https://"))

    def test_the_icon_of_the_entry_exists_at_every_size(self):
        icons = self.prefix / "share/icons/hicolor"
        for size in ICON_SIZES:
            self.assertEqual(png_size(icons / f"{size}x{size}/apps/{APP_ID}.png"), (size, size))
        self.assertEqual((icons / f"scalable/apps/{APP_ID}.svg").read_bytes(),
                         (SOURCE / "resources/binoculars.svg").read_bytes())

    def test_manual_page_renders_without_warnings(self):
        page = subprocess.run(["man", "--warnings", "-l", str(self.prefix / "share/man/man1/zolvantek.1.gz")],
                              capture_output=True, text=True, env={"MANWIDTH": "80", "PATH": "/usr/bin:/bin"},
                              timeout=60)
        self.assertEqual((page.returncode, page.stderr), (0, ""))
        self.assertIn("--autostart", page.stdout.replace("\u2010", "-"))

    def test_the_installed_program_runs_and_its_help_page_has_the_sections_f1_opens(self):
        self.assertEqual(check(str(self.prefix / "bin/zolvantek"), "--version"), "ZOLVANTEK 2.030\n")
        page = (self.prefix / "share/zolvantek/help/zolvantek.html").read_text(encoding="utf-8")
        self.assertTrue('id="directories"' in page and 'id="programs"' in page)
