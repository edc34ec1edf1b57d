#include "core/ExceptionText.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace nimbral {

std::string ExceptionClassName(const std::exception& E)
{
    const char* Mangled = typeid(E).name();
    int Status = 0;
    const std::unique_ptr<char, decltype(&std::free)> Demangled(
        abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status), &std::free);
    std::string Name = Status == 0 && Demangled ? Demangled.get() : Mangled;
    const auto Colons = Name.rfind("::");
    if (Colons != std::string::npos)
        Name.erase(0, Colons + 2);
    return Name;
}

std::string ExceptionText(const std::exception& E)
{
    return ExceptionClassName(E) + ": " + E.what();
}

}  // namespace nimbral
