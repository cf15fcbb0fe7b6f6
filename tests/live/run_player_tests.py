#!/usr/bin/env python3
"""velune.exe under Wine: the real DLL hosted as a player hosts it, fed by
each sound path Wine can show. A WAV file source (the picture rests in the
file's silence and follows its beats), Wine's capture device recording a
private PulseAudio server's monitor (the picture follows what paplay plays),
and loopback, which Wine 8 refuses: the refusal is written over the picture
and the program keeps running.
Usage: run_player_tests.py VELUNE_EXE VIS_VELUNE_DLL SCRATCH_FOLDER"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "web"))
from pictures import read_bmp, sharp_edges, white_pixels, write_png  # noqa: E402
from run_web_tests import beats_wav  # noqa: E402
from sound_bench import SINK, PulseServer, run_tests  # noqa: E402


class Run:
    """velune.exe in a folder of its own, the DLL beside it in a window of
    320x240 (its settings file says so), writing pictures and a log."""

    def __init__(self, exe, dll, folder, server, *args, every=1):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.folder = folder
        shutil.copy(exe, folder)
        shutil.copy(dll, folder)
        with open(os.path.join(folder, "vis_velune.ini"), "w", newline="\r\n") as f:
            f.write("[Velune v1.06]\nDisplay_Mode=1\nPrefered_Renderer=2\nPrefered_Transform=7\n"
                    "Frames_Per_Scene=-1\n")
        self.log = os.path.join(folder, "log.txt")
        env = dict(server.env, HOME=os.environ.get("HOME", "/root"),
                   VELUNE_WINEPREFIX=os.environ["VELUNE_WINEPREFIX"])
        self.proc = subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run"), "velune.exe", "--log", "log.txt",
                                      "--capture-every", str(every), "--capture-prefix", "cap", *args],
                                     cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return f.read().splitlines()

    def captures(self):
        return [(int(l.split()[1]), int(l.split()[2])) for l in self.lines() if l.startswith("capture ")]

    def wait(self, predicate, timeout, what):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if predicate():
                return
            assert self.proc.poll() is None or predicate(), f"velune.exe ended before {what}: {self.lines()[-3:]}"
            time.sleep(0.1)
        raise AssertionError(f"no {what} within {timeout} s: {self.lines()[-3:]}")

    def picture(self, frame):
        return read_bmp(os.path.join(self.folder, f"cap_{frame:05d}.bmp"))

    def finish(self, timeout=60):
        self.proc.wait(timeout)
        assert self.proc.returncode == 0, f"velune.exe ended with {self.proc.returncode}"


def edges(run, frame):
    """Sharp edges above the plug-in's message line."""
    w, h, rows = run.picture(frame)
    return sharp_edges(rows, 0, h - 25)


def edges_between(run, first_ms, last_ms, start_ms):
    return [edges(run, f) for f, ms in run.captures() if first_ms <= ms - start_ms < last_ms]


def test_file_source_rests_in_silence_and_follows_beats(exe, dll, scratch, server):
    wav = os.path.join(scratch, "file-beats.wav")
    beats_wav(wav, silent_seconds=2.0, beat_seconds=3.0)
    run = Run(exe, dll, os.path.join(scratch, "file"), server, "--source", wav, "--stop-file", "stop")
    # The file starts with the first frame; its captures carry the same clock.
    started = lambda: [int(l.split()[-1]) for l in run.lines() if l.startswith("started ")]  # noqa: E731
    run.wait(lambda: started() and run.captures() and run.captures()[-1][1] - started()[0] > 5000, 90, "5 s of pictures")
    open(os.path.join(run.folder, "stop"), "w").close()
    run.finish(120)
    start = started()[0]
    silent = edges_between(run, 300, 1900, start)
    beats = edges_between(run, 2100, 5000, start)
    assert len(silent) >= 5 and len(beats) >= 5, f"too few pictures: {run.lines()}"
    assert max(silent) < 60, f"the picture moved in the file's silence: {silent}"
    assert max(beats) > 4 * max(10, max(silent)), f"the picture does not follow the beats: {beats}"


def test_capture_device_records_the_server(exe, dll, scratch, server):
    # Wine's capture device is the server's default source: the null sink's
    # monitor, which carries what paplay plays.
    server.pactl("set-default-source", f"{SINK}.monitor")
    run = Run(exe, dll, os.path.join(scratch, "device"), server, "--source", "device", "--stop-file", "stop")
    run.wait(lambda: any("listening to" in l for l in run.lines()) and len(run.captures()) > 25, 90, "capture")
    time.sleep(2.5)  # the idle null sink's first block
    before = len(run.captures())
    wav = os.path.join(scratch, "beats.wav")
    server.play(wav).wait(30)
    run.wait(lambda: len(run.captures()) > before + 20, 60, "pictures of the sound")
    open(os.path.join(run.folder, "stop"), "w").close()
    run.finish(120)
    shots = run.captures()
    quiet = [edges(run, f) for f, _ in shots[10:before]]
    loud = [edges(run, f) for f, _ in shots[before:]]
    assert max(quiet) < 60, f"the picture moved before any sound: {quiet}"
    assert max(loud) > 4 * max(10, max(quiet)), f"the picture does not follow the server's sound: {loud}"


def test_loopback_refusal_is_shown(exe, dll, scratch, server):
    run = Run(exe, dll, os.path.join(scratch, "loopback"), server, "--source", "loopback", "--stop-file", "stop",
              every=3)

    def refused():
        said = [l.split(" ", 2) for l in run.lines() if l.startswith("sound ")]
        return [int(tick) for _, tick, text in said if text.startswith("No sound: ") and "opening" not in text]
    # Said, then written over the picture while the plug-in goes on.
    run.wait(lambda: refused() and run.captures() and run.captures()[-1][1] > refused()[0] + 2000, 90,
             "a refusal on the picture")
    open(os.path.join(run.folder, "stop"), "w").close()
    run.finish(120)
    # The plug-in writes the new "song's" title at the bottom for 80 frames.
    frame = next(f for f, ms in run.captures() if ms > refused()[0] + 1000)
    w, h, rows = run.picture(frame)
    text = white_pixels(rows, 0, h - 24, w, h)
    write_png(os.path.join(scratch, "loopback-refused.png"), w, h, rows)
    assert text > 30, f"no line on the picture at frame {frame} ({text} white pixels)"


def main():
    exe, dll, scratch = (os.path.abspath(a) for a in sys.argv[1:4])
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    beats_wav(os.path.join(scratch, "beats.wav"), silent_seconds=0.5, beat_seconds=3.0)
    server = PulseServer(os.path.join(scratch, "pulse"))
    tests = [
        ("file source rests in silence and follows beats", test_file_source_rests_in_silence_and_follows_beats),
        ("capture device records the server", test_capture_device_records_the_server),
        ("loopback refusal is shown", test_loopback_refusal_is_shown),
    ]
    try:
        server.start()
        failures = run_tests("velune.exe", [(name, lambda t=t: t(exe, dll, scratch, server)) for name, t in tests],
                             os.environ.get("VELUNE_PLAYER_TEST", ""))
    finally:
        server.stop()
        subprocess.run([os.path.join(ROOT, "scripts", "wine-stop")])
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
