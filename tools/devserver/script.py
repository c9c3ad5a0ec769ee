"""Scripted mode: a JSON file says what the server sends to the client and what it expects back.

A script is checked completely when it is loaded, so a mistake stops the server at start-up
instead of in the middle of a test. README.md describes the format; in short:

    {"handshake_response": "...", "login": "check" | "skip", "login_answer": "...",
     "before_login": [steps], "steps": [steps], "then": "idle" | "close" | "demo",
     "timeout": seconds}

or a list of steps, or {"per_connection": [script, script, ...]} (the k-th upgrade request is
served by the k-th script, the last one serving all later connections).
"""

from __future__ import annotations

import asyncio
import json
import re
import time
from dataclasses import dataclass, field

import wsframes
from inbox import InboxEnded

FIELD_SEPARATOR = "\x7f"
DEFAULT_TIMEOUT = 5.0
FLOOD_CHUNK_BYTES = 256 * 1024

SCRIPT_KEYS = {"handshake_response", "handshake_response_hex", "login", "login_answer",
               "before_login", "steps", "then", "timeout", "comment"}
STEP_ACTIONS = ("send", "send_binary_hex", "send_frame", "send_raw_hex", "expect", "expect_regex",
                "expect_binary_hex", "expect_frame", "expect_close", "sleep", "close", "flood")
STEP_OPTIONS = {"timeout", "comment"}
SEND_FRAME_KEYS = {"opcode", "fin", "rsv", "payload", "payload_hex", "masked", "mask_key_hex",
                   "length_override", "length_form", "truncate_to"}
EXPECT_FRAME_KEYS = {"opcode", "fin", "rsv", "masked", "payload", "payload_hex", "header_hex", "length"}
THEN_VALUES = ("idle", "close", "demo")
LOGIN_VALUES = ("check", "skip")


class ScriptError(ValueError):
    pass


def _hex(value, where: str) -> bytes:
    if not isinstance(value, str):
        raise ScriptError("%s: expected a hex string" % where)
    try:
        return bytes.fromhex("".join(value.split()))
    except ValueError:
        raise ScriptError("%s: %r is not hex" % (where, value)) from None


def _text_or_fields(value, where: str) -> str:
    """A text, or a list of texts joined with the field separator 0x7F."""
    if isinstance(value, str):
        return value
    if isinstance(value, list) and all(isinstance(item, str) for item in value):
        return FIELD_SEPARATOR.join(value)
    raise ScriptError("%s: expected a string or a list of strings" % where)


def _number(value, where: str, minimum: float = 0) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)) or value < minimum:
        raise ScriptError("%s: expected a number >= %s" % (where, minimum))
    return value


def _integer(value, where: str, minimum: int = 0) -> int:
    if isinstance(value, bool) or not isinstance(value, int) or value < minimum:
        raise ScriptError("%s: expected an integer >= %d" % (where, minimum))
    return value


def _payload(frame: dict, where: str) -> bytes | None:
    if "payload" in frame and "payload_hex" in frame:
        raise ScriptError("%s: give payload or payload_hex, not both" % where)
    if "payload_hex" in frame:
        return _hex(frame["payload_hex"], where + ".payload_hex")
    if "payload" in frame:
        return _text_or_fields(frame["payload"], where + ".payload").encode("utf-8")
    return None


def build_frame(frame, where: str = "send_frame") -> bytes:
    """The bytes of a "send_frame" step (see README.md for the keys)."""
    if not isinstance(frame, dict):
        raise ScriptError("%s: expected an object" % where)
    unknown = set(frame) - SEND_FRAME_KEYS
    if unknown:
        raise ScriptError("%s: unknown keys %s" % (where, sorted(unknown)))
    try:
        opcode = wsframes.parse_opcode(frame.get("opcode", "text"))
    except ValueError as exc:
        raise ScriptError("%s: %s" % (where, exc)) from None
    fin = frame.get("fin", True)
    masked = frame.get("masked", False)
    if not isinstance(fin, bool) or not isinstance(masked, bool):
        raise ScriptError("%s: fin and masked are true or false" % where)
    rsv = _integer(frame.get("rsv", 0), where + ".rsv")
    payload = _payload(frame, where) or b""
    mask_key = None
    if masked or "mask_key_hex" in frame:
        mask_key = _hex(frame.get("mask_key_hex", wsframes.DEFAULT_MASK_KEY.hex()), where + ".mask_key_hex")
        masked = True
    length = frame.get("length_override")
    if length is not None:
        length = _integer(length, where + ".length_override")
    length_form = frame.get("length_form")
    if length_form not in (None, "auto", 7, 16, 64):
        raise ScriptError("%s.length_form: expected 7, 16, 64 or \"auto\"" % where)
    if length_form == "auto":
        length_form = None
    try:
        data = wsframes.encode_frame(payload, opcode, fin, rsv, mask_key, length, length_form)
    except ValueError as exc:
        raise ScriptError("%s: %s" % (where, exc)) from None
    if "truncate_to" in frame:
        data = data[:_integer(frame["truncate_to"], where + ".truncate_to")]
    return data


@dataclass
class Step:
    action: str
    value: object
    timeout: float | None
    source: dict

    def describe(self) -> dict:
        return self.source


@dataclass
class FrameExpectation:
    opcode: int | None = None
    fin: bool | None = None
    rsv: int | None = None
    masked: bool | None = None
    payload: bytes | None = None
    header: bytes | None = None
    length: int | None = None

    def matches(self, frame: wsframes.Frame) -> bool:
        checks = (
            (self.opcode, frame.opcode), (self.fin, frame.fin), (self.rsv, frame.rsv),
            (self.masked, frame.masked), (self.payload, frame.payload),
            (self.header, frame.header), (self.length, frame.length),
        )
        return all(wanted is None or wanted == got for wanted, got in checks)


def _parse_expect_frame(frame, where: str) -> FrameExpectation:
    if not isinstance(frame, dict):
        raise ScriptError("%s: expected an object" % where)
    unknown = set(frame) - EXPECT_FRAME_KEYS
    if unknown:
        raise ScriptError("%s: unknown keys %s" % (where, sorted(unknown)))
    expectation = FrameExpectation()
    if "opcode" in frame:
        try:
            expectation.opcode = wsframes.parse_opcode(frame["opcode"])
        except ValueError as exc:
            raise ScriptError("%s: %s" % (where, exc)) from None
    for key in ("fin", "masked"):
        if key in frame:
            if not isinstance(frame[key], bool):
                raise ScriptError("%s.%s: expected true or false" % (where, key))
            setattr(expectation, key, frame[key])
    if "rsv" in frame:
        expectation.rsv = _integer(frame["rsv"], where + ".rsv")
    if "length" in frame:
        expectation.length = _integer(frame["length"], where + ".length")
    expectation.payload = _payload(frame, where)
    if "header_hex" in frame:
        expectation.header = _hex(frame["header_hex"], where + ".header_hex")
    return expectation


def parse_step(raw, where: str) -> Step:
    if not isinstance(raw, dict):
        raise ScriptError("%s: a step is an object" % where)
    actions = [key for key in raw if key in STEP_ACTIONS]
    unknown = set(raw) - set(STEP_ACTIONS) - STEP_OPTIONS
    if unknown:
        raise ScriptError("%s: unknown keys %s" % (where, sorted(unknown)))
    if len(actions) != 1:
        raise ScriptError("%s: a step has exactly one of %s" % (where, ", ".join(STEP_ACTIONS)))
    action = actions[0]
    value = raw[action]
    here = "%s.%s" % (where, action)
    timeout = None
    if "timeout" in raw:
        timeout = _number(raw["timeout"], where + ".timeout")
    if action == "send":
        value = _text_or_fields(value, here)
    elif action in ("send_binary_hex", "send_raw_hex", "expect_binary_hex"):
        value = _hex(value, here)
    elif action == "send_frame":
        value = build_frame(value, here)
    elif action == "expect":
        value = _text_or_fields(value, here)
    elif action == "expect_regex":
        if not isinstance(value, str):
            raise ScriptError("%s: expected a regular expression" % here)
        try:
            value = re.compile(value, re.DOTALL)
        except re.error as exc:
            raise ScriptError("%s: %s" % (here, exc)) from None
    elif action == "expect_frame":
        value = _parse_expect_frame(value, here)
    elif action == "expect_close":
        if value is not True:
            timeout = _number(value, here)
    elif action == "sleep":
        value = _number(value, here)
    elif action == "close":
        if value not in (True, "abort"):
            raise ScriptError("%s: expected true or \"abort\"" % here)
    elif action == "flood":
        if not isinstance(value, dict) or set(value) - {"text", "binary_hex", "count"}:
            raise ScriptError("%s: expected {\"text\": ..., \"count\": N}" % here)
        count = _integer(value.get("count"), here + ".count", 1)
        if ("text" in value) == ("binary_hex" in value):
            raise ScriptError("%s: give text or binary_hex" % here)
        if "text" in value:
            frame = wsframes.text_frame(_text_or_fields(value["text"], here + ".text"))
        else:
            frame = wsframes.encode_frame(_hex(value["binary_hex"], here + ".binary_hex"),
                                          wsframes.OP_BINARY)
        value = (frame, count)
    return Step(action, value, timeout, raw)


@dataclass
class Script:
    handshake_response: bytes | None = None
    login: str = "check"
    login_answer: str | None = None
    before_login: list[Step] = field(default_factory=list)
    steps: list[Step] = field(default_factory=list)
    then: str = "idle"
    timeout: float = DEFAULT_TIMEOUT


def parse_script(raw, where: str = "script") -> Script:
    if isinstance(raw, list):
        raw = {"steps": raw}
    if not isinstance(raw, dict):
        raise ScriptError("%s: expected an object or a list of steps" % where)
    unknown = set(raw) - SCRIPT_KEYS
    if unknown:
        raise ScriptError("%s: unknown keys %s" % (where, sorted(unknown)))
    script = Script()
    if "handshake_response" in raw and "handshake_response_hex" in raw:
        raise ScriptError("%s: give handshake_response or handshake_response_hex, not both" % where)
    if "handshake_response" in raw:
        if not isinstance(raw["handshake_response"], str):
            raise ScriptError("%s.handshake_response: expected a string" % where)
        script.handshake_response = raw["handshake_response"].encode("utf-8")
    if "handshake_response_hex" in raw:
        script.handshake_response = _hex(raw["handshake_response_hex"], where + ".handshake_response_hex")
    script.login = raw.get("login", "check")
    if script.login not in LOGIN_VALUES:
        raise ScriptError("%s.login: expected one of %s" % (where, ", ".join(LOGIN_VALUES)))
    if "login_answer" in raw:
        script.login_answer = _text_or_fields(raw["login_answer"], where + ".login_answer")
    script.then = raw.get("then", "idle")
    if script.then not in THEN_VALUES:
        raise ScriptError("%s.then: expected one of %s" % (where, ", ".join(THEN_VALUES)))
    if "timeout" in raw:
        script.timeout = _number(raw["timeout"], where + ".timeout")
    for phase in ("before_login", "steps"):
        steps = raw.get(phase, [])
        if not isinstance(steps, list):
            raise ScriptError("%s.%s: expected a list of steps" % (where, phase))
        setattr(script, phase, [parse_step(step, "%s.%s[%d]" % (where, phase, index))
                                for index, step in enumerate(steps)])
    return script


class ScriptBook:
    """The scripts of a script file, one per connection in order, the last one repeating."""

    def __init__(self, scripts: list[Script]):
        if not scripts:
            raise ScriptError("per_connection needs at least one script")
        self.scripts = scripts

    def for_connection(self, index: int) -> Script:
        return self.scripts[min(index, len(self.scripts) - 1)]


def parse_script_book(raw) -> ScriptBook:
    if isinstance(raw, dict) and "per_connection" in raw:
        if set(raw) - {"per_connection", "comment"}:
            raise ScriptError("script: per_connection stands alone")
        entries = raw["per_connection"]
        if not isinstance(entries, list):
            raise ScriptError("script.per_connection: expected a list of scripts")
        return ScriptBook([parse_script(entry, "script.per_connection[%d]" % index)
                           for index, entry in enumerate(entries)])
    return ScriptBook([parse_script(raw)])


def load_script_book(path: str) -> ScriptBook:
    try:
        with open(path, "r", encoding="utf-8") as handle:
            raw = json.load(handle)
    except json.JSONDecodeError as exc:
        raise ScriptError("%s: not valid JSON: %s" % (path, exc)) from None
    return parse_script_book(raw)


class ScriptFailure(Exception):
    pass


async def run_steps(conn, steps: list[Step], phase: str, default_timeout: float) -> bool:
    """Runs steps on a client connection; records each one; stops at the first that fails.

    `conn` offers send_text, send_bytes, close, inbox and record (see session.ClientConnection).
    """
    for index, step in enumerate(steps):
        timeout = step.timeout if step.timeout is not None else default_timeout
        try:
            detail = await _run_step(conn, step, timeout)
        except ScriptFailure as exc:
            conn.record("script_step", phase=phase, index=index, action=step.action, ok=False,
                        detail=str(exc), step=step.describe())
            conn.log.warning("script %s step %d (%s) failed: %s", phase, index, step.action, exc)
            return False
        conn.record("script_step", phase=phase, index=index, action=step.action, ok=True,
                    detail=detail, step=step.describe())
    return True


async def _send(conn, data: bytes, what: str, **record_fields) -> None:
    if not await conn.send_bytes(data, what, **record_fields):
        raise ScriptFailure("the connection is gone; could not send")


async def _wait_message(conn, predicate, timeout: float, wanted: str):
    try:
        return await conn.inbox.next_message(predicate, timeout)
    except asyncio.TimeoutError:
        raise ScriptFailure("no %s within %.3g s" % (wanted, timeout)) from None
    except InboxEnded:
        raise ScriptFailure("the connection ended before %s arrived" % wanted) from None


async def _run_step(conn, step: Step, timeout: float):
    action, value = step.action, step.value
    if action == "send":
        await _send(conn, wsframes.text_frame(value), "frame", opcode=wsframes.OP_TEXT, text=value)
    elif action == "send_binary_hex":
        await _send(conn, wsframes.encode_frame(value, wsframes.OP_BINARY), "frame",
                    opcode=wsframes.OP_BINARY, hex=value.hex())
    elif action in ("send_frame", "send_raw_hex"):
        await _send(conn, value, "raw", hex=value.hex())
        if action == "send_frame" and value and value[0] & 0x0F == wsframes.OP_CLOSE:
            conn.close_sent = True  # the client's echo then ends the connection without a reply
    elif action == "expect":
        message = await _wait_message(
            conn, lambda m: m.opcode == wsframes.OP_TEXT and m.payload == value.encode("utf-8"),
            timeout, "text message %r" % value)
        return {"text": message.text}
    elif action == "expect_regex":
        message = await _wait_message(
            conn, lambda m: m.opcode == wsframes.OP_TEXT and value.search(m.text) is not None,
            timeout, "text message matching %r" % value.pattern)
        return {"text": message.text}
    elif action == "expect_binary_hex":
        message = await _wait_message(
            conn, lambda m: m.opcode == wsframes.OP_BINARY and m.payload == value,
            timeout, "binary message %s" % value.hex())
        return {"hex": message.payload.hex()}
    elif action == "expect_frame":
        try:
            frame = await conn.inbox.next_frame(value.matches, timeout)
        except asyncio.TimeoutError:
            raise ScriptFailure("no matching frame within %.3g s" % timeout) from None
        except InboxEnded:
            raise ScriptFailure("the connection ended before a matching frame arrived") from None
        return {"header_hex": frame.header.hex(), "payload_hex": frame.payload.hex()}
    elif action == "expect_close":
        try:
            await conn.inbox.wait_end(timeout)
        except asyncio.TimeoutError:
            raise ScriptFailure("the client did not close within %.3g s" % timeout) from None
        return {"reason": conn.end_reason}
    elif action == "sleep":
        await asyncio.sleep(value)
    elif action == "close":
        await conn.close(abort=(value == "abort"))
    elif action == "flood":
        frame, count = value
        started = time.monotonic()
        data = frame * count
        for start in range(0, len(data), FLOOD_CHUNK_BYTES):
            if not await conn.send_bytes(data[start:start + FLOOD_CHUNK_BYTES], None):
                raise ScriptFailure("the connection is gone after %d of %d bytes" % (start, len(data)))
        elapsed = time.monotonic() - started
        return {"frames": count, "bytes": len(data), "seconds": round(elapsed, 6)}
    return None
