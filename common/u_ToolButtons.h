// The reader toolbar of a book: the project's toolbar file "\Toolbar.xml" with its
// pictures in "\Toolbar.buttons" (written and read by the toolbar designer), and the
// book's toolbar description "ToolButtons.xml" that the compiler makes from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TMFS;
class TToolbarOptions;

extern const char* const ToolbarFileName;      // "\Toolbar.xml"
extern const char* const ToolbarButtonsFolder; // "\Toolbar.buttons"

struct TToolbarBookmark {
    std::string Caption;
    std::string URL;
    bool NewWindow = false;
};

struct TToolbarButton {
    uint8_t Kind = 255; // TToolButtonKind; a missing kind reads as 255
    std::string Caption;
    std::string Image;                       // picture path in the system store, empty for none
    std::vector<TToolbarBookmark> Bookmarks; // bookmarks button (kind 13) only
};

// Reads the project toolbar file. Every child of the root is a button and every child
// of a button a bookmark (element names are not examined). NewWindowDefault is the
// bookmark flag for a missing "NewWindow": true in the designer, false in the compiler.
// An empty text gives no buttons; XML and conversion errors pass through.
std::vector<TToolbarButton> ReadToolbarXml(const std::string& Text, bool NewWindowDefault);

// The project toolbar file in the designer's form. Bookmarks are written for bookmarks
// buttons only, pictures only for buttons that have one.
std::string BuildToolbarXml(const std::vector<TToolbarButton>& Buttons);

// Where the designer stores the picture of the button at Position (from 0):
// "\Toolbar.buttons\" Position "." Ext, for example "\Toolbar.buttons\2.bmp".
std::string ToolbarPicturePath(int Position, const std::string& Ext);

// A button picture as the designer holds it: the file extension of its kind ("bmp",
// "ico", "emf", "wmf") and the file's bytes; an empty extension means no picture.
struct TToolbarPicture {
    std::string Ext;
    std::string Data;
};

// Saves a toolbar the way the designer does: empties "\Toolbar.buttons" in the system
// store (creating it when missing), writes the picture of the button at position n as
// ToolbarPicturePath(n, Ext), sets each button's Image accordingly (empty without a
// picture) and writes "\Toolbar.xml". Pictures[n] belongs to Buttons[n]; missing
// entries mean no picture.
void SaveToolbarToStore(TMFS& SystemStore, std::vector<TToolbarButton>& Buttons,
                        const std::vector<TToolbarPicture>& Pictures);

// The text of "ToolButtons.xml" for the buttons and the book's toolbar options.
std::string BuildToolButtonsText(const std::vector<TToolbarButton>& Buttons, const TToolbarOptions& Options);

// Reads the system store's "\Toolbar.xml" (created empty there when missing), copies
// every button picture into SystemImage at the same path (the folder
// "\ToolBar.buttons" is created there first) and returns the text of "ToolButtons.xml".
// A picture missing from the store raises the file system's not-found error.
std::string BuildToolButtonsXml(TMFS& SystemStore, const TToolbarOptions& Options, TMFS& SystemImage);

// Reads the buttons of the "Buttons" element of "ToolButtons.xml" in order, with their
// bookmark items, into the compiler's toolbar records. An empty text gives no buttons.
// XML and conversion errors pass through.
std::vector<TToolbarButton> ReadToolButtons(const std::string& Xml);
