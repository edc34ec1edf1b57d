#include "update/AppVersion.h"

#include "platform/SpecialFolders.h"
#include "platform/VersionRecord.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace nimbral {

namespace {

std::vector<std::string_view> SplitParts(std::string_view Text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = Text.find('.', start);
        parts.push_back(Text.substr(start, dot == std::string_view::npos ? dot : dot - start));
        if (dot == std::string_view::npos)
            return parts;
        start = dot + 1;
    }
}

// A signed 32-bit decimal with an optional sign; anything else reads as 0.
std::int32_t PartValue(std::string_view Part) {
    if (!Part.empty() && Part.front() == '+') {
        Part.remove_prefix(1);
        if (!Part.empty() && Part.front() == '-')
            return 0;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(Part.data(), Part.data() + Part.size(), value);
    if (ec != std::errc() || end != Part.data() + Part.size())
        return 0;
    return value;
}

}  // namespace

std::string FormatFileVersion(std::uint32_t MS, std::uint32_t LS) {
    std::string text = std::to_string(MS >> 16);
    for (const std::uint32_t part : {MS & 0xFFFF, LS >> 16}) {
        text += '.';
        text += std::to_string(part);
    }
    if ((LS & 0xFFFF) != 0) {
        text += '.';
        text += std::to_string(LS & 0xFFFF);
    }
    return text;
}

std::string GetAppVersion() {
    try {
        if (const auto record = platform::ReadVersionRecord(platform::RunningProgramFile()))
            return FormatFileVersion(record->MS, record->LS);
    } catch (const std::exception&) {
        // the program's path is unknown: no record either
    }
    return "0.0.0";
}

std::int32_t CompareVersions(std::string_view A, std::string_view B) {
    const auto a = SplitParts(A);
    const auto b = SplitParts(B);
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t x = i < a.size() ? PartValue(a[i]) : 0;
        const std::int32_t y = i < b.size() ? PartValue(b[i]) : 0;
        if (x < y)
            return -1;
        if (x > y)
            return 1;
    }
    return 0;
}

}  // namespace nimbral
