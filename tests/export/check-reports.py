#!/usr/bin/python3
"""Reads the four outputs of quillmere-report for one batch back with real parsers and checks that
CSV and JSON agree with the results file cell for cell, that the JSON fits its schema and that the
HTML page parses with one table row per save.

    check-reports.py QUILLMERE_REPORT SCHEMA SAVE_FOLDER [PROFILE PROFILE_SCHEMA]
"""
import csv
import datetime
import html.parser
import io
import json
import os
import re
import subprocess
import sys

import jsonschema

report, schema_path, folder = sys.argv[1:4]


def run(*arguments, env=None):
    done = subprocess.run([report, *arguments, folder], capture_output=True, env=env)
    assert done.returncode in (0, 1), done.stderr.decode()
    return done.stdout


def seconds(duration):
    hours, minutes, secs = duration.strip().split(":")
    return int(hours) * 3600 + int(minutes) * 60 + int(secs)


def year(text):
    text = text.strip()
    return -int(text[:-2]) if text.endswith("BC") else int(text[:-2])


def iso(date_time):
    day, month, rest = date_time[:2], date_time[3:5], date_time[6:]
    year_part, _, clock = rest.partition(" ")
    return f"{year_part}-{month}-{day}T{clock or '00:00:00'}"


# The results file: header line, then one line of 32 cells per save.
res = run("--encoding", "utf-8").decode("utf-8")
lines = res.split("\r\n")
# Every line but the last ends with the separator after its 32nd cell.
rows = [(line[:-2] if i < len(lines) - 1 else line).split("; ") for i, line in enumerate(lines) if i > 0]
assert all(len(cells) == 32 for cells in rows), [len(cells) for cells in rows]

table = list(csv.reader(io.StringIO(run("--format", "csv").decode("utf-8-sig"), newline="")))
header, records = table[0], table[1:]
assert len(set(header)) == len(header), "column names repeat"
assert len(records) == len(rows)
document = json.loads(run("--format", "json"))
jsonschema.validate(document, json.load(open(schema_path)))
saves = document["saves"]
assert len(saves) == len(rows)

for cells, record, save in zip(rows, records, saves):
    c = dict(zip(header, record))
    name = cells[1]
    assert c["Row"] == cells[0] == str(save["row"]), name
    assert c["File Name"] == name == save["file_name"], name
    if cells[12].strip():
        assert c["File Date"] == iso(cells[12]).replace("T", " ") == save["file_date"][:19].replace("T", " "), name
        assert re.fullmatch(r"[+-]\d\d:\d\d", save["file_date"][19:]), save["file_date"]
    if c["Status"] != "ok":
        assert all(cell == " " for cell in cells[2:12]), name
        assert (c["Failure"] or c["Blocked"]) and save["status"] == c["Status"], name
        continue
    assert c["Nickname"] == cells[2] == save["player"]["nick_name"], name
    assert c["Leader"] == cells[3] == save["player"]["leader"], name
    assert c["Civilization"] == cells[4] == save["player"]["civilization"], name
    assert int(c["Turn"]) == int(cells[5]) == save["game"]["turn"], name
    assert int(c["Year"]) == year(cells[6]) == save["game"]["year"], name
    assert int(c["Play Time (s)"]) == seconds(cells[7]) == save["game"]["play_time_seconds"], name
    assert int(c["Score"]) == int(cells[8]) == save["score"], name
    assert int(c["Final"]) == int(cells[9]) == save["final_score"], name
    assert c["Level"] == cells[10] == save["game"]["level"], name
    assert c["Victory"] == cells[11] == save["game"]["victory"], name
    judged = save["reload"]
    assert int(c["Play Days"]) == int(cells[16]) == judged["play_days"], name
    assert int(c["Reloads"]) == int(cells[17]) == judged["reloads"], name
    assert c["Reload %"] == cells[18].strip() == f"{judged['reload_percent']:.2f}", name
    assert int(c["Session (s)"]) == seconds(cells[19]) == judged["session_seconds"], name
    assert int(c["Max Reloads"]) == int(cells[20]) == judged["max_reloads"], name
    assert c["Honesty"] == cells[21] == judged["verdict"], name
    empire = save["empire"]
    assert int(c["Cities"]) == int(cells[22]) == empire["cities"], name
    assert int(c["Units"]) == int(cells[23]) == empire["units"], name
    assert int(c["Techs"]) == int(cells[24]) == empire["techs"], name
    assert int(c["Land"]) == int(cells[25]) == empire["land"], name
    assert c["Land %"] == cells[26].strip() == f"{empire['land_percent']:.2f}", name
    assert int(c["Population"]) == int(cells[27]) == empire["population"], name
    assert c["Population %"] == cells[28].strip() == f"{empire['population_percent']:.2f}", name
    assert [int(c[f"Culture {k}"]) for k in (1, 2, 3)] == [int(cells[28 + k]) for k in (1, 2, 3)] == empire["culture"]
    assert len(save["history"]["score"]) == min(save["game"]["turn"], 1201), name


class Rows(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows = 0
        self.svgs = 0
        self.in_body = False
        self.external = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if tag == "tbody":
            self.in_body = True
        elif tag == "tr" and self.in_body:
            self.rows += 1
        elif tag == "svg":
            self.svgs += 1
        for key in ("src", "href"):
            if key in attributes:
                self.external.append(attributes[key])

    def handle_endtag(self, tag):
        if tag == "tbody":
            self.in_body = False


page = Rows()
page.feed(run("--format", "html").decode("utf-8"))
page.close()
assert page.rows == len(rows), (page.rows, len(rows))
assert page.svgs == 7, page.svgs
assert not page.external, page.external
# The same files in two time zones: other local times, the same instants.
def instants(zone):
    document = json.loads(run("--format", "json", env={**os.environ, "TZ": zone}))
    return [datetime.datetime.fromisoformat(save["file_date"]) for save in document["saves"] if save["file_date"]]


tokyo, utc = instants("Asia/Tokyo"), instants("UTC")
assert tokyo == utc and tokyo and tokyo[0].utcoffset() == datetime.timedelta(hours=9), (tokyo[:1], utc[:1])

if len(sys.argv) > 5:
    jsonschema.validate(json.load(open(sys.argv[4])), json.load(open(sys.argv[5])))

print(f"{len(rows)} saves agree in res, csv and json; the page has {page.rows} rows and {page.svgs} charts")
