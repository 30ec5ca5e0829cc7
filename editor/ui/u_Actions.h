// Tool bars and window helpers of the editor's windows, over the command table.
#pragma once

#include "u_CommandTable.h"

#include <Qt>
#include <QString>

#include <utility>

class QAction;
class QToolBar;
class QWidget;

// A tool bar of a window, named Name (AccessibleName for screen readers, none: Name),
// with pictures of IconSize pixels and buttons in Style.
QToolBar* NewToolBar(QWidget* Parent, const char* Name, int IconSize, Qt::ToolButtonStyle Style,
                     const QString& AccessibleName = {});
// Puts Action on Bar; the button gets the action's name as its objectName and the
// caption (without accelerator marks) as its accessible name. Returns the button.
QWidget* AddToolAction(QToolBar* Bar, QAction* Action);

// Shows "This window is not available yet." (a window whose unit is not built in).
void ShowWindowNotAvailable(QWidget* Parent);
// Calls a member of the window table when it is set, else tells that the window is
// not available yet.
template <class F, class... A>
void OpenTableWindow(QWidget* Parent, const F& Member, A&&... Arguments) {
    if (Member)
        Member(std::forward<A>(Arguments)...);
    else
        ShowWindowNotAvailable(Parent);
}
