"""End to end: the forced update, and the installed program folder.

An installed folder stamped as 1.0.0, and a package of the same build stamped
as 1.1.0 that the development service announces as the lowest version: the
old build shows the update window, Enter installs the package, the new build
starts and the old one ends, the new one removes the ".old" files, and
exactly one client remains (a further start hands over to it and ends). A
package made on Windows (no Unix modes) still installs a runnable program. A
manifest that never answers, or answers 500, lets the program start as usual;
a version text that cannot name the package file is reported in a message
box and the program lives on.
The installed folder starts from anywhere and shows the launcher page, the
.tar.gz holds the same folder, and add-to-menu points the desktop entry into
the folder.

Screenshots go to build/<preset>/e2e-screenshots/<scenario>/.
"""
import ctypes
import hashlib
import http.server
import os
import signal
import socket
import subprocess
import tarfile
import threading
import time
import zipfile

from harness import ORIGIN, PORT, Client, check, old_files, run, screenshot, screenshots, wait_until

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
UPDATE_TITLE = "Nimbral 업데이트"
NOTES = "원격 연결 안정성 개선\\n업데이트 창 추가"

# A build that an update starts detached becomes our child when the build that
# started it ends, so the scenario can end it by its id and reap it.
ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER


def build_dir(bin_dir):
    return os.path.dirname(os.path.realpath(bin_dir))


def install_folder(bin_dir, prefix):
    """The program folder that `cmake --install` lays out from this build."""
    subprocess.run(["cmake", "--install", build_dir(bin_dir), "--component", "NimbralClient", "--prefix", prefix],
                   check=True, stdout=subprocess.DEVNULL)
    return prefix


def stamp(program, version):
    subprocess.run([f"{SOURCE}/scripts/stamp-version", program, version], check=True)


def version_of(program):
    return subprocess.run([f"{SOURCE}/scripts/stamp-version", "--print", program], check=True,
                          capture_output=True, text=True).stdout.strip()


def shown_window(name):
    """The client's shown window with exactly that name, or None. A Korean
    caption is only in _NET_WM_NAME, which `xdotool search --name` does not
    read: the client's windows are found by their class."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "^Nimbral$"],
                           capture_output=True, text=True).stdout.split()
    for window in found:
        if subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout[:-1] == name:
            return window
    return None


def window_pid(window):
    return int(subprocess.run(["xdotool", "getwindowpid", window], capture_output=True, text=True).stdout)


def window_size(window):
    shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True).stdout
    values = dict(line.split("=", 1) for line in shell.split())
    return int(values["WIDTH"]), int(values["HEIGHT"])


def press_enter(window):
    """Enter, as the user presses it: without a window manager the key goes
    to the window under the pointer."""
    width, height = window_size(window)
    subprocess.run(["xdotool", "mousemove", "--window", window, str(width - 90), str(height - 32)], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def processes_of(folder):
    """The processes whose program file lies in folder (a renamed or deleted
    running image included)."""
    prefix = os.path.realpath(folder) + "/"
    found = set()
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink(f"/proc/{entry}/exe").startswith(prefix):
                    found.add(int(entry))
            except OSError:
                pass
    return found


def end_processes_of(folder):
    """Ends what the scenario started from folder, directly or through an update."""
    for pid in processes_of(folder):
        os.kill(pid, signal.SIGTERM)
        try:
            os.waitpid(pid, 0)
        except ChildProcessError:
            wait_until(lambda: pid not in processes_of(folder), f"process {pid} to end", 10)


def files_with_modes(folder):
    return {os.path.relpath(os.path.join(d, f), folder): os.lstat(os.path.join(d, f)).st_mode & 0o777
            for d, _, files in os.walk(folder) for f in files}


def old_build(bin_dir, home):
    """The installed folder, as 1.0.0."""
    folder = install_folder(bin_dir, f"{home.root}/Nimbral")
    stamp(f"{folder}/NimbralClient", "1.0.0")
    return folder


def new_build(bin_dir, home):
    """The same build installed again, as 1.1.0: what the package holds."""
    folder = install_folder(bin_dir, f"{home.root}/build-1.1.0")
    stamp(f"{folder}/NimbralClient", "1.1.0")
    return folder


def update_through_the_window(folder, home, shots=None, package_host=None):
    """Starts the old build, presses Enter in its update window and waits for
    it to end; the new build's main window once it shows."""
    old = Client(None, home, program=f"{folder}/NimbralClient")
    update = wait_until(lambda: shown_window(UPDATE_TITLE), "the update window", 30)
    check(window_size(update) == (480, 360), f"the update window is {window_size(update)}")
    if shots:
        screenshot(f"{shots}/update-window.png", update)
    press_enter(update)
    if package_host:
        check(package_host.half_sent.wait(30), "the download did not start")
        time.sleep(0.3)
        screenshot(f"{shots}/update-mid-download.png", update)
        package_host.release.set()
    code = old.process.wait(timeout=60)
    check(code == 0, f"the old build ended with {code}")
    return wait_until(lambda: shown_window("NIMBRAL | 1.1.0"), "the new build's main window", 30)


class HeldPackageHost:
    """Serves the files of a folder at the pace of a fast line (64 KiB every
    5 ms) and holds the first download half-way until released, so the update
    window can be seen in the middle of it."""

    def __init__(self, folder):
        self.half_sent = threading.Event()
        self.release = threading.Event()
        self.requests = []
        host = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                host.requests.append(self.path)
                path = os.path.join(folder, os.path.basename(self.path))
                if not os.path.isfile(path):
                    self.send_error(404)
                    return
                size = os.path.getsize(path)
                self.send_response(200)
                self.send_header("Content-Type", "application/zip")
                self.send_header("Content-Length", str(size))
                self.end_headers()
                with open(path, "rb") as package:
                    sent = 0
                    while sent < size:
                        if sent >= size // 2 and not host.release.is_set():
                            host.half_sent.set()
                            host.release.wait(60)
                        chunk = package.read(64 * 1024)
                        self.wfile.write(chunk)
                        sent += len(chunk)
                        time.sleep(0.005)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.origin = f"http://127.0.0.1:{self.server.server_address[1]}"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.release.set()
        self.server.shutdown()
        self.server.server_close()


class SilentHost:
    """Takes connections on the service's port and never answers."""

    def __init__(self, port):
        self.listener = socket.create_server(("127.0.0.1", port))
        self.connections = []
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        try:
            while True:
                self.connections.append(self.listener.accept()[0])
        except OSError:
            pass

    def close(self):
        self.listener.close()
        for connection in self.connections:
            connection.close()


def the_old_build_updates_itself_and_one_client_remains(bin_dir, service, home):
    folder, package_from = old_build(bin_dir, home), new_build(bin_dir, home)
    packages = f"{home.root}/slow-packages"
    package_host = HeldPackageHost(packages)
    shots = screenshots(bin_dir, "the_old_build_updates_itself_and_one_client_remains")
    try:
        subprocess.run([f"{SOURCE}/scripts/make-update-package", "--min-version", "1.1.0", "--released-at",
                        "2024-05-01", "--notes", NOTES, "--url-base", package_host.origin, "--announce", ORIGIN,
                        package_from, packages], check=True, stdout=subprocess.DEVNULL)
        main = update_through_the_window(folder, home, shots, package_host)
        new_pid = window_pid(main)
        wait_until(lambda: not old_files(folder), "the new build to remove the .old files", 10)
        check(processes_of(folder) == {new_pid}, f"client processes {processes_of(folder)}, expected {new_pid}")
        check(not shown_window(UPDATE_TITLE), "the update window is still shown")
        check(package_host.requests == ["/NimbralClient-1.1.0.zip"], f"package requests {package_host.requests}")

        # The new build checked the manifest itself, found itself current and
        # asked for the launcher page with its own version.
        check(len(service.seen("GET", "/client/version.json")) == 2, "the new build did not check the manifest")
        wait_until(lambda: any(r["query"] == "v=1.1.0" for r in service.seen("GET", "/app/launch")),
                   "the launcher page of 1.1.0")
        # It is the one client: a further start hands over to it and ends.
        again = subprocess.run([f"{folder}/NimbralClient"], env=home.env, timeout=30)
        check(again.returncode == 0, f"a further start ended with {again.returncode}")
        check(processes_of(folder) == {new_pid}, f"client processes {processes_of(folder)} after a further start")
        time.sleep(1.5)  # the page renders
        screenshot(f"{shots}/main-window.png", main)
    finally:
        package_host.close()
        end_processes_of(folder)


def a_package_made_on_windows_still_installs_a_runnable_program(bin_dir, service, home):
    folder, package_from = old_build(bin_dir, home), new_build(bin_dir, home)
    # As an archiver on Windows makes it: DOS attributes, no Unix modes.
    package = f"{home.packages}/NimbralClient-1.1.0.zip"
    with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in sorted(files_with_modes(package_from)):
            entry = zipfile.ZipInfo(name, date_time=(2024, 5, 1, 0, 0, 0))
            entry.create_system = 0
            entry.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(f"{package_from}/{name}", "rb") as f:
                archive.writestr(entry, f.read())
    with open(package, "rb") as f:
        sha256 = hashlib.sha256(f.read()).hexdigest()
    service.call("POST", "/_control/manifest",
                 {"version": "1.1.0", "url": f"{ORIGIN}/client/packages/NimbralClient-1.1.0.zip", "sha256": sha256})
    try:
        main = update_through_the_window(folder, home)
        check(processes_of(folder) == {window_pid(main)}, f"client processes {processes_of(folder)}")
        check(os.stat(f"{folder}/NimbralClient").st_mode & 0o100, "the new program is not executable")
        check(len(service.seen("GET", "/client/packages/NimbralClient-1.1.0.zip")) == 1, "no package download")
    finally:
        end_processes_of(folder)


def without_a_readable_manifest_the_program_starts_as_usual(bin_dir, service, home):
    folder = old_build(bin_dir, home)
    silent = None
    try:
        for case in ("status 500", "no answer: the time-outs pass"):
            if case == "status 500":
                service.call("POST", "/_control/manifest", {"status": 500})
            else:
                service.stop()
                silent = SilentHost(PORT)
            started = time.monotonic()
            client = Client(None, home, program=f"{folder}/NimbralClient")
            update_seen = False

            def main_window():
                nonlocal update_seen
                update_seen = update_seen or bool(shown_window(UPDATE_TITLE))
                return shown_window("NIMBRAL | 1.0.0")

            main = wait_until(main_window, f"the main window ({case})", 40)
            print(f"{case}: main window after {time.monotonic() - started:.1f} s")
            check(not update_seen, f"an update window was shown ({case})")
            check(window_pid(main) == client.process.pid, f"another process shows the window ({case})")
            client.stop()
    finally:
        if silent:
            silent.close()
        end_processes_of(folder)


def a_version_that_cannot_name_the_package_is_reported_and_the_program_lives_on(bin_dir, service, home):
    """The manifest's version text becomes part of the package's file name;
    one that would lead out of the temporary folder is refused before any
    step, and the error reaches the program's top-level report (a message
    box) instead of ending the program."""
    folder = old_build(bin_dir, home)
    service.call("POST", "/_control/manifest",
                 {"version": "../../1.1.0", "min_version": "1.1.0", "url": f"{ORIGIN}/client/packages/x.zip"})
    client = Client(None, home, program=f"{folder}/NimbralClient")
    try:
        update = wait_until(lambda: shown_window(UPDATE_TITLE), "the update window", 30)
        press_enter(update)
        box = wait_until(lambda: shown_window("Nimbral"), "the error box", 20)
        check(client.process.poll() is None, f"the program ended with {client.process.returncode}")
        check(shown_window(UPDATE_TITLE) == update, "the update window is gone")
        check(not service.seen("GET", "/client/packages/x.zip"), "a package was asked for")
        time.sleep(0.5)
        screenshot(f"{screenshots(bin_dir, 'a_version_that_cannot_name_the_package')}/error-box.png", box)
    finally:
        client.stop()


def the_installed_folder_starts_and_shows_the_launcher_page(bin_dir, service, home):
    folder = install_folder(bin_dir, f"{home.root}/some where/Nimbral")
    modes = files_with_modes(folder)
    for name in ("NimbralClient", "tools/nimbral-remote", "add-to-menu"):
        check(modes.get(name, 0) & 0o111 == 0o111, f"{name} is not executable: {modes}")
    for name in ("libnimbral_crypto.so.1", "nimbral-client.desktop", "nimbral-client.svg"):
        check(name in modes, f"{name} is missing: {sorted(modes)}")
    for name, mode in modes.items():
        check(not os.path.islink(f"{folder}/{name}"), f"{name} is a link")
        check(mode & 0o200, f"{name} cannot be replaced by its user")
    # Relocatable: no search path into the build, nothing missing.
    dynamic = subprocess.run(["readelf", "-d", f"{folder}/NimbralClient"], capture_output=True, text=True).stdout
    check("RPATH" not in dynamic and "RUNPATH" not in dynamic, "the program has a search path")
    check("not found" not in subprocess.run(["ldd", f"{folder}/NimbralClient"], capture_output=True, text=True).stdout,
          "a library is missing")

    client = Client(None, home, program=f"{folder}/NimbralClient")
    try:
        version = version_of(f"{folder}/NimbralClient")
        main = wait_until(lambda: shown_window(f"NIMBRAL | {version}"), "the main window", 30)
        check(window_pid(main) == client.process.pid, "another process shows the window")
        check(window_size(main) == (928, 602), f"the main window is {window_size(main)}")
        launch = service.wait_for("GET", "/app/launch")
        check(launch[0]["query"] == f"v={version}", f"the page was asked for with {launch[0]['query']!r}")
        service.wait_for("GET", "/app/login")  # not signed in: the page signs in first
        time.sleep(1.5)  # the page renders
        shots = screenshots(bin_dir, "the_installed_folder_starts_and_shows_the_launcher_page")
        screenshot(f"{shots}/main-window.png", main)
    finally:
        client.stop()


def the_archive_holds_the_same_folder_and_add_to_menu_points_into_it(bin_dir, service, home):
    folder = install_folder(bin_dir, f"{home.root}/Nimbral")
    out = f"{home.root}/cpack"
    subprocess.run(["cpack", "-G", "TGZ", "-B", out], cwd=build_dir(bin_dir), check=True, stdout=subprocess.DEVNULL)
    archives = [f for f in os.listdir(out) if f.endswith(".tar.gz")]
    check(len(archives) == 1 and archives[0].startswith("NimbralClient-"), f"archives {archives}")
    with tarfile.open(f"{out}/{archives[0]}") as archive:
        files = {m.name: m for m in archive.getmembers() if m.isfile()}
        expected = {f"Nimbral/{name}": mode for name, mode in files_with_modes(folder).items()}
        check({name: m.mode & 0o777 for name, m in files.items()} == expected,
              f"the archive holds {sorted(files)}, the folder {sorted(expected)}")
        for name in expected:
            with open(f"{folder}/{name[len('Nimbral/'):]}", "rb") as f:
                check(archive.extractfile(files[name]).read() == f.read(), f"{name} differs")

    # A folder whose name needs quoting in a desktop entry.
    odd = f"{home.root}/my apps/Nimbral $1"
    os.makedirs(os.path.dirname(odd))
    os.rename(folder, odd)
    subprocess.run([f"{odd}/add-to-menu"], env=home.env, check=True, stdout=subprocess.DEVNULL)
    entry = f"{home.root}/data/applications/nimbral-client.desktop"
    with open(entry) as f:
        lines = f.read().splitlines()
    check(f'Exec="{home.root}/my apps/Nimbral \\\\$1/NimbralClient"' in lines, f"the entry reads {lines}")
    check(f"Icon={odd}/nimbral-client.svg" in lines, f"the entry reads {lines}")
    check("Name=Nimbral" in lines, f"the entry reads {lines}")
    subprocess.run([f"{odd}/add-to-menu", "--remove"], env=home.env, check=True)
    check(not os.path.exists(entry), "the entry is still there")


if __name__ == "__main__":
    run({f.__name__: f for f in (the_old_build_updates_itself_and_one_client_remains,
                                   a_package_made_on_windows_still_installs_a_runnable_program,
                                   without_a_readable_manifest_the_program_starts_as_usual,
                                   a_version_that_cannot_name_the_package_is_reported_and_the_program_lives_on,
                                   the_installed_folder_starts_and_shows_the_launcher_page,
                                   the_archive_holds_the_same_folder_and_add_to_menu_points_into_it)})
