#!/usr/bin/env python3
"""The browser build in headless Chromium: the deterministic address against
velune-render's PNGs, a song file played through Web Audio, the page's
error messages, and the page's own tests (page_tests.py). Usage: run_web_tests.py WEB_DIR VELUNE_RENDER"""
import functools
import glob
import http.server
import math
import os
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium import Chromium, decode_png  # noqa: E402
import page_tests  # noqa: E402
import replay_tests  # noqa: E402

# (renderer, transform, seed, size, frames): several pairs, two sizes, odd
# widths for the row ends.
DETERMINISTIC = [
    (1, 9, 3, (320, 240), 200),
    (8, 2, 5, (320, 240), 120),
    (11, 13, 7, (320, 240), 90),
    (4, 0, 2, (333, 201), 100),
    (12, 5, 11, (333, 201), 60),
]


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def log_message(self, *args):
        pass


def serve(folder):
    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def native_png(render, case, out):
    r, t, seed, (w, h), frames = case
    subprocess.run([render, "--renderer", str(r), "--transform", str(t), "--seed", str(seed),
                    "--size", f"{w}x{h}", "--frames", str(frames), "--out", out, "--quiet"], check=True)
    (path,) = glob.glob(os.path.join(out, f"{r:02d}-*.png"))
    with open(path, "rb") as f:
        return decode_png(f.read())


def beats_wav(path, silent_seconds=2.0, beat_seconds=4.0, rate=44100):
    """Silence, then thumps at 120 bpm with quiet between them."""
    samples = []
    for i in range(int((silent_seconds + beat_seconds) * rate)):
        t = i / rate - silent_seconds
        v = 0.0
        if t >= 0:
            tb = t % 0.5
            v = 0.9 * math.sin(2 * math.pi * 90 * tb) * math.exp(-tb * 14)
        s = int(v * 32767)
        samples.append(struct.pack("<hh", s, s))
    data = b"".join(samples)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
                struct.pack("<IHHIIHH", 16, 1, 2, rate, rate * 4, 4, 16) + b"data" + struct.pack("<I", len(data)) + data)


def set_file(browser, selector, path):
    root = browser.send("DOM.getDocument")["root"]["nodeId"]
    node = browser.send("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
    browser.send("DOM.setFileInputFiles", {"nodeId": node, "files": [path]})


def test_deterministic_frames_equal_velune_render(browser, base, render, scratch):
    for case in DETERMINISTIC:
        r, t, seed, (w, h), frames = case
        out = tempfile.mkdtemp(dir=scratch)
        expected = native_png(render, case, out)
        browser.open_page(w, h)
        browser.goto(f"{base}/index.html?renderer={r}&transform={t}&seed={seed}&size={w}x{h}"
                     f"&frames={frames}&audio=generated&bare=1")
        browser.wait_for("window.veluneStatus && veluneStatus.state === 'done'", timeout=60)
        got = browser.screenshot()
        assert got[:2] == (w, h), f"screenshot {got[:2]} for {w}x{h}"
        lit = sum(1 for row in expected[2] for v in row if v > 40)
        assert lit > 100, f"case {case}: the native frame is nearly black, it proves nothing"
        for y in range(h):
            if got[2][y] != expected[2][y]:
                x = next(i for i in range(w * 3) if got[2][y][i] != expected[2][y][i]) // 3
                raise AssertionError(f"case {case}: first differing pixel ({x}, {y}): page "
                                     f"{tuple(got[2][y][3 * x:3 * x + 3])}, velune-render "
                                     f"{tuple(expected[2][y][3 * x:3 * x + 3])}")


# Samples the picture while the sound plays: song position and lit pixels.
SAMPLE = """(async () => {
  const c = document.getElementById('picture');
  const ctx = c.getContext('2d');
  const out = [];
  const end = performance.now() + %d;
  while (performance.now() < end) {
    await new Promise((r) => setTimeout(r, 40));
    const d = ctx.getImageData(0, 0, c.width, c.height).data;
    // Sharp steps between a pixel and the one above: lines drawn lately,
    // not the blurred trails the transform leaves of older ones.
    const row = 4 * c.width;
    let edges = 0;
    for (let i = row; i < d.length; i += 4) {
      const step = d[i] + d[i + 1] + d[i + 2] - d[i - row] - d[i - row + 1] - d[i - row + 2];
      if (step > 150 || step < -150) ++edges;
    }
    out.push([veluneStatus.positionMs, edges]);
  }
  return out;
})()"""


def test_song_file_picture_follows_the_beat(browser, base, scratch, web_dir):
    wav = os.path.join(scratch, "beats.wav")
    beats_wav(wav)
    browser.open_page(900, 620)
    browser.goto(f"{base}/index.html?renderer=2&transform=7&size=320x240")
    browser.wait_for("window.veluneStatus && veluneStatus.state === 'running'")
    set_file(browser, "#file", wav)
    browser.wait_for("veluneStatus.positionMs > 0", timeout=20)
    samples = browser.evaluate(SAMPLE % 5200, timeout=30)
    # Moving Volume Cicle: each thump throws a wide ring that shrinks as the
    # sound dies and blurs away, so in every half-second beat the picture's
    # sharpness falls and then rises again (where the peak falls varies with
    # the analyser and the frame timing). In silence it only settles.
    def rises(first, count):
        out = []
        for k in range(count):
            window = [e for pos, e in samples if first + 500 * k <= pos < first + 500 * (k + 1)]
            rise = max((window[j] - min(window[:j]) for j in range(1, len(window))), default=0)
            out.append(rise / max(1.0, sum(window) / len(window)) if len(window) >= 5 else -1)
        return out
    silent, beats = rises(500, 3), rises(2000, 6)
    assert min(silent) >= 0 and max(silent) < 0.2, f"the picture moved in silence: {silent} {samples}"
    assert sum(r > 1.0 for r in beats) >= 4, f"the picture does not follow the beats: {beats} {samples}"

    # The README's picture of the page.
    import base64
    captures = os.path.join(os.path.dirname(os.path.abspath(web_dir)), "web-captures")
    os.makedirs(captures, exist_ok=True)
    with open(os.path.join(captures, "page-playing-a-song.png"), "wb") as f:
        f.write(base64.b64decode(browser.send("Page.captureScreenshot", {"format": "png"})["data"]))
    title = browser.evaluate("document.getElementById('now').textContent")
    assert title.startswith("beats"), f"song title from the file name: {title!r}"


def press(browser, key, code):
    browser.send("Input.dispatchKeyEvent", {"type": "keyDown", "code": key, "key": key,
                                            "windowsVirtualKeyCode": code})
    browser.send("Input.dispatchKeyEvent", {"type": "keyUp", "code": key, "key": key, "windowsVirtualKeyCode": code})


def test_keys_act_as_in_the_plugin(browser, base):
    browser.open_page(800, 600)
    browser.goto(f"{base}/index.html?size=320x240&sceneframes=-1")
    browser.wait_for("window.veluneStatus && veluneStatus.state === 'running' && veluneStatus.frames > 2")
    browser.evaluate("window.sameDocument = true")
    renderer, transform = page_tests.scene(browser)
    press(browser, "F5", 116)
    time.sleep(0.2)
    assert page_tests.scene(browser) == [(renderer + 1) % 14, transform], f"F5: {page_tests.scene(browser)}"
    press(browser, "F6", 117)
    time.sleep(0.2)
    assert page_tests.scene(browser)[1] == (transform + 1) % 15, f"F6 kept {transform}"
    locked = "document.getElementById('k118').getAttribute('aria-pressed')"
    press(browser, "F7", 118)
    time.sleep(0.2)
    assert browser.evaluate(locked) == "true", "F7 did not lock the renderer"
    press(browser, "F7", 118)
    time.sleep(0.2)
    assert browser.evaluate(locked) == "false", "F7 again did not unlock it"
    assert browser.evaluate("window.sameDocument === true"), "F5 reloaded the page"


def test_errors_are_said_on_the_page(browser, base, scratch):
    # A file the browser cannot decode: a message, and the picture keeps running.
    bad = os.path.join(scratch, "broken.mp3")
    with open(bad, "wb") as f:
        f.write(b"this is no audio " * 200)
    browser.open_page(800, 600)
    browser.goto(f"{base}/index.html?size=320x240")
    browser.wait_for("window.veluneStatus && veluneStatus.state === 'running'")
    set_file(browser, "#file", bad)
    text = browser.wait_for("veluneStatus.error")
    assert "broken.mp3" in text and "decode" in text, text
    assert browser.evaluate("!document.getElementById('error').hidden")
    before = browser.evaluate("veluneStatus.frames")
    time.sleep(0.3)
    assert browser.evaluate("veluneStatus.frames") > before, "the engine stopped after a bad file"

    # A denied microphone.
    origin = base.rsplit("/", 1)[0] if base.count("/") > 2 else base
    browser.send("Browser.setPermission", {"permission": {"name": "microphone"}, "setting": "denied",
                                           "origin": origin}, session=False)
    browser.evaluate("document.getElementById('mic').click()")
    text = browser.wait_for("veluneStatus.error.includes('microphone') && veluneStatus.error")
    assert "not allowed" in text, text

    # No WebAssembly SIMD: said in the page and on the canvas, never a blank picture.
    browser.open_page(800, 600)
    browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": "WebAssembly.validate = () => false;"})
    browser.goto(f"{base}/index.html?size=320x240")
    text = browser.wait_for("window.veluneStatus && veluneStatus.error")
    assert "SIMD" in text, text
    colours = browser.evaluate("""(() => { const c = document.getElementById('picture');
      const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      const seen = new Set(); for (let i = 0; i < d.length; i += 4) seen.add(d[i] << 16 | d[i + 1] << 8 | d[i + 2]);
      return seen.size; })()""")
    assert colours > 2, "the canvas is blank under the SIMD message"


def main():
    web, render = sys.argv[1], sys.argv[2]
    server = serve(web)
    base = f"http://127.0.0.1:{server.server_address[1]}"
    browser = Chromium()
    failures = 0
    with tempfile.TemporaryDirectory(prefix="velune-web-") as scratch:
        tests = [
            ("deterministic frames equal velune-render", lambda: test_deterministic_frames_equal_velune_render(browser, base, render, scratch)),
            ("song file picture follows the beat", lambda: test_song_file_picture_follows_the_beat(browser, base, scratch, web)),
            ("keys act as in the plug-in", lambda: test_keys_act_as_in_the_plugin(browser, base)),
            ("errors are said on the page", lambda: test_errors_are_said_on_the_page(browser, base, scratch)),
            ("the last choice of song plays", lambda: page_tests.test_last_choice_plays(browser, base, scratch)),
            ("a playlist plays in order and ends", lambda: page_tests.test_playlist_plays_in_order_and_ends(browser, base, scratch)),
            ("pause, seek and stop", lambda: page_tests.test_pause_seek_stop(browser, base, scratch)),
            ("a dropped file plays", lambda: page_tests.test_dropped_file_plays(browser, base, scratch)),
            ("titles from each tag format", lambda: page_tests.test_tag_titles(browser, base, scratch)),
            ("a 200 MB WAV streams", lambda: page_tests.test_huge_wav_streams(browser, base, scratch)),
            ("every control by keyboard", lambda: page_tests.test_every_control_by_keyboard(browser, base)),
            ("a share link reopens the scene", lambda: page_tests.test_share_link_reopens_the_scene(browser, base)),
            ("small windows and scaling", lambda: page_tests.test_small_window_and_scaling(browser, base)),
            ("info text grows with the picture", lambda: page_tests.test_info_text_grows_with_the_picture(browser, base)),
            ("replay address and a page from disk", lambda: page_tests.test_replay_address_and_file_page(browser, base, web)),
            *replay_tests.cases(browser, base, render, scratch),
        ]
        only = os.environ.get("VELUNE_WEB_TEST", "")
        try:
            for name, run in tests:
                if only and only not in name:
                    continue
                start = time.monotonic()
                try:
                    run()
                    print(f"[  PASSED  ] web: {name} ({time.monotonic() - start:.1f} s)")
                except Exception:
                    failures += 1
                    print(f"[  FAILED  ] web: {name}")
                    traceback.print_exc()
        finally:
            browser.close()
            server.shutdown()
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
