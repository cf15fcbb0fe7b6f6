"""Headless Debian Chromium driven over the DevTools protocol through a pipe
(--remote-debugging-pipe: JSON messages ended by NUL on fds 3 and 4), so no
websocket and no driver package is needed."""
import json
import os
import select
import shutil
import subprocess
import tempfile
import time
import zlib

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars", "--force-device-scale-factor=1", "--mute-audio",
         "--autoplay-policy=no-user-gesture-required", "--use-fake-device-for-media-stream",
         "--remote-debugging-pipe"]


class Chromium:
    def __init__(self, binary="/usr/bin/chromium"):
        self.profile = tempfile.mkdtemp(prefix="velune-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def wire():
            # Copies first: either pipe end may itself sit on fd 3 or 4.
            r, w = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(r, 3)
            os.dup2(w, 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)

        self.log = open(os.path.join(self.profile, "chromium.log"), "wb")
        self.process = subprocess.Popen([binary, *FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
                                        stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log,
                                        close_fds=False, preexec_fn=wire)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        self.session = None

    def send(self, method, params=None, session=True, timeout=30):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)

    def _read(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._from_browser], [], [], left)[0]:
                raise TimeoutError("no answer from Chromium")
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise RuntimeError("Chromium went away")
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(line)

    def open_page(self, width, height):
        """A fresh tab of the given viewport at device scale 1; later calls go to it."""
        if self.session:
            self.send("Target.closeTarget", {"targetId": self.target}, session=False)
        self.target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)["targetId"]
        self.session = self.send("Target.attachToTarget", {"targetId": self.target, "flatten": True},
                                 session=False)["sessionId"]
        self.send("Page.enable")
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def goto(self, url):
        self.send("Page.navigate", {"url": url})

    def evaluate(self, expression, timeout=30):
        r = self.send("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                           "returnByValue": True}, timeout=timeout)
        if "exceptionDetails" in r:
            raise RuntimeError(f"{expression}: {r['exceptionDetails']}")
        return r["result"].get("value")

    def wait_for(self, expression, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                value = self.evaluate(expression)
            except RuntimeError:
                value = None  # the page is still loading
            if value:
                return value
            time.sleep(0.1)
        raise TimeoutError(f"waited {timeout} s for {expression}")

    def screenshot(self):
        """The viewport as (width, height, rows of RGB bytes)."""
        import base64
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        return decode_png(base64.b64decode(data))

    def close(self):
        try:
            self.send("Browser.close", session=False, timeout=5)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


def decode_png(blob):
    """8-bit RGB or RGBA PNG to (width, height, list of RGB rows as bytes)."""
    assert blob[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    while at < len(blob):
        size = int.from_bytes(blob[at:at + 4], "big")
        kind = blob[at + 4:at + 8]
        body = blob[at + 8:at + 8 + size]
        if kind == b"IHDR":
            width, height = int.from_bytes(body[0:4], "big"), int.from_bytes(body[4:8], "big")
            depth, colour, interlace = body[8], body[9], body[12]
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unexpected PNG format"
        elif kind == b"IDAT":
            idat += body
        at += 12 + size
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = line
        rows.append(bytes(line) if channels == 3 else bytes(v for i, v in enumerate(line) if i % 4 != 3))
    return width, height, rows
