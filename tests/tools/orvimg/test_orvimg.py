"""orvimg as a user runs it: usage errors, scrambling and its refusal, the
dump and trace of scripts, and (for the Windows build) PNG and BMP renders
checked pixel by pixel.

ORVIMG names the program; ORVIMG_RUNNER, when set, the program that runs it
(scripts/wine-run for the Windows build)."""

import os
import struct
import subprocess
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = os.environ.get("ORVIMG", "")
RUNNER = os.environ.get("ORVIMG_RUNNER", "")
WINDOWS = PROGRAM.lower().endswith(".exe")


def scrambled(plain: bytes) -> bytes:
    return b"".join(bytes(b ^ 0xA7 for b in line) + b"\r\n" for line in plain.splitlines())


def read_png(data: bytes):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB PNG without filters."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc = struct.unpack(">I", data[at + 8 + length:at + 12 + length])[0]
        assert zlib.crc32(kind + body) == crc, kind
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, color = header[:4]
    assert (depth, color) == (8, 2)
    raw = zlib.decompress(idat)
    rows = []
    for y in range(height):
        line = raw[y * (1 + 3 * width):(y + 1) * (1 + 3 * width)]
        assert line[0] == 0
        rows.append([tuple(line[1 + 3 * x:4 + 3 * x]) for x in range(width)])
    return width, height, rows


@unittest.skipUnless(PROGRAM, "ORVIMG is not set")
class OrvimgTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.images = os.path.join(self.dir.name, "images")
        os.mkdir(self.images)

    def tearDown(self):
        self.dir.cleanup()

    def run_orvimg(self, *args):
        command = ([RUNNER] if RUNNER else []) + [PROGRAM] + list(args)
        done = subprocess.run(command, cwd=self.dir.name, capture_output=True, timeout=120)
        return done.returncode, done.stdout.decode().replace("\r\n", "\n"), done.stderr.decode()

    def add(self, name: str, plain: str):
        path = os.path.join(self.images, *name.split("/")) + ".gfx"
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(scrambled(plain.encode()))

    def test_usage_errors(self):
        for args in ([], ["dump"], ["paint", "x"], ["scramble", "a"], ["trace", "--dest", "1,2,3", "x"],
                     ["trace", "--default", "red", "x"], ["trace", "--palette", "grey", "x"],
                     ["dump", "--dest", "0,0,1,1", "x"], ["dump", "a", "b"], ["render", "x"],
                     ["render", "--out", "x.gif", "x"]):
            code, out, err = self.run_orvimg(*args)
            self.assertEqual(code, 2, args)
            self.assertEqual(out, "", args)
            self.assertIn("usage: orvimg", err, args)

    def test_scramble_and_unscramble(self):
        plain = os.path.join(self.dir.name, "plain.txt")
        with open(plain, "wb") as f:
            f.write(b"size 10 10\r\nfill rect 1 1 1\nbrush red")
        self.assertEqual(self.run_orvimg("scramble", "plain.txt", "images/x.gfx")[0], 0)
        with open(os.path.join(self.images, "x.gfx"), "rb") as f:
            self.assertEqual(f.read(), scrambled(b"size 10 10\nfill rect 1 1 1\nbrush red"))
        self.assertEqual(self.run_orvimg("unscramble", "images/x.gfx", "back.txt")[0], 0)
        with open(os.path.join(self.dir.name, "back.txt"), "rb") as f:
            self.assertEqual(f.read(), b"size 10 10\r\nfill rect 1 1 1\r\nbrush red\r\n")

    def test_bytes_that_would_end_a_line_are_refused(self):
        for byte in (b"\xaa", b"\xad"):
            with open(os.path.join(self.dir.name, "bad.txt"), "wb") as f:
                f.write(b"size 10 10\nfill " + byte + b"\n")
            code, _, err = self.run_orvimg("scramble", "bad.txt", "out.gfx")
            self.assertEqual(code, 1)
            self.assertIn("line 2", err)
            self.assertFalse(os.path.exists(os.path.join(self.dir.name, "out.gfx")))
        self.assertEqual(self.run_orvimg("scramble", "missing.txt", "out.gfx")[0], 1)

    def test_dump_of_the_examples(self):
        self.add("examples", "\n".join([
            "fill rect 10 10 30", "draw circle 50 50 20", "fill pie 50 50 40 0 90", "fill pie 50 50 40 20 0 90",
            "clip intersect rect 0 0 50 50", "clip rect 0 0 50 50", "color red", "brush red", "brush #f00",
            "brush #ff0000", "fill roundrect 0 0 10 10 2 2", "fill chord 50 50 40 0 180", "line 1 2 3 4",
            "bezier 0 0 1 1 2 2 3 3", "fill poly 0 0 10 0 10 10", "clip {", "}", "pen x blue 2",
            "image dots/dot 10 20 30 40", "size 200 100"]))
        self.add("dots/dot", "fill circle 50 50 50")
        code, out, err = self.run_orvimg("dump", "--images", "images", "examples")
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(out.splitlines(), [
            "space 0 0 200 100",
            "IIRectangle 10 10 40 40 3",
            "IIEllipse 30 30 70 70 1",
            "IIPie 10 10 90 90 50 10 90 50 3",
            "IIPie 10 30 90 70 50 30 90 50 3",
            "IIRectangle 0 0 50 50 5",
            "IIRectangle 0 0 50 50 4",
            "IIChangePen 0x01000004 -1",
            "IIChangeBrush 0x01000004",
            "IIChangeBrush 0x01000004",
            "IIChangeBrush 0x0000000F",
            "IIChangeBrush 0x000000FF",
            "IIRoundRectangle 0 0 10 10 3 2 2",
            "IIChord 10 10 90 90 50 10 50 90 3",
            "IIPolyLine 2 1 2 3 4",
            "IIPolyBezier 4 0 0 1 1 2 2 3 3",
            "IIPolygon 3 0 0 10 0 10 10 3",
            "IIBeginPath 4",
            "IIEndPath",
            "IIChangePen 0x0100000B 2",
            "IIImage 10 20 40 60 dots/dot",
        ])

    def test_an_image_that_does_not_load(self):
        for command in ("dump", "trace"):
            code, out, err = self.run_orvimg(command, "nothing")
            self.assertEqual((code, out), (3, ""), command)
            self.assertIn("nothing", err)
        self.add("x", "fill rect 0 0 10")
        self.assertEqual(self.run_orvimg("dump", "../images/x")[0], 3)

    def test_trace(self):
        self.add("sq", "fill rect 10 10 30\nbrush contrast\nbrush back\npen x #ff0000 2")
        code, out, _ = self.run_orvimg("trace", "sq")
        self.assertEqual(code, 0)
        lines = out.splitlines()
        self.assertEqual(lines[:7], ["SetDCPenColor 0x00000000", "SetDCBrushColor 0x00000000",
                                     "SetTextColor 0x00000000", "GetStockObject 18 -> stock18",
                                     "SelectObject stock18 -> stock0", "GetStockObject 19 -> stock19",
                                     "SelectObject stock19 -> stock7"])
        self.assertEqual(lines[7], "Rectangle 10 10 40 40")
        self.assertEqual(lines[9], "SetDCBrushColor 0x00000000")
        self.assertEqual(lines[11:13], ["GetBkColor -> 0x00FFFFFF", "SetDCBrushColor 0x00FFFFFF"])
        self.assertIn("CreatePenIndirect PS_SOLID 2 0x000000FF -> pen1", lines)
        _, out, _ = self.run_orvimg("trace", "--dest", "0,0,200,200", "--default", "00FF00", "--background",
                                    "123456", "--palette", "dark", "sq")
        lines = out.splitlines()
        self.assertEqual(lines[0], "SetDCPenColor 0x0000FF00")
        self.assertEqual(lines[7], "Rectangle 20 20 80 80")
        self.assertEqual(lines[9], "SetDCBrushColor 0x00FFFFFF")
        self.assertEqual(lines[11:13], ["GetBkColor -> 0x00563412", "SetDCBrushColor 0x00563412"])
        self.assertIn("CreatePenIndirect PS_SOLID 5 0x000000FF -> pen1", lines)

    @unittest.skipUnless(WINDOWS, "render is in the Windows build")
    def test_render(self):
        for name in ("testsheet", "testdot"):
            with open(os.path.join(HERE, name + ".txt"), "rb") as f:
                with open(os.path.join(self.images, name + ".gfx"), "wb") as out:
                    out.write(scrambled(f.read()))
        code, _, err = self.run_orvimg("render", "--dest", "0,0,400,400", "--out", "sheet.png", "testsheet")
        self.assertEqual((code, err), (0, ""))
        with open(os.path.join(self.dir.name, "sheet.png"), "rb") as f:
            width, height, rows = read_png(f.read())
        self.assertEqual((width, height), (400, 400))
        self.assertEqual(rows[50][50], (255, 0, 0))       # the red square
        self.assertEqual(rows[4][4], (255, 255, 255))     # the background
        self.assertEqual(rows[50][150], (255, 255, 255))  # inside the outlined square
        self.assertEqual(rows[130][70], (68, 0, 153))     # the quarter pie, palette purple (0x990044)
        self.assertEqual(rows[170][30], (255, 255, 255))  # beside it
        # A BMP of the same, with a margin: 420 x 420, the sheet 10 pixels in.
        code, _, _ = self.run_orvimg("render", "--dest", "10,10,410,410", "--background", "000000", "--out",
                                     "sheet.bmp", "testsheet")
        self.assertEqual(code, 0)
        with open(os.path.join(self.dir.name, "sheet.bmp"), "rb") as f:
            bmp = f.read()
        self.assertEqual(bmp[:2], b"BM")
        width, height = struct.unpack("<ii", bmp[18:26])
        self.assertEqual((width, -height), (420, 420))
        row = (3 * width + 3) & ~3
        pixel = lambda x, y: tuple(reversed(bmp[54 + y * row + 3 * x:54 + y * row + 3 * x + 3]))
        self.assertEqual(pixel(60, 60), (255, 0, 0))
        self.assertEqual(pixel(4, 4), (0, 0, 0))


if __name__ == "__main__":
    unittest.main()
