// The guard is a named mutex in the login session's namespace. Only its
// existence matters: it is created without an owner and never waited on; the
// handle stays open while the guard is held and goes with the process.

#include "platform/SingleInstance.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

namespace nimbral::platform {

namespace {

constexpr const wchar_t* kGuardName = L"Local\\NimbralClient_SingleInstance";

struct THandleClose {
    void operator()(HANDLE H) const { CloseHandle(H); }
};
using TOwnedHandle = std::unique_ptr<void, THandleClose>;

}  // namespace

std::uint32_t RegisterActivationMessage() {
    return RegisterWindowMessageW(L"NimbralClient_Activate");
}

struct TInstanceGuard::TState {
    TOwnedHandle Mutex;
    bool WasHeld = false;

    TGuardState Create() {
        SetLastError(ERROR_SUCCESS);
        TOwnedHandle Created(CreateMutexW(nullptr, FALSE, kGuardName));
        const DWORD Error = GetLastError();  // read at once: nothing may touch it first
        if (Error == ERROR_ALREADY_EXISTS)
            return TGuardState::AlreadyRunning;
        if (!Created)
            return TGuardState::Unavailable;
        Mutex = std::move(Created);
        WasHeld = true;
        return TGuardState::Acquired;
    }
};

// The receiver listens to nothing here: the main window's procedure sees the
// broadcast itself.
struct TActivationReceiver::TState {};

TInstanceGuard::TInstanceGuard() : FState(std::make_unique<TState>()) {}
TInstanceGuard::~TInstanceGuard() = default;

TGuardState TInstanceGuard::Acquire() {
    return FState->Mutex ? TGuardState::Acquired : FState->Create();
}

bool TInstanceGuard::Held() const {
    return static_cast<bool>(FState->Mutex);
}

void TInstanceGuard::Release() {
    FState->Mutex.reset();
}

bool TInstanceGuard::Retake() {
    if (FState->Mutex)
        return true;
    return FState->WasHeld && FState->Create() == TGuardState::Acquired;
}

void PostActivation(std::uint32_t MessageId) {
    if (MessageId == 0)
        return;
    // The second start is the process the user just started, so Windows
    // lets it bring a window to the front; the first client would otherwise
    // be refused and only flash on the taskbar. This passes that right on.
    AllowSetForegroundWindow(ASFW_ANY);
    PostMessageW(HWND_BROADCAST, MessageId, 0, 0);
}

TActivationReceiver::TActivationReceiver(TInstanceGuard& Guard, std::function<void()>)
    : FState(std::make_unique<TState>()) {
    if (!Guard.Held())
        throw std::runtime_error("activations are heard only while the single-instance guard is held");
}

TActivationReceiver::~TActivationReceiver() = default;

}  // namespace nimbral::platform
