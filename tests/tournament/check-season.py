#!/usr/bin/python3
"""Runs the worked example of the README's section "A season: rounds, standings and rulings" as
written, in a copy of the example season (round1/ to round3/) with the built programs first on PATH.
Every block must exit 0, and a block followed by a text block must print exactly that text. Then
reads the standings' other formats back with real parsers: JSON against docs/standings.schema.json,
CSV with Python's csv module (every row as long as the header), HTML with html.parser.

    check-season.py README SCHEMA PROGRAM_FOLDER EXAMPLE_SEASON
"""
import csv
import html.parser
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

import jsonschema

readme_path, schema_path, programs, season = sys.argv[1:5]
readme = open(readme_path, encoding="utf-8").read()
section = readme[readme.index("## A season: rounds, standings and rulings"):]
section = section[section.index("### Worked example"):]
section = section[:section.find("\n## ")]
blocks = re.findall(r"```(sh|text)\n(.*?)```", section, re.S)
assert sum(1 for kind, _ in blocks if kind == "sh") >= 5, blocks
schema = json.load(open(schema_path, encoding="utf-8"))


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.open = []
        self.tags = set()

    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        if tag not in ("meta", "br"):
            self.open.append(tag)

    def handle_endtag(self, tag):
        assert self.open and self.open[-1] == tag, (tag, self.open)
        self.open.pop()


with tempfile.TemporaryDirectory() as folder:
    for entry in os.listdir(season):
        shutil.copytree(os.path.join(season, entry), os.path.join(folder, entry))  # keeps the files' times
    env = {**os.environ, "PATH": programs + os.pathsep + os.environ["PATH"], "TERM": "dumb"}

    def run(command):
        done = subprocess.run(["bash", "-c", command], cwd=folder, env=env, capture_output=True, text=True)
        assert done.returncode == 0, (command, done.returncode, done.stderr)
        return done.stdout

    printed = None
    for kind, text in blocks:
        if kind == "sh":
            printed = run(text)
            print(f"ok: {text.splitlines()[0]}")
        else:
            assert printed is not None, "a text block before any command"
            assert printed == text, f"the README shows\n{text}\nbut the commands print\n{printed}"
            printed = None

    for command in ("standings season.qmt --format json", "standings season.qmt --round 3 --format json"):
        document = json.loads(run("quillmere-tournament " + command))
        jsonschema.validate(document, schema, format_checker=jsonschema.FormatChecker())
        print(f"ok: {command} matches the schema")
    for command in ("standings season.qmt --format csv", "standings season.qmt --round 1 --format csv"):
        rows = list(csv.reader(io.StringIO(run("quillmere-tournament " + command), newline="")))
        assert rows and all(len(row) == len(rows[0]) for row in rows), rows
        print(f"ok: {command}: {len(rows) - 1} rows of {len(rows[0])} cells")
    for command in ("standings season.qmt --format html", "standings season.qmt --round 1 --format html"):
        page = Page()
        page.feed(run("quillmere-tournament " + command))
        page.close()
        assert not page.open and "script" not in page.tags and "table" in page.tags, page.tags
        print(f"ok: {command} is a well-formed page")
