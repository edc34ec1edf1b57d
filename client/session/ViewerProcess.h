#pragma once
// The viewer process of one launch, shared by the UI thread, the launch's
// start probe and its watch thread. Every use of the handle and the watch
// thread's close-and-zero take one lock, so no use can follow the close: a
// late probe or a late termination finds the handle 0 and leaves it alone.
// Each launch has an object of its own, so the watch thread of an old
// launch can close only its own handle. Toolkit-free.

#include "platform/ChildProcess.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace nimbral {

class TViewerProcess {
public:
    explicit TViewerProcess(platform::TChildProcess AProcess) : FProcess(std::move(AProcess)) {}
    TViewerProcess(const TViewerProcess&) = delete;
    TViewerProcess& operator=(const TViewerProcess&) = delete;

    // 0 once the watch thread has closed the handle.
    std::uint32_t Id() const;
    bool HandleOpen() const;

    // What the start probe reads: none once the handle is closed.
    std::optional<std::uint32_t> ExitCode() const;

    enum class TTermination { NoProcess, AlreadyEnded, Terminated };
    struct TTerminateResult {
        TTermination Outcome;
        std::uint32_t Id;
    };
    // Ends the process with exit code 0 unless it is known to have ended:
    // NoProcess when handle and id are 0, AlreadyEnded when its exit code
    // reads as anything but "still active", else Terminated (and the id).
    TTerminateResult TerminateUnlessEnded();

    // The watch thread's work: waits without a time limit for the process to
    // end, then closes the handle and zeroes handle and id. Only the watch
    // thread calls it, so the handle it waits on stays open meanwhile.
    void WaitAndClose();

private:
    mutable std::mutex FMutex;
    platform::TChildProcess FProcess;
};

}  // namespace nimbral
