"""scripts/wine-run --print-arch: which Wine would run a program, decided
from the program's own header, on any machine (no Wine needed)."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
COMPILERS = {"win32": os.environ.get("ORVC_CC_I686", "i686-w64-mingw32-gcc"),
             "win64": os.environ.get("ORVC_CC_X86_64", "x86_64-w64-mingw32-gcc")}


def print_arch(program, **env):
    result = subprocess.run([WINE_RUN, "--print-arch", program], capture_output=True, text=True,
                            env=dict(os.environ, **env), timeout=60)
    return result.returncode, result.stdout.split(), result.stderr


class PrintArch(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="wine-run-test.")
        # A build folder: the prefix goes beside its CMakeCache.txt.
        cls.build = os.path.join(cls.folder, "build")
        os.makedirs(os.path.join(cls.build, "bin"))
        open(os.path.join(cls.build, "CMakeCache.txt"), "w").close()
        source = os.path.join(cls.folder, "main.c")
        with open(source, "w") as f:
            f.write("int main(void) { return 0; }\n")
        cls.programs = {}
        for arch, cc in COMPILERS.items():
            if shutil.which(cc) is None:
                raise unittest.SkipTest(cc + " is missing (scripts/setup-windows-toolchain)")
            out = os.path.join(cls.build, "bin", "tiny-%s.exe" % arch)
            subprocess.run([cc, "-o", out, source], check=True)
            cls.programs[arch] = out

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_programs_of_both_widths(self):
        for arch, loader in (("win32", "/usr/lib/wine/wine"), ("win64", "/usr/lib/wine/wine64")):
            with self.subTest(arch):
                env = {k: v for k, v in os.environ.items() if k != "ORVC_WINEPREFIX"}
                result = subprocess.run([WINE_RUN, "--print-arch", self.programs[arch]], capture_output=True,
                                        text=True, env=env, timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stdout.split(),
                                 [arch, loader, os.path.join(self.build, "wineprefix-" + arch)])
                # A prefix given by the caller is the one used.
                code, words, _ = print_arch(self.programs[arch], ORVC_WINEPREFIX="/elsewhere/prefix")
                self.assertEqual((code, words), (0, [arch, loader, "/elsewhere/prefix"]))

    def test_files_that_are_not_x86_windows_programs(self):
        with open(self.programs["win32"], "rb") as f:
            good = f.read()
        pe = struct.unpack_from("<I", good, 60)[0]

        def patched(offset, data):
            return good[:offset] + data + good[offset + len(data):]

        cases = {
            "empty": b"",
            "text": b"#!/bin/sh\necho hello\n",
            "truncated before the header offset": good[:40],
            "truncated inside the header": good[:pe + 5],
            "header offset past the end": patched(60, struct.pack("<I", 0xFFFFFFF0)),
            "no PE signature": patched(pe, b"NE\0\0"),
            "ARM64 machine": patched(pe + 4, struct.pack("<H", 0xAA64)),
            "machine bytes swapped": patched(pe + 4, b"\x01\x4c"),
        }
        for name, data in cases.items():
            with self.subTest(name):
                path = os.path.join(self.folder, "bad.exe")
                with open(path, "wb") as f:
                    f.write(data)
                code, words, err = print_arch(path)
                self.assertEqual(code, 2)
                self.assertEqual(words, [])
                self.assertIn("not a Windows x86 program", err)
        code, _, err = print_arch(os.path.join(self.folder, "missing.exe"))
        self.assertEqual(code, 2)
        self.assertIn("no such program", err)


if __name__ == "__main__":
    unittest.main()
