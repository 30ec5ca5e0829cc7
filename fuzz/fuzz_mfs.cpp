// Images and cabinets are outside data: loading any bytes either succeeds or raises
// the unit's own errors, and whatever loads writes back an image that loads again to
// the same tree.
#include "u_MFS.h"
#include "u_MFSCab.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

static void CheckLoaded(TMFS& mfs) {
    const std::string image = mfs.SaveToString();
    TMFS again;
    again.LoadFromString(image);
    if (again.SaveToString() != image)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    TMFS mfs;
    try {
        switch (data[0] % 3) {
        case 0: // the bytes as they come (signature and checksum rarely right)
            mfs.LoadFromString(bytes);
            break;
        case 1: // the bytes as the record of a correctly signed image
            mfs.LoadFromString("MFS" + MFSChecksumText(bytes) + std::string(bytes));
            break;
        default: // the bytes as a cabinet holding a store
            UnpackStore(mfs, bytes);
            break;
        }
    } catch (const EMFSError&) {
        return 0;
    } catch (const EMFSCabError&) {
        return 0;
    }
    CheckLoaded(mfs);
    return 0;
}
