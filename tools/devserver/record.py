"""The record: one JSON object per line for everything the server received (and sent).

Each line is flushed as soon as it is written, so a test can read the file while the server runs.
Lines are written from the server's event loop and from the file host's threads, under one lock.
"""

from __future__ import annotations

import json
import threading
import time

# Payload bytes kept in an error entry; the rest is only counted.
ERROR_BYTES_KEPT = 256


class Recorder:
    def __init__(self, path: str | None):
        self._lock = threading.Lock()
        self._file = open(path, "a", encoding="utf-8") if path else None

    @property
    def enabled(self) -> bool:
        return self._file is not None

    def write(self, kind: str, **fields) -> None:
        """Appends one entry {"time", "kind", **fields}; does nothing without a record file."""
        if self._file is None:
            return
        entry = {"time": round(time.time(), 6), "kind": kind}
        entry.update(fields)
        line = json.dumps(entry, ensure_ascii=True)
        with self._lock:
            if self._file is None:
                return
            self._file.write(line + "\n")
            self._file.flush()

    def close(self) -> None:
        with self._lock:
            if self._file is not None:
                self._file.close()
                self._file = None


def payload_fields(payload: bytes, as_text: bool) -> dict:
    """Record fields for a payload: "text" when it is meant as text and is valid UTF-8, else "hex"."""
    if as_text:
        try:
            return {"text": payload.decode("utf-8")}
        except UnicodeDecodeError:
            return {"hex": payload.hex(), "utf8_error": True}
    return {"hex": payload.hex()}


def clipped_hex(data: bytes) -> dict:
    """Hex of at most ERROR_BYTES_KEPT bytes of data, with the full length."""
    return {"bytes_hex": data[:ERROR_BYTES_KEPT].hex(), "bytes_count": len(data)}
