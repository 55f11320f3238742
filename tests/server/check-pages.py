#!/usr/bin/python3
"""The server's pages in headless Chromium: a player sends a save through their link and sees its
receipt and their submissions; the referee rules on it; a hostile player name shows as text; the
pages run under their Content-Security-Policy with no violation.

    check-pages.py PROGRAM_FOLDER EXAMPLES

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
    server = Server(programs, archive)
    driver = browser(os.path.join(folder, "profile"))

    # The player's page: without the fragment it says what is missing.
    driver.get(server.url + "/submit")
    wait(driver, lambda d: "private link" in d.find_element(By.ID, "Message").text)

    driver.get(server.url + "/submit#token=" + tokens["Anna"])
    wait(driver, lambda d: "Anna" in d.find_element(By.ID, "Who").text)
    driver.find_element(By.ID, "SaveFile").send_keys(save)
    wait(driver, lambda d: d.find_element(By.ID, "Send").is_enabled())
    driver.find_element(By.ID, "Send").click()
    wait(driver, lambda d: d.find_element(By.ID, "ReceiptBox").is_displayed())
    receipt = driver.find_element(By.ID, "Receipt").text
    assert hashlib.sha256(open(save, "rb").read()).hexdigest() in receipt, receipt
    assert driver.find_element(By.ID, "Message").text == "Received.", driver.find_element(By.ID, "Message").text
    rows = wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, "#Submissions tr"))
    assert len(rows) == 1 and "Darya.sav" in rows[0].text, [r.text for r in rows]
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
