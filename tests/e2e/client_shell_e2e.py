"""End to end: the real client, the real WebKit page, the development service.

Signing in on the page stores the token and the service sees it used; a page
signed out behind the client's back is signed in again through the magic
address, also after a restart with the stored token; logging out on the page
removes the token and tells the service; a second start hands over to the
first and ends.
"""
import os
import subprocess
import sys
import time

from harness import LOGOUT_BUTTON, Client, act_until, check, run, sign_in_on_page, wait_until


def bearer_of_signed_in_user(service):
    tokens = service.call("GET", "/_control/state")["tokens"]
    check(len(tokens) == 1, f"one signed-in token expected, got {tokens}")
    return "Bearer " + tokens[0]["token"]


def sign_in_and_wait_for_the_token_file(client, service, home):
    sign_in_on_page(client, service)
    wait_until(lambda: os.path.exists(home.token_file), "the token file")


def sign_in_stores_the_token(bin_dir, service, home):
    client = Client(bin_dir, home)
    try:
        sign_in_and_wait_for_the_token_file(client, service, home)
        me = service.seen("GET", "/api/v1/me")[-1]
        check(me["authorization"] == bearer_of_signed_in_user(service), f"GET /api/v1/me sent {me['authorization']!r}")
        with open(home.token_file, "rb") as f:
            stored = f.read()
        check(bearer_of_signed_in_user(service)[7:].encode() not in stored, "the token is readable in its file")
        check(client.title().startswith("NIMBRAL | "), f"caption {client.title()!r}")
    finally:
        client.stop()


def lost_page_sign_in_is_recovered_also_after_a_restart(bin_dir, service, home):
    client = Client(bin_dir, home)
    try:
        sign_in_and_wait_for_the_token_file(client, service, home)
    finally:
        client.stop()
    bearer = bearer_of_signed_in_user(service)

    # The page's own sign-in is gone; the client still holds the token.
    service.call("POST", "/_control/sign-out-page")
    before_me = len(service.seen("GET", "/api/v1/me"))
    client = Client(bin_dir, home)
    try:
        magic = service.wait_for("POST", "/api/v1/magic-login-url")[-1]
        check(magic["authorization"] == bearer, "the recovery did not use the stored token")
        service.wait_for("GET", "/app/magic")
        service.wait_for("GET", "/api/v1/me", count=before_me + 1)
        check(service.seen("GET", "/api/v1/me")[-1]["authorization"] == bearer, "the page came back as someone else")
        check(service.call("GET", "/_control/state")["web_sessions"] == 1, "the page is not signed in again")
    finally:
        client.stop()


def logout_on_the_page_removes_the_token(bin_dir, service, home):
    client = Client(bin_dir, home)
    try:
        sign_in_and_wait_for_the_token_file(client, service, home)
        bearer = bearer_of_signed_in_user(service)
        act_until(lambda: client.click(*LOGOUT_BUTTON), lambda: service.seen("POST", "/api/v1/auth/logout"),
                  "the logout request")
        logout = service.seen("POST", "/api/v1/auth/logout")[-1]
        check(logout["authorization"] == bearer, f"logout sent {logout['authorization']!r}")
        wait_until(lambda: not os.path.exists(home.token_file), "the token file to go")
    finally:
        client.stop()


def a_second_start_hands_over_and_ends(bin_dir, service, home):
    first = Client(bin_dir, home)
    try:
        service.wait_for("GET", "/app/login")
        window = first.window()
        second = subprocess.run([first.program], env=home.env, timeout=30)
        check(second.returncode == 0, f"the second start ended with {second.returncode}")
        check(first.process.poll() is None, "the first client ended")
        found = subprocess.run(["xdotool", "search", "--name", r"^NIMBRAL \|"],
                               capture_output=True, text=True).stdout.split()
        check(found == [window], f"client windows {found}, expected [{window}]")
        check(len(service.seen("GET", "/app/login")) == 1, "the second start opened a page")
    finally:
        first.stop()


if __name__ == "__main__":
    run({f.__name__: f for f in (sign_in_stores_the_token, lost_page_sign_in_is_recovered_also_after_a_restart,
                                   logout_on_the_page_removes_the_token, a_second_start_hands_over_and_ends)})
