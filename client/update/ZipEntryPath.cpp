#include "update/Updater.h"

namespace nimbral {

std::string SafeZipEntryPath(std::string_view Name) {
    std::string name(Name);
    for (char& c : name) {
        if (c == '/')
            c = '\\';
    }
    if (name.empty() || name.front() == '\\' || (name.size() > 1 && name[1] == ':'))
        return {};

    std::string result;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('\\', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string_view part(name.data() + start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return {};
        if (!result.empty())
            result += '\\';
        result += part;
    }
    return result;
}

}  // namespace nimbral
