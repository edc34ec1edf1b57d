// TEMPORARY (not committed)
#include "platform/SingleInstance.h"
namespace nimbral::platform {
std::uint32_t RegisterActivationMessage() { return 0xC123; }
TGuardState TInstanceGuard::Acquire() { return TGuardState::Acquired; }
void TInstanceGuard::Release() {}
bool TInstanceGuard::Retake() { return true; }
void PostActivation(std::uint32_t) {}
TActivationReceiver::TActivationReceiver(std::function<void(std::uint32_t)>) {}
TActivationReceiver::~TActivationReceiver() {}
}
