#include "u_BookLayout.h"

const char* const BookResourceType = "RCDATA";
const char* const FilesResourceName = "FILES_MFS";
const char* const SystemResourceName = "SYSTEM_MFS";
const char* const IconResourceName = "MAINICON";
const char* const ReaderProgramName = "Pagelamp.exe";
const char* const StoreImageName = "info.mfs";

const char* const SystemXmlFile = "\\System.xml";
const char* const StoryXmlFile = "\\Story.xml";
const char* const ToolButtonsXmlFile = "\\ToolButtons.xml";
const char* const DecryptXmlFile = "\\Decrypt.xml";
const char* const VariablesXmlFile = "\\Variables.xml";
const char* const AdditionalPagesXmlFile = "\\AdditionalPages.xml";
const char* const SplashStartFile = "\\SplashS.bmp";
const char* const SplashEndFile = "\\SplashE.bmp";
const char* const LogoFile = "\\Logo.bmp";
const char* const EncryptXmlFile = "\\Encrypt.xml";
const char* const IconFile = "\\Icon.ico";

namespace SystemXml {
const char* const Root = "System";
const char* const Story = "Story";
const char* const ToolButtons = "ToolButtons";
const char* const Variables = "Variables";
const char* const Icon = "Icon";
const char* const Forms = "Forms";
const char* const Decrypt = "Decrypt";
const char* const Splash = "splash";
const char* const Toolbar = "toolbar";
const char* const IconValue = "Application.ico";
} // namespace SystemXml

namespace StoryXml {
const char* const Root = "Story";
const char* const Item = "item";
const char* const Page = "page";
const char* const PageName = "pagename";
const char* const Searchable = "searchable";
const char* const RightClick = "rightclick";
const char* const PasswordProtection = "passwordprotection";
} // namespace StoryXml

namespace DecryptXml {
const char* const Root = "Decrypt";
const char* const Method = "Method";
const char* const PasswordType = "PasswordType";
const char* const PasswordHash = "PasswordHash";
const char* const Info = "Info";
const char* const KeyInfo = "KeyInfo";
const char* const MethodPassword = "Password";
const char* const MethodUserPassword = "UserPassword";
const char* const TypeSimple = "Simple";
const char* const TypeSelected = "Selected";
} // namespace DecryptXml

const char* const BookFixedKey = "Tarnwickelo";
