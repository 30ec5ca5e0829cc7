#include "u_AdditionalPages.h"

#include "u_CaseBlind.h"
#include "u_SpaceXMLParser.h"
#include "u_eBookCommon.h"

namespace {

// A text as the list can hold it: the file format ends a text at a zero byte, so a
// text read from a damaged list that holds one is written up to it.
std::string ListText(const std::string& Text) {
    return QuotedAttr(Text.substr(0, Text.find('\0')));
}

TExtFormInfo ReadEntry(const TXMLNode& Node) {
    const TXMLAttributes& a = Node.Attributes;
    TExtFormInfo entry;
    entry.IsForm = SameTextCaseBlind(Node.Name, "Form");
    entry.Path = a.GetString("Path", "");
    entry.Name = a.GetString("Name", "");
    entry.Caption = a.GetString("Caption", "");
    entry.Width = a.GetInteger("Width", 400);
    entry.Height = a.GetInteger("Height", 300);
    entry.Center = a.GetBoolean("Center", true);
    entry.Sizeable = a.GetBoolean("Sizeable", false);
    entry.ScrollBars = !a.GetBoolean("HideScrollBar", true);
    entry.SystemMenu = a.GetBoolean("SystemMenu", true);
    entry.Maximize = a.GetBoolean("Maximize", true);
    entry.Minimize = a.GetBoolean("Minimize", true);
    return entry;
}

} // namespace

bool ReadExtForms(const std::string& XmlText, std::vector<TExtFormInfo>& Entries) {
    return ReadRootChildren(XmlText,
                            [&Entries](const TXMLNode& Node) { Entries.push_back(ReadEntry(Node)); });
}

std::string BuildExtFormsXml(const std::vector<TExtFormInfo>& Entries) {
    std::string xml = "<AdditionalPages>\r\n";
    for (const TExtFormInfo& e : Entries) {
        if (!e.IsForm) {
            xml += "<Page Path=" + ListText(e.Path) + " Name=" + ListText(e.Name) + "/>";
            continue;
        }
        xml += "<Form Path=" + ListText(e.Path) + " Name=" + ListText(e.Name) +
               " Caption=" + ListText(e.Caption) + " Center=" + BoolAttr(e.Center) +
               " HideScrollBar=" + BoolAttr(!e.ScrollBars) + " Width=" + std::to_string(e.Width) +
               " Height=" + std::to_string(e.Height) + " Sizeable=" + BoolAttr(e.Sizeable) +
               " SystemMenu=" + BoolAttr(e.SystemMenu) + " Maximize=" + BoolAttr(e.Maximize) +
               " Minimize=" + BoolAttr(e.Minimize) + "/>";
    }
    return xml + "</AdditionalPages>";
}

bool IsExtFormTextAllowed(std::string_view Text) {
    return Text.find('"') == std::string_view::npos;
}
