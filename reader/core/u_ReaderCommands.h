// The reader's commands, in one table both readers build their menus and keys from:
// each command's caption (with its "&" mnemonic), its shortcuts, its place in the
// menus, and the one rule that says whether it can run now, a function over the
// reading session and what the window knows of its view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TReaderSession;

enum class TReaderCommand {
    Search,
    Print,
    PrintPdf,
    Copy,
    SelectAll,
    About,
    Exit,
    Back,
    Forward,
    Home,
    First,
    Prior,
    Next,
    Last,
    PriorChapter,
    NextChapter,
    Contents,
    FontSize0, // Smallest ... FontSize4 Largest, in order
    FontSize1,
    FontSize2,
    FontSize3,
    FontSize4,
    Larger,
    Smaller,
    Refresh,
};
constexpr int ReaderCommandCount = int(TReaderCommand::Refresh) + 1;

// Keys as the Windows virtual-key codes name them (the Linux reader maps them onto its own).
namespace ReaderKey {
constexpr unsigned Back = 0x08, PageUp = 0x21, PageDown = 0x22, End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26,
                   Right = 0x27, Down = 0x28, Add = 0x6B, Subtract = 0x6D, F1 = 0x70, F5 = 0x74, F9 = 0x78,
                   Plus = 0xBB, Minus = 0xBD; // the main keyboard's "=+" and "-_" keys
} // namespace ReaderKey

enum TKeyModifier : unsigned { kmCtrl = 1, kmShift = 2, kmAlt = 4 };

struct TReaderShortcut {
    unsigned Key = 0;       // a ReaderKey code, or an upper-case letter or digit
    unsigned Modifiers = 0; // TKeyModifier bits
};

// The menus of the main window, in order.
enum class TReaderMenu { Book, Go, View, FontSize };

struct TReaderCommandInfo {
    TReaderCommand Command;
    const char* Name;    // "actBack": the name of the command's action or menu item
    const char* Caption; // with "&" before the mnemonic
    TReaderMenu Menu;
    bool SeparatorBefore; // a separator above it in its menu
    bool Checkable;
    std::vector<TReaderShortcut> Shortcuts; // the first is the one the menu shows
};

// Every command, in menu order (menu by menu).
const std::vector<TReaderCommandInfo>& ReaderCommands();
const TReaderCommandInfo& CommandInfo(TReaderCommand Command);
// "Ctrl+Left", "Alt+Home", "F5": a shortcut as a menu shows it.
std::string ShortcutText(const TReaderShortcut& Shortcut);
// The caption without its mnemonic mark ("F&irst Page" gives "First Page").
std::string PlainCaption(std::string_view Caption);

// What the window tells the rules about its view.
struct TReaderViewState {
    bool HasSelection = false;
    bool Printing = false;
    int FontSize = 2; // 0 smallest ... 4 largest
    bool ContentsVisible = false;
};

// Whether Command can run now.
bool CommandEnabled(TReaderCommand Command, const TReaderSession& Session, const TReaderViewState& View);
// Whether a checkable command shows its check mark (the contents panel, the font size).
bool CommandChecked(TReaderCommand Command, const TReaderViewState& View);
// The font size a FontSizeN command stands for, -1 for other commands.
int FontSizeOf(TReaderCommand Command);
