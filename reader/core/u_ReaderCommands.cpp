#include "u_ReaderCommands.h"

#include "u_CaseBlind.h"
#include "u_ReaderSession.h"

namespace {

using C = TReaderCommand;
using M = TReaderMenu;
using namespace ReaderKey;

std::vector<TReaderCommandInfo> MakeTable() {
    return {
        {C::Search, "actSearch", "&Search...", M::Book, false, false, {{'F', kmCtrl}}},
        {C::Print, "actPrint", "&Print...", M::Book, true, false, {{'P', kmCtrl}}},
        {C::PrintPdf, "actPrintPdf", "Print to P&DF...", M::Book, false, false, {{'P', kmCtrl | kmShift}}},
        {C::Copy, "actCopy", "&Copy", M::Book, true, false, {{'C', kmCtrl}}},
        {C::SelectAll, "actSelectAll", "Select &All", M::Book, false, false, {{'A', kmCtrl}}},
        {C::About, "actAbout", "&About...", M::Book, true, false, {{F1, 0}}},
        {C::Exit, "actExit", "E&xit", M::Book, false, false, {{'Q', kmCtrl}}},
        {C::Back, "actBack", "&Back", M::Go, false, false, {{Left, kmAlt}}},
        {C::Forward, "actForward", "&Forward", M::Go, false, false, {{Right, kmAlt}}},
        {C::Home, "actHome", "&Home", M::Go, false, false, {{Home, kmAlt}}},
        {C::First, "actFirst", "F&irst Page", M::Go, true, false, {{Home, kmCtrl}}},
        {C::Prior, "actPrior", "&Prior Page", M::Go, false, false, {{Left, kmCtrl}, {PageUp, kmCtrl}}},
        {C::Next, "actNext", "&Next Page", M::Go, false, false, {{Right, kmCtrl}, {PageDown, kmCtrl}}},
        {C::Last, "actLast", "&Last Page", M::Go, false, false, {{End, kmCtrl}}},
        {C::PriorChapter, "actPriorChapter", "Prior &Chapter", M::Go, true, false, {{Up, kmCtrl}}},
        {C::NextChapter, "actNextChapter", "Next C&hapter", M::Go, false, false, {{Down, kmCtrl}}},
        {C::Contents, "actContents", "&Contents", M::View, false, true, {{F9, 0}}},
        {C::FontSize0, "actFontSize0", "Smallest", M::FontSize, false, true, {}},
        {C::FontSize1, "actFontSize1", "Smaller", M::FontSize, false, true, {}},
        {C::FontSize2, "actFontSize2", "Medium", M::FontSize, false, true, {{'0', kmCtrl}}},
        {C::FontSize3, "actFontSize3", "Larger", M::FontSize, false, true, {}},
        {C::FontSize4, "actFontSize4", "Largest", M::FontSize, false, true, {}},
        {C::Larger, "actLarger", "&Larger Text", M::FontSize, true, false, {{Plus, kmCtrl}, {Add, kmCtrl}}},
        {C::Smaller, "actSmaller", "S&maller Text", M::FontSize, false, false,
         {{Minus, kmCtrl}, {Subtract, kmCtrl}}},
        {C::Refresh, "actRefresh", "&Refresh", M::View, true, false, {{F5, 0}}},
    };
}

// A story command leads somewhere other than the page shown now.
bool StoryCommandEnabled(TStoryCommand Command, const TReaderSession& Session) {
    const std::string target = Session.StoryTarget(Command);
    return !target.empty() && !SameTextCaseBlind(target, Session.CurrentPath());
}

} // namespace

const std::vector<TReaderCommandInfo>& ReaderCommands() {
    static const std::vector<TReaderCommandInfo> table = MakeTable();
    return table;
}

const TReaderCommandInfo& CommandInfo(TReaderCommand Command) {
    for (const TReaderCommandInfo& info : ReaderCommands())
        if (info.Command == Command)
            return info;
    return ReaderCommands().front();
}

std::string ShortcutText(const TReaderShortcut& Shortcut) {
    std::string text;
    if (Shortcut.Modifiers & kmCtrl)
        text += "Ctrl+";
    if (Shortcut.Modifiers & kmShift)
        text += "Shift+";
    if (Shortcut.Modifiers & kmAlt)
        text += "Alt+";
    switch (Shortcut.Key) {
    case Back: return text + "Backspace";
    case PageUp: return text + "PgUp";
    case PageDown: return text + "PgDown";
    case End: return text + "End";
    case Home: return text + "Home";
    case Left: return text + "Left";
    case Up: return text + "Up";
    case Right: return text + "Right";
    case Down: return text + "Down";
    case Add:
    case Plus: return text + "+";
    case Subtract:
    case Minus: return text + "-";
    default: break;
    }
    if (Shortcut.Key >= F1 && Shortcut.Key < F1 + 24)
        return text + "F" + std::to_string(Shortcut.Key - F1 + 1);
    return text + char(Shortcut.Key);
}

std::string PlainCaption(std::string_view Caption) {
    std::string text;
    for (size_t i = 0; i < Caption.size(); ++i) {
        if (Caption[i] == '&' && i + 1 < Caption.size())
            ++i; // "&&" keeps one "&"
        text += Caption[i];
    }
    return text;
}

int FontSizeOf(TReaderCommand Command) {
    const int n = int(Command) - int(C::FontSize0);
    return n >= 0 && n <= 4 ? n : -1;
}

bool CommandEnabled(TReaderCommand Command, const TReaderSession& Session, const TReaderViewState& View) {
    const bool shown = !Session.Current().empty();
    switch (Command) {
    case C::Back: return Session.CanBack();
    case C::Forward: return Session.CanForward();
    case C::Home: return StoryCommandEnabled(TStoryCommand::Home, Session);
    case C::First: return StoryCommandEnabled(TStoryCommand::First, Session);
    case C::Prior: return StoryCommandEnabled(TStoryCommand::Prior, Session);
    case C::Next: return StoryCommandEnabled(TStoryCommand::Next, Session);
    case C::Last: return StoryCommandEnabled(TStoryCommand::Last, Session);
    case C::PriorChapter: return StoryCommandEnabled(TStoryCommand::PriorChapter, Session);
    case C::NextChapter: return StoryCommandEnabled(TStoryCommand::NextChapter, Session);
    case C::Search: return !Session.Book().Locked() && Session.Book().Story().Count() > 0;
    case C::Print:
    case C::PrintPdf: return shown && !View.Printing;
    case C::Copy: return View.HasSelection;
    case C::SelectAll:
    case C::Refresh: return shown;
    case C::Larger: return View.FontSize < 4;
    case C::Smaller: return View.FontSize > 0;
    default: return true; // About, Exit, Contents, the font sizes
    }
}

bool CommandChecked(TReaderCommand Command, const TReaderViewState& View) {
    if (Command == C::Contents)
        return View.ContentsVisible;
    const int size = FontSizeOf(Command);
    return size >= 0 && size == View.FontSize;
}
