#include "session/ViewerProcess.h"

namespace nimbral {

std::uint32_t TViewerProcess::Id() const
{
    std::lock_guard Lock(FMutex);
    return FProcess.Id();
}

bool TViewerProcess::HandleOpen() const
{
    std::lock_guard Lock(FMutex);
    return FProcess.IsOpen();
}

std::optional<std::uint32_t> TViewerProcess::ExitCode() const
{
    std::lock_guard Lock(FMutex);
    return FProcess.ExitCode();
}

TViewerProcess::TTerminateResult TViewerProcess::TerminateUnlessEnded()
{
    std::lock_guard Lock(FMutex);
    if (!FProcess.IsOpen())
        return {TTermination::NoProcess, 0};
    const std::optional<std::uint32_t> Code = FProcess.ExitCode();
    if (Code && *Code != platform::StillActive)
        return {TTermination::AlreadyEnded, FProcess.Id()};
    FProcess.Terminate(0);
    return {TTermination::Terminated, FProcess.Id()};
}

void TViewerProcess::WaitAndClose()
{
    // No lock while waiting: the others may read and terminate meanwhile,
    // and nobody but this thread closes the handle.
    FProcess.Wait();
    std::lock_guard Lock(FMutex);
    FProcess.Close();
}

}  // namespace nimbral
