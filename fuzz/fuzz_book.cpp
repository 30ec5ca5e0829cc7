// Book files from outside: toolbar files, security settings, the book's own security
// description and toolbar description, and enciphered data read by the compiler and by
// every reader of books must fail cleanly, never crash.
#include "u_Book.h"
#include "u_Compile.h"
#include "u_Exception.h"
#include "u_ToolButtons.h"
#include "u_eBookCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 6) {
        case 0: {
            const auto buttons = ReadToolbarXml(text, false);
            (void)BuildToolButtonsText(buttons, TToolbarOptions());
            (void)BuildToolbarXml(buttons);
            break;
        }
        case 1: {
            std::string plain;
            (void)DecryptData(text, "key", true, plain);
            (void)DecryptData(text, "key", false, plain);
            break;
        }
        case 2:
            (void)BuildBookSecurity(text);
            break;
        case 3:
            (void)ReadDecryptXml(text);
            break;
        case 4:
            (void)ReadToolButtons(text);
            break;
        default: {
            std::string key;
            (void)BookKeyFromUserRecord(text, "user", "password", key);
            break;
        }
        }
    } catch (const Exception&) {
    }
    return 0;
}
