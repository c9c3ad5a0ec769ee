"""The demo lobby: a small but real game room to try the client against.

After login a player gets a welcome line and the main menu (with sounds and colours): chat, a
question in an input box, a password box, a yes/no message box, tic-tac-toe played on a 3 x 3 grid
menu whose taken squares are placeholders, a settings submenu that stays open and changes its items
in place ("mupi"), a list of 200 players to search by typing, a grid of pictures
(the client's own image scripts: dice and card suits), the list of who is here, optionally a
file download, and leaving. Every answer is told back as a history line. Chat lines
("chat <text>") go back to everybody as history lines.
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
SETTINGS_MENU_ID = 3
PLAYERS_MENU_ID = 4
PICTURES_MENU_ID = 5
QUESTION_ID = 101
YES_NO_ID = 102
DOWNLOAD_ID = 103
PASSWORD_ID = 104

MENU_KEEP_OPEN = 0x01
MENU_TYPE_AHEAD = 0x02
MENU_KEYS = 0x08

MENU_PLACEHOLDER = " "
PLAYER_COUNT = 200
# Syllables of the demo players' names: 10 x 20 different names, in no order.
NAME_STARTS = ("Al", "Be", "Ca", "Da", "El", "Fi", "Go", "Ha", "Ir", "Jo")
NAME_ENDS = ("ber", "dan", "fa", "gor", "kin", "li", "mo", "na", "ra", "so", "ti", "va", "wen", "xo", "yu",
             "zed", "lin", "pa", "ru", "te")

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


def item_fields(text: str, tag: str = "", sound: str = "", options: str = "") -> list[str]:
    """One item's four fields; "null" stands for an empty tag, sound or options."""
    return [text, tag or "null", sound or "null", options or "null"]


def menu_command(menu_id: int, items: list[tuple], columns: int = 1, selected: int = 0,
                 flags: int = 0, cell: str = "") -> str:
    """A "menu" command: id, columns, count, selected, flags, cell, then for each item its text,
    tag, sound and options (items are (text, tag) or (text, tag, sound, options))."""
    fields = [str(menu_id), str(columns), str(len(items)), str(selected), str(flags), cell]
    for item in items:
        fields += item_fields(*item)
    return "menu " + DEL.join(fields)


def item_update(index: int, text: str, tag: str = "", sound: str = "", options: str = "") -> str:
    """A "mupi" command: the item at index of the menu on top rebuilt (and made current)."""
    return "mupi " + DEL.join([str(index)] + item_fields(text, tag, sound, options))


def player_names() -> list[str]:
    return [NAME_STARTS[i % 10] + NAME_ENDS[i // 10] for i in range(PLAYER_COUNT)]


def pictures_menu() -> str:
    """The pictures in a grid of square cells; each entry's image is named by its "@" option."""
    items = [(text, "p%d" % index, "", "@" + image) for index, (text, image) in enumerate(PICTURES)]
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
        self.volume = 50
        self.dark = False
        self.radio = False

    async def send(self, text: str) -> bool:
        return await self.conn.send_text(text)


class Lobby:
    def __init__(self, download_name: str | None = None, web_host: str = "localhost"):
        self.download_name = download_name
        self.web_host = web_host
        # Set once the radio host listens: the main menu then offers it.
        self.radio_url: str | None = None
        self.players: dict[object, Player] = {}

    def forget(self, conn) -> None:
        self.players.pop(conn, None)

    def main_menu(self) -> str:
        # Text colours and backgrounds are palette indexes; -3 is white.
        items = [("Chat with everyone", "chat", "menuitem", "#4"), ("Answer a question", "question", "menuitem"),
                 ("Give the password", "password", "menuitem"), ("Yes or no", "yesno", "menuitem", "#8 _-3"),
                 ("Tic-tac-toe on a grid", "grid", "menuitem"), ("Settings", "settings", "menuitem"),
                 ("Players", "players", "menuitem"), ("Who is here", "who", "menuitem"),
                 ("Pictures", "pictures", "menuitem")]
        if self.download_name:
            items.append(("Download %s" % self.download_name, "download"))
        if self.radio_url:
            items.append(("Radio on or off", "radio", "menuitem"))
        items.append(("Leave the server", "leave", "menuitem", "#2"))
        return menu_command(MAIN_MENU_ID, items, flags=MENU_KEEP_OPEN | MENU_TYPE_AHEAD)

    @staticmethod
    def volume_item(player: Player) -> tuple:
        return ("Volume %d" % player.volume, "volume")

    @staticmethod
    def theme_item(player: Player) -> tuple:
        return ("Colours: %s" % ("dark" if player.dark else "light"), "theme")

    def settings_menu(self, player: Player) -> str:
        return menu_command(SETTINGS_MENU_ID, [self.volume_item(player), self.theme_item(player), ("Back", "back")],
                            flags=MENU_KEEP_OPEN)

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
            elif menu_id == SETTINGS_MENU_ID:
                await self.settings_choice(player, index, tag)
            elif menu_id == PLAYERS_MENU_ID:
                names = player_names()
                chosen = names[index] if 0 <= index < len(names) and tag == "p%d" % index else None
                await player.send(say(NOTICE_CHANNEL, "You chose %s." % chosen if chosen else "No player chosen."))
            elif menu_id == PICTURES_MENU_ID:
                await self.picture_choice(player, index)
        elif text.startswith("inbx "):
            fields = text[5:].split(DEL, 1)
            request = strtol(fields[0])
            answer = fields[1] if len(fields) > 1 else ""
            if request == QUESTION_ID:
                await player.send(say(NOTICE_CHANNEL, "You answered: %s" % answer))
            elif request == PASSWORD_ID:
                verdict = "right" if answer == "opensesame" else "wrong"
                await player.send(say(NOTICE_CHANNEL, "You gave a password of %d characters; it is %s."
                                      % (len(answer), verdict)))
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
        elif text.startswith("mkey "):
            # Keys in the grid come with the square under the cursor.
            fields = text[5:].split(DEL)
            if len(fields) >= 4 and strtol(fields[0]) == KEY_F1 and strtol(fields[1]) == GRID_MENU_ID:
                await player.send(say(NOTICE_CHANNEL, "You are on %s. Choose a free square with the arrows and "
                                                      "Enter; Escape gives up." % self.square_name(strtol(fields[2]))))
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
        elif tag == "password":
            await player.send("inbp " + DEL.join([str(PASSWORD_ID), "Password",
                                                  "Say the secret word (it is opensesame).", ""]))
        elif tag == "settings":
            await player.send(self.settings_menu(player))
        elif tag == "players":
            items = [(name, "p%d" % i) for i, name in enumerate(player_names())]
            await player.send(say(NOTICE_CHANNEL, "Type the first letters of a name to find it."))
            await player.send(menu_command(PLAYERS_MENU_ID, items, flags=MENU_TYPE_AHEAD))
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
        elif tag == "radio" and self.radio_url:
            # A stream name at volume 0 stops the stream.
            player.radio = not player.radio
            await player.send("play0 %s %s" % (self.radio_url, "1" if player.radio else "0"))
            await player.send(say(NOTICE_CHANNEL, "Radio on." if player.radio else "Radio off."))
        elif tag == "leave":
            await player.send(say(NOTICE_CHANNEL, "Goodbye, %s." % player.name))
            await player.send("quit")

    async def settings_choice(self, player: Player, index: int, tag: str) -> None:
        if index < 0 or tag == "back":
            await player.send("mcls %d" % SETTINGS_MENU_ID)
            await player.send(say(NOTICE_CHANNEL, "Settings closed: volume %d, %s colours."
                                  % (player.volume, "dark" if player.dark else "light")))
        elif tag == "volume":
            player.volume = (player.volume + 10) % 110
            await player.send(item_update(index, *self.volume_item(player)))
        elif tag == "theme":
            player.dark = not player.dark
            await player.send(item_update(index, *self.theme_item(player)))

    @staticmethod
    async def picture_choice(player: Player, index: int) -> None:
        if 0 <= index < len(PICTURES):
            await player.send(say(NOTICE_CHANNEL, "You chose: %s." % PICTURES[index][0]))
        else:
            await player.send("mcls %d" % PICTURES_MENU_ID)

    @staticmethod
    def square_name(index: int) -> str:
        return "%s%d" % (GRID_COLUMNS[index % GRID_SIZE], index // GRID_SIZE + 1)

    @classmethod
    def board_text(cls, board: list[str]) -> str:
        marks = ["%s: %s" % (mark, ", ".join(cls.square_name(i) for i, m in enumerate(board) if m == mark) or "none")
                 for mark in (PLAYER_MARK, SERVER_MARK)]
        return "; ".join(marks) + "."

    @classmethod
    def grid_menu(cls, board: list[str], selected: int) -> str:
        """Free squares by name on alternating backgrounds; taken squares are placeholders, which the
        cursor never lands on (the marks are told in the history)."""
        items = []
        for index, mark in enumerate(board):
            if mark == " ":
                items.append((cls.square_name(index), "c%d" % index, "", "_%d" % (9 + index % 2)))
            else:
                items.append((MENU_PLACEHOLDER, "c%d" % index, "", "_-2"))
        return menu_command(GRID_MENU_ID, items, columns=GRID_SIZE, selected=selected,
                            flags=MENU_KEEP_OPEN | MENU_KEYS, cell=":1:1")

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
        await player.send(say(GAME_CHANNEL, self.board_text(board)))
        if result is None and " " in board:
            free = [i for i, mark in enumerate(board) if mark == " "]
            await player.send(self.grid_menu(board, free[0]))
            return
        player.board = None
        await player.send("mcls %d" % GRID_MENU_ID)
        verdict = {PLAYER_MARK: "You win!", SERVER_MARK: "I win!"}.get(result, "It is a draw.")
        await player.send(say(NOTICE_CHANNEL, "Tic-tac-toe: %s" % verdict))
