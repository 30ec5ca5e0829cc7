// The main window with a book of 5,000 pages in 200 chapters, one of them holding
// 2,000 pages: opening it in the window (the project's own load, then the tree),
// filling the story tree alone, one idle enabling pass with the last item selected,
// and a selection change to the 2,000-page chapter with the page properties panel
// updated. Run under a display (xvfb-run).
#include "fram_StoryTree.h"
#include "frm_Main.h"
#include "u_CommandTable.h"
#include "u_Dialogs.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_StoryTreeRules.h"
#include "u_WebEngineProtocol.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

QTemporaryDir& Scratch() {
    static QTemporaryDir dir;
    return dir;
}

// The book: chapter 0 holds 2,000 pages, the 199 others share 3,000.
std::string BigProject() {
    static const std::string file = [] {
        const std::string name = Scratch().filePath(QStringLiteral("Big.ebp")).toStdString();
        TBookProject project;
        auto files = project.FilesStore().NewSession();
        int page = 0;
        for (int c = 0; c < 200; ++c) {
            TProjectItemInfo* chapter = project.AddChapterItem(nullptr, "Chapter " + std::to_string(c));
            files->ForceFolders("\\c" + std::to_string(c));
            const int pages = c == 0 ? 2000 : 3000 / 199 + (c - 1 < 3000 % 199 ? 1 : 0);
            for (int i = 0; i < pages; ++i, ++page) {
                const std::string path = "\\c" + std::to_string(c) + "\\p" + std::to_string(page) + ".htm";
                files->CreateFile(path, 0, true)->Content = "<html>page</html>";
                TProjectItemInfo* item = project.AddPageItem(chapter, "Page " + std::to_string(page), path);
                item->IncludeInTOC = true;
                item->PasswordProtection = page % 3 == 0;
                project.AddReference(item, path);
            }
        }
        project.SaveProject(name);
        return name;
    }();
    return file;
}

// The window lives until the benchmarks are over (before the application ends).
std::unique_ptr<TfrmMain>& WindowHolder() {
    static std::unique_ptr<TfrmMain> window;
    return window;
}

TfrmMain& Window() {
    std::unique_ptr<TfrmMain>& window = WindowHolder();
    if (!window) {
        window = std::make_unique<TfrmMain>(QStringList{QStringLiteral("tomewright")});
        window->show();
        while (!window->Started())
            QApplication::processEvents();
    }
    return *window;
}

void BM_ProjectLoadAlone(benchmark::State& state) {
    const std::string file = BigProject();
    TBookProject project;
    for (auto _ : state)
        project.OpenProject(file, false);
    state.counters["items"] = static_cast<double>(project.Story().AllItems().size());
}
BENCHMARK(BM_ProjectLoadAlone)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenProjectInWindow(benchmark::State& state) {
    const std::string file = BigProject();
    TfrmMain& w = Window();
    for (auto _ : state) {
        w.OpenProjectFile(file);
        QApplication::processEvents();
    }
    state.counters["items"] = static_cast<double>(w.Project().Story().AllItems().size());
}
BENCHMARK(BM_OpenProjectInWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FillStoryTree(benchmark::State& state) {
    TfrmMain& w = Window();
    if (!w.Project().IsOpen())
        w.OpenProjectFile(BigProject());
    for (auto _ : state) {
        state.PauseTiming();
        TCommandTable commands; // the tree's own, so that the window's stays as it is
        auto tree = std::make_unique<TframStoryTree>(w, commands);
        state.ResumeTiming();
        tree->SyncWithStory();
        benchmark::DoNotOptimize(tree->findChild<TStoryTreeView*>("tvProject")->topLevelItemCount());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FillStoryTree)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_IdlePassLastItemSelected(benchmark::State& state) {
    TfrmMain& w = Window();
    if (!w.Project().IsOpen())
        w.OpenProjectFile(BigProject());
    w.findChild<TframStoryTree*>("framStoryTree")->SelectItem(LastInTreeOrder(w.Project().Story()));
    for (auto _ : state)
        w.Commands().Update();
    state.counters["commands"] = w.Commands().Count();
}
BENCHMARK(BM_IdlePassLastItemSelected)->Unit(benchmark::kMicrosecond);

void BM_SelectBigChapter(benchmark::State& state) {
    TfrmMain& w = Window();
    if (!w.Project().IsOpen())
        w.OpenProjectFile(BigProject());
    TProjectItemInfo* big = w.Project().Story().Items(0);
    TProjectItemInfo* other = w.Project().Story().Items(1)->Items(0);
    TframStoryTree* tree = w.findChild<TframStoryTree*>("framStoryTree");
    for (auto _ : state) {
        state.PauseTiming();
        tree->SelectItem(other);
        state.ResumeTiming();
        tree->SelectItem(big); // the panel shows the chapter's 2,000 pages
    }
    state.counters["pages"] = big->Count();
}
BENCHMARK(BM_SelectBigChapter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    RegisterProtocolSchemes();
    QApplication app(argc, argv);
    SetProgramFolder(std::string(QUARVEL_BIN_DIR) + "/");
    SetRegistryFileName(Scratch().filePath(QStringLiteral("Quarvel.conf")).toStdString());
    SetDialogAnswerer([](TDialogRequest&) { return QMessageBox::No; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    WindowHolder().reset();
    return 0;
}
