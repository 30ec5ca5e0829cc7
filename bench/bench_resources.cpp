// Writing a 100 MB resource into a copy of the reader program, against a plain copy
// (cp) of the resulting file. The write reads the old file once through its mapping,
// writes the new file beside it (synced) and renames it into place.
#include "u_Resources.h"

#include "temp_folder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kReader = std::string(QUARVEL_BIN_DIR) + "/Pagelamp.exe";

struct Scratch {
    TTempFolder Folder{"quarvel-bench-res"};
    std::string Dir = Folder.Path();
};

const std::string& Pages() {
    static const std::string data = [] {
        std::string s(100u << 20, '\0');
        uint32_t x = 12345;
        for (char& c : s) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 24);
        }
        return s;
    }();
    return data;
}

void BM_WriteRCData100MB(benchmark::State& state) {
    if (!fs::exists(kReader)) {
        state.SkipWithError("Pagelamp.exe not built");
        return;
    }
    Scratch s;
    const std::string book = s.Dir + "/Book.exe";
    const std::string& pages = Pages();
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(kReader, book, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        WriteRCDataResource(book, "FILES_MFS", pages);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pages.size()));
}
BENCHMARK(BM_WriteRCData100MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same size of file copied by cp: what the write is measured against.
void BM_CopyResultWithCp(benchmark::State& state) {
    if (!fs::exists(kReader)) {
        state.SkipWithError("Pagelamp.exe not built");
        return;
    }
    Scratch s;
    const std::string book = s.Dir + "/Book.exe", copy = s.Dir + "/Copy.exe";
    fs::copy_file(kReader, book);
    WriteRCDataResource(book, "FILES_MFS", Pages());
    const std::string command = "cp '" + book + "' '" + copy + "'";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(copy);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(book)));
}
BENCHMARK(BM_CopyResultWithCp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
