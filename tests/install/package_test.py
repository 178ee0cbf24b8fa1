"""The Debian package: built with cpack, its control data and files, lintian, and an install
into a throw-away root (never onto this machine) that runs and purges cleanly."""

import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from install_support import APP_ID, BUILD, FILES, check, files_under

DEB = "zolvantek_2.030_amd64.deb"


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp(prefix="zolvantek-package-"))
        check("cpack", "--config", str(BUILD / "CPackConfig.cmake"), "-G", "DEB", "-B", str(cls.root / "out"))
        cls.deb = cls.root / "out" / DEB

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_control_data_with_computed_depends(self):
        info = check("dpkg-deb", "-I", str(self.deb))
        print(info)
        fields = dict(re.findall(r"^ (\S+): (.*)$", info, re.M))
        self.assertEqual((fields["Package"], fields["Version"], fields["Architecture"]),
                         ("zolvantek", "2.030", "amd64"))
        depends = {d.split(" ")[0]: d for d in fields["Depends"].split(", ")}
        for library in ("libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6"):
            self.assertRegex(depends.get(library, ""), r"\(>= [0-9.]+\)", library)
        for package in ("xdg-utils", "qt6-wayland"):
            self.assertIn(package, depends)

    def test_files_owned_by_root_with_plain_modes(self):
        listing = check("dpkg-deb", "-c", str(self.deb)).splitlines()
        files = {}
        for line in listing:
            mode, owner, *_, path = line.split(None, 5)
            self.assertEqual(owner, "root/root", line)
            if not mode.startswith("d"):
                files[path.removeprefix("./usr/")] = mode
            else:
                self.assertEqual(mode, "drwxr-xr-x", line)
        self.assertEqual(set(files), FILES)
        self.assertEqual(files.pop("bin/zolvantek"), "-rwxr-xr-x")
        self.assertEqual(set(files.values()), {"-rw-r--r--"})

    def test_lintian_finds_no_errors(self):
        done = subprocess.run(["lintian", "--no-cfg", str(self.deb)], capture_output=True, text=True,
                              timeout=300)
        print(done.stdout)
        self.assertEqual([t for t in done.stdout.splitlines() if t.startswith("E:")], [])
        self.assertNotIn("E:", done.stderr)

    def test_installs_runs_from_its_menu_entry_and_purges_in_a_throwaway_root(self):
        target = self.root / "target"
        admin = target / "var/lib/dpkg"
        for folder in ("info", "updates"):
            (admin / folder).mkdir(parents=True)
        (admin / "status").touch()
        # The libraries come from this machine; the empty root knows none of them.
        dpkg = ["dpkg", f"--root={target}", "--log=/dev/null", "--force-not-root", "--force-depends"]
        check(*dpkg, "--install", str(self.deb))
        self.assertEqual(files_under(target / "usr"), FILES)

        entry = (target / f"usr/share/applications/{APP_ID}.desktop").read_text()
        command = shlex.split(re.search(r"^Exec=(.*)$", entry, re.M).group(1))
        path = f"{target / 'usr/bin'}:{os.environ.get('PATH', '/usr/bin:/bin')}"
        self.assertEqual(shutil.which(command[0], path=path), str(target / "usr/bin/zolvantek"))
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.assertEqual(check(*command, "--version", env={**env, "PATH": path}), "ZOLVANTEK 2.030\n")

        check(*dpkg, "--purge", "zolvantek")
        self.assertEqual(files_under(target / "usr"), set())

    def test_depends_resolve_on_this_system(self):
        # A simulation: apt works out what the install would need and installs nothing.
        done = check("apt-get", "install", "--simulate", "--no-install-recommends", str(self.deb))
        self.assertRegex(done, r"(?m)^Inst zolvantek ")

