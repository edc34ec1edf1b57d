// Unpacking of the update package with libzip. libzip finds the entries; their
// bytes are read raw in large pieces and decoded here (zlib for deflate, our
// own decoder for Deflate64), with each entry's size and CRC-32 checked
// against the central directory.
//
// Entry names: UTF-8 where the archive says so, else CP949, the code page of
// Korean Windows, where such packages are made (see EntryName).
// Entries recorded as symbolic links are never unpacked: a link in the package
// could point an installed file anywhere.

#include "core/CharsetNames.h"
#include "core/Utf8.h"
#include "platform/CodePage.h"
#include "update/Deflate64.h"
#include "update/PathText.h"
#include "update/Updater.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace nimbral {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyBuffer = 1 << 20;
// The copy buffer is filled and written a slice at a time: a slice is still
// in the CPU's cache when the system copies it into the file, a whole
// megabyte is not (this alone is about a quarter of the unpacking time).
constexpr std::size_t kWriteSlice = 128 * 1024;
constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixRegular = 0100000;

struct TZipClose {
    void operator()(zip_t* Z) const { zip_discard(Z); }
};
struct TZipFileClose {
    void operator()(zip_file_t* F) const { zip_fclose(F); }
};
using TZip = std::unique_ptr<zip_t, TZipClose>;
using TZipFile = std::unique_ptr<zip_file_t, TZipFileClose>;

// The raw bytes of an entry's name, as the archive stores them.
std::string_view RawName(zip_t* Zip, zip_uint64_t Index) {
    const char* raw = zip_get_name(Zip, Index, ZIP_FL_ENC_RAW);
    if (raw == nullptr)
        throw std::runtime_error(std::string("압축 파일 항목을 읽을 수 없습니다: ") + zip_strerror(Zip));
    return raw;
}

// The entry's name as UTF-8. A name flagged as UTF-8 (general purpose bit
// 11), or named by a Unicode path field, is taken as UTF-8: libzip then knows
// its encoding and hands it out unchanged even when asked to read names
// strictly as code page 437, which changes any other name with a byte above
// 0x7F. Any other name is in the code page of the Windows that made the
// archive, 949 for our packages, whose byte pairs are often valid UTF-8 too
// ("창" is C3 A2, which UTF-8 reads as "â"): it is read as CP949 first and
// as UTF-8 only where CP949 cannot read it.
std::string EntryName(zip_t* Zip, zip_uint64_t Index) {
    const std::string_view raw = RawName(Zip, Index);
    const char* strict = zip_get_name(Zip, Index, ZIP_FL_ENC_STRICT);
    if (strict != nullptr && raw == strict)
        return std::string(raw);
    if (auto decoded = platform::CodePageToUtf8Strict(raw, kCodePageKorean))
        return *decoded;
    if (IsValidUtf8(raw))
        return std::string(raw);
    throw std::runtime_error("압축 파일 항목 이름을 읽을 수 없습니다");
}

// DestDir joined with the parts of a safe entry path. None when a part would
// not stay a plain name everywhere: a drive-relative "C:x", or a part made
// only of dots and blanks, which Windows shortens by dropping trailing dots
// and blanks.
std::optional<fs::path> JoinSafe(const fs::path& DestDir, const std::string& Rel) {
    fs::path target = DestDir;
    std::size_t start = 0;
    while (start < Rel.size()) {
        std::size_t end = Rel.find('\\', start);
        if (end == std::string::npos)
            end = Rel.size();
        const std::string part = Rel.substr(start, end - start);
        start = end + 1;
        if (part.find_first_not_of(". ") == std::string::npos)
            return std::nullopt;
        const fs::path p = PathFromUtf8(part);
        if (p.has_root_name() || p.has_root_directory())
            return std::nullopt;
        target /= p;
    }
    return target;
}

class TOutFile {
public:
    explicit TOutFile(const fs::path& Path) : FPath(Path), FStream(Path, std::ios::binary | std::ios::trunc) {
        if (!FStream)
            throw std::runtime_error("파일을 만들 수 없습니다: " + PathText(Path));
    }
    void Write(const void* Data, std::size_t Size) {
        FStream.write(static_cast<const char*>(Data), static_cast<std::streamsize>(Size));
        if (!FStream)
            throw std::runtime_error("파일을 쓸 수 없습니다: " + PathText(FPath));
    }
    void Close() {
        FStream.close();
        if (!FStream)
            throw std::runtime_error("파일을 쓸 수 없습니다: " + PathText(FPath));
    }

private:
    fs::path FPath;
    std::ofstream FStream;
};

[[noreturn]] void Damaged(const std::string& Name, const std::string& Detail) {
    throw std::runtime_error("압축 파일 항목이 손상되었습니다: " + Name + " (" + Detail + ")");
}

// Writes the decoded content of one entry to Out and checks its size and
// CRC-32 against the central directory. The compressed bytes are read raw, in
// large pieces, and decoded here: zlib for deflate, our decoder for Deflate64.
class TEntryWriter {
public:
    TEntryWriter(zip_t* Zip, zip_uint64_t Index, const zip_stat_t& Stat, const std::string& Name,
                 TOutFile& Out, std::vector<std::uint8_t>& Buffer)
        : FIn(zip_fopen_index(Zip, Index, ZIP_FL_COMPRESSED)), FStat(Stat), FName(Name), FOut(Out),
          FBuffer(Buffer) {
        if (!FIn)
            Damaged(Name, zip_strerror(Zip));
        if ((Stat.valid & ZIP_STAT_SIZE) != 0)
            FLimit = Stat.size;
    }

    void Run(std::uint16_t Method) {
        if (Method == ZIP_CM_STORE)
            Copy();
        else if (Method == ZIP_CM_DEFLATE)
            Inflate();
        else
            Inflate64();
        if ((FStat.valid & ZIP_STAT_SIZE) != 0 && FProduced != FStat.size)
            Damaged(FName, "size mismatch");
        if ((FStat.valid & ZIP_STAT_CRC) != 0 && FCrc != FStat.crc)
            Damaged(FName, "CRC mismatch");
    }

private:
    TZipFile FIn;
    const zip_stat_t& FStat;
    const std::string& FName;
    TOutFile& FOut;
    std::vector<std::uint8_t>& FBuffer;  // the 1 MiB copy buffer
    std::uint64_t FLimit = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t FProduced = 0;
    uLong FCrc = crc32(0, nullptr, 0);

    std::size_t Read(std::uint8_t* Dest, std::size_t Size) {
        const zip_int64_t n = zip_fread(FIn.get(), Dest, Size);
        if (n < 0)
            Damaged(FName, zip_file_strerror(FIn.get()));
        return static_cast<std::size_t>(n);
    }

    void Emit(const std::uint8_t* Data, std::size_t Size) {
        FProduced += Size;
        if (FProduced > FLimit)
            Damaged(FName, "more data than the entry holds");
        for (std::size_t done = 0; done < Size;) {
            const auto n = static_cast<uInt>(std::min<std::size_t>(Size - done, 1u << 30));
            FCrc = crc32(FCrc, Data + done, n);
            done += n;
        }
        FOut.Write(Data, Size);
    }

    void Copy() {
        while (const std::size_t n = Read(FBuffer.data(), kWriteSlice))
            Emit(FBuffer.data(), n);
    }

    void Inflate() {
        struct TInflate {
            z_stream Stream{};
            TInflate() {
                if (inflateInit2(&Stream, -MAX_WBITS) != Z_OK)
                    throw std::runtime_error("zlib cannot start");
            }
            ~TInflate() { inflateEnd(&Stream); }
            TInflate(const TInflate&) = delete;
            TInflate& operator=(const TInflate&) = delete;
        } z;
        std::vector<std::uint8_t> input(256 * 1024);
        for (;;) {
            if (z.Stream.avail_in == 0) {
                const std::size_t n = Read(input.data(), input.size());
                if (n == 0)
                    Damaged(FName, "the data ends inside the stream");
                z.Stream.next_in = input.data();
                z.Stream.avail_in = static_cast<uInt>(n);
            }
            z.Stream.next_out = FBuffer.data();
            z.Stream.avail_out = static_cast<uInt>(kWriteSlice);
            const int result = inflate(&z.Stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                Damaged(FName, z.Stream.msg != nullptr ? z.Stream.msg : "bad deflate data");
            Emit(FBuffer.data(), kWriteSlice - z.Stream.avail_out);
            if (result == Z_STREAM_END)
                return;
        }
    }

    void Inflate64() {
        try {
            InflateDeflate64([this](std::uint8_t* Dest, std::size_t Size) { return Read(Dest, Size); },
                             [this](const std::uint8_t* Data, std::size_t Size) { Emit(Data, Size); },
                             FLimit);
        } catch (const EDeflate64Error& e) {
            Damaged(FName, e.what());
        }
    }
};

// The permission bits of an unpacked file: the archive's Unix mode, or the
// mode of the file it replaces when the entry records none; a replaced
// program stays executable either way.
std::uint32_t ModeFor(std::uint32_t ArchiveMode, const std::optional<fs::path>& Replaced) {
    const std::optional<std::uint32_t> old = Replaced ? platform::FileModeOf(*Replaced) : std::nullopt;
    if ((ArchiveMode & 0777) == 0)
        return old.value_or(0644);
    return ArchiveMode | (old.value_or(0) & 0111);
}

}  // namespace

bool ExtractZip(const fs::path& ZipFile, const fs::path& DestDir, const fs::path& ReplacedDir) {
    fs::create_directories(DestDir);

    int error = 0;
    TZip zip(zip_open(PathText(ZipFile).c_str(), ZIP_RDONLY, &error));
    if (!zip)
        return false;

    std::vector<std::uint8_t> buffer(kCopyBuffer);
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        // What is not unpacked is skipped before its name is decoded: a name
        // that cannot be read does not matter for a folder or a link.
        const std::string_view raw = RawName(zip.get(), index);
        if (raw.ends_with('/') || raw.ends_with('\\'))
            continue;  // folders come into being with the files in them

        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        std::uint32_t mode = 0;
        if (zip_file_get_external_attributes(zip.get(), index, 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX) {
            mode = attributes >> 16;
            const std::uint32_t type = mode & kUnixTypeMask;
            if (type != 0 && type != kUnixRegular)
                continue;  // symbolic links (0120000), folders, devices: nothing to install
        }

        const std::string name = EntryName(zip.get(), index);
        const std::string rel = SafeZipEntryPath(name);
        if (rel.empty())
            continue;
        const auto target = JoinSafe(DestDir, rel);
        if (!target)
            continue;

        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip.get(), index, 0, &stat) != 0)
            Damaged(name, zip_strerror(zip.get()));
        const std::uint16_t method = (stat.valid & ZIP_STAT_COMP_METHOD) != 0 ? stat.comp_method : 0;
        if (method != ZIP_CM_STORE && method != ZIP_CM_DEFLATE && method != ZIP_CM_DEFLATE64)
            throw std::runtime_error("지원하지 않는 압축 방식입니다 (" + std::to_string(method) +
                                     "): " + name);

        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE)
            throw std::runtime_error("암호화된 압축 파일 항목은 풀 수 없습니다: " + name);

        fs::create_directories(target->parent_path());
        TOutFile out(*target);
        TEntryWriter(zip.get(), index, stat, name, out, buffer).Run(method);
        out.Close();
        platform::ApplyArchiveMode(*target,
                                   ModeFor(mode, ReplacedDir.empty() ? std::nullopt : JoinSafe(ReplacedDir, rel)));
    }
    return true;
}

}  // namespace nimbral
