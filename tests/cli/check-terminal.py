#!/usr/bin/python3
"""Runs quillmere-report with standard output and standard error on a terminal (a pseudo-terminal in
raw mode, so that the bytes arrive as written): with TERM=dumb no control sequence may appear; the
results file comes in the terminal's character set unless --encoding says otherwise; the progress
line of a batch of many small files is redrawn about ten times a second and ends on the final count.

    check-terminal.py QUILLMERE_REPORT SAVE_FOLDER
"""
import os
import pty
import shutil
import subprocess
import sys
import tempfile
import time
import tty

report, folder = sys.argv[1:3]


def on_terminal(*arguments, saves=folder, **env):
    leader, follower = pty.openpty()
    tty.setraw(follower)
    process = subprocess.Popen([report, *arguments, saves], stdin=subprocess.DEVNULL, stdout=follower,
                               stderr=follower, env={"PATH": os.environ["PATH"], **env})
    os.close(follower)
    output = b""
    while True:
        try:
            chunk = os.read(leader, 65536)
        except OSError:  # the terminal closes when the program ends
            break
        if not chunk:
            break
        output += chunk
    os.close(leader)
    assert process.wait() in (0, 1), output[-300:]
    return output


number_sign_utf8, number_sign_1251 = "№".encode(), b"\xb9"

dumb = on_terminal(TERM="dumb", LC_ALL="C.UTF-8")
assert b"\x1b" not in dumb and b"\r" not in dumb.replace(b"\r\n", b""), dumb[:200]
assert number_sign_utf8 + b"; File Name" in dumb, dumb[:300]

smart = on_terminal(TERM="xterm", LC_ALL="C.UTF-8")
assert b"\r\x1b[K" in smart, "no progress line on a terminal that takes one"

for output, env in ((on_terminal(TERM="dumb", LC_ALL="C"), "LC_ALL=C"),
                    (on_terminal("--encoding", "windows-1251", TERM="dumb", LC_ALL="C.UTF-8"), "--encoding")):
    assert number_sign_1251 + b"; File Name" in output and number_sign_utf8 not in output, (env, output[:300])
with tempfile.TemporaryDirectory() as many:
    smallest = min((os.path.join(folder, name) for name in os.listdir(folder)), key=os.path.getsize)
    count = 600
    for i in range(count):
        shutil.copy(smallest, os.path.join(many, f"{i:04}.sav"))
    started = time.monotonic()
    paced = on_terminal("-o", os.path.join(many, "Res.txt"), saves=many, TERM="xterm", LC_ALL="C.UTF-8")
    elapsed = time.monotonic() - started
    redraws = paced.count(b"\rquillmere-report: ")
    assert redraws <= 2 + 10 * elapsed, (redraws, elapsed)
    final = f"\rquillmere-report: Reading the saves: {count} of {count}".encode()
    assert final + b"\r\x1b[K" in paced or final + b" (" in paced, paced[-200:]
print("terminal output OK")
