#pragma once
// The file-version record embedded into a program file at build time: four
// unsigned 16-bit components major, minor, release, build, delivered packed in
// two 32-bit words (MS = major << 16 | minor, LS = release << 16 | build).
//
// CMake adds the record to a program with nimbral_add_version_record(<target>)
// (cmake/NimbralVersionRecord.cmake); a program built without it has none.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace nimbral::platform {

struct TVersionRecord {
    std::uint32_t MS = 0;
    std::uint32_t LS = 0;
};

// The record of ProgramFile, or none when the file has no record or cannot be
// read. Never raises.
std::optional<TVersionRecord> ReadVersionRecord(const std::filesystem::path& ProgramFile) noexcept;

}  // namespace nimbral::platform
