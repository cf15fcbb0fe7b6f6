"""Replay addresses in headless Chromium: long runs through many scene
changes, random renderers and every renderer, at odd sizes, must end on
velune-render's PNG byte for byte; a value the page cannot take must be named.
Hooked into run_web_tests.py by cases()."""
import glob
import os
import subprocess
import tempfile

from chromium import decode_png

# (seed, size, frames, frames per scene, renderer or None for random scenes)
LONG = [
    (19, (161, 97), 1000, 60, None),
    (8, (203, 151), 1000, 97, None),
]
# Each renderer through three scenes of random transforms, sizes alternating.
EVERY_RENDERER = [(30 + r, ((161, 97), (203, 151))[r % 2], 330, 110, r) for r in range(14)]


def velune_render_png(render, case, scratch):
    seed, (w, h), frames, scene, renderer = case
    out = tempfile.mkdtemp(dir=scratch)
    args = [render, "--seed", str(seed), "--size", f"{w}x{h}", "--frames", str(frames), "--scene-frames",
            str(scene), "--out", out, "--quiet"]
    if renderer is not None:
        args += ["--renderer", str(renderer)]
    subprocess.run(args, check=True)
    (path,) = glob.glob(os.path.join(out, "*.png"))
    with open(path, "rb") as f:
        return decode_png(f.read())


def page_picture(browser, base, case):
    """The canvas after the replay, run at once (bench=1) so 1,000 frames stay quick."""
    seed, (w, h), frames, scene, renderer = case
    lock = f"&renderer={renderer}" if renderer is not None else ""
    browser.open_page(w, h)
    browser.goto(f"{base}/index.html?seed={seed}&size={w}x{h}&frames={frames}&sceneframes={scene}{lock}"
                 f"&audio=generated&bare=1&bench=1")
    browser.wait_for("window.veluneStatus && veluneStatus.state === 'done'", timeout=120)
    return browser.screenshot()


def test_replays_equal_velune_render(browser, base, render, scratch, cases):
    failed = []
    for case in cases:
        expected = velune_render_png(render, case, scratch)
        got = page_picture(browser, base, case)
        w, h = case[1]
        assert got[:2] == (w, h), f"screenshot {got[:2]} for {w}x{h}"
        lit = sum(1 for row in expected[2] for v in row[::3] if v > 40)
        assert lit > 50, f"case {case}: the native frame is nearly black, it proves nothing"
        wrong = [(x, y) for y in range(h) for x in range(w)
                 if got[2][y][3 * x:3 * x + 3] != expected[2][y][3 * x:3 * x + 3]]
        if wrong:
            x, y = wrong[0]
            failed.append(f"case {case}: {len(wrong)} pixels differ, first ({x}, {y}): page "
                          f"{tuple(got[2][y][3 * x:3 * x + 3])}, velune-render {tuple(expected[2][y][3 * x:3 * x + 3])}")
    assert not failed, "\n".join(failed)


BAD = [
    ("renderer=99", "bad value for renderer: 99"),
    ("transform=15", "bad value for transform: 15"),
    ("size=abc", "bad value for size: abc"),
    ("size=0x0", "bad value for size: 0x0"),
    ("frames=-1&audio=generated", "bad value for frames: -1"),
    ("seed=2147483648", "bad value for seed: 2147483648"),
    ("sceneframes=1.5", "bad value for sceneframes: 1.5"),
    ("renderer=&transform=3", "bad value for renderer: (empty)"),
]


def test_bad_addresses_name_the_value(browser, base):
    for query, message in BAD:
        browser.open_page(640, 480)
        browser.goto(f"{base}/index.html?{query}")
        text = browser.wait_for("window.veluneStatus && veluneStatus.error", timeout=20)
        assert message in text, f"{query}: {text!r}"
        assert browser.evaluate("veluneStatus.state") == "failed", f"{query}: the page played anyway"
        assert browser.evaluate("veluneStatus.frames") == 0, f"{query}: frames were drawn"
    # Two bad values: both named.
    browser.goto(f"{base}/index.html?renderer=14&seed=-3")
    text = browser.wait_for("window.veluneStatus && veluneStatus.error", timeout=20)
    assert "renderer: 14" in text and "seed: -3" in text, text


def cases(browser, base, render, scratch):
    """(name, run) pairs for run_web_tests.py."""
    return [
        ("1,000-frame replays through scene changes equal velune-render",
         lambda: test_replays_equal_velune_render(browser, base, render, scratch, LONG)),
        ("a replay of each renderer equals velune-render",
         lambda: test_replays_equal_velune_render(browser, base, render, scratch, EVERY_RENDERER)),
        ("bad replay addresses name the value", lambda: test_bad_addresses_name_the_value(browser, base)),
    ]
