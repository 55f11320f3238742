#!/usr/bin/python3
"""Runs the worked examples of the README and of the man page as written, in a folder that holds the
example tournament's saves in saves/ and its profile as profile.json, with the built programs first
on PATH. Both documents must show the same examples; each must exit 0 and print or write something.

    check-examples.py README MAN_PAGE PROGRAM_FOLDER EXAMPLE_TOURNAMENT
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

readme_path, man_path, programs, tournament = sys.argv[1:5]

readme = open(readme_path, encoding="utf-8").read()
section = readme[readme.index("### Worked examples"):]
section = section[:section.find("\n## ")]
readme_examples = re.findall(r"```sh\n(.*?)```", section, re.S)

man = open(man_path, encoding="utf-8").read()
man = man[man.index(".SH EXAMPLES"):]
man = man[:man.index("\n.SH ", 1)]
man_examples = []
for block in re.findall(r"^\.EX\n(.*?)^\.EE", man, re.S | re.M):
    for escape, text in ((r"\(aq", "'"), (r"\-", "-"), (r"\e", "\\")):
        block = block.replace(escape, text)
    man_examples.append(block)

assert len(readme_examples) >= 4, readme_examples
assert readme_examples == man_examples, (readme_examples, man_examples)

with tempfile.TemporaryDirectory() as folder:
    shutil.copytree(os.path.join(tournament, "saves"), os.path.join(folder, "saves"))
    shutil.copy(os.path.join(tournament, "profile.json"), os.path.join(folder, "profile.json"))
    env = {**os.environ, "PATH": programs + os.pathsep + os.environ["PATH"]}
    for example in readme_examples:
        before = set(os.listdir(folder))
        done = subprocess.run(["bash", "-c", example], cwd=folder, env=env, capture_output=True, text=True)
        assert done.returncode == 0, (example, done.returncode, done.stderr)
        written = set(os.listdir(folder)) - before
        assert done.stdout.strip() or written, ("prints and writes nothing", example)
        print(f"ok: {example.splitlines()[0]} ({len(done.stdout.splitlines())} lines)")
