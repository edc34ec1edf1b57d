#pragma once
// The scriptable HTTP server of tests/windows/host, a program of the build
// machine, started from the test under Wine and reached on 127.0.0.1. See
// tests/windows/host/TestHttpd.cpp for what it answers.

#include <cstdint>
#include <string>

namespace nimbral::wintest {

class TNativeServer {
public:
    TNativeServer();   // starts it and waits for its port; raises on failure
    ~TNativeServer();  // asks it to end
    TNativeServer(const TNativeServer&) = delete;
    TNativeServer& operator=(const TNativeServer&) = delete;

    std::string Origin() const;  // "http://127.0.0.1:<port>"

    struct TAnswer {
        int Status = 200;
        std::string ContentType;
        std::string Body;  // bytes as sent, Repeat times over
        int Repeat = 1;
        int DelayMs = 0;   // before the answer begins
        bool NoLength = false;  // chunked, no Content-Length
        int StallMs = 0;   // pause after the first 4 KiB of the body
        std::string Location;  // sent as the Location header when not empty
    };
    // Scripts the answer for Path.
    void Set(const std::string& Path, const TAnswer& Answer);
    // Path answers 200 with Size bytes, byte i = i * 7 mod 251.
    void SetPattern(const std::string& Path, std::int64_t Size);
    // Path answers 200 with the bytes of UnixFile, a file of the build machine.
    void SetFile(const std::string& Path, const std::string& UnixFile);
    // JSON text of the last request to a scripted or unknown path.
    std::string LastRequest();

private:
    int FPort = 0;
    std::string Control(const std::string& PathAndQuery);
};

}  // namespace nimbral::wintest
