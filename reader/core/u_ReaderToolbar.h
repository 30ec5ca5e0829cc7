// The book's toolbar as the reader builds it: the buttons of the toolbar description
// "ToolButtons.xml" (u_ToolButtons) with the bookmarks of the bookmarks button, and the
// colour numbers of the toolbar options (u_Colors). Sizes, colours, captions and the logo are the toolbar
// options of "System.xml" (TToolbarOptions), which the description repeats.
#pragma once

#include "u_Colors.h"
#include "u_ToolButtons.h"

#include <cstdint>
#include <string>
#include <vector>
