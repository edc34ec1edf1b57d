// A client's start as far as the single-instance guard goes.
//
// Prints "id=<activation message id> state=<acquired|already-running|unavailable>".
// A later start then posts the activation and ends with 0. The first one
// listens (it prints the state line once it does) and prints "activation"
// for each activation it hears; it reads commands, one a line: "release"
// answers "released", "retake" answers "retake=1" or "retake=0". It ends with
// 0 at the end of its input.

#include "platform/SingleInstance.h"

#include <iostream>
#include <mutex>
#include <optional>
#include <string>

namespace {

std::mutex GOutput;

void Say(const std::string& Line) {
    const std::lock_guard<std::mutex> lock(GOutput);
    std::cout << Line << std::endl;
}

const char* StateName(nimbral::platform::TGuardState State) {
    switch (State) {
        case nimbral::platform::TGuardState::Acquired: return "acquired";
        case nimbral::platform::TGuardState::AlreadyRunning: return "already-running";
        case nimbral::platform::TGuardState::Unavailable: return "unavailable";
    }
    return "?";
}

}  // namespace

int main() {
    using namespace nimbral::platform;
    const std::uint32_t id = RegisterActivationMessage();
    TInstanceGuard guard;
    const TGuardState state = guard.Acquire();
    if (state == TGuardState::AlreadyRunning) {
        Say("id=" + std::to_string(id) + " state=" + StateName(state));
        PostActivation(id);
        return 0;
    }
    std::optional<TActivationReceiver> receiver;
    if (state == TGuardState::Acquired)
        receiver.emplace(guard, [] { Say("activation"); });
    Say("id=" + std::to_string(id) + " state=" + StateName(state));
    for (std::string line; std::getline(std::cin, line);) {
        if (line == "release") {
            guard.Release();
            Say("released");
        } else if (line == "retake") {
            Say(std::string("retake=") + (guard.Retake() ? "1" : "0"));
        }
    }
    return 0;
}
