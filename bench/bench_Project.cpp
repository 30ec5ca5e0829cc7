// Opening and saving a large project (5,000 pages, 20,000 files), and expanding the
// generation placeholders over a store of 20,000 files with a story of 10,000 pages.
#include "u_Contents.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"

#include "temp_folder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {
std::string ScratchDir() {
    static const TTempFolder folder("quarvel-bench");
    return folder.Path();
}

// A project of Pages pages in chapters of 50, each page with three more files.
void BuildProject(TBookProject& p, int pages) {
    auto s = p.FilesStore().NewSession();
    TProjectItemInfo* chapter = nullptr;
    for (int i = 0; i < pages; ++i) {
        if (i % 50 == 0)
            chapter = p.AddChapterItem(nullptr, "Chapter " + std::to_string(i / 50));
        std::string base = "\\c" + std::to_string(i / 50) + "\\page" + std::to_string(i);
        s->ForceFolders(base + ".files");
        s->CreateFile(base + ".htm", 0, true)->Content =
            "<html>${PAGE} %{Title} page " + std::to_string(i) + "</html>";
        for (int k = 0; k < 3; ++k)
            s->CreateFile(base + ".files\\img" + std::to_string(k) + ".png", 0, true)->Content =
                std::string(64, 'x');
        TProjectItemInfo* item = p.AddPageItem(chapter, "Page " + std::to_string(i), base + ".htm");
        item->IncludeInTOC = true;
        p.AddReference(item, base + ".htm");
        p.AddReference(item, base + ".files");
    }
}

void BM_OpenAndSaveProject(benchmark::State& state) {
    const std::string file = ScratchDir() + "/large.ebp";
    {
        TBookProject p;
        BuildProject(p, 5000);
        p.SaveProject(file);
    }
    TBookProject p;
    for (auto _ : state) {
        p.OpenProject(file, false);
        p.SaveProject(file);
    }
    state.counters["pages"] = 5000;
    state.counters["files"] = 20000;
}
BENCHMARK(BM_OpenAndSaveProject)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ExpandPlaceholders(benchmark::State& state) {
    TBookProject p;
    BuildProject(p, 5000);
    // A second listing of every page doubles the story to 10,000 page items.
    TProjectItemInfo* extra = p.AddChapterItem(nullptr, "Again");
    for (const TProjectItemInfo* item : p.Story().AllItems())
        if (item->IsPage() && item->Parent() != extra)
            p.AddPageItem(extra, item->Name, item->Page);
    const std::string contents = BuildContentsHtml(p.Story());
    const std::string image = p.FilesStore().SaveToString();
    for (auto _ : state) {
        state.PauseTiming();
        TMFS copy;
        copy.LoadFromString(image);
        state.ResumeTiming();
        ExpandPlaceholders(p.Story(), copy.Root(), contents);
    }
}
BENCHMARK(BM_ExpandPlaceholders)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DeleteTree(ScratchDir());
    return 0;
}
