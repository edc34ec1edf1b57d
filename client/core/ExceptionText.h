#pragma once
// How the client shell and the session code log an exception they caught at
// their edge: the exception's class name, ": " and its message.

#include <exception>
#include <string>

namespace nimbral {

// The class name without its namespace, e.g. "EConvertError".
std::string ExceptionClassName(const std::exception& E);

// "EConvertError: <message>".
std::string ExceptionText(const std::exception& E);

}  // namespace nimbral
