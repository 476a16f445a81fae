#!/usr/bin/env python3
"""fiscal-server's page in a real browser: headless Chromium through WebDriver,
against fiscal-server and two simulated printers.

  web_page_browser_test.py --server PATH/fiscal-server --sim PATH/fiscal-sim [--shots DIR]

Without Chromium, its driver or Selenium the test is skipped (exit 77) with a
message, unless FS_REQUIRE_BROWSER=1 (scripts/test sets it: there scripts/deps
has installed them, and a skip would hide a broken page). With --shots it
only takes the pictures for docs/screenshots/ (scripts/screenshots)."""

import argparse
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

SKIP = 77
TOKEN = "s3cret-token"
WAIT = 15  # seconds for anything the page shows (it refreshes every 4 s)


def skip_or_fail(why):
    if os.environ.get("FS_REQUIRE_BROWSER") == "1":
        print(f"FAIL: {why} (FS_REQUIRE_BROWSER=1: scripts/deps installs it)")
        sys.exit(1)
    print(f"SKIPPED: {why}; install chromium, chromium-driver and python3-selenium "
          "(scripts/deps) to run the browser test")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip_or_fail("python3-selenium is not installed")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Sim:
    """One fiscal-sim on a pseudo-terminal, its paper in a file, a control socket."""

    def __init__(self, exe, folder, name):
        self.paper = os.path.join(folder, f"{name}.paper")
        self.control = os.path.join(folder, f"{name}.ctl")
        self.proc = subprocess.Popen(
            [exe, "--instant", "--busy-ms", "50", "--paper", self.paper, "--control", self.control],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
        self.path = self.proc.stdout.readline().strip()
        deadline = time.time() + 5
        while not os.path.exists(self.control) and time.time() < deadline:
            time.sleep(0.05)

    def send(self, command):
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(self.control)
            s.sendall((command + "\n").encode())
            time.sleep(0.1)

    def text(self):
        try:
            with open(self.paper, encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def daily_reports(self):
        return self.text().count("ДНЕВЕН ФИНАНСОВ ОТЧЕТ")


def request(port, method, path, body=None, token=TOKEN, headers=None):
    data = json.dumps(body).encode() if body is not None else None
    req = urllib.request.Request(f"http://127.0.0.1:{port}{path}", data=data, method=method)
    if token:
        req.add_header("Authorization", f"Bearer {token}")
    if data is not None:
        req.add_header("Content-Type", "application/json")
    for k, v in (headers or {}).items():
        req.add_header(k, v)
    try:
        with urllib.request.urlopen(req, timeout=20) as r:
            return r.status, json.loads(r.read() or b"{}")
    except urllib.error.HTTPError as e:
        return e.code, json.loads(e.read() or b"{}")


def start_browser(folder):
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    driver = shutil.which("chromedriver")
    if not chromium or not driver:
        skip_or_fail("chromium or chromedriver is not installed")
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for arg in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-dev-shm-usage", "--window-size=1024,768", "--lang=bg",
                f"--user-data-dir={os.path.join(folder, 'chromium')}"]:
        options.add_argument(arg)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(driver), options=options)


class Check:
    failures = []

    @classmethod
    def that(cls, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            cls.failures.append(what)
        return ok


def wait_for(browser, condition, what, timeout=WAIT):
    try:
        WebDriverWait(browser, timeout, poll_frequency=0.2).until(lambda b: condition())
        return Check.that(True, what)
    except Exception:
        return Check.that(False, what)


def card(browser, printer_id):
    found = browser.find_elements(By.CSS_SELECTOR, f'article[data-printer="{printer_id}"]')
    return found[0] if found else None


def card_text(browser, printer_id):
    c = card(browser, printer_id)
    return c.text if c else ""


def click_action(browser, printer_id, action):
    card(browser, printer_id).find_element(By.CSS_SELECTOR, f'button[data-action="{action}"]').click()
    WebDriverWait(browser, 5).until(lambda b: b.find_element(By.ID, "confirm").get_attribute("open"))


def answer_text(browser, printer_id):
    return card(browser, printer_id).find_element(By.CSS_SELECTOR, ".answer").text


def errors_in_console(entries):
    """Console entries that are errors: scripts, CSP violations, failed loads."""
    return [e["message"] for e in entries
            if e.get("level") == "SEVERE" or "Content Security Policy" in e.get("message", "")]


def login(browser, port):
    browser.get(f"http://127.0.0.1:{port}/")
    WebDriverWait(browser, WAIT).until(lambda b: b.find_element(By.ID, "token").is_displayed())
    browser.find_element(By.ID, "token").send_keys(TOKEN + "\n")
    WebDriverWait(browser, WAIT).until(lambda b: card(b, "1") and card(b, "2") and
                                       "В касата: " in card_text(b, "1") and "—" not in
                                       card(b, "1").find_element(By.CSS_SELECTOR, ".cash").text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--shots", help="take the pictures for docs/screenshots/ into DIR")
    args = parser.parse_args()

    folder = tempfile.mkdtemp(prefix="fs-web-")
    sims = [Sim(args.sim, folder, "p1"), Sim(args.sim, folder, "p2")]
    port = free_port()
    log = os.path.join(folder, "requests.log")
    server = subprocess.Popen(
        [args.server, "--listen", f"127.0.0.1:{port}", "--token", TOKEN, "--operator", "1:1",
         "--com", f"1={sims[0].path}", "--com", f"2={sims[1].path}",
         "--journal", os.path.join(folder, "journal.jsonl"), "--log", log],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    other = None
    browser = None
    try:
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.1)
        browser = start_browser(folder)
        if args.shots:
            return screenshots(browser, port, sims, args.shots)

        # A wrong token is said plainly, then the right one lets the page in.
        browser.get(f"http://127.0.0.1:{port}/")
        WebDriverWait(browser, WAIT).until(lambda b: b.find_element(By.ID, "token").is_displayed())
        browser.find_element(By.ID, "token").send_keys("wrong\n")
        wait_for(browser, lambda: "Грешен ключ за достъп" in
                 browser.find_element(By.ID, "login-message").text,
                 "a wrong token is refused with a message")
        # The 401 of the wrong token is expected there, nothing else.
        early = [m for m in errors_in_console(browser.get_log("browser"))
                 if "status of 401" not in m]
        browser.find_element(By.ID, "token").send_keys(TOKEN + "\n")
        wait_for(browser, lambda: card(browser, "1") and card(browser, "2"),
                 "the page lists both printers")
        wait_for(browser, lambda: "NV123456" in card_text(browser, "1") and
                 "В касата: 0,00 лв." in card_text(browser, "2"),
                 "each printer shows its serial number and its cash")

        # Out of paper, said in words within a refresh.
        sims[1].send("paper-out on")
        wait_for(browser, lambda: "Няма хартия" in card_text(browser, "2"),
                 "a printer out of paper shows it in words")
        Check.that("Няма хартия" not in card_text(browser, "1"), "the other printer has paper")

        # X report: one more report on printer 1's paper.
        before = sims[0].daily_reports()
        click_action(browser, "1", "xreport")
        browser.find_element(By.ID, "confirm-yes").click()
        wait_for(browser, lambda: "X отчетът е отпечатан" in answer_text(browser, "1"),
                 "X report answered in words")
        Check.that(sims[0].daily_reports() == before + 1 and
                   re.search(r"[XХ] ОТЧЕТ", sims[0].text()) is not None,
                   "X report printed one report on the paper")

        # Z report asks, says it cannot be undone, and "no" prints nothing.
        before = sims[0].text()
        click_action(browser, "1", "zreport")
        Check.that("не може да бъде отменено" in browser.find_element(By.ID, "confirm-text").text,
                   "Z report asks first and says it cannot be undone")
        browser.find_element(By.ID, "confirm-no").click()
        wait_for(browser, lambda: "нищо не е изпратено" in answer_text(browser, "1"),
                 "Z report answered no: the page says nothing was sent")
        time.sleep(0.5)
        Check.that(sims[0].text() == before, "Z report answered no printed nothing")

        # A deposit shows in the cash.
        click_action(browser, "1", "deposit")
        browser.find_element(By.ID, "amount").send_keys("12,50")
        browser.find_element(By.ID, "confirm-yes").click()
        wait_for(browser, lambda: "В касата: 12,50 лв." in card_text(browser, "1"),
                 "a deposit of 12,50 shows in the cash")

        # A sale sent over HTTP appears in today's sales with its receipt number.
        sale = "WEB-TEST-0001"
        status, answer = request(port, "POST", "/printers/1/receipt", {
            "uniqueSaleNumber": sale,
            "items": [{"text": "Кафе", "quantity": 2, "unitPrice": 1.75, "taxGroup": 2}]})
        Check.that(status == 200 and answer.get("ok"), f"the sale printed ({status})")
        number = answer.get("receiptNumber", "?")

        def sale_row():
            for row in browser.find_elements(By.CSS_SELECTOR, "#sales tbody tr"):
                if row.text.startswith(sale):
                    return row.text
            return ""
        wait_for(browser, lambda: number in sale_row() and "3,50 лв." in sale_row() and
                 "отпечатан" in sale_row(), "the sale shows in today's sales with its receipt number")
        browser.find_element(By.ID, "sale-search").send_keys("no-such-sale")
        Check.that(not browser.find_elements(By.CSS_SELECTOR, "#sales tbody tr"),
                   "the search by sale number leaves out other sales")
        browser.find_element(By.ID, "sale-search").clear()
        Check.that(len(browser.find_elements(By.CSS_SELECTOR, "#chart rect.bar")) == 1,
                   "the chart draws the hour of the sale")

        # By keyboard: Enter on a button asks, Esc is "no".
        before = sims[1].text()
        button = card(browser, "2").find_element(By.CSS_SELECTOR, 'button[data-action="xreport"]')
        button.send_keys(Keys.ENTER)
        WebDriverWait(browser, 5).until(lambda b: b.find_element(By.ID, "confirm").get_attribute("open"))
        browser.switch_to.active_element.send_keys(Keys.ESCAPE)
        wait_for(browser, lambda: "нищо не е изпратено" in answer_text(browser, "2"),
                 "by keyboard: Enter asks, Esc sends nothing")
        Check.that(sims[1].text() == before, "Esc printed nothing")

        # Setting the clock shows both clocks first.
        click_action(browser, "2", "clock")
        text = browser.find_element(By.ID, "confirm-text").text
        Check.that("Часовник на принтера:" in text and "Часовник на компютъра:" in text,
                   "setting the clock shows both clocks first")
        browser.find_element(By.ID, "confirm-no").click()

        # Settling a stuck receipt: answered in words (or: not in this server yet).
        click_action(browser, "1", "settle")
        browser.find_element(By.ID, "confirm-yes").click()
        wait_for(browser, lambda: answer_text(browser, "1") not in ("", "Изпраща се към принтера…"),
                 "settling a stuck receipt is answered in words")
        settle_missing = "не може да приключва" in answer_text(browser, "1")
        if settle_missing:
            print("note: POST /printers/{id}/settle is not in this server: the page says so")

        wait_for(browser, lambda: "POST /printers/1/receipt " + sale in
                 browser.find_element(By.ID, "log").text, "the request log's tail shows the sale")
        settings = browser.find_element(By.ID, "settings").text
        Check.that(str(port) in settings and "изключен" in settings and TOKEN not in settings,
                   "the settings show the port and https off, never the token")

        # No errors and no CSP violation in the console (a 404 of settle aside).
        entries = browser.get_log("browser")
        errors = early + [m for m in errors_in_console(entries)
                          if not (settle_missing and "/settle" in m and "404" in m)]
        Check.that(not errors, "the browser console shows no error and no CSP violation: "
                   + "; ".join(errors))

        # A page of another origin cannot make the server print, token or not.
        other_port = free_port()
        page_dir = os.path.join(folder, "other-site")
        os.makedirs(page_dir)
        with open(os.path.join(page_dir, "index.html"), "w", encoding="utf-8") as f:
            f.write("<!DOCTYPE html><title>another site</title>")

        class Quiet(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *a, **kw):
                super().__init__(*a, directory=page_dir, **kw)

            def log_message(self, *a):
                pass
        other = http.server.ThreadingHTTPServer(("127.0.0.1", other_port), Quiet)
        threading.Thread(target=other.serve_forever, daemon=True).start()
        browser.get(f"http://127.0.0.1:{other_port}/")
        before = sims[0].text()
        outcome = browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const url = arguments[0];
            const tries = [
              fetch(url, {method: 'POST', headers: {'Content-Type': 'application/json',
                   'Authorization': 'Bearer ' + arguments[1]}, body: '{}'}),
              fetch(url, {method: 'POST', mode: 'no-cors', headers: {'Content-Type': 'text/plain'},
                   body: '{}'}),
            ];
            Promise.allSettled(tries).then(r => done(r.map(x => x.status + ':' +
                (x.value ? x.value.status : ''))));
        """, f"http://127.0.0.1:{port}/printers/1/xreport", TOKEN)
        time.sleep(0.5)
        Check.that(sims[0].text() == before,
                   f"a page of another origin cannot make the server print ({outcome})")
        status, _ = request(port, "POST", "/printers/1/xreport", {},
                            headers={"Origin": f"http://127.0.0.1:{other_port}"})
        Check.that(status == 403, f"another origin is refused with 403 ({status})")
    finally:
        if browser:
            browser.quit()
        if other:
            other.shutdown()
        server.terminate()
        server.wait(timeout=10)
        for s in sims:
            s.proc.terminate()
            s.proc.wait(timeout=10)
        shutil.rmtree(folder, ignore_errors=True)
    if Check.failures:
        print(f"{len(Check.failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


def screenshots(browser, port, sims, out):
    """The page with two printers, one out of paper, and a few sales."""
    for i, (text, price) in enumerate([("Кафе", 1.80), ("Минерална вода", 1.20), ("Сандвич", 4.50)]):
        request(port, "POST", "/printers/1/receipt", {
            "uniqueSaleNumber": f"KASA1-0001-{i + 1:07d}",
            "items": [{"text": text, "quantity": 2, "unitPrice": price, "taxGroup": 2}]})
    request(port, "POST", "/printers/1/deposit", {"amount": 50})
    sims[1].send("paper-out on")
    os.makedirs(out, exist_ok=True)
    login(browser, port)
    WebDriverWait(browser, WAIT).until(lambda b: "Няма хартия" in card_text(b, "2"))
    WebDriverWait(browser, WAIT).until(lambda b: b.find_elements(By.CSS_SELECTOR, "#sales tbody tr"))
    for name, width, height in [("server-page.png", 1024, 768), ("server-page-phone.png", 390, 844)]:
        browser.set_window_size(width, height)
        time.sleep(0.5)
        full = browser.execute_script("return document.documentElement.scrollHeight")
        browser.set_window_size(width, min(max(height, full + 100), 2600))
        time.sleep(0.5)
        browser.save_screenshot(os.path.join(out, name))
    browser.set_window_size(1024, 768)
    click_action(browser, "1", "zreport")
    time.sleep(0.3)
    browser.save_screenshot(os.path.join(out, "server-page-zreport.png"))
    browser.find_element(By.ID, "confirm-no").click()
    print(f"pictures written to {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
