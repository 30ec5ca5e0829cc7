#include "u_ToolbarDesign.h"

#include "u_PaletteColors.h"
#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_XMLValues.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_Pictures.h"
#include "u_Project.h"
#include "u_eBookCommon.h"

#include <QPainter>

namespace {

const char* const SDefaultButtonCaption = "Button caption";
const char* const SNotABitmap = "Bitmap image is not valid: \"%s\"";

bool IsEmfName(const std::string& Name) {
    std::string ext = TMFS::ExtractExt(TMFS::NormalizeSlashes(Name));
    return SameTextCaseBlind(ext, ".emf");
}

// The file of the store at Path ("/" taken as "\\"), none when there is no such file.
TMFSFile* ExistingFile(TMFS& Store, const std::string& Path) {
    if (Path.empty())
        return nullptr;
    const std::string path = TMFS::NormalizeSlashes(Path);
    TMFSSession* session = Store.Session();
    if (!session->Exists(path))
        return nullptr;
    TMFSItem* item = session->FindItem(path);
    return item->IsFolder() ? nullptr : item->AsFile();
}

// The content of the store's file at Path, empty when there is none.
std::string StoreFileText(TMFS& Store, const std::string& Path) {
    const TMFSFile* file = ExistingFile(Store, Path);
    return file ? file->Content : std::string();
}

// Copies the files and folders below Source into Target, replacing files of the same name.
void CopyFolderInto(const TMFSFolder* Source, TMFSFolder* Target, TMFS& TargetStore) {
    auto session = TargetStore.NewSession(Target);
    for (TMFSItem* item : Source->Children()) {
        if (item->IsFolder())
            CopyFolderInto(item->AsFolder(), session->ForceFolders(item->Name), TargetStore);
        else
            session->CreateFile(item->Name, 0, true)->Content = item->AsFile()->Content;
    }
}

} // namespace

std::string TButtonPicture::Ext() const {
    switch (Kind) {
    case TButtonPictureKind::Bitmap:
        return "bmp";
    case TButtonPictureKind::Icon:
        return "ico";
    case TButtonPictureKind::Metafile:
        return MetafileExt;
    case TButtonPictureKind::None:
        break;
    }
    return std::string();
}

std::string TButtonPicture::FileBytes() const {
    if (Kind == TButtonPictureKind::Bitmap)
        return BitmapFileBytes(Image, true);
    return Bytes;
}

TButtonPicture ReadButtonPicture(const std::string& Bytes, const std::string& Name, bool KeepMetafiles) {
    TButtonPicture picture;
    switch (PictureKindOf(Name)) {
    case TPictureKind::Metafile:
        if (!KeepMetafiles)
            ReadPicture(Bytes, Name); // raises the refusal that names the file
        picture.Kind = TButtonPictureKind::Metafile;
        picture.Bytes = Bytes;
        picture.MetafileExt = IsEmfName(Name) ? "emf" : "wmf";
        return picture;
    case TPictureKind::Icon:
        picture.Image = ReadPicture(Bytes, Name);
        picture.Kind = TButtonPictureKind::Icon;
        picture.Bytes = Bytes;
        return picture;
    case TPictureKind::Bitmap:
    case TPictureKind::Jpeg:
    case TPictureKind::Unknown:
        break;
    }
    // Bitmaps and JPEG pictures alike become bitmaps; unknown kinds are refused here.
    picture.Image = ReadPicture(Bytes, Name);
    picture.Kind = TButtonPictureKind::Bitmap;
    return picture;
}

void FitButtonPicture(QImage& Bitmap, int Width, int Height) {
    if (Bitmap.isNull() || Width < 1 || Height < 1)
        return;
    const int oldWidth = Bitmap.width();
    const int oldHeight = Bitmap.height();
    const QRgb corner = Bitmap.pixel(0, 0);
    QImage fitted(Width, Height, Bitmap.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    fitted.fill(corner);
    QPainter painter(&fitted);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), Bitmap, QRect(0, 0, std::min(oldWidth, Width), std::min(oldHeight, Height)));
    painter.end();
    Bitmap = fitted;
}

QImage ButtonListPicture(const TButtonPicture& Picture, int Width, int Height) {
    if (Picture.Image.isNull() || Width < 1 || Height < 1)
        return QImage();
    if (Picture.Kind == TButtonPictureKind::Bitmap) {
        QImage bitmap = Picture.Image.convertToFormat(QImage::Format_ARGB32);
        FitButtonPicture(bitmap, Width, Height);
        // The colour of the top-left pixel is the transparent colour.
        return WithColorKey(bitmap);
    }
    if (Picture.Kind == TButtonPictureKind::Icon) {
        QImage list(Width, Height, QImage::Format_ARGB32);
        list.fill(Qt::transparent);
        const QImage scaled = Picture.Image.scaled(Width, Height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&list);
        painter.drawImage(QPoint((Width - scaled.width()) / 2, (Height - scaled.height()) / 2), scaled);
        return list;
    }
    return QImage();
}

uint8_t ToolButtonKindOfText(const std::string& Text) {
    for (int kind = 0; kind < ToolButtonKindCount; ++kind)
        if (SameTextCaseBlind(ToolButtonCaption(kind), Text))
            return static_cast<uint8_t>(kind);
    return 255;
}

int MovedRowIndex(int Row, int Count, bool Up) {
    if (Row < 0 || Row >= Count)
        return -1;
    const int target = Up ? Row - 1 : Row + 1;
    return target >= 0 && target < Count ? target : -1;
}

TToolbarCommandState ToolbarCommandState(TToolbarPage Page, int Selected, int Count) {
    TToolbarCommandState state;
    const bool selected = Selected >= 0 && Selected < Count;
    const bool buttons = Page == TToolbarPage::Buttons;
    state.AddButton = buttons;
    state.EditButton = buttons && selected;
    state.DeleteButton = buttons && selected;
    state.AddBookMark = !buttons;
    state.EditBookMark = !buttons && selected;
    state.DelBookMark = !buttons && selected;
    state.MoveUp = MovedRowIndex(Selected, Count, true) >= 0;
    state.MoveDown = MovedRowIndex(Selected, Count, false) >= 0;
    return state;
}

std::string DefaultToolbarSystemFolder() {
    return TMFS::ChangeExt(TBookProject::DefaultProjectFileName(), ".system");
}

void TToolbarDesign::Load(TMFS& SystemStore, int ImgWidth, int ImgHeight) {
    Rows.clear();
    ImageWidth = ImgWidth;
    ImageHeight = ImgHeight;
    try {
        // A project without a toolbar file has no rows (the file is not created here).
        const TXMLDocument doc(StoreFileText(SystemStore, ToolbarFileName));
        for (const TXMLNode* node : XmlChildren(doc.Root())) {
            TToolbarRow row;
            row.Caption = XmlText(node, "caption", "");
            // The kind is an 8-bit value, so a missing kind (-1) reads as 255.
            row.Kind = static_cast<uint8_t>(XmlInt(node, "kind", -1));
            if (row.Kind == tbkFavourites && !BookmarksLoaded) {
                Bookmarks.clear();
                BookmarksLoaded = true;
                for (const TXMLNode* item : XmlChildren(node))
                    Bookmarks.push_back({XmlText(item, "caption", "Description"), XmlText(item, "url", "URL"),
                                         XmlBool(item, "NewWindow", true)});
            }
            const std::string image = XmlText(node, "Image", "");
            if (TMFSFile* file = ExistingFile(SystemStore, image)) {
                TButtonPicture picture;
                try {
                    picture = ReadButtonPicture(file->Content, image, true);
                } catch (const std::exception&) {
                    picture = TButtonPicture(); // an unreadable picture: the row has none
                }
                if (picture.HasPicture()) {
                    if (picture.Kind == TButtonPictureKind::Bitmap)
                        FitButtonPicture(picture.Image, ImageWidth, ImageHeight);
                    row.ListPicture = ButtonListPicture(picture, ImageWidth, ImageHeight);
                    ButtonPictures.push_back(std::move(picture));
                    row.Picture = static_cast<int>(ButtonPictures.size()) - 1;
                }
            }
            Rows.push_back(std::move(row));
        }
    } catch (const std::exception&) {
        // A damaged description loads as far as it can.
    }
    ToolbarLoaded = true;
}

bool TToolbarDesign::SaveTo(TMFS& SystemStore) const {
    if (!ToolbarLoaded)
        return false;
    std::vector<TToolbarButton> buttons(Rows.size());
    std::vector<TToolbarPicture> pictures(Rows.size());
    for (size_t n = 0; n < Rows.size(); ++n) {
        buttons[n].Kind = Rows[n].Kind;
        buttons[n].Caption = Rows[n].Caption;
        if (Rows[n].Kind == tbkFavourites)
            buttons[n].Bookmarks = Bookmarks;
        const TButtonPicture* picture = RowPicture(static_cast<int>(n));
        if (picture && picture->HasPicture())
            pictures[n] = {picture->Ext(), picture->FileBytes()};
    }
    SaveToolbarToStore(SystemStore, buttons, pictures);
    return true;
}

int TToolbarDesign::AddButton() {
    TToolbarRow row;
    row.Caption = SDefaultButtonCaption;
    row.Kind = tbkSeparator;
    Rows.push_back(std::move(row));
    return static_cast<int>(Rows.size()) - 1;
}

void TToolbarDesign::DeleteButton(int Row) {
    if (Row < 0 || Row >= static_cast<int>(Rows.size()))
        return;
    if (Rows[static_cast<size_t>(Row)].Kind == tbkFavourites)
        BookmarksLoaded = false;
    Rows.erase(Rows.begin() + Row);
}

int TToolbarDesign::PrepareEdit(int Row) {
    TToolbarRow& row = Rows.at(static_cast<size_t>(Row));
    if (row.Picture < 0) {
        ButtonPictures.emplace_back();
        row.Picture = static_cast<int>(ButtonPictures.size()) - 1;
    }
    return row.Picture;
}

void TToolbarDesign::ApplyEdit(int Row, uint8_t Kind, const std::string& Caption, const TButtonPicture& Picture) {
    const int index = PrepareEdit(Row);
    TToolbarRow& row = Rows[static_cast<size_t>(Row)];
    row.Caption = Caption;
    row.Kind = Kind;
    TButtonPicture& picture = ButtonPictures[static_cast<size_t>(index)];
    picture = Picture;
    if (picture.Kind == TButtonPictureKind::Bitmap)
        FitButtonPicture(picture.Image, ImageWidth, ImageHeight);
    row.ListPicture = ButtonListPicture(picture, ImageWidth, ImageHeight);
}

const TButtonPicture* TToolbarDesign::RowPicture(int Row) const {
    if (Row < 0 || Row >= static_cast<int>(Rows.size()))
        return nullptr;
    const int index = Rows[static_cast<size_t>(Row)].Picture;
    if (index < 0 || index >= static_cast<int>(ButtonPictures.size()))
        return nullptr;
    return &ButtonPictures[static_cast<size_t>(index)];
}

void TToolbarDesign::Reset(TMFS& SystemStore, const std::string& DefaultSystemFolder, int ImgWidth,
                           int ImgHeight) {
    // Everything is read first, so that a missing default project changes nothing.
    const std::string text = ReadFileText(HostJoin(DefaultSystemFolder, "Toolbar.xml"));
    TMFS defaults;
    defaults.LoadFromFolder(HostJoin(DefaultSystemFolder, "Toolbar.buttons"));

    ToolbarLoaded = false;
    TMFSSession* session = SystemStore.Session();
    session->CreateFile(ToolbarFileName, 0, true)->Content = text;
    TMFSFolder* folder = session->ForceFolders(ToolbarButtonsFolder);
    folder->Clear();
    CopyFolderInto(defaults.Root(), folder, SystemStore);
    Load(SystemStore, ImgWidth, ImgHeight);
}

std::vector<TPreviewButton> ToolbarPreviewButtons(TMFS& SystemStore, int Width, int Height) {
    static const char* const fontSizes[] = {"Extra Small", "Small", "Medium", "Large", "Extra Large"};
    std::vector<TPreviewButton> result;
    for (const TToolbarButton& button : ReadToolbarXml(StoreFileText(SystemStore, ToolbarFileName), false)) {
        TPreviewButton preview;
        preview.Kind = button.Kind;
        preview.Caption = button.Caption;
        if (preview.Separator()) {
            result.push_back(std::move(preview));
            continue;
        }
        if (TMFSFile* file = ExistingFile(SystemStore, button.Image)) {
            TButtonPicture picture;
            const std::string& bytes = file->Content;
            picture.Image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()),
                                       "BMP");
            if (picture.Image.isNull())
                throw EPictureError(Format(SNotABitmap, button.Image));
            picture.Kind = TButtonPictureKind::Bitmap;
            preview.Picture = ButtonListPicture(picture, Width, Height);
        }
        if (preview.Kind == tbkFontSize)
            for (const char* size : fontSizes)
                preview.Menu.push_back({size, std::string()});
        if (preview.Kind == tbkFavourites)
            for (const TToolbarBookmark& bookmark : button.Bookmarks)
                preview.Menu.push_back({bookmark.Caption, bookmark.URL});
        result.push_back(std::move(preview));
    }
    return result;
}

QImage ToolbarPreviewLogo(TMFS& SystemStore, const TToolbarOptions& Options) {
    TMFSFile* logo = Options.LogoDisplay ? ExistingFile(SystemStore, LogoFile) : nullptr;
    return logo ? ReadPicture(logo->Content, LogoFile) : QImage();
}
