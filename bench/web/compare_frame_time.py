#!/usr/bin/env python3
"""Engine frame time in headless Chromium (simd128 and scalar builds) against
the native build, in one run, as ratios. Each figure is the best of three runs,
since other work on the machine only ever adds time.
Usage: compare_frame_time.py SIMD_WEB_DIR SCALAR_WEB_DIR NATIVE_BENCH"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
from chromium import Chromium  # noqa: E402
from run_web_tests import serve  # noqa: E402

SIZES = [(640, 480), (1280, 720)]
RENDERER, TRANSFORM, FRAMES, RUNS = 1, 9, 200, 3


def page_ms(browser, base, w, h):
    browser.open_page(800, 600)
    browser.goto(f"{base}/index.html?renderer={RENDERER}&transform={TRANSFORM}&seed=3&size={w}x{h}"
                 f"&frames={FRAMES}&audio=generated&bench=1")
    browser.wait_for("window.veluneStatus && veluneStatus.state === 'done'", timeout=120)
    return browser.evaluate("veluneStatus.frameMs")


def native_ms(binary, w, h):
    out = subprocess.run([binary, str(w), str(h), str(RENDERER), str(TRANSFORM), str(FRAMES)],
                         check=True, capture_output=True, text=True).stdout
    return float(out)


def main():
    simd_dir, scalar_dir, native = sys.argv[1:4]
    servers = [serve(simd_dir), serve(scalar_dir)]
    bases = [f"http://127.0.0.1:{s.server_address[1]}" for s in servers]
    browser = Chromium()
    try:
        print(f"renderer {RENDERER}, transform {TRANSFORM}, {FRAMES} frames; ms per engine frame, best of {RUNS}")
        print(f"{'size':>10} {'native':>8} {'simd128':>8} {'scalar':>8} {'simd/native':>12} {'scalar/native':>14} {'simd fps':>9}")
        for w, h in SIZES:
            n = min(native_ms(native, w, h) for _ in range(RUNS))
            s = min(page_ms(browser, bases[0], w, h) for _ in range(RUNS))
            c = min(page_ms(browser, bases[1], w, h) for _ in range(RUNS))
            print(f"{w}x{h:<6} {n:8.3f} {s:8.3f} {c:8.3f} {s / n:12.2f} {c / n:14.2f} {1000 / s:9.0f}")
    finally:
        browser.close()
        for s in servers:
            s.shutdown()


if __name__ == "__main__":
    main()
