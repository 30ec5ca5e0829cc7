// A variables file of any content either fails cleanly or gives a table whose values
// hold no reference to an existing variable, and expanding any text terminates.
#include "u_Variables.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        TVariables vars(text, size % 2 == 0);
        for (const std::string& name : vars.GetNames()) {
            const std::string& value = vars.GetValue(name);
            // Resolved values expand to themselves.
            if (vars.Expand(value) != value)
                std::abort();
        }
        std::vector<std::string> names;
        TVariables::CollectReferences(text, names);
        vars.Expand(text);
    } catch (const Exception&) {
    }
    return 0;
}
