#!/usr/bin/env python3
"""The Orvelle development game server: plain and TLS game listeners, an HTTPS file host,
accounts and the login check, a demo lobby, a scripted mode and a record of what clients sent.

When every listener is up it prints one line per listener on the standard output and flushes:

    CA <path of the test CA that clients should trust>      (when TLS or HTTPS is on)
    UNTRUSTED_CA <path of the unrelated second CA>          (when TLS or HTTPS is on)
    LISTENING plain 127.0.0.1 43121
    LISTENING tls 127.0.0.1 43122
    LISTENING https 127.0.0.1 43123
    LISTENING radio 127.0.0.1 43124
    LISTENING radio-tls 127.0.0.1 43125
    LISTENING radio-ftp 127.0.0.1 43126
    READY

and nothing more afterwards; the log goes to the standard error (or --log). See README.md.
"""

from __future__ import annotations

import argparse
import asyncio
import ipaddress
import logging
import os
import signal
import socket
import ssl
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import accounts as accounts_module  # noqa: E402
import certs  # noqa: E402
import demo  # noqa: E402
import loginpayload  # noqa: E402
import script as script_module  # noqa: E402
import session  # noqa: E402
from filehost import FileHost  # noqa: E402
from radio import ClipError, RadioFtpHost, RadioHost, ensure_clips  # noqa: E402
from radio import default_clipdir as radio_default_clipdir  # noqa: E402
from record import Recorder  # noqa: E402

STREAM_LIMIT = 64 * 1024
TLS_HANDSHAKE_TIMEOUT = 10.0


def parse_arguments(argv: list[str] | None = None) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        prog="devserver.py",
        description="Development game server for the Orvelle client (loopback only).")
    parser.add_argument("--host", default="127.0.0.1",
                        help="loopback address to listen on (default 127.0.0.1; ::1 and localhost work too)")
    parser.add_argument("--port", type=int, default=0,
                        help="plain WebSocket port; 0 picks a free one (default 0)")
    parser.add_argument("--no-plain", action="store_true", help="do not open the plain listener")
    parser.add_argument("--tls-port", type=int, default=None,
                        help="TLS WebSocket port; 0 picks a free one (default: no TLS listener)")
    parser.add_argument("--certdir", default=None,
                        help="folder for the generated test certificates (default: %s)" % certs.default_certdir())
    parser.add_argument("--untrusted", action="store_true",
                        help="present the server certificate of the unrelated second CA on TLS and HTTPS")
    parser.add_argument("--accounts", default=None,
                        help="accounts file, one login:password per line (default: built-in test accounts)")
    parser.add_argument("--id-masks", default="0,0,0,0", metavar="MLOW,MHIGH,VOLUME,USERBYTE",
                        help="the client's identity masks, to unmask the machine identifier, volume serial "
                             "and user name in the record (default 0,0,0,0)")
    parser.add_argument("--script", default=None, help="JSON script of what to send and expect")
    parser.add_argument("--record", default=None, help="append a JSON line per event to this file")
    parser.add_argument("--https-port", type=int, default=None,
                        help="HTTPS file host port; 0 picks a free one (needs --files)")
    parser.add_argument("--files", default=None, help="folder served by the HTTPS file host")
    parser.add_argument("--radio-port", type=int, default=None,
                        help="radio host port over HTTP; 0 picks a free one (default: none)")
    parser.add_argument("--radio-tls-port", type=int, default=None,
                        help="radio host port over HTTPS with the test certificate; 0 picks a free one")
    parser.add_argument("--radio-ftp-port", type=int, default=None,
                        help="radio host port over FTP (anonymous, passive); 0 picks a free one")
    parser.add_argument("--radio-dir", default=None,
                        help="folder for the radio's generated clips (default: %s)" % radio_default_clipdir())
    parser.add_argument("--demo", action="store_true", help="run the demo lobby after login")
    parser.add_argument("--demo-download", default=None, metavar="NAME",
                        help="offer a download of NAME in the demo lobby's menu (\"dwnl\")")
    parser.add_argument("--max-frame", type=int, default=session.DEFAULT_MAX_FRAME,
                        help="largest payload accepted from a client, in bytes (default %d)"
                             % session.DEFAULT_MAX_FRAME)
    parser.add_argument("--log", default=None, help="write the log to this file instead of the standard error")
    parser.add_argument("-v", "--verbose", action="store_true", help="log every connection and request")
    parser.add_argument("-q", "--quiet", action="store_true", help="log only errors")
    args = parser.parse_args(argv)
    if args.https_port is not None and not args.files:
        parser.error("--https-port needs --files")
    if args.files and not os.path.isdir(args.files):
        parser.error("--files: %s is not a folder" % args.files)
    if args.no_plain and all(getattr(args, name) is None
                             for name in ("tls_port", "https_port", "radio_port", "radio_tls_port", "radio_ftp_port")):
        parser.error("no listener left to open")
    for name in ("port", "tls_port", "https_port", "radio_port", "radio_tls_port", "radio_ftp_port"):
        value = getattr(args, name)
        if value is not None and not 0 <= value <= 65535:
            parser.error("--%s must be between 0 and 65535" % name.replace("_", "-"))
    if not is_loopback(args.host):
        parser.error("--host must be a loopback address (127.0.0.0/8, ::1 or localhost)")
    if args.host == "localhost":
        args.host = "127.0.0.1"
    try:
        args.masks = loginpayload.IdentityMasks.parse(args.id_masks)
    except ValueError as exc:
        parser.error("--id-masks: %s" % exc)
    return args


def is_loopback(host: str) -> bool:
    if host == "localhost":
        return True
    try:
        return ipaddress.ip_address(host).is_loopback
    except ValueError:
        return False


def setup_logging(args) -> logging.Logger:
    handler = logging.FileHandler(args.log, encoding="utf-8") if args.log else logging.StreamHandler(sys.stderr)
    handler.setFormatter(logging.Formatter("%(asctime)s devserver %(levelname)s %(message)s"))
    log = logging.getLogger("devserver")
    log.addHandler(handler)
    log.setLevel(logging.ERROR if args.quiet else logging.INFO if args.verbose else logging.WARNING)
    log.propagate = False
    return log


def server_context(chain: certs.Chain) -> ssl.SSLContext:
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(chain.server_cert, chain.server_key)
    return context


async def close_listeners(servers, tls_tasks, tls_sockets, hosts) -> None:
    for server in servers:
        server.close()
    for task in tls_tasks:
        task.cancel()
    await asyncio.gather(*tls_tasks, return_exceptions=True)
    for sock in tls_sockets:
        sock.close()
    for host in hosts:
        host.stop()


def announce(line: str) -> None:
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


async def serve(args, log: logging.Logger) -> int:
    try:
        accounts = accounts_module.load_accounts(args.accounts)
        scripts = script_module.load_script_book(args.script) if args.script else None
    except (OSError, ValueError) as exc:
        log.error("%s", exc)
        print("devserver: %s" % exc, file=sys.stderr)
        return 2

    context = None
    chains = None
    if args.tls_port is not None or args.https_port is not None or args.radio_tls_port is not None:
        try:
            chains = certs.ensure_certificates(args.certdir)
        except (OSError, certs.CertificateError) as exc:
            print("devserver: cannot make the test certificates: %s" % exc, file=sys.stderr)
            return 2
        context = server_context(chains.untrusted if args.untrusted else chains.trusted)

    recorder = Recorder(args.record)
    lobby = demo.Lobby(args.demo_download)
    state = session.ServerState(recorder=recorder, accounts=accounts, masks=args.masks, scripts=scripts,
                                lobby=lobby, demo=args.demo, max_frame=args.max_frame, log=log)
    loop = asyncio.get_running_loop()
    loop.set_exception_handler(lambda _loop, ctx: log.warning("event loop: %s", ctx.get("message")))

    listeners = []
    servers = []
    tls_sockets: list[socket.socket] = []
    tls_tasks: list[asyncio.Task] = []
    hosts = []
    clips = None
    if any(p is not None for p in (args.radio_port, args.radio_tls_port, args.radio_ftp_port)):
        try:
            clips = ensure_clips(args.radio_dir)
        except (OSError, ClipError, ValueError) as exc:
            print("devserver: cannot make the radio's clips: %s" % exc, file=sys.stderr)
            return 2
    try:
        if not args.no_plain:
            plain = await asyncio.start_server(
                lambda r, w: session.serve_client(state, r, w, "plain"),
                args.host, args.port, limit=STREAM_LIMIT)
            servers.append(plain)
            listeners.append(("plain", plain.sockets[0].getsockname()[1]))
        if args.tls_port is not None:
            family = socket.AF_INET6 if ":" in args.host else socket.AF_INET
            tls_socket = socket.create_server((args.host, args.tls_port), family=family)
            tls_socket.setblocking(False)
            tls_sockets.append(tls_socket)
            tls_tasks.append(asyncio.create_task(session.serve_tls(
                state, tls_socket, context, STREAM_LIMIT, TLS_HANDSHAKE_TIMEOUT)))
            listeners.append(("tls", tls_socket.getsockname()[1]))
        if args.https_port is not None:
            file_host = FileHost(args.host, args.https_port, args.files, context, recorder, log)
            file_host.start()
            hosts.append(file_host)
            listeners.append(("https", file_host.port))
        for kind, port, tls in (("radio", args.radio_port, None), ("radio-tls", args.radio_tls_port, context)):
            if port is not None:
                radio_host = RadioHost(args.host, port, tls, clips, recorder, log)
                radio_host.start()
                hosts.append(radio_host)
                listeners.append((kind, radio_host.port))
                if tls is None:
                    lobby.radio_url = "http://%s:%d/radio.ogg" % (args.host, radio_host.port)
        if args.radio_ftp_port is not None:
            ftp_host = RadioFtpHost(args.host, args.radio_ftp_port, clips, recorder, log)
            ftp_host.start()
            hosts.append(ftp_host)
            listeners.append(("radio-ftp", ftp_host.port))
    except OSError as exc:
        print("devserver: cannot listen: %s" % exc, file=sys.stderr)
        await close_listeners(servers, tls_tasks, tls_sockets, hosts)
        return 2

    recorder.write("start", pid=os.getpid(), listeners=[{"kind": kind, "host": args.host, "port": port}
                                                        for kind, port in listeners])
    if chains is not None:
        announce("CA %s" % chains.trusted.ca_cert)
        announce("UNTRUSTED_CA %s" % chains.untrusted.ca_cert)
    for kind, port in listeners:
        announce("LISTENING %s %s %d" % (kind, args.host, port))
    announce("READY")

    stop = asyncio.Event()
    for signum in (signal.SIGINT, signal.SIGTERM):
        loop.add_signal_handler(signum, stop.set)
    await stop.wait()

    log.info("stopping")
    await close_listeners(servers, tls_tasks, tls_sockets, hosts)
    recorder.write("stop")
    recorder.close()
    return 0


def main(argv: list[str] | None = None) -> int:
    args = parse_arguments(argv)
    log = setup_logging(args)
    return asyncio.run(serve(args, log))


if __name__ == "__main__":
    sys.exit(main())
