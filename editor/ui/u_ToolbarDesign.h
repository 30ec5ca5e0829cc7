// The toolbar designer's working copy of the reader toolbar: the rows of the
// "Buttons" page with their pictures, the bookmark list, and the rules the designer's
// commands follow (loading from the system store, fitting button pictures to the
// image size, adding, editing, deleting and moving rows, Reset from the default
// project, saving through the toolbar writer). The windows (frm_ToolBar and its
// dialogs) show this model and call these functions; tests call them directly.
#pragma once

#include "u_ToolButtons.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TMFS;
class TToolbarOptions;

// What a button picture is.
enum class TButtonPictureKind { None, Bitmap, Icon, Metafile };

// A button picture as the designer holds it. Bitmaps (JPEG files included, which are
// decoded and kept as bitmaps) live in Image and are written as Windows bitmaps; an
// icon keeps its file bytes and its decoded Image; a metafile cannot be drawn here
// and keeps only its file bytes, so that saving writes it back unchanged.
struct TButtonPicture {
    TButtonPictureKind Kind = TButtonPictureKind::None;
    QImage Image;
    std::string Bytes;       // icon and metafile: the file as read
    std::string MetafileExt; // "emf" or "wmf"

    bool HasPicture() const noexcept { return Kind != TButtonPictureKind::None; }
    // The file extension of its kind: "bmp", "ico", "emf" or "wmf"; empty for none.
    std::string Ext() const;
    // The picture in its own format, as the toolbar folder and "Save..." write it.
    std::string FileBytes() const;
};

// Reads a picture file's bytes, the kind chosen by the extension of Name (letter
// case ignored): "bmp" and "jpg"/"jpeg" give a bitmap, "ico" an icon. A metafile
// ("wmf", "emf") is kept undrawn when KeepMetafiles is set and refused otherwise.
// Raises EPictureError naming Name for metafiles refused, unknown kinds and damaged
// pictures.
TButtonPicture ReadButtonPicture(const std::string& Bytes, const std::string& Name, bool KeepMetafiles);

// Sets the bitmap's size to Width by Height keeping its top-left part unscaled; every
// pixel right of the old width or below the old height takes the colour of the
// top-left pixel. A null picture or a size below 1 leaves it unchanged.
void FitButtonPicture(QImage& Bitmap, int Width, int Height);

// The picture of a row in the list (Width by Height): a bitmap fitted as above with
// its top-left colour transparent, an icon scaled into the size; null for others.
QImage ButtonListPicture(const TButtonPicture& Picture, int Width, int Height);

// The kind a typed or chosen kind text stands for: the position of the kind caption
// it equals (letter case ignored), 255 when it matches none.
uint8_t ToolButtonKindOfText(const std::string& Text);

// The place a row moves to one step up or down, or -1 when it cannot move (the first
// row up, the last row down, no row selected).
int MovedRowIndex(int Row, int Count, bool Up);

// Moves the element at Row one place up or down; the new position, or -1 (nothing moved).
template <class T>
int MoveRow(std::vector<T>& Items, int Row, bool Up) {
    const int target = MovedRowIndex(Row, static_cast<int>(Items.size()), Up);
    if (target >= 0)
        std::swap(Items[static_cast<size_t>(Row)], Items[static_cast<size_t>(target)]);
    return target;
}

// One row of the "Buttons" page.
struct TToolbarRow {
    std::string Caption;
    uint8_t Kind = 0; // TToolButtonKind, 255 for a kind not in the list
    int Picture = -1; // index into ButtonPictures, -1 for none
    QImage ListPicture;
};

// The pages of the designer.
enum class TToolbarPage { Buttons, Bookmarks };

// Which commands are enabled, given the page in front, its selected row (-1 for none)
// and its number of rows.
struct TToolbarCommandState {
    bool AddButton = false, EditButton = false, DeleteButton = false;
    bool MoveUp = false, MoveDown = false;
    bool AddBookMark = false, EditBookMark = false, DelBookMark = false;
    bool Reset = true, Preview = true;
};
TToolbarCommandState ToolbarCommandState(TToolbarPage Page, int Selected, int Count);

// The folder of the default project's system files: "DefaultProject/
// DefaultProject.system" in the program folder.
std::string DefaultToolbarSystemFolder();

class TToolbarDesign {
public:
    std::vector<TToolbarRow> Rows;
    // Owning list of pictures; rows refer to them by index. Entries are never removed:
    // a deleted row leaves its picture behind, referred to by no row.
    std::vector<TButtonPicture> ButtonPictures;
    std::vector<TToolbarBookmark> Bookmarks;
    // The design holds the store's toolbar: SaveTo writes only while this is set.
    bool ToolbarLoaded = false;
    // The bookmark list was filled from a Favourites button of the description.
    bool BookmarksLoaded = false;
    // The size of the list pictures, the options' image size at the time of loading.
    int ImageWidth = 24;
    int ImageHeight = 24;

    // Reads "\Toolbar.xml" of the system store (created empty when missing) into the
    // rows; the bookmarks come from the first Favourites button, and only while
    // BookmarksLoaded is false. Pictures are read by extension; a picture that cannot
    // be read leaves its row without one. Any other error ends the loading silently,
    // keeping the rows read so far. Sets ToolbarLoaded.
    void Load(TMFS& SystemStore, int ImgWidth, int ImgHeight);

    // Writes "\Toolbar.xml" and the pictures (under "\Toolbar.buttons", named by row
    // position) when ToolbarLoaded is set; false when nothing was written.
    bool SaveTo(TMFS& SystemStore) const;

    // Appends a row "Button caption" of kind 0 without a picture; returns its index.
    int AddButton();
    // Deletes the row; deleting a Favourites button lets the next load take bookmarks again.
    void DeleteButton(int Row);
    // The row's picture for the button dialog: a row without one gets a new empty
    // picture first. Returns the picture's index.
    int PrepareEdit(int Row);
    // Takes the dialog's values into the row: caption, kind, and the picture (fitted
    // in place when it is a bitmap), with its list picture made anew.
    void ApplyEdit(int Row, uint8_t Kind, const std::string& Caption, const TButtonPicture& Picture);
    // The picture of a row; none for a row without one.
    const TButtonPicture* RowPicture(int Row) const;

    // Replaces the store's toolbar by the default project's ("Toolbar.xml" and the
    // folder "Toolbar.buttons" of DefaultSystemFolder, a host folder) and loads it.
    // The default files are read before anything changes: when they cannot be read,
    // the error passes on and the design and the store stay as they were.
    void Reset(TMFS& SystemStore, const std::string& DefaultSystemFolder, int ImgWidth, int ImgHeight);
};

// A button of the toolbar preview, as the store's description gives it.
struct TPreviewMenuItem {
    std::string Caption;
    std::string Hint;
};
struct TPreviewButton {
    uint8_t Kind = 255;
    std::string Caption;
    QImage Picture; // the list picture (Width by Height, top-left colour transparent); null for none
    // The drop-down menu: the font sizes (Font Size) or the bookmarks (Favourites).
    std::vector<TPreviewMenuItem> Menu;
    bool Separator() const noexcept { return Kind == 0; }
    bool DropDown() const noexcept { return Kind == 11 || Kind == 13; }
};

// The buttons of "\Toolbar.xml" of the system store (created empty when missing), in
// element order, with their pictures fitted to Width by Height. Pictures are read as
// bitmaps: one that is not a bitmap raises EPictureError naming its path; XML errors
// pass through.
std::vector<TPreviewButton> ToolbarPreviewButtons(TMFS& SystemStore, int Width, int Height);

// The logo of the preview: "\Logo.bmp" of the system store when LogoDisplay is set and
// the file exists, else null. A damaged logo raises EPictureError.
QImage ToolbarPreviewLogo(TMFS& SystemStore, const TToolbarOptions& Options);
