// The page editor on a 1 MB page with 50 editable parts: CollectParts alone, the
// window's LoadParts, the save of one changed part (written and read again), and the
// preview text. The
// engine's own page loads are not part of the figures (no event loop runs).
#include "frm_Edit.h"
#include "u_EditorCore.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_WebEngineProtocol.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// About 1 MB of page text: 50 parts, each between paragraphs of fixed text.
std::string LargePage() {
    std::string page = "<html><head><title>Large</title></head><body>\r\n";
    const std::string paragraph =
        "<p>Fixed text of the page that the author does not edit, with <b>markup</b>.</p>\r\n";
    for (int part = 0; part < 50; ++part) {
        for (int i = 0; i < 200; ++i)
            page += paragraph;
        page += "<div><PAGE NAME=\"Part " + std::to_string(part) + "\">";
        for (int i = 0; i < 60; ++i)
            page += "<p>Editable text of the part, <i>with</i> some markup.</p>\r\n";
        page += "</PAGE></div>\r\n";
    }
    return page + "</body></html>\r\n";
}

TEditorCore& Core() {
    static TEditorCore core;
    static const bool opened = [] {
        core.Project().NewProject();
        core.Project().FilesStore().Session()->CreateFile("\\Large.htm", 0, true)->Content = LargePage();
        return true;
    }();
    (void)opened;
    return core;
}

void BM_CollectParts(benchmark::State& State) {
    TMFS& store = Core().Project().FilesStore();
    for (auto _ : State) {
        TPageDescriptions parts;
        CollectParts("\\Large.htm", *store.Session(), parts);
        benchmark::DoNotOptimize(parts.data());
    }
    State.counters["bytes"] = static_cast<double>(store.Session()->OpenFile("\\Large.htm")->Content.size());
}
BENCHMARK(BM_CollectParts)->Unit(benchmark::kMillisecond);

void BM_LoadParts(benchmark::State& State) {
    TfrmEdit editor(Core());
    editor.SetPagePath("\\Large.htm");
    editor.LoadParts(); // the font list is filled once
    for (auto _ : State)
        editor.LoadParts();
    State.counters["parts"] = static_cast<double>(editor.PageParts().size());
}
BENCHMARK(BM_LoadParts)->Unit(benchmark::kMillisecond);

void BM_SaveChangesAfterOneChange(benchmark::State& State) {
    // What the window's save does with one changed part: the part written into its
    // page, the parts read again.
    TBookProject& project = Core().Project();
    TPageDescriptions parts;
    CollectParts("\\Large.htm", *project.FilesStore().NewSession(), parts);
    int round = 0;
    for (auto _ : State) {
        State.PauseTiming();
        TPageDescription& part = parts[25];
        part.Html = "<p>Changed " + std::to_string(++round) + "</p>";
        part.Changed = true;
        State.ResumeTiming();
        WriteChangedParts(project, parts);
        parts.clear();
        CollectParts("\\Large.htm", *project.FilesStore().NewSession(), parts);
    }
}
BENCHMARK(BM_SaveChangesAfterOneChange)->Unit(benchmark::kMillisecond);

void BM_PreviewText(benchmark::State& State) {
    TfrmEdit editor(Core());
    editor.SetPagePath("\\Large.htm");
    editor.LoadParts();
    const std::string url = "\\Large.htm?PREVIEW?EDITING_FORM=" + std::to_string(editor.Number());
    for (auto _ : State)
        benchmark::DoNotOptimize(Core().ProjectProtocol()->ReadData(url));
}
BENCHMARK(BM_PreviewText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    RegisterProtocolSchemes();
    SetProgramFolder(std::string(QUARVEL_BIN_DIR) + "/");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    SetRegistryFileName(settings.filePath(QStringLiteral("Quarvel.conf")).toStdString());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
