"""Starts and stops the real quillmere-server for a test, on a random loopback port, and makes the
archives it serves with the real quillmere-tournament."""
import os
import re
import signal
import subprocess
import threading
import time

import requests

TIMEOUT = 30  # seconds: the longest any one request of a test may take


class Programs:
    def __init__(self, folder):
        self.server = os.path.join(folder, "quillmere-server")
        self.tournament = os.path.join(folder, "quillmere-tournament")

    def tournament_run(self, *arguments, expect=0):
        done = subprocess.run([self.tournament, *arguments], capture_output=True, text=True, timeout=TIMEOUT)
        assert done.returncode == expect, (arguments, done.returncode, done.stderr)
        return done.stdout

    def make_archive(self, path, players, rounds=(1,)):
        """A new archive with `rounds` and `players`; returns each player's token and the referee's."""
        self.tournament_run("new", path, "--name", "Test Cup")
        for number in rounds:
            self.tournament_run("round", path, "add", str(number))
        tokens = {}
        for name in players:
            printed = self.tournament_run("player", path, "add", name)
            tokens[name] = re.search(r"/submit#token=([0-9a-f]{64})$", printed.strip()).group(1)
        printed = self.tournament_run("referee-link", path)
        tokens[None] = re.search(r"/referee#token=([0-9a-f]{64})$", printed.strip()).group(1)
        return tokens


class Server:
    """One run of the server; its log lines are kept in `lines`."""

    def __init__(self, programs, archive, *options, host="127.0.0.1", verify=True):
        """`verify`: the certificate file an HTTPS server's answers are checked against."""
        self.lines = []
        self.verify = verify
        self.process = subprocess.Popen(
            [programs.server, "--archive", archive, "--listen", f"[{host}]:0" if ":" in host else f"{host}:0",
             *options],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        deadline = time.monotonic() + TIMEOUT
        self.port = None
        scheme = "http"
        while self.port is None:
            assert time.monotonic() < deadline, "the server did not start: " + "".join(self.lines)
            assert self.process.poll() is None, "the server ended: " + "".join(self.lines)
            for line in list(self.lines):
                found = re.search(r"event=listening .*scheme=(https?) port=(\d+)", line)
                if found:
                    scheme, self.port = found.group(1), int(found.group(2))
            time.sleep(0.02)
        self.url = f"{scheme}://[{host}]:{self.port}" if ":" in host else f"{scheme}://{host}:{self.port}"

    def _read(self):
        for line in self.process.stderr:
            self.lines.append(line)

    def log(self):
        return "".join(self.lines)

    def call(self, method, path, token=None, **keywords):
        headers = keywords.pop("headers", {})
        if token:
            headers["Authorization"] = "Bearer " + token
        return requests.request(method, self.url + path, headers=headers, timeout=TIMEOUT, verify=self.verify,
                                **keywords)

    def upload(self, token, name, data, round=None):
        path = "/api/submissions" + (f"?round={round}" if round else "")
        return self.call("POST", path, token, data=data, headers={"X-File-Name": name})

    def stop(self):
        """Stops it as an administrator would (SIGTERM) and returns its exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(timeout=TIMEOUT)
        self._reader.join(timeout=TIMEOUT)
        return status

    def kill(self):
        self.process.kill()
        self.process.wait(timeout=TIMEOUT)
        self._reader.join(timeout=TIMEOUT)

    def memory_peak_kib(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            return int(re.search(r"VmHWM:\s+(\d+) kB", status.read()).group(1))
