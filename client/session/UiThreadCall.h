#pragma once
// The synchronous call onto the UI thread that the viewer's threads report
// through: the work is posted to the window's event loop and the calling
// thread blocks until it has run. The window owns the gate; once the window
// is gone a call returns at once without running its work, so a thread that
// outlives the window neither waits for ever nor touches it.

#include <functional>
#include <memory>
#include <mutex>

class wxEvtHandler;

namespace nimbral {

class TUiThreadGate {
public:
    // Runs Work on the UI thread and returns once it has run: true then,
    // false when the window was gone (or went) before it could run.
    bool Call(std::function<void()> Work);

private:
    friend class TUiThreadCalls;
    std::mutex FMutex;
    wxEvtHandler* FTarget = nullptr;
};

// Held by the window: opens the gate onto it, and closes it on destruction,
// before the window's pending events are thrown away.
class TUiThreadCalls {
public:
    explicit TUiThreadCalls(wxEvtHandler* Target);
    ~TUiThreadCalls();
    TUiThreadCalls(const TUiThreadCalls&) = delete;
    TUiThreadCalls& operator=(const TUiThreadCalls&) = delete;

    // What a thread keeps; it stays valid after the window is gone.
    std::shared_ptr<TUiThreadGate> Gate() const { return FGate; }

private:
    std::shared_ptr<TUiThreadGate> FGate;
};

}  // namespace nimbral
