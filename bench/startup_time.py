#!/usr/bin/env python3
"""Time from starting orvc.exe under Wine to its connection dialog.

    xvfb-run -a python3 bench/startup_time.py build/win64/bin/orvc.exe [RUNS]

Each run starts the program with a fresh per-user folder, waits until the
dialog's window exists, cancels it and waits for the program to end. Prints
every run and the median. The Wine server is kept between runs, as it is
between the tests.
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import wineclient as wc  # noqa: E402


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    client = wc.WineClient(sys.argv[1])
    times = []
    try:
        for run in range(runs):
            client.reset_userdir(["user.language=english"])
            started = time.monotonic()
            proc = client.start()
            dialog = wc.wait_for(lambda: wc.find_windows(wc.DIALOG_TITLE), 120, "the connection dialog", 0.01)[0]
            elapsed = time.monotonic() - started
            times.append(elapsed)
            print("run %d: %.0f ms" % (run + 1, elapsed * 1000), flush=True)
            wc.focus(dialog)
            wc.press("Escape")
            proc.wait(60)
    finally:
        client.shutdown_wine()
    print("median of %d runs: %.0f ms" % (runs, statistics.median(times) * 1000))


if __name__ == "__main__":
    main()
