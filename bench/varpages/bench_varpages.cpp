// The variables window's work on large projects: reading and writing a variables file,
// the project scan over many pages, and adding the missing names; and the additional
// pages list.
#include "u_ExtForms.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_VariablesTable.h"

#include <benchmark/benchmark.h>

namespace {

std::vector<TVariableRow> Rows(int Count) {
    std::vector<TVariableRow> rows;
    for (int i = 0; i < Count; ++i)
        rows.push_back(
            {"Variable" + std::to_string(i), "Value <" + std::to_string(i) + "> & more", i % 2 == 0});
    return rows;
}

void BM_VariablesFileRoundTrip(benchmark::State& state) {
    const std::vector<TVariableRow> rows = Rows(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TVariablesTable table;
        table.Load(VariablesFileText(rows));
        benchmark::DoNotOptimize(table.FileText());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VariablesFileRoundTrip)->Arg(100)->Arg(5000);

// Pages of about 20 KB, each referring to a few variables of a common set and one of its own.
void BM_ScanProject(benchmark::State& state) {
    TBookProject project;
    TMFSSession* files = project.FilesStore().Session();
    const std::string filler(20000, 'x');
    for (int i = 0; i < state.range(0); ++i) {
        files->ForceFolders("\\ch" + std::to_string(i % 20));
        files->CreateFile("\\ch" + std::to_string(i % 20) + "\\p" + std::to_string(i) + ".htm", 0, false)
            ->Content = "<h1>%{Title}</h1>" + filler + "%{Author} %{Page" + std::to_string(i) + "}";
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(CollectProjectReferences(project, "/nonexistent"));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 20040);
}
BENCHMARK(BM_ScanProject)->Arg(1000)->Unit(benchmark::kMillisecond);

// The scan's additions: every collected name is looked up among the rows.
void BM_AddMissingNames(benchmark::State& state) {
    const std::vector<TVariableRow> rows = Rows(static_cast<int>(state.range(0)));
    const std::string file = VariablesFileText(rows);
    std::vector<std::string> names;
    for (int i = 0; i < state.range(0); ++i)
        names.push_back(i % 2 ? "VARIABLE" + std::to_string(i) : "New" + std::to_string(i));
    for (auto _ : state) {
        TVariablesTable table;
        table.Load(file);
        for (const std::string& name : names)
            if (table.IsMissing(name))
                table.Insert(table.Count(), TVariableRow{name, "", true});
        benchmark::DoNotOptimize(table.Count());
    }
}
BENCHMARK(BM_AddMissingNames)->Arg(100)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_AdditionalPagesList(benchmark::State& state) {
    std::vector<TExtFormInfo> entries(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].Path = "\\AdditionalPages\\Page" + std::to_string(i) + ".htm";
        entries[i].Name = "Page " + std::to_string(i);
        entries[i].IsForm = i % 2 == 0;
    }
    for (auto _ : state) {
        std::vector<TExtFormInfo> back;
        ReadExtForms(BuildExtFormsXml(entries), back);
        benchmark::DoNotOptimize(back.size());
    }
}
BENCHMARK(BM_AdditionalPagesList)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
