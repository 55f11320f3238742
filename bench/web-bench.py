#!/usr/bin/env python3
"""Times the browser page (build-web/quillmere.html in headless Chromium) loading batches of saves,
side by side with the native baseline (read + zlib inflate of the same files on one core) and the
native analysis, both from quillmere-bench --measure, and quillmere-report on one and two workers.
The page's memory is the peak resident memory of its renderer process (its workers run there),
sampled every 20 ms during each load, at several batch sizes to show it does not grow with the count.

The read floor (--no-read-floor leaves it out) is what the browser takes only to read a batch's
files, in a throwaway page of its own that reads every picked file with File.arrayBuffer(): all
reads at once, and one at a time. Each page figure is given as a ratio to the native baseline and
to the faster of the two reads; beside them, the aim (1.3 x the larger of the read floor and the
core's time over the workers), with the core's WebAssembly time from the page's own profile.

The profile (--no-profile leaves it out) is one more load on each worker count in the page opened
with ?profile (web/page/profile.js): the page's thread busy taking records in and drawing, the reads,
each worker's time analysing and idle, and the waits between them: bytes on their way to a worker,
a file queued behind the one before, a record on its way back.

The responsiveness (--no-responsiveness leaves it out), with 2 workers and the first folder's first
100 saves: the page's long tasks (a PerformanceObserver of 'longtask') during a whole load, then how
long a click on the progress dialog's Cancel takes, 0.25 s into a second load, to end the load (the
click's own time stamp to the page closing the dialog and counting the load as ended).

    bench/web-bench.py --page build-web/quillmere.html --bench build/bin/quillmere-bench \\
                       --report build/bin/quillmere-report /work/benchdata/plain /work/benchdata/varied
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


def rss_of(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


def renderers():
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                args = cmdline.read().split(b"\0")
        except OSError:
            continue
        # Chromium writes its arguments over its first one; the browser's own pages are left out.
        line = b" ".join(args)
        if b"chromium" in line and b"--type=renderer" in line and b"--top-chrome-webui" not in line:
            found.append(int(pid))
    return found


class Sampler(threading.Thread):
    """The highest sum of the renderers' resident memory while it runs."""

    def __init__(self):
        super().__init__(daemon=True)
        self.peak = 0
        self.running = True

    def run(self):
        while self.running:
            self.peak = max(self.peak, sum(rss_of(pid) for pid in renderers()))
            time.sleep(0.02)

    def stop(self):
        self.running = False
        self.join()
        return self.peak


class Chromium:
    """Headless Chromium on a throwaway profile, at `url`."""

    def __init__(self, url):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        self.profile = tempfile.TemporaryDirectory()
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     f"--user-data-dir={self.profile.name}"):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(600)
        self.driver.get(url)

    def wait(self, condition, seconds=600):
        WebDriverWait(self.driver, seconds, poll_frequency=0.02).until(lambda _: condition())

    def quit(self):
        self.driver.quit()
        self.profile.cleanup()


class Browser(Chromium):
    """The page, on `workers` workers."""

    def __init__(self, page, workers, profile=False):
        super().__init__(f"file://{os.path.abspath(page)}?workers={workers}" + ("&profile" if profile else ""))
        self.wait(lambda: self.driver.find_element(By.TAG_NAME, "body").get_attribute("data-ready") == "true")
        time.sleep(0.5)
        self.idle = sum(rss_of(pid) for pid in renderers())
        self.loads = 0

    def start_load(self, paths):
        self.driver.find_element(By.ID, "FilePicker").send_keys("\n".join(paths))
        self.loads += 1

    def loaded(self):
        """Whether the last load started has ended."""
        return self.driver.execute_script("return document.body.dataset.loaded") == str(self.loads)

    def load(self, paths):
        """Loads `paths`; returns (seconds the page measured, peak renderer memory in bytes)."""
        sampler = Sampler()
        sampler.start()
        self.start_load(paths)
        self.wait(self.loaded)
        peak = sampler.stop()
        seconds = self.driver.execute_script("return quillmerePage.lastLoad.milliseconds") / 1000
        failed = self.not_loaded()
        if failed:
            raise SystemExit(f"{failed} saves failed in the page")
        return seconds, peak

    def load_profile(self):
        """The last load's profile (the page opened with ?profile): page/profile.js's summary."""
        return self.driver.execute_script("return quillmerePage.lastLoad.profile")

    def click(self, element_id):
        """Presses and releases the mouse on the middle of the element, as a person's click: the input
        reaches the page's thread through the browser, and waits there behind whatever task runs."""
        x, y, on = self.driver.execute_script(
            "const box = document.getElementById(arguments[0]).getBoundingClientRect();"
            "const x = box.x + box.width / 2, y = box.y + box.height / 2;"
            "return [x, y, document.elementFromPoint(x, y).id];", element_id)
        if on != element_id:
            raise SystemExit(f"#{on} covers #{element_id}")
        for kind in ("mousePressed", "mouseReleased"):
            self.driver.execute_cdp_cmd("Input.dispatchMouseEvent",
                                        {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def not_loaded(self):
        return self.driver.execute_script(
            "return document.querySelectorAll('#BaseGrid tr.failed, #BaseGrid tr.notLoaded').length")


# Reads every picked file into memory, all at once and one after another, and says how long each took.
READ_PAGE = """<!DOCTYPE html>
<meta charset="utf-8">
<title>read floor</title>
<input id="Files" type="file" multiple>
<script>
async function readTimes() {
    const files = [...document.getElementById('Files').files];
    let started = performance.now();
    await Promise.all(files.map((file) => file.arrayBuffer()));
    const together = performance.now() - started;
    started = performance.now();
    for (const file of files) await file.arrayBuffer();
    return [together, performance.now() - started];
}
</script>
"""


def read_floor(paths, rounds):
    """The fastest of `rounds` times the browser takes only to read `paths`, in seconds: (all the reads
    at once, one read at a time)."""
    with tempfile.NamedTemporaryFile("w", suffix=".html") as page:
        page.write(READ_PAGE)
        page.flush()
        browser = Chromium(f"file://{page.name}")
        try:
            browser.driver.find_element(By.ID, "Files").send_keys("\n".join(paths))
            browser.wait(lambda: browser.driver.execute_script(
                "return document.getElementById('Files').files.length") == len(paths))
            runs = [browser.driver.execute_async_script("readTimes().then(arguments[0]);") for _ in range(rounds)]
        finally:
            browser.quit()
    return min(run[0] for run in runs) / 1000, min(run[1] for run in runs) / 1000


# The durations of the page's long tasks (over 50 ms on its thread) from now on.
WATCH_LONG_TASKS = """
window.benchLongTasks = [];
new PerformanceObserver((list) => window.benchLongTasks.push(...list.getEntries().map((entry) => entry.duration)))
    .observe({ type: 'longtask' });
"""

# The time stamp of the first click on Cancel, and when the page next counts a load as ended (it
# closes the progress dialog in the same step).
WATCH_CANCEL = """
const watch = { clicked: null, ended: null, closed: null };
window.benchCancel = watch;
document.addEventListener('click', (event) => {
    if (event.target.id === 'ProgressCancel' && watch.clicked === null) watch.clicked = event.timeStamp;
}, true);
new MutationObserver((_, observer) => {
    watch.ended = performance.now();
    watch.closed = !document.getElementById('Progress').open;
    observer.disconnect();
}).observe(document.body, { attributes: true, attributeFilter: ['data-loaded'] });
"""


def responsiveness(page, paths):
    """With 2 workers: the durations (ms) of the page's long tasks during a whole load of `paths`,
    then (milliseconds from the click on Cancel to the load's end, saves not loaded) for a second load
    cancelled 0.25 s in; None for the cancel if that load ended first."""
    browser = Browser(page, 2)
    try:
        browser.driver.execute_script(WATCH_LONG_TASKS)
        browser.load(paths)
        time.sleep(0.5)  # the observer is told of the last tasks after they end
        long_tasks = browser.driver.execute_script("return window.benchLongTasks")
        browser.driver.execute_script(WATCH_CANCEL)
        browser.start_load(paths)
        time.sleep(0.25)
        if browser.loaded():
            return long_tasks, None
        browser.click("ProgressCancel")
        browser.wait(browser.loaded)
        watch = browser.driver.execute_script("return window.benchCancel")
        if watch["clicked"] is None or not watch["closed"]:
            raise SystemExit("the click did not reach Cancel, or the progress dialog stayed open after the load")
        return long_tasks, (watch["ended"] - watch["clicked"], browser.not_loaded())
    finally:
        browser.quit()


def native(bench, folder, rounds):
    out = subprocess.run([bench, "--measure", folder, "--rounds", str(rounds)], check=True, stdout=subprocess.PIPE,
                         text=True).stdout
    figures = {}
    for label, key in ((r"read \+ zlib inflate(?: \(baseline\))?", "baseline"), ("analysis, 1 worker", "native1"),
                       (r"analysis, \d+ workers", "nativeN")):
        match = re.search(label + r"\s+([\d.]+) s.*?peak\s+([\d.]+) MB", out)
        figures[key] = (float(match.group(1)), float(match.group(2)))
    return figures


def report_time(report, paths, jobs, rounds):
    best = 1e9
    for _ in range(rounds):
        start = time.monotonic()
        subprocess.run([report, f"-j{jobs}", *paths], stdout=subprocess.DEVNULL, check=False)
        best = min(best, time.monotonic() - start)
    return best


def saves_in(folder):
    return sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".sav"))


def aim_estimate(seconds, floor, core_seconds, workers, whose):
    """The page's `seconds` against its aim, 1.3 x the larger of the read floor and the core's time
    (`core_seconds` on one worker, `whose`: the WebAssembly core's from the page's profile, or the
    native core's standing in for it without one) over the workers."""
    aim = 1.3 * max(floor, core_seconds / workers)
    verdict = "met" if seconds <= aim else f"{seconds / aim:.2f} x over"
    return (f"aim, {whose}: 1.3 x max({floor:.3f} s, {core_seconds:.3f} s / {workers}) = "
            f"{aim:.3f} s, {verdict}")


def print_profile(page, workers, paths):
    """One load of `paths` in the page opened with ?profile, and where its time went: the page's
    thread, the reads, each worker's analysing and idle time, and the hand-overs between them.
    Returns the core's WebAssembly time for the batch, summed over the workers, in seconds."""
    browser = Browser(page, workers, profile=True)
    try:
        browser.load(paths)
        profile = browser.load_profile()
    finally:
        browser.quit()
    kinds = profile["kinds"]

    def seconds(what, key="covered"):
        return kinds[what][key] / 1000 if what in kinds else 0.0

    print(f"  {'':34} profile of one more load (?profile): {profile['wall'] / 1000:.3f} s in all")
    thread = ", ".join(f"{what} {seconds(what, 'sum'):.3f} s ({kinds[what]['count']}x)"
                       for what in ("arrived", "adopt", "render") if what in kinds)
    print(f"  {'':36}page's thread busy {profile['pageThread'] / 1000:.3f} s: {thread}")
    print(f"  {'':36}reading covered {seconds('read'):.3f} s (sum {seconds('read', 'sum'):.3f} s)")
    for worker in profile["workers"]:
        print(f"  {'':36}worker {worker['worker']}: {worker['files']} files, analysing "
              f"{worker['analysing'] / 1000:.3f} s, idle {worker['idle'] / 1000:.3f} s")
    waits = ", ".join(f"{what} sum {seconds(what, 'sum'):.3f} s" for what in ("to worker", "queued", "hand-over"))
    print(f"  {'':36}{waits}")
    return seconds("core", "sum")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--page", required=True, action="append",
                        help="a build of the page; given more than once (e.g. before and after a change), "
                             "each is measured in the same run and named by its file")
    parser.add_argument("--bench", required=True, help="quillmere-bench, for the native baseline")
    parser.add_argument("--report", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--large-save", help="a save that grows a worker's memory (e.g. 255 MB): the renderer's "
                                             "memory after it, and after a load of the first folder's saves")
    parser.add_argument("--read-floor", action=argparse.BooleanOptionalAction, default=True,
                        help="time the browser only reading each batch's files")
    parser.add_argument("--responsiveness", action=argparse.BooleanOptionalAction, default=True,
                        help="the page's long tasks during a load, and how soon Cancel ends one")
    parser.add_argument("--profile", action=argparse.BooleanOptionalAction, default=True,
                        help="after the timed loads, one more load on each worker count with the page's own "
                             "profile (?profile) to show where its time went")
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()

    if args.large_save:
        for page in args.page:
            browser = Browser(page, 2)
            try:
                paths = sorted(os.path.join(args.folders[0], name) for name in os.listdir(args.folders[0]))[:10]
                _, peak = browser.load([args.large_save])
                time.sleep(2)  # the replaced worker's memory is given back
                after = sum(rss_of(pid) for pid in renderers())
                browser.load(paths)
                time.sleep(2)
                later = sum(rss_of(pid) for pid in renderers())
            finally:
                browser.quit()
            print(f"{os.path.basename(page)}: renderer {browser.idle / 1e6:.0f} MB idle, {peak / 1e6:.0f} MB at the "
                  f"peak of the large save, {after / 1e6:.0f} MB after it, {later / 1e6:.0f} MB after 10 saves more")
        return 0

    for folder in args.folders:
        paths = saves_in(folder)
        figures = native(args.bench, folder, args.rounds)
        baseline = figures["baseline"][0]
        print(f"{os.path.basename(folder)} batch, {len(paths)} saves, fastest of {args.rounds} rounds:")
        print(f"  {'native read + zlib inflate':34} {baseline:7.3f} s              peak {figures['baseline'][1]:6.1f} MB")
        for key, what in (("native1", "native analysis, 1 worker"), ("nativeN", "native analysis, all cores")):
            seconds, peak = figures[key]
            print(f"  {what:34} {seconds:7.3f} s  {seconds / baseline:5.2f} x  peak {peak:6.1f} MB")
        for jobs in (1, 2):
            seconds = report_time(args.report, paths, jobs, args.rounds)
            print(f"  {f'quillmere-report -j{jobs}':34} {seconds:7.3f} s  {seconds / baseline:5.2f} x")
        floor = None
        if args.read_floor:
            reads = read_floor(paths, args.rounds)
            for seconds, how in zip(reads, ("all at once", "one at a time")):
                print(f"  {f'browser read only, {how}':34} {seconds:7.3f} s  {seconds / baseline:5.2f} x")
            floor = min(reads)
        for page in args.page:
            label = "page" if len(args.page) == 1 else f"page {os.path.basename(page)}"
            for workers in (1, 2):
                browser = Browser(page, workers)
                try:
                    runs = [browser.load(paths) for _ in range(args.rounds)]
                finally:
                    browser.quit()
                seconds = min(run[0] for run in runs)
                name = f"{label}, {workers} worker" + ("s" if workers > 1 else "")
                to_floor = "" if floor is None else f", {seconds / floor:.2f} x the read floor"
                print(f"  {name:34} {seconds:7.3f} s  {seconds / baseline:5.2f} x  peak {runs[0][1] / 1e6:6.1f} MB "
                      f"(renderer){to_floor}")
                if args.profile:
                    wasm_core = print_profile(page, workers, paths)
                if floor is not None:
                    core, whose = ((wasm_core, "the WebAssembly core's time from the profile") if args.profile
                                   else (figures["native1"][0], "the native core standing in"))
                    print(f"  {'':34} {aim_estimate(seconds, floor, core, workers, whose)}")
            # Memory by batch size, each in a fresh browser: it must not grow with the count.
            for count in (10, 50):
                browser = Browser(page, 2)
                try:
                    _, peak = browser.load(paths[:count])
                finally:
                    browser.quit()
                print(f"  {f'{label}, 2 workers, {count} saves':34} {'':23}peak {peak / 1e6:6.1f} MB (renderer; "
                      f"{browser.idle / 1e6:.1f} MB before the load)")
    if args.responsiveness:
        paths = saves_in(args.folders[0])[:100]
        for page in args.page:
            label = "page" if len(args.page) == 1 else f"page {os.path.basename(page)}"
            print(f"{label}, 2 workers, {len(paths)} saves of {os.path.basename(args.folders[0])}:")
            long_tasks, cancel = responsiveness(page, paths)
            if cancel is None:
                print("  cancel not measured: the load ended within 0.25 s, before the click")
            else:
                print(f"  cancel answered in {cancel[0]:.0f} ms (aim < 200 ms), {cancel[1]} saves left unloaded")
            print(f"  longest task on the page's thread during a load: {max(long_tasks, default=0):.0f} ms, "
                  f"{len(long_tasks)} tasks over 50 ms (aim: none over 100 ms)")
    print("targets: page with 1 worker <= 1.5 x baseline, 2 workers <= 0.9 x; memory < 400 MB at 100 saves, "
          "not growing with the count")
    return 0


if __name__ == "__main__":
    sys.exit(main())
