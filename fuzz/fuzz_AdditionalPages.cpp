// A list of additional pages of any content (it comes from books too) reads without
// failing, as far as it can; what was read writes back into a list that reads back
// the same.
#include "u_AdditionalPages.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<TExtFormInfo> entries;
    ReadExtForms(text, entries);
    std::vector<TExtFormInfo> again;
    if (!ReadExtForms(BuildExtFormsXml(entries), again) || again.size() != entries.size())
        std::abort();
    for (size_t i = 0; i < entries.size(); ++i) {
        // A page keeps only its path and name.
        if (again[i].Path != entries[i].Path || again[i].Name != entries[i].Name ||
            again[i].IsForm != entries[i].IsForm || (entries[i].IsForm && !(again[i] == entries[i])))
            std::abort();
    }
    return 0;
}
