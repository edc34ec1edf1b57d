#pragma once
// TEMPORARY (not committed)
#include <cstdint>
#include <functional>
namespace nimbral::platform {
std::uint32_t RegisterActivationMessage();
enum class TGuardState { Acquired, AlreadyRunning, Unavailable };
class TInstanceGuard { public: TGuardState Acquire(); void Release(); bool Retake(); };
void PostActivation(std::uint32_t MessageId);
class TActivationReceiver { public: explicit TActivationReceiver(std::function<void(std::uint32_t)>); ~TActivationReceiver(); };
}
