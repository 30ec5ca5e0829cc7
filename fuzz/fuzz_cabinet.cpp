// Cabinets are outside data: the cabinet reader decodes any bytes either into members
// of exactly the size their entries claim or into one of its failures, never reading
// outside the bytes given. Members that claim more than a few megabytes are skipped, so
// that a run stays quick.
#include "u_CabReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TCabTable table = ReadCabTable(bytes);
    if (!table.IsCabinet)
        return 0;
    for (const TCabEntry& entry : table.Entries) {
        if (entry.Size > (8u << 20))
            continue;
        std::string content;
        if (DecodeCabMember(bytes, table, entry, content) == TCabDecodeResult::Ok && content.size() != entry.Size)
            std::abort();
    }
    return 0;
}
