#include "u_eBookCommon.h"

#include "u_BookCipher.h"

#include "u_CaseBlind.h"
#include "u_Exception.h"
#include "u_SpaceXMLParser.h"
#include "u_XMLValues.h"
#include "u_TextUtils.h"

#include <cstring>

namespace {
// Translatable texts.
const char* const SButtonCaptions[ToolButtonKindCount] = {
    "Separator", "Back", "Forward",   "First",  "Prior",     "Next",  "Last", "Prior Chapter", "Next Chapter",
    "About",     "Exit", "Font Size", "Search", "Bookmarks", "Print", "Copy", "Refresh",       "Home"};
const char* const SUnknownButton = "Unknown";

const char* const ButtonNames[ToolButtonKindCount] = {
    "Separator", "Back", "Forward",  "First",  "Prior",      "Next",  "Last", "PriorChapter", "NextChapter",
    "About",     "Exit", "FontSize", "Search", "Favourites", "Print", "Copy", "Refresh",      "Home"};

const char* const SplashIdents[] = {"vsNone", "vsPopUp", "vsSplash"};
const char* const PlacementIdents[] = {"tpTop", "tpBottom", "tpNoToolbar"};

// An identifier among Idents (ignoring case); unknown or empty texts give the first.
template <size_t N>
uint8_t IdentIndex(const std::string& text, const char* const (&idents)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (SameTextCaseBlind(text, idents[i]))
            return static_cast<uint8_t>(i);
    return 0;
}
} // namespace


const char* SplashTypeIdent(TSplashType Value) {
    return Value <= vsSplash ? SplashIdents[Value] : "";
}
const char* ToolbarPlacementIdent(TToolbarPlacement Value) {
    return Value <= tpNoToolbar ? PlacementIdents[Value] : "";
}

std::string ToolButtonCaption(int Kind) {
    if (Kind < 0 || Kind >= ToolButtonKindCount)
        return SUnknownButton;
    return SButtonCaptions[Kind];
}

std::string ToolButtonName(int Kind) {
    if (Kind < 0 || Kind >= ToolButtonKindCount)
        return "Unknown";
    return ButtonNames[Kind];
}

bool IsTextFile(const std::string& FileName) {
    static const char* const exts[] = {".HTM", ".HTML", ".JS", ".XML", ".INC", ".CSS"};
    for (const char* ext : exts) {
        size_t n = std::strlen(ext);
        if (FileName.size() >= n &&
            SameTextCaseBlind(std::string_view(FileName).substr(FileName.size() - n), ext))
            return true;
    }
    return false;
}

namespace {
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
} // namespace

std::string ReplaceTextIgnoreCase(const std::string& Text, std::string_view Pattern,
                                  std::string_view Replacement) {
    if (Pattern.empty() || Text.size() < Pattern.size())
        return Text;
    const char first = AsciiUpper(Pattern[0]);
    const char firstLower = (first >= 'A' && first <= 'Z') ? static_cast<char>(first + 32) : first;
    std::string result;
    size_t copied = 0;
    const size_t last = Text.size() - Pattern.size();
    for (size_t i = 0; i <= last;) {
        // Find the next possible start quickly; placeholders are rare in page text.
        const char* p = static_cast<const char*>(std::memchr(Text.data() + i, first, last - i + 1));
        if (first != firstLower) {
            const char* q = static_cast<const char*>(std::memchr(Text.data() + i, firstLower, last - i + 1));
            if (!p || (q && q < p))
                p = q;
        }
        if (!p)
            break;
        i = static_cast<size_t>(p - Text.data());
        size_t k = 1;
        while (k < Pattern.size() && AsciiUpper(Text[i + k]) == AsciiUpper(Pattern[k]))
            ++k;
        if (k == Pattern.size()) {
            result.append(Text, copied, i - copied);
            result.append(Replacement);
            i += Pattern.size();
            copied = i;
        } else {
            ++i;
        }
    }
    if (copied == 0)
        return Text;
    result.append(Text, copied, std::string::npos);
    return result;
}

const char* BoolAttr(bool Value) {
    return Value ? "True" : "False";
}

std::string TSplashOptions::GetAttributes() const {
    return Format("Interval=%d PopUpTextS=%s PopUpTextE=%s CloseOnClick=%s SplashTypeS=%s SplashTypeE=%s",
                  Interval, QuotedAttr(PopUpTextS), QuotedAttr(PopUpTextE), BoolAttr(CloseOnClick),
                  QuotedAttr(SplashTypeIdent(SplashTypeS)), QuotedAttr(SplashTypeIdent(SplashTypeE)));
}

std::string TToolbarOptions::GetAttributes() const {
    return Format("ToolbarPlacement=%s LogoDisplay=%s ToolbarTextColor=%d ToolbarBackColor=%d ToolbarBtnW=%d "
                  "ToolbarBtnH=%d ToolbarImgW=%d ToolbarImgH=%d ToolbarShowCaption=%s ToolbarFlat=%s "
                  "LogoLink=%s LogoText=%s ",
                  QuotedAttr(ToolbarPlacementIdent(ToolbarPlacement)), BoolAttr(LogoDisplay),
                  ToolbarTextColor, ToolbarBackColor, ToolbarBtnW, ToolbarBtnH, ToolbarImgW, ToolbarImgH,
                  BoolAttr(ToolbarShowCaption), BoolAttr(ToolbarFlat), QuotedAttr(LogoLink),
                  QuotedAttr(LogoText));
}

std::string TProjectOptions::GetAttributes() const {
    return Format("ApplicationTitle=%s MainFormCaption=%s OutputPath=%s DefaultOutput=%s "
                  "AllowRightClickContextMenu=%d ResizableWindow=%s Width=%d Height=%d Template=%s "
                  "RunMaximized=%s",
                  QuotedAttr(ApplicationTitle), QuotedAttr(MainFormCaption), QuotedAttr(OutputPath),
                  BoolAttr(DefaultOutput), static_cast<int>(AllowRightClickContextMenu),
                  BoolAttr(ResizableWindow), Width, Height, QuotedAttr(Template), BoolAttr(RunMaximized));
}

void ReadProjectOptions(TProjectOptions& Options, const TXMLNode* Node) {
    if (!Node)
        return;
    int32_t rc = XmlInt(Node, "AllowRightClickContextMenu", 2);
    if (rc >= 0 && rc <= 2)
        Options.AllowRightClickContextMenu = static_cast<uint8_t>(rc);
    Options.ApplicationTitle = XmlText(Node, "ApplicationTitle", "");
    Options.MainFormCaption = XmlText(Node, "MainFormCaption", "");
    Options.Height = XmlInt(Node, "Height", 600);
    Options.Width = XmlInt(Node, "Width", 800);
    Options.OutputPath = XmlText(Node, "OutputPath", "");
    Options.DefaultOutput = XmlBool(Node, "DefaultOutput", true);
    Options.ResizableWindow = XmlBool(Node, "ResizableWindow", true);
    Options.RunMaximized = XmlBool(Node, "RunMaximized", false);
    Options.Template = XmlText(Node, "Template", "None");
}

void ReadSplashOptions(TSplashOptions& Options, const TXMLNode* Node) {
    if (!Node)
        return;
    Options.PopUpTextS = XmlText(Node, "PopUpTextS", "");
    Options.PopUpTextE = XmlText(Node, "PopUpTextE", "");
    Options.SplashTypeS =
        static_cast<TSplashType>(IdentIndex(XmlText(Node, "SplashTypeS", ""), SplashIdents));
    Options.SplashTypeE =
        static_cast<TSplashType>(IdentIndex(XmlText(Node, "SplashTypeE", ""), SplashIdents));
    Options.Interval = XmlInt(Node, "Interval", 3);
    Options.CloseOnClick = XmlBool(Node, "CloseOnClick", false);
}

void ReadToolbarOptions(TToolbarOptions& Options, const TXMLNode* Node) {
    if (!Node)
        return;
    Options.ToolbarPlacement =
        static_cast<TToolbarPlacement>(IdentIndex(XmlText(Node, "ToolbarPlacement", ""), PlacementIdents));
    Options.LogoDisplay = XmlBool(Node, "LogoDisplay", false);
    Options.ToolbarTextColor = XmlInt(Node, "ToolbarTextColor", 0);
    Options.ToolbarBackColor = XmlInt(Node, "ToolbarBackColor", 0);
    Options.ToolbarBtnW = XmlInt(Node, "ToolbarBtnW", 32);
    Options.ToolbarBtnH = XmlInt(Node, "ToolbarBtnH", 32);
    Options.ToolbarImgW = XmlInt(Node, "ToolbarImgW", 24);
    Options.ToolbarImgH = XmlInt(Node, "ToolbarImgH", 24);
    Options.ToolbarShowCaption = XmlBool(Node, "ToolbarShowCaption", true);
    Options.ToolbarFlat = XmlBool(Node, "ToolbarFlat", false);
    Options.LogoLink = XmlText(Node, "LogoLink", "");
    Options.LogoText = XmlText(Node, "LogoText", "");
}

std::string TEpubOptions::GetAttributes() const {
    return "Language=" + QuotedAttr(Language) + " Cover=" + QuotedAttr(Cover) + " Identifier=" + QuotedAttr(Identifier);
}

void ReadEpubOptions(TEpubOptions& Options, const TXMLNode* Node) {
    Options.Language = XmlText(Node, "Language", "en");
    Options.Cover = XmlText(Node, "Cover", "");
    Options.Identifier = XmlText(Node, "Identifier", "");
}

namespace {
bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
} // namespace

std::string NewPublicationIdentifier() {
    // A random UUID in the lower-case form of URNs, without the braces of the GUID text.
    std::string uuid = NewGuidText().substr(1, 36);
    for (char& c : uuid)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return "urn:uuid:" + uuid;
}

bool IsLanguageTag(const std::string& Text) {
    size_t start = 0;
    bool first = true;
    while (true) {
        size_t end = Text.find('-', start);
        if (end == std::string::npos)
            end = Text.size();
        const std::string subtag = Text.substr(start, end - start);
        if (subtag.empty() || subtag.size() > 8)
            return false;
        for (char c : subtag)
            if (!IsAsciiAlpha(c) && !(c >= '0' && c <= '9'))
                return false;
        if (first) {
            const bool privateUse = subtag.size() == 1 && (SameTextAscii(subtag, "x") || SameTextAscii(subtag, "i"));
            if (!privateUse && (subtag.size() < 2 || subtag.size() > 3 || !IsAsciiAlpha(subtag[0]) ||
                                !IsAsciiAlpha(subtag[1]) || (subtag.size() == 3 && !IsAsciiAlpha(subtag[2]))))
                return false;
            first = false;
        }
        if (end == Text.size())
            return true;
        start = end + 1;
    }
}

std::string BuildEncryptXml(const std::string& Method, const std::string& Password,
                            const std::string& PasswordType, const std::vector<TSecurityUser>& Users) {
    std::string text = "<Encrypt Method=" + QuotedAttr(Method) + " Password=" + QuotedAttr(Password) +
                       " PasswordType=" + QuotedAttr(PasswordType) + ">\r\n";
    for (const TSecurityUser& u : Users)
        text += Format("\t<Info User=%s Password=%s/>\r\n", QuotedAttr(u.User), QuotedAttr(u.Password));
    text += "</Encrypt>\r\n";
    return text;
}

const char* SecurityMethodText(TSecurityMethod Method) {
    switch (Method) {
    case TSecurityMethod::smPassword:
        return "Password";
    case TSecurityMethod::smUserPassword:
        return "UserPassword";
    default:
        return "";
    }
}

const char* PasswordTypeText(TPasswordType Type) {
    return Type == TPasswordType::ptSelected ? "Selected" : "Simple";
}

std::string BuildEncryptXml(const TSecuritySettings& Settings) {
    return BuildEncryptXml(SecurityMethodText(Settings.Method), Settings.Password,
                           PasswordTypeText(Settings.PasswordType), Settings.Users);
}

void ReadEncryptXml(const std::string& Text, TSecuritySettings& Settings) {
    TXMLParser parser;
    parser.LoadFromString(Text);
    const TXMLNode* root = parser.Root();
    std::string method = XmlText(root, "Method", "");
    if (SameTextCaseBlind(method, "Password"))
        Settings.Method = TSecurityMethod::smPassword;
    else if (SameTextCaseBlind(method, "UserPassword"))
        Settings.Method = TSecurityMethod::smUserPassword;
    else
        Settings.Method = TSecurityMethod::smNone;
    Settings.Password = XmlText(root, "Password", "");
    std::string type = XmlText(root, "PasswordType", "Simple");
    if (SameTextCaseBlind(type, "Simple"))
        Settings.PasswordType = TPasswordType::ptSimple;
    else if (SameTextCaseBlind(type, "Selected"))
        Settings.PasswordType = TPasswordType::ptSelected;
    Settings.Users.clear();
    for (const TXMLNode* info : XmlChildren(root)) {
        if (!SameTextCaseBlind(XmlName(info), "Info"))
            continue;
        Settings.Users.push_back({XmlText(info, "User", ""), XmlText(info, "Password", "")});
    }
}
