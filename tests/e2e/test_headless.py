"""End-to-end: the headless client against the development server.

Run by ctest with ORVC_HEADLESS naming the orvc-headless program; the
development server plays a script and records what the client sends.
"""
import array
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
DEVSERVER = os.path.join(HERE, "..", "..", "tools", "devserver", "devserver.py")
HEADLESS = os.environ.get("ORVC_HEADLESS", "")
DEL = "\x7f"


class Server:
    """A development server on free ports, for one test."""

    def __init__(self, folder, script=None, extra=()):
        self.record = os.path.join(folder, "record.jsonl")
        args = [sys.executable, DEVSERVER, "--port", "0", "--tls-port", "0", "--certdir",
                os.path.join(folder, "certs"), "--record", self.record, "-q"] + list(extra)
        if script is not None:
            path = os.path.join(folder, "script.json")
            with open(path, "w", encoding="utf-8") as f:
                json.dump(script, f)
            args += ["--script", path]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.ports = {}
        for line in self.proc.stdout:
            words = line.split()
            if words == ["READY"]:
                break
            if words[:1] == ["LISTENING"]:
                self.ports[words[1]] = words[3]
            elif words[:1] == ["CA"]:
                self.ca = line.split(None, 1)[1].strip()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        self.proc.stdout.close()

    def received(self):
        texts = []
        with open(self.record, encoding="utf-8") as f:
            for line in f:
                entry = json.loads(line)
                if entry.get("kind") == "frame" and entry.get("dir") == "in" and "text" in entry:
                    texts.append(entry["text"])
        return texts


@unittest.skipUnless(HEADLESS, "ORVC_HEADLESS is not set")
class HeadlessClient(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="orvc-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        self.userdir = os.path.join(self.folder, "user")

    def run_client(self, server, *args, secure=False, answers=None, timeout=60, keys=None):
        command = [HEADLESS, "--host", "localhost", "--port", server.ports["tls" if secure else "plain"],
                   "--userdir", self.userdir] + list(args)
        if secure:
            command.append("--secure")
        if answers is not None:
            path = os.path.join(self.folder, "answers.txt")
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(answers) + "\n")
            command += ["--answers", path]
        # Standard input takes the player's keys and commands.
        if keys is None:
            return subprocess.run(command, capture_output=True, text=True, timeout=timeout, stdin=subprocess.DEVNULL)
        return subprocess.run(command, capture_output=True, text=True, timeout=timeout, input="\n".join(keys) + "\n")

    def run_with_audio_out(self, server):
        """Logs in with the mix written to a file; the run and the mix's peak
        (a float stereo WAV at 44.1 kHz)."""
        wav = os.path.join(self.folder, "mix.wav")
        try:
            result = self.run_client(server, "--login", "alice", "--password", "secret", "--audio-out", wav)
        finally:
            server.stop()
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(wav, "rb") as f:
            data = f.read()
        self.assertEqual(data[:4], b"RIFF")
        samples = array.array("f", data[44:])
        return result, max((abs(x) for x in samples), default=0.0)

    def debug_log(self):
        with open(os.path.join(self.userdir, "debug.txt"), encoding="utf-8", newline="") as f:
            return f.read()

    def test_routes_commands_answers_boxes_and_quits(self):
        server = Server(self.folder, {"steps": [
            {"send": "say3 Hello there"},
            {"send": ["inbx 5", "What is your name?"]},
            {"expect": ["inbx 5", "Nadia"]},
            {"send": ["msgb 6", "Caption", "Really?", "4"]},
            {"expect": ["msgb 6", "7"]},
            {"send": "ping"},
            {"expect": "pong"},
            {"send": "zzzz unknown"},
            {"send": "quit"},
        ]})
        try:
            result = self.run_client(server, "--login", "alice", "--password", "secret", answers=["Nadia", "7"])
        finally:
            server.stop()
        self.assertEqual(result.returncode, 0, result.stderr)
        out = result.stdout.splitlines()
        # Channel 3 speaks in the foreground, where the headless window is.
        self.assertLess(out.index("spoken: Hello there"), out.index("history: Hello there"))
        self.assertIn("box: input 5 What is your name?:  []", out)
        self.assertIn("sent: inbx 5\\x7fNadia", out)
        self.assertIn("sent: msgb 6\\x7f7", out)
        self.assertIn("sent: pong", out)
        self.assertIn("box: Caption: Really?", out)
        self.assertIn("Unknown command: zzzz unknown", out)
        self.assertEqual(server.received(), ["inbx 5" + DEL + "Nadia", "msgb 6" + DEL + "7", "pong"])
        log = self.debug_log()
        self.assertTrue(log.startswith("AppDir: "), log[:200])
        self.assertTrue(log.endswith("Connection closed !\r\nClosing BASS...\r\nClosing WSA socket runtime\r\n*END*\r\n"),
                        log[-300:])
        self.assertIn("Login successful\r\n", log)
        self.assertTrue(os.path.exists(os.path.join(self.userdir, "config.ini")))

    def test_sounds_play_load_answer_and_reach_the_output(self):
        server = Server(self.folder, {"steps": [
            {"send": "sndl menubounds nosuch"},
            {"send": "play-1 connected 0.5"},
            {"send": "soundstate 7 menubounds"},
            {"expect": ["inbx 7", "1"]},
            {"send": "soundstate 0x8 nosuch"},
            {"expect": ["inbx 8", "0"]},
            # A name that leaves the sounds folder is never looked up.
            {"send": "soundstate 9 ../sounds/menubounds"},
            {"expect": ["inbx 9", "0"]},
            {"send": "play0 menubounds 0"},
            {"send": "ping"},
            {"expect": "pong"},
            {"send": "quit"},
        ]})
        result, peak = self.run_with_audio_out(server)
        audio = [line for line in result.stdout.splitlines() if line.startswith("audio:")]
        for line in ("audio: device 1 Default", "audio: load menubounds -> ", "audio: load nosuch -> 0",
                     "audio: play -1 connected 0.5 -> ", "audio: state menubounds 1", "audio: state nosuch 0",
                     "audio: state ../sounds/menubounds 0", "audio: play 0 menubounds 0 -> 0"):
            self.assertTrue(any(a.startswith(line) for a in audio), (line, audio))
        self.assertFalse(any(a.startswith("audio: load menubounds -> 0") for a in audio), audio)
        self.assertEqual(server.received(), ["inbx 7" + DEL + "1", "inbx 8" + DEL + "0", "inbx 9" + DEL + "0", "pong"])
        # The audio layer's lines in the diagnostic log, in their order, and
        # its release between the connection's end and the network's.
        log = self.debug_log().split("\r\n")
        steps = ["Initializing bass...", "Loading bass plugins...", "Configuring bass...", "Listing bass devices...",
                 "Init bass device #1 [Default ]", "Bass initialized OK", "Connection closed !", "Closing BASS...",
                 "Closing WSA socket runtime"]
        at = -1
        for step in steps:
            self.assertIn(step, log[at + 1:], (step, log))
            at = log.index(step, at + 1)
        # The "connected" cue and the welcome reached the file.
        self.assertGreater(peak, 0.01)

    def test_radio_streams_play_over_https_with_the_players_own_authority(self):
        # The radio host has a certificate authority of its own, which the
        # player trusts through the "cacerts.pem" of the user folder.
        radio_folder = os.path.join(self.folder, "radio")
        os.makedirs(radio_folder)
        radio = Server(radio_folder, extra=["--radio-port", "0", "--radio-tls-port", "0"])
        self.addCleanup(radio.stop)
        os.makedirs(self.userdir)
        shutil.copy(radio.ca, os.path.join(self.userdir, "cacerts.pem"))
        secure = "https://localhost:%s/radio.ogg" % radio.ports["radio-tls"]
        plain = "http://127.0.0.1:%s/radio.mp3" % radio.ports["radio"]
        missing = "http://127.0.0.1:%s/nosuch.ogg" % radio.ports["radio"]
        server = Server(self.folder, {"steps": [
            {"send": "play0 %s 0.5" % secure},
            {"send": "soundstate 3 %s" % secure},
            {"expect": ["inbx 3", "1"]},
            {"send": "play0 %s 0.5 speed 1.5" % plain},
            {"send": "play0 %s 0.5" % missing},
            {"send": "soundstate 4 %s" % missing},
            {"expect": ["inbx 4", "0"]},
            {"sleep": 1.5},
            {"send": "ping"},
            {"expect": "pong"},
            {"send": "quit"},
        ]})
        result, peak = self.run_with_audio_out(server)
        audio = [line for line in result.stdout.splitlines() if line.startswith("audio:")]
        played = {line.split(" -> ")[0]: line.split(" -> ")[1] for line in audio if line.startswith("audio: play ")}
        self.assertNotEqual(played.get("audio: play 0 %s 0.5" % secure, "0"), "0", audio)
        self.assertNotEqual(played.get("audio: play 0 %s 0.5 speed 1.5" % plain, "0"), "0", audio)
        self.assertEqual(played.get("audio: play 0 %s 0.5" % missing), "0", audio)
        self.assertEqual(server.received(), ["inbx 3" + DEL + "1", "inbx 4" + DEL + "0", "pong"])
        self.assertGreater(peak, 0.05)

    def test_demo_lobby_menus_grid_and_boxes(self):
        server = Server(self.folder, extra=["--demo"])
        keys = ["sleep 1000",
                "key Down", "key Return", "answer green", "sleep 400",           # the question
                "key Down", "key Return", "answer opensesame", "sleep 400",      # the password
                "key Down", "key Return", "button 7", "sleep 400",               # yes or no: No
                "key Down", "key Return", "sleep 400",                           # the grid, on B2
                "key F1", "sleep 400",                                           # a key with the grid's context
                "key Right", "key Right", "key Return", "sleep 400",             # C2 (then the row's end)
                "key Escape", "sleep 400",                                       # abandoned
                "key Down", "key Return", "sleep 400", "key Return", "sleep 400",  # settings: louder
                "key Escape", "sleep 400",
                "key Down", "key Return", "sleep 400", "type Ir", "key Return", "sleep 400",  # a player
                "key End", "key Return"]
        try:
            result = self.run_client(server, "--login", "alice", "--password", "secret", keys=keys)
        finally:
            server.stop()
        self.assertEqual(result.returncode, 0, result.stderr)
        out = result.stdout.splitlines()
        print("\n".join(line for line in out if line.split(":")[0] in ("menu", "sent", "box", "sound")))
        grid = "menu: 2 (9 items, 3 columns, flags 0x9): A1 | B1 | C1 | A2 | B2 | C2 | A3 | B3 | C3"
        for line in (grid, "menu: current 5 C2", "sound: menubounds", "menu: current 0 Volume 60",
                     "box: password input 104 Password: Say the secret word (it is opensesame). []",
                     "box: Demo: Do you like this server?", "menu: current 18 Irdan",
                     "history: You answered: green", "history: You gave a password of 10 characters; it is right.",
                     "history: You said no.", "history: Game abandoned.", "history: You chose Irdan."):
            self.assertIn(line, out)
        self.assertIn("mkey 112" + DEL + "2" + DEL + "4" + DEL + "c4", server.received())
        self.assertIn("history: You are on B2. Choose a free square with the arrows and Enter; Escape gives up.", out)
        received = [text for text in server.received() if text.startswith(("msel", "inbx", "msgb"))]
        self.assertEqual(received, [
            "msel 1" + DEL + "1" + DEL + "question", "inbx 101" + DEL + "green",
            "msel 1" + DEL + "2" + DEL + "password", "inbx 104" + DEL + "opensesame",
            "msel 1" + DEL + "3" + DEL + "yesno", "msgb 102" + DEL + "7",
            "msel 1" + DEL + "4" + DEL + "grid", "msel 2" + DEL + "5" + DEL + "c5", "msel 2" + DEL + "-1" + DEL + "-1",
            "msel 1" + DEL + "5" + DEL + "settings", "msel 3" + DEL + "0" + DEL + "volume",
            "msel 3" + DEL + "-1" + DEL + "-1", "msel 1" + DEL + "6" + DEL + "players",
            "msel 4" + DEL + "18" + DEL + "p18", "msel 1" + DEL + "9" + DEL + "leave"])

    def test_history_review_line_and_report_from_the_keyboard(self):
        server = Server(self.folder, {"steps": [
            {"send": "say3 first"},
            {"send": "sai0 second"},
            {"send": "say1 \x0e\x12game\x0c over"},
            {"expect": "hlin second", "timeout": 30},
            {"expect": "HistoryReport second\r\n\x0e\x12game\x0c over\r\n", "timeout": 30},
            {"sleep": 1},
            {"send": "quit"},
        ]})
        keys = ["sleep 1500", "focus chat", "key PageDown", "key PageDown", "key ctrl+shift+space", "key alt+Right",
                "command 2033", "sleep 100", "command 2034", "bogus"]
        try:
            result = self.run_client(server, "--login", "alice", "--password", "secret", keys=keys)
        finally:
            server.stop()
        self.assertEqual(result.returncode, 0, result.stderr)
        out = result.stdout.splitlines()
        print("\n".join(line for line in out if line.split(":")[0] in ("spoken", "history", "beep", "focus")))
        for line in ("history: first", "history: second", "history: game over", "spoken: first", "spoken: second",
                     "focus: chat", "spoken: View 1", "beep: default", "input: not a command: bogus"):
            self.assertIn(line, out)
        # The review speaks the first, then the second message again; the
        # second report, within 30 seconds of the first, only beeps.
        spoken = [line for line in out if line.startswith("spoken: ")]
        self.assertEqual(spoken[-3:], ["spoken: first", "spoken: second", "spoken: View 1"])
        self.assertEqual(server.received()[:2], ["hlin second", "HistoryReport second\r\n\x0e\x12game\x0c over\r\n"])

    def test_board_game_moves_are_searched_and_answered(self):
        server = Server(self.folder, {"steps": [
            {"send": "cn4m 0 0 6 " + "0" * 42},
            {"expect": ["inbx 28", "0"], "timeout": 30},
            {"send": "rv1m 0 0 4 0 " + "0" * 27 + "21" + "0" * 6 + "12" + "0" * 27},
            {"expect": ["inbx 28", "18"], "timeout": 30},
            {"send": "cn4m 0 0 6 0000"},  # a board cut short: no search, no move
            {"expect": ["inbx 28", "-1"], "timeout": 30},
            {"send": "quit"},
        ]})
        try:
            result = self.run_client(server, "--login", "alice", "--password", "secret")
        finally:
            server.stop()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(server.received(), ["inbx 28" + DEL + "0", "inbx 28" + DEL + "18", "inbx 28" + DEL + "-1"])

    def test_secure_connection_with_a_private_authority(self):
        server = Server(self.folder, {"steps": [{"send": "say1 over TLS"}, {"send": "quit"}]})
        os.makedirs(self.userdir, exist_ok=True)
        with open(server.ca, encoding="utf-8") as src, open(os.path.join(self.userdir, "cacerts.pem"), "w") as dst:
            dst.write(src.read())
        try:
            result = self.run_client(server, "--login", "bob", "--password", "hunter2", secure=True)
        finally:
            server.stop()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("history: over TLS", result.stdout.splitlines())
        log = self.debug_log()
        self.assertIn("Additional CA certificates loaded from ", log)
        self.assertIn("tls_peer_cert_provided = 1\r\n", log)

    def test_untrusted_server_fails_with_the_report(self):
        server = Server(self.folder, None, ["--untrusted"])
        try:
            result = self.run_client(server, "--login", "bob", "--password", "hunter2", secure=True)
        finally:
            server.stop()
        self.assertEqual(result.returncode, 1)
        self.assertIn("59695", result.stderr)
        self.assertIn("after handshake TLS error = -1: ", self.debug_log())

    def test_refused_login_reports_the_reason(self):
        server = Server(self.folder)
        try:
            result = self.run_client(server, "--login", "alice", "--password", "nope")
        finally:
            server.stop()
        self.assertEqual(result.returncode, 1)
        self.assertIn("Wrong password", result.stderr)

    def test_bad_command_line(self):
        result = subprocess.run([HEADLESS, "--host", "h"], capture_output=True, text=True, timeout=30)
        self.assertEqual(result.returncode, 2)
        self.assertIn("usage:", result.stderr)


if __name__ == "__main__":
    unittest.main()
