"""The login that the client carries in the query of its upgrade request: decoding and checking.

The client writes eleven fields separated by the byte 0x7F (login, password, language, client
version, machine identifier, client version again, OS code, screen-reader description, volume
serial, user name, bitness), numbers in lower-case base 36, and encodes the bytes three at a time
into four characters of a URL-safe Base64 alphabet, padding a short last group with dots.
"""

from __future__ import annotations

from dataclasses import dataclass, field

QUERY_ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"
QUERY_PAD = "."
FIELD_SEPARATOR = b"\x7f"
FIELD_COUNT = 11
BASE36_DIGITS = "0123456789abcdefghijklmnopqrstuvwxyz"

# The client formats its payload into a buffer of 1024 bytes.
MAX_PAYLOAD_BYTES = 1023

FIELD_NAMES = (
    "login", "password", "language", "client_version", "machine_id", "client_version_again",
    "os_code", "screen_reader", "volume_serial", "user_name", "bitness",
)
NUMERIC_FIELDS = ("client_version", "machine_id", "client_version_again", "os_code",
                  "screen_reader", "volume_serial")

USER_NAME_ABSENT = b"noname"

ANSWER_OK = "ok"
ANSWER_MALFORMED = "fail Malformed login data"
ANSWER_UNKNOWN_ACCOUNT = "fail Unknown account"
ANSWER_WRONG_PASSWORD = "fail Wrong password"

_ALPHABET_VALUES = {ch: value for value, ch in enumerate(QUERY_ALPHABET)}


class LoginDecodeError(ValueError):
    pass


@dataclass
class IdentityMasks:
    """The client's constants that hide the machine identifiers; the server needs the same ones."""

    machine_low: int = 0
    machine_high: int = 0
    volume: int = 0
    user_byte: int = 0

    @classmethod
    def parse(cls, text: str) -> "IdentityMasks":
        """Reads "MACHINE_LOW,MACHINE_HIGH,VOLUME,USER_BYTE" (each decimal or 0x hexadecimal)."""
        parts = [part.strip() for part in text.split(",")]
        if len(parts) != 4:
            raise ValueError("four comma-separated masks are needed")
        values = [int(part, 0) for part in parts]
        limits = (0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF)
        for value, limit in zip(values, limits):
            if not 0 <= value <= limit:
                raise ValueError("mask %#x out of range" % value)
        return cls(*values)


def encode_query(payload: bytes) -> str:
    """Encodes payload bytes as the client puts them into the query (used by tests and tools)."""
    out = []
    for start in range(0, len(payload), 3):
        group = payload[start:start + 3]
        bits = int.from_bytes(group + b"\0" * (3 - len(group)), "big")
        chars = [QUERY_ALPHABET[(bits >> shift) & 0x3F] for shift in (18, 12, 6, 0)]
        used = len(group) + 1
        out.append("".join(chars[:used]) + QUERY_PAD * (4 - used))
    return "".join(out)


def decode_query(text: str) -> tuple[bytes, list[str]]:
    """Decodes the query back into payload bytes.

    Returns the bytes and a list of remarks about forms that decode but that the client's encoder
    would not produce (unused bits not zero). Raises LoginDecodeError for anything undecodable.
    """
    remarks: list[str] = []
    if len(text) % 4:
        raise LoginDecodeError("encoded login has %d characters, not a multiple of four" % len(text))
    out = bytearray()
    groups = len(text) // 4
    for index in range(groups):
        chunk = text[index * 4:index * 4 + 4]
        if chunk.endswith(QUERY_PAD * 2):
            digits = chunk[:2]
        elif chunk.endswith(QUERY_PAD):
            digits = chunk[:3]
        else:
            digits = chunk
        if QUERY_PAD in digits:
            raise LoginDecodeError("padding inside group %d (%r)" % (index, chunk))
        if len(digits) < 4 and index != groups - 1:
            raise LoginDecodeError("padded group %d (%r) is not the last" % (index, chunk))
        bits = 0
        for ch in digits:
            if ch not in _ALPHABET_VALUES:
                raise LoginDecodeError("character %r is not in the login alphabet" % ch)
            bits = (bits << 6) | _ALPHABET_VALUES[ch]
        byte_count = len(digits) - 1
        spare_bits = len(digits) * 6 - byte_count * 8
        if bits & ((1 << spare_bits) - 1):
            remarks.append("unused bits of group %d are not zero" % index)
        out += (bits >> spare_bits).to_bytes(byte_count, "big")
    return bytes(out), remarks


def parse_base36(text: str) -> int | None:
    """Reads a number as the client writes it: lower-case base 36, no sign, no leading zeros."""
    if not text or any(ch not in BASE36_DIGITS for ch in text):
        return None
    if len(text) > 1 and text[0] == "0":
        return None
    return int(text, 36)


def _text(data: bytes) -> str:
    return data.decode("utf-8", errors="replace")


@dataclass
class LoginInfo:
    """The decoded login; `fields` are the raw field bytes in the order the client sent them."""

    encoded: str
    payload: bytes
    fields: list[bytes]
    remarks: list[str] = field(default_factory=list)
    values: dict = field(default_factory=dict)

    @property
    def login(self) -> bytes:
        return self.fields[0]

    @property
    def password(self) -> bytes:
        return self.fields[1]

    def to_record(self) -> dict:
        entry = {
            "encoded": self.encoded,
            "payload_hex": self.payload.hex(),
            "field_count": len(self.fields),
            "fields": [_text(value) for value in self.fields],
            "fields_hex": [value.hex() for value in self.fields],
            "remarks": list(self.remarks),
        }
        entry.update(self.values)
        return entry


def split_fields(payload: bytes) -> list[bytes]:
    """Splits at 0x7F, keeping empty fields.

    The masked user name may itself contain the byte 0x7F; the bitness is always the last field,
    so any surplus separators are given back to the user name.
    """
    parts = payload.split(FIELD_SEPARATOR)
    if len(parts) > FIELD_COUNT:
        user_name = FIELD_SEPARATOR.join(parts[FIELD_COUNT - 2:-1])
        parts = parts[:FIELD_COUNT - 2] + [user_name, parts[-1]]
    return parts


def decode_login(encoded: str, masks: IdentityMasks | None = None) -> LoginInfo:
    """Decodes the query text into a LoginInfo; raises LoginDecodeError when it cannot be read."""
    masks = masks or IdentityMasks()
    payload, remarks = decode_query(encoded)
    if len(payload) > MAX_PAYLOAD_BYTES:
        remarks.append("payload of %d bytes is longer than the client's %d"
                       % (len(payload), MAX_PAYLOAD_BYTES))
    fields = split_fields(payload)
    info = LoginInfo(encoded, payload, fields, remarks)
    if len(fields) < 2:
        raise LoginDecodeError("login payload has %d field(s); login and password are needed" % len(fields))
    if len(fields) != FIELD_COUNT:
        remarks.append("payload has %d fields instead of %d" % (len(fields), FIELD_COUNT))
    values = info.values
    for name, raw in zip(FIELD_NAMES, fields):
        if name in NUMERIC_FIELDS:
            number = parse_base36(_text(raw))
            if number is None:
                remarks.append("field %s (%r) is not a base-36 number as the client writes them"
                               % (name, _text(raw)))
            values[name] = number
        elif name == "user_name":
            values["user_name_masked_hex"] = raw.hex()
            values["user_name_absent"] = raw == USER_NAME_ABSENT
            values["user_name"] = _text(bytes(b ^ masks.user_byte for b in raw))
        else:
            values[name] = _text(raw)
    _describe_numbers(values, masks, remarks)
    return info


def _describe_numbers(values: dict, masks: IdentityMasks, remarks: list[str]) -> None:
    version = values.get("client_version")
    if version is not None:
        values["client_version_text"] = "%d.%d.%d" % ((version >> 16) & 0xFF, (version >> 8) & 0xFF,
                                                      version & 0xFF)
    if "client_version_again" in values and values.get("client_version_again") != version:
        remarks.append("the two client version fields differ")
    machine = values.get("machine_id")
    if machine is not None:
        low = (machine & 0xFFFFFFFF) ^ masks.machine_low
        high = ((machine >> 32) & 0xFFFFFFFF) ^ masks.machine_high
        plain = (high << 32) | low
        values["machine_id_unmasked"] = plain
        values["mac_address"] = "-".join("%02x" % b for b in plain.to_bytes(8, "little")[:6])
    os_code = values.get("os_code")
    if os_code is not None:
        values["os_major"] = (os_code >> 8) & 0xFF
        values["os_minor"] = os_code & 0xFF
        if not os_code & 0x10000:
            remarks.append("OS code lacks the 0x10000 bit")
    reader = values.get("screen_reader")
    if reader is not None:
        low = reader & 0xFFFFFFFF
        high = (reader >> 32) & 0xFFFFFFFF
        values["screen_reader_version"] = "%d.%d.%d" % (low >> 24, (low >> 16) & 0xFF, low & 0xFFFF)
        values["speech_engine"] = None if high == 0xFFFFFFFF or high < 2 else high - 2
    volume = values.get("volume_serial")
    if volume is not None:
        values["volume_serial_unmasked"] = volume ^ masks.volume
    if "bitness" in values and values["bitness"] not in ("32", "64"):
        remarks.append("bitness field is neither 32 nor 64")


def check_login(info: LoginInfo | None, accounts: dict[str, str]) -> str:
    """The server's verdict: "ok", or "fail " followed by the reason shown to the player."""
    if info is None:
        return ANSWER_MALFORMED
    try:
        login = info.login.decode("utf-8")
        password = info.password.decode("utf-8")
    except UnicodeDecodeError:
        return ANSWER_MALFORMED
    if login not in accounts:
        return ANSWER_UNKNOWN_ACCOUNT
    if accounts[login] != password:
        return ANSWER_WRONG_PASSWORD
    return ANSWER_OK
