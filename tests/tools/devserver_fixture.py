#!/usr/bin/env python3
"""Starts and stops development servers for the client's loopback tests.

    devserver_fixture.py start STATE_FILE
    devserver_fixture.py start-radio STATE_FILE
    devserver_fixture.py stop STATE_FILE

start launches two servers in the background: the main one (plain and TLS with
the test CA, idle after login, recording to a file beside STATE_FILE) and one
whose TLS certificate comes from an authority nobody trusts. It waits until
both are ready and writes STATE_FILE as key=value lines: plain_port, tls_port,
untrusted_port, ca, record, pids. start-radio launches one server with only the radio host, over
HTTP, HTTPS and FTP, and writes radio_port, radio_tls_port, radio_ftp_port, ca, pids. stop ends the servers named there.
"""
import os
import signal
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEVSERVER = os.path.join(HERE, "..", "..", "tools", "devserver", "devserver.py")


def launch(args, log_path):
    log = open(log_path, "ab")
    proc = subprocess.Popen([sys.executable, DEVSERVER] + args, stdout=subprocess.PIPE, stderr=log,
                            stdin=subprocess.DEVNULL, start_new_session=True, text=True)
    info = {}
    for line in proc.stdout:
        words = line.split()
        if words[:1] == ["READY"]:
            break
        if words[:1] == ["LISTENING"] and len(words) == 4:
            info[words[1]] = words[3]
        elif words[:1] == ["CA"]:
            info["ca"] = line.split(None, 1)[1].strip()
    else:
        raise SystemExit("devserver did not start; see " + log_path)
    # The server prints nothing more on stdout; let it go on without a reader.
    proc.stdout.close()
    return proc.pid, info


def start(state_path):
    folder = os.path.dirname(os.path.abspath(state_path))
    certs = os.path.join(folder, "devserver-certs")
    record = os.path.join(folder, "devserver-record.jsonl")
    if os.path.exists(record):
        os.remove(record)
    main_pid, main = launch(["--port", "0", "--tls-port", "0", "--certdir", certs, "--record", record],
                            os.path.join(folder, "devserver-main.log"))
    bad_pid, bad = launch(["--no-plain", "--tls-port", "0", "--certdir", certs, "--untrusted"],
                          os.path.join(folder, "devserver-untrusted.log"))
    with open(state_path, "w", encoding="utf-8") as f:
        f.write("plain_port=%s\n" % main["plain"])
        f.write("tls_port=%s\n" % main["tls"])
        f.write("untrusted_port=%s\n" % bad["tls"])
        f.write("ca=%s\n" % main["ca"])
        f.write("record=%s\n" % record)
        f.write("pids=%d %d\n" % (main_pid, bad_pid))


def start_radio(state_path):
    folder = os.path.dirname(os.path.abspath(state_path))
    pid, info = launch(["--no-plain", "--radio-port", "0", "--radio-tls-port", "0", "--radio-ftp-port", "0",
                        "--certdir", os.path.join(folder, "devserver-certs"),
                        "--radio-dir", os.path.join(folder, "devserver-radio")],
                       os.path.join(folder, "devserver-radio.log"))
    with open(state_path, "w", encoding="utf-8") as f:
        f.write("radio_port=%s\n" % info["radio"])
        f.write("radio_tls_port=%s\n" % info["radio-tls"])
        f.write("radio_ftp_port=%s\n" % info["radio-ftp"])
        f.write("ca=%s\n" % info["ca"])
        f.write("pids=%d\n" % pid)


def stop(state_path):
    if not os.path.exists(state_path):
        return
    with open(state_path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("pids="):
                for pid in line[5:].split():
                    try:
                        os.kill(int(pid), signal.SIGTERM)
                    except ProcessLookupError:
                        pass
    os.remove(state_path)


if __name__ == "__main__":
    commands = {"start": start, "start-radio": start_radio, "stop": stop}
    if len(sys.argv) != 3 or sys.argv[1] not in commands:
        raise SystemExit(__doc__)
    commands[sys.argv[1]](sys.argv[2])
