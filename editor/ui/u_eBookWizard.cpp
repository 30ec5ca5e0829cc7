#include "u_eBookWizard.h"

#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_HostFiles.h"
#include "u_Project.h"
#include "u_SpaceXMLParser.h"
#include "u_Templates.h"
#include "u_XMLValues.h"

#include <algorithm>
#include <cctype>

const char* const SWizardStepNotValid = "Not all options has been properly set";
const char* const StepValueFromTemplate = "FromTemplate";

const std::vector<std::string>& WizardStepClassNames() {
    static const std::vector<std::string> names = {
        "TframWizGeneral",        "TframWizFolder",        "TframWizTemplate", "TframWizGeneralOptions",
        "TframWizToolbarOptions", "TframWizSecurityType", "TframWizSplash",   "TframWizFinish"};
    return names;
}

int StepIndexOf(std::string_view ClassName) {
    const std::vector<std::string>& names = WizardStepClassNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == ClassName)
            return static_cast<int>(i);
    return -1;
}

int ClampStepIndex(int Index) {
    return std::clamp(Index, 0, WizardLastStep);
}

int RouteStepNextOffset(bool FromFolder, int OwnIndex) {
    return StepIndexOf(FromFolder ? "TframWizFolder" : "TframWizTemplate") - OwnIndex;
}

int SourceStepNextOffset(int OwnIndex) {
    return std::max(StepIndexOf("TframWizFolder"), StepIndexOf("TframWizTemplate")) - OwnIndex + 1;
}

TWizardButtonStates WizardButtonStates(int StepIndex, bool HistoryEmpty, bool StepValid) {
    TWizardButtonStates states;
    states.Back = !HistoryEmpty;
    states.Next = StepIndex < WizardLastStep && StepValid;
    states.Finish = StepValid;
    return states;
}

int TWizardStepHistory::Pop() {
    if (FItems.empty())
        return -1;
    const int index = FItems.back();
    FItems.pop_back();
    return index;
}

std::string BoolStepText(bool Value) {
    return Value ? "-1" : "0";
}

bool TryReadBoolText(const std::string& Text, bool& Value) {
    if (SameTextCaseBlind(Text, "True")) {
        Value = true;
        return true;
    }
    if (SameTextCaseBlind(Text, "False")) {
        Value = false;
        return true;
    }
    size_t i = 0;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+'))
        ++i;
    if (i == Text.size())
        return false;
    bool nonZero = false;
    for (; i < Text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(Text[i])))
            return false;
        nonZero = nonZero || Text[i] != '0';
    }
    Value = nonZero;
    return true;
}

std::vector<std::string> TemplateListEntries(const TTemplates& Templates) {
    std::vector<std::string> entries{SNoTemplateTitle};
    for (int i = 0; i < Templates.Count(); ++i)
        entries.push_back(Templates.Items(i)->Caption);
    return entries;
}

int TemplateListIndex(const std::vector<std::string>& Entries, const std::string& Template) {
    for (size_t i = 0; i < Entries.size(); ++i)
        if (SameTextCaseBlind(Entries[i], Template))
            return static_cast<int>(i);
    return 0;
}

int RightClickListIndex(uint8_t AllowRightClickContextMenu) {
    return AllowRightClickContextMenu <= 2 ? AllowRightClickContextMenu : 2;
}

uint8_t RightClickFromListIndex(int Index) {
    return Index == 0 ? 0 : Index == 1 ? 1 : 2;
}

void ResetSplashToDefault(TBookProject& Project, const std::string& DataFolder) {
    const std::string folder = HostJoin(DataFolder, "DefaultProject");
    TXMLParser parser;
    parser.LoadFromFile(HostJoin(folder, "DefaultProject.ebp"));
    TSplashOptions splash = Project.Options().Splash();
    ReadSplashOptions(splash, XmlFindChild(parser.Root(), "splash"));
    const std::string starting = ReadFileText(HostJoin(folder, "DefaultProject.system/SplashS.bmp"));
    const std::string ending = ReadFileText(HostJoin(folder, "DefaultProject.system/SplashE.bmp"));

    Project.Options().Splash() = splash;
    Project.SetSystemFile(SplashStartFile, starting);
    Project.SetSystemFile(SplashEndFile, ending);
    // The splash options changed too, whatever the pictures did.
    Project.SetModified();
}
