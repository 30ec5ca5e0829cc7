// Options with any texts survive their attribute strings: written, parsed and read
// back they give the same attribute strings.
#include "u_SpaceXMLParser.h"
#include "u_eBookCommon.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
// The next piece of the input up to a 0x01 byte (NUL bytes dropped: files never hold them).
std::string Piece(const uint8_t*& p, const uint8_t* end) {
    std::string s;
    while (p < end && *p != 1) {
        if (*p)
            s += static_cast<char>(*p);
        ++p;
    }
    if (p < end)
        ++p;
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    TProjectOptions o;
    o.ApplicationTitle = Piece(p, end);
    o.MainFormCaption = Piece(p, end);
    o.OutputPath = Piece(p, end);
    o.Template = Piece(p, end);
    o.Splash().PopUpTextS = Piece(p, end);
    o.Toolbar().LogoLink = Piece(p, end);
    o.Toolbar().LogoText = Piece(p, end);
    std::string nums = Piece(p, end);
    if (nums.size() >= 4) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(nums[i]); };
        o.Width = static_cast<int32_t>(static_cast<uint32_t>(byte(0)) << 24 | byte(1));
        o.AllowRightClickContextMenu = static_cast<uint8_t>(byte(2) % 3);
        o.Splash().SplashTypeS = static_cast<TSplashType>(byte(3) % 3);
    }
    const std::string text = "<project " + o.GetAttributes() + ">\r\n  <splash " +
                             o.Splash().GetAttributes() + "/>\r\n  <toolbar " + o.Toolbar().GetAttributes() +
                             "/>\r\n</project>\r\n";
    TXMLParser parser;
    parser.LoadFromString(text);
    TProjectOptions r;
    ReadProjectOptions(r, parser.Root());
    ReadSplashOptions(r.Splash(), parser.Root()->Nodes.FindNode("splash"));
    ReadToolbarOptions(r.Toolbar(), parser.Root()->Nodes.FindNode("toolbar"));
    if (r.GetAttributes() != o.GetAttributes() || r.Splash().GetAttributes() != o.Splash().GetAttributes() ||
        r.Toolbar().GetAttributes() != o.Toolbar().GetAttributes())
        std::abort();
    return 0;
}
