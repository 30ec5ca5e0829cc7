// The rules of the new-book wizard and of the project options dialog, apart from their
// windows: the table of the eight step classes with the routing between them, the
// wizard's named values and step history, and the operations of the option pages on
// the project (security file, splash reset, stored pictures, template list, colours).
// The windows (frm_Wizard, frm_ProjectOptions, fram_Wiz*) call these.
#pragma once

#include "u_Colors.h"
#include "u_BookLayout.h"
#include "u_Dictionary.h"
#include "u_Exception.h"
#include "u_HTML.h"
#include "u_eBookCommon.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TBookProject;
class TTemplates;

class EWizardError : public Exception {
public:
    using Exception::Exception;
};

extern const char* const SWizardStepNotValid; // "Not all options has been properly set"

// What a step frame asks of the wizard that shows it.
class IWizardStepOwner {
public:
    virtual ~IWizardStepOwner() = default;
    // The step's input changed: the wizard re-evaluates its buttons.
    virtual void StepChanged() = 0;
    // Stores a named text in the wizard (added or replaced).
    virtual void SetStepValue(const std::string& Name, const std::string& Value) = 0;
    // The named text, empty when none is stored.
    virtual std::string GetStepValue(const std::string& Name) = 0;
};

// The step table: the classes of the eight steps at their fixed indexes.
constexpr int WizardStepCount = 8;
constexpr int WizardLastStep = WizardStepCount - 1;
const std::vector<std::string>& WizardStepClassNames();
// The index of a step class by its name, or -1.
int StepIndexOf(std::string_view ClassName);
// An index clamped to the table (0..7).
int ClampStepIndex(int Index);

// Routing. The route step goes to the folder step or to the template step; both of
// these go on to the step after the later of the two; every other step goes to the next.
int RouteStepNextOffset(bool FromFolder, int OwnIndex);
int SourceStepNextOffset(int OwnIndex);

// The wizard's buttons for the shown step.
struct TWizardButtonStates {
    bool Back = false;
    bool Next = false;
    bool Finish = false;
};
TWizardButtonStates WizardButtonStates(int StepIndex, bool HistoryEmpty, bool StepValid);

// Named texts the steps leave for each other: keys compared ignoring letter case and
// listed in key order.
class TWizardStepValues {
public:
    TWizardStepValues() : FValues(true, true) {}
    void Set(const std::string& Name, const std::string& Value) { FValues.SetString(Name, Value); }
    std::string Get(const std::string& Name) const { return FValues.GetStringDef(Name, ""); }
    void Clear() { FValues.Clear(); }
    int Count() const { return FValues.Count(); }
    std::vector<std::string> Names() const { return FValues.Keys(); }

private:
    TStringToStringDictionary FValues;
};

// The steps shown before the current one, one pushed per Next.
class TWizardStepHistory {
public:
    void Push(int Index) { FItems.push_back(Index); }
    // The last pushed index; -1 when empty.
    int Pop();
    bool Empty() const { return FItems.empty(); }
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<int> FItems;
};

// The value names the steps use.
extern const char* const StepValueFromTemplate; // "FromTemplate"

// A Boolean as the wizard stores it: "-1" for true, "0" for false.
std::string BoolStepText(bool Value);
// Reads "True"/"False" (letter case ignored) or a whole number (0 false, any other
// true); false when the text is neither.
bool TryReadBoolText(const std::string& Text, bool& Value);

// The entries of the default-template list: "None", then the templates' captions in
// list order; and the entry to choose for a Template option (case-blind, else "None").
std::vector<std::string> TemplateListEntries(const TTemplates& Templates);
int TemplateListIndex(const std::vector<std::string>& Entries, const std::string& Template);

// The right-click list ("Allow", "Don't allow", "Custom") and the option it stands for.
int RightClickListIndex(uint8_t AllowRightClickContextMenu);
uint8_t RightClickFromListIndex(int Index);

// The splash options and pictures of the default project in DataFolder (the program
// folder or the user's data folder: "DefaultProject\DefaultProject.ebp" with its
// element "splash", and "SplashS.bmp", "SplashE.bmp" of its ".system" folder) put into
// the project, which is marked modified. Everything is read before anything changes, so
// a missing file leaves the project as it was. (The names of the system files are those
// of u_eBookCommon.)
void ResetSplashToDefault(TBookProject& Project, const std::string& DataFolder);

// Colour numbers of the platform (TColor): a plain RGB value with red in the low byte,
// or a system colour (the index in the low byte with the high byte set).
constexpr TColor clWindowText = SystemColor(8); // the system's window text colour
constexpr TColor clBtnFace = SystemColor(15);   // the system's button face colour
inline TColor ColorFromRgb(int Red, int Green, int Blue) {
    return static_cast<TColor>((Red & 0xFF) | (Green & 0xFF) << 8 | (Blue & 0xFF) << 16);
}

// The limits of the option pages.
constexpr int WindowWidthMin = 100, WindowWidthMax = 1600, WindowHeightMin = 100, WindowHeightMax = 1200;
constexpr int DefaultWindowWidth = 800, DefaultWindowHeight = 600;
constexpr int ToolbarSizeMin = 16, ToolbarSizeMax = 48;
constexpr int DefaultToolbarButtonSize = 32, DefaultToolbarImageSize = 24;
constexpr int SplashSecondsMin = 1, SplashSecondsMax = 10;
