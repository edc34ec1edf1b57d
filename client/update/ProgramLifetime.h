#pragma once
// The program's life across a self-update: the program-wide "termination
// requested" flag that the UI layer turns into the end of its loop, and the
// hand-over of the single-instance guard to the freshly started build.
//
// The new build is started while this process still runs. If this process
// still held the guard, the new one would find it taken, signal us and end,
// leaving no client at all. So the shell registers two hooks: the first lets
// go of the guard just before the new build starts, the second takes it again
// when that start fails and this process carries on.

#include <functional>

namespace nimbral {

void RequestTermination();
bool TerminationRequested();
// For a fresh start of the sequence in tests; the program never clears it.
void ClearTerminationRequest();

struct TGuardHandOver {
    std::function<void()> Release;  // just before the new build is started
    std::function<void()> Retake;   // when starting it failed
};

// Registered once by the shell at start; empty hooks do nothing.
void SetGuardHandOver(TGuardHandOver Hooks);
const TGuardHandOver& GuardHandOver();

}  // namespace nimbral
