"""The web host for downloads: a static folder served over HTTPS with the test certificate.

The client fetches "https://" + web host + download folder + name; a URL path maps onto the
served folder as it is (with the client's default download folder "/autodl/", put the files
under <folder>/autodl/). Each request is recorded.
"""

from __future__ import annotations

import functools
import logging
import socket
import ssl
import threading
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

HANDSHAKE_TIMEOUT = 10.0


class _FileRequestHandler(SimpleHTTPRequestHandler):
    server_version = "OrvelleDevFiles/1.0"

    def log_request(self, code="-", size="-"):
        status = code.value if hasattr(code, "value") else code
        self.server.recorder.write("http", method=self.command, path=self.path, status=status,
                                   peer="%s:%s" % self.client_address[:2])
        self.server.log.info("https %s %s -> %s", self.command, self.path, status)

    def log_message(self, format, *args):
        self.server.log.debug("https: " + format, *args)


class _TLSFileServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, handler, context: ssl.SSLContext, recorder, log, family):
        self.address_family = family
        self.context = context
        self.recorder = recorder
        self.log = log
        super().__init__(address, handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, on the request's own thread, so that a slow or failing
        # client never holds up the accepting thread.
        request.settimeout(HANDSHAKE_TIMEOUT)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as exc:
            self.log.info("https handshake with %s failed: %s", client_address, exc)
            self.recorder.write("http_error", peer="%s:%s" % client_address[:2], detail=str(exc))
            return
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            try:
                tls.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        self.log.warning("https request from %s failed", client_address, exc_info=True)


class FileHost:
    """Serves `folder` on host:port (0 = a free port) until stop()."""

    def __init__(self, host: str, port: int, folder: str, context: ssl.SSLContext, recorder,
                 log: logging.Logger | None = None):
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        handler = functools.partial(_FileRequestHandler, directory=folder)
        self.server = _TLSFileServer((host, port), handler, context, recorder,
                                     log or logging.getLogger("devserver"), family)
        self.port = self.server.server_address[1]
        self._thread = threading.Thread(target=self.server.serve_forever, name="file-host", daemon=True)

    def start(self) -> None:
        self._thread.start()

    def stop(self) -> None:
        self.server.shutdown()
        self.server.server_close()
