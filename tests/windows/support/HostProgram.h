#pragma once
// Programs of the build machine (tests/windows/host) started from a test
// under Wine. Wine starts them but gives no handle to wait on, so each one
// reports through a small file that it writes last and atomically.

#include <chrono>
#include <string>
#include <vector>

namespace nimbral::wintest {

// Unix paths of the host programs.
std::string HostHttpServer();
std::string HostCryptoPeer();

// A fresh Unix path (not created) in the scratch folder both sides see.
std::string HostScratchPath(const std::string& Stem);

// Starts Program (a Unix path) with Args, one argument each, without waiting.
void StartHostProgram(const std::string& Program, const std::vector<std::string>& Args);

// The integer in UnixFile once the file exists; raises after Timeout.
long WaitForHostNumber(const std::string& UnixFile, std::chrono::milliseconds Timeout);

}  // namespace nimbral::wintest
