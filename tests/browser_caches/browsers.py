"""Drive headless Chromium and Firefox ESR through a list of pages, then make
them exit cleanly, so their disk caches are left whole on disk.

Chromium is driven over --remote-debugging-pipe (the DevTools protocol as
NUL-ended JSON on file descriptors 3 and 4), Firefox over Marionette (length-
prefixed JSON on a TCP port): both need nothing beyond the standard library, and
both let one browser start visit every page and then quit the way a user would,
which is what writes the last entries' end records.
"""

import json
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import time

CHROMIUM = os.environ.get("QUILLO_CHROMIUM", "chromium")
FIREFOX = os.environ.get("QUILLO_FIREFOX", "firefox-esr")


class BrowserError(Exception):
    pass


def sandbox_env(home):
    """Environment that keeps the browsers out of the real user's folders."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS")}
    runtime = os.path.join(home, "run")
    for d in (home, runtime):
        os.makedirs(d, mode=0o700, exist_ok=True)
    env.update(HOME=home,
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_RUNTIME_DIR=runtime,
               MOZ_HEADLESS="1",
               MOZ_CRASHREPORTER_DISABLE="1",
               MOZ_DISABLE_AUTO_SAFE_MODE="1",
               NO_AT_BRIDGE="1")
    return env


def reap(proc, grace):
    """Wait for the browser and every process it started; kill what is left."""
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        pass
    deadline = time.monotonic() + grace
    while time.monotonic() < deadline:
        try:
            os.killpg(proc.pid, 0)
        except ProcessLookupError:
            break
        time.sleep(0.1)
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    try:
        proc.wait(timeout=5)
    except subprocess.TimeoutExpired:
        pass
    return proc.returncode


# ---------------------------------------------------------------- Chromium


class DevToolsPipe:
    def __init__(self, write_fd, read_fd):
        self.write_fd = write_fd
        self.read_fd = read_fd
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def send(self, method, params=None, session=None):
        self.next_id += 1
        msg = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            msg["sessionId"] = session
        data = json.dumps(msg).encode() + b"\0"
        while data:
            data = data[os.write(self.write_fd, data):]
        return self.next_id

    def read_message(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise BrowserError("chromium: no answer from DevTools in time")
            ready, _, _ = select.select([self.read_fd], [], [], left)
            if ready:
                chunk = os.read(self.read_fd, 65536)
                if not chunk:
                    raise BrowserError("chromium: DevTools pipe closed (browser gone)")
                self.buffer += chunk
        msg, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(msg)

    def call(self, method, params=None, session=None, timeout=30):
        wanted = self.send(method, params, session)
        deadline = time.monotonic() + timeout
        while True:
            msg = self.read_message(deadline)
            if msg.get("id") == wanted:
                if "error" in msg:
                    raise BrowserError("chromium: %s failed: %s" % (method, msg["error"]))
                return msg.get("result", {})
            self.events.append(msg)

    def wait_load(self, loader, session, timeout):
        """Wait for the load event of this navigation (its pictures are all in)."""
        deadline = time.monotonic() + timeout
        while True:
            for msg in self.events:
                params = msg.get("params", {})
                if (msg.get("method") == "Page.lifecycleEvent" and msg.get("sessionId") == session
                        and params.get("name") == "load" and params.get("loaderId") == loader):
                    self.events.clear()
                    return
            self.events.append(self.read_message(deadline))


# --remote-debugging-pipe reads fd 3 and writes fd 4; this trampoline puts the
# two pipe ends there and execs the browser (a shell could only name fds < 10).
ONTO_3_AND_4 = """
import fcntl, os, sys
# Copies above 4 first, so moving one cannot overwrite the other.
a, b = (fcntl.fcntl(int(fd), fcntl.F_DUPFD, 5) for fd in sys.argv[1:3])
for fd in sys.argv[1:3]:
    os.close(int(fd))
os.dup2(a, 3)
os.dup2(b, 4)
os.close(a)
os.close(b)
os.execvp(sys.argv[3], sys.argv[3:])
"""


def chromium_command(profile, cache_dir):
    return [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu",
            "--user-data-dir=" + profile, "--disk-cache-dir=" + cache_dir,
            # Far above what the fills store, so nothing is evicted while browsing.
            "--disk-cache-size=1073741824",
            "--remote-debugging-pipe", "--no-first-run", "--no-default-browser-check",
            "--no-proxy-server", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-extensions",
            "--disable-breakpad", "--password-store=basic", "--use-mock-keychain",
            "--mute-audio", "about:blank"]


def run_chromium(urls, profile, cache_dir, home, log_path, page_timeout=30):
    """Visit every URL in one headless Chromium, then close it cleanly."""
    to_browser_r, to_browser_w = os.pipe()
    from_browser_r, from_browser_w = os.pipe()
    command = [sys.executable, "-c", ONTO_3_AND_4, str(to_browser_r), str(from_browser_w)]
    with open(log_path, "ab") as log:
        proc = subprocess.Popen(command + chromium_command(profile, cache_dir),
                                env=sandbox_env(home), stdin=subprocess.DEVNULL, stdout=log,
                                stderr=log, pass_fds=(to_browser_r, from_browser_w),
                                start_new_session=True)
    os.close(to_browser_r)
    os.close(from_browser_w)
    pipe = DevToolsPipe(to_browser_w, from_browser_r)
    try:
        targets = pipe.call("Target.getTargets", timeout=60)["targetInfos"]
        pages = [t for t in targets if t["type"] == "page"]
        if pages:
            target = pages[0]["targetId"]
        else:
            target = pipe.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = pipe.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        pipe.call("Page.enable", session=session)
        pipe.call("Page.setLifecycleEventsEnabled", {"enabled": True}, session=session)
        for url in urls:
            res = pipe.call("Page.navigate", {"url": url}, session=session, timeout=page_timeout)
            if res.get("errorText"):
                raise BrowserError("chromium: %s: %s" % (url, res["errorText"]))
            pipe.wait_load(res["loaderId"], session, page_timeout)
        pipe.send("Browser.close")
        status = reap(proc, 20)
    except BaseException:
        reap(proc, 0.5)
        raise
    finally:
        os.close(to_browser_w)
        os.close(from_browser_r)
    if status != 0:
        raise BrowserError("chromium exited with status %s (log: %s)" % (status, log_path))


# ---------------------------------------------------------------- Firefox

FIREFOX_PREFS = {
    "marionette.port": 0,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.page": 0,
    "browser.startup.homepage": "about:blank",
    "browser.startup.homepage_override.mstone": "ignore",
    "startup.homepage_welcome_url": "",
    "startup.homepage_welcome_url.additional": "",
    "browser.newtabpage.enabled": False,
    "browser.aboutwelcome.enabled": False,
    "browser.tabs.warnOnClose": False,
    "browser.sessionstore.resume_from_crash": False,
    "browser.pagethumbnails.capturing_disabled": True,
    "toolkit.startup.max_resumed_crashes": -1,
    "datareporting.policy.dataSubmissionEnabled": False,
    "datareporting.healthreport.uploadEnabled": False,
    "toolkit.telemetry.enabled": False,
    "app.update.auto": False,
    "app.normandy.enabled": False,
    "extensions.update.enabled": False,
    "extensions.getAddons.cache.enabled": False,
    "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False,
    "browser.safebrowsing.downloads.enabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "network.proxy.type": 0,
    "network.dns.disablePrefetch": True,
    "network.prefetch-next": False,
    "network.http.speculative-parallel-limit": 0,
    "dom.disable_beforeunload": True,
    "dom.push.connection.enabled": False,
    "services.settings.server": "http://127.0.0.1:9/",
    "browser.region.update.enabled": False,
    "browser.search.update": False,
    "network.http.network-changed.timeout": 0,
    "media.gmp-manager.updateEnabled": False,
    "browser.cache.disk.enable": True,
    "browser.cache.disk.smart_size.enabled": False,
    "browser.cache.disk.capacity": 1048576,
    "browser.cache.disk.max_entry_size": 51200,
}


def write_user_js(profile):
    os.makedirs(profile, exist_ok=True)
    with open(os.path.join(profile, "user.js"), "w") as f:
        for name, value in FIREFOX_PREFS.items():
            f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))


class Marionette:
    def __init__(self, port, timeout):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.buffer = b""
        self.next_id = 0
        self.read_packet()  # greeting: application type and protocol level

    def read_packet(self):
        while b":" not in self.buffer:
            self.fill()
        length, rest = self.buffer.split(b":", 1)
        length = int(length)
        self.buffer = rest
        while len(self.buffer) < length:
            self.fill()
        packet, self.buffer = self.buffer[:length], self.buffer[length:]
        return json.loads(packet)

    def fill(self):
        chunk = self.sock.recv(65536)
        if not chunk:
            raise BrowserError("firefox: Marionette connection closed")
        self.buffer += chunk

    def call(self, command, params=None):
        self.next_id += 1
        data = json.dumps([0, self.next_id, command, params or {}]).encode()
        self.sock.sendall(b"%d:%s" % (len(data), data))
        while True:
            msg = self.read_packet()
            if msg[0] == 1 and msg[1] == self.next_id:
                if msg[2]:
                    raise BrowserError("firefox: %s failed: %s" % (command, msg[2]))
                return msg[3]

    def close(self):
        self.sock.close()


def marionette_port(profile, proc, timeout):
    """Marionette writes the port it chose into the profile once it listens."""
    path = os.path.join(profile, "MarionetteActivePort")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            raise BrowserError("firefox exited early with status %s" % proc.returncode)
        try:
            with open(path) as f:
                text = f.read().strip()
            if text:
                return int(text)
        except (FileNotFoundError, ValueError):
            pass
        time.sleep(0.1)
    raise BrowserError("firefox: Marionette did not start within %d s" % timeout)


def run_firefox(urls, profile, home, log_path, page_timeout=30):
    """Visit every URL in one headless Firefox, then quit it cleanly."""
    write_user_js(profile)
    command = [FIREFOX, "--headless", "--no-remote", "--marionette", "--profile", profile]
    with open(log_path, "ab") as log:
        proc = subprocess.Popen(command, env=sandbox_env(home), stdin=subprocess.DEVNULL,
                                stdout=log, stderr=log, start_new_session=True)
    client = None
    try:
        client = Marionette(marionette_port(profile, proc, 60), page_timeout)
        client.call("WebDriver:NewSession", {"capabilities": {"alwaysMatch": {
            "pageLoadStrategy": "normal", "timeouts": {"pageLoad": page_timeout * 1000}}}})
        for url in urls:
            client.call("WebDriver:Navigate", {"url": url})
        client.call("Marionette:Quit", {"flags": ["eForceQuit"]})
        status = reap(proc, 30)
    except BaseException:
        reap(proc, 0.5)
        raise
    finally:
        if client:
            client.close()
    if status != 0:
        raise BrowserError("firefox exited with status %s (log: %s)" % (status, log_path))


def fresh(*paths):
    for p in paths:
        shutil.rmtree(p, ignore_errors=True)
