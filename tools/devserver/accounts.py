"""Player accounts of the development server: built-in ones for tests, or a text file."""

from __future__ import annotations

# Used when no accounts file is given. The third one has a colon and a non-ASCII letter in its
# password, so that tests see the payload carried as UTF-8.
DEFAULT_ACCOUNTS = {
    "alice": "secret",
    "bob": "hunter2",
    "carol": "pa:ss wörd",
}


class AccountsError(ValueError):
    pass


def parse_accounts(text: str, source: str = "accounts") -> dict[str, str]:
    """Reads "login:password" lines; the password is everything after the first colon.

    Blank lines and lines starting with "#" are skipped; trailing CR and LF are not part of the
    password, other white space is.
    """
    accounts: dict[str, str] = {}
    for number, line in enumerate(text.splitlines(), start=1):
        line = line.rstrip("\r\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        if ":" not in line:
            raise AccountsError("%s line %d: expected login:password" % (source, number))
        login, password = line.split(":", 1)
        if not login:
            raise AccountsError("%s line %d: empty login" % (source, number))
        if "\x7f" in login or "\x7f" in password:
            raise AccountsError("%s line %d: the byte 0x7F cannot be part of a login" % (source, number))
        accounts[login] = password
    return accounts


def load_accounts(path: str | None) -> dict[str, str]:
    """The accounts of the file at path (UTF-8), or the built-in ones when path is None."""
    if path is None:
        return dict(DEFAULT_ACCOUNTS)
    with open(path, "r", encoding="utf-8") as handle:
        return parse_accounts(handle.read(), path)
