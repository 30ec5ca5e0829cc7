#include "u_ReaderToolbar.h"

#include "u_BookLayout.h"
#include "u_ReaderBook.h"
#include "u_eBookCommon.h"

#include <algorithm>

bool ToolButtonCommand(int Kind, TReaderCommand& Command) {
    using C = TReaderCommand;
    switch (Kind) {
    case tbkBack: Command = C::Back; return true;
    case tbkForward: Command = C::Forward; return true;
    case tbkFirst: Command = C::First; return true;
    case tbkPrior: Command = C::Prior; return true;
    case tbkNext: Command = C::Next; return true;
    case tbkLast: Command = C::Last; return true;
    case tbkPriorChapter: Command = C::PriorChapter; return true;
    case tbkNextChapter: Command = C::NextChapter; return true;
    case tbkAbout: Command = C::About; return true;
    case tbkExit: Command = C::Exit; return true;
    case tbkSearch: Command = C::Search; return true;
    case tbkPrint: Command = C::Print; return true;
    case tbkCopy: Command = C::Copy; return true;
    case tbkRefresh: Command = C::Refresh; return true;
    case tbkHome: Command = C::Home; return true;
    default: return false;
    }
}

TToolbarLayout ToolbarLayout(const TReaderBook& Book) {
    const TToolbarOptions& options = Book.Options().Toolbar();
    TToolbarLayout layout;
    layout.Bottom = options.ToolbarPlacement == tpBottom;
    layout.Flat = options.ToolbarFlat;
    layout.ButtonWidth = std::clamp(options.ToolbarBtnW, 8, 256);
    layout.ButtonHeight = std::clamp(options.ToolbarBtnH, 8, 256);
    layout.ImageWidth = std::clamp(options.ToolbarImgW, 8, 256);
    layout.ImageHeight = std::clamp(options.ToolbarImgH, 8, 256);
    layout.OwnColors = options.ToolbarTextColor != options.ToolbarBackColor;
    layout.TextColor = DecodeColor(options.ToolbarTextColor);
    layout.BackColor = DecodeColor(options.ToolbarBackColor);
    layout.Logo = options.LogoDisplay && !Book.SystemFile(LogoFile).empty();
    if (layout.Logo) {
        layout.LogoText = Book.Expand(options.LogoText);
        layout.LogoLink = Book.Expand(options.LogoLink);
    }
    for (const TToolbarButton& button : Book.ToolButtons()) {
        TToolItem item;
        item.ButtonKind = button.Kind;
        if (button.Kind == tbkSeparator) {
            // No separator at the start or twice in a row.
            if (layout.Items.empty() || layout.Items.back().Kind == TToolItemKind::Separator)
                continue;
            layout.Items.push_back(item);
            continue;
        }
        if (button.Kind == tbkFavourites) {
            item.Kind = TToolItemKind::Bookmarks;
            item.Bookmarks = button.Bookmarks;
            for (TToolbarBookmark& mark : item.Bookmarks) {
                mark.Caption = Book.Expand(mark.Caption);
                mark.URL = Book.Expand(mark.URL);
            }
            item.Enabled = !item.Bookmarks.empty();
        } else if (button.Kind == tbkFontSize) {
            item.Kind = TToolItemKind::FontSize;
        } else if (ToolButtonCommand(button.Kind, item.Command)) {
            item.Kind = TToolItemKind::Command;
        } else {
            continue; // a kind this reader does not know
        }
        item.Caption = button.Caption.empty() ? ToolButtonCaption(button.Kind) : Book.Expand(button.Caption);
        if (!button.Image.empty() && Book.HasSystemFile(button.Image))
            item.Picture = button.Image;
        item.ShowCaption = item.Picture.empty() || options.ToolbarShowCaption;
        layout.Items.push_back(std::move(item));
    }
    while (!layout.Items.empty() && layout.Items.back().Kind == TToolItemKind::Separator)
        layout.Items.pop_back();
    layout.Visible = options.ToolbarPlacement != tpNoToolbar && (!layout.Items.empty() || layout.Logo);
    return layout;
}
