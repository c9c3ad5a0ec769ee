"""What the client sent, queued for whoever drives the connection (a script, the lobby, idling).

Messages (whole data messages) and frames (every frame, control frames included) are two separate
queues, so that waiting for one kind never throws away the other. Frames are only kept while a
script may ask for them.
"""

from __future__ import annotations

import asyncio
from collections import deque
from dataclasses import dataclass


class InboxEnded(Exception):
    """The connection ended and nothing that matches is left in the queue."""


@dataclass
class Message:
    opcode: int
    payload: bytes

    @property
    def text(self) -> str:
        return self.payload.decode("utf-8", errors="replace")


class Inbox:
    def __init__(self):
        self._messages: deque = deque()
        self._frames: deque = deque()
        self._changed = asyncio.Event()
        self.collect_frames = False
        self.ended = False

    def put_message(self, message: Message) -> None:
        self._messages.append(message)
        self._changed.set()

    def put_frame(self, frame) -> None:
        if self.collect_frames:
            self._frames.append(frame)
            self._changed.set()

    def stop_collecting_frames(self) -> None:
        self.collect_frames = False
        self._frames.clear()

    def end(self) -> None:
        self.ended = True
        self._changed.set()

    async def next_message(self, predicate=None, timeout: float | None = None) -> Message:
        """The next message for which predicate holds; earlier ones that do not match are dropped."""
        return await self._next(self._messages, predicate, timeout)

    async def next_frame(self, predicate=None, timeout: float | None = None):
        return await self._next(self._frames, predicate, timeout)

    async def wait_end(self, timeout: float | None = None) -> None:
        async with asyncio.timeout(timeout):
            while not self.ended:
                self._changed.clear()
                await self._changed.wait()

    async def _next(self, queue: deque, predicate, timeout: float | None):
        async with asyncio.timeout(timeout):
            while True:
                while queue:
                    item = queue.popleft()
                    if predicate is None or predicate(item):
                        return item
                if self.ended:
                    raise InboxEnded()
                self._changed.clear()
                await self._changed.wait()
