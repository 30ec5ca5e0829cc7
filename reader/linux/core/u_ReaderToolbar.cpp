#include "u_ReaderToolbar.h"

#include "u_CaseBlind.h"
#include "u_CompileXML.h"

std::vector<TToolbarButton> ReadToolButtons(const std::string& Xml) {
    std::vector<TToolbarButton> buttons;
    TXMLDocument doc(Xml);
    for (const TXMLNode* part : XmlChildren(doc.Root())) {
        if (!SameTextCaseBlind(XmlName(part), "Buttons"))
            continue;
        for (const TXMLNode* btn : XmlChildren(part)) {
            TToolbarButton button;
            button.Kind = static_cast<uint8_t>(XmlInt(btn, "Kind", -1));
            button.Caption = XmlText(btn, "Caption", "");
            button.Image = XmlText(btn, "Image", "");
            for (const TXMLNode* item : XmlChildren(btn))
                button.Bookmarks.push_back(
                    {XmlText(item, "caption", ""), XmlText(item, "url", ""), XmlBool(item, "NewWindow", false)});
            buttons.push_back(std::move(button));
        }
    }
    return buttons;
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
