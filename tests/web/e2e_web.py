#!/usr/bin/python3
"""The pupils' page in Debian's Chromium, headless, driven through Selenium from a network
namespace of its own beside the teacher's program and a pupil's Valtessa: joins by the QR code's
link, plays to the end by keyboard and mouse, reloads, loses its cable with a check on its way;
the teacher's table counts it exactly. Nothing loaded but the page's own paths, nothing for
axe-core to fault, a 4xx for hostile requests. Needs root, for the namespaces."""

import ctypes
import json
import os
import socket
import subprocess
import sys
import tempfile
from contextlib import contextmanager
from urllib.parse import urlsplit

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from desktop import check, json_of, main  # noqa: E402
from e2e_classroom import ExpectedRound, Pupil, Teacher, read_link  # noqa: E402
from netns import Network  # noqa: E402

TEACHER, MARIA, BROWSER = "169.254.78.1", "169.254.78.2", "169.254.78.3"
PORT = 47481
NAME = "Петя Колева"
PATHS = {"/", "/valtessa.js", "/valtessa.css", "/icon.png", "/ws"}
AXE = os.path.join(HERE, "node_modules", "axe-core", "axe.min.js")
# Nothing of the browser's own on the network: no updates, sync or lookups ahead.
FLAGS = ["--headless=new", "--no-sandbox", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--disable-default-apps",
         "--dns-prefetch-disable", "--lang=bg"]
# What a pupil sees and a screen reader is told, in one look.
STATE = """const $ = (id) => document.getElementById(id);
return {quiz: !$("quiz").hidden, join: $("join-status").textContent,
        lists: [0, 1, 2].map((i) => [...$("list" + i).options].map((o) => o.text)),
        chosen: [0, 1, 2].map((i) => $("list" + i).selectedIndex),
        right: $("right").getAttribute("aria-label"), wrong: $("wrong").getAttribute("aria-label"),
        info: $("info").textContent, status: $("status").textContent.trim(),
        speech: $("speech").textContent.trim(), summary: $("summary").open};"""


@contextmanager
def inside(namespace):
    """This thread, and every program it starts, on the namespace's network alone."""
    setns = ctypes.CDLL(None, use_errno=True).setns
    with open("/proc/thread-self/ns/net") as home, open(f"/run/netns/{namespace}") as there:
        check(setns(there.fileno(), 0x40000000) == 0, os.strerror(ctypes.get_errno()))
        try:
            yield
        finally:
            setns(home.fileno(), 0x40000000)


class Page:
    def __init__(self, work):
        options = webdriver.ChromeOptions()
        for flag in FLAGS + [f"--user-data-dir={work}/chromium"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    def wait(self, what, condition, timeout=20):
        try:
            WebDriverWait(self.driver, timeout).until(lambda _: condition(self.state()))
        except TimeoutException:
            raise AssertionError(f"timed out waiting for {what}: {self.state()}") from None

    def state(self):
        return self.driver.execute_script(STATE)

    def element(self, id):
        return self.driver.find_element(By.ID, id)

    def choose(self, choice):
        """Each entry chosen with the keyboard: Home, then Down to it."""
        lists = self.state()["lists"]
        wanted = [lists[i].index(text.strip()) for i, text in enumerate(choice)]
        for i, index in enumerate(wanted):
            self.element(f"list{i}").send_keys(Keys.HOME + Keys.DOWN * index)
        check(self.state()["chosen"][:len(choice)] == wanted, f"{choice} not chosen")

    def requests(self):
        """Every address the page asked for; not those of the new-tab page the browser opens
        first."""
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            params = message["params"]
            if (message["method"] in ("Network.requestWillBeSent", "Network.webSocketCreated")
                    and not params.get("documentURL", "").startswith("chrome://")):
                yield params.get("request", params)["url"]

    def axe(self, where):
        with open(AXE, encoding="utf-8") as file:
            self.driver.execute_script(file.read())
        found = self.driver.execute_async_script(
            "axe.run(document).then((r) => arguments[0](r.violations))")
        check(found == [], f"axe-core, {where}: " + "; ".join(
            f"{v['id']}: {[n['target'] for n in v['nodes']]}" for v in found))

    def shoot(self, artifacts, name, width, height, scale=1, mobile=False):
        """A screenshot at the size (scale 3: a 1280 × 800 window zoomed to 300 %), with nothing
        sticking out sideways."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": scale, "mobile": mobile})
        wide = self.driver.execute_script(
            "return [...document.querySelectorAll('button, select, output, h1, #info')]"
            ".filter((e) => e.getClientRects().length && e.getBoundingClientRect().right >"
            " document.documentElement.clientWidth + 0.5).map((e) => e.id || e.tagName)")
        check(wide == [], f"at {width} × {height}, sticking out: {wide}")
        os.makedirs(artifacts, exist_ok=True)
        self.driver.save_screenshot(os.path.join(artifacts, name))
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def answer(raw):
    """The head of what the teacher's program answers raw bytes."""
    with socket.create_connection((TEACHER, PORT), timeout=15) as connection:
        data = b""
        try:
            connection.sendall(raw)
        except (BrokenPipeError, ConnectionResetError):
            pass  # answered and closed before the request's end
        try:
            while b"\r\n\r\n" not in data and (chunk := connection.recv(65536)):
                data += chunk
        except ConnectionResetError:
            pass
        return data


def hostile_requests():
    head = f"Host: {TEACHER}:{PORT}\r\nConnection: close\r\n".encode()
    for raw, status in [
            (b"NONSENSE\r\n\r\n", b"400"),
            (b"GET / HTTP/1.1\r\n" + head + b"X-Filler: " + b"a" * (1 << 20) + b"\r\n\r\n", b"431"),
            (b"POST / HTTP/1.1\r\n" + head + b"Content-Length: 5\r\n\r\nhello", b"405"),
            (b"GET /answers.json HTTP/1.1\r\n" + head + b"\r\n", b"404"),
            (b"GET /../../../etc/passwd HTTP/1.1\r\n" + head + b"\r\n", b"4"),
            (b"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n" + head + b"\r\n", b"4")]:
        got = answer(raw)
        check(got.startswith(b"HTTP/1.1 " + status) and b"root:" not in got,
              f"{raw[:40]!r}… was answered {got[:60]!r}")


def run(executable, artifacts, table_json):
    check(os.path.exists(AXE), f"no {AXE}: run scripts/install-deps --tests")
    with tempfile.TemporaryDirectory(prefix="valtessa-web-") as work:
        net = Network(f"vweb{os.getpid() % 100000}")
        programs = []
        try:
            for machine, address in (("teacher", TEACHER), ("maria", MARIA), ("browser", BROWSER)):
                net.add_machine(machine, address)
            net.reachable("browser")
            with inside(net.namespace("browser")):
                play(executable, artifacts, json_of(table_json), net, programs, work)
        finally:
            for program in programs:
                if program.process.poll() is None:
                    program.process.kill()
                    program.process.wait(10)
            net.close()


def play(executable, artifacts, table, net, programs, work):
    expected = ExpectedRound(table)
    explanation = {(r["place"], r["winner"], r["defeated"]): r["explanation"] for r in table}
    teacher = Teacher(net, executable, f"{work}/teacher", ["--host", "--port", str(PORT)],
                      stdout=subprocess.PIPE)
    programs.append(teacher.program)
    link = read_link(teacher)
    code = link.split("=")[-1]
    teacher.find_host_window()
    maria = Pupil(net, "maria", executable, link, f"{work}/maria")
    programs.append(maria.program)
    expected.join(maria.name)
    page = Page(work)
    try:
        driver = page.driver
        driver.get(link.replace(code, f"{(int(code) + 1) % 10000:04}"))
        page.wait("the wrong code refused", lambda s: "кодът не е верен" in s["join"])
        driver.get(link)
        check(page.element("code").get_attribute("value") == code, "the code is not filled in")
        page.axe("the join form")
        page.element("name").send_keys(NAME + Keys.ENTER)
        page.wait("the quiz", lambda s: s["quiz"] and all(len(e) == 16 for e in s["lists"]))
        check(page.state()["info"].startswith("Кръг на клас"), page.state()["info"][:80])
        expected.join(NAME)

        def verdict(right, keyboard=False):
            choice = expected.right_choice(NAME) if right else expected.wrong_choice(NAME)
            page.choose(choice)
            (page.element("list2") if keyboard else page.element("check")).send_keys(Keys.ENTER)
            expected.apply(NAME, choice)
            figures = expected.pupils[NAME]
            # The window's words; the last verdict's give way to the summary's.
            words = (f"Вярно! Верни отговори: {figures['right']}. {explanation[tuple(choice)]}"
                     if right else f"Грешно. Грешни отговори: {figures['wrong']}").strip()
            page.wait(f"the verdict on {choice}", lambda s: (s["right"], s["wrong"]) == (
                f"Верни отговори: {figures['right']}", f"Грешни отговори: {figures['wrong']}")
                and (s["speech"] == words or s["summary"])
                and all(len(e) == expected.left(NAME) for e in s["lists"]))
            check(page.state()["info"] == (explanation[tuple(choice)] if right else "???"),
                  page.state()["info"][:80])

        page.choose(expected.right_choice(NAME)[:2])
        page.element("check").click()
        page.wait("the list without a choice named", lambda s: s["status"] == "Изберете победен.")
        verdict(False)
        verdict(True, keyboard=True)
        maria.play(expected, teacher, True, False)
        verdict(True)
        hostile_requests()
        verdict(False)
        page.shoot(artifacts, "e2e-web-pc.png", 1280, 800)
        page.shoot(artifacts, "e2e-web-phone.png", 375, 667, mobile=True)
        page.shoot(artifacts, "e2e-web-zoom-300.png", 427, 267, scale=3)
        page.axe("the quiz")
        teacher.wait_figures(expected, "the teacher's table after the hostile requests")

        before = page.state()
        driver.refresh()
        page.wait("the round as it was after a reload", lambda s: s["quiz"] and [
            s[key] for key in ("lists", "right", "wrong", "info")] == [
            before[key] for key in ("lists", "right", "wrong", "info")])
        for id, role, name in [("list0", "listbox", "Място"), ("list2", "listbox", "Победен"),
                               ("check", "button", "Провери"), ("right", "status", before["right"])]:
            element = page.element(id)
            check((element.aria_role, element.accessible_name) == (role, name),
                  f"#{id} is a {element.aria_role} named {element.accessible_name!r}")
        verdict(True)

        # The cable out with a check on its way: counted once when the page is back by itself.
        net.unplug("browser")
        choice = expected.right_choice(NAME)
        page.choose(choice)
        page.element("check").click()
        page.wait("the page to say the link is gone", lambda s: "прекъсна" in s["status"], 40)
        net.plug("browser")
        expected.apply(NAME, choice)
        page.wait("the check answered with the cable back", lambda s: s["right"] ==
                  f"Верни отговори: {expected.pupils[NAME]['right']}"
                  and "възстановена" in s["status"], 40)
        teacher.wait_figures(expected, "the check sent with the cable out counted once")

        while expected.left(NAME):
            verdict(True)
        page.wait("the summary", lambda s: s["summary"])
        figures = expected.pupils[NAME]
        shown = [page.element(f"summary-{key}").text for key in ("right", "wrong", "missed-count")]
        check(shown == [str(figures["right"]), str(figures["wrong"]), str(len(figures["missed"]))],
              f"the summary shows {shown}")
        teacher.wait_figures(expected, "the browser's pupil finished", {NAME: "завършил"})
        page.shoot(artifacts, "e2e-web-summary-phone.png", 375, 667, mobile=True)
        page.axe("the summary")
        driver.switch_to.active_element.send_keys(Keys.ENTER)  # „Упражни сбърканите“
        page.wait("the practice of the rows missed", lambda s: not s["summary"] and all(
            len(e) == len(figures["missed"]) for e in s["lists"]))

        asked = [urlsplit(url) for url in page.requests()]
        strangers = [url.geturl() for url in asked if url.path not in PATHS
                     or (url.hostname, url.port) != (TEACHER, PORT)]
        check(asked and not strangers, f"requests beyond the page's own: {strangers}")
        # The only errors allowed: connecting while the cable was out.
        errors = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"
                  and "WebSocket connection" not in e["message"]]
        check(errors == [], f"the browser's console: {errors}")
    finally:
        page.driver.quit()


if __name__ == "__main__":
    main(run)
