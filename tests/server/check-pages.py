#!/usr/bin/python3
"""The server's pages in headless Chromium: a player sends a save through their link and sees its
receipt and their submissions; the referee rules on it; a hostile player name shows as text; the
pages run under their Content-Security-Policy with no violation.

    check-pages.py PROGRAM_FOLDER EXAMPLES [PAGE_CORE TOURNAMENT]

With the browser core (the WebAssembly build's quillmere-core.js) and the example tournament, the
player's page first shows a picked save under the round's rules as the server then judges it;
without, it says that the row comes with the receipt.

Exits 77 (skipped) when Chromium, its driver or Selenium is missing."""
import hashlib
import os
import shutil
import sys
import tempfile

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    webdriver = None

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serving import Programs, Server  # noqa: E402

CHROMIUM, CHROMEDRIVER = "/usr/bin/chromium", "/usr/bin/chromedriver"
if webdriver is None or not os.path.exists(CHROMIUM) or not os.path.exists(CHROMEDRIVER):
    print("skipped: Chromium, chromedriver or Selenium is missing")
    sys.exit(77)

program_folder, examples = sys.argv[1:3]
page_core, tournament = (sys.argv[3:5] + [None, None])[:2]
if page_core is not None and not os.path.exists(page_core):
    print(f"skipped: no browser core at {page_core}")
    sys.exit(77)
programs = Programs(program_folder)
hostile = '<img src=x id=injected onerror="document.title=1">'
save = os.path.join(examples, "Darya.sav")


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", f"--user-data-dir={profile}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


def wait(driver, condition, seconds=30):
    return WebDriverWait(driver, seconds, poll_frequency=0.05).until(condition)


def no_violations(driver):
    for entry in driver.get_log("browser"):
        assert "Content Security Policy" not in entry["message"], entry
        assert entry["level"] != "SEVERE", entry


folder = tempfile.mkdtemp(prefix="quillmere-pages-")
driver = None
server = None
try:
    archive = os.path.join(folder, "cup.qmt")
    tokens = programs.make_archive(archive, ["Anna", hostile])
    if page_core is None:
        server = Server(programs, archive, "--no-page-core")
    else:
        # The example's rules and settings, its deadline long past: a late upload is kept, flagged.
        programs.tournament_run("round", archive, "set", "1", "--profile", os.path.join(tournament, "profile.json"),
                                "--late", "accept")
        save = os.path.join(folder, hostile.replace("/", "_") + ".sav")
        shutil.copyfile(os.path.join(tournament, "saves", sorted(os.listdir(os.path.join(tournament, "saves")))[0]),
                        save)
        # A file time the page must not take: the server judges by when it receives the save.
        os.utime(save, (978307200, 978307200))
        server = Server(programs, archive, "--page-core", page_core)
    driver = browser(os.path.join(folder, "profile"))

    # The player's page: without the fragment it says what is missing.
    driver.get(server.url + "/submit")
    wait(driver, lambda d: "private link" in d.find_element(By.ID, "Message").text)

    driver.get(server.url + "/submit#token=" + tokens["Anna"])
    wait(driver, lambda d: "Anna" in d.find_element(By.ID, "Who").text)
    note = wait(driver, lambda d: d.find_element(By.ID, "PreviewNote").text)
    assert ("Pick a save" in note) == (page_core is not None), note
    driver.find_element(By.ID, "SaveFile").send_keys(save)
    wait(driver, lambda d: d.find_element(By.ID, "Send").is_enabled())
    shown = {}
    if page_core is not None:
        # The preview: the row under the round's rules, the file's name as text.
        tables = wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, "#PreviewRows table"))
        for table in tables:
            heads = [th.get_attribute("textContent") for th in table.find_elements(By.CSS_SELECTOR, "thead th")]
            cells = [td.get_attribute("textContent") for td in table.find_elements(By.CSS_SELECTOR, "tbody td")]
            caption = table.find_element(By.TAG_NAME, "caption").text
            shown[caption] = dict(zip(heads, cells))
        assert shown["Base"]["File Name"].endswith(hostile), shown
        assert not driver.find_elements(By.ID, "injected")
    driver.find_element(By.ID, "Send").click()
    wait(driver, lambda d: d.find_element(By.ID, "ReceiptBox").is_displayed())
    receipt = driver.find_element(By.ID, "Receipt").text
    assert hashlib.sha256(open(save, "rb").read()).hexdigest() in receipt, receipt
    assert driver.find_element(By.ID, "Message").text == "Received.", driver.find_element(By.ID, "Message").text
    rows = wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, "#Submissions tr"))
    assert len(rows) == 1 and os.path.basename(save) in rows[0].text, [r.text for r in rows]
    if page_core is not None:
        # What the server judged is what the page showed: the Final score, and every flag but the
        # one only the server's clock gives.
        mine = server.call("GET", "/api/submissions", tokens["Anna"]).json()["submissions"][0]
        assert float(shown["Base"]["Final"].replace(",", ".")) == mine["finalScore"], (shown, mine)
        late = [flag for flag in mine["flags"] if flag.startswith("received on day")]
        assert late and mine["late"], mine
        expected = "; ".join(flag for flag in mine["flags"] if flag not in late)
        assert expected and shown["Flags"]["Flags"] == expected, (shown["Flags"], mine["flags"])
    # The same file again: the first receipt.
    driver.find_element(By.ID, "Send").click()
    wait(driver, lambda d: "received before" in d.find_element(By.ID, "Message").text)
    no_violations(driver)

    # The referee's page: the submission, ruled on with a reason; the hostile name stays text.
    driver.get(server.url + "/referee#token=" + tokens[None])
    rows = wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, "#Submissions tr"))
    assert "Anna" in rows[0].text
    Select(rows[0].find_element(By.TAG_NAME, "select")).select_by_visible_text("rejected")
    rows[0].find_element(By.TAG_NAME, "input").send_keys("wrong map")
    rows[0].find_element(By.TAG_NAME, "button").click()
    wait(driver, lambda d: "rejected" in d.find_element(By.ID, "Message").text)
    wait(driver, lambda d: "rejected: wrong map" in d.find_element(By.ID, "Submissions").text)
    names = wait(driver, lambda d: [r.find_element(By.TAG_NAME, "td").text
                                    for r in d.find_elements(By.CSS_SELECTOR, "#Players tr")])
    assert hostile in names, names
    assert not driver.find_elements(By.ID, "injected") and driver.title == "Referee", driver.title
    no_violations(driver)

    mine = server.call("GET", "/api/submissions", tokens["Anna"]).json()["submissions"]
    assert mine[0]["ruling"] == "rejected" and mine[0]["reason"] == "wrong map", mine

    if page_core is not None:
        # The round in the browser edition's grids, from the archive's records under the round's
        # profile: the row the player saw before sending, the name as text, the graph drawn.
        driver.find_element(By.ID, "Browse").click()
        wait(driver, lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready") == "true")
        rows = driver.find_elements(By.CSS_SELECTOR, "#BaseGrid tbody tr")
        heads = [th.get_attribute("textContent") for th in driver.find_elements(By.CSS_SELECTOR, "#BaseGrid thead th")]
        cells = [td.get_attribute("textContent") for td in rows[0].find_elements(By.TAG_NAME, "td")]
        assert len(rows) == 1 and dict(zip(heads, cells)) == shown["Base"], (dict(zip(heads, cells)), shown["Base"])
        flags = driver.find_element(By.CSS_SELECTOR, "#FlagsGrid tbody tr").get_attribute("textContent")
        assert shown["Flags"]["Flags"] in flags, flags
        driver.find_element(By.ID, "tab-graph").click()
        wait(driver, lambda d: any(hostile in text.get_attribute("textContent")
                                   for text in d.find_elements(By.CSS_SELECTOR, "#HistoryChart text")))
        assert not driver.find_elements(By.ID, "injected") and driver.title.startswith("Round 1"), driver.title
        no_violations(driver)
        driver.get(server.url + "/referee#token=" + tokens[None])

    # The referee publishes the standings from the page; anyone then reads them, names as text.
    driver.find_element(By.ID, "Publish").click()
    wait(driver, lambda d: "published" in d.find_element(By.ID, "Message").text)
    driver.get(server.url + "/standings")
    rows = wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, "#Rows tr"))
    assert {r.find_elements(By.TAG_NAME, "td")[1].text for r in rows} == {"Anna", hostile}, [r.text for r in rows]
    assert "Test Cup" in driver.find_element(By.ID, "Heading").text
    assert not driver.find_elements(By.ID, "injected") and driver.title == "Standings", driver.title
    no_violations(driver)
finally:
    if driver is not None:
        driver.quit()
    if server is not None:
        server.stop()
    shutil.rmtree(folder)
print("server pages: ok")
