"""WebSocket frames as the development server builds and reads them.

The server writes frames of any shape (including malformed ones for tests) and reads the
client's frames strictly, so that a corrupted or interleaved frame is noticed, not guessed at.
"""

from __future__ import annotations

import asyncio
from dataclasses import dataclass

OP_CONTINUATION = 0x0
OP_TEXT = 0x1
OP_BINARY = 0x2
OP_CLOSE = 0x8
OP_PING = 0x9
OP_PONG = 0xA

OPCODE_NAMES = {
    OP_CONTINUATION: "continuation",
    OP_TEXT: "text",
    OP_BINARY: "binary",
    OP_CLOSE: "close",
    OP_PING: "ping",
    OP_PONG: "pong",
}
OPCODES_BY_NAME = {name: code for code, name in OPCODE_NAMES.items()}

DEFAULT_MASK_KEY = bytes.fromhex("37fa213d")

# Length field forms, named after the number of bits that carry the length.
LENGTH_FORM_7 = 7
LENGTH_FORM_16 = 16
LENGTH_FORM_64 = 64


class FrameError(Exception):
    """A frame that cannot be read: bad header, over-long payload or a connection cut short.

    `data` holds the bytes of the broken frame that were read before the problem was seen.
    """

    def __init__(self, reason: str, data: bytes = b""):
        super().__init__(reason)
        self.reason = reason
        self.data = bytes(data)


@dataclass
class Frame:
    """One frame as it was read from the wire; `payload` is already unmasked."""

    fin: bool
    rsv: int
    opcode: int
    masked: bool
    mask_key: bytes
    length: int
    length_form: int
    header: bytes
    payload: bytes

    @property
    def opcode_name(self) -> str:
        return OPCODE_NAMES.get(self.opcode, "reserved-%d" % self.opcode)

    @property
    def is_control(self) -> bool:
        return self.opcode >= 0x8


def parse_opcode(value) -> int:
    """Accepts an opcode as a number (0 to 15) or as one of the names of OPCODE_NAMES."""
    if isinstance(value, bool):
        raise ValueError("opcode must be a number or a name")
    if isinstance(value, int):
        if 0 <= value <= 15:
            return value
        raise ValueError("opcode %d is out of range 0..15" % value)
    if isinstance(value, str) and value in OPCODES_BY_NAME:
        return OPCODES_BY_NAME[value]
    raise ValueError("unknown opcode %r" % (value,))


def apply_mask(data: bytes, key: bytes) -> bytes:
    """XORs data with the 4-byte masking key (the same operation masks and unmasks)."""
    if not data:
        return b""
    repeated = (key * (len(data) // 4 + 1))[: len(data)]
    return (int.from_bytes(data, "big") ^ int.from_bytes(repeated, "big")).to_bytes(len(data), "big")


def smallest_length_form(length: int) -> int:
    if length <= 125:
        return LENGTH_FORM_7
    if length <= 0xFFFF:
        return LENGTH_FORM_16
    return LENGTH_FORM_64


def encode_frame(
    payload: bytes,
    opcode: int = OP_TEXT,
    fin: bool = True,
    rsv: int = 0,
    mask_key: bytes | None = None,
    length: int | None = None,
    length_form: int | None = None,
) -> bytes:
    """Builds one frame.

    `length` is the length written into the header (default: the payload's real length); the
    payload is sent as given whatever the header says. `length_form` forces the 7-, 16- or 64-bit
    length field; by default the smallest that holds `length` is used. A `mask_key` sets the mask
    bit, is written after the length and masks the payload.
    """
    if not 0 <= opcode <= 15:
        raise ValueError("opcode out of range")
    if not 0 <= rsv <= 7:
        raise ValueError("rsv out of range")
    if length is None:
        length = len(payload)
    if length < 0:
        raise ValueError("negative length")
    if length_form is None:
        length_form = smallest_length_form(length)
    byte0 = (0x80 if fin else 0) | (rsv << 4) | opcode
    mask_bit = 0x80 if mask_key is not None else 0
    if length_form == LENGTH_FORM_7:
        if length > 125:
            raise ValueError("length %d does not fit the 7-bit form" % length)
        header = bytes([byte0, mask_bit | length])
    elif length_form == LENGTH_FORM_16:
        if length > 0xFFFF:
            raise ValueError("length %d does not fit the 16-bit form" % length)
        header = bytes([byte0, mask_bit | 126]) + length.to_bytes(2, "big")
    elif length_form == LENGTH_FORM_64:
        if length > 0xFFFFFFFFFFFFFFFF:
            raise ValueError("length %d does not fit the 64-bit form" % length)
        header = bytes([byte0, mask_bit | 127]) + length.to_bytes(8, "big")
    else:
        raise ValueError("length form must be 7, 16 or 64")
    if mask_key is not None:
        if len(mask_key) != 4:
            raise ValueError("a masking key has 4 bytes")
        return header + mask_key + apply_mask(payload, mask_key)
    return header + payload


def text_frame(text: str) -> bytes:
    return encode_frame(text.encode("utf-8"), OP_TEXT)


async def _read_exact(reader: asyncio.StreamReader, count: int, already: bytes, what: str) -> bytes:
    try:
        return await reader.readexactly(count)
    except asyncio.IncompleteReadError as exc:
        raise FrameError("connection ended inside the %s (%d of %d bytes)"
                         % (what, len(exc.partial), count), already + exc.partial) from None


async def read_frame(reader: asyncio.StreamReader, max_length: int) -> Frame | None:
    """Reads the next frame; None when the connection ended cleanly between two frames.

    The two first bytes are checked before anything else is read, so that a header made of
    stray payload bytes (the sign of two frames written into each other) is refused at once:
    reserved bits, unknown opcodes, fragmented or long control frames, a 64-bit length with its
    top bit set and a length above `max_length` all raise FrameError.
    """
    try:
        head = await reader.readexactly(2)
    except asyncio.IncompleteReadError as exc:
        if not exc.partial:
            return None
        raise FrameError("connection ended inside a frame header (1 of 2 bytes)", exc.partial) from None
    byte0, byte1 = head
    fin = bool(byte0 & 0x80)
    rsv = (byte0 >> 4) & 0x7
    opcode = byte0 & 0x0F
    masked = bool(byte1 & 0x80)
    short_length = byte1 & 0x7F
    if rsv:
        raise FrameError("reserved bits set in frame header byte 0x%02x" % byte0, head)
    if opcode not in OPCODE_NAMES:
        raise FrameError("unknown opcode 0x%x in frame header byte 0x%02x" % (opcode, byte0), head)
    if opcode >= 0x8 and not fin:
        raise FrameError("fragmented control frame (header byte 0x%02x)" % byte0, head)
    if opcode >= 0x8 and short_length > 125:
        raise FrameError("control frame with an extended length (header byte 0x%02x)" % byte1, head)
    header = bytes(head)
    if short_length == 126:
        extended = await _read_exact(reader, 2, header, "16-bit length")
        header += extended
        length = int.from_bytes(extended, "big")
        length_form = LENGTH_FORM_16
    elif short_length == 127:
        extended = await _read_exact(reader, 8, header, "64-bit length")
        header += extended
        length = int.from_bytes(extended, "big")
        length_form = LENGTH_FORM_64
        if length >> 63:
            raise FrameError("64-bit length with its top bit set", header)
    else:
        length = short_length
        length_form = LENGTH_FORM_7
    if length > max_length:
        raise FrameError("payload length %d is over the limit of %d bytes" % (length, max_length), header)
    mask_key = b""
    if masked:
        mask_key = await _read_exact(reader, 4, header, "masking key")
        header += mask_key
    payload = await _read_exact(reader, length, header, "payload") if length else b""
    if masked:
        payload = apply_mask(payload, mask_key)
    return Frame(fin, rsv, opcode, masked, mask_key, length, length_form, header, payload)
