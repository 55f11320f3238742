#!/usr/bin/python3
"""The server under load beside quillmere-report, in one run on the same saves: 20 clients (one
player each) upload a folder of saves to quillmere-server on a loopback port, each receipt's time
measured; then quillmere-report -j2 analyses the same files. Prints both wall times, the receipts'
percentiles and the server's peak memory.

    bench/server-bench.py PROGRAM_FOLDER SAVES_FOLDER [--clients N]
"""
import argparse
import concurrent.futures
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "server"))
from serving import Programs, Server  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("programs")
parser.add_argument("saves")
parser.add_argument("--clients", type=int, default=20)
arguments = parser.parse_args()

paths = sorted(os.path.join(arguments.saves, name) for name in os.listdir(arguments.saves))
contents = {path: open(path, "rb").read() for path in paths}
programs = Programs(arguments.programs)
players = [f"p{i:02}" for i in range(arguments.clients)]

with tempfile.TemporaryDirectory() as folder:
    archive = os.path.join(folder, "bench.qmt")
    tokens = programs.make_archive(archive, players)
    server = Server(programs, archive, "--queue", "1000", "--rate", "100000")
    try:
        seconds = []

        def client(index):
            for path in paths[index::arguments.clients]:
                started = time.monotonic()
                answer = server.upload(tokens[players[index]], os.path.basename(path), contents[path])
                assert answer.status_code in (200, 201, 422), answer.text
                seconds.append(time.monotonic() - started)

        started = time.monotonic()
        with concurrent.futures.ThreadPoolExecutor(arguments.clients) as pool:
            for future in [pool.submit(client, i) for i in range(arguments.clients)]:
                future.result()
        served = time.monotonic() - started
        peak = server.memory_peak_kib()
    finally:
        server.stop()

started = time.monotonic()
subprocess.run([os.path.join(arguments.programs, "quillmere-report"), "-j2", "-o", os.devnull, *paths],
               check=False, capture_output=True)
reported = time.monotonic() - started

seconds.sort()
megabytes = sum(len(data) for data in contents.values()) / 1e6
print(f"{len(paths)} saves, {megabytes:.1f} MB, {arguments.clients} clients")
print(f"server: all receipts in {served:.2f} s; receipt median {statistics.median(seconds):.3f} s, "
      f"p99 {seconds[min(len(seconds) - 1, int(len(seconds) * 0.99))]:.3f} s, max {seconds[-1]:.3f} s; "
      f"peak memory {peak / 1024:.0f} MiB")
print(f"quillmere-report -j2: {reported:.2f} s; server / report = {served / reported:.2f}")
