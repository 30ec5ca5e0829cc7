// Writes the case mapping tables of the kit's one case-blind comparison (u_CaseBlind)
// from ICU: simple case folding, lower case and upper case of every code point. Run by
// the build; the tables are what every platform uses, so that letter case is ignored
// alike on Linux and on Windows, where there is no ICU.
//
// The tables are two-stage: for each block of 256 code points an index into a pool of
// distinct blocks, each holding the 256 differences (mapped minus original).
#include <unicode/uchar.h>
#include <unicode/uclean.h>
#include <unicode/uversion.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t CodePoints = 0x110000;
constexpr uint32_t BlockSize = 256;
constexpr uint32_t Blocks = CodePoints / BlockSize;

using TBlock = std::vector<int32_t>;

struct TPool {
    std::vector<TBlock> Blocks;
    std::map<TBlock, uint16_t> Index;
    uint16_t Add(const TBlock& block) {
        const auto found = Index.find(block);
        if (found != Index.end())
            return found->second;
        Blocks.push_back(block);
        return Index[block] = static_cast<uint16_t>(Blocks.size() - 1);
    }
};

template <typename Map>
std::vector<uint16_t> Table(TPool& pool, Map map) {
    std::vector<uint16_t> index;
    for (uint32_t b = 0; b < Blocks; ++b) {
        TBlock block(BlockSize);
        for (uint32_t i = 0; i < BlockSize; ++i) {
            const UChar32 cp = static_cast<UChar32>(b * BlockSize + i);
            block[i] = static_cast<int32_t>(map(cp)) - cp;
        }
        index.push_back(pool.Add(block));
    }
    return index;
}

void WriteIndex(FILE* out, const char* name, const std::vector<uint16_t>& index) {
    std::fprintf(out, "static const uint16_t %s[%u] = {", name, Blocks);
    for (size_t i = 0; i < index.size(); ++i)
        std::fprintf(out, "%s%u,", i % 24 == 0 ? "\n    " : "", index[i]);
    std::fprintf(out, "\n};\n\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_casetables OUTPUT.inc\n");
        return 2;
    }
    TPool pool;
    pool.Add(TBlock(BlockSize, 0)); // block 0: nothing changes
    const auto fold = Table(pool, [](UChar32 c) { return u_foldCase(c, U_FOLD_CASE_DEFAULT); });
    const auto lower = Table(pool, [](UChar32 c) { return u_tolower(c); });
    const auto upper = Table(pool, [](UChar32 c) { return u_toupper(c); });

    const std::string temporary = std::string(argv[1]) + ".tmp";
    FILE* out = std::fopen(temporary.c_str(), "w");
    if (!out)
        return 1;
    UVersionInfo version;
    u_getUnicodeVersion(version);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(version, text);
    std::fprintf(out, "// Case mapping tables of Unicode %s, written by make_casetables from ICU %s.\n\n", text,
                 U_ICU_VERSION);
    std::fprintf(out, "static const char* const CaseTablesUnicodeVersion = \"%s\";\n\n", text);
    std::fprintf(out, "static const int32_t CaseBlocks[%zu][%u] = {\n", pool.Blocks.size(), BlockSize);
    for (const TBlock& block : pool.Blocks) {
        std::fprintf(out, "    {");
        for (uint32_t i = 0; i < BlockSize; ++i)
            std::fprintf(out, "%s%d,", i % 16 == 0 ? "\n        " : "", block[i]);
        std::fprintf(out, "\n    },\n");
    }
    std::fprintf(out, "};\n\n");
    WriteIndex(out, "FoldIndex", fold);
    WriteIndex(out, "LowerIndex", lower);
    WriteIndex(out, "UpperIndex", upper);
    const bool written = std::fclose(out) == 0;
    u_cleanup();
    return written && std::rename(temporary.c_str(), argv[1]) == 0 ? 0 : 1;
}
