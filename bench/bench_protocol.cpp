// Serving pages through the page protocol: a request produces the whole document,
// copies it once into the response and hands it out in reads. Measured for a large
// page of the project protocol (hooks on, contents placeholder once) and for joins.
#include "u_InternetProtocolSupport.h"
#include "u_MFSInternetProtocol.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_ServeProjectPage(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    TMFS store;
    std::string page(size, 'x');
    page.replace(size / 2, 11, "${CONTENTS}");
    store.Session()->CreateFile("\\big page.htm", 0, true)->Content = page;
    TMFSInternetProtocol protocol("mfs", &store);
    TProjectProtocolHooks hooks;
    hooks.ContentsHtml = [] { return std::string("<ul><li>Chapter</li></ul>\r\n"); };
    hooks.Attach(protocol);
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        TCustomInternetProtocol request;
        request.Start("mfs:\\big%20page.htm", nullptr);
        std::uint32_t read = 0;
        while (request.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), read) == E_PENDING) {
        }
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(BM_ServeProjectPage)->Arg(16 << 10)->Arg(1 << 20);

void BM_CombineUrl(benchmark::State& state) {
    TMFS store;
    TMFSInternetProtocol protocol("mfs", &store);
    char16_t buffer[512];
    for (auto _ : state) {
        TCustomInternetProtocol request;
        std::uint32_t needed = 0;
        request.CombineUrl("mfs:\\pages\\chapter one\\index.html", "images/a picture.png", 0, buffer, 512,
                           needed);
        benchmark::DoNotOptimize(needed);
    }
}
BENCHMARK(BM_CombineUrl);

} // namespace

BENCHMARK_MAIN();
