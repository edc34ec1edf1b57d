#include "update/ProgramLifetime.h"

#include <atomic>

namespace nimbral {

namespace {
std::atomic<bool> GTerminationRequested{false};
TGuardHandOver GGuardHandOver;
}  // namespace

void RequestTermination() { GTerminationRequested = true; }
bool TerminationRequested() { return GTerminationRequested; }
void ClearTerminationRequest() { GTerminationRequested = false; }

void SetGuardHandOver(TGuardHandOver Hooks) { GGuardHandOver = std::move(Hooks); }
const TGuardHandOver& GuardHandOver() { return GGuardHandOver; }

}  // namespace nimbral
