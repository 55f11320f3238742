#!/usr/bin/env python3
"""The browser page in headless Chromium, opened from file://: the example batch and the example
tournament (with its profile) give the rows, flags and tints the core gives, and the results file
and the CSV, JSON and HTML exports are byte for byte quillmere-report's for the same saves and
rules, and so are those of the example tournament the page holds; an invalid rule blanks the
verdicts and refuses the save; a sort orders the rows as the command's; a player name made of
markup shows as text; on a phone and at 1280 x 720 no control, verdict, flag or graph lies outside
the window (screenshots of each tab go to --artefacts); the graph zooms and names the point under
the pointer; and the page makes no network request.

Exits 77 (skipped) when the page, Chromium, its driver or Selenium is missing."""

import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
FLAG_SIGN = "\u2691 "
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# A time zone half an hour off the hour, so that a file date taken in the wrong zone shows.
TIME_ZONE = "Asia/Kolkata"
REPORTS = [("Button2", "Res.txt", "res"), ("ExportCsv", "Results.csv", "csv"),
           ("ExportJson", "Results.json", "json"), ("ExportHtml", "Results.html", "html")]

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None


class Page:
    def __init__(self, url, downloads, profile_dir):
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run", "--window-size=1280,720",
                     f"--user-data-dir={profile_dir}"):
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        self.downloads = downloads
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
        self.driver.get_log("performance")  # the browser's own start page
        self.driver.get(url)
        self.wait(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready") == "true", 60)
        self.loads = 0
        self.kept = []  # requests read from the log before a check asked for them

    def wait(self, condition, seconds=60):
        return WebDriverWait(self.driver, seconds, poll_frequency=0.05).until(condition)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def by_id(self, name):
        return self.driver.find_element(By.ID, name)

    def click(self, name):
        self.js("document.getElementById(arguments[0]).click()", name)

    def pick(self, picker, paths):
        self.by_id(picker).send_keys("\n".join(paths))

    def load(self, picker, paths):
        self.pick(picker, paths)
        self.loads += 1
        self.wait(lambda d: self.js("return document.body.dataset.loaded") == str(self.loads), 120)
        self.last_message = self.message()
        self.js("document.getElementById('Message').hidden = true")

    def grid(self, name):
        return self.js("""
            return [...document.querySelectorAll('#' + arguments[0] + ' tbody tr')].map((row) => ({
                row: Number(row.dataset.row), classes: row.className, title: row.title,
                cells: [...row.cells].map((cell) => cell.textContent), cellTitles: [...row.cells].map((c) => c.title)}));
        """, name)

    def save(self, button, name):
        for old in glob.glob(os.path.join(self.downloads, "*")):
            os.remove(old)
        self.click(button)
        path = os.path.join(self.downloads, name)
        deadline = time.time() + 20
        while time.time() < deadline:
            if os.path.exists(path) and not glob.glob(os.path.join(self.downloads, "*.crdownload")):
                with open(path, "rb") as saved:
                    return saved.read()
            time.sleep(0.05)
        return None

    def message(self):
        return self.js("const m = document.getElementById('Message'); return m.hidden ? '' : "
                       "document.getElementById('MessageText').textContent")

    def requests(self):
        urls, self.kept = self.kept, []
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                urls.append(message["params"]["request"]["url"])
        return urls


class Checks:
    def __init__(self):
        self.failures = []

    def equal(self, what, got, expected):
        if got != expected:
            self.failures.append(f"{what}: got {str(got)[:300]!r}, expected {str(expected)[:300]!r}")

    def true(self, what, condition):
        if not condition:
            self.failures.append(what)


def report_bytes(program, cwd, fmt, args):
    return subprocess.run([program, "--format", fmt, "--encoding", "windows-1251", *args], cwd=cwd,
                          env={**os.environ, "TZ": TIME_ZONE}, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          check=False).stdout


def check_reports(page, checks, program, cwd, args, what):
    for button, name, fmt in REPORTS:
        checks.equal(f"{what}: {name} equals quillmere-report --format {fmt}", page.save(button, name),
                     report_bytes(program, cwd, fmt, args))


def check_first_screen(page, checks):
    """Before any load the table says what to do, and Help gives the steps and the shortcuts."""
    shown = page.js("const f = document.getElementById('FirstScreen'); return f.hidden ? '' : f.textContent")
    checks.true(f"the first screen offers to load, to open a profile and the example: {shown[:200]!r}",
                all(text in shown for text in ("Load saves (Ctrl+O)", "Open a tournament profile",
                                               "Try the example tournament", "1. Open the")))
    page.click("HelpButton")
    checks.true("Help gives the steps and the shortcuts",
                page.message().startswith("A round in five steps") and "Ctrl+S  Save the results file" in page.message())
    page.click("MessageClose")


def answer_profile_question(page):
    """Takes the rules of the profile just opened, when the page asks."""
    page.wait(lambda d: page.js("return document.getElementById('Ask').open || "
                                "document.getElementById('ProfileName').textContent !== ''"), 20)
    if page.js("return document.getElementById('Ask').open"):
        page.js("[...document.querySelectorAll('#AskButtons button')].find((b) => b.textContent === 'Yes').click()")


def check_example_tournament(page, checks, program, tournament):
    """The example the page holds gives quillmere-report's results for the example tournament's
    saves with its profile; the page goes back to no profile and the default rules after."""
    page.click("FirstExample")
    answer_profile_question(page)
    page.loads += 1
    page.wait(lambda d: page.js("return document.body.dataset.loaded") == str(page.loads), 120)
    page.js("document.getElementById('Message').hidden = true")
    checks.equal("the example: one row per save", len(page.grid("BaseGrid")), len(os.listdir(os.path.join(tournament, "saves"))))
    check_reports(page, checks, program, tournament, ["--profile", "profile.json", "saves/"], "the example")
    page.click("NoProfile")
    page.click("ResetRules")


def check_example_batch(page, checks, program, examples):
    names = sorted(os.listdir(examples))
    page.load("FilePicker", [os.path.join(examples, name) for name in names])
    checks.true("the first screen goes once saves are loaded", page.js("return document.getElementById('FirstScreen').hidden"))
    rows = page.grid("BaseGrid")
    checks.equal("example batch: one row per save", len(rows), len(names))
    by_file = {row["cells"][1]: row for row in rows}
    # The command names each failed file on standard error; the page's row gives the same reason.
    stderr = subprocess.run([program, *names], cwd=examples, env={**os.environ, "TZ": TIME_ZONE},
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=False).stderr
    failures = dict(line.split(": ", 1) for line in stderr.splitlines() if ": " in line)
    checks.true("the example batch has a failed save", len(failures) > 0)
    checks.true("the problems after the load are counted in words",
                page.last_message.startswith(f"{len(failures)} file{'s' if len(failures) > 1 else ''} could not be read\n"))
    for path, message in failures.items():
        row = by_file.get(os.path.splitext(path)[0], {})
        checks.true(f"{path} is tinted as failed", "failed" in row.get("classes", ""))
        checks.equal(f"{path}: its reason", row.get("title"), message + ".")
    blocked = by_file.get("Jon_blocked", {})
    checks.true("the blocked save is tinted as blocked", "blocked" in blocked.get("classes", ""))
    checks.equal("the blocked save's reason", blocked.get("title"), "Blocked by the organisers: banned for the round")
    checks.equal("the Cyrillic player name", by_file.get("Darya", {"cells": ["", "", ""]})["cells"][2],
                 "\u0414\u0430\u0440\u044c\u044f")
    reloads = page.grid("ReloadGrid")
    checks.true("an analysed save's Honesty cell explains its verdict",
                any(row["cells"][11].strip() and row["cellTitles"][11] for row in reloads))
    check_reports(page, checks, program, examples, names, "example batch")

    # The Score button's first click sorts as the command's --sort score does.
    page.click("SortByScoreSelect")
    expected = report_bytes(program, examples, "res", ["--sort", "score", *names])
    checks.equal("after a Score sort: Res.txt equals --sort score", page.save("Button2", "Res.txt"), expected)
    order = [row["cells"][1] for row in page.grid("BaseGrid")]
    expected_order = [line.split(b";")[1].strip().decode("cp1251") for line in expected.splitlines()[1:]]
    checks.equal("after a Score sort: the grid's file names", order, expected_order)
    checks.true("the Score button shows its direction",
                page.js("return document.getElementById('SortByScoreSelect').dataset.shows") != "key")

    # A minimum session time that does not parse: one message, no verdicts, no save.
    page.click("tab-reloads")
    box = page.by_id("Edit8")
    box.clear()
    box.send_keys("x")
    checks.equal("an invalid box gets one message", page.by_id("RuleError").text.count("\n"), 0)
    checks.true("an invalid box is marked", "invalid" in box.get_attribute("class"))
    checks.true("no verdict while a rule is invalid",
                all(row["cells"][11].strip() == "" for row in page.grid("ReloadGrid")))
    checks.equal("the save is refused while a rule is invalid", page.save("Button2", "Res.txt"), None)
    checks.true("the refusal names the box", "The results were not saved" in page.message())
    page.click("MessageClose")
    box.clear()
    box.send_keys("30")
    checks.equal("a valid box clears the messages", page.by_id("RuleError").text, "")


def check_tournament(page, checks, program, tournament, artefacts):
    page.pick("ProfilePicker", [os.path.join(tournament, "profile.json")])
    answer_profile_question(page)
    page.wait(lambda d: page.js("return document.getElementById('ProfileName').textContent") != "", 20)
    saves = os.path.join(tournament, "saves")
    page.load("FolderPicker", [saves])
    names = sorted(os.listdir(saves))
    args = ["--profile", "profile.json", "saves/"]
    checks.equal("tournament: one row per save", len(page.grid("BaseGrid")), len(names))
    flags = page.grid("FlagsGrid")
    flagged = {row["cells"][1].removeprefix(FLAG_SIGN): row for row in flags if "flagged" in row["classes"]}
    listed = subprocess.run([program, "--flags-only", *args], cwd=tournament,
                            env={**os.environ, "TZ": TIME_ZONE}, stdout=subprocess.PIPE, text=True, check=False)
    checks.equal("--flags-only exits 3 on the tournament", listed.returncode, 3)
    expected = dict(line.split(": ", 1) for line in listed.stdout.splitlines())
    checks.equal("the flags of the flagged rows", {name: row["cells"][2] for name, row in flagged.items()}, expected)
    for name, row in flagged.items():
        checks.equal(f"{name}: its flags are its tooltip", row["title"], row["cells"][2].replace("; ", "\n"))
        checks.true(f"{name}: a flag marks its name", row["cells"][1].startswith(FLAG_SIGN))
    finals = [row["cellTitles"][9] for row in page.grid("BaseGrid")]
    checks.true(f"every Final cell says how it was made: {finals[:2]}",
                all(title.startswith("Final ") and "\nPart 4: statistic 3 = " in title for title in finals))
    verdicts = [row["cells"][11] for row in page.grid("ReloadGrid")]
    checks.true(f"every verdict reads by its sign: {verdicts}",
                all(cell in ("\u2713 Fair", "! Average", "\u2717 Cheat") for cell in verdicts))
    # The attention filter shows the flagged rows and the cheats, and counts them in its caption.
    page.click("AttentionFilter")
    shown = [row for row in page.grid("BaseGrid") if not page.js(
        "return document.querySelector('#BaseGrid tbody tr[data-row=\"' + arguments[0] + '\"]').hidden", row["row"])]
    caption = page.js("return document.getElementById('AttentionText').textContent")
    attention = {row["cells"][1].removeprefix(FLAG_SIGN) for row in shown}
    cheats = {page.grid("ReloadGrid")[i]["cells"][1].removeprefix(FLAG_SIGN)
              for i, cell in enumerate(verdicts) if cell.endswith("Cheat")}
    checks.equal("the attention filter's rows", attention, set(flagged) | cheats)
    checks.equal("the attention filter's count", caption, f"Needs attention ({len(attention)})")
    page.click("AttentionFilter")
    check_reports(page, checks, program, tournament, args, "tournament")
    check_html_report_sorts(page, checks, page.save("ExportHtml", "Results.html"))
    check_layout(page, checks, artefacts)
    check_graph_zoom(page, checks)


# Every control, tab, verdict, flag and legend entry shown, with where it lies; a grid's cells only
# for its first rows, which show without scrolling down.
LAID_OUT = """
    const shown = (e) => e.getClientRects().length > 0 && getComputedStyle(e).visibility !== 'hidden';
    const tab = document.querySelector('[role=tabpanel]:not([hidden])');
    const items = [...document.querySelectorAll('header button, header input:not([hidden]), [role=tab], .tabbar input,'
        + ' .graphbar *, .rules input')].filter(shown);
    for (const row of [...tab.querySelectorAll('.grid tbody tr:not([hidden])')].slice(0, 3))
        items.push(...row.querySelectorAll('td.verdict, td.frozen1'), ...(tab.id === 'FlagsPage' ? [row.lastElementChild] : []));
    items.push(...tab.querySelectorAll('#HistoryChart svg, #HistoryChart g.entry'));
    return items.map((e) => { const r = e.getBoundingClientRect();
        return {what: (e.id || e.className.baseVal || e.className || e.tagName) + ' ' + (e.textContent || '').slice(0, 30),
                left: r.left, right: r.right, top: r.top, bottom: r.bottom, tag: e.tagName}; });
"""


def check_layout(page, checks, artefacts):
    """On a phone (375 x 667) and at 1280 x 720, on every tab of the loaded tournament, nothing the
    referee needs lies outside the window: no sideways scrolling for the controls, the verdicts,
    the flags or the graph, whose legend goes below the plot on the phone. Screenshots of each."""
    tabs = ["tab-base", "tab-graph", "tab-reloads", "tab-additional", "tab-flags"]
    for width, height, mobile in ((375, 667, True), (1280, 720, False)):
        page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": mobile})
        size = f"{width}x{height}"
        for tab in tabs:
            page.click(tab)
            page.js("return new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)))")
            placed = page.js(LAID_OUT)
            outside = [f"{item['what']} at {item['left']:.0f}..{item['right']:.0f}" for item in placed
                       if item["left"] < -0.5 or item["right"] > width + 0.5
                       or (item["tag"] in ("BUTTON", "INPUT", "SELECT") and item["bottom"] > height + 0.5)]
            checks.equal(f"{size} {tab}: outside the window", outside, [])
            checks.true(f"{size} {tab}: something to check", len(placed) > 10)
            if artefacts:
                page.driver.save_screenshot(os.path.join(artefacts, f"page-{size}-{tab.removeprefix('tab-')}.png"))
            if tab == "tab-graph":
                plot = next(item for item in placed if item["tag"] == "svg")
                legend = [item for item in placed if item["tag"] == "g"]
                below = all(item["top"] > plot["top"] + 0.6 * (plot["bottom"] - plot["top"]) for item in legend)
                checks.true(f"{size}: the legend {'below' if mobile else 'beside'} the plot", bool(legend) and below == mobile)
            if tab == "tab-base" and mobile:
                names = [item for item in placed if "frozen1" in item["what"]]
                checks.true(f"{size}: the file name is narrow: {names[:1]}",
                            names and all(item["right"] - item["left"] < width / 3 for item in names))
    page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def check_graph_zoom(page, checks):
    """A drag over the plot zooms in, a double click shows it all; the pointer on a point names it."""
    page.click("tab-graph")
    # Where the graph's own coordinates (x, y) are on the screen; the first line's sixth point.
    on_screen = ("const svg = document.querySelector('#HistoryChart svg');"
                 "const at = new DOMPoint(arguments[0], arguments[1]).matrixTransform(svg.getScreenCTM());"
                 "return [at.x, at.y];")
    point = page.js("return document.querySelector('#HistoryChart polyline').getAttribute('points')"
                    ".split(' ')[5].split(',').map(Number)")

    def mouse(kind, at, clicks=1):
        page.driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
            "type": kind, "x": at[0], "y": at[1], "button": "left" if kind != "mouseMoved" else "none",
            "clickCount": clicks})

    mouse("mouseMoved", page.js(on_screen, *point))
    checks.true("the pointer on a point names it", ": turn 5, " in page.js(
        "const tip = document.getElementById('GraphTip'); return tip.hidden ? '' : tip.textContent"))
    labels = "return [...document.querySelectorAll('#HistoryChart svg > g:nth-of-type(2) text')].map((t) => t.textContent)"
    before = page.js(labels)
    mouse("mousePressed", page.js(on_screen, 200, 100))
    mouse("mouseMoved", page.js(on_screen, 300, 180))
    mouse("mouseMoved", page.js(on_screen, 400, 250))
    mouse("mouseReleased", page.js(on_screen, 400, 250))
    checks.true("a drag zooms in", page.js("return document.getElementById('HistoryChart').dataset.zoomed") == "true"
                and page.js(labels) != before)
    middle = page.js(on_screen, 300, 200)
    for kind, clicks in (("mousePressed", 1), ("mouseReleased", 1), ("mousePressed", 2), ("mouseReleased", 2)):
        mouse(kind, middle, clicks)
    checks.equal("a double click shows it all", page.js(labels), before)


def check_html_report_sorts(page, checks, html):
    """The HTML report, opened in a tab of its own, sorts by a header's click: Turn ascending, then
    descending, the rows without details last either way."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "Results.html")
        with open(path, "wb") as out:
            out.write(html)
        page.driver.switch_to.new_window("tab")
        try:
            page.driver.get("file://" + path)
            column = page.js("return [...document.querySelectorAll('th')].findIndex((h) => h.textContent === 'Turn')")
            turns = "return [...document.querySelectorAll('tbody tr')].map((r) => r.cells[arguments[0]].textContent)"
            for order in ("ascending", "descending"):
                page.js("document.querySelectorAll('th')[arguments[0]].click()", column)
                shown = [int(t) for t in page.js(turns, column) if t.strip()]
                checks.equal(f"the HTML report sorts by Turn, {order}", shown,
                             sorted(shown, reverse=order == "descending"))
                checks.true(f"the HTML report sorted {order}: several turns", len(set(shown)) > 1)
        finally:
            page.driver.close()
            page.driver.switch_to.window(page.driver.window_handles[0])
            # The report's own opening is no request of the page's; any other stays for the check.
            page.kept = [url for url in page.requests() if url != "file://" + path]


def check_profiles(page, checks, program, folder):
    """A profile file the command refuses, the page refuses with the same message, unread past the
    bound; the profile in use stays."""
    files = {"large.json": b'{"name": "Large"}' + b" " * 10_000_000,
             "latin1.json": b'{"name": "Caf\xe9"}', "nul.json": b'{"name": "Cup\\u0000"}'}
    before = page.by_id("ProfileName").text
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
        expected = subprocess.run([program, "--profile", name, "none.sav"], cwd=folder, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE, text=True, check=False).stderr
        started = time.time()
        page.pick("ProfilePicker", [os.path.join(folder, name)])
        page.wait(lambda d: page.message() != "", 20)
        checks.equal(f"profile {name}: the command's message", page.message() + "\n",
                     expected.replace("quillmere-report: ", "", 1).replace("\n", ".\n", 1))
        checks.true(f"profile {name}: refused at once", time.time() - started < 2)
        checks.equal(f"profile {name}: the profile in use stays", page.by_id("ProfileName").text, before)
        page.click("MessageClose")
        page.js("document.getElementById('ProfilePicker').value = ''")


def damaged_copies(save, folder):
    """Copies of `save` with its stream damaged: a corrupt block, a wrong checksum, a cut upload."""
    with open(save, "rb") as source:
        good = source.read()
    at = good.find(b"\x78\x9c")
    length = int.from_bytes(good[at - 4:at], "little")
    copies = {"corrupt.sav": good[:at + 200] + bytes([good[at + 200] ^ 0xFF]) + good[at + 201:],
              "checksum.sav": good[:at + length - 2] + bytes([good[at + length - 2] ^ 1]) + good[at + length - 1:],
              "cut.sav": good[:at + length // 3]}
    for name, data in copies.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    return sorted(copies)


def check_damaged_saves(page, checks, program, examples, folder):
    """A stream the browser refuses fails with the desktop's message, which names the byte."""
    names = damaged_copies(os.path.join(examples, "Bea-round1.sav"), folder)
    page.load("FilePicker", [os.path.join(folder, name) for name in names])
    stderr = subprocess.run([program, *names], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            text=True, check=False).stderr
    expected = {os.path.splitext(path)[0]: message + "." for path, message in
                (line.split(": ", 1) for line in stderr.splitlines())}
    got = {row["cells"][1]: row["title"] for row in page.grid("BaseGrid")}
    checks.equal("damaged saves: the reasons", got, expected)


def check_hostile_name(page, checks, writer, folder):
    path = os.path.join(folder, "hostile.sav")
    subprocess.run([writer, path], check=True)
    page.load("FilePicker", [path])
    name = "<img src=x onerror=alert(1)>"
    checks.equal("a name made of markup shows as text", page.grid("BaseGrid")[0]["cells"][2], name)
    checks.equal("no element comes from a name", page.js("return document.querySelectorAll('img').length"), 0)
    page.click("tab-graph")
    checks.true("the graph's legend shows the name as text",
                page.js("return [...document.querySelectorAll('#HistoryChart text')]"
                        ".some((t) => t.textContent.includes(arguments[0]))", name))
    checks.equal("no element comes from a name in the graph",
                 page.js("return document.querySelectorAll('#HistoryChart img, #HistoryChart image').length"), 0)


def check_worker_memory(page, checks, writer, folder):
    """A save that grows a worker's memory past what a worker keeps gets its worker replaced after
    the load: WebAssembly memory never shrinks."""
    path = os.path.join(folder, "large.sav")
    subprocess.run([writer, "--largest", "150000000", path], check=True)
    before = page.js("return quillmerePage.lastLoad.workersReplaced")
    page.load("FilePicker", [path])
    checks.true("the large save is analysed", "failed" not in page.grid("BaseGrid")[0]["classes"])
    checks.equal("its worker is replaced after the load",
                 page.js("return quillmerePage.lastLoad.workersReplaced"), before + 1)
    os.remove(path)


def check_cancel(page, checks, examples):
    """Cancel keeps the files already started and leaves the others as tinted blank rows."""
    names = sorted(os.listdir(examples))
    page.js("const input = document.createElement('input'); input.type = 'file'; input.multiple = true;"
            "input.id = 'CancelPicker'; document.body.append(input);")
    page.pick("CancelPicker", [os.path.join(examples, name) for name in names])
    # The load starts and is cancelled in one task: only the files already handed to a worker are read.
    page.loads += 1
    busy = page.js("quillmerePage.loadFiles([...document.getElementById('CancelPicker').files]"
                   ".map((file) => ({file, path: file.name})), []);"
                   "const busy = ['ExportCsv', 'ExportHtml', 'SavePng'].every((id) => document.getElementById(id).disabled);"
                   "document.getElementById('ProgressCancel').click(); return busy;")
    checks.true("the exports wait while a load runs", busy)
    page.wait(lambda d: page.js("return document.body.dataset.loaded") == str(page.loads), 60)
    rows = page.grid("BaseGrid")
    left = [row for row in rows if "notLoaded" in row["classes"]]
    handed = page.js("return quillmerePage.workers * quillmerePage.filesPerWorker")
    checks.equal("Cancel: every file keeps its row", len(rows), len(names))
    checks.equal("Cancel: the files not handed to a worker are not loaded", len(left), len(names) - handed)
    checks.true("Cancel: a file left out says why", all(row["title"].startswith("Not loaded") for row in left))
    checks.equal("Cancel: saving blank rows asks first, and No saves nothing", page.save("Button2", "Res.txt"), None)
    checks.true("Cancel: the question names the rows left out",
                f"{len(left)} saves were left out" in page.js("return document.getElementById('AskText').textContent"))
    page.js("document.getElementById('Ask').close('Cancel')")


def check_keyboard_and_graph(page, checks):
    """Rows are selected with the keys, the graph draws the selected rows, and its legend hides lines."""
    from selenium.webdriver.common.keys import Keys
    page.click("tab-base")
    grid = page.by_id("BaseGrid")
    page.js("arguments[0].focus()", grid)
    grid.send_keys(Keys.HOME, Keys.SHIFT + Keys.ARROW_DOWN)
    checks.equal("Shift+Down selects two rows",
                 page.js("return [...document.querySelectorAll('#BaseGrid tr[aria-selected=true]')].length"), 2)
    grid.send_keys(Keys.CONTROL + "2")
    checks.equal("Ctrl+2 shows the graph", page.js("return document.getElementById('TabSheet5').hidden"), False)
    checks.equal("the graph draws the selected rows", page.js("return document.querySelectorAll('#HistoryChart polyline').length"), 2)
    checks.true("the graph's caption names them",
                page.js("return document.querySelector('#HistoryChart svg text').textContent").startswith("Selected rows 1, 2"))
    page.js("document.querySelector('#HistoryChart g.entry').dispatchEvent(new MouseEvent('click', {bubbles: true}))")
    checks.equal("a legend click hides its line", page.js("return document.querySelectorAll('#HistoryChart polyline').length"), 1)
    svg = page.save("SaveSvg", "graph-score.svg") or b""
    png = page.save("SavePng", "graph-score.png") or b""
    checks.true("the graph saves as SVG", svg.startswith(b"<svg"))
    checks.true("the graph saves as PNG", png.startswith(b"\x89PNG"))
    # Up from the first row reaches the headers; Enter there sorts by that column.
    page.click("tab-base")
    page.js("arguments[0].focus()", grid)
    grid.send_keys(Keys.HOME, Keys.ARROW_UP)
    page.driver.switch_to.active_element.send_keys(Keys.ARROW_RIGHT, Keys.ARROW_RIGHT, Keys.ENTER)
    checks.equal("Enter on a header sorts by it",
                 page.js("return document.querySelector('#BaseGrid th[aria-sort]')?.dataset.column"), "2")


def check_one_worker(page, checks, program, examples, page_url):
    """The same rows, in the same order, whatever the number of workers."""
    page.driver.get(page_url + "?workers=1")
    page.wait(lambda d: page.js("return document.body.dataset.ready") == "true", 60)
    page.loads = 0
    checks.true("the profile is remembered across a reload", page.by_id("ProfileName").text != "")
    page.click("NoProfile")
    checks.true("No Profile says so", page.by_id("StatusText").text.startswith("No profile in use - "))
    checks.equal("No Profile clears the profile's name", page.by_id("ProfileName").text, "")
    page.click("ResetRules")
    names = sorted(os.listdir(examples))
    page.load("FilePicker", [os.path.join(examples, name) for name in names])
    checks.true("the first screen goes once saves are loaded", page.js("return document.getElementById('FirstScreen').hidden"))
    checks.equal("one worker: Res.txt equals quillmere-report's", page.save("Button2", "Res.txt"),
                 report_bytes(program, examples, "res", names))


def check_rows_fill_in(page, checks, program, tournament):
    """A load keeps the old rows until its first save is read, shows the saves read so far while it
    runs, and ends with the table it always had. The files are held back on their way to the worker
    until the check lets them go: the first, then the others."""
    saves = os.path.join(tournament, "saves")
    names = sorted(os.listdir(saves))

    def shown():  # the file names, without the sign of a flagged one
        return [row["cells"][1].split(" ")[-1] for row in page.grid("BaseGrid")]

    before = shown()
    page.js("""
        const post = Worker.prototype.postMessage;
        let held = [];
        let passing = 0;
        Worker.prototype.postMessage = function (message, transfer) {
            if (message.index >= passing) held.push([this, message, transfer]);
            else post.call(this, message, transfer);
        };
        window.letFilesGo = (count) => {
            passing = count;
            const going = held.filter(([, message]) => message.index < count);
            held = held.filter(([, message]) => message.index >= count);
            for (const [worker, message, transfer] of going) post.call(worker, message, transfer);
            if (count === Infinity) Worker.prototype.postMessage = post;
        };
        const input = document.createElement('input'); input.type = 'file'; input.multiple = true;
        input.id = 'FillPicker'; document.body.append(input);""")
    page.pick("FillPicker", [os.path.join(saves, name) for name in reversed(names)])
    page.loads += 1
    page.js("quillmerePage.loadFiles([...document.getElementById('FillPicker').files]"
            ".map((file) => ({file, path: file.name})), []);")
    time.sleep(0.5)
    checks.equal("a load keeps the old rows until a save is read", shown(), before)
    page.js("window.letFilesGo(1)")
    page.wait(lambda d: len(page.grid("BaseGrid")) == 1, 60)
    checks.true("the first save read shows while the load runs", page.js("return document.getElementById('Progress').open"))
    checks.equal("the row shown is the first file's", shown(), [names[-1][:-4]])
    # Only the grid shown is drawn while the load runs; another tab's is drawn when it is shown.
    page.click("tab-reloads")
    checks.equal("a tab shown during a load shows the rows read so far", len(page.grid("ReloadGrid")), 1)
    page.click("tab-base")
    page.js("window.letFilesGo(Infinity)")
    page.wait(lambda d: page.js("return document.body.dataset.loaded") == str(page.loads), 60)
    checks.equal("the rows end in file name order", shown(), [name[:-4] for name in names])
    checks.equal("after rows filled in, Res.txt equals quillmere-report's", page.save("Button2", "Res.txt"),
                 report_bytes(program, saves, "res", names))


def check_no_network(page, checks, page_url):
    blocked = page.driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        let violation = '';
        document.addEventListener('securitypolicyviolation', (e) => { violation = e.effectiveDirective; });
        fetch('http://127.0.0.1:9/').then(() => done('fetched'), () => setTimeout(() => done(violation), 100));
    """)
    checks.equal("the Content-Security-Policy refuses a request", blocked, "connect-src")
    outside = [url for url in page.requests()
               if not (url == page_url or url.split(":")[0] in ("data", "blob", "chrome"))]
    checks.equal("requests other than the page itself", outside, [])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--page", required=True)
    parser.add_argument("--report", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--tournament", required=True)
    parser.add_argument("--hostile-writer", required=True)
    parser.add_argument("--artefacts", help="the folder for the screenshots of the layouts")
    args = parser.parse_args()
    missing = [what for what, there in (("the page", os.path.exists(args.page)), ("chromium", os.path.exists(CHROMIUM)),
                                        ("chromedriver", os.path.exists(CHROMEDRIVER)), ("selenium", webdriver))
               if not there]
    if missing:
        print("skipped: no " + ", no ".join(missing))
        return SKIP
    os.environ["TZ"] = TIME_ZONE
    for name in ("page", "report", "examples", "tournament", "hostile_writer"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    checks = Checks()
    with tempfile.TemporaryDirectory() as scratch:
        downloads = os.path.join(scratch, "downloads")
        os.mkdir(downloads)
        url = "file://" + os.path.abspath(args.page)
        page = Page(url, downloads, os.path.join(scratch, "profile"))
        try:
            if args.artefacts:
                os.makedirs(args.artefacts, exist_ok=True)
            check_first_screen(page, checks)
            check_example_tournament(page, checks, args.report, args.tournament)
            check_example_batch(page, checks, args.report, args.examples)
            check_tournament(page, checks, args.report, args.tournament, args.artefacts)
            check_profiles(page, checks, args.report, scratch)
            check_hostile_name(page, checks, args.hostile_writer, scratch)
            damaged = os.path.join(scratch, "damaged")
            os.mkdir(damaged)
            check_damaged_saves(page, checks, args.report, args.examples, damaged)
            check_worker_memory(page, checks, args.hostile_writer, scratch)
            check_cancel(page, checks, args.examples)
            check_keyboard_and_graph(page, checks)
            check_no_network(page, checks, url)
            check_one_worker(page, checks, args.report, args.examples, url)
            check_rows_fill_in(page, checks, args.report, args.tournament)
            errors = [entry["message"] for entry in page.driver.get_log("browser") if entry["level"] == "SEVERE"
                      and "127.0.0.1:9" not in entry["message"]]
            checks.equal("errors in the page's console", errors, [])
        finally:
            page.driver.quit()
            shutil.rmtree(os.path.join(scratch, "profile"), ignore_errors=True)
    for failure in checks.failures:
        print("FAIL:", failure)
    print(f"{len(checks.failures)} checks failed" if checks.failures else "every check passed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
