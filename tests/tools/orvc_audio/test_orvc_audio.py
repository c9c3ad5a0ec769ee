"""orvc-audio as a checker runs it: the check script rendered with sounds
made here, its levels, pitches, lengths and fade points measured, its
"audio:" lines, the same bytes on a second run, and scripts it refuses.

ORVC_AUDIO_TOOL names the program; ORVC_AUDIO_RUNNER, when set, the program
that runs it (scripts/wine-run for the Windows build)."""

import math
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
PROGRAM = os.environ.get("ORVC_AUDIO_TOOL", "")
RUNNER = os.environ.get("ORVC_AUDIO_RUNNER", "")
RATE = 44100


def write_wav(path, samples):
    """16-bit mono: the layer decodes by content, whatever the name says."""
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples))


def read_float_wav(path):
    """(left, right) of the float stereo WAV the tool writes."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    at, fmt, body = 12, None, None
    while at + 8 <= len(data):
        kind, size = struct.unpack("<4sI", data[at:at + 8])
        if kind == b"fmt ":
            fmt = struct.unpack("<HHIIHH", data[at + 8:at + 24])
        elif kind == b"data":
            body = data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    assert fmt[0] == 3 and fmt[1] == 2 and fmt[2] == RATE, fmt
    values = struct.unpack("<%df" % (len(body) // 4), body)
    return values[0::2], values[1::2]


def frame(ms):
    return ms * RATE // 1000


def peak(side, start_ms, end_ms):
    return max(abs(v) for v in side[frame(start_ms):frame(end_ms)])


def crossings(side, start_ms, end_ms):
    part = side[frame(start_ms):frame(end_ms)]
    return sum(1 for a, b in zip(part, part[1:]) if a < 0 <= b)


class OrvcAudio(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="orvc-audio-tool-")
        sounds = os.path.join(cls.dir, "sounds")
        os.mkdir(sounds)
        write_wav(os.path.join(sounds, "flat.ogg"), [0.5] * (2 * RATE))
        write_wav(os.path.join(sounds, "tone.ogg"),
                  [0.5 * math.sin(2 * math.pi * 441 * i / RATE) for i in range(2 * RATE)])
        write_wav(os.path.join(sounds, "click.ogg"), [0.5] * (RATE // 10))
        cls.script = os.path.join(cls.dir, "check.txt")
        shutil.copy(os.path.join(ROOT, "tools", "orvc-audio", "check.txt"), cls.script)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def run_tool(self, *args):
        command = ([RUNNER] if RUNNER else []) + [PROGRAM] + list(args)
        return subprocess.run(command, capture_output=True, text=True, timeout=240)

    def render(self, name):
        out = os.path.join(self.dir, name)
        done = self.run_tool(self.script, out)
        self.assertEqual(done.returncode, 0, done.stderr)
        return out, [line.strip() for line in done.stdout.splitlines()]

    def test_check_script(self):
        out, lines = self.render("check.wav")
        left, right = read_float_wav(out)
        self.assertEqual(len(left), frame(3700))
        near = lambda a, b, d=0.01: self.assertLess(abs(a - b), d, (a, b))
        # Levels: the first sound at full volume through the change of the
        # setting, the second at the new one.
        near(peak(left, 10, 990), 0.5)
        near(min(left[frame(10):frame(990)]), 0.5)
        near(peak(right, 10, 990), 0.5)
        near(peak(left, 1010, 1490), 0.25)
        # Pitch.
        self.assertIn(crossings(left, 1550, 1650), (43, 44, 45))
        self.assertIn(crossings(left, 1750, 1850), (87, 88, 89))
        # The fade: linear from 0.5 to 0 over a second, then stopped.
        near(left[frame(2000) + 5], 0.5)
        near(left[frame(2250)], 0.375)
        near(left[frame(2500)], 0.25)
        near(left[frame(2750)], 0.125)
        near(peak(left, 3001, 3200), 0.0, 1e-6)
        # The click on the left only, 100 ms long.
        near(peak(left, 3201, 3299), 0.5)
        near(peak(right, 3201, 3299), 0.0, 1e-6)
        near(peak(left, 3301, 3399), 0.0, 1e-6)
        # The low-pass filter far below the tone.
        self.assertLess(peak(left, 3450, 3600), 0.15)
        self.assertGreater(peak(left, 3450, 3600), 0.01)
        near(peak(left, 3601, 3700), 0.0, 1e-6)
        self.assertEqual(lines[0], "audio: device 1 Default")
        self.assertIn("audio: sounds volume 50", lines)
        self.assertIn("audio: state flat 1", lines)
        self.assertIn("audio: play 3 flat 1 -> 0", lines)
        self.assertIn("audio: play -1 flat loop -> 0", lines)
        self.assertTrue(any(l.startswith("audio: ended ") for l in lines))  # the click
        self.assertTrue(any(l.startswith("audio: play 3 click 1 pan -1 -> ") and not l.endswith(" 0") for l in lines))

    def test_same_bytes_every_time(self):
        first, lines1 = self.render("first.wav")
        second, lines2 = self.render("second.wav")
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual(lines1, lines2)

    def test_refusals(self):
        self.assertEqual(self.run_tool().returncode, 2)
        bad = os.path.join(self.dir, "bad.txt")
        for text, line in (("at 10 play -1 flat\nat 5 stop sounds\n", 2), ("play x flat\n", 1),
                           ("\n\nwobble\n", 3), ("at 99999999999 play -1 flat\n", 1)):
            with open(bad, "w") as f:
                f.write(text)
            done = self.run_tool(bad, os.path.join(self.dir, "bad.wav"))
            self.assertEqual(done.returncode, 3, text)
            self.assertIn(":%d:" % line, done.stderr)


if __name__ == "__main__":
    unittest.main()
