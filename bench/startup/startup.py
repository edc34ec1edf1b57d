"""Times the start of two programs up to their first launcher-page request.

Run under tests/support/with-display by bench/comparisons/startup. Each round
starts the development service afresh on the client's compiled-in port,
starts one program, and polls the service's request log until the page
request arrives; the programs alternate so that both see the same machine.
"""
import json
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

BUILD, RUNS = sys.argv[1], int(sys.argv[2])
PORT = 18080
ORIGIN = f"http://127.0.0.1:{PORT}"


def start_service():
    service = subprocess.Popen([f"{BUILD}/bin/nimbral-devservice", "--port", str(PORT)],
                               stdout=subprocess.PIPE, text=True)
    if "listening" not in service.stdout.readline():
        raise SystemExit("startup: the development service did not start")
    return service


def page_requested():
    with urllib.request.urlopen(ORIGIN + "/_control/requests") as answer:
        requests = json.load(answer)["requests"]
    return any(r["path"] == "/app/launch" for r in requests)


def tree_rss_kib(pid):
    """Resident memory of a process and all its descendants."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(entry))
            except OSError:
                pass
    total, todo = 0, [pid]
    while todo:
        p = todo.pop()
        todo.extend(children.get(p, []))
        try:
            with open(f"/proc/{p}/status") as f:
                total += next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
        except (OSError, StopIteration):
            pass
    return total


def one_start(argv, env, measure_memory=False):
    service = start_service()
    try:
        began = time.perf_counter()
        program = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True)
        while not page_requested():
            if time.perf_counter() - began > 30:
                raise SystemExit(f"startup: {argv[0]} never asked for the page")
            time.sleep(0.005)
        elapsed = time.perf_counter() - began
        memory = None
        if measure_memory:
            time.sleep(3)  # the page and its scripts settle
            memory = tree_rss_kib(program.pid)
        os.killpg(program.pid, signal.SIGKILL)
        program.wait()
        return elapsed, memory
    finally:
        service.send_signal(signal.SIGTERM)
        service.wait()


with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config", XDG_DATA_HOME=f"{home}/data",
               XDG_CACHE_HOME=f"{home}/cache", XDG_RUNTIME_DIR=home)
    client = [f"{BUILD}/bin/NimbralClient"]
    minimal = [f"{BUILD}/bin/bench_minimal_webview", ORIGIN + "/app/launch?v=0"]
    one_start(client, env)  # warm the file cache for both
    one_start(minimal, env)
    ours, anchor = [], []
    for _ in range(RUNS):
        ours.append(one_start(client, env)[0])
        anchor.append(one_start(minimal, env)[0])
    _, memory = one_start(client, env, measure_memory=True)

o, a = statistics.median(ours), statistics.median(anchor)
print(f"start to first page request: NimbralClient {o:.3f}s, minimal wx web view {a:.3f}s (median of {RUNS})")
print(f"NimbralClient resident memory with the page loaded: {memory / 1024:.0f} MiB (WebKit's processes included)")
print(f"RATIO startup {o / a:.3f}")
