// Speed of the HTML toolkit and the import: splitting a large page at its links,
// importing a page that links 500 pictures in case-differing folders (each found by a
// case-blind look-up on disk), and importing a modern 5 MB page with 10,000 links of
// every kind, stylesheets importing stylesheets among them (target: 0.5 s); and the
// compile's look for links out of the project over a large store.
#include "u_AddFile.h"
#include "u_HTML.h"
#include "u_Links.h"
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


// A manual's page of 5 MB with Links links of mixed kinds: pictures, picture
// sets, stylesheets (which import each other and name fonts and pictures), scripts,
// media, style attributes, anchors, embedded pictures and web addresses.
std::string ModernPage(int links) {
    std::string html = "<html><head><title>Modern</title>";
    const std::string text(440, 'x');
    int made = 0;
    for (int i = 0; made < links; ++i) {
        const std::string n = std::to_string(i % 400);
        switch (i % 10) {
        case 0: html += "<link rel=\"stylesheet\" href=\"assets/css/s" + std::to_string(i % 20) + ".css\">"; break;
        case 1: html += "<script src=\"assets/js/m" + std::to_string(i % 30) + ".js\"></script>"; break;
        case 2: html += "<img src=\"assets/img/P" + n + ".png\" srcset=\"assets/img/p" + n + ".png 2x\">"; ++made; break;
        case 3: html += "<p style=\"background:url('assets/img/p" + n + ".png?v=2')\">" + text + "</p>"; break;
        case 4: html += "<video src=\"media/v" + std::to_string(i % 10) + ".mp4\" poster=\"assets/img/p" + n + ".png\"></video>"; ++made; break;
        case 5: html += "<a href=\"#s" + n + "\">" + text + "</a>"; break;
        case 6: html += "<img src=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUg==\" alt=\"" + text + "\">"; break;
        case 7: html += "<img src=\"https://example.com/p" + n + ".png\"><p>" + text + "</p>"; break;
        case 8: html += "<picture><source srcset=\"assets/img/p" + n + ".png 1x, assets/img/missing" + n + ".png 2x\"></picture>"; ++made; break;
        default: html += "<object data=\"media/d" + std::to_string(i % 10) + ".svg\"></object><p>" + text + "</p>"; break;
        }
        ++made;
    }
    // Prose up to 5 MB.
    constexpr std::size_t size = 5 * 1000 * 1000;
    while (html.size() + text.size() + 32 < size)
        html += "<p>" + text + "</p>\r\n";
    return html + "</body></html>";
}

void BM_ImportModernPage(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "quarvel_bench_import_modern";
    fs::remove_all(dir);
    for (const char* sub : {"assets/css", "assets/js", "assets/img", "assets/fonts", "media"})
        fs::create_directories(dir / sub);
    for (int i = 0; i < 400; ++i)
        WriteFileText(std::string(3000, 'p'), (dir / "assets/img" / ("p" + std::to_string(i) + ".png")).string());
    for (int i = 0; i < 30; ++i)
        WriteFileText("var m = " + std::to_string(i) + ";", (dir / "assets/js" / ("m" + std::to_string(i) + ".js")).string());
    for (int i = 0; i < 10; ++i) {
        WriteFileText(std::string(10000, 'v'), (dir / "media" / ("v" + std::to_string(i) + ".mp4")).string());
        WriteFileText("<svg/>", (dir / "media" / ("d" + std::to_string(i) + ".svg")).string());
        WriteFileText(std::string(5000, 'f'), (dir / "assets/fonts" / ("f" + std::to_string(i) + ".woff2")).string());
    }
    for (int i = 0; i < 20; ++i) {
        std::string css = "@import \"s" + std::to_string((i + 1) % 20) + ".css\";\n@font-face{font-family:F" +
                          std::to_string(i) + ";src:url(../fonts/f" + std::to_string(i % 10) + ".woff2) format(\"woff2\")}\n";
        for (int k = 0; k < 10; ++k)
            css += ".c" + std::to_string(k) + "{background:url(\"../img/p" + std::to_string((i * 10 + k) % 400) + ".png\")}\n";
        WriteFileText(css, (dir / "assets/css" / ("s" + std::to_string(i) + ".css")).string());
    }
    const std::string page = ModernPage(static_cast<int>(state.range(0)));
    WriteFileText(page, (dir / "manual.htm").string());
    std::size_t links = 0;
    for (const TLinkRef& link : FindHtmlLinks(page).Links)
        links += IsLocalLinkValue(link.Value) ? 1 : 0;
    for (auto _ : state) {
        TBookProject project;
        ImportFileAsPage(project, (dir / "manual.htm").string());
        benchmark::DoNotOptimize(project.Story().Count());
    }
    state.counters["page_bytes"] = static_cast<double>(page.size());
    state.counters["local_links"] = static_cast<double>(links);
    fs::remove_all(dir);
}
BENCHMARK(BM_ImportModernPage)->Arg(10000)->Unit(benchmark::kMillisecond);

// The compile's look for links leading out of the project, over a store of 2,000 pages
// of about 28 KB each (57 MB), each with 40 links of every kind and a stylesheet.
void BM_LinksOutOfStore(benchmark::State& state) {
    TMFS store;
    auto session = store.NewSession();
    session->ForceFolders("\\pages");
    const std::string prose = "<p>" + std::string(600, 'w') + "</p>\r\n";
    std::size_t bytes = 0;
    for (int i = 0; i < 2000; ++i) {
        std::string page = "<html><head><link rel=stylesheet href=\"../site.css\"></head><body>";
        for (int k = 0; k < 40; ++k)
            page += "<img src=\"pic" + std::to_string(k) + ".png\" srcset=\"pic" + std::to_string(k) +
                    "@2x.png 2x\"><a href=\"page" + std::to_string((i + 1) % 2000) + ".htm\">next</a>" + prose;
        bytes += page.size();
        session->CreateFile("\\pages\\page" + std::to_string(i) + ".htm", 0, true)->Content = std::move(page);
    }
    session->CreateFile("\\site.css", 0, true)->Content = "body{background:url(pages/pic0.png)}";
    for (auto _ : state)
        benchmark::DoNotOptimize(LinksOutOfStore(store).size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_LinksOutOfStore)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
