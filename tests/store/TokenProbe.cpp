// The token store as a client of another user account runs it.
//
//   token_probe save TEXT           prints "saved=1" or "saved=0"
//   token_probe load                prints "[<token>]"
//   token_probe unprotect-hex HEX   ends with 3 when the blob unprotects for
//                                   this account, 0 when it does not
//
// Any other use ends with 2.

#include "platform/DataProtection.h"
#include "store/TokenStore.h"

#include "support/HexText.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "save" && argc == 3) {
        std::cout << "saved=" << (nimbral::SaveToken(argv[2]) ? 1 : 0) << std::endl;
        return 0;
    }
    if (mode == "load" && argc == 2) {
        std::cout << '[' << nimbral::LoadToken() << ']' << std::endl;
        return 0;
    }
    if (mode == "unprotect-hex" && argc == 3)
        return nimbral::platform::UnprotectForUser(nimbral::wintest::FromHex(argv[2])) ? 3 : 0;
    return 2;
}
