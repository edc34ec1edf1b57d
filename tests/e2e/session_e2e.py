"""End to end: a remote session from the page's connect button to the end of
the remote view, with the real client, page, stand-in viewer and service.
"""
import os
import subprocess
import time

from harness import Client, act_until, check, run, sign_in_on_page, wait_until

FIRST_CONNECT_BUTTON = (260, 256)  # "연결" of 강남 1호점 · PC 07 (id 101)


def viewer_pids():
    found = subprocess.run(["pgrep", "-f", "tools/nimbral-remote"], capture_output=True, text=True)
    return [int(p) for p in found.stdout.split()]


def start_session(bin_dir, service, home):
    """Signs in, presses the first PC's connect button and waits for the viewer."""
    argv_file = os.path.join(home.root, "viewer-argv.txt")
    home.env["NIMBRAL_VIEWER_ARGV_FILE"] = argv_file
    client = Client(bin_dir, home)
    sign_in_on_page(client, service)
    act_until(lambda: client.click(*FIRST_CONNECT_BUTTON), lambda: service.seen("POST", "/api/v1/sessions"),
              "the connect request")
    create = service.seen("POST", "/api/v1/sessions")[-1]
    check(create["body"] == '{"pc_id":101}', f"session created with {create['body']!r}")
    wait_until(lambda: os.path.exists(argv_file) and os.path.getsize(argv_file) > 0, "the viewer's arguments")
    with open(argv_file, encoding="utf-8") as f:
        argv = f.read().splitlines()
    session = service.call("GET", "/_control/state")["current_session"]
    check(session is not None, "no session on the service")
    check(session["remote_pc"]["ip"] in argv and f"--launch-token={session['token']}" in argv,
          f"the viewer got {argv}, not the session's address and token")
    pid = wait_until(viewer_pids, "the viewer process")[0]
    folder = os.readlink(f"/proc/{pid}/cwd")
    check(folder == os.path.join(bin_dir, "tools"), f"the viewer runs in {folder}")
    return client, session


def the_service_ending_the_session_ends_the_view(bin_dir, service, home):
    client, _ = start_session(bin_dir, service, home)
    try:
        time.sleep(1.0)
        client.screenshot(os.path.join(os.environ.get("NIMBRAL_E2E_SHOTS", home.root), "session-overlay.png"))
        reloads = len(service.seen("GET", "/app/launch"))
        service.call("POST", "/_control/end-session")
        # One poll (5 s) later the viewer is killed; its exit closes the session.
        wait_until(lambda: not viewer_pids(), "the viewer to be killed", timeout=12)
        service.wait_for("POST", "/api/v1/disconnect")
        service.wait_for("GET", "/app/launch", count=reloads + 1)
    finally:
        client.stop()


def the_user_disconnecting_ends_the_session(bin_dir, service, home):
    client, session = start_session(bin_dir, service, home)
    try:
        # The overlay's "연결 해제" button, centred below the texts; then Yes
        # in the confirmation (its default button).
        disconnect = f"/api/v1/sessions/{session['id']}/disconnect"

        def press_and_confirm():
            client.click(464, 376)
            time.sleep(1.0)
            subprocess.run(["xdotool", "key", "Return"], check=True)

        act_until(press_and_confirm, lambda: service.seen("POST", disconnect), "the disconnect request")
        wait_until(lambda: not viewer_pids(), "the viewer to end")
        check(service.call("GET", "/_control/state")["current_session"] is None, "the session is still open")
    finally:
        client.stop()


if __name__ == "__main__":
    run({f.__name__: f for f in (the_service_ending_the_session_ends_the_view,
                                   the_user_disconnecting_ends_the_session)})
