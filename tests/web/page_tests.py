"""The page as its user meets it: songs chosen, dropped, ended and replaced,
each tag format's title, a huge WAV, every control by keyboard, small
windows, and the messages for a replay address and a page opened from disk."""
import os
import subprocess
import time

RUNNING = "window.veluneStatus && veluneStatus.state === 'running'"
NOW = "document.getElementById('now').textContent"


def song(path, seconds, title=None, artist=None, codec=None, frequency=220):
    """A sine song made by ffmpeg, with tags when given."""
    args = ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"sine=frequency={frequency}:duration={seconds}", "-ac", "2"]
    if codec:
        args += ["-c:a", codec]
    for key, value in (("title", title), ("artist", artist)):
        if value:
            args += ["-metadata", f"{key}={value}"]
    subprocess.run(args + [path], check=True)
    return path


def choose(browser, paths):
    root = browser.send("DOM.getDocument")["root"]["nodeId"]
    node = browser.send("DOM.querySelector", {"nodeId": root, "selector": "#file"})["nodeId"]
    browser.send("DOM.setFileInputFiles", {"nodeId": node, "files": list(paths)})


def key(browser, name, code, vk, text=None, modifiers=0):
    down = {"type": "keyDown", "code": code, "key": name,
            "windowsVirtualKeyCode": vk, "modifiers": modifiers}
    if text is not None:
        down["text"] = text
    browser.send("Input.dispatchKeyEvent", down)
    browser.send("Input.dispatchKeyEvent", {"type": "keyUp", "code": code, "key": name, "windowsVirtualKeyCode": vk,
                                            "modifiers": modifiers})


def open_live(browser, base, width=1000, height=700, query="size=320x240&sceneframes=-1"):
    browser.open_page(width, height)
    browser.goto(f"{base}/index.html?{query}")
    browser.wait_for(RUNNING + " && veluneStatus.frames > 2")


def element(browser, expression):
    return browser.evaluate(f"(() => {{ const e = document.getElementById('song'); return {expression}; }})()")


# Files whose names begin with "long" take a second to read, as on a slow
# network share.
SLOW_DISK = """(() => {
  const slice = Blob.prototype.slice, read = Blob.prototype.arrayBuffer;
  Blob.prototype.slice = function (...args) { const part = slice.apply(this, args); part.from = this.name || this.from; return part; };
  Blob.prototype.arrayBuffer = function () {
    const data = read.call(this);
    return /^long/.test(this.name || this.from || '') ? data.then((v) => new Promise((r) => setTimeout(() => r(v), 1000))) : data;
  };
})()"""


def test_last_choice_plays(browser, base, scratch):
    long_flac = song(os.path.join(scratch, "long.flac"), 60, "Long One", codec="flac")
    short_mp3 = song(os.path.join(scratch, "short.mp3"), 6, "Short One", codec="libmp3lame", frequency=440)
    browser.open_page(1000, 700)
    browser.send("Page.addScriptToEvaluateOnNewDocument", {"source": SLOW_DISK})
    browser.goto(f"{base}/index.html?size=320x240")
    browser.wait_for(RUNNING)
    choose(browser, [long_flac])
    time.sleep(0.15)
    choose(browser, [short_mp3])   # a new choice: the playlist is this song alone
    browser.wait_for("veluneStatus.positionMs > 300", timeout=15)
    time.sleep(1.5)   # the first choice's tags arrive meanwhile
    assert browser.evaluate(NOW) == "Short One", browser.evaluate(NOW)
    assert browser.evaluate("document.title") == "Short One · Velune"
    duration, paused = element(browser, "[e.duration, e.paused]")
    assert abs(duration - 6) < 0.5 and not paused, f"the element plays a {duration} s song, paused {paused}"

    # The tune chosen while a song plays: the song stops for good.
    browser.evaluate("document.getElementById('tune').click()")
    browser.wait_for(f"{NOW}.startsWith('Velune Tune')")
    time.sleep(0.5)
    assert element(browser, "e.paused && !e.getAttribute('src')"), "the song still holds the element"
    assert browser.evaluate(NOW).startswith("Velune Tune")


def test_playlist_plays_in_order_and_ends(browser, base, scratch):
    first = song(os.path.join(scratch, "first.ogg"), 1.5, "First", codec="libvorbis")
    second = song(os.path.join(scratch, "second.wav"), 1.5)
    open_live(browser, base)
    choose(browser, [first, second])
    browser.wait_for(f"{NOW} === '1/2 · First'", timeout=10)
    browser.evaluate("document.getElementById('next').click()")
    browser.wait_for(f"{NOW} === '2/2 · second' && veluneStatus.positionMs > 0", timeout=10)
    browser.evaluate("document.getElementById('prev').click()")
    browser.wait_for(f"{NOW} === '1/2 · First' && veluneStatus.positionMs > 0", timeout=10)
    # First ends, second follows, then the playlist is over.
    browser.wait_for(f"{NOW} === '2/2 · second'", timeout=10)
    browser.wait_for(f"{NOW}.startsWith('The playlist has ended')", timeout=10)
    assert browser.evaluate("document.title") == "Velune"
    time.sleep(1.2)
    assert browser.evaluate("veluneStatus.positionMs") == 0, "the song's time runs on after its end"
    assert browser.evaluate("document.getElementById('play').disabled === false")
    browser.evaluate("document.getElementById('play').click()")
    browser.wait_for(f"{NOW} === '1/2 · First'", timeout=10)

    # A song that cannot play is said, and the next one plays meanwhile.
    broken = os.path.join(scratch, "broken.ogg")
    with open(broken, "wb") as f:
        f.write(b"OggS but nothing more " * 100)
    choose(browser, [broken, second])
    browser.wait_for(f"{NOW} === '2/2 · second' && veluneStatus.positionMs > 0", timeout=10)
    assert "broken.ogg" in browser.evaluate("veluneStatus.error"), "the failed song went unmentioned"


def test_pause_seek_stop(browser, base, scratch):
    path = song(os.path.join(scratch, "twenty.ogg"), 20, "Twenty", codec="libvorbis")
    browser.open_page(1000, 700)
    browser.send("Network.enable")
    browser.goto(f"{base}/index.html?size=320x240")
    browser.wait_for(RUNNING)
    failed = [e["params"]["response"]["url"] for e in browser.events
              if e.get("method") == "Network.responseReceived" and e["params"]["response"]["status"] >= 400]
    assert not failed, f"the page asked for what is not there: {failed}"
    browser.send("Network.disable")
    choose(browser, [path])
    browser.wait_for("veluneStatus.positionMs > 200", timeout=10)
    browser.evaluate("document.getElementById('play').click()")
    browser.wait_for("document.getElementById('song').paused", timeout=3)
    time.sleep(0.2)   # the frame drawn as the pause came, and the element's settled time
    held = browser.evaluate("veluneStatus.positionMs")
    time.sleep(0.5)
    assert browser.evaluate("veluneStatus.positionMs") == held, "the song's time runs while paused"
    assert browser.evaluate("document.getElementById('play').textContent") == "Play"
    browser.evaluate("document.getElementById('picture').focus()")
    key(browser, "c", "KeyC", 67, "c")   # the player's pause key resumes
    browser.wait_for(f"veluneStatus.positionMs > {held + 200}", timeout=5)
    browser.evaluate("""(() => { const s = document.getElementById('seek'); s.value = 15;
      s.dispatchEvent(new Event('input')); })()""")
    browser.wait_for("veluneStatus.positionMs >= 15000", timeout=5)
    key(browser, "v", "KeyV", 86, "v")   # stop: paused at the start
    browser.wait_for("document.getElementById('song').paused && veluneStatus.positionMs === 0", timeout=5)
    assert browser.evaluate(NOW) == "Twenty"


def test_dropped_file_plays(browser, base, scratch):
    path = song(os.path.join(scratch, "dropped.flac"), 3, "Dropped Song", codec="flac")
    open_live(browser, base)
    drag = {"items": [], "files": [path], "dragOperationsMask": 1}
    for kind in ("dragEnter", "dragOver", "drop"):
        browser.send("Input.dispatchDragEvent", {"type": kind, "x": 500, "y": 400, "data": drag})
    browser.wait_for(f"{NOW} === 'Dropped Song' && veluneStatus.positionMs > 0", timeout=10)


def test_tag_titles(browser, base, scratch):
    open_live(browser, base)
    for ext, codec in (("mp3", "libmp3lame"), ("ogg", "libvorbis"), ("opus", "libopus"), ("flac", "flac"),
                       ("m4a", "aac")):
        path = song(os.path.join(scratch, f"tagged.{ext}"), 1, f"Tïtle in {ext}", "Ärtist", codec)
        choose(browser, [path])
        want = f"Ärtist - Tïtle in {ext}"
        try:
            browser.wait_for(f"{NOW} === {want!r} && document.title === {want + ' · Velune'!r}", timeout=5)
        except TimeoutError:
            raise AssertionError(f"{ext}: the page shows {browser.evaluate(NOW)!r}, not {want!r}")


def process_tree_rss(pid):
    """Resident kilobytes of a process and all its descendants."""
    rows = [tuple(map(int, line.split())) for line in
            subprocess.run(["ps", "-e", "-o", "pid=,ppid=,rss="], capture_output=True, text=True).stdout.splitlines()]
    tree = {pid}
    for _ in range(6):   # Chromium's processes are a few levels deep
        tree |= {p for p, parent, _ in rows if parent in tree}
    return sum(rss for p, _, rss in rows if p in tree)


def test_huge_wav_streams(browser, base, scratch):
    # 200 MB of 16-bit stereo silence (20 minutes), sparse on disk.
    path = os.path.join(scratch, "huge.wav")
    data = 200 * 1024 * 1024
    import struct
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + data) + b"WAVEfmt " +
                struct.pack("<IHHIIHH", 16, 1, 2, 44100, 176400, 4, 16) + b"data" + struct.pack("<I", data))
        f.truncate(44 + data)
    try:
        open_live(browser, base)
        # A small song first, so the sound's own start-up is not counted.
        choose(browser, [song(os.path.join(scratch, "warm.wav"), 1)])
        browser.wait_for("veluneStatus.positionMs > 0", timeout=10)
        before = process_tree_rss(browser.process.pid)
        start = time.monotonic()
        choose(browser, [path])
        browser.wait_for("veluneStatus.positionMs > 0", timeout=20)
        started = time.monotonic() - start
        time.sleep(1)
        grown = (process_tree_rss(browser.process.pid) - before) / 1024
        assert started < 3, f"a 200 MB WAV took {started:.2f} s to start"
        assert grown < 150, f"Chromium grew by {grown:.0f} MB playing a 200 MB WAV"
        assert abs(element(browser, "e.duration") - 1188.8) < 1
        print(f"    200 MB WAV: playing after {started:.2f} s, Chromium grew by {grown:.0f} MB")
    finally:
        os.remove(path)


def focused(browser):
    return browser.evaluate("document.activeElement && document.activeElement.id")


def scene(browser):
    return browser.evaluate("[document.getElementById('renderer').value, document.getElementById('transform').value]"
                            ".map(Number)")


def test_every_control_by_keyboard(browser, base):
    open_live(browser, base)
    order, styles = [], []
    for _ in range(30):
        key(browser, "Tab", "Tab", 9)
        now = focused(browser)
        if not now or now in order:
            break
        order.append(now)
        styles.append(browser.evaluate("getComputedStyle(document.activeElement).outlineStyle"))
    assert order == ["open", "volume", "mic", "tune", "k32", "renderer", "k116", "transform", "k117", "k118",
                     "k119", "k115", "size", "full", "share", "keys", "picture"], order
    assert all(s != "none" for s in styles), f"a focused control shows no outline: {list(zip(order, styles))}"

    def focus(id_):
        browser.evaluate(f"document.getElementById('{id_}').focus()")

    # Space and Enter press the focused button, and only the button.
    r, t = scene(browser)
    focus("k117")
    key(browser, " ", "Space", 32, " ")
    time.sleep(0.2)
    assert scene(browser) == [r, (t + 1) % 15], f"Space on Next transform: {[r, t]} became {scene(browser)}"
    focus("k116")
    key(browser, "Enter", "Enter", 13, "\r")
    time.sleep(0.2)
    assert scene(browser) == [(r + 1) % 14, (t + 1) % 15], f"Enter on Next renderer: {scene(browser)}"
    focus("k118")
    key(browser, " ", "Space", 32, " ")
    assert browser.wait_for("document.getElementById('k118').getAttribute('aria-pressed') === 'true'", timeout=3)
    browser.send("Page.setInterceptFileChooserDialog", {"enabled": True})
    browser.events.clear()
    focus("open")
    key(browser, " ", "Space", 32, " ")
    deadline = time.monotonic() + 3
    while not any(e.get("method") == "Page.fileChooserOpened" for e in browser.events):
        assert time.monotonic() < deadline, "Space on Song files did not open the file chooser"
        browser.evaluate("1")
    browser.send("Page.setInterceptFileChooserDialog", {"enabled": False})

    # On the picture the plug-in's keys act; ? opens the key list, Esc closes
    # it and gives the focus back.
    focus("picture")
    r, t = scene(browser)
    key(browser, "F6", "F6", 117)
    time.sleep(0.2)
    assert scene(browser) == [r, (t + 1) % 15], "F6 on the picture"
    key(browser, "?", "Slash", 191, "?", modifiers=8)
    assert browser.wait_for("!document.getElementById('help').hidden && document.activeElement.id === 'help-close'",
                            timeout=3)
    key(browser, "Escape", "Escape", 27)
    assert browser.wait_for("document.getElementById('help').hidden", timeout=3)
    assert focused(browser) == "picture"

    # F1 and Alt+Enter: full screen and back.
    key(browser, "F1", "F1", 112)
    browser.wait_for("document.fullscreenElement && document.fullscreenElement.id === 'stage'", timeout=5)
    key(browser, "Enter", "Enter", 13, "\r", modifiers=1)
    browser.wait_for("!document.fullscreenElement", timeout=5)


def test_share_link_reopens_the_scene(browser, base):
    open_live(browser, base)
    browser.evaluate("""(() => { for (const [id, v] of [['renderer', '7'], ['transform', '11']]) {
      const s = document.getElementById(id); s.value = v; s.dispatchEvent(new Event('change')); } })()""")
    browser.evaluate("document.getElementById('k119').click()")
    assert scene(browser) == [7, 11]
    link = browser.wait_for("document.getElementById('share').href.includes('locks=t') && "
                            "document.getElementById('share').href")
    browser.open_page(1000, 700)
    browser.goto(link)
    browser.wait_for(RUNNING + " && veluneStatus.frames > 2")
    locks = browser.evaluate("['k118', 'k119'].map((id) => document.getElementById(id).getAttribute('aria-pressed'))")
    assert scene(browser) == [7, 11] and locks == ["false", "true"], f"{link} opened {scene(browser)}, locks {locks}"


def test_small_window_and_scaling(browser, base):
    open_live(browser, base, 400, 300, "size=640x480")
    bar = browser.evaluate("document.getElementById('bar').getBoundingClientRect().height")
    assert bar <= 40, f"the toolbar takes {bar} of 300 pixels"
    key(browser, "Tab", "Tab", 9)
    assert focused(browser) == "menu", f"Tab at 400 x 300 goes to {focused(browser)!r} first"
    key(browser, "Enter", "Enter", 13, "\r")
    browser.wait_for("document.getElementById('open').getBoundingClientRect().height > 0", timeout=3)
    cut = browser.evaluate("""[...document.querySelectorAll('#controls button, #controls select, #controls a')]
      .filter((e) => { const r = e.getBoundingClientRect(); return r.left < 0 || r.right > innerWidth; })
      .map((e) => e.id)""")
    assert not cut, f"controls cut off at 400 x 300: {cut}"
    key(browser, "Escape", "Escape", 27)
    browser.wait_for("document.getElementById('open').getBoundingClientRect().height === 0", timeout=3)
    assert focused(browser) == "menu"
    shown = browser.evaluate("(() => { const r = document.getElementById('picture').getBoundingClientRect();"
                             " return [r.width, r.height]; })()")
    assert abs(shown[0] / shown[1] - 4 / 3) < 0.02 and shown[0] > 330, f"picture shown at {shown}"

    # A 640 x 480 picture fills most of a 1366 x 768 window, not only 1x.
    open_live(browser, base, 1366, 768, "size=640x480")
    shown = browser.evaluate("document.getElementById('picture').getBoundingClientRect().height")
    stage = browser.evaluate("document.getElementById('stage').getBoundingClientRect().height")
    assert abs(shown - stage) < 1.5 and shown > 600, f"picture {shown} high in a stage of {stage}"


def test_info_text_grows_with_the_picture(browser, base):
    """The overlay's white text spans more rows on a 1920 x 1080 frame (over a
    renderer that draws nothing in silence)."""
    rows = """(() => { const c = document.getElementById('picture'), x = c.getContext('2d');
      const d = x.getImageData(0, 0, Math.min(600, c.width), Math.min(400, c.height)), w = d.width;
      const lit = []; for (let y = 0; y < d.height; ++y) { let n = 0;
        for (let i = 0; i < w; ++i) { const p = 4 * (y * w + i);
          if (d.data[p] === 255 && d.data[p + 1] === 255 && d.data[p + 2] === 255) ++n; }
        if (n >= 3) lit.push(y); }
      return lit.length ? lit[lit.length - 1] - lit[0] : 0; })()"""
    spans = []
    for size in ("640x480", "1920x1080"):
        open_live(browser, base, 1000, 700, f"size={size}&renderer=4&transform=6&seed=1&sceneframes=-1")
        key(browser, "F4", "F4", 115)
        browser.wait_for(f"{rows} > 40", timeout=5)
        spans.append(browser.evaluate(rows))
    assert spans[1] > 1.8 * spans[0], f"overlay text spans {spans[0]} rows at 640x480, {spans[1]} at 1920x1080"


def test_replay_address_and_file_page(browser, base, web_dir):
    browser.open_page(800, 600)
    browser.goto(f"{base}/index.html?renderer=1&transform=9&seed=3&size=320x240&frames=40&audio=generated")
    browser.wait_for("window.veluneStatus && veluneStatus.state === 'done'", timeout=30)
    assert browser.evaluate("document.getElementById('controls').getBoundingClientRect().height") == 0, \
        "a replay shows controls that do nothing"
    text = browser.evaluate(NOW)
    assert "velune-render --renderer 1 --transform 9 --seed 3 --size 320x240 --frames 40" in text and \
        "frame 40 of 40" in text, text

    browser.open_page(800, 600)
    browser.goto("file://" + os.path.abspath(os.path.join(web_dir, "index.html")))
    text = browser.wait_for("window.veluneStatus && veluneStatus.error", timeout=20)
    assert "make web-demo" in text and "served" in text, text
