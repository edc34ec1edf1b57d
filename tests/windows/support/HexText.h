#pragma once
// Bytes as lower-case hex and back: how the Windows tests and the build
// machine's test server (tests/windows/host) pass bodies to each other in
// query strings and JSON without caring about their encoding.

#include <string>

namespace nimbral::wintest {

inline std::string ToHex(const std::string& Bytes)
{
    static const char* Digits = "0123456789abcdef";
    std::string Out;
    for (unsigned char C : Bytes) {
        Out.push_back(Digits[C >> 4]);
        Out.push_back(Digits[C & 15]);
    }
    return Out;
}

inline std::string FromHex(const std::string& Hex)
{
    std::string Out;
    for (std::size_t i = 0; i + 1 < Hex.size(); i += 2) {
        Out.push_back(static_cast<char>(std::stoi(Hex.substr(i, 2), nullptr, 16)));
    }
    return Out;
}

}  // namespace nimbral::wintest
