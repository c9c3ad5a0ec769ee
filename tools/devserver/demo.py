"""The demo lobby: a small but real game room to try the client against.

After login a player gets a welcome line and the main menu: chat, a question in an input box, a
yes/no message box, tic-tac-toe played on a 3 x 3 grid menu, a grid of pictures (the client's own
image scripts: dice and card suits), the list of who is here, optionally a file download, and
leaving. Chat lines ("chat <text>") go back to everybody as history lines.
"""

from __future__ import annotations

import asyncio

import wsframes
from inbox import InboxEnded

DEL = "\x7f"

NOTICE_CHANNEL = 1
CHAT_CHANNEL = 3
GAME_CHANNEL = 5
IMPORTANT_CHANNEL = 0

# The history's inline codes: a segment break, a palette colour (the next
# character is 14 + the palette index), a link, bold.
SEGMENT = "\x0c"
PALETTE = "\x0e"
LINK = "\x10"
BOLD = "\x11"

MAIN_MENU_ID = 1
GRID_MENU_ID = 2
PICTURES_MENU_ID = 5
QUESTION_ID = 101
YES_NO_ID = 102
DOWNLOAD_ID = 103

MENU_KEEP_OPEN = 0x01
MENU_TYPE_AHEAD = 0x02
MENU_SELECT_KEEP_TAG = -2

MB_YESNO = 4
IDYES = 6
IDNO = 7
KEY_F1 = 0x70

# The pictures: text and image of each entry, drawn in square cells, five to a row.
PICTURES = [("Die showing one", "dice/one"), ("Die showing two", "dice/two"),
            ("Die showing three", "dice/three"), ("Die showing four", "dice/four"),
            ("Die showing five", "dice/five"), ("Die showing six", "dice/six"),
            ("Hearts", "cards/hearts"), ("Diamonds", "cards/diamonds"), ("Clubs", "cards/clubs"),
            ("Spades", "cards/spades")]
PICTURES_COLUMNS = 5

GRID_SIZE = 3
GRID_COLUMNS = "ABC"
LINES = ((0, 1, 2), (3, 4, 5), (6, 7, 8), (0, 3, 6), (1, 4, 7), (2, 5, 8), (0, 4, 8), (2, 4, 6))
PLAYER_MARK = "X"
SERVER_MARK = "O"


def strtol(text: str) -> int:
    """Reads an integer the way C strtol does with base 0; no digits give 0."""
    text = text.lstrip(" \t\r\n\v\f")
    sign = 1
    if text[:1] in ("+", "-"):
        sign = -1 if text[0] == "-" else 1
        text = text[1:]
    if text[:2].lower() == "0x" and text[2:3] and text[2].lower() in "0123456789abcdef":
        base, digits, text = 16, "0123456789abcdef", text[2:]
    elif text[:1] == "0":
        base, digits = 8, "01234567"
    else:
        base, digits = 10, "0123456789"
    value = 0
    for ch in text.lower():
        if ch not in digits:
            break
        value = value * base + digits.index(ch)
    return sign * value


def say(channel: int, text: str) -> str:
    return "say%d %s" % (channel, text)


def sai(channel: int, text: str) -> str:
    """A history line spoken with interruption."""
    return "sai%d %s" % (channel, text)


def palette(index: int) -> str:
    return PALETTE + chr(14 + index)


def greeting(web_host: str) -> list[str]:
    """What follows the welcome line and the menu: lines on several channels, one with colours,
    a segment break and a link to the web host, and a flash of the window when it is not active."""
    return [
        say(GAME_CHANNEL, "Page Up and Page Down read the messages again; Alt+Left and Alt+Right "
                          "change the view."),
        say(CHAT_CHANNEL, palette(4) + "Colours: red," + SEGMENT + BOLD + " bold," + SEGMENT + palette(8)
            + " green" + SEGMENT + " and a link: " + SEGMENT + LINK + "https://%s/help.html" % web_host),
        sai(IMPORTANT_CHANNEL, "The lobby is open."),
        "flsh%d 3" % CHAT_CHANNEL,
    ]


def menu_command(menu_id: int, items: list[tuple], columns: int = 1, selected: int = 0,
                 flags: int = 0, cell: str = "") -> str:
    """A "menu" command: id, columns, count, selected, flags, cell, then text, tag, sound, options.
    Items are (text, tag) or (text, tag, options)."""
    fields = [str(menu_id), str(columns), str(len(items)), str(selected), str(flags), cell]
    for text, tag, *options in items:
        fields += [text, tag or "null", "null", (options[0] if options else "") or "null"]
    return "menu " + DEL.join(fields)


def pictures_menu() -> str:
    """The pictures in a grid of square cells; each entry's image is named by its "@" option."""
    items = [(text, "p%d" % index, "@" + image) for index, (text, image) in enumerate(PICTURES)]
    return menu_command(PICTURES_MENU_ID, items, columns=PICTURES_COLUMNS, flags=MENU_KEEP_OPEN, cell=":1:1")


def winner(board: list[str]) -> str | None:
    for a, b, c in LINES:
        if board[a] != " " and board[a] == board[b] == board[c]:
            return board[a]
    return None


def server_move(board: list[str]) -> int | None:
    """Wins if it can, blocks the player if it must, else takes the centre, a corner or a side."""
    free = [index for index, mark in enumerate(board) if mark == " "]
    if not free:
        return None
    for mark in (SERVER_MARK, PLAYER_MARK):
        for index in free:
            trial = list(board)
            trial[index] = mark
            if winner(trial) == mark:
                return index
    for index in (4, 0, 2, 6, 8, 1, 3, 5, 7):
        if index in free:
            return index
    return None


class Player:
    def __init__(self, conn, name: str):
        self.conn = conn
        self.name = name
        self.board: list[str] | None = None

    async def send(self, text: str) -> bool:
        return await self.conn.send_text(text)


class Lobby:
    def __init__(self, download_name: str | None = None, web_host: str = "localhost"):
        self.download_name = download_name
        self.web_host = web_host
        self.players: dict[object, Player] = {}

    def forget(self, conn) -> None:
        self.players.pop(conn, None)

    def main_menu(self) -> str:
        items = [("Chat with everyone", "chat"), ("Answer a question", "question"),
                 ("Yes or no", "yesno"), ("Tic-tac-toe on a grid", "grid"), ("Pictures", "pictures"),
                 ("Who is here", "who")]
        if self.download_name:
            items.append(("Download %s" % self.download_name, "download"))
        items.append(("Leave the server", "leave"))
        return menu_command(MAIN_MENU_ID, items, flags=MENU_KEEP_OPEN | MENU_TYPE_AHEAD)

    async def broadcast(self, text: str, skip: Player | None = None) -> None:
        targets = [player for player in self.players.values() if player is not skip]
        await asyncio.gather(*(player.send(text) for player in targets))

    async def serve(self, conn) -> None:
        """Runs the lobby for one logged-in connection until it ends."""
        player = Player(conn, conn.login_name or "guest")
        self.players[conn] = player
        try:
            await player.send(say(NOTICE_CHANNEL, "Welcome to the Orvelle development server, %s! "
                                                  "Press F1 for help." % player.name))
            await player.send(self.main_menu())
            for line in greeting(self.web_host):
                await player.send(line)
            await self.broadcast(say(NOTICE_CHANNEL, "%s joined the lobby." % player.name), skip=player)
            while True:
                try:
                    message = await conn.inbox.next_message()
                except InboxEnded:
                    return
                if message.opcode == wsframes.OP_TEXT:
                    await self.handle(player, message.text)
        finally:
            self.forget(conn)
            await self.broadcast(say(NOTICE_CHANNEL, "%s left the lobby." % player.name))

    async def handle(self, player: Player, text: str) -> None:
        if text == "ping":
            await player.send("pong")
        elif text.startswith("chat "):
            line = text[5:]
            if line.strip():
                await self.broadcast(say(CHAT_CHANNEL, "%s: %s" % (player.name, line)))
        elif text.startswith("msel "):
            fields = text[5:].split(DEL)
            menu_id = strtol(fields[0])
            index = strtol(fields[1]) if len(fields) > 1 else -1
            tag = fields[2] if len(fields) > 2 else ""
            if menu_id == MAIN_MENU_ID and index >= 0:
                await self.choose(player, tag)
            elif menu_id == GRID_MENU_ID:
                await self.grid_choice(player, index, tag)
            elif menu_id == PICTURES_MENU_ID:
                await self.picture_choice(player, index)
        elif text.startswith("inbx "):
            fields = text[5:].split(DEL, 1)
            request = strtol(fields[0])
            answer = fields[1] if len(fields) > 1 else ""
            if request == QUESTION_ID:
                await player.send(say(NOTICE_CHANNEL, "You answered: %s" % answer))
            elif request == DOWNLOAD_ID:
                result = strtol(answer)
                await player.send(say(NOTICE_CHANNEL, "The download finished with code %d%s."
                                      % (result, " (success)" if result == 0 else "")))
        elif text.startswith("msgb "):
            fields = text[5:].split(DEL)
            if strtol(fields[0]) == YES_NO_ID and len(fields) > 1:
                button = strtol(fields[1])
                reply = {IDYES: "You said yes.", IDNO: "You said no."}.get(button, "You closed the box.")
                await player.send(say(NOTICE_CHANNEL, reply))
        elif text.startswith("key ") and strtol(text[4:]) == KEY_F1:
            await player.send(say(NOTICE_CHANNEL,
                                  "Choose an entry of the menu with the arrows and Enter; "
                                  "type in the chat line to talk to everyone."))

    async def choose(self, player: Player, tag: str) -> None:
        if tag == "chat":
            await player.send("focuschat ")
        elif tag == "question":
            await player.send("inbx " + DEL.join([str(QUESTION_ID), "Question",
                                                  "What is your favourite colour?", "blue"]))
        elif tag == "yesno":
            await player.send("msgb " + DEL.join([str(YES_NO_ID), "Demo",
                                                  "Do you like this server?", str(MB_YESNO)]))
        elif tag == "grid":
            player.board = [" "] * (GRID_SIZE * GRID_SIZE)
            await player.send(say(NOTICE_CHANNEL, "Tic-tac-toe: you play X. Choose a square."))
            await player.send(self.grid_menu(player.board, 4))
        elif tag == "pictures":
            await player.send(pictures_menu())
        elif tag == "who":
            names = sorted(other.name for other in self.players.values())
            await player.send(say(NOTICE_CHANNEL, "Here now: %s." % ", ".join(names)))
        elif tag == "download" and self.download_name:
            await player.send("dwnl %d %s 0" % (DOWNLOAD_ID, self.download_name))
        elif tag == "leave":
            await player.send(say(NOTICE_CHANNEL, "Goodbye, %s." % player.name))
            await player.send("quit")

    @staticmethod
    async def picture_choice(player: Player, index: int) -> None:
        if 0 <= index < len(PICTURES):
            await player.send(say(NOTICE_CHANNEL, "You chose: %s." % PICTURES[index][0]))
        else:
            await player.send("mcls %d" % PICTURES_MENU_ID)

    @staticmethod
    def grid_menu(board: list[str], selected: int) -> str:
        items = []
        for index, mark in enumerate(board):
            square = "%s%d" % (GRID_COLUMNS[index % GRID_SIZE], index // GRID_SIZE + 1)
            items.append(("%s %s" % (square, "empty" if mark == " " else mark), "c%d" % index))
        return menu_command(GRID_MENU_ID, items, columns=GRID_SIZE, selected=selected,
                            flags=MENU_KEEP_OPEN, cell=":1:1")

    async def grid_choice(self, player: Player, index: int, tag: str) -> None:
        board = player.board
        if board is None:
            return
        if index < 0:
            player.board = None
            await player.send("mcls %d" % GRID_MENU_ID)
            await player.send(say(NOTICE_CHANNEL, "Game abandoned."))
            return
        square = strtol(tag[1:]) if tag.startswith("c") else index
        if not 0 <= square < len(board):
            return
        if board[square] != " ":
            await player.send(say(NOTICE_CHANNEL, "That square is taken."))
            return
        board[square] = PLAYER_MARK
        reply = server_move(board) if winner(board) is None else None
        if reply is not None:
            board[reply] = SERVER_MARK
        result = winner(board)
        if result is None and " " in board:
            await player.send(self.grid_menu(board, MENU_SELECT_KEEP_TAG))
            return
        player.board = None
        await player.send("mcls %d" % GRID_MENU_ID)
        verdict = {PLAYER_MARK: "You win!", SERVER_MARK: "I win!"}.get(result, "It is a draw.")
        await player.send(say(NOTICE_CHANNEL, "Tic-tac-toe: %s" % verdict))
