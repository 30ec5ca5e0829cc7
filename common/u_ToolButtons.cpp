#include "u_ToolButtons.h"

#include "u_CaseBlind.h"
#include "u_XMLValues.h"
#include "u_MFS.h"
#include "u_SpaceXMLParser.h"
#include "u_eBookCommon.h"

const char* const ToolbarFileName = "\\Toolbar.xml";
const char* const ToolbarButtonsFolder = "\\Toolbar.buttons";

namespace {
std::string Num(int32_t Value) {
    return std::to_string(Value);
}

// The bookmark lines of a Favourites button; the designer's file and the book's
// description write them alike, at their own indentation.
std::string BookmarkItemsXml(const std::vector<TToolbarBookmark>& Bookmarks, const char* Indent) {
    std::string text;
    for (const TToolbarBookmark& bookmark : Bookmarks)
        text += std::string(Indent) + "<item caption=" + QuotedAttr(bookmark.Caption) +
                " url=" + QuotedAttr(bookmark.URL) + " NewWindow=" + BoolAttr(bookmark.NewWindow) + "/>\r\n";
    return text;
}
} // namespace

std::vector<TToolbarButton> ReadToolbarXml(const std::string& Text, bool NewWindowDefault) {
    std::vector<TToolbarButton> buttons;
    TXMLDocument doc(Text);
    for (const TXMLNode* node : XmlChildren(doc.Root())) {
        TToolbarButton button;
        button.Caption = XmlText(node, "caption", "");
        // The kind is kept as an 8-bit value, so a missing kind (-1) reads as 255.
        button.Kind = static_cast<uint8_t>(XmlInt(node, "kind", -1));
        button.Image = XmlText(node, "Image", "");
        for (const TXMLNode* item : XmlChildren(node)) {
            TToolbarBookmark bookmark;
            bookmark.Caption = XmlText(item, "caption", "Description");
            bookmark.URL = XmlText(item, "url", "URL");
            bookmark.NewWindow = XmlBool(item, "NewWindow", NewWindowDefault);
            button.Bookmarks.push_back(std::move(bookmark));
        }
        buttons.push_back(std::move(button));
    }
    return buttons;
}

std::string BuildToolbarXml(const std::vector<TToolbarButton>& Buttons) {
    std::string text = "<toolbar>\r\n";
    for (const TToolbarButton& button : Buttons) {
        text += "  <button caption=" + QuotedAttr(button.Caption) + " kind=" + Num(button.Kind);
        if (!button.Image.empty())
            text += " Image=" + QuotedAttr(button.Image);
        if (button.Kind == tbkFavourites) {
            text += ">\r\n";
            text += BookmarkItemsXml(button.Bookmarks, "    ");
            text += "  </button>\r\n";
        } else {
            text += "/>\r\n";
        }
    }
    text += "</toolbar>\r\n";
    return text;
}

std::string ToolbarPicturePath(int Position, const std::string& Ext) {
    return std::string(ToolbarButtonsFolder) + "\\" + std::to_string(Position) + "." + Ext;
}

void SaveToolbarToStore(TMFS& SystemStore, std::vector<TToolbarButton>& Buttons,
                        const std::vector<TToolbarPicture>& Pictures) {
    TMFSSession* session = SystemStore.Session();
    TMFSFolder* folder = session->ForceFolders(ToolbarButtonsFolder);
    folder->Clear();
    for (size_t n = 0; n < Buttons.size(); ++n) {
        Buttons[n].Image.clear();
        if (n >= Pictures.size() || Pictures[n].Ext.empty())
            continue;
        Buttons[n].Image = ToolbarPicturePath(static_cast<int>(n), Pictures[n].Ext);
        session->CreateFile(Buttons[n].Image, 0, true)->Content = Pictures[n].Data;
    }
    session->CreateFile(ToolbarFileName, 0, true)->Content = BuildToolbarXml(Buttons);
}

std::string BuildToolButtonsText(const std::vector<TToolbarButton>& Buttons, const TToolbarOptions& Options) {
    // The separators are the book format's own: "\r\r" between the first four
    // attributes, after the logo link and after the ">", CR LF elsewhere.
    std::string text = "<ToolBar\r\n ButtonWidth=" + Num(Options.ToolbarBtnW) + "\r\r" +
                       " ButtonHeight=" + Num(Options.ToolbarBtnH) + "\r\r" +
                       " ImageWidth=" + Num(Options.ToolbarImgW) + "\r\r" +
                       " ImageHeight=" + Num(Options.ToolbarImgH) + "\r\r" +
                       " FontFaceColor=" + Num(Options.ToolbarTextColor) + "\r\n" +
                       " BackGroundColor=" + Num(Options.ToolbarBackColor) + "\r\n" +
                       " Flat=" + BoolAttr(Options.ToolbarFlat) + "\r\n" +
                       " ShowCaptions=" + BoolAttr(Options.ToolbarShowCaption) + "\r\n" +
                       " LogoDisplay=" + BoolAttr(Options.LogoDisplay) + "\r\n" +
                       " LogoLink=" + QuotedAttr(Options.LogoLink) + "\r\r" +
                       " LogoText=" + QuotedAttr(Options.LogoText) + ">\r\r" + "  <Images>\r\n";
    // Every button with a picture is listed, separators included, once per button.
    for (const TToolbarButton& button : Buttons)
        if (!button.Image.empty())
            text +=
                "    <Img Name=" + QuotedAttr(button.Image) + " Path=" + QuotedAttr(button.Image) + "/>\r\n";
    text += "  </Images>\r\n  <Buttons>\r\n";
    for (const TToolbarButton& button : Buttons) {
        if (button.Kind == tbkSeparator) {
            text += "    <Btn Kind=\"0\" Caption=\"-\"/>\r\n";
            continue;
        }
        const std::string name = ToolButtonName(button.Kind);
        text += "    <Btn Kind=\"" + Num(button.Kind) + "\" Name=\"tbtn" + name +
                "\" Caption=" + QuotedAttr(button.Caption) + " Image=" + QuotedAttr(button.Image) +
                " OnClick=\"tbtn" + name + "Click\"";
        if (button.Kind == tbkFavourites) {
            text += ">\r\n";
            text += BookmarkItemsXml(button.Bookmarks, "      ");
            text += "    </Btn>\r\n";
        } else {
            text += "/>\r\n";
        }
    }
    text += "  </Buttons>\r\n</ToolBar>\r\n";
    return text;
}

std::string BuildToolButtonsXml(TMFS& SystemStore, const TToolbarOptions& Options, TMFS& SystemImage) {
    // A project without a toolbar file has no buttons (the file is not created here).
    TMFSSession* system = SystemStore.Session();
    const std::string toolbar =
        system->Exists(ToolbarFileName) ? system->OpenFile(ToolbarFileName)->Content : "";
    const std::vector<TToolbarButton> buttons = ReadToolbarXml(toolbar, false);
    TMFSSession* image = SystemImage.Session();
    // Folder names ignore letter case: this is the same folder as "\Toolbar.buttons".
    if (!image->FolderExists("\\ToolBar.buttons\\"))
        image->ForceFolders("\\ToolBar.buttons");
    for (const TToolbarButton& button : buttons) {
        if (button.Image.empty())
            continue;
        const std::string& content = SystemStore.Session()->OpenFile(button.Image)->Content;
        image->CreateFile(button.Image, 0, true)->Content = content;
    }
    return BuildToolButtonsText(buttons, Options);
}

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
