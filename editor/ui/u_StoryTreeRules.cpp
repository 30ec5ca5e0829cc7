#include "u_StoryTreeRules.h"

#include "u_CaseBlind.h"

#include <set>

namespace {

int Depth(const TProjectItemInfo* Item) {
    int depth = 0;
    for (const TProjectItemInfo* p = Item->Parent(); p; p = p->Parent())
        ++depth;
    return depth;
}

// Calls Visit for every item at or below the given ones (a shared branch once).
template <class F>
void ForEachItemBelow(const std::vector<TProjectItemInfo*>& Items, F Visit) {
    std::set<const TProjectItemInfo*> seen;
    std::vector<const TProjectItemInfo*> stack;
    for (auto it = Items.rbegin(); it != Items.rend(); ++it)
        if (*it)
            stack.push_back(*it);
    while (!stack.empty()) {
        const TProjectItemInfo* item = stack.back();
        stack.pop_back();
        if (!seen.insert(item).second)
            continue;
        Visit(item);
        const auto& children = item->Children();
        for (auto c = children.rbegin(); c != children.rend(); ++c)
            stack.push_back(c->get());
    }
}

} // namespace

std::array<TTriState, 4> PageFlagStates(const std::vector<TProjectItemInfo*>& Selected) {
    std::array<int, 4> set{};
    int pages = 0;
    ForEachItemBelow(Selected, [&](const TProjectItemInfo* item) {
        if (!item->IsPage())
            return;
        ++pages;
        for (int f = 0; f < 4; ++f)
            set[f] += item->Flag(static_cast<TItemFlag>(f)) ? 1 : 0;
    });
    std::array<TTriState, 4> states{};
    for (int f = 0; f < 4; ++f)
        states[f] = set[f] == 0 ? TTriState::Unchecked : set[f] == pages ? TTriState::Checked : TTriState::Grayed;
    return states;
}

TInsertChapterCase InsertChapterCase(const TProjectItemInfo* Selected) {
    if (!Selected)
        return TInsertChapterCase::AddTopLevel;
    return Selected->IsPage() ? TInsertChapterCase::InsertBeforePage : TInsertChapterCase::ChooseForChapter;
}

TProjectItemInfo* LastInTreeOrder(const TStory& Story) {
    if (Story.Empty())
        return nullptr;
    TProjectItemInfo* item = Story.Items(Story.Count() - 1);
    while (item->Count() > 0)
        item = item->Items(item->Count() - 1);
    return item;
}

bool MoveUpEnabled(const TStory& Story, const TProjectItemInfo* Selected) {
    return Selected && !Story.Empty() && Selected != Story.Items(0);
}

bool MoveDownEnabled(const TStory& Story, const TProjectItemInfo* Selected) {
    return Selected && Selected != LastInTreeOrder(Story);
}

TFlagEntryState RightClickEntryState(uint8_t AllowRightClickMode, const TProjectItemInfo* Selected) {
    switch (AllowRightClickMode) {
    case 0:
        return {false, true};
    case 1:
        return {false, false};
    default:
        return FlagEntryState(Selected, ifRightClick);
    }
}

TFlagEntryState FlagEntryState(const TProjectItemInfo* Selected, TItemFlag Flag) {
    if (!Selected)
        return {false, false};
    return {true, Selected->Flag(Flag)};
}

bool DragPositionAccepted(const TProjectItemInfo* Dragged, const TProjectItemInfo* Target, bool FromTree) {
    if (!Target)
        return true;
    return FromTree && Dragged && !Target->IsWithin(Dragged);
}

bool HoverExpands(const TProjectItemInfo* Dragged, const TProjectItemInfo* Hover) {
    return Hover && Hover->IsChapter() && !(Dragged && Hover->IsWithin(Dragged));
}

TDropPlacement DropPlacement(TProjectItemInfo* Dragged, TProjectItemInfo* Target, bool Ctrl) {
    TDropPlacement result;
    if (!Dragged || (Target && Target->IsWithin(Dragged))) {
        result.Refused = true;
        return result;
    }
    if (!Target)
        return result; // the last top-level item
    if (Target->IsChapter() && !Ctrl) {
        result.Place.Parent = Target;
        return result;
    }
    // Bring both to one level, then up until they are siblings.
    TProjectItemInfo* a = Dragged;
    TProjectItemInfo* b = Target;
    int da = Depth(a), db = Depth(b);
    for (; da > db; --da)
        a = a->Parent();
    for (; db > da; --db)
        b = b->Parent();
    while (a->Parent() != b->Parent()) {
        a = a->Parent();
        b = b->Parent();
    }
    result.Place.Parent = Target->Parent();
    if (a != b && a->Index() < b->Index()) {
        result.Place.Before = Target->NextSibling();
        result.Collapse = Target;
    } else {
        result.Place.Before = Target;
    }
    return result;
}

std::vector<std::string> PagesOfItems(const std::vector<TProjectItemInfo*>& Items) {
    std::vector<std::string> pages;
    std::set<std::string, CaseBlindLess> seen;
    ForEachItemBelow(Items, [&](const TProjectItemInfo* item) {
        if (item->IsPage() && !item->Page.empty() && seen.insert(item->Page).second)
            pages.push_back(item->Page);
    });
    return pages;
}
