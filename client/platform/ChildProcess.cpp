// What both systems share of a child process: its command line (Windows
// starts it, Linux writes it to the log) and moving the handle.

#include "platform/ChildProcess.h"

#include <utility>

namespace nimbral::platform {

namespace {

bool NeedsQuotes(const std::string& Value)
{
    return Value.empty() || Value.find_first_of(" \t\n\v\"") != std::string::npos;
}

// The rules the C runtime and CommandLineToArgvW read arguments by:
// backslashes are literal unless they come before a quote; there each one is
// doubled, and the quote itself is escaped.
void AppendQuoted(std::string& Line, const std::string& Value)
{
    Line += '"';
    std::size_t Backslashes = 0;
    for (const char C : Value) {
        if (C == '\\') {
            ++Backslashes;
            continue;
        }
        if (C == '"')
            Line.append(Backslashes * 2 + 1, '\\');
        else
            Line.append(Backslashes, '\\');
        Backslashes = 0;
        Line += C;
    }
    // Before the closing quote, trailing backslashes are doubled.
    Line.append(Backslashes * 2, '\\');
    Line += '"';
}

}  // namespace

std::string CommandLineText(const std::vector<std::string>& Argv)
{
    std::string Line;
    for (std::size_t I = 0; I < Argv.size(); ++I) {
        if (I == 0) {
            // The program's own path is read up to the next quote, without
            // escapes; a Windows path holds no quote.
            Line += '"' + Argv[0] + '"';
            continue;
        }
        Line += ' ';
        if (NeedsQuotes(Argv[I]))
            AppendQuoted(Line, Argv[I]);
        else
            Line += Argv[I];
    }
    return Line;
}

TChildProcess::TChildProcess(TChildProcess&& Other) noexcept
    : FHandle(std::exchange(Other.FHandle, NoHandle)), FId(std::exchange(Other.FId, 0))
{
}

TChildProcess& TChildProcess::operator=(TChildProcess&& Other) noexcept
{
    if (this != &Other) {
        Close();
        FHandle = std::exchange(Other.FHandle, NoHandle);
        FId = std::exchange(Other.FId, 0);
    }
    return *this;
}

}  // namespace nimbral::platform
