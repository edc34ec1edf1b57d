#pragma once
// A UI-thread timer with a fixed interval that is switched on and off, as the
// window's timers are used: switching on a running timer restarts nothing.

#include <wx/timer.h>

namespace nimbral {

class TTimer : public wxTimer {
public:
    // Without an owner the timer delivers its ticks to itself: Bind on it.
    explicit TTimer(int AIntervalMs) : FIntervalMs(AIntervalMs) {}

    int IntervalMs() const { return FIntervalMs; }
    bool Enabled() const { return IsRunning(); }
    void SetEnabled(bool AEnabled)
    {
        if (!AEnabled)
            Stop();
        else if (!IsRunning())
            Start(FIntervalMs);
    }

private:
    int FIntervalMs;
};

}  // namespace nimbral
