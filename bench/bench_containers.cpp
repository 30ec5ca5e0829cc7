// Keyed operations of the dictionaries stay logarithmic in the number of entries:
// compare the per-operation times at 1 000, 10 000 and 100 000 entries.
#include "u_Dictionary.h"
#include "u_ObjectDictionary.h"
#include "u_RBTree.h"
#include "u_SpaceXMLParser.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> MakeKeys(int n) {
    std::vector<std::string> keys;
    keys.reserve(static_cast<size_t>(n));
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i)
        keys.push_back("Folder" + std::to_string(rng() % 1000) + "/Page_" + std::to_string(i) + ".html");
    return keys;
}

void BM_DictionaryLookup(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<int>(state.range(0)));
    TDictionary d(true, true);
    for (const auto& k : keys)
        d.Add(k, nullptr);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.Exists(keys[i]));
        i = (i + 7919) % keys.size();
    }
}
BENCHMARK(BM_DictionaryLookup)->Arg(1000)->Arg(10000)->Arg(100000);

void BM_DictionaryAddDelete(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<int>(state.range(0)));
    TStringToStringDictionary d(true, false);
    for (const auto& k : keys)
        d.SetString(k, "value");
    size_t i = 0;
    for (auto _ : state) {
        d.Delete(keys[i]);
        d.AddString(keys[i], "again");
        i = (i + 7919) % keys.size();
    }
}
BENCHMARK(BM_DictionaryAddDelete)->Arg(1000)->Arg(10000)->Arg(100000);

void BM_RBTreeInsertDelete(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TRBTree tree;
    for (int i = 0; i < n; ++i)
        tree.Add(i * 2, nullptr);
    int k = 0;
    for (auto _ : state) {
        tree.Add(k * 2 + 1, nullptr);
        tree.Delete(k * 2 + 1);
        k = (k + 7919) % n;
    }
}
BENCHMARK(BM_RBTreeInsertDelete)->Arg(1000)->Arg(100000);

void BM_XMLParse(benchmark::State& state) {
    std::string text = "<Project>\r\n";
    for (int i = 0; i < 5000; ++i)
        text += "  <Item Kind=2 Caption=\"Page " + std::to_string(i) + "\" File=\"page" + std::to_string(i) +
                ".html\" Visible=True/>\r\n";
    text += "</Project>\r\n";
    for (auto _ : state) {
        TXMLParser parser;
        parser.LoadFromString(text);
        benchmark::DoNotOptimize(parser.Root());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_XMLParse);

} // namespace

BENCHMARK_MAIN();
