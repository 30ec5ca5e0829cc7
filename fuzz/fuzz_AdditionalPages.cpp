// A list of additional pages of any content (it comes from books too) reads without
// failing, as far as it can; what was read writes back into a list that reads back
// the same.
#include "u_AdditionalPages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The texts as the list can hold them: up to a zero byte.
TExtFormInfo AsWritten(TExtFormInfo Entry) {
    for (std::string* text : {&Entry.Path, &Entry.Name, &Entry.Caption})
        text->resize(std::min(text->size(), text->find('\0')));
    return Entry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<TExtFormInfo> entries;
    ReadExtForms(text, entries);
    std::vector<TExtFormInfo> again;
    if (!ReadExtForms(BuildExtFormsXml(entries), again) || again.size() != entries.size())
        std::abort();
    for (size_t i = 0; i < entries.size(); ++i) {
        const TExtFormInfo written = AsWritten(entries[i]);
        // A page keeps only its path and name.
        if (again[i].Path != written.Path || again[i].Name != written.Name || again[i].IsForm != written.IsForm ||
            (written.IsForm && !(again[i] == written)))
            std::abort();
    }
    return 0;
}
