// Every value the branding tool writes into a variables file reads back exactly as
// typed, whatever bytes it holds (references aside, which the table resolves).
#include "u_Branding.h"
#include "u_CaseBlind.h"
#include "u_Variables.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Input: name NUL value NUL name NUL value ...
    std::vector<TBrandingRow> rows;
    std::set<std::string, CaseBlindLess> names;
    std::string fields[2];
    int field = 0;
    auto flush = [&] {
        std::string& name = fields[0];
        std::string& value = fields[1];
        for (char& c : value)
            if (c == '%')
                c = '#'; // no references
        if (!name.empty() && names.insert(name).second)
            rows.push_back({name, value});
        name.clear();
        value.clear();
    };
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0') {
            if (field == 1)
                flush();
            field = 1 - field;
        } else {
            fields[field] += c;
        }
    }
    if (field == 1)
        flush();

    TBrandingBook book; // no book open: the file holds the rows only
    const std::string xml = book.BuildVariablesXml(rows);
    const TVariables table(xml, false);
    if (table.Count() != rows.size())
        std::abort();
    for (const TBrandingRow& row : rows)
        if (table.GetValue(row.Name) != row.Value)
            std::abort();
    return 0;
}
