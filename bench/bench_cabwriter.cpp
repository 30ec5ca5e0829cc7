// The cabinet writer on pages like a book's (text pages and pictures that do not
// compress, three to one, as bench/compile_ratio.sh generates them): with 1, 2 and all
// threads, each block deflated on its own or with the block before as its dictionary.
// The counters give the cabinet's size against the input's, so that the cost of the
// dictionary in time can be set against what it saves in size.
#include "u_CabWriter.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

const std::string& Pages() {
    static const std::string pages = [] {
        static const char* const words[] = {"light", "keeper", "rock", "lamp", "lens", "tower", "storm",
                                            "sea", "ship", "harbour", "night", "wind", "wave", "chart",
                                            "signal", "flash", "beam", "glass", "brass", "oil", "clock",
                                            "watch", "log", "relief", "boat", "island", "coast"};
        std::mt19937 rng(1234);
        std::string s;
        // 300 pages of about 31 KB, 100 pictures of 30 KB: about 12 MB.
        for (int i = 0; i < 300; ++i) {
            s += "<html><body><h1>Page</h1><p>";
            for (int w = 0; w < 5600; ++w) {
                s += words[rng() % std::size(words)];
                s += ' ';
            }
            s += "</p></body></html>\r\n";
        }
        for (int i = 0; i < 100 * 30000; ++i)
            s += char(rng());
        return s;
    }();
    return pages;
}

// Args: threads (0: one per core), chained (0 or 1).
void BM_WriteCabinet(benchmark::State& state) {
    const std::string& pages = Pages();
    TCabPackOptions options;
    options.Jobs = static_cast<unsigned>(state.range(0));
    options.ChainBlocks = state.range(1) != 0;
    size_t size = 0;
    for (auto _ : state) {
        const std::string cab = WriteCabinet({{{"info.mfs", 0, 0, 0x20}, pages}}, options);
        size = cab.size();
        benchmark::DoNotOptimize(cab.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pages.size()));
    state.counters["threads"] = CabPackThreads(options.Jobs);
    state.counters["cab_percent"] = 100.0 * double(size) / double(pages.size());
}
BENCHMARK(BM_WriteCabinet)
    ->ArgsProduct({{1, 2, 0}, {0, 1}})
    ->ArgNames({"jobs", "chained"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
