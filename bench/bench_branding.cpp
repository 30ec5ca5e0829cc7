// Opening and branding a book: an opening reads the headers, the resource tables, the
// system cabinet and the icon (never the pages); Update writes the new book beside the
// book in one pass (the pages copied by the kernel) and syncs it. Time grows linearly
// with the images of a new icon (an icon file holds at most 65,535). The whole command
// against cp (time and peak memory) is bench/brand_ratio.sh.
#include "../tests/branding/book_fixture.h"
#include "u_Branding.h"

#include "temp_folder.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// A book whose pages resource has the given size, with Variables brandable variables.
std::string MakeBook(size_t pagesBytes, int variables) {
    // The folders stay until the program ends.
    static std::vector<std::unique_ptr<TTempFolder>> folders;
    folders.push_back(std::make_unique<TTempFolder>("bench-branding"));
    const std::string file = folders.back()->File("Book.exe");
    fixture::BookContent content = fixture::TypicalBook();
    std::string pages(pagesBytes, '\0');
    for (size_t i = 0; i < pages.size(); ++i)
        pages[i] = static_cast<char>((i * 2654435761u) >> 13);
    content.pages = pages;
    std::vector<std::pair<std::string, std::string>> vars;
    for (int i = 0; i < variables; ++i)
        vars.push_back(
            {"Var" + std::to_string(i), "Value of variable " + std::to_string(i) + " with %{Var0}"});
    vars[0].second = "Base";
    content.systemFiles["Variables.xml"] = fixture::VariablesFile(vars);
    fixture::WriteBook(file, content);
    return file;
}

void BM_OpenBook(benchmark::State& state) {
    const std::string file = MakeBook(static_cast<size_t>(state.range(0)) << 20, 100);
    TBrandingBook book;
    for (auto _ : state) {
        book.Open(file);
        benchmark::DoNotOptimize(book.Rows().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (state.range(0) << 20));
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
}
BENCHMARK(BM_OpenBook)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_UpdateBook(benchmark::State& state) {
    const std::string file = MakeBook(static_cast<size_t>(state.range(0)) << 20, 100);
    TBrandingBook book;
    book.Open(file);
    std::vector<TBrandingRow> rows = book.Rows();
    rows[1].Value = "Branded <value> with C:\\path";
    const std::string icon = fixture::IconFile(0xFF336699, {48, 32, 16});
    for (auto _ : state)
        book.Update(rows, icon);
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
}
BENCHMARK(BM_UpdateBook)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_UpdateWithHugeIcon(benchmark::State& state) {
    const std::string file = MakeBook(1 << 20, 10);
    const std::string icon = fixture::IconWithEntries(static_cast<uint32_t>(state.range(0)));
    TBrandingBook book;
    book.Open(file);
    for (auto _ : state)
        book.Update(book.Rows(), icon);
    state.SetComplexityN(state.range(0));
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
}
BENCHMARK(BM_UpdateWithHugeIcon)->Arg(4096)->Arg(16384)->Arg(65535)->Unit(benchmark::kMillisecond)->Complexity();

void BM_BuildVariablesXml(benchmark::State& state) {
    const std::string file = MakeBook(1024, static_cast<int>(state.range(0)));
    TBrandingBook book;
    book.Open(file);
    const std::vector<TBrandingRow> rows = book.Rows();
    for (auto _ : state)
        benchmark::DoNotOptimize(book.BuildVariablesXml(rows));
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
}
BENCHMARK(BM_BuildVariablesXml)->Arg(100)->Arg(5000);

} // namespace

BENCHMARK_MAIN();
