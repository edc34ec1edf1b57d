"""What the end-to-end tests share: the development service on the client's
compiled-in port, the real NimbralClient with the user's folders in a
temporary home, the keyboard and mouse of the virtual display (xdotool), and
screenshots.

Every test runs under tests/support/with-display, so DISPLAY is a virtual
display of its own. Each scenario is one function; run a scenario with
`python3 <file> <scenario> <build-bin-folder>`.
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

PORT = 18080
ORIGIN = f"http://127.0.0.1:{PORT}"


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(predicate, what, timeout=20.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise Failure(f"timed out waiting for {what}")


def screenshot(path, window="root"):
    """The X window (the whole virtual display by default) as an image file."""
    subprocess.run(["import", "-window", window, path], check=True)
    print(f"screenshot {path}")


def screenshots(bin_dir, scenario):
    """The folder for a scenario's screenshots, beside the build's bin folder."""
    folder = os.path.join(os.path.dirname(os.path.realpath(bin_dir)), "e2e-screenshots", scenario)
    os.makedirs(folder, exist_ok=True)
    return folder


def old_files(folder):
    """The ".old" files an update left in folder and below."""
    return [os.path.join(d, f) for d, _, files in os.walk(folder) for f in files if f.endswith(".old")]


class Service:
    """nimbral-devservice on the port the client's dev build compiles in."""

    def __init__(self, bin_dir, *args):
        self.process = subprocess.Popen([os.path.join(bin_dir, "nimbral-devservice"), "--port", str(PORT), *args],
                                        stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        check("listening" in line, f"the development service did not start: {line!r}")

    def call(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(ORIGIN + path, data=data, method=method)
        with urllib.request.urlopen(request) as answer:
            return json.load(answer)

    def requests(self):
        return self.call("GET", "/_control/requests")["requests"]

    def seen(self, method, path):
        return [r for r in self.requests() if r["method"] == method and r["path"] == path]

    def wait_for(self, method, path, count=1, timeout=20.0):
        return wait_until(lambda: len(self.seen(method, path)) >= count and self.seen(method, path),
                          f"{method} {path} (x{count})", timeout)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=10)


class Home:
    """A user's folders of their own: token file, browser data, runtime folder,
    temporary files (an update's package), and the folder whose update
    packages the development service serves."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="nimbral-e2e-")
        self.env = dict(os.environ, HOME=self.root, XDG_CONFIG_HOME=f"{self.root}/config",
                        XDG_DATA_HOME=f"{self.root}/data", XDG_CACHE_HOME=f"{self.root}/cache",
                        XDG_RUNTIME_DIR=f"{self.root}/run", TMPDIR=f"{self.root}/tmp")
        os.makedirs(f"{self.root}/run", mode=0o700)
        os.makedirs(f"{self.root}/tmp")
        self.packages = f"{self.root}/packages"
        os.makedirs(self.packages)

    @property
    def token_file(self):
        return f"{self.root}/config/NimbralClient/auth.dat"

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Client:
    """The real NimbralClient program."""

    def __init__(self, bin_dir, home, program=None):
        self.program = program or os.path.join(bin_dir, "NimbralClient")
        self.process = subprocess.Popen([self.program], env=home.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def window(self, timeout=20.0):
        def find():
            found = subprocess.run(["xdotool", "search", "--name", r"^NIMBRAL \|"], capture_output=True, text=True)
            return found.stdout.split()[0] if found.returncode == 0 and found.stdout.split() else None
        return wait_until(find, "the main window", timeout)

    def title(self):
        return subprocess.run(["xdotool", "getwindowname", self.window()], capture_output=True, text=True).stdout.strip()

    def keys(self, *keys):
        window = self.window()
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)
        subprocess.run(["xdotool", "key", "--window", window, *keys], check=True)

    def click(self, x, y):
        window = self.window()
        subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1"], check=True)

    def screenshot(self, path):
        screenshot(path, self.window())

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# Where the development service's pages put their buttons in the 928x602 window.
SIGN_IN_BUTTON = (463, 409)
LOGOUT_BUTTON = (860, 28)


def act_until(action, done, what, tries=5, wait=4.0):
    """Does what a user does (a click, a key) until its effect shows: on a
    loaded machine a page may not have drawn its button yet when the first
    click comes, and a user would simply click again."""
    for _ in range(tries):
        action()
        try:
            return wait_until(done, what, timeout=wait)
        except Failure:
            pass
    raise Failure(f"no effect seen: {what}")


def sign_in_on_page(client, service):
    """The sign-in form comes filled in with the demo account: press its
    button, as a user would, and wait for the page's token to reach the client
    (it then asks the service who is signed in)."""
    service.wait_for("GET", "/app/login")
    before = len(service.seen("GET", "/api/v1/me"))
    act_until(lambda: client.click(*SIGN_IN_BUTTON),
              lambda: len(service.seen("GET", "/api/v1/me")) > before, "the page signing in")


def report(name, scenario):
    """Runs scenario() and prints its verdict; a failure ends the program with 1."""
    try:
        scenario()
        print(f"{name}: passed")
    except Failure as failure:
        print(f"{name}: FAILED: {failure}")
        sys.exit(1)


def run(scenarios):
    """Runs the scenario named on the command line with a fresh service and home."""
    name, bin_dir = sys.argv[1], sys.argv[2]
    home = Home()
    service = Service(bin_dir, "--packages", home.packages)
    try:
        report(name, lambda: scenarios[name](bin_dir, service, home))
    finally:
        service.stop()
        home.remove()
