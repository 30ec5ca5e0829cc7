// Tool bars and window helpers of the editor's windows, over the command table.
#pragma once

#include "u_CommandTable.h"

#include <Qt>
#include <QString>

class QAction;
class QToolBar;
class QWidget;

// A tool bar of a window, named Name (and AccessibleName for screen readers when
// given), with pictures of IconSize pixels and buttons in Style.
QToolBar* NewToolBar(QWidget* Parent, const char* Name, int IconSize, Qt::ToolButtonStyle Style,
                     const QString& AccessibleName = {});
// Puts Action on Bar; the button gets the action's name as its objectName (its caption
// names it). Returns the button.
QWidget* AddToolAction(QToolBar* Bar, QAction* Action);
