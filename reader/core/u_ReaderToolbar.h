// The book's toolbar as the reader builds it: the buttons of the toolbar description
// "ToolButtons.xml" (u_ToolButtons) with the bookmarks of the bookmarks button, and the
// colour numbers of the toolbar options (u_Colors). Sizes, colours, captions and the logo are the toolbar
// options of "System.xml" (TToolbarOptions), which the description repeats.
//
// ToolbarLayout turns them into what a window draws: which items, in which order, each
// with its command, caption, picture and style, so that the windows only draw it.
#pragma once

#include "u_Colors.h"
#include "u_ReaderCommands.h"
#include "u_ToolButtons.h"

#include <cstdint>
#include <string>
#include <vector>

class TReaderBook;

enum class TToolItemKind {
    Command,   // a button running Command
    Separator,
    Bookmarks, // a drop-down of Bookmarks
    FontSize,  // a drop-down of the font sizes
};

struct TToolItem {
    TToolItemKind Kind = TToolItemKind::Separator;
    int ButtonKind = 0; // TToolButtonKind
    TReaderCommand Command = TReaderCommand::About;
    std::string Caption;      // with variables expanded
    std::string Picture;      // the picture's path in the system image; empty for a caption alone
    bool ShowCaption = false; // the caption is drawn (under the picture, or alone)
    std::vector<TToolbarBookmark> Bookmarks;
    bool Enabled = true; // a bookmarks drop-down without bookmarks is not
};

struct TToolbarLayout {
    bool Visible = false;
    bool Bottom = false;
    bool Flat = false;
    int ButtonWidth = 32, ButtonHeight = 32; // within 8..256
    int ImageWidth = 24, ImageHeight = 24;   // within 8..256
    // The book's colours; not used when they are the same (the captions would vanish).
    bool OwnColors = false;
    TColorNumber TextColor, BackColor;
    std::vector<TToolItem> Items;
    // The logo at the far end, with its hint and link (variables expanded).
    bool Logo = false;
    std::string LogoText, LogoLink;
};

// The command of a button kind; false for the kinds without one (separator,
// bookmarks, font size).
bool ToolButtonCommand(int Kind, TReaderCommand& Command);
// The toolbar of a book: none when the options place none or it would be empty.
TToolbarLayout ToolbarLayout(const TReaderBook& Book);
