// The window-layout store: a window's size, position and show state, its splitter
// positions, the open page of its tab widgets, its focused control and a text of the
// window's owner, kept as settings values under one key (u_Registry), and two small
// form utilities.
//
// Values under the key:
//   "SizeAndPos"       binary, the 44-byte placement record (11 little-endian 32-bit
//                      numbers: length 44, flags, show command, minimized x and y,
//                      maximized x and y, normal left, top, right, bottom); 0 bytes
//                      when not saved
//   "SplittersData"    "name=size;name=size": per splitter the size of the pane it resizes
//   "PageControlsData" "name=index;...": per tab widget the index of its current page
//   "ActiveControl"    the focused control's name, or "nil"
//   "ExtInfo"          the owner's text (only when chosen and a writer is given)
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QMessageBox;
class QSplitter;
class QWidget;

enum TFormLayoutOption : unsigned {
    loSizeAndPos = 1,
    loSplitters = 2,
    loPageControls = 4,
    loActiveControl = 8,
    loExtInfo = 16,
};
// A set of TFormLayoutOption flags.
using TFormLayoutOptions = unsigned;

using TFormLayoutExtInfoWriter = std::function<std::string()>;
using TFormLayoutExtInfoReader = std::function<void(const std::string&)>;

// Writes the chosen values; values not chosen are written empty ("SizeAndPos" as 0
// bytes). Nothing is written when the key cannot be opened.
void SaveFormLayout(const std::string& Key, QWidget* Form, TFormLayoutOptions Options,
                    const TFormLayoutExtInfoWriter& ExtInfo = nullptr);

// Applies the stored values in the order size and position, splitters, tab widgets,
// focused control, owner text, stopping silently at the first error. When the key
// does not exist the window is centred on its screen instead.
void RestoreFormLayout(const std::string& Key, QWidget* Form,
                       const TFormLayoutExtInfoReader& ExtInfo = nullptr);

// Sizes the form to the smallest rectangle around its direct child controls plus the
// left margin repeated at the right and the bottom; optionally centres it.
void FitFormToControls(QWidget* Form, bool Centre);

// Moves the window to the middle of its screen.
void CentreFormOnScreen(QWidget* Form);

// Names the picture of a message box for screen readers, as Qt leaves it unnamed: by
// the kind of its standard icon ("Error", "Warning", "Information", "Question"), else
// by Name when the box shows a picture of its own.
void NameMessageBoxIcon(QMessageBox& Box, const QString& Name = {});

// Appends the family name of every font the screen offers.
void ListScreenFonts(std::vector<std::string>& Strings);

// Pieces of the store, for the windows that need them and for tests:

// The controls of a window in the order the store visits them: for each child in
// child order, first its own children (recursively), then the child itself.
std::vector<QWidget*> FormLayoutWalk(QWidget* Form);

// Index of the pane whose size a splitter's entry records, or -1 when it gives no
// entry. The recorded pane is the one that keeps its size when the splitter grows:
// the first pane unless it has a stretch factor, else the last pane unless that one
// stretches too. A hidden or disabled pane gives no entry.
int SplitterResizedPane(const QSplitter* Splitter);

// The 44-byte placement record of a window and its application.
std::string FormPlacementRecord(const QWidget* Form);
bool ApplyFormPlacementRecord(QWidget* Form, const std::string& Record);
