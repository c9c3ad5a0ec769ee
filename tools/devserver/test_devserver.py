"""Tests of the development server, run as a subprocess and spoken to through raw sockets.

Run from the repository root with:  python3 -m unittest discover -s tools/devserver
"""

from __future__ import annotations

import base64
import ftplib
import http.client
import json
import os
import queue
import random
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
DEVSERVER = os.path.join(HERE, "devserver.py")
DEL = b"\x7f"
START_TIMEOUT = 20.0
IO_TIMEOUT = 5.0

CERTDIR = None


def setUpModule():
    global CERTDIR
    CERTDIR = tempfile.mkdtemp(prefix="devserver-test-certs-")


def tearDownModule():
    shutil.rmtree(CERTDIR, ignore_errors=True)


# -- a tiny client that speaks like the game client, written independently of the server ---------

def base36(number: int) -> bytes:
    digits = "0123456789abcdefghijklmnopqrstuvwxyz"
    text = ""
    while True:
        number, rest = divmod(number, 36)
        text = digits[rest] + text
        if number == 0:
            return text.encode("ascii")


def encode_login(payload: bytes) -> str:
    """Base64 with "-" and "_" for the last two digits and "." as padding."""
    return base64.b64encode(payload).decode("ascii").translate(str.maketrans("+/=", "-_."))


def login_payload(login: str, password: str, language: str = "fr", machine: int = 0x0000_1234_5678_9ABC,
                  os_major: int = 10, os_minor: int = 0, reader: int = (9 << 32) | 0x07010003,
                  volume: int = 0xDEADBEEF, user: bytes = b"tester", bitness: str = "64") -> bytes:
    version = base36(131592)
    fields = [login.encode("utf-8"), password.encode("utf-8"), language.encode("utf-8"), version,
              base36(machine), version, base36(0x10000 | (os_major << 8) | os_minor), base36(reader),
              base36(volume), user, bitness.encode("ascii")]
    return DEL.join(fields)


def client_frame(payload: bytes, byte0: int = 0x81) -> bytes:
    """A frame as the client writes it: unmasked, the smallest length form."""
    n = len(payload)
    if n <= 125:
        header = bytes([byte0, n])
    elif n <= 0xFFFF:
        header = bytes([byte0, 126]) + n.to_bytes(2, "big")
    else:
        header = bytes([byte0, 127]) + n.to_bytes(8, "big")
    return header + payload


class RawClient:
    def __init__(self, port: int, context: ssl.SSLContext | None = None, server_hostname: str = "localhost"):
        sock = socket.create_connection(("127.0.0.1", port), timeout=IO_TIMEOUT)
        if context is not None:
            sock = context.wrap_socket(sock, server_hostname=server_hostname)
        self.sock = sock
        self.buffer = b""

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass

    def send(self, data: bytes):
        self.sock.sendall(data)

    def send_upgrade(self, query: str):
        self.send(("GET /play?%s HTTP/1.1\r\nConnection:upgrade\r\nUpgrade:websocket\r\n"
                   "Sec-WebSocket-Version:13\r\n\r\n" % query).encode("ascii"))

    def send_text(self, text: str):
        self.send(client_frame(text.encode("utf-8")))

    def _fill(self) -> bool:
        chunk = self.sock.recv(65536)
        if not chunk:
            return False
        self.buffer += chunk
        return True

    def read_exact(self, count: int) -> bytes:
        while len(self.buffer) < count:
            if not self._fill():
                raise EOFError("connection ended after %d of %d bytes" % (len(self.buffer), count))
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def read_head(self) -> bytes:
        """The upgrade response up to and including its empty line."""
        while True:
            for end in (b"\r\n\r\n", b"\n\n"):
                at = self.buffer.find(end)
                if at >= 0:
                    head, self.buffer = self.buffer[:at + len(end)], self.buffer[at + len(end):]
                    return head
            if not self._fill():
                raise EOFError("connection ended inside the upgrade response")

    def read_frame(self) -> tuple[int, bytes]:
        """(byte 0, payload), reading the length as the game client does."""
        byte0, byte1 = self.read_exact(2)
        if byte1 & 0x80:
            raise AssertionError("server frame with the mask bit")
        length = byte1
        if byte1 == 126:
            length = int.from_bytes(self.read_exact(2), "big")
        elif byte1 == 127:
            length = int.from_bytes(self.read_exact(8)[4:], "big")
        return byte0, self.read_exact(length)

    def read_text(self) -> str:
        byte0, payload = self.read_frame()
        if byte0 != 0x81:
            raise AssertionError("expected a text frame, got byte 0x%02x" % byte0)
        return payload.decode("utf-8")

    def at_eof(self, timeout: float = IO_TIMEOUT) -> bool:
        self.sock.settimeout(timeout)
        try:
            return not self.buffer and not self._fill()
        except (ConnectionResetError, ssl.SSLError):
            return True
        finally:
            self.sock.settimeout(IO_TIMEOUT)

    def login(self, login: str, password: str) -> str:
        self.send_upgrade(encode_login(login_payload(login, password)))
        head = self.read_head()
        if not head.startswith(b"HTTP/1.1 101"):
            raise AssertionError("upgrade refused: %r" % head)
        return self.read_text()


# -- the server as a subprocess -----------------------------------------------------------------

class ServerProcess:
    def __init__(self, *args: str, record: bool = True):
        self.folder = tempfile.mkdtemp(prefix="devserver-test-")
        self.record_path = os.path.join(self.folder, "record.jsonl")
        self.log_path = os.path.join(self.folder, "server.log")
        command = [sys.executable, DEVSERVER, "--certdir", CERTDIR, "--verbose"]
        if record:
            command += ["--record", self.record_path]
        command += list(args)
        self.log_file = open(self.log_path, "w")
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=self.log_file, text=True)
        self.ports: dict[str, int] = {}
        self.lines: list[str] = []
        # The start-up lines are read on a thread, so that waiting for them can time out.
        lines: queue.Queue = queue.Queue()
        self.stdout_thread = threading.Thread(
            target=lambda: [lines.put(line) for line in self.process.stdout] + [lines.put(None)], daemon=True)
        self.stdout_thread.start()
        deadline = time.monotonic() + START_TIMEOUT
        while True:
            try:
                line = lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                line = ""
            if not line:
                log = self.log()
                self.stop()
                raise AssertionError("server did not start: %s" % log)
            line = line.strip()
            self.lines.append(line)
            words = line.split()
            if words[0] == "LISTENING":
                self.ports[words[1]] = int(words[3])
            elif words[0] == "CA":
                self.ca = words[1]
            elif words[0] == "UNTRUSTED_CA":
                self.untrusted_ca = words[1]
            elif words[0] == "READY":
                break

    def log(self) -> str:
        self.log_file.flush()
        with open(self.log_path) as handle:
            return handle.read()

    def alive(self) -> bool:
        return self.process.poll() is None

    def stop(self) -> str:
        """Stops the server; returns its log."""
        if self.log_file.closed:
            return ""
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.stdout_thread.join(5)
        self.process.stdout.close()
        self.log_file.close()
        with open(self.log_path, encoding="utf-8", errors="replace") as handle:
            log = handle.read()
        shutil.rmtree(self.folder, ignore_errors=True)
        return log

    def records(self, kind: str | None = None) -> list[dict]:
        if not os.path.exists(self.record_path):
            return []
        with open(self.record_path, encoding="utf-8") as handle:
            entries = [json.loads(line) for line in handle if line.endswith("\n")]
        return [entry for entry in entries if kind is None or entry["kind"] == kind]

    def wait_record(self, predicate, timeout: float = IO_TIMEOUT) -> dict:
        deadline = time.monotonic() + timeout
        while True:
            for entry in self.records():
                if predicate(entry):
                    return entry
            if time.monotonic() > deadline:
                raise AssertionError("no such record entry; record holds %s" % self.records())
            time.sleep(0.02)


class ServerTestCase(unittest.TestCase):
    def start(self, *args: str, script=None, **kwargs) -> ServerProcess:
        if script is not None:
            handle, path = tempfile.mkstemp(suffix=".json")
            with os.fdopen(handle, "w", encoding="utf-8") as out:
                json.dump(script, out)
            self.addCleanup(os.remove, path)
            args = args + ("--script", path)
        server = ServerProcess(*args, **kwargs)
        self.addCleanup(self.stop_cleanly, server)
        return server

    def stop_cleanly(self, server: ServerProcess):
        log = server.stop()
        self.assertNotIn("Traceback", log)
        self.assertNotIn(" ERROR ", log)

    def connect(self, port: int, **kwargs) -> RawClient:
        client = RawClient(port, **kwargs)
        self.addCleanup(client.close)
        return client


# -- login -------------------------------------------------------------------------------------

class LoginTest(ServerTestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ServerProcess()

    @classmethod
    def tearDownClass(cls):
        log = cls.server.stop()
        if "Traceback" in log or " ERROR " in log:
            raise AssertionError("the server logged a failure:\n" + log)

    def port(self) -> int:
        return self.server.ports["plain"]

    def test_login_ok_and_record(self):
        client = self.connect(self.port())
        client.send_upgrade(encode_login(login_payload("alice", "secret")))
        head = client.read_head()
        self.assertTrue(head.startswith(b"HTTP/1.1 101 "), head)
        self.assertEqual(client.read_frame(), (0x81, b"ok"))
        entry = self.server.wait_record(lambda e: e["kind"] == "login" and e.get("login") == "alice")
        self.assertTrue(entry["ok"])
        self.assertEqual(entry["answer"], "ok")
        self.assertEqual(entry["field_count"], 11)
        self.assertEqual(entry["password"], "secret")
        self.assertEqual(entry["language"], "fr")
        self.assertEqual(entry["client_version"], 131592)
        self.assertEqual(entry["client_version_text"], "2.2.8")
        self.assertEqual((entry["os_major"], entry["os_minor"]), (10, 0))
        self.assertEqual(entry["machine_id"], 0x123456789ABC)
        self.assertEqual(entry["mac_address"], "bc-9a-78-56-34-12")
        self.assertEqual(entry["screen_reader_version"], "7.1.3")
        self.assertEqual(entry["speech_engine"], 7)
        self.assertEqual(entry["volume_serial"], 0xDEADBEEF)
        self.assertEqual(entry["user_name"], "tester")
        self.assertEqual(entry["bitness"], "64")
        self.assertEqual(entry["remarks"], [])
        upgrade = self.server.wait_record(lambda e: e["kind"] == "upgrade" and e["conn"] == entry["conn"])
        self.assertEqual(upgrade["header_lines"], ["Connection:upgrade", "Upgrade:websocket",
                                                   "Sec-WebSocket-Version:13"])
        self.assertEqual(upgrade["line_endings"], "crlf")
        self.assertTrue(upgrade["request_line"].startswith("GET /play?"))

    def test_wrong_password_fails_and_closes(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("alice", "nope"), "fail Wrong password")
        self.assertTrue(client.at_eof())

    def test_unknown_account(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("mallory", "secret"), "fail Unknown account")

    def test_utf8_password_with_colon(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("carol", "pa:ss wörd"), "ok")

    def test_malformed_login_query(self):
        for query in ("abc", "YW*j", "YQ..YWJj", encode_login(b"alice")):
            client = self.connect(self.port())
            client.send_upgrade(query)
            self.assertTrue(client.read_head().startswith(b"HTTP/1.1 101"))
            self.assertEqual(client.read_text(), "fail Malformed login data", query)

    def test_text_ping_is_answered(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("bob", "hunter2"), "ok")
        client.send_text("ping")
        self.assertEqual(client.read_frame(), (0x81, b"pong"))

    def test_client_frames_recorded_exactly(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("bob", "hunter2"), "ok")
        texts = ["x" * 125, "y" * 126, "z" * 70000, "chat h\u00e9llo"]
        for text in texts:
            client.send_text(text)
        masked_key = bytes([1, 2, 3, 4])
        client.send(bytes([0x81, 0x83]) + masked_key + bytes(b ^ k for b, k in zip(b"abc", masked_key)))
        client.send(client_frame(b"\x00\xff", 0x82))
        client.send_text("end")
        last = self.server.wait_record(lambda e: e["kind"] == "frame" and e["dir"] == "in" and e.get("text") == "end")
        frames = [e for e in self.server.records("frame") if e["dir"] == "in" and e["conn"] == last["conn"]]
        self.assertEqual([f.get("text") for f in frames[:4]], texts)
        self.assertEqual([f["header_hex"] for f in frames[:3]],
                         ["817d", "817e007e", "817f0000000000011170"])
        self.assertEqual([f["length_form"] for f in frames[:3]], [7, 16, 64])
        self.assertTrue(all(not f["masked"] for f in frames[:4]))
        self.assertEqual((frames[4]["masked"], frames[4]["text"], frames[4]["mask_key_hex"]), (True, "abc", "01020304"))
        self.assertEqual((frames[5]["opcode"], frames[5]["hex"]), (2, "00ff"))
        self.assertEqual([e for e in self.server.records("error") if e["conn"] == last["conn"]], [])

    def test_client_ping_and_close_are_answered(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("bob", "hunter2"), "ok")
        client.send(bytes([0x89, 0x01]) + b"x")
        self.assertEqual(client.read_exact(3), bytes([0x8A, 0x01]) + b"x")
        client.send(bytes([0x88, 0x02, 0x03, 0xE8]))
        self.assertEqual(client.read_exact(4), bytes([0x88, 0x02, 0x03, 0xE8]))
        self.assertTrue(client.at_eof())

    def test_interleaved_frames_are_detected(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("bob", "hunter2"), "ok")
        first, second = b"chat first message", b"chat second message"
        # Two writers that do not share a lock: header, header, payload, payload.
        client.send(bytes([0x81, len(first)]))
        client.send(bytes([0x81, len(second)]))
        client.send(first)
        client.send(second)
        error = self.server.wait_record(lambda e: e["kind"] == "error" and e.get("what") == "bad frame")
        self.assertIn("reserved bits", error["detail"])
        self.assertTrue(client.at_eof())
        disconnect = self.server.wait_record(lambda e: e["kind"] == "disconnect" and e["conn"] == error["conn"])
        self.assertIn("bad frame", disconnect["reason"])

    def test_concurrent_writers_with_a_lock_do_not_interleave(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("alice", "secret"), "ok")
        lock = threading.Lock()
        count = 150

        def writer(name):
            for index in range(count):
                payload = ("chat %s-%03d " % (name, index)).encode() + b"." * (index % 200)
                frame = client_frame(payload)
                with lock:  # header and payload as two writes under one lock, as the client does
                    client.send(frame[:-len(payload)])
                    client.send(frame[-len(payload):])

        threads = [threading.Thread(target=writer, args=(name,)) for name in ("a", "b")]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        client.send_text("done")
        last = self.server.wait_record(lambda e: e["kind"] == "frame" and e.get("text") == "done")
        texts = [e["text"] for e in self.server.records("frame")
                 if e["dir"] == "in" and e["conn"] == last["conn"] and e.get("text", "").startswith("chat ")]
        for name in ("a", "b"):
            mine = [t.split()[1] for t in texts if t.startswith("chat %s-" % name)]
            self.assertEqual(mine, ["%s-%03d" % (name, i) for i in range(count)])
        self.assertEqual([e for e in self.server.records("error") if e["conn"] == last["conn"]], [])

    def test_oversized_client_frame_closes_only_that_connection(self):
        client = self.connect(self.port())
        self.assertEqual(client.login("alice", "secret"), "ok")
        client.send(bytes([0x81, 0x7F]) + (2 ** 31).to_bytes(8, "big") + b"abc")
        error = self.server.wait_record(lambda e: e["kind"] == "error" and "over the limit" in e.get("detail", ""))
        self.assertTrue(client.at_eof())
        self.assertEqual(self.connect(self.port()).login("alice", "secret"), "ok")
        self.assertGreater(error["conn"], 0)

    def test_bad_requests_and_garbage_never_crash_the_server(self):
        client = self.connect(self.port())
        client.send(b"HELLO\r\n\r\n")
        self.assertTrue(client.read_head().startswith(b"HTTP/1.1 400"))
        client = self.connect(self.port())
        client.send(b"GET /other HTTP/1.1\r\n\r\n")
        self.assertTrue(client.read_head().startswith(b"HTTP/1.1 404"))
        rng = random.Random(7)
        for round_number in range(20):
            client = RawClient(self.port())
            try:
                if round_number % 2:
                    self.assertEqual(client.login("alice", "secret"), "ok")
                client.send(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 300))))
            finally:
                client.close()
        self.assertTrue(self.server.alive())
        self.assertEqual(self.connect(self.port()).login("bob", "hunter2"), "ok")


class AccountsFileTest(ServerTestCase):
    def test_accounts_file_replaces_the_built_in_accounts(self):
        handle, path = tempfile.mkstemp(suffix=".txt")
        with os.fdopen(handle, "w", encoding="utf-8") as out:
            out.write("# test accounts\n\ndave:p@ss:w\u00f6rd\nerin:\n")
        self.addCleanup(os.remove, path)
        server = self.start("--accounts", path)
        port = server.ports["plain"]
        self.assertEqual(self.connect(port).login("dave", "p@ss:w\u00f6rd"), "ok")
        self.assertEqual(self.connect(port).login("erin", ""), "ok")
        self.assertEqual(self.connect(port).login("alice", "secret"), "fail Unknown account")


# -- TLS ---------------------------------------------------------------------------------------

class TLSTest(ServerTestCase):
    def test_tls_login_with_the_test_ca(self):
        server = self.start("--tls-port", "0", "--no-plain")
        self.assertNotIn("plain", server.ports)
        context = ssl.create_default_context(cafile=server.ca)
        client = self.connect(server.ports["tls"], context=context, server_hostname="localhost")
        self.assertEqual(client.login("alice", "secret"), "ok")
        client.send_text("ping")
        self.assertEqual(client.read_text(), "pong")
        client = self.connect(server.ports["tls"], context=context, server_hostname="127.0.0.1")
        self.assertEqual(client.login("bob", "wrong"), "fail Wrong password")
        entry = server.wait_record(lambda e: e["kind"] == "connect" and e["transport"] == "tls")
        self.assertTrue(entry["peer"].startswith("127.0.0.1:"))

    def test_untrusted_chain_fails_verification(self):
        server = self.start("--tls-port", "0", "--untrusted")
        trusted = ssl.create_default_context(cafile=server.ca)
        with self.assertRaises(ssl.SSLCertVerificationError):
            RawClient(server.ports["tls"], context=trusted)
        refused = server.wait_record(lambda e: e["kind"] == "tls_error")
        self.assertIn("unknown ca", refused["detail"].lower())
        plain = self.connect(server.ports["tls"])
        plain.send_upgrade("YQ..")
        self.assertTrue(plain.at_eof())
        server.wait_record(lambda e: e["kind"] == "tls_error" and e is not refused and e["peer"] != refused["peer"])
        other = ssl.create_default_context(cafile=server.untrusted_ca)
        client = self.connect(server.ports["tls"], context=other)
        self.assertEqual(client.login("alice", "secret"), "ok")
        self.assertEqual(self.connect(server.ports["plain"]).login("alice", "secret"), "ok")


# -- scripted mode -----------------------------------------------------------------------------

class ScriptTest(ServerTestCase):
    def test_raw_frames_arrive_byte_exact(self):
        script = {"steps": [
            {"send": "say3 hello"},
            {"send": "a" * 126},
            {"send": "b" * 70000},
            {"send": ["menu 1", "1", "1", "0", "0", "", "Play", "play", "null", "null"]},
            {"send_frame": {"opcode": "ping", "payload": "x"}},
            {"expect_frame": {"opcode": "pong", "payload": "x", "header_hex": "8a01"}},
            {"send_frame": {"opcode": "binary", "payload_hex": "00ff10"}},
            {"send_frame": {"opcode": "text", "fin": False, "payload": "hel"}},
            {"send_frame": {"opcode": "continuation", "payload": "lo"}},
            {"send_frame": {"opcode": 1, "payload": "abc", "masked": True, "mask_key_hex": "01020304"}},
            {"send_frame": {"opcode": 1, "payload": "hi", "length_form": 16}},
            {"send_frame": {"opcode": 1, "payload": "hi", "rsv": 4}},
            {"expect": "chat ready"},
            {"expect_regex": "^msel 1\u007f0\u007f"},
            {"send_raw_hex": "de ad be ef"},
            {"send_frame": {"opcode": "close", "payload_hex": "03e8"}},
            {"expect_frame": {"opcode": "close", "header_hex": "8802", "payload_hex": "03e8"}},
            {"expect_close": 2},
        ]}
        server = self.start(script=script)
        client = self.connect(server.ports["plain"])
        self.assertEqual(client.login("alice", "secret"), "ok")
        self.assertEqual(client.read_exact(12), b"\x81\x0asay3 hello")
        self.assertEqual(client.read_exact(4 + 126), b"\x81\x7e\x00\x7e" + b"a" * 126)
        self.assertEqual(client.read_exact(10 + 70000),
                         b"\x81\x7f\x00\x00\x00\x00\x00\x01\x11\x70" + b"b" * 70000)
        menu = b"menu 1\x7f1\x7f1\x7f0\x7f0\x7f\x7fPlay\x7fplay\x7fnull\x7fnull"
        self.assertEqual(client.read_exact(2 + len(menu)), bytes([0x81, len(menu)]) + menu)
        self.assertEqual(client.read_exact(3), b"\x89\x01x")
        client.send(b"\x8a\x01x")
        self.assertEqual(client.read_exact(5), b"\x82\x03\x00\xff\x10")
        self.assertEqual(client.read_exact(9), b"\x01\x03hel\x80\x02lo")
        self.assertEqual(client.read_exact(9), b"\x81\x83\x01\x02\x03\x04" + bytes([0x60, 0x60, 0x60]))
        self.assertEqual(client.read_exact(6), b"\x81\x7e\x00\x02hi")
        self.assertEqual(client.read_exact(4), b"\xc1\x02hi")
        client.send_text("chat noise")
        client.send_text("chat ready")
        client.send_text("msel 1\x7f0\x7fplay")
        self.assertEqual(client.read_exact(4), b"\xde\xad\xbe\xef")
        self.assertEqual(client.read_exact(4), b"\x88\x02\x03\xe8")
        client.send(b"\x88\x02\x03\xe8")
        self.assertTrue(client.at_eof())
        done = server.wait_record(lambda e: e["kind"] == "script_done")
        self.assertTrue(done["ok"], server.records("script_step"))
        steps = server.records("script_step")
        self.assertEqual(len(steps), len(script["steps"]))
        self.assertTrue(all(step["ok"] for step in steps))
        received = [e for e in server.records("frame") if e["dir"] == "in"]
        self.assertEqual([(e["opcode"], e["header_hex"]) for e in received],
                         [(10, "8a01"), (1, "810a"), (1, "810a"), (1, "810d"), (8, "8802")])

    def test_oversized_length_then_truncated_frame(self):
        script = {"steps": [
            {"send_frame": {"opcode": "text", "payload": "abc", "length_override": 2 ** 31,
                            "length_form": 64, "truncate_to": 13}},
            {"close": True},
        ]}
        server = self.start(script=script)
        client = self.connect(server.ports["plain"])
        self.assertEqual(client.login("alice", "secret"), "ok")
        self.assertEqual(client.read_exact(13), b"\x81\x7f\x00\x00\x00\x00\x80\x00\x00\x00abc")
        self.assertTrue(client.at_eof())

    def test_handshake_responses_per_connection(self):
        script = {"per_connection": [
            {"handshake_response": "HTTP/1.1 403 Forbidden\r\n\r\n", "login": "skip", "then": "close"},
            {"handshake_response": "HTTP/1.1 101 Switching\nUpgrade: websocket\n\n"},
            {"login_answer": "fail Banned for testing", "then": "close"},
            {"before_login": [{"send": "say1 early"}], "then": "idle"},
        ]}
        server = self.start(script=script)
        port = server.ports["plain"]
        client = self.connect(port)
        client.send_upgrade(encode_login(login_payload("alice", "secret")))
        self.assertEqual(client.read_head(), b"HTTP/1.1 403 Forbidden\r\n\r\n")
        self.assertTrue(client.at_eof())
        client = self.connect(port)
        client.send_upgrade(encode_login(login_payload("alice", "secret")))
        self.assertEqual(client.read_head(), b"HTTP/1.1 101 Switching\nUpgrade: websocket\n\n")
        self.assertEqual(client.read_text(), "ok")
        client = self.connect(port)
        self.assertEqual(client.login("alice", "secret"), "fail Banned for testing")
        self.assertTrue(client.at_eof())
        for _ in range(2):  # the last script serves every later connection
            client = self.connect(port)
            self.assertEqual(client.login("alice", "secret"), "say1 early")
            self.assertEqual(client.read_text(), "ok")

    def test_failed_expectation_is_recorded_and_closes(self):
        server = self.start(script=[{"expect": "never", "timeout": 0.3}, {"send": "unreached"}])
        client = self.connect(server.ports["plain"])
        self.assertEqual(client.login("alice", "secret"), "ok")
        client.send_text("something else")
        self.assertTrue(client.at_eof())
        step = server.wait_record(lambda e: e["kind"] == "script_step")
        self.assertFalse(step["ok"])
        self.assertIn("never", step["detail"])
        self.assertFalse(server.wait_record(lambda e: e["kind"] == "script_done")["ok"])

    def test_flood(self):
        count = 20000
        server = self.start(script={"steps": [{"flood": {"text": "say1 hello", "count": count}}],
                                    "then": "idle"})
        client = self.connect(server.ports["plain"])
        self.assertEqual(client.login("alice", "secret"), "ok")
        expected = b"\x81\x0asay1 hello"
        data = client.read_exact(len(expected) * count)
        self.assertEqual(data, expected * count)
        step = server.wait_record(lambda e: e["kind"] == "script_step" and e["action"] == "flood")
        self.assertEqual(step["detail"]["frames"], count)
        client.send_text("ping")
        self.assertEqual(client.read_text(), "pong")

    def test_bad_script_stops_start_up(self):
        handle, path = tempfile.mkstemp(suffix=".json")
        with os.fdopen(handle, "w") as out:
            json.dump({"steps": [{"sned": "typo"}]}, out)
        self.addCleanup(os.remove, path)
        result = subprocess.run([sys.executable, DEVSERVER, "--script", path], capture_output=True,
                                text=True, timeout=10)
        self.assertEqual(result.returncode, 2)
        self.assertIn("sned", result.stderr)
        self.assertNotIn("READY", result.stdout)


# -- HTTPS file host ---------------------------------------------------------------------------

class FileHostTest(ServerTestCase):
    def test_files_are_served_over_https(self):
        folder = tempfile.mkdtemp(prefix="devserver-files-")
        self.addCleanup(shutil.rmtree, folder, True)
        os.makedirs(os.path.join(folder, "autodl", "sounds"))
        body = bytes(range(256)) * 100
        with open(os.path.join(folder, "autodl", "sounds", "bell.ogg"), "wb") as out:
            out.write(body)
        server = self.start("--https-port", "0", "--files", folder, "--no-plain")
        context = ssl.create_default_context(cafile=server.ca)
        base = "https://localhost:%d" % server.ports["https"]
        with urllib.request.urlopen(base + "/autodl/sounds/bell.ogg", context=context, timeout=IO_TIMEOUT) as reply:
            self.assertEqual(reply.status, 200)
            self.assertEqual(reply.read(), body)
        with self.assertRaises(urllib.error.HTTPError) as caught:
            urllib.request.urlopen(base + "/autodl/missing.ogg", context=context, timeout=IO_TIMEOUT)
        self.assertEqual(caught.exception.code, 404)
        caught.exception.close()
        statuses = [(e["path"], e["status"]) for e in server.records("http")]
        self.assertEqual(statuses, [("/autodl/sounds/bell.ogg", 200), ("/autodl/missing.ogg", 404)])


# -- radio host --------------------------------------------------------------------------------

def ogg_page_crc(page: bytes) -> int:
    """The Ogg checksum, bit by bit: polynomial 0x04C11DB7, no reflection, over the page with a zero field."""
    page = page[:22] + b"\0\0\0\0" + page[26:]
    crc = 0
    for byte in page:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if crc & 0x80000000 else (crc << 1) & 0xFFFFFFFF
    return crc


class RadioTest(ServerTestCase):
    @classmethod
    def setUpClass(cls):
        cls.clipdir = tempfile.mkdtemp(prefix="devserver-radio-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.clipdir, ignore_errors=True)

    def setUp(self):
        self.server = self.start("--no-plain", "--radio-port", "0", "--radio-tls-port", "0",
                                 "--radio-ftp-port", "0", "--radio-dir", self.clipdir)
        self.plain = "http://127.0.0.1:%d" % self.server.ports["radio"]
        self.secure = "https://localhost:%d" % self.server.ports["radio-tls"]
        self.context = ssl.create_default_context(cafile=self.server.ca)

    def get(self, url: str):
        reply = urllib.request.urlopen(url, context=self.context if url.startswith("https") else None,
                                       timeout=IO_TIMEOUT)
        self.addCleanup(reply.close)
        return reply

    def test_endless_ogg_is_a_chain_of_valid_links(self):
        for base in (self.plain, self.secure):
            reply = self.get(base + "/radio.ogg")
            self.assertEqual(reply.headers["Content-Type"], "audio/ogg")
            data = reply.read(20000)  # more than two clips, within the burst
            reply.close()
            at, serials, starts = 0, [], 0
            while at + 27 <= len(data):
                self.assertEqual(data[at:at + 4], b"OggS")
                count = data[at + 26]
                end = at + 27 + count + sum(data[at + 27:at + 27 + count])
                if end > len(data):
                    break
                page = data[at:end]
                self.assertEqual(int.from_bytes(page[22:26], "little"), ogg_page_crc(page))
                if page[5] & 2:  # a link begins
                    starts += 1
                    serials.append(page[14:18])
                at = end
            self.assertGreaterEqual(starts, 2)
            self.assertEqual(len(set(serials)), len(serials))
            self.assertEqual(data[28:35], b"\x01vorbis")

    def test_endless_mp3_and_playlists(self):
        data = self.get(self.plain + "/radio.mp3").read(16000)
        self.assertEqual(data[0], 0xFF)
        self.assertEqual(data[1] & 0xE0, 0xE0)
        reply = self.get(self.plain + "/radio.m3u")
        self.assertEqual(reply.headers["Content-Type"], "audio/x-mpegurl")
        lines = reply.read().decode().splitlines()
        self.assertEqual(lines[0], "#EXTM3U")
        self.assertEqual(lines[-1], self.plain + "/radio.ogg")
        reply = self.get(self.secure + "/radio.pls")
        self.assertEqual(reply.headers["Content-Type"], "audio/x-scpls")
        text = reply.read().decode()
        self.assertTrue(text.startswith("[playlist]\n"))
        port = self.server.ports["radio-tls"]
        self.assertIn("File1=https://127.0.0.1:%d/radio.mp3\n" % port, text)

    def test_endless_streams_over_ftp(self):
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", self.server.ports["radio-ftp"], timeout=IO_TIMEOUT)
        self.addCleanup(ftp.close)
        ftp.login()
        for name, start in (("radio.ogg", b"OggS"), ("/radio.mp3", b"\xff")):
            data = b""
            with ftp.transfercmd("RETR " + name) as connection:
                while len(data) < 10000:
                    data += connection.recv(4096)
            self.assertTrue(data.startswith(start))
            ftp.voidresp()
        with self.assertRaises(ftplib.error_perm):
            ftp.retrbinary("RETR nothing.ogg", lambda _block: None)

    def test_silent_short_page_and_missing(self):
        with socket.create_connection(("127.0.0.1", self.server.ports["radio"]), timeout=IO_TIMEOUT) as s:
            s.sendall(b"GET /silent.ogg HTTP/1.0\r\n\r\n")
            head = b""
            while b"\r\n\r\n" not in head:
                head += s.recv(1000)
            self.assertTrue(head.startswith(b"HTTP/1.0 200"))
            self.assertTrue(head.endswith(b"\r\n\r\n"))
            s.settimeout(0.5)
            with self.assertRaises(socket.timeout):
                s.recv(1)
        reply = self.get(self.plain + "/short.ogg")
        promised = int(reply.headers["Content-Length"])
        with self.assertRaises(http.client.IncompleteRead) as caught:
            reply.read()
        self.assertLess(len(caught.exception.partial), promised)
        self.assertGreater(len(caught.exception.partial), promised * 3 // 4)
        self.assertEqual(caught.exception.partial[:4], b"OggS")
        self.assertEqual(self.get(self.plain + "/page.html").headers["Content-Type"], "text/html; charset=utf-8")
        with self.assertRaises(urllib.error.HTTPError) as caught:
            self.get(self.plain + "/nothing.ogg")
        self.assertEqual(caught.exception.code, 404)
        caught.exception.close()
        paths = [(e["scheme"], e["path"], e["status"]) for e in self.server.records("radio")]
        self.assertIn(("http", "/silent.ogg", 200), paths)
        self.assertIn(("http", "/nothing.ogg", 404), paths)


# -- demo lobby --------------------------------------------------------------------------------

class DemoTest(ServerTestCase):
    def test_lobby_menu_chat_and_grid(self):
        server = self.start("--demo")
        port = server.ports["plain"]
        alice = self.connect(port)
        self.assertEqual(alice.login("alice", "secret"), "ok")
        self.assertTrue(alice.read_text().startswith("say1 Welcome"))
        menu = alice.read_text()
        self.assertTrue(menu.startswith("menu 1\x7f1\x7f"))
        fields = menu[5:].split("\x7f")
        count = int(fields[2])
        self.assertEqual(len(fields), 6 + 4 * count)
        tags = fields[7::4]
        self.assertIn("grid", tags)
        greeting = [alice.read_text() for _ in range(4)]
        self.assertTrue(greeting[0].startswith("say5 "))
        self.assertEqual(greeting[1], "say3 \x0e\x12Colours: red,\x0c\x11 bold,\x0c\x0e\x16 green\x0c and a link: "
                                      "\x0c\x10https://localhost/help.html")
        self.assertEqual(greeting[2:], ["sai0 The lobby is open.", "flsh3 3"])

        bob = self.connect(port)
        self.assertEqual(bob.login("bob", "hunter2"), "ok")
        for _ in range(6):
            bob.read_text()
        self.assertEqual(alice.read_text(), "say1 bob joined the lobby.")
        bob.send_text("chat hi all")
        self.assertEqual(alice.read_text(), "say3 bob: hi all")
        self.assertEqual(bob.read_text(), "say3 bob: hi all")

        alice.send_text("ping")
        self.assertEqual(alice.read_text(), "pong")
        alice.send_text("msel 1\x7f%d\x7fgrid" % tags.index("grid"))
        self.assertEqual(alice.read_text(), "say1 Tic-tac-toe: you play X. Choose a square.")
        grid = alice.read_text()[5:].split("\x7f")
        self.assertEqual(grid[:6], ["2", "3", "9", "4", "9", ":1:1"])
        alice.send_text("mkey 112\x7f2\x7f4\x7fc4")
        self.assertTrue(alice.read_text().startswith("say1 You are on B2."))
        self.assertEqual(grid[6:10], ["A1", "c0", "null", "_9"])
        alice.send_text("msel 2\x7f0\x7fc0")
        self.assertEqual(alice.read_text(), "say5 X: A1; O: B2.")
        grid = alice.read_text()[5:].split("\x7f")
        # Taken squares are placeholders; the cursor goes to the first free one.
        self.assertEqual(grid[3], "1")
        self.assertEqual(grid[6], " ")
        self.assertEqual(grid[6 + 4], "B1")
        self.assertEqual(grid[6 + 4 * 4], " ")
        alice.send_text("msel 2\x7f-1\x7f-1")
        self.assertEqual(alice.read_text(), "mcls 2")
        self.assertEqual(alice.read_text(), "say1 Game abandoned.")

        # The settings stay open and change in place; the players' list is long.
        alice.send_text("msel 1\x7f%d\x7fsettings" % tags.index("settings"))
        self.assertTrue(alice.read_text().startswith("menu 3\x7f1\x7f3\x7f0\x7f1\x7f"))
        alice.send_text("msel 3\x7f0\x7fvolume")
        self.assertEqual(alice.read_text(), "mupi 0\x7fVolume 60\x7fvolume\x7fnull\x7fnull")
        alice.send_text("msel 3\x7f-1\x7f-1")
        self.assertEqual(alice.read_text(), "mcls 3")
        self.assertEqual(alice.read_text(), "say1 Settings closed: volume 60, light colours.")
        alice.send_text("msel 1\x7f%d\x7fplayers" % tags.index("players"))
        alice.read_text()
        players = alice.read_text()[5:].split("\x7f")
        self.assertEqual(players[:5], ["4", "1", "200", "0", "2"])
        self.assertEqual(len(set(players[6::4])), 200)
        alice.send_text("msel 4\x7f3\x7fp3")
        self.assertEqual(alice.read_text(), "say1 You chose %s." % players[6 + 3 * 4])
        alice.send_text("msel 1\x7f%d\x7fpassword" % tags.index("password"))
        self.assertTrue(alice.read_text().startswith("inbp 104\x7fPassword\x7f"))
        alice.send_text("inbx 104\x7fopensesame")
        self.assertEqual(alice.read_text(), "say1 You gave a password of 10 characters; it is right.")
        # The pictures: a grid of square cells whose entries name images.
        alice.send_text("msel 1\x7f%d\x7fpictures" % tags.index("pictures"))
        pictures = alice.read_text()[5:].split("\x7f")
        self.assertEqual(pictures[:6], ["5", "5", "10", "0", "1", ":1:1"])
        self.assertEqual(pictures[6:10], ["Die showing one", "p0", "null", "@dice/one"])
        self.assertEqual(pictures[6 + 4 * 9 + 3], "@cards/spades")
        alice.send_text("msel 5\x7f6\x7fp6")
        self.assertEqual(alice.read_text(), "say1 You chose: Hearts.")
        alice.send_text("msel 5\x7f-1\x7f-1")
        self.assertEqual(alice.read_text(), "mcls 5")
        bob.close()
        self.assertEqual(alice.read_text(), "say1 bob left the lobby.")
        server.wait_record(lambda e: e["kind"] == "frame" and e.get("text") == "chat hi all")


    def test_lobby_radio_plays_and_stops_the_radio_hosts_stream(self):
        server = self.start("--demo", "--radio-port", "0")
        alice = self.connect(server.ports["plain"])
        self.assertEqual(alice.login("alice", "secret"), "ok")
        alice.read_text()
        fields = alice.read_text()[5:].split("\x7f")
        tags = fields[7::4]
        self.assertEqual(tags[-2:], ["radio", "leave"])
        url = "http://127.0.0.1:%s/radio.ogg" % server.ports["radio"]
        alice.send_text("msel 1\x7f%d\x7fradio" % tags.index("radio"))
        while True:
            text = alice.read_text()
            if text.startswith("play"):
                break
        self.assertEqual(text, "play0 %s 1" % url)
        self.assertEqual(alice.read_text(), "say1 Radio on.")
        alice.send_text("msel 1\x7f%d\x7fradio" % tags.index("radio"))
        self.assertEqual(alice.read_text(), "play0 %s 0" % url)
        self.assertEqual(alice.read_text(), "say1 Radio off.")

    def test_lobby_without_a_radio_host_offers_none(self):
        server = self.start("--demo")
        alice = self.connect(server.ports["plain"])
        self.assertEqual(alice.login("alice", "secret"), "ok")
        alice.read_text()
        self.assertNotIn("radio", alice.read_text()[5:].split("\x7f")[7::4])


class PicturesTest(unittest.TestCase):
    def test_every_picture_is_one_of_the_client_images(self):
        import demo
        images = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "images")
        for _, name in demo.PICTURES:
            self.assertTrue(os.path.isfile(os.path.join(images, *name.split("/")) + ".txt"), name)


# -- the server's own decoding, tested directly -------------------------------------------------

class PayloadDecodingTest(unittest.TestCase):
    def test_query_encoding_examples(self):
        import loginpayload
        for plain, encoded in ((b"abc", "YWJj"), (b"ab", "YWI."), (b"a", "YQ.."), (b"", "")):
            self.assertEqual(loginpayload.encode_query(plain), encoded)
            self.assertEqual(loginpayload.decode_query(encoded), (plain, []))
        self.assertEqual(loginpayload.decode_query("-_8."), (bytes([0xFB, 0xFF]), []))
        for bad in ("YWJ", "Y...", "YQ..YQ..", "YW+j", "YW=j", "Y.Jj"):
            with self.assertRaises(loginpayload.LoginDecodeError, msg=bad):
                loginpayload.decode_query(bad)
        self.assertEqual(loginpayload.decode_query("YR..")[1], ["unused bits of group 0 are not zero"])

    def test_base36_is_strict(self):
        import loginpayload
        self.assertEqual(loginpayload.parse_base36("2tjc"), 131592)
        self.assertEqual(loginpayload.parse_base36("0"), 0)
        for bad in ("", "02tjc", "2TJC", "-1", "1_0", " 1"):
            self.assertIsNone(loginpayload.parse_base36(bad), bad)

    def test_separator_inside_the_user_name(self):
        import loginpayload
        payload = login_payload("alice", "secret", user=b"a\x7fb")
        info = loginpayload.decode_login(encode_login(payload))
        self.assertEqual(len(info.fields), 11)
        self.assertEqual(info.values["user_name"], "a\x7fb")
        self.assertEqual(info.values["bitness"], "64")

    def test_masks_are_undone(self):
        import loginpayload
        masks = loginpayload.IdentityMasks.parse("0x11111111,0x2222,0x33333333,0x5a")
        payload = login_payload("alice", "secret", machine=(0x2222 ^ 0x0605) << 32 | (0x11111111 ^ 0x04030201),
                                volume=0x33333333 ^ 0x1234, user=bytes(b ^ 0x5A for b in b"Ann"))
        info = loginpayload.decode_login(encode_login(payload), masks)
        self.assertEqual(info.values["mac_address"], "01-02-03-04-05-06")
        self.assertEqual(info.values["volume_serial_unmasked"], 0x1234)
        self.assertEqual(info.values["user_name"], "Ann")


class FrameReaderTest(unittest.TestCase):
    """The server's frame reader, fed bytes directly; good and broken frames in one table."""

    CASES = [
        # (bytes, expected (opcode, fin, masked, payload) or the start of the error)
        (b"\x81\x02hi", (1, True, False, b"hi")),
        (b"\x82\x7e\x00\x03abc", (2, True, False, b"abc")),
        (b"\x81\x7f" + (3).to_bytes(8, "big") + b"abc", (1, True, False, b"abc")),
        (b"\x81\x83\x01\x02\x03\x04" + bytes([0x60, 0x60, 0x60]), (1, True, True, b"abc")),
        (b"\x01\x01a", (1, False, False, b"a")),
        (b"\x80\x01a", (0, True, False, b"a")),
        (b"\x89\x00", (9, True, False, b"")),
        (b"", None),
        (b"\xc1\x00", "reserved bits"),
        (b"\x83\x00", "unknown opcode"),
        (b"\x09\x00", "fragmented control frame"),
        (b"\x89\x7e\x00\x80", "control frame with an extended length"),
        (b"\x81\x7f\x80" + bytes(7), "64-bit length with its top bit set"),
        (b"\x81\x7f" + (2 ** 31).to_bytes(8, "big"), "payload length 2147483648 is over the limit"),
        (b"\x81", "connection ended inside a frame header"),
        (b"\x81\x7e\x00", "connection ended inside the 16-bit length"),
        (b"\x81\x85\x01\x02", "connection ended inside the masking key"),
        (b"\x81\x05hel", "connection ended inside the payload (3 of 5 bytes)"),
    ]

    def read(self, data: bytes):
        import asyncio
        import wsframes

        async def run():
            reader = asyncio.StreamReader()
            reader.feed_data(data)
            reader.feed_eof()
            return await wsframes.read_frame(reader, 1 << 20)
        return asyncio.run(run())

    def test_table(self):
        import wsframes
        for data, expected in self.CASES:
            with self.subTest(data=data):
                if isinstance(expected, str):
                    with self.assertRaises(wsframes.FrameError) as caught:
                        self.read(data)
                    self.assertTrue(caught.exception.reason.startswith(expected), caught.exception.reason)
                elif expected is None:
                    self.assertIsNone(self.read(data))
                else:
                    frame = self.read(data)
                    self.assertEqual((frame.opcode, frame.fin, frame.masked, frame.payload), expected)
                    self.assertEqual(frame.header + wsframes.apply_mask(frame.payload, frame.mask_key)
                                     if frame.masked else frame.header + frame.payload, data)


if __name__ == "__main__":
    unittest.main()
