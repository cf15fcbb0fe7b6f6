#!/usr/bin/env python3
"""velune-live against a real sound server: the picture follows the beats
that paplay plays into a null sink and rests in silence, the keys act as in
the plug-in, and a killed server, a vanished source and their return are said
on the picture while it keeps running.
Usage: run_live_tests.py VELUNE_LIVE SCRATCH_FOLDER"""
import configparser
import glob
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "web"))
from pictures import read_bmp, sharp_edges, white_pixels, write_png  # noqa: E402
from run_web_tests import beats_wav  # noqa: E402
from sound_bench import SINK, Display, PulseServer, have_tools, run_tests  # noqa: E402

W, H = 200, 150  # picture and window: one picture pixel per screen pixel


class Live:
    """A velune-live run that writes every frame it shows and a trace."""

    def __init__(self, exe, folder, server, display, *extra):
        self.folder = folder
        self.frames = os.path.join(folder, "frames")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(self.frames)
        self.trace = os.path.join(folder, "trace.txt")
        env = dict(server.env, DISPLAY=display.name, SDL_RENDER_DRIVER="software", SDL_AUDIODRIVER="dummy",
                   XDG_CONFIG_HOME=os.path.join(folder, "config"))
        self.command = [exe, "--size", f"{W}x{H}", "--window", f"{W}x{H}", "--max-fps", "30", "--seed", "5",
                        "--capture-dir", self.frames, "--trace", self.trace, *extra]
        self.env = env
        self.proc = None
        self.settings = os.path.join(folder, "config", "velune", "velune-live.ini")
        self.display = display

    def start(self):
        self.proc = subprocess.Popen(self.command, env=self.env)

    def lines(self):
        if not os.path.exists(self.trace):
            return []
        with open(self.trace) as f:
            return [tuple(int(v) for v in line.split()) for line in f.read().splitlines() if line.count(" ") == 2]

    def wait_state(self, states, timeout):
        """The first frame (number, ms) after now that shows one of the sound states."""
        since = len(self.lines())
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            assert self.proc.poll() is None, "velune-live stopped"
            for frame, ms, state in self.lines()[since:]:
                if state in states:
                    return frame, ms
            time.sleep(0.05)
        raise AssertionError(f"no sound state {states} within {timeout} s: last {self.lines()[-3:]}")

    def picture(self, frame):
        for _ in range(50):
            path = os.path.join(self.frames, f"frame-{frame:06d}.bmp")
            if os.path.exists(path):
                return read_bmp(path)[2]
            time.sleep(0.05)
        raise AssertionError(f"frame {frame} was not written")

    def latest(self):
        return self.picture(self.lines()[-1][0])

    def key(self, name):
        window = subprocess.run(["xdotool", "search", "--name", "^Velune$"], env=dict(os.environ, DISPLAY=self.display.name),
                                capture_output=True, text=True).stdout.split()
        assert window, "no Velune window on the display"
        subprocess.run(["xdotool", "key", "--window", window[0], name], env=dict(os.environ, DISPLAY=self.display.name),
                       check=True)

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)


def rises(live, start_ms, first_ms, count):
    """For each half second from start_ms + first_ms: how far the count of
    sharp edges climbs above its lowest so far, against the mean (the
    browser test's measure: a thump throws a ring that blurs away)."""
    samples = [(ms - start_ms, sharp_edges(live.picture(frame)))
               for frame, ms, _ in live.lines() if first_ms <= ms - start_ms < first_ms + 500 * count]
    out = []
    for k in range(count):
        window = [e for t, e in samples if first_ms + 500 * k <= t < first_ms + 500 * (k + 1)]
        rise = max((window[j] - min(window[:j]) for j in range(1, len(window))), default=0)
        out.append(rise / max(1.0, sum(window) / len(window)) if len(window) >= 5 else -1)
    return out


def play_and_measure(live, server, wav, silent_windows, beat_windows):
    # An idle null sink renders in blocks of two seconds: its monitor's sound
    # flows only after the first of them.
    time.sleep(2.5)
    start = time.monotonic() * 1000
    player = server.play(wav)
    player.wait(20)
    if os.environ.get("VELUNE_LIVE_DEBUG"):
        print([(ms - int(start), sharp_edges(live.picture(f))) for f, ms, _ in live.lines() if ms > start][::2])
    silent = rises(live, start, 300, silent_windows)
    # The beats begin two seconds in, and the sound takes about a tenth of a
    # second to reach the picture: each window holds one thump near its middle.
    beats = rises(live, start, 1900, beat_windows)
    return silent, beats


def status_text(rows):
    """White pixels where the sound's status line is written (top left)."""
    return white_pixels(rows, 0, 0, W, 24)


def test_picture_follows_beats_and_survives_the_server(exe, scratch, server, display):
    wav = os.path.join(scratch, "beats.wav")
    beats_wav(wav, silent_seconds=2.0, beat_seconds=3.5)
    live = Live(exe, os.path.join(scratch, "beats"), server, display, "--renderer", "2", "--transform", "7",
                "--frames-per-scene", "-1", "--source", f"{SINK}.monitor")
    live.start()
    try:
        live.wait_state({3}, 10)
        silent, beats = play_and_measure(live, server, wav, 3, 6)
        assert min(silent) >= 0 and max(silent) < 0.2, f"the picture moved in silence: {silent}"
        assert sum(r > 1.0 for r in beats) >= 4, f"the picture does not follow the beats: {beats}"
        assert status_text(live.latest()) == 0, "a status line while the sound is there"

        # The server dies: said on the picture, and the picture goes on.
        server.kill()
        frame, _ = live.wait_state({1}, 5)
        time.sleep(0.5)
        assert status_text(live.latest()) > 30, "no line on the picture while the server is gone"
        assert live.lines()[-1][0] > frame + 5, "the picture stopped with the server"
        # It comes back: the sound is picked up again without a restart.
        server.start()
        live.wait_state({3}, 5)
        silent, beats = play_and_measure(live, server, wav, 3, 6)
        assert status_text(live.latest()) == 0, "the line stays after the server came back"
        assert sum(r > 1.0 for r in beats) >= 4, f"no beats after the server came back: {beats}"

        # The source goes away (its sink unloaded) and comes back.
        module = next(line.split()[0] for line in server.pactl("list", "short", "modules").stdout.splitlines()
                      if "module-null-sink" in line)
        server.pactl("unload-module", module)
        live.wait_state({2}, 5)
        time.sleep(0.5)
        rows = live.latest()
        assert status_text(rows) > 30, "no line on the picture while the source is gone"
        write_png(os.path.join(scratch, "source-gone.png"), W, H, rows)
        server.pactl("load-module", "module-null-sink", f"sink_name={SINK}")
        live.wait_state({3}, 5)
        assert live.proc.poll() is None
    finally:
        live.stop()
    assert live.proc.returncode == 0, f"velune-live ended with {live.proc.returncode}"


def test_keys_and_settings(exe, scratch, server, display):
    folder = os.path.join(scratch, "keys")
    live = Live(exe, folder, server, display)
    # The plug-in's keys from the file: Moving Volume Cicle and Diagonal Fade,
    # dark in silence, so text shows.
    os.makedirs(os.path.dirname(live.settings))
    with open(live.settings, "w") as f:
        f.write("[Velune v1.06]\nPrefered_Renderer=2\nPrefered_Transform=7\nFrames_Per_Scene=-1\n")
    live.start()
    try:
        live.wait_state({3}, 10)
        time.sleep(0.5)
        quiet = white_pixels(live.latest(), 0, 25, W, 95)
        # F4: six lines of the information overlay, top left below the status line.
        live.key("F4")
        time.sleep(0.5)
        info = white_pixels(live.latest(), 0, 25, W, 95)
        assert info > 200 and info > 5 * quiet, f"no information overlay ({info} white pixels, {quiet} before)"
        # F7 unlocks the renderer, with the message near the bottom.
        live.key("F7")
        time.sleep(0.3)
        message = white_pixels(live.latest(), 0, H - 24, W, H)
        assert message > 30, f"no 'Renderer Unlocked' message ({message})"
        live.key("Escape")
        live.proc.wait(10)
    finally:
        live.stop()
    assert live.proc.returncode == 0
    ini = configparser.ConfigParser()
    ini.optionxform = str
    ini.read(live.settings)
    section = ini["Velune v1.06"]
    assert section["Prefered_Renderer"] == "-1", "the F7 unlock was not saved"
    assert section["Prefered_Transform"] == "7" and section["Frames_Per_Scene"] == "-1", "settings lost"
    assert section["Window_Width"] == str(W)


def test_list_sources(exe, scratch, server):
    out = subprocess.run([exe, "--list-sources"], env=server.env, capture_output=True, text=True, timeout=10)
    assert out.returncode == 0 and f"{SINK}.monitor\t" in out.stdout, out
    gone = dict(server.env, PULSE_SERVER="unix:" + os.path.join(scratch, "nobody.sock"))
    out = subprocess.run([exe, "--list-sources"], env=gone, capture_output=True, text=True, timeout=10)
    assert out.returncode == 1 and "no sound server" in out.stderr, out


def main():
    exe, scratch = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not have_tools():
        print("live tests need pulseaudio, pulseaudio-utils, xvfb and xdotool (scripts/install-deps)")
        sys.exit(1)
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    server = PulseServer(os.path.join(scratch, "pulse"))
    display = Display()
    tests = [
        ("picture follows the beats and survives the server", lambda: test_picture_follows_beats_and_survives_the_server(exe, scratch, server, display)),
        ("keys and settings", lambda: test_keys_and_settings(exe, scratch, server, display)),
        ("list sources", lambda: test_list_sources(exe, scratch, server)),
    ]
    try:
        server.start()
        failures = run_tests("live", tests, os.environ.get("VELUNE_LIVE_TEST", ""),
                             before_each=lambda: server.proc is None and server.start())
    finally:
        server.stop()
        display.stop()
    # The frames take room; keep them only when something failed.
    if not failures:
        for frames in glob.glob(os.path.join(scratch, "*", "frames")):
            shutil.rmtree(frames)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
