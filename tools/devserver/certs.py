"""Test certificates made with the openssl command-line tool.

Two unrelated chains are kept in the certificate folder:

    ca.pem, ca.key                          the test CA that clients are told to trust
    server.pem, server.key                  "localhost" (DNS:localhost, IP:127.0.0.1, IP:::1), signed by it
    untrusted/ca.pem, untrusted/ca.key      a second CA that nobody trusts
    untrusted/server.pem, untrusted/server.key   the same names, signed by the second CA

Files that are already there are reused; a lock file keeps two servers from making them at once.
"""

from __future__ import annotations

import fcntl
import os
import secrets
import shutil
import subprocess
import tempfile
from dataclasses import dataclass

CERT_DAYS = "3650"
# EC P-256 keys: quick to make, and understood by every TLS stack the client may use.
KEY_ARGS = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1"]
SERVER_NAME = "localhost"
SERVER_EXTENSIONS = """\
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1, IP:::1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid, issuer
"""


class CertificateError(RuntimeError):
    pass


@dataclass
class Chain:
    """One CA and the server certificate it signed."""

    folder: str
    ca_cert: str
    ca_key: str
    server_cert: str
    server_key: str

    @classmethod
    def in_folder(cls, folder: str) -> "Chain":
        return cls(folder,
                   os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key"),
                   os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))

    def complete(self) -> bool:
        return all(os.path.isfile(path) and os.path.getsize(path) > 0
                   for path in (self.ca_cert, self.ca_key, self.server_cert, self.server_key))


@dataclass
class Certificates:
    trusted: Chain
    untrusted: Chain


def default_certdir() -> str:
    return os.path.join(tempfile.gettempdir(), "orvc-devserver-certs")


def _openssl(args: list[str], cwd: str) -> None:
    try:
        result = subprocess.run(["openssl"] + args, cwd=cwd, capture_output=True, text=True, timeout=60)
    except FileNotFoundError:
        raise CertificateError("the openssl command-line tool is not installed") from None
    if result.returncode != 0:
        raise CertificateError("openssl %s failed: %s" % (args[0], result.stderr.strip()))


def _make_chain(chain: Chain, ca_name: str) -> None:
    """Creates the four files of a chain in a scratch folder, then moves them into place."""
    os.makedirs(chain.folder, exist_ok=True)
    work = tempfile.mkdtemp(prefix=".making-", dir=chain.folder)
    try:
        _openssl(["req", "-x509", "-new"] + KEY_ARGS + ["-nodes", "-sha256",
                  "-days", CERT_DAYS, "-keyout", "ca.key", "-out", "ca.pem",
                  "-subj", "/CN=" + ca_name,
                  "-addext", "basicConstraints=critical,CA:TRUE",
                  "-addext", "keyUsage=critical,keyCertSign,cRLSign",
                  "-addext", "subjectKeyIdentifier=hash"], work)
        _openssl(["req", "-new"] + KEY_ARGS + ["-nodes", "-sha256",
                  "-keyout", "server.key", "-out", "server.csr",
                  "-subj", "/CN=" + SERVER_NAME], work)
        with open(os.path.join(work, "server.ext"), "w", encoding="ascii") as handle:
            handle.write(SERVER_EXTENSIONS)
        _openssl(["x509", "-req", "-sha256", "-days", CERT_DAYS, "-in", "server.csr",
                  "-CA", "ca.pem", "-CAkey", "ca.key",
                  "-set_serial", "0x" + secrets.token_hex(12),
                  "-extfile", "server.ext", "-out", "server.pem"], work)
        for name in ("ca.key", "ca.pem", "server.key", "server.pem"):
            os.replace(os.path.join(work, name), os.path.join(chain.folder, name))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def ensure_certificates(certdir: str | None = None) -> Certificates:
    """Makes the trusted and the untrusted chain in certdir unless they are already there."""
    certdir = os.path.abspath(certdir or default_certdir())
    os.makedirs(certdir, exist_ok=True)
    certs = Certificates(Chain.in_folder(certdir), Chain.in_folder(os.path.join(certdir, "untrusted")))
    with open(os.path.join(certdir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            if not certs.trusted.complete():
                _make_chain(certs.trusted, "Orvelle development test CA")
            if not certs.untrusted.complete():
                _make_chain(certs.untrusted, "Orvelle untrusted test CA")
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)
    return certs
