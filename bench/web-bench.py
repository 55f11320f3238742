#!/usr/bin/env python3
"""Times the browser page (build-web/quillmere.html in headless Chromium) loading batches of saves,
side by side with the native baseline (read + zlib inflate of the same files on one core) and the
native analysis, both from quillmere-bench --measure, and quillmere-report on one and two workers.
The page's memory is the peak resident memory of its renderer process (its workers run there),
sampled every 20 ms during each load, at several batch sizes to show it does not grow with the count.

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


class Browser:
    def __init__(self, page, workers):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        self.profile = tempfile.TemporaryDirectory()
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     f"--user-data-dir={self.profile.name}"):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.get(f"file://{os.path.abspath(page)}?workers={workers}")
        self.wait(lambda: self.driver.find_element(By.TAG_NAME, "body").get_attribute("data-ready") == "true")
        time.sleep(0.5)
        self.idle = sum(rss_of(pid) for pid in renderers())
        self.loads = 0

    def wait(self, condition, seconds=600):
        WebDriverWait(self.driver, seconds, poll_frequency=0.02).until(lambda _: condition())

    def load(self, paths):
        """Loads `paths`; returns (seconds the page measured, peak renderer memory in bytes)."""
        sampler = Sampler()
        sampler.start()
        self.driver.find_element(By.ID, "FilePicker").send_keys("\n".join(paths))
        self.loads += 1
        self.wait(lambda: self.driver.execute_script("return document.body.dataset.loaded") == str(self.loads))
        peak = sampler.stop()
        seconds = self.driver.execute_script("return quillmerePage.lastLoad.milliseconds") / 1000
        failed = self.driver.execute_script(
            "return document.querySelectorAll('#BaseGrid tr.failed, #BaseGrid tr.notLoaded').length")
        if failed:
            raise SystemExit(f"{failed} saves failed in the page")
        return seconds, peak

    def quit(self):
        self.driver.quit()
        self.profile.cleanup()


def native(bench, folder, rounds):
    out = subprocess.run([bench, "--measure", folder, "--rounds", str(rounds)], check=True, stdout=subprocess.PIPE,
                         text=True).stdout
    figures = {}
    for label, key in ((r"read \+ zlib inflate", "baseline"), ("analysis, 1 worker", "native1"),
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
        paths = sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".sav"))
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
                print(f"  {name:34} {seconds:7.3f} s  {seconds / baseline:5.2f} x  peak {runs[0][1] / 1e6:6.1f} MB (renderer)")
            # Memory by batch size, each in a fresh browser: it must not grow with the count.
            for count in (10, 50):
                browser = Browser(page, 2)
                try:
                    _, peak = browser.load(paths[:count])
                finally:
                    browser.quit()
                print(f"  {f'{label}, 2 workers, {count} saves':34} {'':23}peak {peak / 1e6:6.1f} MB (renderer; "
                      f"{browser.idle / 1e6:.1f} MB before the load)")
    print("targets: page with 1 worker <= 1.5 x baseline, 2 workers <= 0.9 x; memory < 400 MB at 100 saves, "
          "not growing with the count")
    return 0


if __name__ == "__main__":
    sys.exit(main())
