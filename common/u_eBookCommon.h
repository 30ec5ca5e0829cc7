// Book options: the options of the compiled book's window and behaviour, their
// attribute strings (the one text form, used by the project file and by the book's
// system description), and reading them back from parsed XML. Also the enumerations
// other units use by name, the toolbar button kinds, the text-file test and the
// project's security settings file "Encrypt.xml".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TXMLNode;

enum TSplashType : uint8_t { vsNone = 0, vsPopUp = 1, vsSplash = 2 };
enum TToolbarPlacement : uint8_t { tpTop = 0, tpBottom = 1, tpNoToolbar = 2 };
enum TToolButtonKind : uint8_t {
    tbkSeparator = 0,
    tbkBack,
    tbkForward,
    tbkFirst,
    tbkPrior,
    tbkNext,
    tbkLast,
    tbkPriorChapter,
    tbkNextChapter,
    tbkAbout,
    tbkExit,
    tbkFontSize,
    tbkSearch,
    tbkFavourites,
    tbkPrint,
    tbkCopy,
    tbkRefresh,
    tbkHome
};
constexpr int ToolButtonKindCount = 18;

// Identifiers as written in the files ("vsPopUp", "tpBottom").
const char* SplashTypeIdent(TSplashType Value);
const char* ToolbarPlacementIdent(TToolbarPlacement Value);

// Caption shown to the author ("Prior Chapter", "Bookmarks") and name used in
// toolbar descriptions ("PriorChapter", "Favourites"); "Unknown" above the last kind.
std::string ToolButtonCaption(int Kind);
std::string ToolButtonName(int Kind);

// True for names ending in .HTM, .HTML, .JS, .XML, .INC or .CSS (letter case ignored).
bool IsTextFile(const std::string& FileName);

// Every occurrence of Pattern (ASCII letters compared ignoring case) replaced by
// Replacement in one left-to-right pass; inserted text is not searched again.
std::string ReplaceTextIgnoreCase(const std::string& Text, std::string_view Pattern,
                                  std::string_view Replacement);

// True or False.
const char* BoolAttr(bool Value);

class TSplashOptions {
public:
    std::string PopUpTextS = "Starting pop-up text...";
    std::string PopUpTextE = "Ending pop-up text...";
    TSplashType SplashTypeS = vsNone;
    TSplashType SplashTypeE = vsNone;
    int32_t Interval = 3;
    bool CloseOnClick = false;

    std::string GetAttributes() const;
};

class TToolbarOptions {
public:
    TToolbarPlacement ToolbarPlacement = tpTop;
    bool LogoDisplay = false;
    int32_t ToolbarTextColor = 0;
    int32_t ToolbarBackColor = 0;
    int32_t ToolbarBtnW = 32;
    int32_t ToolbarBtnH = 32;
    int32_t ToolbarImgW = 24;
    int32_t ToolbarImgH = 24;
    bool ToolbarShowCaption = false;
    bool ToolbarFlat = false;
    std::string LogoLink;
    std::string LogoText;

    // Ends in one blank.
    std::string GetAttributes() const;
};

// How the book is published as EPUB: the language of its text (a language tag), the
// cover picture (a path of the files store, empty for none) and the publication's
// identifier ("urn:uuid:" and a UUID, made once and kept, so that every export of the
// project is the same publication; empty until one is made).
class TEpubOptions {
public:
    std::string Language = "en";
    std::string Cover;
    std::string Identifier;

    // "Language=%s Cover=%s Identifier=%s", each a quoted text.
    std::string GetAttributes() const;
    // All three as on creation.
    bool IsDefault() const { return Language == "en" && Cover.empty() && Identifier.empty(); }
    bool operator==(const TEpubOptions&) const = default;
};

class TProjectOptions {
public:
    TProjectOptions() = default;
    TProjectOptions(const TProjectOptions&) = delete;
    TProjectOptions& operator=(const TProjectOptions&) = delete;

    // 0 allowed, 1 not allowed, 2 decided per page.
    uint8_t AllowRightClickContextMenu = 1;
    std::string ApplicationTitle;
    std::string MainFormCaption;
    int32_t Height = 600;
    int32_t Width = 800;
    std::string OutputPath;
    bool DefaultOutput = true;
    bool ResizableWindow = true;
    bool RunMaximized = false;
    std::string Template;

    TSplashOptions& Splash() { return FSplash; }
    const TSplashOptions& Splash() const { return FSplash; }
    TToolbarOptions& Toolbar() { return FToolbar; }
    const TToolbarOptions& Toolbar() const { return FToolbar; }
    TEpubOptions& Epub() { return FEpub; }
    const TEpubOptions& Epub() const { return FEpub; }

    // The project options only (not the splash and toolbar ones).
    std::string GetAttributes() const;

private:
    TSplashOptions FSplash;
    TToolbarOptions FToolbar;
    TEpubOptions FEpub;
};

// Read the fields from a parsed element's attributes, with the defaults for missing
// attributes; a value that cannot be converted raises the conversion error.
void ReadProjectOptions(TProjectOptions& Options, const TXMLNode* Node);
void ReadSplashOptions(TSplashOptions& Options, const TXMLNode* Node); // no node: unchanged
void ReadToolbarOptions(TToolbarOptions& Options, const TXMLNode* Node);
// No node: the creation defaults (a project without them has never chosen any).
void ReadEpubOptions(TEpubOptions& Options, const TXMLNode* Node);

// A new identifier for a publication: "urn:uuid:" and a random (version 4) UUID in
// lower-case hexadecimal digits.
std::string NewPublicationIdentifier();

// Whether Text is a well-formed language tag ("en", "de-CH", "zh-Hant-TW", "x-klingon"):
// subtags of letters and digits, 1 to 8 characters each, joined by hyphens, the first of
// 2 to 3 letters (or "x", "i" for private and grandfathered tags).
bool IsLanguageTag(const std::string& Text);

// Security settings, the file "Encrypt.xml" at the root of the system store.
enum class TSecurityMethod : uint8_t { smNone, smPassword, smUserPassword };
enum class TPasswordType : uint8_t { ptSimple, ptSelected };

struct TSecurityUser {
    std::string User;
    std::string Password;
};

// The text of the file. Method is "", "Password" or "UserPassword"; PasswordType is
// "Simple" or "Selected" (written as given).
std::string BuildEncryptXml(const std::string& Method, const std::string& Password,
                            const std::string& PasswordType, const std::vector<TSecurityUser>& Users);

struct TSecuritySettings {
    TSecurityMethod Method = TSecurityMethod::smNone;
    std::string Password;
    TPasswordType PasswordType = TPasswordType::ptSimple;
    std::vector<TSecurityUser> Users;
};

const char* SecurityMethodText(TSecurityMethod Method); // "", "Password", "UserPassword"
const char* PasswordTypeText(TPasswordType Type);       // "Simple", "Selected"
std::string BuildEncryptXml(const TSecuritySettings& Settings);

// Reads the file's text back into Settings. The method and password type are compared
// ignoring case; an unknown method means no security; an unknown password type leaves
// Settings.PasswordType as it was. An empty text reads as no security. XML errors pass
// through.
void ReadEncryptXml(const std::string& Text, TSecuritySettings& Settings);
