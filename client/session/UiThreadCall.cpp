#include "session/UiThreadCall.h"

#include <wx/event.h>

#include <future>

namespace nimbral {

bool TUiThreadGate::Call(std::function<void()> Work)
{
    auto Ran = std::make_shared<std::promise<bool>>();
    std::future<bool> Result = Ran->get_future();
    {
        std::lock_guard Lock(FMutex);
        if (FTarget == nullptr)
            return false;
        // Posting under the lock: the window cannot go between the check and
        // the post. Its destruction throws the posted call away unrun, which
        // drops the promise and wakes this thread.
        FTarget->CallAfter([Work = std::move(Work), Ran] {
            Work();
            Ran->set_value(true);
        });
    }
    try {
        return Result.get();
    } catch (const std::future_error&) {
        return false;
    }
}

TUiThreadCalls::TUiThreadCalls(wxEvtHandler* Target) : FGate(std::make_shared<TUiThreadGate>())
{
    FGate->FTarget = Target;
}

TUiThreadCalls::~TUiThreadCalls()
{
    std::lock_guard Lock(FGate->FMutex);
    FGate->FTarget = nullptr;
}

}  // namespace nimbral
