#pragma once
// Memory that a Windows function allocated for its caller with LocalAlloc
// (formatted messages, data protection output), freed with LocalFree on
// every path.

#include <windows.h>

#include <memory>

namespace nimbral::win32 {

struct TLocalFree {
    void operator()(void* P) const { LocalFree(P); }
};

template <typename T>
using TLocalMemory = std::unique_ptr<T, TLocalFree>;

}  // namespace nimbral::win32
