// The rules of the story tree and of the page properties panel, as plain functions over
// the story: where a dragged item lands, which drag positions are accepted, what the
// properties panel's three-state boxes show, which case of Insert Chapter applies, and
// the enabling of Move Up / Move Down and of the flag entries of the tree menu. The
// tree widget calls these; the tests call them directly.
#pragma once

#include "u_Project.h"
#include "u_Templates.h"

#include <array>
#include <cstdint>
#include <vector>

// A check box that may show "some of them".
enum class TTriState : uint8_t { Unchecked, Checked, Grayed };

// What each of the four flags shows over the pages among Selected and below the
// selected chapters (at any depth; a page reached twice counts once): unchecked when
// none has it (also when there is no page), checked when all have it, grayed otherwise.
// Indexed by TItemFlag.
std::array<TTriState, 4> PageFlagStates(const std::vector<TProjectItemInfo*>& Selected);

// The three cases of Insert Chapter.
enum class TInsertChapterCase : uint8_t {
    AddTopLevel,      // nothing selected: a new last top-level chapter
    InsertBeforePage, // a page selected: a chapter directly before it
    ChooseForChapter, // a chapter selected: the user chooses a sub chapter or a chapter before it
};
TInsertChapterCase InsertChapterCase(const TProjectItemInfo* Selected);

// Tree order counts every item, expanded or not: the first item is the first
// top-level item, the last one the deepest last descendant of the last top-level item.
// Both take O(depth).
TProjectItemInfo* LastInTreeOrder(const TStory& Story);
// Move Up: an item is selected and it is not the first item of the tree.
bool MoveUpEnabled(const TStory& Story, const TProjectItemInfo* Selected);
// Move Down: an item is selected and it is not the last item of the tree.
bool MoveDownEnabled(const TStory& Story, const TProjectItemInfo* Selected);

// A flag entry of the tree menu: enabled and checked.
struct TFlagEntryState {
    bool Enabled = false;
    bool Checked = false;
};
// Allow Right Click follows the book option AllowRightClickContextMenu: 0 disabled and
// checked, 1 disabled and unchecked, 2 enabled while an item is selected and checked as
// its own flag.
TFlagEntryState RightClickEntryState(uint8_t AllowRightClickMode, const TProjectItemInfo* Selected);
// The other three flag entries: enabled while an item is selected, checked as its flag.
TFlagEntryState FlagEntryState(const TProjectItemInfo* Selected, TItemFlag Flag);

// Dragging inside the story tree. A position is accepted when there is no item under
// the mouse, or when the drag comes from the tree itself, an item is being dragged and
// the item under the mouse is neither that item nor below it.
bool DragPositionAccepted(const TProjectItemInfo* Dragged, const TProjectItemInfo* Target, bool FromTree);
// The hover timer expands the chapter under the mouse only when it is neither the
// dragged item nor below it.
bool HoverExpands(const TProjectItemInfo* Dragged, const TProjectItemInfo* Hover);

// Where a dropped item goes.
struct TDropPlacement {
    bool Refused = false;                  // the drop changes nothing
    TStoryPlace Place;                     // the dragged item's new place
    TProjectItemInfo* Collapse = nullptr;  // an item the tree collapses afterwards
};
// The drop rule: no target makes the dragged item the last top-level item; a chapter
// (without Ctrl) its last child. A page, or a chapter with Ctrl: the dragged item and
// the target are brought to a common level (the deeper replaced by its ancestor, then
// both by their parents until they are siblings); when the dragged branch comes first
// the item goes directly after the target (which is collapsed), otherwise directly
// before it. A drop onto the dragged item or below it is refused.
TDropPlacement DropPlacement(TProjectItemInfo* Dragged, TProjectItemInfo* Target, bool Ctrl);

// The pages that deleting Items removes with them: the given pages and every page
// below the given chapters, each path once, depth first in the order given.
std::vector<std::string> PagesOfItems(const std::vector<TProjectItemInfo*>& Items);
