// Speed of the in-memory file system: image save and load of a 100 MB store of 2,000
// files, look-ups in large folders (they must grow logarithmically), and packing an
// image into a cabinet (bench/pack_ratio.sh compares that with the gcab tool).
#include "u_MFS.h"
#include "u_MFSCab.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

namespace {

// Pages of text and pictures of noise, as a book holds them.
std::string Content(std::mt19937& rng, size_t size, bool text) {
    std::string s(size, ' ');
    if (text) {
        static const char words[] = "<p>The quick brown fox jumps over the lazy dog.</p>\r\n";
        for (size_t i = 0; i < size; ++i)
            s[i] = words[(i + rng() % 3) % (sizeof words - 1)];
    } else {
        for (char& c : s)
            c = char(rng());
    }
    return s;
}

void FillStore(TMFS& mfs, int files, size_t totalBytes) {
    std::mt19937 rng(1);
    auto* s = mfs.Session();
    for (int i = 0; i < files; ++i) {
        const std::string folder = "\\chapter" + std::to_string(i % 20);
        s->ForceFolders(folder);
        const bool text = i % 2 == 0;
        s->CreateFile(folder + "\\file" + std::to_string(i) + (text ? ".htm" : ".jpg"), 0, false)->Content =
            Content(rng, totalBytes / size_t(files), text);
    }
}

const TMFS& BigStore() {
    static TMFS* store = [] {
        auto* mfs = new TMFS;
        FillStore(*mfs, 2000, 100u << 20);
        return mfs;
    }();
    return *store;
}

void BM_SaveToString(benchmark::State& state) {
    const TMFS& store = BigStore();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string image = store.SaveToString();
        bytes += image.size();
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(int64_t(bytes));
}
BENCHMARK(BM_SaveToString)->Unit(benchmark::kMillisecond);

void BM_LoadFromString(benchmark::State& state) {
    const std::string image = BigStore().SaveToString();
    for (auto _ : state) {
        TMFS mfs;
        mfs.LoadFromString(image);
        benchmark::DoNotOptimize(mfs.Root());
    }
    state.SetBytesProcessed(int64_t(image.size()) * state.iterations());
}
BENCHMARK(BM_LoadFromString)->Unit(benchmark::kMillisecond);

void BM_FindItemInLargeFolder(benchmark::State& state) {
    const int count = int(state.range(0));
    TMFS mfs;
    auto* s = mfs.Session();
    for (int i = 0; i < count; ++i)
        s->CreateFile("\\Page" + std::to_string(i) + ".htm", 0, false);
    std::mt19937 rng(2);
    std::vector<std::string> paths;
    for (int i = 0; i < 1024; ++i)
        paths.push_back("\\PAGE" + std::to_string(rng() % unsigned(count)) + ".HTM");
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(s->FindItem(paths[i++ & 1023]));
    state.SetComplexityN(count);
}
BENCHMARK(BM_FindItemInLargeFolder)->Arg(10000)->Arg(100000)->Complexity(benchmark::oLogN);

// Packing one image; QUARVEL_PACK_IMAGE names a file to write that image to, so that
// the gcab tool can pack the very same bytes.
void BM_PackStore(benchmark::State& state) {
    static TMFS* store = [] {
        auto* mfs = new TMFS;
        FillStore(*mfs, 400, 32u << 20);
        return mfs;
    }();
    if (const char* out = std::getenv("QUARVEL_PACK_IMAGE"))
        std::ofstream(out, std::ios::binary) << store->SaveToString();
    for (auto _ : state)
        benchmark::DoNotOptimize(PackStore(*store, "\\Files.cab"));
}
BENCHMARK(BM_PackStore)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UnpackStore(benchmark::State& state) {
    TMFS store;
    FillStore(store, 400, 32u << 20);
    const std::string cab = PackStore(store, "\\Files.cab");
    for (auto _ : state) {
        TMFS back;
        UnpackStore(back, cab);
    }
}
BENCHMARK(BM_UnpackStore)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
