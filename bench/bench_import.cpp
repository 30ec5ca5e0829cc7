// Speed of the HTML toolkit and the import: splitting a large page at its links, and
// importing a page that links 500 pictures in case-differing folders (each found by a
// case-blind look-up on disk).
#include "u_AddFile.h"
#include "u_HTML.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

std::string LargePage(int paragraphs) {
    std::string html = "<html><head><title>Large</title><link rel=stylesheet href=\"s.css\"></head><body>";
    for (int i = 0; i < paragraphs; ++i) {
        html += "<p>Paragraph " + std::to_string(i) + " with <a href=\"page" + std::to_string(i % 50) +
                ".htm\">a link</a> and <IMG SRC='Pics/Pic" + std::to_string(i % 500) +
                ".GIF' ALT=x>.</p><!-- note -->\r\n";
    }
    return html + "</body></html>";
}

void BM_SplitHtmlByLinks(benchmark::State& state) {
    const std::string html = LargePage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        THtmlLinkParts parts;
        SplitHtmlByLinks(html, ImportLinkDescs(), parts);
        benchmark::DoNotOptimize(parts.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
}
BENCHMARK(BM_SplitHtmlByLinks)->Arg(1000)->Arg(10000);

void BM_ImportPageWithPictures(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "quarvel_bench_import";
    fs::remove_all(dir);
    fs::create_directories(dir / "pics");
    for (int i = 0; i < 500; ++i)
        WriteFileText(std::string(2000, 'x'), (dir / "pics" / ("pic" + std::to_string(i) + ".gif")).string());
    WriteFileText(LargePage(2000), (dir / "page.htm").string());
    for (auto _ : state) {
        TBookProject project;
        ImportFileAsPage(project, (dir / "page.htm").string());
        benchmark::DoNotOptimize(project.Story().Count());
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_ImportPageWithPictures)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
