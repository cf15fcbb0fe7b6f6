#!/usr/bin/env python3
"""Plays a video in headless Chromium to its end and prints what the browser
saw as JSON: canPlayType for its codecs, its size and length, and how many
bytes of sound it decoded. Usage: play_in_chromium.py VIDEO CODECS"""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
import chromium  # noqa: E402

video, codecs = os.path.abspath(sys.argv[1]), sys.argv[2]
page = os.path.join(os.path.dirname(video), "play.html")
with open(page, "w") as f:
    f.write(f'<video id="v" src="{os.path.basename(video)}" muted></video>')
browser = chromium.Chromium()
try:
    browser.open_page(320, 240)
    browser.goto("file://" + page)
    browser.wait_for("document.getElementById('v') !== null")
    result = browser.evaluate(f"""new Promise(done => {{
        const v = document.getElementById('v');
        const report = error => done({{
            canPlay: v.canPlayType('video/mp4; codecs="{codecs}"'), error: error,
            ended: v.ended, width: v.videoWidth, duration: v.duration,
            currentTime: v.currentTime, audioBytes: v.webkitAudioDecodedByteCount}});
        v.onended = () => report(null);
        v.onerror = () => report(v.error ? v.error.message || String(v.error.code) : 'error');
        setTimeout(() => report('timed out'), 20000);
        v.playbackRate = 2;
        v.play().catch(e => report(String(e)));
    }})""", timeout=30)
    print(json.dumps(result))
finally:
    browser.close()
