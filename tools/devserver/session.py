"""One client connection: the upgrade request, the login verdict, then a script, the lobby or idling.

The client sends "GET /play?<encoded login> HTTP/1.1" with three header lines and no key; the
server answers 101, then sends the verdict as the first text frame: "ok" or "fail <reason>".
Every frame the client sends is read strictly and recorded; a frame that cannot be read ends the
connection (and only that connection).
"""

from __future__ import annotations

import asyncio
import base64
import hashlib
import itertools
import logging
import ssl
from dataclasses import dataclass, field

import loginpayload
import wsframes
from inbox import Inbox, InboxEnded, Message
from record import Recorder, clipped_hex, payload_fields
from script import ScriptBook, run_steps

REQUEST_TIMEOUT = 10.0
MAX_REQUEST_BYTES = 16 * 1024
CLOSE_TIMEOUT = 2.0
DEFAULT_MAX_FRAME = 16 * 1024 * 1024
UPGRADE_PATH = "/play"
WEBSOCKET_GUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"

RESPONSE_SWITCHING = b"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
RESPONSE_BAD_REQUEST = b"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
RESPONSE_NOT_FOUND = b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"


@dataclass
class ServerState:
    """What all connections share."""

    recorder: Recorder
    accounts: dict
    masks: loginpayload.IdentityMasks
    scripts: ScriptBook | None = None
    lobby: object | None = None
    demo: bool = False
    max_frame: int = DEFAULT_MAX_FRAME
    log: logging.Logger = field(default_factory=lambda: logging.getLogger("devserver"))
    _connection_ids: itertools.count = field(default_factory=lambda: itertools.count(1))
    upgrades: int = 0

    def next_connection_id(self) -> int:
        return next(self._connection_ids)


@dataclass
class UpgradeRequest:
    raw: bytes
    request_line: str
    header_lines: list[str]
    line_endings: str
    method: str = ""
    path: str = ""
    query: str = ""
    version: str = ""
    problem: str | None = None
    not_found: bool = False

    def header(self, name: str) -> str | None:
        for line in self.header_lines:
            key, sep, value = line.partition(":")
            if sep and key.strip().lower() == name.lower():
                return value.strip()
        return None

    def to_record(self) -> dict:
        return {
            "request_line": self.request_line,
            "header_lines": self.header_lines,
            "headers": [[line.partition(":")[0].strip(), line.partition(":")[2].strip()]
                        for line in self.header_lines],
            "line_endings": self.line_endings,
            "method": self.method, "path": self.path, "query": self.query, "version": self.version,
            "raw_hex": self.raw.hex(),
            "problem": self.problem,
        }


def parse_request(raw: bytes, lines: list[bytes]) -> UpgradeRequest:
    endings = {"crlf" if line.endswith(b"\r\n") else "lf" for line in lines}
    texts = [line.rstrip(b"\n").rstrip(b"\r").decode("latin-1") for line in lines]
    request = UpgradeRequest(raw, texts[0], texts[1:-1] if len(texts) > 1 else [],
                             endings.pop() if len(endings) == 1 else "mixed")
    parts = request.request_line.split(" ")
    if len(parts) != 3:
        request.problem = "request line does not have three parts"
        return request
    request.method, target, request.version = parts
    request.path, _, request.query = target.partition("?")
    if request.method != "GET":
        request.problem = "method is not GET"
    elif not request.version.startswith("HTTP/1."):
        request.problem = "not an HTTP/1.x request"
    elif request.path != UPGRADE_PATH:
        request.problem = "path is not %s" % UPGRADE_PATH
        request.not_found = True
    return request


class ClientConnection:
    def __init__(self, state: ServerState, reader: asyncio.StreamReader,
                 writer: asyncio.StreamWriter, transport: str):
        self.state = state
        self.reader = reader
        self.writer = writer
        self.transport = transport
        self.id = state.next_connection_id()
        self.log = _ConnectionLog(state.log, {"conn": self.id})
        self.inbox = Inbox()
        self.login_name: str | None = None
        self.login_info: loginpayload.LoginInfo | None = None
        self.end_reason = ""
        self.close_sent = False
        self._write_lock = asyncio.Lock()
        self._reader_task: asyncio.Task | None = None
        self._fragments: list[bytes] | None = None
        self._fragment_opcode = 0

    # -- record and sending -------------------------------------------------------------------

    def record(self, kind: str, **fields) -> None:
        self.state.recorder.write(kind, conn=self.id, **fields)

    @property
    def closing(self) -> bool:
        return self.writer.is_closing()

    async def send_bytes(self, data: bytes, record_kind: str | None, **fields) -> bool:
        """Writes data as one piece; records it as record_kind (None: not recorded).

        Returns False when the connection is already gone.
        """
        if self.closing:
            return False
        if record_kind is not None:
            self.record(record_kind, dir="out", **fields)
        async with self._write_lock:
            try:
                self.writer.write(data)
                await self.writer.drain()
            except (ConnectionError, OSError) as exc:
                self.end_reason = self.end_reason or "write failed: %s" % exc
                return False
        return True

    async def send_text(self, text: str) -> bool:
        return await self.send_bytes(wsframes.text_frame(text), "frame", opcode=wsframes.OP_TEXT, text=text)

    async def close(self, abort: bool = False) -> None:
        """Closes the connection (TCP close; for TLS after its close alert; abort: at once)."""
        if self.closing:
            return
        self.end_reason = self.end_reason or ("server aborted" if abort else "server closed")
        self.record("server_close", abort=abort)
        if abort:
            self.writer.transport.abort()
            return
        self.writer.close()
        try:
            async with asyncio.timeout(CLOSE_TIMEOUT):
                await self.writer.wait_closed()
        except (TimeoutError, ConnectionError, OSError, ssl.SSLError):
            self.writer.transport.abort()

    # -- the connection's course --------------------------------------------------------------

    async def run(self) -> None:
        peer = self.writer.get_extra_info("peername")
        self.record("connect", transport=self.transport, peer="%s:%s" % tuple(peer[:2]) if peer else None)
        self.log.info("%s connection from %s", self.transport, peer)
        try:
            await self._run()
        except Exception as exc:  # a client must never take the server down
            self.log.exception("connection failed")
            self.record("error", what="internal error", detail=repr(exc))
        finally:
            await self._finish()

    async def _run(self) -> None:
        request = await self._read_request()
        if request is None:
            return
        index = self.state.upgrades
        self.state.upgrades += 1
        script = self.state.scripts.for_connection(index) if self.state.scripts else None
        self.record("upgrade", upgrade_index=index, **request.to_record())

        if script is not None and script.handshake_response is not None:
            await self.send_bytes(script.handshake_response, "handshake_response",
                                  hex=script.handshake_response.hex(),
                                  text=script.handshake_response.decode("latin-1"))
        elif request.problem is not None:
            self.log.warning("refused upgrade request %r: %s", request.request_line, request.problem)
            self.record("error", what="bad upgrade request", detail=request.problem)
            response = RESPONSE_NOT_FOUND if request.not_found else RESPONSE_BAD_REQUEST
            await self.send_bytes(response, "handshake_response", text=response.decode("latin-1"))
            await self.close()
            return
        else:
            response = RESPONSE_SWITCHING
            key = request.header("Sec-WebSocket-Key")
            if key:
                accept = base64.b64encode(hashlib.sha1((key + WEBSOCKET_GUID).encode("latin-1")).digest())
                response += b"Sec-WebSocket-Accept: " + accept + b"\r\n"
            response += b"\r\n"
            await self.send_bytes(response, "handshake_response", text=response.decode("latin-1"))

        self.inbox.collect_frames = script is not None
        self._reader_task = asyncio.create_task(self._read_frames())
        if script is not None:
            if not await run_steps(self, script.before_login, "before_login", script.timeout):
                self.record("script_done", ok=False)
                await self.close()
                return

        passed = await self._answer_login(request, script)
        if not passed:
            await self.close()
            return

        then = "demo" if self.state.demo else "idle"
        if script is not None:
            ok = await run_steps(self, script.steps, "steps", script.timeout)
            self.record("script_done", ok=ok)
            self.inbox.stop_collecting_frames()
            if not ok:
                await self.close()
                return
            then = script.then
        if then == "close":
            await self.close()
        elif then == "demo" and self.state.lobby is not None:
            await self.state.lobby.serve(self)
        else:
            await self._idle()

    async def _answer_login(self, request: UpgradeRequest, script) -> bool:
        info = None
        decode_error = None
        try:
            info = loginpayload.decode_login(request.query, self.state.masks)
        except loginpayload.LoginDecodeError as exc:
            decode_error = str(exc)
        self.login_info = info
        if script is not None and script.login_answer is not None:
            answer, passed = script.login_answer, True
        elif script is not None and script.login == "skip":
            answer, passed = None, True
        else:
            answer = loginpayload.check_login(info, self.state.accounts)
            passed = answer == loginpayload.ANSWER_OK
        entry = info.to_record() if info is not None else {"encoded": request.query}
        self.record("login", answer=answer, ok=passed, decode_error=decode_error, **entry)
        if info is not None:
            self.login_name = info.login.decode("utf-8", errors="replace")
        self.log.info("login %r: %s", self.login_name, answer if answer is not None else "(no answer sent)")
        if answer is not None and not await self.send_text(answer):
            return False
        return passed

    async def _idle(self) -> None:
        """Records what comes in and answers the text "ping" with "pong" until the client leaves."""
        while True:
            try:
                message = await self.inbox.next_message()
            except InboxEnded:
                return
            if message.opcode == wsframes.OP_TEXT and message.payload == b"ping":
                await self.send_text("pong")

    async def _finish(self) -> None:
        if self.state.lobby is not None:
            self.state.lobby.forget(self)
        if not self.closing:
            await self.close()
        if self._reader_task is not None:
            try:
                async with asyncio.timeout(CLOSE_TIMEOUT):
                    await self._reader_task
            except TimeoutError:
                self._reader_task.cancel()
        self.record("disconnect", reason=self.end_reason or "closed")
        self.log.info("connection ended: %s", self.end_reason or "closed")

    # -- reading --------------------------------------------------------------------------------

    async def _read_request(self) -> UpgradeRequest | None:
        lines: list[bytes] = []
        raw = bytearray()
        try:
            async with asyncio.timeout(REQUEST_TIMEOUT):
                while True:
                    line = await self.reader.readuntil(b"\n")
                    raw += line
                    lines.append(line)
                    if len(raw) > MAX_REQUEST_BYTES:
                        raise ValueError("upgrade request longer than %d bytes" % MAX_REQUEST_BYTES)
                    if line in (b"\r\n", b"\n"):
                        break
        except asyncio.IncompleteReadError as exc:
            raw += exc.partial
            if raw:
                self.record("error", what="connection ended inside the upgrade request", **clipped_hex(bytes(raw)))
            self.end_reason = "no complete upgrade request"
            return None
        except TimeoutError:
            self.record("error", what="no complete upgrade request within %g s" % REQUEST_TIMEOUT,
                        **clipped_hex(bytes(raw)))
            self.end_reason = "upgrade request timed out"
            return None
        except (ValueError, asyncio.LimitOverrunError) as exc:
            self.record("error", what="upgrade request too long", detail=str(exc), **clipped_hex(bytes(raw)))
            await self.send_bytes(RESPONSE_BAD_REQUEST, "handshake_response",
                                  text=RESPONSE_BAD_REQUEST.decode("latin-1"))
            self.end_reason = "upgrade request too long"
            return None
        except (ConnectionError, OSError) as exc:
            self.end_reason = "transport error before the upgrade: %s" % exc
            return None
        return parse_request(bytes(raw), lines)

    async def _read_frames(self) -> None:
        """Reads, records and answers the client's frames until the connection ends."""
        try:
            while True:
                frame = await wsframes.read_frame(self.reader, self.state.max_frame)
                if frame is None:
                    self.end_reason = self.end_reason or "client closed the connection"
                    break
                self._record_frame(frame)
                self.inbox.put_frame(frame)
                if frame.opcode == wsframes.OP_PING:
                    pong = wsframes.encode_frame(frame.payload, wsframes.OP_PONG)
                    await self.send_bytes(pong, "frame", opcode=wsframes.OP_PONG, hex=frame.payload.hex())
                elif frame.opcode == wsframes.OP_CLOSE:
                    if not self.close_sent:
                        self.close_sent = True
                        echo = wsframes.encode_frame(frame.payload, wsframes.OP_CLOSE)
                        await self.send_bytes(echo, "frame", opcode=wsframes.OP_CLOSE, hex=frame.payload.hex())
                    self.end_reason = self.end_reason or "client sent a close frame"
                    break
                elif frame.opcode != wsframes.OP_PONG:
                    self._collect(frame)
        except wsframes.FrameError as exc:
            self._protocol_error(exc.reason, exc.data)
        except _MessageError as exc:
            self._protocol_error(str(exc), b"")
        except (ConnectionError, OSError) as exc:
            self.end_reason = self.end_reason or "transport error: %s" % exc
        finally:
            self.inbox.end()
            if not self.closing:
                self.writer.close()

    def _protocol_error(self, reason: str, data: bytes) -> None:
        self.log.warning("bad frame from the client: %s", reason)
        self.record("error", what="bad frame", detail=reason, **clipped_hex(data))
        self.end_reason = "bad frame: %s" % reason

    def _record_frame(self, frame: wsframes.Frame) -> None:
        fields = dict(dir="in", opcode=frame.opcode, opcode_name=frame.opcode_name, fin=frame.fin,
                      rsv=frame.rsv, masked=frame.masked, length=frame.length,
                      length_form=frame.length_form, header_hex=frame.header.hex())
        if frame.masked:
            fields["mask_key_hex"] = frame.mask_key.hex()
        fields.update(payload_fields(frame.payload, frame.opcode == wsframes.OP_TEXT))
        self.record("frame", **fields)
        if fields.get("utf8_error"):
            self.record("error", what="invalid UTF-8 in a text frame", **clipped_hex(frame.payload))

    def _collect(self, frame: wsframes.Frame) -> None:
        """Puts data frames together into messages; fragments are allowed, interleaving is not."""
        if frame.opcode == wsframes.OP_CONTINUATION:
            if self._fragments is None:
                raise _MessageError("continuation frame without a message to continue")
            self._fragments.append(frame.payload)
            if sum(len(part) for part in self._fragments) > self.state.max_frame:
                raise _MessageError("fragmented message over the limit of %d bytes" % self.state.max_frame)
        else:
            if self._fragments is not None:
                raise _MessageError("new %s frame inside a fragmented message" % frame.opcode_name)
            if frame.fin:
                self.inbox.put_message(Message(frame.opcode, frame.payload))
                return
            self._fragments = [frame.payload]
            self._fragment_opcode = frame.opcode
            return
        if frame.fin:
            payload = b"".join(self._fragments)
            self._fragments = None
            fields = payload_fields(payload, self._fragment_opcode == wsframes.OP_TEXT)
            self.record("message", dir="in", opcode=self._fragment_opcode, length=len(payload), **fields)
            if fields.get("utf8_error"):
                self.record("error", what="invalid UTF-8 in a text message", **clipped_hex(payload))
            self.inbox.put_message(Message(self._fragment_opcode, payload))


class _MessageError(Exception):
    pass


class _ConnectionLog(logging.LoggerAdapter):
    def process(self, msg, kwargs):
        return "[conn %d] %s" % (self.extra["conn"], msg), kwargs


async def serve_client(state: ServerState, reader, writer, transport: str) -> None:
    await ClientConnection(state, reader, writer, transport).run()


async def serve_tls(state: ServerState, listener, context: ssl.SSLContext, stream_limit: int,
                    handshake_timeout: float) -> None:
    """Accepts TLS clients on a listening socket until cancelled.

    The handshake is awaited here, rather than inside the listener, so that a client that refuses
    the certificate (or speaks plain TCP to the TLS port) is logged and recorded.
    """
    loop = asyncio.get_running_loop()
    handshakes: set[asyncio.Task] = set()

    async def handshake(sock, peer) -> None:
        reader = asyncio.StreamReader(limit=stream_limit)
        protocol = asyncio.StreamReaderProtocol(reader)
        try:
            transport, _ = await loop.connect_accepted_socket(
                lambda: protocol, sock, ssl=context, ssl_handshake_timeout=handshake_timeout)
        except (ssl.SSLError, OSError, TimeoutError) as exc:
            sock.close()
            state.log.info("TLS handshake with %s failed: %s", peer, exc)
            state.recorder.write("tls_error", peer="%s:%s" % tuple(peer[:2]), detail=str(exc) or repr(exc))
            return
        writer = asyncio.StreamWriter(transport, protocol, reader, loop)
        await serve_client(state, reader, writer, "tls")

    while True:
        sock, peer = await loop.sock_accept(listener)
        task = asyncio.create_task(handshake(sock, peer))
        handshakes.add(task)
        task.add_done_callback(handshakes.discard)
