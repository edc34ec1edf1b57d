#pragma once
// One running client per login session, and the hand-over of a second start
// to the running client.
//
// Windows: the named mutex "Local\NimbralClient_SingleInstance" and the
// registered window message "NimbralClient_Activate" posted to every
// top-level window; the main window's procedure reacts to it.
// Linux: an flock'ed lock file "NimbralClient_SingleInstance" in the user's
// runtime folder ($XDG_RUNTIME_DIR, else /tmp/nimbral-runtime-<uid>, a folder
// of the user's own), and one empty datagram to the Unix-domain socket
// "NimbralClient_Activate" in the same folder; both names end in
// "-<XDG_SESSION_ID>" when that is set, so each login session has its own.
// There a TActivationReceiver hears the datagrams.
//
// The shell's start: Acquire; on AlreadyRunning PostActivation of
// RegisterActivationMessage() and end with 0; otherwise carry on (guarded or
// not), register SetGuardHandOver({Release, Retake}) of this guard for the
// update, and when the guard was Acquired let the main window hold a
// TActivationReceiver that hands each activation over to the UI thread.

#include <cstdint>
#include <functional>
#include <memory>

namespace nimbral::platform {

// Identifier of the activation message "NimbralClient_Activate", the same in
// every process of the session; 0 when registration failed. On Linux it is a
// fixed value made from the name.
std::uint32_t RegisterActivationMessage();

enum class TGuardState {
    Acquired,        // the first client of the login session: carry on
    AlreadyRunning,  // another client runs: signal it and end
    Unavailable,     // the guard could not be made: run without one
};

class TActivationReceiver;

// Holds the guard from a successful Acquire until Release or destruction.
// The process keeps one for its whole life.
class TInstanceGuard {
public:
    TInstanceGuard();
    ~TInstanceGuard();
    TInstanceGuard(const TInstanceGuard&) = delete;
    TInstanceGuard& operator=(const TInstanceGuard&) = delete;

    // Takes the guard; Acquired again when it is already held.
    TGuardState Acquire();
    bool Held() const;

    // The update's hand-over: Release lets go of the guard just before the
    // new build starts, so that build can take it; Retake takes it again when
    // that start failed and this process carries on. Retake answers false
    // when someone else holds the guard by then, or when it was never held.
    // A receiver listening for this guard listens again after Retake.
    void Release();
    bool Retake();

private:
    friend class TActivationReceiver;
    struct TState;
    std::unique_ptr<TState> FState;
};

// A second start's whole hand-over: one broadcast of MessageId (nothing when
// it is 0), nothing else. Errors are ignored: the starting process ends
// anyway.
void PostActivation(std::uint32_t MessageId);

// Hears the activations of later starts in this login session (Linux). It
// may be made only while Guard is held, since it takes over the activation
// socket, removing the one a client that ended left behind; Guard must
// outlive it. OnActivation runs on the receiver's own thread, once per
// activation received, and never after the destructor has returned; the
// destructor stops and joins that thread. Raises std::runtime_error when the
// guard is not held or the socket cannot be made.
// On Windows the activation is a window message that the main window's
// procedure sees: the receiver there listens to nothing and never calls
// OnActivation, so the shell can hold one on every platform.
class TActivationReceiver {
public:
    TActivationReceiver(TInstanceGuard& Guard, std::function<void()> OnActivation);
    ~TActivationReceiver();
    TActivationReceiver(const TActivationReceiver&) = delete;
    TActivationReceiver& operator=(const TActivationReceiver&) = delete;

private:
    friend class TInstanceGuard;
    struct TState;
    std::unique_ptr<TState> FState;
};

}  // namespace nimbral::platform
