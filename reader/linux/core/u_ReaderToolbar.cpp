#include "u_ReaderToolbar.h"

#include "u_CaseBlind.h"
#include "u_CompileXML.h"

#include <algorithm>

namespace {

int32_t PixelSize(const TXMLNode* node, const char* name, int32_t fallback) {
    return std::clamp(XmlInt(node, name, fallback), 8, 256);
}

} // namespace

TReaderToolbar ReadToolButtons(const std::string& Xml) {
    TReaderToolbar toolbar;
    TXMLDocument doc(Xml);
    const TXMLNode* root = doc.Root();
    toolbar.ButtonWidth = PixelSize(root, "ButtonWidth", 32);
    toolbar.ButtonHeight = PixelSize(root, "ButtonHeight", 32);
    toolbar.ImageWidth = PixelSize(root, "ImageWidth", 24);
    toolbar.ImageHeight = PixelSize(root, "ImageHeight", 24);
    toolbar.FontFaceColor = XmlInt(root, "FontFaceColor", 0);
    toolbar.BackGroundColor = XmlInt(root, "BackGroundColor", 0);
    toolbar.Flat = XmlBool(root, "Flat", false);
    toolbar.ShowCaptions = XmlBool(root, "ShowCaptions", true);
    toolbar.LogoDisplay = XmlBool(root, "LogoDisplay", false);
    toolbar.LogoLink = XmlText(root, "LogoLink", "");
    toolbar.LogoText = XmlText(root, "LogoText", "");
    for (const TXMLNode* part : XmlChildren(root)) {
        if (!SameTextCaseBlind(XmlName(part), "Buttons"))
            continue;
        for (const TXMLNode* btn : XmlChildren(part)) {
            TReaderToolButton button;
            button.Kind = static_cast<uint8_t>(XmlInt(btn, "Kind", -1));
            button.Caption = XmlText(btn, "Caption", "");
            button.Image = XmlText(btn, "Image", "");
            for (const TXMLNode* item : XmlChildren(btn))
                button.Bookmarks.push_back(
                    {XmlText(item, "caption", ""), XmlText(item, "url", ""), XmlBool(item, "NewWindow", false)});
            toolbar.Buttons.push_back(std::move(button));
        }
    }
    return toolbar;
}

TReaderColor DecodeColor(int32_t Value) {
    TReaderColor color;
    const auto bits = static_cast<uint32_t>(Value);
    if (Value < 0) {
        color.IsSystem = true;
        color.SystemIndex = static_cast<int>(bits & 0xFF);
        return color;
    }
    color.Red = static_cast<uint8_t>(bits & 0xFF);
    color.Green = static_cast<uint8_t>((bits >> 8) & 0xFF);
    color.Blue = static_cast<uint8_t>((bits >> 16) & 0xFF);
    return color;
}
