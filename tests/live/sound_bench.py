"""A private sound server and display for the tests: PulseAudio as this user
with a null sink, on a socket under the build folder (never the user's own
server), and an Xvfb display. Everything started here is stopped here."""
import os
import shutil
import signal
import subprocess
import time

SINK = "velune_test"


class PulseServer:
    def __init__(self, folder):
        self.folder = os.path.abspath(folder)
        self.socket = os.path.join(self.folder, "pulse.sock")
        self.proc = None
        os.makedirs(self.folder, mode=0o700, exist_ok=True)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.folder, PULSE_RUNTIME_PATH=self.folder,
                        PULSE_STATE_PATH=self.folder, HOME=self.folder, PULSE_SERVER="unix:" + self.socket)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)

    def start(self):
        if os.path.exists(self.socket):
            os.unlink(self.socket)
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--disable-shm=yes", "--log-target=stderr",
             "-L", f"module-null-sink sink_name={SINK}",
             "-L", f"module-native-protocol-unix socket={self.socket} auth-anonymous=1"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.folder, "pulse.log"), "a"))
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.pactl("info").returncode == 0:
                return
            time.sleep(0.05)
        raise RuntimeError("the test sound server did not start")

    def kill(self):
        """As a crash would: no goodbye to the clients."""
        if self.proc is not None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
            self.proc = None

    def stop(self):
        if self.proc is not None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.kill()
            self.proc = None

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, capture_output=True, text=True)

    def play(self, wav):
        return subprocess.Popen(["paplay", f"--device={SINK}", wav], env=self.env)


class Display:
    """An Xvfb on the first free number from 150 (wine-run's start at 90).
    Side by side runs may pick the same one: the lock file that names our
    Xvfb decides, and the loser tries the next number."""

    def __init__(self, size="640x480x24"):
        n = 150
        while True:
            while os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                n += 1
            self.proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", size, "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if self.proc.poll() is not None or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                    break
                time.sleep(0.05)
            try:
                with open(f"/tmp/.X{n}-lock") as f:
                    ours = f.read().strip() == str(self.proc.pid)
            except OSError:
                ours = False
            if self.proc.poll() is None and ours:
                self.name = f":{n}"
                return
            self.stop()
            n += 1

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait()


def have_tools():
    return all(shutil.which(t) for t in ("pulseaudio", "paplay", "pactl", "Xvfb", "xdotool"))


def run_tests(label, tests, only, before_each=None):
    """Runs (name, function) pairs whose name holds `only`, each reported on
    a line of its own; returns the number that failed."""
    import traceback
    failures = 0
    for name, run in tests:
        if only and only not in name:
            continue
        begun = time.monotonic()
        try:
            if before_each is not None:
                before_each()
            run()
            print(f"[  PASSED  ] {label}: {name} ({time.monotonic() - begun:.1f} s)")
        except Exception:
            failures += 1
            print(f"[  FAILED  ] {label}: {name}")
            traceback.print_exc()
    return failures
