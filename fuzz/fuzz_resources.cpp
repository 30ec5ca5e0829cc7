// Opening an update on arbitrary bytes and committing it must never crash or hang:
// unsound files are refused, sound ones are rewritten into a file that opens again. A
// file that came with a correct checksum leaves with a correct one (the commit works the
// new checksum out from the old one when it can).
#include "u_Resources.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
const std::string& ScratchFile() {
    // A memory-backed folder when there is one: every commit syncs its file.
    static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    static const std::string path = folder + "/quarvel-fuzz-resources-" + std::to_string(getpid()) + ".exe";
    return path;
}

void Store(const std::string& bytes) {
    FILE* f = std::fopen(ScratchFile().c_str(), "wb");
    if (!f)
        std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

std::string Load(const std::string& file) {
    std::string bytes;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        std::abort();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

// Where the checksum field of a PE32 image is, or 0 when the bytes are too short for one.
size_t ChecksumOffset(const std::string& bytes) {
    if (bytes.size() < 0x40)
        return 0;
    const uint32_t lfanew = static_cast<uint8_t>(bytes[0x3C]) | static_cast<uint8_t>(bytes[0x3D]) << 8 |
                            static_cast<uint8_t>(bytes[0x3E]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[0x3F])) << 24;
    const uint64_t at = uint64_t{lfanew} + 24 + 64;
    return at + 4 <= bytes.size() ? static_cast<size_t>(at) : 0;
}

uint32_t StoredChecksum(const std::string& bytes, size_t at) {
    return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
           static_cast<uint8_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& file = ScratchFile();
    // The first byte chooses what the update does; the rest is the file.
    const uint8_t mode = size ? data[0] : 0;
    std::string bytes(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size ? size - 1 : 0);
    // With bit 8 of the mode the file gets its correct checksum first.
    const size_t checksumAt = ChecksumOffset(bytes);
    if ((mode & 8) && checksumAt) {
        const uint32_t sum = PEImageChecksum(bytes.data(), bytes.size(), checksumAt);
        for (int i = 0; i < 4; ++i)
            bytes[checksumAt + static_cast<size_t>(i)] = static_cast<char>((sum >> (8 * i)) & 0xFF);
    }
    const bool soundChecksum =
        checksumAt && StoredChecksum(bytes, checksumAt) == PEImageChecksum(bytes.data(), bytes.size(), checksumAt);
    Store(bytes);
    TResourceUpdateHandle u = BeginResourceUpdate(file, (mode & 1) != 0);
    if (!u)
        return 0;
    const std::string payload(mode >> 1, 'p');
    if (mode & 2)
        UpdateResourceEntry(u, "RCDATA", "FILES_MFS", 0, payload.data(), payload.size());
    if (mode & 4)
        UpdateResourceEntry(u, ResTypeIcon, TResName(), 0, nullptr, 0);
    if (EndResourceUpdate(u, false)) {
        // What the editor wrote it must read again, with the new resource in it.
        std::string back;
        try {
            back = ReadResource(file, "RCDATA", "FILES_MFS");
        } catch (const EOSError&) {
            std::abort();
        }
        if ((mode & 2) && back != payload)
            std::abort();
        const std::string after = Load(file);
        const size_t at = ChecksumOffset(after);
        if (soundChecksum && (!at || StoredChecksum(after, at) != PEImageChecksum(after.data(), after.size(), at)))
            std::abort();
    }
    std::remove(file.c_str());
    return 0;
}
