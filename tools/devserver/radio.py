"""The radio host: endless sound streams over HTTP and HTTPS for the client's URL streams.

Paths (any other gets 404):

    /radio.ogg    an endless Ogg Vorbis stream (44100 Hz stereo, 440 Hz): a short clip sent again
                  and again, each time as a new link of a chained stream (a serial number of its own)
    /radio.mp3    an endless MP3 stream (22050 Hz mono, 660 Hz): a short clip's frames again and again
    /radio.m3u    a playlist (audio/x-mpegurl) whose one entry is this host's /radio.ogg
    /radio.pls    a playlist (audio/x-scpls) whose one entry is this host's /radio.mp3
    /silent.ogg   the headers of an Ogg stream, then nothing until the client leaves
    /short.ogg    the Ogg clip but for half its last page, then the connection closes (the headers
                  promised all of it)
    /page.html    a web page, which is not sound

Over FTP (anonymous, passive mode) radio.ogg and radio.mp3 are the same endless streams.

The streams are paced like a real radio after a burst of a few seconds, so a client that stops
reading makes the server wait rather than buffer without end. The clips are made on first use
with sox (and lame for MP3) in a cache folder, synthesised, from no input files.
"""

from __future__ import annotations

import fcntl
import logging
import os
import shutil
import socket
import socketserver
import ssl
import struct
import subprocess
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CLIP_SECONDS = 2
BURST_SECONDS = 4.0
CHUNK = 4096
HANDSHAKE_TIMEOUT = 10.0
PAGE = b"<!DOCTYPE html><html><head><title>Not sound</title></head><body>Nothing to hear.</body></html>\n"


class ClipError(RuntimeError):
    pass


# -- the clips -----------------------------------------------------------------------------------

def default_clipdir() -> str:
    return os.path.join(tempfile.gettempdir(), "orvc-devserver-radio")


def _run(command: list[str]) -> None:
    try:
        result = subprocess.run(command, capture_output=True, timeout=60)
    except FileNotFoundError:
        raise ClipError("%s is not installed" % command[0]) from None
    if result.returncode != 0:
        raise ClipError("%s failed: %s" % (command[0], result.stderr.decode("utf-8", "replace").strip()))


def _make_clips(folder: str) -> None:
    work = tempfile.mkdtemp(prefix=".making-", dir=folder)
    try:
        ogg = os.path.join(work, "clip.ogg")
        wav = os.path.join(work, "clip.wav")
        mp3 = os.path.join(work, "clip.mp3")
        _run(["sox", "-n", "-r", "44100", "-c", "2", "-C", "0", ogg,
              "synth", str(CLIP_SECONDS), "sine", "440", "gain", "-12"])
        _run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", wav,
              "synth", str(CLIP_SECONDS), "sine", "660", "gain", "-12"])
        # No LAME tag: its frame would sound as a click each time the clip comes round again.
        _run(["lame", "--quiet", "-t", "-b", "32", wav, mp3])
        for name in ("clip.ogg", "clip.mp3"):
            os.replace(os.path.join(work, name), os.path.join(folder, name))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def ensure_clips(folder: str | None = None) -> tuple[bytes, bytes]:
    """The Ogg and the MP3 clip, made in folder unless they are already there."""
    folder = os.path.abspath(folder or default_clipdir())
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, name) for name in ("clip.ogg", "clip.mp3")]
    with open(os.path.join(folder, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            if not all(os.path.isfile(p) and os.path.getsize(p) > 0 for p in paths):
                _make_clips(folder)
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)
    clips = []
    for path in paths:
        with open(path, "rb") as handle:
            clips.append(handle.read())
    return clips[0], clips[1]


# -- Ogg pages -----------------------------------------------------------------------------------

def _crc_table() -> list[int]:
    table = []
    for i in range(256):
        r = i << 24
        for _ in range(8):
            r = ((r << 1) ^ 0x04C11DB7) if r & 0x80000000 else (r << 1)
        table.append(r & 0xFFFFFFFF)
    return table


_CRC = _crc_table()


def ogg_crc(data: bytes) -> int:
    crc = 0
    for byte in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ _CRC[((crc >> 24) & 0xFF) ^ byte]
    return crc


def ogg_pages(data: bytes) -> list[bytes]:
    """Splits an Ogg file into its pages; ValueError when it is not one."""
    pages = []
    at = 0
    while at < len(data):
        if data[at:at + 4] != b"OggS" or at + 27 > len(data):
            raise ValueError("no Ogg page at byte %d" % at)
        count = data[at + 26]
        length = 27 + count + sum(data[at + 27:at + 27 + count])
        if at + length > len(data):
            raise ValueError("Ogg page at byte %d is cut short" % at)
        pages.append(data[at:at + length])
        at += length
    return pages


def with_serial(pages: list[bytes], serial: int) -> bytes:
    """The pages as a new logical stream: the serial number replaced and each checksum redone."""
    out = bytearray()
    for page in pages:
        page = bytearray(page)
        page[14:18] = struct.pack("<I", serial)
        page[22:26] = b"\0\0\0\0"
        page[22:26] = struct.pack("<I", ogg_crc(bytes(page)))
        out += page
    return bytes(out)


def send_paced(clips, bytes_per_second: float, write, stopping: threading.Event) -> None:
    """Writes the clips one after the other, ahead of real time by the burst at most, until stopping."""
    started = time.monotonic()
    sent = 0
    for clip in clips:
        for at in range(0, len(clip), CHUNK):
            if stopping.is_set():
                return
            write(clip[at:at + CHUNK])
            sent += min(CHUNK, len(clip) - at)
            ahead = sent / bytes_per_second - (time.monotonic() - started) - BURST_SECONDS
            if ahead > 0 and stopping.wait(ahead):
                return


def ogg_links(pages: list[bytes]):
    """The clip's pages again and again, each time as a new link of a chained stream."""
    serial = 0x4F525643
    while True:
        serial = (serial + 1) & 0xFFFFFFFF
        yield with_serial(pages, serial)


def repeat(clip: bytes):
    while True:
        yield clip


# -- the host ------------------------------------------------------------------------------------

class _RadioHandler(BaseHTTPRequestHandler):
    server_version = "OrvelleDevRadio/1.0"
    protocol_version = "HTTP/1.0"

    def log_request(self, code="-", size="-"):
        status = code.value if hasattr(code, "value") else code
        self.server.recorder.write("radio", method=self.command, path=self.path, status=status,
                                   scheme=self.server.scheme, peer="%s:%s" % self.client_address[:2])
        self.server.log.info("radio %s %s -> %s", self.command, self.path, status)

    def log_message(self, format, *args):
        self.server.log.debug("radio: " + format, *args)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        route = {
            "/radio.ogg": lambda: self._endless("audio/ogg", ogg_links(self.server.ogg_pages), self.server.ogg_rate),
            "/radio.mp3": lambda: self._endless("audio/mpeg", repeat(self.server.mp3), self.server.mp3_rate),
            "/radio.m3u": lambda: self._body("audio/x-mpegurl",
                                             "#EXTM3U\n#EXTINF:-1,Orvelle test radio\n%s/radio.ogg\n"
                                             % self._base()),
            "/radio.pls": lambda: self._body("audio/x-scpls",
                                             "[playlist]\nFile1=%s/radio.mp3\nTitle1=Orvelle test radio\n"
                                             "Length1=-1\nNumberOfEntries=1\nVersion=2\n" % self._base()),
            "/silent.ogg": self._silent,
            "/short.ogg": self._short,
            "/page.html": lambda: self._body("text/html; charset=utf-8", PAGE),
        }.get(path)
        if route is None:
            self.send_error(404)
            return
        try:
            route()
        except (ConnectionError, ssl.SSLError, socket.timeout, OSError):
            pass  # the client left

    def _base(self) -> str:
        host, port = self.server.server_address[:2]
        if ":" in host:
            host = "[%s]" % host
        return "%s://%s:%d" % (self.server.scheme, host, port)

    def _headers(self, content_type: str, length: int | None = None) -> None:
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        self.wfile.flush()

    def _body(self, content_type: str, body) -> None:
        data = body.encode("utf-8") if isinstance(body, str) else body
        self._headers(content_type, len(data))
        self.wfile.write(data)

    def _endless(self, content_type: str, clips, bytes_per_second: float) -> None:
        self._headers(content_type)
        send_paced(clips, bytes_per_second, self.wfile.write, self.server.stopping)

    def _silent(self) -> None:
        self._headers("audio/ogg")
        self.connection.settimeout(0.2)
        while not self.server.stopping.is_set():
            try:
                if not self.connection.recv(1):
                    return  # the client closed
            except socket.timeout:
                continue
            except ssl.SSLWantReadError:
                continue

    def _short(self) -> None:
        # Cut inside the last page, so that what comes before it plays.
        clip = self.server.ogg
        self._headers("audio/ogg", len(clip))
        self.wfile.write(clip[:len(clip) - len(self.server.ogg_pages[-1]) // 2])
        self.wfile.flush()
        self.close_connection = True


class _RadioServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, family, context, scheme, clips, recorder, log):
        self.address_family = family
        self.context = context
        self.scheme = scheme
        self.recorder = recorder
        self.log = log
        self.stopping = threading.Event()
        self.ogg, self.mp3 = clips
        self.ogg_pages = ogg_pages(self.ogg)
        self.ogg_rate = len(self.ogg) / CLIP_SECONDS
        self.mp3_rate = len(self.mp3) / CLIP_SECONDS
        super().__init__(address, _RadioHandler)

    def finish_request(self, request, client_address):
        if self.context is None:
            super().finish_request(request, client_address)
            return
        request.settimeout(HANDSHAKE_TIMEOUT)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as exc:
            self.log.info("radio handshake with %s failed: %s", client_address, exc)
            self.recorder.write("http_error", peer="%s:%s" % client_address[:2], detail=str(exc))
            return
        tls.settimeout(None)
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            try:
                tls.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        self.log.warning("radio request from %s failed", client_address, exc_info=True)


class RadioHost:
    """Serves the radio on host:port (0 = a free port), over TLS when a context is given."""

    def __init__(self, host: str, port: int, context: ssl.SSLContext | None, clips: tuple[bytes, bytes],
                 recorder, log: logging.Logger | None = None):
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        scheme = "https" if context is not None else "http"
        self.server = _RadioServer((host, port), family, context, scheme, clips, recorder,
                                   log or logging.getLogger("devserver"))
        self.port = self.server.server_address[1]
        self._thread = threading.Thread(target=self.server.serve_forever, name="radio-" + scheme, daemon=True)

    def start(self) -> None:
        self._thread.start()

    def stop(self) -> None:
        self.server.stopping.set()
        self.server.shutdown()
        self.server.server_close()


# -- FTP -----------------------------------------------------------------------------------------

class _FtpHandler(socketserver.StreamRequestHandler):
    """Anonymous, passive-mode, read-only FTP: RETR radio.ogg and radio.mp3 (endless), nothing else."""

    def reply(self, line: str) -> None:
        self.wfile.write((line + "\r\n").encode("latin-1"))
        self.wfile.flush()

    def handle(self):
        server = self.server
        data_listener = None
        self.reply("220 Orvelle development radio")
        try:
            while not server.stopping.is_set():
                line = self.rfile.readline(1024)
                if not line:
                    break
                verb, _, argument = line.decode("latin-1").strip().partition(" ")
                verb = verb.upper()
                if verb in ("EPSV", "PASV"):
                    if data_listener is not None:
                        data_listener.close()
                    data_listener = socket.create_server((server.server_address[0], 0), family=server.address_family)
                    data_listener.settimeout(HANDSHAKE_TIMEOUT)
                    port = data_listener.getsockname()[1]
                    if verb == "EPSV":
                        self.reply("229 Entering Extended Passive Mode (|||%d|)" % port)
                    else:
                        self.reply("227 Entering Passive Mode (%s,%d,%d)"
                                   % (server.server_address[0].replace(".", ","), port >> 8, port & 0xFF))
                elif verb == "RETR":
                    name = argument.lstrip("/")
                    clips = {"radio.ogg": (ogg_links(server.ogg_pages), server.ogg_rate),
                             "radio.mp3": (repeat(server.mp3), server.mp3_rate)}.get(name)
                    server.recorder.write("radio", method="RETR", path="/" + name, status=150 if clips else 550,
                                          scheme="ftp", peer="%s:%s" % self.client_address[:2])
                    if clips is None or data_listener is None:
                        self.reply("550 No such file")
                        continue
                    self.reply("150 Opening BINARY mode data connection for %s" % name)
                    data, _ = data_listener.accept()
                    with data:
                        try:
                            send_paced(clips[0], clips[1], data.sendall, server.stopping)
                        except OSError:
                            pass  # the client left
                    self.reply("226 Transfer complete")
                else:
                    self.reply({"USER": "331 Any password will do", "PASS": "230 Logged in",
                                "PWD": '257 "/" is the current directory', "CWD": "250 OK",
                                "TYPE": "200 Type set", "SYST": "215 UNIX Type: L8", "NOOP": "200 OK",
                                "REST": "350 Restarting",
                                "QUIT": "221 Goodbye"}.get(verb, "502 Not implemented"))
                    if verb == "QUIT":
                        break
        except OSError:
            pass  # the client left
        finally:
            if data_listener is not None:
                data_listener.close()


class _FtpServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, family, clips, recorder, log):
        self.address_family = family
        self.recorder = recorder
        self.log = log
        self.stopping = threading.Event()
        self.ogg, self.mp3 = clips
        self.ogg_pages = ogg_pages(self.ogg)
        self.ogg_rate = len(self.ogg) / CLIP_SECONDS
        self.mp3_rate = len(self.mp3) / CLIP_SECONDS
        super().__init__(address, _FtpHandler)

    def handle_error(self, request, client_address):
        self.log.warning("radio ftp request from %s failed", client_address, exc_info=True)


class RadioFtpHost(RadioHost):
    """The endless streams over FTP on host:port (0 = a free port)."""

    def __init__(self, host: str, port: int, clips: tuple[bytes, bytes], recorder, log: logging.Logger | None = None):
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        self.server = _FtpServer((host, port), family, clips, recorder, log or logging.getLogger("devserver"))
        self.port = self.server.server_address[1]
        self._thread = threading.Thread(target=self.server.serve_forever, name="radio-ftp", daemon=True)
