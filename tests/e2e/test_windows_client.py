"""Black-box tests of orvc.exe under Wine and Xvfb against the development
server, typed with xdotool as a player would.

Environment: ORVC_EXE (the program), ORVC_ARTIFACTS (where screenshots go;
one is taken after login, and one of the screen whenever a test fails).
"""
import array
import json
import os
import shutil
import time
import unittest

import wineclient as wc

LOGIN_TITLE = "Orvelle Client - Local development server (alice)"


class WindowsClientTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = wc.temp_folder()
        cls.server = wc.DevServer(cls.folder)
        cls.client = wc.WineClient(os.environ["ORVC_EXE"])
        cls.artifacts = os.environ.get("ORVC_ARTIFACTS", cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.client.shutdown_wine()
        cls.server.stop()

    def setUp(self):
        self.client.reset_userdir(wc.local_server_config(self.server.port))

    def tearDown(self):
        if self._failed():
            path = wc.screenshot(os.path.join(self.artifacts, "failed-%s.png" % self._testMethodName))
            print("screenshot of the failure: " + path)
        self.client.stop_all()

    # Helpers ---------------------------------------------------------------

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        if outcome is None:
            return False
        errors = getattr(outcome, "errors", None)  # Python 3.10 and older
        if errors is not None:
            return any(exc for _, exc in errors)
        result = outcome.result
        return any(test is self for test, _ in result.failures + result.errors)

    def start_to_dialog(self, timeout=60):
        """Starts orvc.exe and waits for its connection dialog: (process, dialog).

        Now and then Wine's desktop process cannot open the X display when a
        fresh Wine server starts it ("The explorer process failed to start"):
        every program of that server then fails to create a window, and the
        log ends in "Couldn't create main window". A start that ends before
        showing its dialog is reported, and made once more with a new Wine
        server; a second such start fails the test.
        """
        for attempt in (1, 2):
            proc = self.client.start()
            found = wc.wait_for(lambda: wc.find_windows(wc.DIALOG_TITLE) or proc.poll() is not None,
                                timeout, "the connection dialog", fail=False)
            if isinstance(found, list):
                return proc, found[0]
            report = self.start_report(proc)
            if proc.poll() is None or attempt == 2:
                raise AssertionError("no connection dialog: %s" % report)
            print("orvc.exe ended before showing its dialog (%s); starting it once more "
                  "with a new Wine server" % report)
            self.client.shutdown_wine()

    def start_report(self, proc):
        """How far a start got, for whoever reads a failure."""
        return "exit status %s; debug.txt ends: %s; Wine's errors end: %s" % (
            proc.poll(), self.debug_log().splitlines()[-20:], self.client.wine_errors())

    def log_in_as_alice(self, dialog):
        """Types the login and the password into the dialog and confirms."""
        wc.focus(dialog)
        wc.type_text("alice")
        wc.press("Tab")
        wc.type_text("secret")
        wc.press("Return")

    def connections(self):
        return len(self.server.records("connect"))

    def wait_exit(self, proc, timeout=30):
        try:
            return proc.wait(timeout)
        except Exception:
            raise AssertionError("orvc.exe did not end within %d s" % timeout)

    def quit_with_confirmation(self, main):
        wc.focus(main)
        wc.press("alt+F4")
        box = wc.wait_for(lambda: wc.find_windows(wc.START_TITLE, visible_only=True), 30,
                          "the confirmation box")[0]
        wc.focus(box)
        wc.press("Return")  # Yes, the default button

    def debug_log(self):
        return self.client.user_file("debug.txt") or ""

    # Tests -----------------------------------------------------------------

    def test_login_chat_and_quit_with_confirmation(self):
        proc, dialog = self.start_to_dialog()
        wc.focus(dialog)
        # A three-letter login is refused: the dialog stays and nothing connects.
        before = self.connections()
        wc.type_text("abc")
        wc.press("Tab")
        wc.type_text("secret")
        wc.press("Return")
        time.sleep(1.5)
        self.assertTrue(wc.find_windows(wc.DIALOG_TITLE), "the dialog closed on a bad login")
        self.assertEqual(self.connections(), before)
        # The focus went back to the login; the at sign is refused as typed.
        wc.press("BackSpace", "BackSpace", "BackSpace")
        wc.type_text("al@ice")
        wc.press("Return")

        login = wc.wait_for(lambda: self.server.records("login"), 60, "the login at the server")
        self.assertEqual(login[-1]["login"], "alice")
        main = wc.wait_for(lambda: wc.find_windows(LOGIN_TITLE), 30, "the title after login")[0]
        self.assertEqual(wc.xdotool("getwindowname", main), LOGIN_TITLE)
        time.sleep(0.5)
        wc.screenshot(os.path.join(self.artifacts, "main-window-after-login.png"))

        wc.focus(main)
        wc.press("alt+c")
        wc.type_text("hello from Wine")
        wc.press("Return")
        wc.type_text("x")  # one character is neither sent nor cleared
        wc.press("Return")
        wc.wait_for(lambda: "chat hello from Wine" in self.server.received_texts(), 30, "the chat line")

        self.quit_with_confirmation(main)
        self.assertEqual(self.wait_exit(proc), 0)

        texts = self.server.received_texts()
        print("\nlogin at the server: %s; text frames received: %s" % (login[-1]["login"], texts))
        self.assertIn("quit", texts)
        self.assertNotIn("chat x", texts)
        log = self.debug_log()
        self.assertTrue(log.startswith("AppDir: "), log[:200])
        self.assertTrue(log.rstrip("\r\n").endswith("*END*"), log[-200:])
        for line in ("INitializing GUI...", "Entering connection dialog", "Login successful",
                     "Exiting app main loop", "Saving config...", "Closing WSA socket runtime"):
            self.assertIn(line + "\r\n", log)
        config = self.client.user_file("config.ini")
        self.assertIn("servers[4].login=alice", config)
        self.assertIn("servers.default=4", config)

    def test_second_start_brings_the_first_forward_and_exits(self):
        first, dialog = self.start_to_dialog()
        self.log_in_as_alice(dialog)
        main = wc.wait_for(lambda: wc.find_windows(LOGIN_TITLE), 60, "the title after login")[0]
        # The title changes when the dialog closes; the login comes after.
        wc.wait_for(lambda: "Login successful\r\n" in self.debug_log(), 60, "the login in the log")
        log_before = self.debug_log()
        connections = self.connections()

        # The second start finds the first through its window, asks it to come
        # forward and ends at once: no log of its own, no connection.
        second = self.client.start()
        self.assertEqual(self.wait_exit(second, 60), 0)
        self.assertIsNone(first.poll())
        self.assertEqual(self.debug_log(), log_before)
        self.assertEqual(self.connections(), connections)
        self.assertEqual(wc.find_windows(LOGIN_TITLE), [main])

        self.quit_with_confirmation(main)
        self.assertEqual(self.wait_exit(first), 0)

    def test_cancelling_the_dialog_ends_without_connecting(self):
        before = self.connections()
        proc, dialog = self.start_to_dialog()
        wc.focus(dialog)
        wc.press("Escape")
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(self.connections(), before)
        log = self.debug_log()
        self.assertTrue(log.startswith("AppDir: "), log[:200])
        self.assertIn("Connection dialog Ok\r\nExiting connection dialog\r\n", log)
        self.assertTrue(log.rstrip("\r\n").endswith("*END*"), log[-200:])

    def run_welcome_into(self, variables, seconds=1.2):
        """Starts with these variables, leaves the connection dialog open for
        a while (the welcome plays), cancels it and returns the debug log."""
        saved = self.client.env
        self.client.env = dict(saved, **variables)
        try:
            proc, dialog = self.start_to_dialog()
            time.sleep(seconds)
            wc.focus(dialog)
            wc.press("Escape")
            self.assertEqual(self.wait_exit(proc), 0)
        finally:
            self.client.env = saved
        return self.debug_log()

    @staticmethod
    def levels(samples, rate=44100, step=0.1):
        """The peak of interleaved stereo float samples in each step."""
        frames = int(rate * step) * 2
        return [max((abs(x) for x in samples[i:i + frames]), default=0.0) for i in range(0, len(samples), frames)]

    def test_welcome_plays_through_the_file_output_and_through_sdl(self):
        folder = wc.temp_folder()
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        wav = os.path.join(folder, "mix.wav")
        log = self.run_welcome_into({"ORVC_AUDIO_OUT": wc.windows_path(wav)})
        at = -1
        for step in ("Initializing bass...", "Bass initialized OK", "INitializing GUI...", "Entering connection dialog",
                     "Exiting connection dialog", "Closing BASS...", "Closing WSA socket runtime"):
            self.assertIn(step + "\r\n", log[at + 1:], log)
            at = log.index(step + "\r\n", at + 1)
        with open(wav, "rb") as f:
            data = f.read()
        self.assertEqual(data[:4], b"RIFF")
        samples = array.array("f", data[44:])
        levels = self.levels(samples)
        print("\nwelcome through ORVC_AUDIO_OUT, peak per 100 ms: %s" % " ".join("%.3f" % x for x in levels))
        # "welcome" plays at 0.11 of its own level (its loudest is about 0.71).
        self.assertGreater(max(levels), 0.03)
        self.assertLess(max(levels), 0.12)

        raw = os.path.join(folder, "sdl.raw")
        self.run_welcome_into({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": wc.windows_path(raw)})
        with open(raw, "rb") as f:
            samples = array.array("f", f.read())
        levels = self.levels(samples)
        print("welcome through SDL's disk driver, peak per 100 ms: %s" % " ".join("%.3f" % x for x in levels))
        self.assertGreater(max(levels), 0.03)
        self.assertLess(max(levels), 0.12)

    def test_server_commands_reach_the_window(self):
        # "clng", "focuschat" and "lcmd 2031" (quit) from a scripted server.
        script = {"steps": [
            {"sleep": 1},
            {"send": "clng french"},
            {"send": "focuschat 3 bonjour tout le monde"},
            {"expect": "chat bonjour tout le monde", "timeout": 60},
            {"send": "lcmd 2031"},
            {"expect": "quit", "timeout": 30},
        ]}
        path = os.path.join(self.folder, "window-commands.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(script, f)
        scripted = wc.DevServer(wc.temp_folder(), ["--script", path])
        try:
            self.client.reset_userdir(wc.local_server_config(scripted.port))
            proc, dialog = self.start_to_dialog()
            self.log_in_as_alice(dialog)
            french = "Client Orvelle - Local development server (alice)"
            main = wc.wait_for(lambda: wc.find_windows(french), 60, "the French title")[0]
            # The chat line holds the server's text, selected and focused:
            # Enter sends it as it stands.
            time.sleep(1)
            wc.focus(main)
            wc.press("Return")
            self.assertEqual(self.wait_exit(proc), 0)
            self.assertIn("quit", scripted.received_texts())
            done = [e for e in scripted.records("script_done")]
            self.assertTrue(done and done[-1]["ok"], done)
            self.assertIn("user.language=french", self.client.user_file("config.ini"))
            self.assertTrue(self.debug_log().rstrip("\r\n").endswith("*END*"))
        finally:
            scripted.stop()

    def test_history_is_spoken_reviewed_and_saved(self):
        coloured = "\x0e\x12red text\x0c\x11 bold\x0c\x0e\x16 green"
        script = {"steps": [
            {"sleep": 1},
            {"send": "say3 Hello from the history"},
            {"send": "sai0 Important news"},
            {"send": "say2 " + coloured},
            {"send": "say1 A game line"},
        ], "then": "idle"}
        path = os.path.join(self.folder, "history.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(script, f)
        scripted = wc.DevServer(wc.temp_folder(), ["--script", path])
        speech_log = os.path.join(wc.temp_folder(), "speech.log")
        saved = os.path.join(wc.temp_folder(), "saved history.txt")
        self.client.env["ORVC_SPEECH_LOG"] = wc.windows_path(speech_log)
        try:
            self.client.reset_userdir(wc.local_server_config(scripted.port, confirm_exit=False))
            proc, dialog = self.start_to_dialog()
            self.log_in_as_alice(dialog)
            main = wc.wait_for(lambda: wc.find_windows(LOGIN_TITLE), 60, "the title after login")[0]

            def spoken(line):
                return wc.wait_for(lambda: line in wc.read_lines(speech_log), 30, "speech of %r" % line)

            # Channels 3 and 0 speak whether the window is active or not; "sai"
            # interrupts.
            spoken("say 0 Hello from the history")
            spoken("say 1 Important news")
            time.sleep(1)
            wc.screenshot(os.path.join(self.artifacts, "coloured-history.png"))

            # Review from the chat line, view change, mute.
            wc.focus(main)
            wc.press("alt+c")
            wc.press("Next")
            spoken("say 1 Hello from the history")
            wc.press("ctrl+Next")
            spoken("say 1 A game line")
            wc.press("alt+Right")
            spoken("say 1 View 1")
            wc.press("ctrl+F5")
            spoken("say 1 Disabled")

            # F12 saves the whole history through the save dialog.
            # The dialog opens with the keyboard in its file name field.
            wc.press("F12")
            time.sleep(2)
            wc.type_text(wc.windows_path(saved))
            wc.press("Return")
            lines = wc.wait_for(lambda: wc.read_lines(saved), 30, "the saved history")
            print("\nspoken: %s\nsaved history: %s" % (wc.read_lines(speech_log), lines))
            self.assertEqual(lines, ["", "Hello from the history", "Important news", "red text bold green",
                                     "A game line"])

            wc.focus(main)
            wc.press("alt+F4")
            self.assertEqual(self.wait_exit(proc), 0)
        finally:
            self.client.env.pop("ORVC_SPEECH_LOG", None)
            scripted.stop()

    def log_in_to(self, lobby):
        """Starts the client on the lobby's entry, logs in as alice and gives the process and the
        main window once the lobby has had time to send its menu."""
        self.client.reset_userdir(wc.local_server_config(lobby.port, confirm_exit=False))
        proc, dialog = self.start_to_dialog()
        self.log_in_as_alice(dialog)
        main = wc.wait_for(lambda: wc.find_windows(LOGIN_TITLE), 60, "the title after login")[0]
        time.sleep(1.5)
        return proc, main

    def test_menus_and_boxes_of_the_demo_lobby_from_the_keyboard(self):
        lobby = wc.DevServer(wc.temp_folder(), ["--demo"])
        DEL = "\x7f"
        try:
            proc, main = self.log_in_to(lobby)

            def sent(text, what):
                return wc.wait_for(lambda: text in lobby.received_texts(), 30, what)

            wc.focus(main)
            wc.press("alt+l")
            # The question: typed over its default text and confirmed.
            wc.press("Down", "Return")
            sent("msel 1" + DEL + "1" + DEL + "question", "the choice of the question")
            box = wc.wait_for(lambda: wc.find_windows("Question", visible_only=True), 30, "the input box")[0]
            wc.focus(box)
            wc.type_text("red")
            wc.press("Return")
            sent("inbx 101" + DEL + "red", "the answer")
            # The Yes/No box answered No with its key.
            wc.focus(main)
            wc.press("Down", "Down", "Return")
            box = wc.wait_for(lambda: wc.find_windows("Demo", visible_only=True), 30, "the message box")[0]
            wc.focus(box)
            wc.press("n")
            sent("msgb 102" + DEL + "7", "the button")
            # The grid: drawn in colour, Right then Enter, then Escape.
            wc.focus(main)
            wc.press("Down", "Return")
            sent("msel 1" + DEL + "4" + DEL + "grid", "the grid's choice")
            time.sleep(1.5)
            wc.screenshot(os.path.join(self.artifacts, "menu-grid.png"))
            wc.press("F1")  # the grid asks for its keys with its context
            sent("mkey 112" + DEL + "2" + DEL + "4" + DEL + "c4", "the key in the grid")
            wc.press("Right", "Return")
            sent("msel 2" + DEL + "5" + DEL + "c5", "a square")
            time.sleep(1)
            wc.press("Escape")
            sent("msel 2" + DEL + "-1" + DEL + "-1", "the grid cancelled")
            # The players: type-ahead in 200 names.
            time.sleep(1)
            wc.press("Down", "Down", "Return")
            sent("msel 1" + DEL + "6" + DEL + "players", "the players' list")
            time.sleep(1.5)
            wc.type_text("ir")
            wc.press("Return")
            sent("msel 4" + DEL + "18" + DEL + "p18", "the player found by typing")
            print("\nthe server received: %s" % [t for t in lobby.received_texts()
                                                   if t.split(" ")[0] in ("msel", "mkey", "inbx", "msgb", "key")])
            wc.screenshot(os.path.join(self.artifacts, "menus-done.png"))
            wc.focus(main)
            wc.press("alt+F4")
            self.assertEqual(self.wait_exit(proc), 0)
        finally:
            lobby.stop()

    def test_pictures_beside_menu_entries(self):
        lobby = wc.DevServer(wc.temp_folder(), ["--demo"])
        DEL = "\x7f"
        try:
            proc, main = self.log_in_to(lobby)
            wc.focus(main)
            wc.press("alt+l")
            # The entry before the last one opens the grid of pictures.
            wc.press("End", "Up", "Return")
            wc.wait_for(lambda: "msel 1" + DEL + "8" + DEL + "pictures" in lobby.received_texts(), 30,
                        "the choice of the pictures")
            time.sleep(1.5)
            wc.screenshot(os.path.join(self.artifacts, "menu-pictures.png"))
            wc.press("Right", "Return")
            wc.wait_for(lambda: "msel 5" + DEL + "1" + DEL + "p1" in lobby.received_texts(), 30, "a picture chosen")
            wc.press("alt+F4")
            self.assertEqual(self.wait_exit(proc), 0)
        finally:
            lobby.stop()


if __name__ == "__main__":
    unittest.main()
