#pragma once
// A file descriptor that closes itself: every descriptor the Linux facilities
// open lives in one of these.

#include <unistd.h>

#include <utility>

namespace nimbral::platform::posix {

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int Fd) noexcept : FFd(Fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(TUniqueFd&& Other) noexcept : FFd(std::exchange(Other.FFd, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& Other) noexcept {
        if (this != &Other) {
            Reset();
            FFd = std::exchange(Other.FFd, -1);
        }
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    int Get() const noexcept { return FFd; }
    explicit operator bool() const noexcept { return FFd >= 0; }
    void Reset() noexcept {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
};

}  // namespace nimbral::platform::posix
