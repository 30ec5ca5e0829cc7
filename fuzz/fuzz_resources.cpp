// Opening an update on arbitrary bytes and committing it must never crash or hang:
// unsound files are refused, sound ones are rewritten into a file that opens again.
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

void Store(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(ScratchFile().c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& file = ScratchFile();
    // The first byte chooses what the update does; the rest is the file.
    const uint8_t mode = size ? data[0] : 0;
    Store(size ? data + 1 : data, size ? size - 1 : 0);
    TResourceUpdateHandle u = BeginResourceUpdate(file, (mode & 1) != 0);
    if (!u)
        return 0;
    const std::string payload(mode >> 1, 'p');
    if (mode & 2)
        UpdateResourceEntry(u, "RCDATA", "FILES_MFS", 0, payload.data(), payload.size());
    if (mode & 4)
        UpdateResourceEntry(u, RT_ICON, TResName(), 0, nullptr, 0);
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
    }
    std::remove(file.c_str());
    return 0;
}
