"""Drives the real orvc.exe under Wine like a player at the keyboard.

Shared by the black-box tests and the start-up measurement. Needs an X
display (xvfb-run), xdotool and ImageMagick's `import`. The program runs in a
Wine prefix of its own beside the build's, so that its per-user folder is not
shared with the unit tests; each start gets a fresh per-user folder with the
configuration the caller writes.
"""
import glob
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
DEVSERVER = os.path.join(ROOT, "tools", "devserver", "devserver.py")
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")

DIALOG_TITLE = "Connect to a server"
START_TITLE = "Orvelle Client 2.2.8"


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (" ".join(map(str, args)), result.stderr.strip()))
    return result.stdout.strip()


def find_windows(title, visible_only=False):
    """X windows named exactly `title`."""
    pattern = "^" + "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in title) + "$"
    args = ["search"] + (["--onlyvisible"] if visible_only else []) + ["--name", pattern]
    out = xdotool(*args, check=False)
    return [w for w in out.split() if w]


def wait_for(condition, timeout, what, interval=0.05, fail=True):
    """The first true value of condition(); at the timeout, an AssertionError,
    or the last value when `fail` is false."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            break
        time.sleep(interval)
    if not value and fail:
        raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
    return value


class DevServer:
    """The development server on a free loopback port, recording to a file."""

    def __init__(self, folder, extra=()):
        self.record_path = os.path.join(folder, "record.jsonl")
        self.log_path = os.path.join(folder, "devserver.log")
        self.log = open(self.log_path, "ab")
        self.proc = subprocess.Popen(
            [sys.executable, DEVSERVER, "--port", "0", "--record", self.record_path] + list(extra),
            stdout=subprocess.PIPE, stderr=self.log, stdin=subprocess.DEVNULL, text=True)
        self.port = None
        for line in self.proc.stdout:
            words = line.split()
            if words[:2] == ["LISTENING", "plain"]:
                self.port = int(words[3])
            if words[:1] == ["READY"]:
                break
        self.proc.stdout.close()
        if not self.port:
            raise RuntimeError("the development server did not start; see " + self.log_path)

    def records(self, kind=None):
        try:
            with open(self.record_path, encoding="utf-8") as f:
                entries = [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []
        return [e for e in entries if kind is None or e["kind"] == kind]

    def received_texts(self):
        return [e.get("text") for e in self.records("frame") if e["dir"] == "in" and e.get("opcode") == 1]

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.log.close()


class WineClient:
    """orvc.exe in its own Wine prefix."""

    def __init__(self, exe):
        self.exe = os.path.abspath(exe)
        arch = self._wine_arch()
        build = os.path.dirname(os.path.dirname(self.exe))
        self.prefix = os.path.join(build, "wineprefix-blackbox-" + arch)
        self.env = dict(os.environ, ORVC_WINEPREFIX=self.prefix)
        subprocess.run([WINE_RUN, "--prepare", self.exe], env=self.env, check=True)
        roots = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming"))
        roots = [r for r in roots if os.sep + "Public" + os.sep not in r]
        if not roots:
            raise RuntimeError("no per-user application data folder in " + self.prefix)
        self.userdir = os.path.join(roots[0], "ORVC")
        self.procs = []
        self.errors_folder = temp_folder()
        self.errors_path = None
        self.starts = 0

    def _wine_arch(self):
        """Which Wine wine-run gives the program: "win32" or "win64"."""
        result = subprocess.run([WINE_RUN, "--print-arch", self.exe], capture_output=True, text=True, check=True)
        return result.stdout.split()[0]

    def reset_userdir(self, config_lines):
        """An empty per-user folder holding only config.ini with these lines."""
        shutil.rmtree(self.userdir, ignore_errors=True)
        os.makedirs(self.userdir)
        with open(os.path.join(self.userdir, "config.ini"), "w", encoding="utf-8", newline="\r\n") as f:
            f.write("\n".join(config_lines) + "\n")

    def user_file(self, name):
        path = os.path.join(self.userdir, name)
        if not os.path.exists(path):
            return None
        with open(path, encoding="utf-8", errors="replace", newline="") as f:
            return f.read()

    def start(self):
        """Starts the program; Wine's error messages go to wine_errors()."""
        self.starts += 1
        self.errors_path = os.path.join(self.errors_folder, "wine-errors-%d.txt" % self.starts)
        with open(self.errors_path, "wb") as errors:
            proc = subprocess.Popen([WINE_RUN, self.exe], env=dict(self.env, WINEDEBUG="-all,err+all"),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=errors)
        self.procs.append(proc)
        return proc

    def wine_errors(self, lines=10):
        """The last error lines of Wine from the latest start that has ended."""
        if not self.errors_path:
            return []
        try:
            with open(self.errors_path, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()[-lines:]
        except OSError:
            return []

    def stop_all(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        self.procs = []

    def shutdown_wine(self):
        """Ends the prefix's Wine server, which would otherwise outlive the X server."""
        self.stop_all()
        env = dict(self.env, WINEPREFIX=self.prefix)
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=env, capture_output=True)


def focus(window, timeout=10):
    """Gives `window` the keyboard focus.

    Wine creates a window's X window before it maps it; focusing it in between
    fails with BadMatch, so that failure is retried until the window shows.
    """
    deadline = time.monotonic() + timeout
    while True:
        try:
            xdotool("windowfocus", "--sync", window)
            return
        except RuntimeError as e:
            if "BadMatch" not in str(e) or time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def type_text(text):
    xdotool("type", "--delay", "20", text)


def press(*keys):
    for k in keys:
        xdotool("key", k)


def screenshot(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["import", "-window", "root", path], capture_output=True)
    return path


def local_server_config(port, login="", remember=True, confirm_exit=True):
    """config.ini that selects a user entry for the local development server."""
    return [
        "user.language=english",
        "user.confirmOnExit=%s" % ("true" if confirm_exit else "false"),
        "servers.default=4",
        "servers[4].name=Local development server",
        "servers[4].host=127.0.0.1",
        "servers[4].port=%d" % port,
        "servers[4].secure=false",
        "servers[4].http.host=localhost",
        "servers[4].login=%s" % login,
        "servers[4].rememberPassword=%s" % ("true" if remember else "false"),
    ]


def windows_path(path):
    """The Windows name of a file of this machine, as a Wine program sees it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_lines(path):
    """The lines of a UTF-8 file, none when it does not exist yet."""
    try:
        with open(path, encoding="utf-8", errors="replace", newline="") as f:
            return f.read().splitlines()
    except OSError:
        return []


def temp_folder():
    return tempfile.mkdtemp(prefix="orvc-blackbox-")
