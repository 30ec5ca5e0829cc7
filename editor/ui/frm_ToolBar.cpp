#include "frm_ToolBar.h"

#include "frm_EditBookMark.h"
#include "frm_ToolButtonEditor.h"
#include "frm_ToolbarPreview.h"
#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_DocumentWindows.h"
#include "u_Project.h"
#include "u_ToolbarWidgets.h"
#include "u_eBookCommon.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPixmap>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const char* const SNewBookmarkTitle = "Enter resource description here...";
const char* const SNewBookmarkAddress = "Enter resource www-address here...";

// A page of the designer: its tool bar above its list.
QWidget* NewPage(QWidget* Parent, const char* Name, QToolBar*& Bar, TToolbarListView*& List,
                 const char* ListName, const QString& Title, const QStringList& Columns) {
    auto* page = new QWidget(Parent);
    page->setObjectName(QString::fromUtf8(Name));
    Bar = NewToolBar(page, ("tb" + std::string(Name + 2)).c_str(), 16, Qt::ToolButtonTextBesideIcon);
    List = new TToolbarListView(page);
    SetControlName(List, ListName, Title);
    List->setHeaderLabels(Columns);
    List->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(Bar);
    layout->addWidget(List, 1);
    return page;
}

} // namespace

TfrmToolBar::TfrmToolBar(IEditorMain& Main, QWidget* Parent) : TfrmAbstractMDIChild(Parent), FMain(Main) {
    setObjectName(QStringLiteral("frmToolBar"));
    setWindowTitle(QStringLiteral("ToolBar"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/toolbar/toolbar.svg")));
    FCommands = new TCommandTable(this);
    CreateActions();
    CreateControls();
    resize(720, 440);
    FCommands->Update();
}

TfrmToolBar::~TfrmToolBar() = default;

void TfrmToolBar::CreateActions() {
    actAddButton =
        ToolbarCommand(this, "actAddButton", "Add Button", "Add Button", "add", QKeySequence(Qt::Key_Insert));
    actEditButton = ToolbarCommand(this, "actEditButton", "Edit Button", "Edit Button", "edit");
    actEditButton->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    actDeleteButton = ToolbarCommand(this, "actDeleteButton", "Delete Button", "Delete Button", "delete",
                                     QKeySequence(Qt::Key_Delete));
    actMoveUp =
        ToolbarCommand(this, "actMoveUp", "Move Up", "Move Up", "up", QKeySequence(Qt::ALT | Qt::Key_Up));
    actMoveDown = ToolbarCommand(this, "actMoveDown", "Move Down", "Move Down", "down",
                                 QKeySequence(Qt::ALT | Qt::Key_Down));
    actReset = ToolbarCommand(this, "actReset", "Reset", "Reset Toolbar", "reset",
                              QKeySequence(Qt::CTRL | Qt::Key_R));
    actPreview = ToolbarCommand(this, "actPreview", "Preview", "Preview toolbar", "preview");
    actAddBookMark =
        ToolbarCommand(this, "actAddBookMark", "Add Bookmark", "Add new bookmark", "bookmark_add");
    actDelBookMark = ToolbarCommand(this, "actDelBookMark", "Delete Bookmark", "Delete current bookmark",
                                    "bookmark_delete");
    actEditBookMark =
        ToolbarCommand(this, "actEditBookMark", "Edit Bookmark", "Edit current bookmark", "bookmark_edit");

    TCommandTable& c = *FCommands;
    c.Connect(actAddButton, this, [this] { actAddButtonExecute(); });
    c.Connect(actEditButton, this, [this] { actEditButtonExecute(); });
    c.Connect(actDeleteButton, this, [this] { actDeleteButtonExecute(); });
    c.Connect(actMoveUp, this, [this] { actMoveUpExecute(); });
    c.Connect(actMoveDown, this, [this] { actMoveDownExecute(); });
    c.Connect(actReset, this, [this] { actResetExecute(); });
    c.Connect(actPreview, this, [this] { actPreviewExecute(); });
    c.Connect(actAddBookMark, this, [this] { actAddBookMarkExecute(); });
    c.Connect(actDelBookMark, this, [this] { actDelBookMarkExecute(); });
    c.Connect(actEditBookMark, this, [this] { actEditBookMarkExecute(); });
    // What the commands may do follows the page in front and its selected row.
    auto state = [this] {
        TToolbarListView* list = FrontList();
        return ToolbarCommandState(FrontPage(), list->SelectedRow(), list->topLevelItemCount());
    };
    c.Add(actAddButton, [state] { return state().AddButton; });
    c.Add(actEditButton, [state] { return state().EditButton; });
    c.Add(actDeleteButton, [state] { return state().DeleteButton; });
    c.Add(actMoveUp, [state] { return state().MoveUp; });
    c.Add(actMoveDown, [state] { return state().MoveDown; });
    c.Add(actReset, [state] { return state().Reset; });
    c.Add(actPreview, [state] { return state().Preview; });
    c.Add(actAddBookMark, [state] { return state().AddBookMark; });
    c.Add(actEditBookMark, [state] { return state().EditBookMark; });
    c.Add(actDelBookMark, [state] { return state().DelBookMark; });
    // The keys work wherever the focus is inside the window.
    addActions({actAddButton, actEditButton, actDeleteButton, actMoveUp, actMoveDown, actReset, actPreview,
                actAddBookMark, actDelBookMark, actEditBookMark});
}

void TfrmToolBar::CreateControls() {
    pcToolbar = new QTabWidget(this);
    SetControlName(pcToolbar, "pcToolbar");
    tsButtons = NewPage(pcToolbar, "tsButtons", tbButtons, lvToolBar, "lvToolBar", QStringLiteral("Buttons"),
                        {QStringLiteral("Caption"), QStringLiteral("Type")});
    tsBookmarks =
        NewPage(pcToolbar, "tsBookmarks", tbBookmarks, lvBookMarks, "lvBookMarks",
                QStringLiteral("Bookmarks"), {QStringLiteral("Link Title"), QStringLiteral("Web Address")});
    pcToolbar->addTab(tsButtons, QStringLiteral("Buttons"));
    pcToolbar->addTab(tsBookmarks, QStringLiteral("Bookmarks"));
    lvToolBar->header()->resizeSection(0, 220);
    lvBookMarks->header()->resizeSection(0, 220);

    tbButtons->addActions({actAddButton, actDeleteButton, actEditButton, actMoveUp, actMoveDown, actPreview, actReset});
    tbBookmarks->addActions({actAddBookMark, actDelBookMark, actEditBookMark, actMoveUp, actMoveDown});

    pmButtons = new QMenu(this);
    pmButtons->setObjectName(QStringLiteral("pmButtons"));
    pmButtons->addActions({actAddButton, actEditButton, actDeleteButton});
    pmButtons->addSeparator();
    pmButtons->addActions({actMoveUp, actMoveDown});
    pmButtons->addSeparator();
    pmButtons->addActions({actPreview, actReset});
    pmBookmarks = new QMenu(this);
    pmBookmarks->setObjectName(QStringLiteral("pmBookmarks"));
    pmBookmarks->addActions({actAddBookMark, actEditBookMark, actDelBookMark});
    pmBookmarks->addSeparator();
    pmBookmarks->addActions({actMoveUp, actMoveDown});
    connect(lvToolBar, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        FCommands->Update();
        pmButtons->popup(lvToolBar->viewport()->mapToGlobal(At));
    });
    connect(lvBookMarks, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        FCommands->Update();
        pmBookmarks->popup(lvBookMarks->viewport()->mapToGlobal(At));
    });

    connect(lvToolBar, &TToolbarListView::Activated, this, [this](int) { actEditButtonExecute(); });
    connect(lvBookMarks, &TToolbarListView::Activated, this, [this](int) { actEditBookMarkExecute(); });
    connect(lvToolBar, &QTreeWidget::itemChanged, this, &TfrmToolBar::lvToolBarItemChanged);
    connect(lvBookMarks, &QTreeWidget::itemChanged, this, &TfrmToolBar::lvBookMarksItemChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcToolbar);
}

void TfrmToolBar::LoadToolbar() {
    const TToolbarOptions& options = FMain.Project().Options().Toolbar();
    FDesign.Load(FMain.Project().SystemStore(), options.ToolbarImgW, options.ToolbarImgH);
    ShowButtons(-1);
    ShowBookmarks(-1);
}

void TfrmToolBar::ShowButtons(int Selected) {
    FShowing = true;
    lvToolBar->clear();
    const QSize size(FDesign.ImageWidth, FDesign.ImageHeight);
    lvToolBar->setIconSize(size);
    QPixmap blank(size.isValid() ? size : QSize(1, 1));
    blank.fill(Qt::transparent);
    for (const TToolbarRow& row : FDesign.Rows) {
        auto* item = new QTreeWidgetItem(lvToolBar, {Q(row.Caption), Q(ToolButtonCaption(row.Kind))});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setIcon(0, row.ListPicture.isNull() ? QIcon(blank) : QIcon(QPixmap::fromImage(row.ListPicture)));
    }
    lvToolBar->SelectRow(Selected);
    FShowing = false;
}

void TfrmToolBar::ShowBookmarks(int Selected) {
    FShowing = true;
    lvBookMarks->clear();
    for (const TToolbarBookmark& bookmark : FDesign.Bookmarks) {
        auto* item = new QTreeWidgetItem(lvBookMarks, {Q(bookmark.Caption), Q(bookmark.URL)});
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, bookmark.NewWindow ? Qt::Checked : Qt::Unchecked);
    }
    lvBookMarks->SelectRow(Selected);
    FShowing = false;
}

void TfrmToolBar::lvToolBarItemChanged(QTreeWidgetItem* Item, int Column) {
    const int row = lvToolBar->indexOfTopLevelItem(Item);
    if (FShowing || Column != 0 || row < 0 || row >= static_cast<int>(FDesign.Rows.size()))
        return;
    const std::string caption = Item->text(0).toStdString();
    if (caption == FDesign.Rows[static_cast<size_t>(row)].Caption)
        return;
    FDesign.Rows[static_cast<size_t>(row)].Caption = caption;
    if (FDesign.ToolbarLoaded)
        MarkModified();
}

void TfrmToolBar::lvBookMarksItemChanged(QTreeWidgetItem* Item, int Column) {
    const int row = lvBookMarks->indexOfTopLevelItem(Item);
    if (FShowing || Column != 0 || row < 0 || row >= static_cast<int>(FDesign.Bookmarks.size()))
        return;
    TToolbarBookmark& bookmark = FDesign.Bookmarks[static_cast<size_t>(row)];
    const std::string title = Item->text(0).toStdString();
    const bool newWindow = Item->checkState(0) == Qt::Checked;
    if (title == bookmark.Caption && newWindow == bookmark.NewWindow)
        return;
    // The check box is the bookmark's new-window flag: ticking it is a change like
    // editing the title.
    bookmark.Caption = title;
    bookmark.NewWindow = newWindow;
    if (FDesign.ToolbarLoaded)
        MarkModified();
}

TToolbarPage TfrmToolBar::FrontPage() const {
    return pcToolbar->currentWidget() == tsBookmarks ? TToolbarPage::Bookmarks : TToolbarPage::Buttons;
}

TToolbarListView* TfrmToolBar::FrontList() const {
    return FrontPage() == TToolbarPage::Bookmarks ? lvBookMarks : lvToolBar;
}

void TfrmToolBar::MarkModified() {
    FMain.Project().SetModified(true);
}

void TfrmToolBar::ApplyChanges() {
    lvToolBar->FinishEditing();
    lvBookMarks->FinishEditing();
}

void TfrmToolBar::SaveChanges() {
    ApplyChanges();
    FDesign.SaveTo(FMain.Project().SystemStore());
}

void TfrmToolBar::CloseWithoutSaving() {
    FDesign.ToolbarLoaded = false;
    TfrmAbstractMDIChild::CloseWithoutSaving();
}

void TfrmToolBar::actAddButtonExecute() {
    const int before = lvToolBar->SelectedRow();
    const int row = FDesign.AddButton();
    ShowButtons(row);
    actEditButtonExecute();
    if (!FButtonDialogOK) {
        // The new row goes again; the list is as it was, so the project is not changed.
        FDesign.DeleteButton(row);
        ShowButtons(before);
    }
}

void TfrmToolBar::actEditButtonExecute() {
    FButtonDialogOK = false;
    const int row = lvToolBar->SelectedRow();
    if (row < 0)
        return;
    Guarded(this, [&] {
        const int picture = FDesign.PrepareEdit(row);
        uint8_t kind = FDesign.Rows[static_cast<size_t>(row)].Kind;
        std::string caption = FDesign.Rows[static_cast<size_t>(row)].Caption;
        TButtonPicture edited = FDesign.ButtonPictures[static_cast<size_t>(picture)];
        FButtonDialogOK = EditToolButton(this, kind, caption, edited);
        if (!FButtonDialogOK)
            return;
        FDesign.ApplyEdit(row, kind, caption, edited);
        ShowButtons(row);
        MarkModified();
    });
}

void TfrmToolBar::actDeleteButtonExecute() {
    const int row = lvToolBar->SelectedRow();
    if (row < 0)
        return;
    FDesign.DeleteButton(row);
    ShowButtons(std::min(row, static_cast<int>(FDesign.Rows.size()) - 1));
    MarkModified();
}

void TfrmToolBar::MoveSelected(bool Up) {
    TToolbarListView* list = FrontList();
    const int row = list->SelectedRow();
    if (list == lvBookMarks) {
        const int target = MoveRow(FDesign.Bookmarks, row, Up);
        if (target < 0)
            return;
        ShowBookmarks(target);
    } else {
        const int target = MoveRow(FDesign.Rows, row, Up);
        if (target < 0)
            return;
        ShowButtons(target);
    }
    list->setFocus();
    MarkModified();
}

void TfrmToolBar::actMoveUpExecute() {
    MoveSelected(true);
}

void TfrmToolBar::actMoveDownExecute() {
    MoveSelected(false);
}

void TfrmToolBar::actResetExecute() {
    Guarded(this, [this] {
        const TToolbarOptions& options = FMain.Project().Options().Toolbar();
        FDesign.Reset(FMain.Project().SystemStore(), DefaultToolbarSystemFolder(), options.ToolbarImgW,
                      options.ToolbarImgH);
        ShowButtons(-1);
        ShowBookmarks(-1);
        MarkModified();
    });
}

void TfrmToolBar::actPreviewExecute() {
    Guarded(this, [this] {
        SaveChanges();
        ShowToolbarPreview(this, FMain.Project().SystemStore(), FMain.Project().Options().Toolbar());
    });
}

void TfrmToolBar::actAddBookMarkExecute() {
    std::string title = SNewBookmarkTitle;
    std::string address = SNewBookmarkAddress;
    bool newWindow = false;
    if (!TfrmEditBookMark::GetBookMarkInfo(this, title, address, newWindow))
        return;
    FDesign.Bookmarks.push_back({title, address, newWindow});
    ShowBookmarks(static_cast<int>(FDesign.Bookmarks.size()) - 1);
    MarkModified();
}

void TfrmToolBar::actEditBookMarkExecute() {
    const int row = lvBookMarks->SelectedRow();
    if (row < 0 || row >= static_cast<int>(FDesign.Bookmarks.size()))
        return;
    TToolbarBookmark bookmark = FDesign.Bookmarks[static_cast<size_t>(row)];
    if (!TfrmEditBookMark::GetBookMarkInfo(this, bookmark.Caption, bookmark.URL, bookmark.NewWindow))
        return;
    FDesign.Bookmarks[static_cast<size_t>(row)] = bookmark;
    ShowBookmarks(row);
    MarkModified();
}

void TfrmToolBar::actDelBookMarkExecute() {
    const int row = lvBookMarks->SelectedRow();
    if (row < 0 || row >= static_cast<int>(FDesign.Bookmarks.size()))
        return;
    FDesign.Bookmarks.erase(FDesign.Bookmarks.begin() + row);
    ShowBookmarks(std::min(row, static_cast<int>(FDesign.Bookmarks.size()) - 1));
    MarkModified();
}

TfrmToolBar* ShowToolbarDesigner(IEditorMain& Main) {
    return ShowSingleDocumentWindow<TfrmToolBar>([&Main] {
        auto fresh = std::make_unique<TfrmToolBar>(Main);
        fresh->LoadToolbar();
        return fresh;
    });
}

namespace {

const TEditorWindowRegistration ToolbarDesignerRegistration([](TEditorWindowTable& Table) {
    Table.OpenToolbarDesigner = GuardedWindowOpener(ShowToolbarDesigner);
});

} // namespace
