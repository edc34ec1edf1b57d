"""End to end on the Windows side: the real NimbralClient.exe under Wine
against the development service of the build machine on 127.0.0.1.

scripts/test-windows runs these with a Wine prefix and a virtual display of
the run's own (WINEPREFIX and DISPLAY set). The client's windows are reached
as another Windows program would reach them, through window_probe.exe.
Run a scenario with
`python3 windows_e2e.py <scenario> <windows-build-bin-folder> <nimbral-devservice>`.
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

from harness import ORIGIN, Service, check, old_files, report, screenshot, screenshots, wait_until

UPDATE_TITLE = "Nimbral "  # "Nimbral 업데이트": the probe takes ASCII titles


class WineClient:
    """NimbralClient.exe started by Wine from a folder of the scenario's."""

    def __init__(self, program):
        self.program = program
        self.process = subprocess.Popen(["wine", program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        probe("close")
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


PROBE = None


def probe(command, title="NIMBRAL | "):
    """window_probe's answer as a dict ({} when no such window exists)."""
    # Output through a file, not a pipe: a Wine process the probe happens to
    # start (the desktop's) inherits its output and keeps a pipe open.
    with tempfile.TemporaryFile(mode="w+") as output:
        answer = subprocess.run(["wine", PROBE, command, title], stdout=output, stderr=subprocess.DEVNULL,
                                timeout=30)
        output.seek(0)
        text = output.read()
    if answer.returncode != 0:
        return {}
    return dict(pair.split("=") for pair in text.split())


def stamp(program, version):
    """Gives a copy of the program another file version: the numbers of its
    VS_FIXEDFILEINFO, file and product, which GetFileVersionInfoW reads."""
    parts = [int(part) for part in version.split(".")] + [0] * (4 - version.count(".") - 1)
    with open(program, "r+b") as file:
        data = file.read()
        at = data.find(struct.pack("<I", 0xFEEF04BD))
        check(at >= 0, f"{program} has no version record")
        high, low = parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]
        file.seek(at + 8)
        file.write(struct.pack("<IIII", high, low, high, low))


def program_folder(bin_dir, folder, version):
    """The program folder as it ships: NimbralClient.exe and tools\\nimbral-remote.exe."""
    os.makedirs(os.path.join(folder, "tools"))
    shutil.copy(os.path.join(bin_dir, "NimbralClient.exe"), folder)
    shutil.copy(os.path.join(bin_dir, "tools", "nimbral-remote.exe"), os.path.join(folder, "tools"))
    stamp(os.path.join(folder, "NimbralClient.exe"), version)
    return folder


def a_second_start_restores_and_raises_the_first(bin_dir, devservice, work):
    service = Service(os.path.dirname(devservice))
    first = WineClient(os.path.join(bin_dir, "NimbralClient.exe"))
    try:
        wait_until(lambda: probe("state").get("windows") == "1", "the main window", 60)
        service.wait_for("GET", "/client/version.json", timeout=30)
        screenshot(os.path.join(screenshots(bin_dir, "main_window"), "main.png"))
        probe("minimize")
        wait_until(lambda: probe("state").get("iconic") == "1", "the window to be minimised")

        second = subprocess.run(["wine", first.program], timeout=60)
        check(second.returncode == 0, f"the second start ended with {second.returncode}")
        state = wait_until(lambda: (lambda s: s if s.get("iconic") == "0" and s.get("foreground") == "1" else None)(
            probe("state")), "the first window restored and in front")
        check(state == {"windows": "1", "iconic": "0", "visible": "1", "foreground": "1"},
              f"the first window after the second start: {state}")
        check(first.process.poll() is None, "the first client ended")
    finally:
        first.stop()
        service.stop()


def the_forced_update_replaces_the_running_build(bin_dir, devservice, work):
    folder = program_folder(bin_dir, os.path.join(work, "Nimbral"), "1.0.0")
    package_from = program_folder(bin_dir, os.path.join(work, "build-1.1.0"), "1.1.0")
    packages = os.path.join(work, "packages")
    os.makedirs(packages)
    package = os.path.join(packages, "NimbralClient-1.1.0.zip")
    with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in ("NimbralClient.exe", "tools/nimbral-remote.exe"):
            archive.write(os.path.join(package_from, name), name)
    with open(package, "rb") as file:
        sha256 = hashlib.sha256(file.read()).hexdigest()
    service = Service(os.path.dirname(devservice), "--packages", packages)
    shots = screenshots(bin_dir, "update_window")
    client = None
    try:
        service.call("POST", "/_control/manifest", {
            "version": "1.1.0", "min_version": "1.1.0", "url": f"{ORIGIN}/client/packages/NimbralClient-1.1.0.zip",
            "sha256": sha256, "size": os.path.getsize(package), "notes": "원격 연결 안정성 개선\n업데이트 창 추가",
            "released_at": "2024-05-01"})
        client = WineClient(os.path.join(folder, "NimbralClient.exe"))
        wait_until(lambda: probe("state", UPDATE_TITLE).get("windows") == "1", "the update window", 60)
        screenshot(os.path.join(shots, "update.png"))
        probe("enter", UPDATE_TITLE)
        code = client.process.wait(timeout=120)
        check(code == 0, f"the old build ended with {code}")

        wait_until(lambda: probe("state", "NIMBRAL | 1.1.0").get("windows") == "1", "the new build's main window", 60)
        check(len(service.seen("GET", "/client/packages/NimbralClient-1.1.0.zip")) == 1, "the package was not fetched once")
        wait_until(lambda: not old_files(folder), "the new build to remove the .old files", 30)
        check(probe("processes") == {"processes": "1"}, f"client processes: {probe('processes')}")
        check(len(service.seen("GET", "/client/version.json")) == 2, "the new build did not check the manifest")
        screenshot(os.path.join(shots, "new-build.png"))
    finally:
        probe("close")
        wait_until(lambda: probe("processes") == {"processes": "0"}, "every client to end", 30)
        service.stop()


def main():
    global PROBE
    name, bin_dir, devservice = sys.argv[1:4]
    PROBE = os.path.join(bin_dir, "window_probe.exe")
    work = tempfile.mkdtemp(prefix="nimbral-wine-e2e-")
    try:
        report(name, lambda: SCENARIOS[name](bin_dir, devservice, work))
    finally:
        shutil.rmtree(work, ignore_errors=True)


SCENARIOS = {f.__name__: f for f in (a_second_start_restores_and_raises_the_first,
                                     the_forced_update_replaces_the_running_build)}

if __name__ == "__main__":
    main()
