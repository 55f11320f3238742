#!/usr/bin/python3
"""Writes the example batch, with files named like formulas beside it, as a workbook and reads it
back: with openpyxl (the cells' types, the frozen header, the sheets, verdict colours, the same bytes
on every run) or with a spreadsheet without a display (what it shows agrees with the results file).
Exits 77 when the reader is not installed.

    check-xlsx.py openpyxl|calc QUILLMERE_REPORT SAVE_FOLDER
"""
import csv
import datetime
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

reader, report, examples = sys.argv[1:4]
# Names a spreadsheet would take for formulas; each must stay the text it is.
kHostile = ["=1+2", "@SUM(1)", "-3", "+4"]
kSheets = ["Base", "Reloads", "Additional", "Flags"]


def run(folder, *arguments):
    done = subprocess.run([report, *arguments, folder], capture_output=True)
    assert done.returncode in (0, 1), done.stderr.decode()
    return done.stdout


def results(folder):
    """The results file's rows (UTF-8), padding trimmed: header first."""
    lines = run(folder, "--encoding", "utf-8").decode("utf-8").split("\r\n")
    rows = [(line[:-2] if i < len(lines) - 1 else line).split("; ") for i, line in enumerate(lines)]
    return [[cell.strip() for cell in row] for row in rows]


# The results file's cells that each sheet holds, by index: every sheet starts with № and File Name.
kSheetCells = {"Base": list(range(12)), "Reloads": [0, 1, *range(12, 22)], "Additional": [0, 1, *range(22, 32)]}


def seconds(duration):
    hours, minutes, secs = duration.split(":")
    return int(hours) * 3600 + int(minutes) * 60 + int(secs)


def year(text):
    return -int(text[:-2]) if text.endswith("BC") else int(text[:-2])


with tempfile.TemporaryDirectory() as work:
    saves = os.path.join(work, "saves")
    shutil.copytree(examples, saves)
    for name in kHostile:
        shutil.copy(os.path.join(saves, "Anders_final.sav"), os.path.join(saves, name + ".sav"))
    rows = results(saves)
    header, rows = rows[0], rows[1:]
    workbook = os.path.join(work, "results.xlsx")
    run(saves, "--format", "xlsx", "-o", workbook)
    columns = kSheetCells

    if reader == "openpyxl":
        try:
            import openpyxl
        except ImportError:
            print("python3-openpyxl is not installed")
            sys.exit(77)
        # A second run a second later, to standard output: the same bytes.
        time.sleep(1.1)
        first = open(workbook, "rb").read()
        assert run(saves, "--format", "xlsx") == first, "two runs gave different workbooks"
        book = openpyxl.load_workbook(workbook)
        assert book.sheetnames == kSheets, book.sheetnames
        for sheet in book.worksheets:
            assert sheet.freeze_panes == "C2", (sheet.title, sheet.freeze_panes)
            assert sheet.max_row == len(rows) + 1, (sheet.title, sheet.max_row)
        fills = {}
        for name, cells in columns.items():
            sheet = book[name]
            assert [c.value for c in sheet[1]] == [header[i] for i in cells], (name, [c.value for c in sheet[1]])
            for r, row in enumerate(rows, start=2):
                values = {header[i]: sheet.cell(r, k + 1) for k, i in enumerate(cells)}
                shown = {header[i]: row[i] for i in cells}
                assert values["№"].value == int(shown["№"]), (name, r)
                file_name = values["File Name"]
                assert file_name.data_type == "s" and file_name.value == shown["File Name"], (name, file_name.value)
                for column, cell in values.items():
                    text = shown[column]
                    if column in ("№", "File Name"):
                        continue
                    if not text:
                        assert cell.value is None, (name, r, column, cell.value)
                    elif column in ("Play Time", "Session"):
                        assert cell.value == datetime.timedelta(seconds=seconds(text)), (name, r, column, cell.value)
                    elif column == "File Date":
                        day, month, rest = text[:2], text[3:5], text[6:]
                        expected = datetime.datetime.fromisoformat(f"{rest[:4]}-{month}-{day} {rest[5:] or '00:00:00'}")
                        assert cell.is_date and abs(cell.value - expected).total_seconds() < 1, (r, cell.value, text)
                    elif column == "Date":
                        assert cell.value == year(text) and "BC" in cell.number_format, (r, cell.value, text)
                    elif column in ("Percent", "Land %", "Pop %"):
                        assert isinstance(cell.value, float) and f"{cell.value:.2f}" == text, (r, column, cell.value)
                    elif text.lstrip("-").isdigit():
                        assert isinstance(cell.value, int) and cell.value == int(text), (name, r, column, cell.value)
                    else:
                        assert cell.data_type == "s" and cell.value == text, (name, r, column, cell.value, text)
                    if column == "Honesty" and text:
                        fills.setdefault(text, set()).add(cell.fill.fgColor.rgb)
        # One colour per verdict, and no two verdicts alike.
        assert set(fills) == {"Fair", "Average", "Cheat"}, fills
        assert all(len(colours) == 1 for colours in fills.values()), fills
        assert len({next(iter(c)) for c in fills.values()}) == len(fills), fills
        names = [cell.value for cell in book["Base"]["B"]]
        assert all(name in names for name in kHostile), names
        flags = book["Flags"]
        assert [c.value for c in flags[1]] == ["№", "File Name", "Flags"], [c.value for c in flags[1]]
        print(f"{len(rows)} rows in {len(book.sheetnames)} sheets typed; verdict colours {fills}")
    else:
        office = shutil.which("libreoffice") or shutil.which("soffice")
        if office is None:
            print("no libreoffice: install libreoffice-calc-nogui")
            sys.exit(77)
        # Every sheet to a CSV file of its own, the cells as Calc shows them (UTF-8).
        target = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"
        profile = "file://" + os.path.join(work, "office-profile")
        done = subprocess.run([office, f"-env:UserInstallation={profile}", "--headless", "--convert-to", target,
                               "--outdir", work, workbook], capture_output=True, timeout=240)
        assert done.returncode == 0, done.stderr.decode()
        written = sorted(glob.glob(os.path.join(work, "results-*.csv")))
        assert [os.path.basename(p) for p in written] == sorted(f"results-{s}.csv" for s in kSheets), written
        for name, cells in columns.items():
            table = list(csv.reader(open(os.path.join(work, f"results-{name}.csv"), encoding="utf-8", newline="")))
            assert table[0] == [header[i] for i in cells], (name, table[0])
            assert len(table) == len(rows) + 1, (name, len(table))
            for got, row in zip(table[1:], rows):
                expected = [row[i] for i in cells]
                assert got == expected, (name, got, expected)
        print(f"{len(rows)} rows of {len(columns)} sheets show in Calc as in the results file")
