// The page editor: edits the editable parts of a story page one at a time on an
// editing surface, with a preview of the whole page (unsaved parts put in, variables
// expanded). The editor serves both views itself through the project protocol
// (GetPageData) and keeps a mirror of the editable block, which the surface's script
// pushes over a web channel after every change, so that collecting a part never
// waits for the engine.
#pragma once

#include "c_MXWebBrowser.h"
#include "frm_AbstractMDIChild.h"
#include "u_EditorServices.h"
#include "u_PageParts.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QJsonArray;
class QMenu;
class QSpinBox;
class QTabWidget;
class QTimer;
class TCommandTable;
class TEditColorBox;
class TfrmEdit;

extern const char* const EditFormLayoutKey; // "Software\Brevant\Quarvel\Editor\frmMain\frmEdit\FormProps"

// The editor's side of the web channel: what the surface's script reports.
class TPageEditBridge : public QObject {
    Q_OBJECT
public:
    explicit TPageEditBridge(TfrmEdit& Owner) : FOwner(Owner) {}

public slots:
    // The block as the surface loaded it, before any edit.
    void partLoaded(int Part, const QString& Html);
    // The block after an edit or a command.
    void partChanged(int Part, const QString& Html);
    // Whether the selection is exactly one picture, and its source.
    void selectionChanged(int Part, bool IsImage, const QString& Source);

private:
    TfrmEdit& FOwner;
};

class TfrmEdit : public TfrmAbstractMDIChild, public IPageEditorWindow {
    Q_OBJECT
public:
    explicit TfrmEdit(IEditorMain& Main, QWidget* Parent = nullptr);
    ~TfrmEdit() override;

    void SetPagePath(const std::string& Path) { FPagePath = Path; }
    // Reads the parts of the page afresh and shows part Show (-1: none; a number
    // beyond the parts shows the first). The first call also fills the font list and
    // the snippet menu, which do not depend on the page.
    void LoadParts(int Show = 0);
    void ShowPart(int n);
    void CollectPart();
    void ShowPreview();
    void ReadFontState();

    // TfrmAbstractMDIChild
    void GetPageData(TMFSInternetProtocol& Sender, std::string& URL, bool& Substitute, bool& Handled,
                     std::string& Data) override;
    void ApplyChanges() override;
    void SaveChanges() override;
    void CloseWithoutSaving() override;
    // IPageEditorWindow
    std::string PagePath() const override { return FPagePath; }
    void ToggleEditPreview() override;

    // The commands behind the tools, after their dialogs.
    // Runs the engine's editing command on the surface (with a value when given).
    void ExecCommand(const std::string& Command, const std::optional<std::string>& Value = std::nullopt,
                     bool ShowUI = false);
    // Puts markup in place of the selection, else at the end of the editable block.
    void InsertHtml(const std::string& Html);
    void InsertVariable(const std::string& Name);
    void InsertTable(const TTableAttributes& Attributes);
    void InsertSpecial(const TSpecialItem& Special);
    // A link to a story page.
    void CreateInternalLink(const TProjectItemInfo& Page);
    // Asks for the address, links the selection, then gives "http://" links their target.
    void CreateExternalLink();
    // A picture of the disk, copied into the page's companion folder.
    void InsertPictureFile(const std::string& FileName);
    // Gives the selected picture the alignment of an "Align Image" entry.
    void AlignImage(const std::string& Entry);

    // The mirror of the editable block, as the surface last reported it.
    bool MirrorValid() const noexcept { return FMirror.Valid; }
    const std::string& MirrorHtml() const noexcept { return FMirror.Html; }
    bool ImageSelected() const noexcept { return FMirror.ImageSelected; }
    // Scripts sent to the surface whose answer has not come back yet.
    int PendingScripts() const noexcept { return FPendingScripts; }
    // Which part ShowPart last showed (-1: none); the tools are enabled for a part.
    int ShownPart() const noexcept { return FShownPart; }
    // The window's commands with their enabling rules.
    TCommandTable& Commands() noexcept { return *FCommands; }
    // The parts of the page as the window holds them (changed or not), the part the
    // surface edits (-1: none) and the window's number in its addresses.
    const TPageDescriptions& PageParts() const noexcept { return Parts; }
    int EditedPart() const noexcept { return CurrentPart; }
    int Number() const noexcept { return WindowNumber; }

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TPageEditBridge;
    // The model: the editable parts of the page, whether they were read, the part the
    // surface edits, the window's number in its addresses, and the font state.
    TPageDescriptions Parts;
    bool Loaded = false;
    int CurrentPart = -1;
    const int WindowNumber;
    bool Busy = false;
    bool FontControlsEntered = false;
    TColor LastFontColor = clNone;

    // The controls and commands, named as in the window's design (tests find them by
    // these object names).
    QTabWidget* pcEdit = nullptr;
    QWidget* tabEdit = nullptr;
    QWidget* tabPreview = nullptr;
    QWidget* tbEdit = nullptr; // the toolbar: two rows of tools
    QWidget* pnlEdit = nullptr;
    TMXWebBrowser* webEdit = nullptr;
    TMXWebBrowser* webPreview = nullptr;
    QComboBox* cmbPages = nullptr;
    QComboBox* cmbFontName = nullptr;
    QSpinBox* spnFontSize = nullptr;
    TEditColorBox* clrbFontColor = nullptr;
    QTimer* tmrFontProperties = nullptr;
    QTimer* tmrCheckActive = nullptr;

    QAction *actUndo = nullptr, *actRedo = nullptr, *actCut = nullptr, *actCopy = nullptr,
            *actPaste = nullptr;
    QAction *actBold = nullptr, *actItalic = nullptr, *actUnderline = nullptr;
    QAction *actAlignLeft = nullptr, *actAlignCenter = nullptr, *actAlignRight = nullptr,
            *actAlignFull = nullptr;
    QAction *actOrderedList = nullptr, *actUnorderedList = nullptr, *actOutdent = nullptr,
            *actIndent = nullptr;
    QAction *actInternalLink = nullptr, *actExternalLink = nullptr, *actUnlink = nullptr;
    QAction *actLocalImage = nullptr, *actWebImage = nullptr, *actInsertTable = nullptr;
    QAction *actInsertVariable = nullptr, *actInsertSpecial = nullptr, *actRemoveFormat = nullptr;
    QAction* actAlignImage = nullptr;
    QMenu* mnuSpecials = nullptr;
    QMenu* mnuAlignImage = nullptr;

    // The mirror belongs to CurrentPart.
    struct TMirror {
        bool Valid = false;
        std::string Served; // the part's text when the surface asked for it
        std::string Loaded; // the block as the engine loaded it
        std::string Html;   // the block now
        bool ImageSelected = false;
        std::string ImageSource;
    };

    void CreateControls();
    void CreateActions();
    QAction* NewAction(const char* Name, const char* Caption, const char* Icon,
                       std::function<void()> Execute);
    void InstallEditingScript();
    // The font names and the snippets of "Special\Special.xml" (whose errors pass through).
    void FillLists();
    // Runs a call of the surface's script: QuarvelEdit.Function(arguments), the
    // arguments JSON-escaped. Done gets the answer (an invalid value when the surface
    // has no script).
    void RunEditScript(const char* Function, const QJsonArray& Arguments,
                       std::function<void(const QVariant&)> Done = nullptr);
    void ApplyFontState(const QVariant& State);
    bool FontControlsActive() const;
    QWidget* LayoutForm();

    void cmbPagesActivated(int Index);
    void pcEditCurrentChanged(int Index);
    void tmrFontPropertiesTimer();
    void tmrCheckActiveTimer();
    void actInsertVariableExecute();
    void actInsertTableExecute();
    void actInternalLinkExecute();
    void actLocalImageExecute();
    void actWebImageExecute();
    HRESULT webEditShowContextMenu(const QPoint& Position);

    IEditorMain& FMain;
    TCommandTable* FCommands = nullptr;
    std::string FPagePath;
    std::string FEditURL;
    std::string FPreviewURL;
    bool FPreviewLoading = false;
    int FShownPart = -1;
    bool FClosing = false;
    bool FLayoutRestored = false;
    bool FListsFilled = false; // the font list and the snippet menu
    TMirror FMirror;
    TPageEditBridge FBridge;
    int FPendingScripts = 0;
    std::optional<QString> FKeptClipboard; // put back once the pastes of variables ran
    int FPendingPastes = 0;
    std::shared_ptr<int> FAlive = std::make_shared<int>(0); // gone once the window is being destroyed
};

// Brings the open editor of exactly this page path forward (one editor per page), or
// opens a new one: its parts loaded, shown, and the project marked modified. A failure
// to load destroys the new window and raises.
TfrmEdit* OpenPageEditor(IEditorMain& Main, const std::string& PagePath);
