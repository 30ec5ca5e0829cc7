#include "frm_ExtForms.h"

#include "c_MXWebBrowser.h"
#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_DocumentWindows.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <memory>

const char* const SNoItemSelectedHtml = "<html><body>No item selected</body></html>";
const char* const SNoFileHtml = "<html><body>No file is associated with this form</body></html>";

namespace {

constexpr int MinPreviewSide = 50;

} // namespace

// ---------------------------------------------------------------------------
// The form preview

TfrmExtFormPreview::TfrmExtFormPreview(QWidget* Parent) : QWidget(Parent, Qt::Window) {
    setObjectName(QStringLiteral("frmExtFormPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    wbPreview = new TMXWebBrowser(this);
    SetControlName(wbPreview, "wbPreview", QStringLiteral("Page"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(wbPreview);
}

Qt::WindowFlags ExtFormPreviewFlags(const TExtFormInfo& Entry) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (Entry.SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (Entry.Maximize)
        flags |= Qt::WindowMaximizeButtonHint;
    if (Entry.Minimize)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

QRect ExtFormPreviewRect(const TExtFormInfo& Entry, const QRect& Desktop) {
    const int maxWidth = std::max(Desktop.width(), MinPreviewSide);
    const int maxHeight = std::max(Desktop.height(), MinPreviewSide);
    const QSize size(std::clamp(Entry.Width, MinPreviewSide, maxWidth),
                     std::clamp(Entry.Height, MinPreviewSide, maxHeight));
    QRect first(QPoint(0, 0), QSize(696, 480));
    first.moveCenter(Desktop.center());
    QRect rect(first.topLeft(), size);
    if (Entry.Center)
        rect.moveCenter(Desktop.center());
    return rect;
}

// ---------------------------------------------------------------------------
// TfrmExtFiles

TfrmExtFiles::TfrmExtFiles(IEditorMain& Main, QWidget* Parent) : TfrmAbstractMDIChild(Parent), FMain(Main) {
    setObjectName(QStringLiteral("frmExtFiles"));
    setWindowTitle(QStringLiteral("System Pages"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/varpages/syspages.svg")));
    resize(626, 400);
    FCommands = new TCommandTable(this);

    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("pnlLeft"));
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);

    tbExtFiles =
        NewToolBar(left, "tbExtFiles", 20, Qt::ToolButtonIconOnly, QStringLiteral("System pages tools"));
    auto command = [this](const char* Name, const char* Icon, const char* Caption, const char* Hint) {
        QAction* action = MakeAction(this, Name, QString::fromLatin1(Caption),
                                     QStringLiteral("varpages/%1.svg").arg(QLatin1String(Icon)));
        SetActionHint(action, QString::fromLatin1(Hint));
        AddToolAction(tbExtFiles, action);
        return action;
    };
    actEditFile = command("actEditFile", "editfile", "Edit File", "Edit file");
    actReplaceFile = command("actReplaceFile", "replacefile", "Replace File", "Replace file");
    actPreviewWindow = command("actPreviewWindow", "previewwindow", "Preview Window", "Preview window");
    actResetPages = command("actResetPages", "resetpages", "Reset Pages", "Reset all pages");
    FCommands->Connect(actEditFile, this, [this] { actEditFileExecute(); });
    FCommands->Connect(actReplaceFile, this, [this] { actReplaceFileExecute(); });
    FCommands->Connect(actPreviewWindow, this, [this] { actPreviewWindowExecute(); });
    FCommands->Connect(actResetPages, this, [this] { actResetPagesExecute(); });
    FCommands->Add(actEditFile,
                   [this] { return CanEditExtFormFile(FMain.Project().FilesStore(), SelectedEntry()); });
    FCommands->Add(actReplaceFile, [this] { return CanReplaceExtFormFile(SelectedEntry()); });
    FCommands->Add(actPreviewWindow,
                   [this] { return CanPreviewExtForm(FMain.Project().FilesStore(), SelectedEntry()); });
    FCommands->Add(actResetPages, {});

    tvExtFiles = new QTreeWidget(left);
    SetControlName(tvExtFiles, "tvExtFiles", QStringLiteral("System pages"));
    tvExtFiles->setHeaderHidden(true);
    tvExtFiles->setRootIsDecorated(false);
    tvExtFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    CurrentFollowsSelection(tvExtFiles);
    tvExtFiles->setContextMenuPolicy(Qt::ActionsContextMenu);
    tvExtFiles->addActions({actEditFile, actReplaceFile, actPreviewWindow, actResetPages});
    connect(tvExtFiles, &QTreeWidget::currentItemChanged, this, &TfrmExtFiles::tvExtFilesChange);

    BuildFormPanel();

    leftLayout->addWidget(tbExtFiles);
    leftLayout->addWidget(tvExtFiles, 1);
    leftLayout->addWidget(pnlForm);

    wbPage = new TMXWebBrowser(this);
    SetControlName(wbPage, "wbPage", QStringLiteral("Page"));

    splExtFiles = new QSplitter(Qt::Horizontal, this);
    splExtFiles->setObjectName(QStringLiteral("splExtFiles"));
    splExtFiles->addWidget(left);
    splExtFiles->addWidget(wbPage);
    splExtFiles->setStretchFactor(0, 0);
    splExtFiles->setStretchFactor(1, 1);
    splExtFiles->setSizes({250, 376});
    splExtFiles->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splExtFiles);

    new TDocumentActivation(this, [this](bool Active) { Activated(Active); });
}

TfrmExtFiles::~TfrmExtFiles() = default;

void TfrmExtFiles::BuildFormPanel() {
    pnlForm = new QWidget(this);
    pnlForm->setObjectName(QStringLiteral("pnlForm"));
    auto* grid = new QGridLayout(pnlForm);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);

    auto label = [this](const char* Caption, QWidget* Buddy) {
        return BuddyLabel(QString::fromLatin1(Caption), Buddy, pnlForm);
    };
    edtCaption = new QLineEdit(pnlForm);
    SetControlName(edtCaption, "edtCaption");
    edtCaption->setToolTip(QStringLiteral("Window title"));
    auto spin = [this](const char* Name, const char* Hint) {
        auto* box = new QSpinBox(pnlForm);
        SetControlName(box, Name);
        box->setRange(INT_MIN, INT_MAX);
        // The whole range would size the box for eleven digits.
        box->setMinimumWidth(70);
        box->setToolTip(QString::fromLatin1(Hint));
        connect(box, &QSpinBox::valueChanged, this, [this] { PanelChanged(); });
        return box;
    };
    spnedtWidth = spin("spnedtWidth", "Default window width");
    spnedtHeight = spin("spnedtHeight", "Default window height");
    auto check = [this](const char* Name, const char* Caption, const char* Hint) {
        auto* box = new QCheckBox(QString::fromLatin1(Caption), pnlForm);
        SetControlName(box, Name);
        box->setToolTip(QString::fromLatin1(Hint));
        connect(box, &QCheckBox::toggled, this, [this] { PanelChanged(); });
        return box;
    };
    chkCenter = check("chkCenter", "Center", "Center window on the screen");
    chkScrollBars = check("chkScrollBars", "Scroll bars", "Scroll bars visible");
    chkSizeable = check("chkSizeable", "Sizable", "User can resize window");
    chkSystemMenu = check("chkSystemMenu", "System menu", "System menu");
    chkMinimize = check("chkMinimize", "Minimize", "Minimize window icon");
    chkMaximize = check("chkMaximize", "Maximize", "Maximize window icon");
    connect(edtCaption, &QLineEdit::textEdited, this, &TfrmExtFiles::edtCaptionEdited);

    grid->addWidget(label("Title", edtCaption), 0, 0);
    grid->addWidget(edtCaption, 0, 1, 1, 3);
    grid->addWidget(label("Width", spnedtWidth), 1, 0);
    grid->addWidget(spnedtWidth, 1, 1);
    grid->addWidget(label("Height", spnedtHeight), 1, 2);
    grid->addWidget(spnedtHeight, 1, 3);
    grid->addWidget(chkCenter, 2, 0, 1, 2);
    grid->addWidget(chkScrollBars, 2, 2, 1, 2);
    grid->addWidget(chkSizeable, 3, 0, 1, 2);
    grid->addWidget(chkSystemMenu, 3, 2, 1, 2);
    grid->addWidget(chkMinimize, 4, 0, 1, 2);
    grid->addWidget(chkMaximize, 4, 2, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    pnlForm->setVisible(false);
}

void TfrmExtFiles::LoadAdditionalPages() {
    FEntries.clear();
    FLoadIncomplete = !ReadExtForms(FMain.Project().AdditionalPagesText(), FEntries);
    FEditedSinceLoad = false;

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/varpages/page.svg"), QSize(), QIcon::Normal);
    icon.addFile(QStringLiteral(":/icons/varpages/page-selected.svg"), QSize(), QIcon::Selected);
    tvExtFiles->blockSignals(true);
    tvExtFiles->clear();
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
        auto* item = new QTreeWidgetItem(tvExtFiles, QStringList(Q(FEntries[i].Name)));
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        item->setIcon(0, icon);
    }
    tvExtFiles->blockSignals(false);
    if (tvExtFiles->topLevelItemCount() > 0)
        tvExtFiles->setCurrentItem(tvExtFiles->topLevelItem(0)); // shows the panel and the page
    else
        tvExtFilesChange(nullptr, nullptr);
    FPagesLoaded = true;
}

TExtFormInfo* TfrmExtFiles::EntryOf(QTreeWidgetItem* Item) {
    if (!Item)
        return nullptr;
    const int index = Item->data(0, Qt::UserRole).toInt();
    return index >= 0 && index < static_cast<int>(FEntries.size())
               ? &FEntries[static_cast<std::size_t>(index)]
               : nullptr;
}

TExtFormInfo* TfrmExtFiles::SelectedEntry() {
    return EntryOf(tvExtFiles->currentItem());
}

void TfrmExtFiles::SelectEntry(int Index) {
    tvExtFiles->setCurrentItem(Index < 0 ? nullptr : tvExtFiles->topLevelItem(Index));
}

void TfrmExtFiles::StorePanel(TExtFormInfo* Entry) {
    if (!Entry)
        return;
    const std::string caption = edtCaption->text().toStdString();
    if (IsExtFormTextAllowed(caption))
        Entry->Caption = caption;
    Entry->Width = spnedtWidth->value();
    Entry->Height = spnedtHeight->value();
    Entry->Center = chkCenter->isChecked();
    Entry->ScrollBars = chkScrollBars->isChecked();
    Entry->Sizeable = chkSizeable->isChecked();
    Entry->SystemMenu = chkSystemMenu->isChecked();
    Entry->Minimize = chkMinimize->isChecked();
    Entry->Maximize = chkMaximize->isChecked();
}

void TfrmExtFiles::ShowPanel(const TExtFormInfo* Entry) {
    FFillingPanel = true;
    const TExtFormInfo shown = Entry ? *Entry : TExtFormInfo();
    edtCaption->setText(Q(shown.Caption));
    spnedtWidth->setValue(shown.Width);
    spnedtHeight->setValue(shown.Height);
    chkCenter->setChecked(shown.Center);
    chkScrollBars->setChecked(shown.ScrollBars);
    chkSizeable->setChecked(shown.Sizeable);
    chkSystemMenu->setChecked(shown.SystemMenu);
    chkMinimize->setChecked(shown.Minimize);
    chkMaximize->setChecked(shown.Maximize);
    FFillingPanel = false;
    pnlForm->setVisible(Entry && Entry->IsForm);
}

void TfrmExtFiles::tvExtFilesChange(QTreeWidgetItem* Current, QTreeWidgetItem* Previous) {
    // The panel still shows the entry that was selected: it is kept in that entry.
    StorePanel(EntryOf(Previous));
    ShowPanel(EntryOf(Current));
    ShowSelectedPage();
}

void TfrmExtFiles::ShowSelectedPage() {
    const TExtFormInfo* entry = SelectedEntry();
    if (!entry)
        wbPage->LoadHTMLText(SNoItemSelectedHtml);
    else if (StoreHoldsFile(FMain.Project().FilesStore(), entry->Path))
        wbPage->Navigate("mfs:" + entry->Path);
    else
        wbPage->LoadHTMLText(SNoFileHtml);
}

void TfrmExtFiles::PanelChanged() {
    if (FFillingPanel)
        return;
    FEditedSinceLoad = true;
    // The project holds the list as the panel shows it at once (and is marked modified
    // by the change).
    SaveChanges();
}

void TfrmExtFiles::edtCaptionEdited(const QString& Text) {
    // The list file keeps texts between double quotes: a title cannot hold one.
    if (Text.contains(QLatin1Char('"'))) {
        const int cursor = edtCaption->cursorPosition();
        const int removedBefore = static_cast<int>(Text.left(cursor).count(QLatin1Char('"')));
        QString cleaned = Text;
        cleaned.remove(QLatin1Char('"'));
        edtCaption->setText(cleaned);
        edtCaption->setCursorPosition(cursor - removedBefore);
        MessageDlg(this, SExtFormDoubleQuote, TMsgDlgType::mtWarning, QMessageBox::Ok, QMessageBox::Ok);
    }
    PanelChanged();
}

void TfrmExtFiles::Activated(bool Active) {
    if (!Active) {
        FWasInactive = true;
        return;
    }
    // Back from another window (the page editor may have changed the page).
    if (!FWasInactive)
        return;
    StorePanel(SelectedEntry());
    ShowSelectedPage();
}

void TfrmExtFiles::SaveChanges() {
    if (!FPagesLoaded)
        return;
    StorePanel(SelectedEntry());
    if (FLoadIncomplete && !FEditedSinceLoad)
        return;
    FMain.Project().SetAdditionalPagesText(BuildExtFormsXml(FEntries));
}

void TfrmExtFiles::CloseWithoutSaving() {
    FPagesLoaded = false;
    TfrmAbstractMDIChild::CloseWithoutSaving();
}

void TfrmExtFiles::actEditFileExecute() {
    const TExtFormInfo* entry = SelectedEntry();
    if (!CanEditExtFormFile(FMain.Project().FilesStore(), entry))
        return;
    EditorWindows().OpenPageEditor(FMain, entry->Path);
}

void TfrmExtFiles::actReplaceFileExecute() {
    const TExtFormInfo* entry = SelectedEntry();
    if (!CanReplaceExtFormFile(entry))
        return;
    const std::string fileName =
        ChooseOpenFileName(this, "Replace File", std::string(), "HTML files (*.htm *.html)");
    if (fileName.empty())
        return;
    ReplaceExtFormFile(FMain.Project(), entry->Path, fileName);
    ShowSelectedPage();
}

void TfrmExtFiles::actPreviewWindowExecute() {
    TExtFormInfo* entry = SelectedEntry();
    if (!CanPreviewExtForm(FMain.Project().FilesStore(), entry))
        return;
    StorePanel(entry);
    ShowFormPreview(*entry);
}

void TfrmExtFiles::actResetPagesExecute() {
    FPagesLoaded = false;
    try {
        ResetAdditionalPages(FMain.Project(), TBookProject::DefaultProjectBase());
    } catch (...) {
        // The tree shows what the store holds now, and the window writes again.
        LoadAdditionalPages();
        throw;
    }
    LoadAdditionalPages();
}

TfrmExtFormPreview* TfrmExtFiles::ShowFormPreview(const TExtFormInfo& Entry) {
    auto* preview = new TfrmExtFormPreview(this);
    preview->setWindowFlags(ExtFormPreviewFlags(Entry));
    preview->setWindowTitle(Q(Entry.Caption));
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect rect = ExtFormPreviewRect(Entry, desktop);
    preview->setGeometry(rect);
    if (!Entry.Sizeable)
        preview->setFixedSize(rect.size());
    if (!Entry.ScrollBars) {
        TUserInterfaceOptions options = preview->wbPreview->UserInterfaceOptions();
        preview->wbPreview->SetUserInterfaceOptions(options.Include(TUserInterfaceOption::SCROLL_NO));
    }
    if (!Entry.Path.empty())
        preview->wbPreview->Navigate("mfs:" + Entry.Path);
    preview->show();
    return preview;
}

TfrmExtFiles* ShowAdditionalPages(IEditorMain& Main) {
    return ShowSingleDocumentWindow<TfrmExtFiles>([&Main] {
        auto fresh = std::make_unique<TfrmExtFiles>(Main);
        fresh->LoadAdditionalPages();
        return fresh;
    });
}

namespace {

const TEditorWindowRegistration registration([](TEditorWindowTable& Table) {
    Table.OpenSystemPages = GuardedWindowOpener(ShowAdditionalPages);
});

} // namespace
