#include "frm_Edit.h"

#include "c_EditColorBox.h"
#include "frm_SelectStoryItem.h"
#include "frm_SelectVariable.h"
#include "frm_TableAttributes.h"
#include "u_CaseBlind.h"
#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_DocumentWindows.h"
#include "u_Forms.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Variables.h"
#include "u_WebEngineProtocol.h"

#include <QIcon>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <algorithm>

const char* const EditFormLayoutKey = "Software\\Brevant\\Quarvel\\Editor\\frmMain\\frmEdit\\FormProps";

namespace {

Q_LOGGING_CATEGORY(lcPageEditor, "quarvel.pageeditor", QtWarningMsg)

const char* const SEditCaption = "Edit";
const char* const SImageMustBeSelected = "Image must be selected first";
const char* const SExternalLinkCaption = "External Link Creation";
const char* const SExternalLinkPrompt = "Enter Hyperlink";
const char* const SImageCaption = "Insert Image";
const char* const SImagePrompt = "Picture address";
const char* const SLocalImageCaption = "Insert local image";
const char* const SPictureFilter = "All (*.jpg *.jpeg *.bmp *.gif *.ico *.emf *.wmf *.png);;"
                                   "JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;Bitmaps (*.bmp);;"
                                   "GIF Image (*.gif);;Icons (*.ico);;Enhanced Metafiles (*.emf);;"
                                   "Metafiles (*.wmf);;Portable Network Graphics (*.png)";
const char* const SListIndexError = "List index out of bounds (%d)";
// The entries of Align Image; "None" sets an empty alignment.
const char* const AlignImageEntries[] = {"None", "Top", "Middle", "Bottom", "Left", "Right"};

// Layout store options: placement, splitters and the owner's text (19, as the stored
// layouts have it). The page editor gives no text of its own, so no "ExtInfo" is kept.
constexpr TFormLayoutOptions EditLayoutOptions = loSizeAndPos | loSplitters | loExtInfo;
static_assert(EditLayoutOptions == 19);

// Every page editor created in this process takes the next number.
int& WindowCounter() {
    static int counter = 0;
    return counter;
}

// The surface's script: qwebchannel.js followed by the page editor's own script.
QString EditingScriptSource() {
    static const QString source = [] {
        QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QFile own(QStringLiteral(":/icons/edit/PageEditing.js"));
        channel.open(QIODevice::ReadOnly);
        own.open(QIODevice::ReadOnly);
        QString text =
            QString::fromUtf8(channel.readAll()) + QStringLiteral("\n") + QString::fromUtf8(own.readAll());
        text.replace(QStringLiteral("%EDITABLE_ID%"), QString::fromUtf8(EditableBlockID));
        return text;
    }();
    return source;
}

} // namespace

// ---- TPageEditBridge ----

void TPageEditBridge::partLoaded(int Part, const QString& Html) {
    TfrmEdit::TMirror& m = FOwner.FMirror;
    if (Part != FOwner.CurrentPart)
        return;
    m.Loaded = m.Html = S(Html);
    m.Valid = true;
    FOwner.ReadFontState();
}

void TPageEditBridge::partChanged(int Part, const QString& Html) {
    TfrmEdit::TMirror& m = FOwner.FMirror;
    if (Part == FOwner.CurrentPart && m.Valid)
        m.Html = S(Html);
}

void TPageEditBridge::selectionChanged(int Part, bool IsImage, const QString& Source) {
    TfrmEdit::TMirror& m = FOwner.FMirror;
    if (Part != FOwner.CurrentPart)
        return;
    m.ImageSelected = IsImage;
    m.ImageSource = S(Source);
}

// ---- TfrmEdit ----

TfrmEdit::TfrmEdit(IEditorMain& Main, QWidget* Parent)
    : TfrmAbstractMDIChild(Parent), WindowNumber(++WindowCounter()), FMain(Main), FBridge(*this) {
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QString::fromUtf8(SEditCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/main/editpreview.svg")));
    resize(960, 680);
    FCommands = new TCommandTable(this);
    CreateActions();
    CreateControls();
    InstallEditingScript();

    tmrFontProperties = new QTimer(this);
    tmrFontProperties->setObjectName(QStringLiteral("tmrFontProperties"));
    tmrFontProperties->setInterval(1000);
    connect(tmrFontProperties, &QTimer::timeout, this, &TfrmEdit::tmrFontPropertiesTimer);
    tmrCheckActive = new QTimer(this);
    tmrCheckActive->setObjectName(QStringLiteral("tmrCheckActive"));
    tmrCheckActive->setInterval(1000);
    // Runs only while the font controls are entered.
    connect(tmrCheckActive, &QTimer::timeout, this, &TfrmEdit::tmrCheckActiveTimer);

    // The font controls, like the tools, serve a shown part only.
    FCommands->AddUpdate([this] {
        const bool partShown = FShownPart >= 0;
        for (QWidget* control : {static_cast<QWidget*>(cmbFontName), static_cast<QWidget*>(spnFontSize),
                                 static_cast<QWidget*>(clrbFontColor)})
            if (control->isEnabled() != partShown)
                control->setEnabled(partShown);
    });
    FCommands->Update();
}

TfrmEdit::~TfrmEdit() {
    // The engine answers pending scripts while the controls are torn down: no one listens.
    FAlive.reset();
    if (FKeptClipboard)
        QGuiApplication::clipboard()->setText(*FKeptClipboard);
}

QAction* TfrmEdit::NewAction(const char* Name, const char* Caption, const char* Icon,
                             std::function<void()> Execute) {
    QAction* action = MakeAction(this, Name, QString::fromUtf8(Caption),
                                 Icon ? QStringLiteral("edit/%1.svg").arg(QLatin1String(Icon)) : QString());
    FCommands->Connect(action, this, std::move(Execute));
    // Every tool works on the part shown.
    FCommands->Add(action, [this] { return FShownPart >= 0; });
    return action;
}

void TfrmEdit::CreateActions() {
    // The tools that run one editing command of the engine.
    struct TCommandTool {
        QAction* TfrmEdit::*Member;
        const char* Name;
        const char* Caption;
        const char* Icon;
        const char* Command;
    };
    static const TCommandTool commandTools[] = {
        {&TfrmEdit::actUndo, "actUndo", "Undo", "undo", "Undo"},
        {&TfrmEdit::actRedo, "actRedo", "Redo", "redo", "Redo"},
        {&TfrmEdit::actCut, "actCut", "Cut", "cut", "Cut"},
        {&TfrmEdit::actCopy, "actCopy", "Copy", "copy", "Copy"},
        {&TfrmEdit::actPaste, "actPaste", "Paste", "paste", "Paste"},
        {&TfrmEdit::actBold, "actBold", "Bold", "bold", "Bold"},
        {&TfrmEdit::actItalic, "actItalic", "Italic", "italic", "Italic"},
        {&TfrmEdit::actUnderline, "actUnderline", "Underline", "underline", "Underline"},
        {&TfrmEdit::actAlignLeft, "actAlignLeft", "Align left", "align-left", "JustifyLeft"},
        {&TfrmEdit::actAlignCenter, "actAlignCenter", "Align center", "align-center", "JustifyCenter"},
        {&TfrmEdit::actAlignRight, "actAlignRight", "Align right", "align-right", "JustifyRight"},
        {&TfrmEdit::actAlignFull, "actAlignFull", "Align full", "align-full", "JustifyFull"},
        {&TfrmEdit::actOrderedList, "actOrderedList", "Toggle ordered list", "list-ordered",
         "InsertOrderedList"},
        {&TfrmEdit::actUnorderedList, "actUnorderedList", "Toggle unordered list", "list-unordered",
         "InsertUnorderedList"},
        {&TfrmEdit::actOutdent, "actOutdent", "Outdent", "outdent", "Outdent"},
        {&TfrmEdit::actIndent, "actIndent", "Indent", "indent", "Indent"},
        {&TfrmEdit::actUnlink, "actUnlink", "Remove any link from selection", "unlink", "Unlink"},
    };
    for (const TCommandTool& tool : commandTools) {
        const char* command = tool.Command;
        this->*tool.Member =
            NewAction(tool.Name, tool.Caption, tool.Icon, [this, command] { ExecCommand(command); });
    }
    actInternalLink = NewAction("actInternalLink", "Create internal link from selection", "link-internal",
                                [this] { actInternalLinkExecute(); });
    actExternalLink = NewAction("actExternalLink", "Create external link from selection", "link-external",
                                [this] { CreateExternalLink(); });
    actLocalImage =
        NewAction("actLocalImage", "Insert local image", "image-local", [this] { actLocalImageExecute(); });
    actWebImage = NewAction("actWebImage", "Insert web image", "image-web", [this] { actWebImageExecute(); });
    actInsertTable =
        NewAction("actInsertTable", "Insert table", "table", [this] { actInsertTableExecute(); });
    actInsertVariable =
        NewAction("actInsertVariable", "Insert variable", "variable", [this] { actInsertVariableExecute(); });
    actInsertSpecial = NewAction("actInsertSpecial", "Insert a button", "special", [] {});
    actRemoveFormat = NewAction("actRemoveFormat", "Remove format", "remove-format",
                                [this] { ExecCommand("RemoveFormat", std::nullopt, true); });
    actAlignImage = NewAction("actAlignImage", "Align Image", "align-image", [] {});

    mnuSpecials = new QMenu(this);
    mnuSpecials->setObjectName(QStringLiteral("mnuSpecials"));
    mnuSpecials->setTitle(actInsertSpecial->text());
    actInsertSpecial->setMenu(mnuSpecials);
    mnuAlignImage = new QMenu(this);
    mnuAlignImage->setObjectName(QStringLiteral("mnuAlignImage"));
    mnuAlignImage->setTitle(actAlignImage->text());
    mnuAlignImage->setIcon(actAlignImage->icon());
    for (const char* entry : AlignImageEntries) {
        QAction* a = mnuAlignImage->addAction(QString::fromUtf8(entry));
        a->setObjectName(QStringLiteral("mnuAlignImage") + QString::fromUtf8(entry));
        FCommands->Connect(a, this, [this, entry] { AlignImage(entry); });
    }
    actAlignImage->setMenu(mnuAlignImage);
}

void TfrmEdit::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pcEdit = new QTabWidget(this);
    SetControlName(pcEdit, "pcEdit");
    pcEdit->setDocumentMode(true);
    layout->addWidget(pcEdit);

    tabEdit = new QWidget;
    tabEdit->setObjectName(QStringLiteral("tabEdit"));
    tabPreview = new QWidget;
    tabPreview->setObjectName(QStringLiteral("tabPreview"));
    pcEdit->addTab(tabEdit, QStringLiteral("Edit"));
    pcEdit->addTab(tabPreview, QStringLiteral("Preview"));

    // The toolbar: the part list and the font controls with the formatting tools on
    // the first row, the editing and inserting tools on the second.
    tbEdit = new QWidget(tabEdit);
    SetControlName(tbEdit, "tbEdit");
    auto* rows = new QVBoxLayout(tbEdit);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(0);
    auto newRow = [&](const char* Name, const QString& AccessibleName) {
        QToolBar* bar = NewToolBar(tbEdit, Name, 20, Qt::ToolButtonIconOnly, AccessibleName);
        bar->setFloatable(false);
        bar->setMovable(false);
        rows->addWidget(bar);
        return bar;
    };
    QToolBar* row1 = newRow("tbEditFormat", QStringLiteral("Format"));
    QToolBar* row2 = newRow("tbEditInsert", QStringLiteral("Insert"));

    cmbPages = new QComboBox(tbEdit);
    SetControlName(cmbPages, "cmbPages", QStringLiteral("Current page"));
    cmbPages->setToolTip(QStringLiteral("Current page"));
    cmbPages->setMinimumContentsLength(16);
    cmbPages->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cmbPages, &QComboBox::activated, this, &TfrmEdit::cmbPagesActivated);

    cmbFontName = new QComboBox(tbEdit);
    SetControlName(cmbFontName, "cmbFontName", QStringLiteral("Font name"));
    cmbFontName->setToolTip(QStringLiteral("Font name"));
    cmbFontName->setEditable(true);
    // The field of the list has no label of its own either.
    cmbFontName->lineEdit()->setAccessibleName(QStringLiteral("Font name"));
    cmbFontName->setInsertPolicy(QComboBox::NoInsert);
    cmbFontName->setMinimumContentsLength(16);
    cmbFontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cmbFontName, &QComboBox::textActivated, this, [this](const QString& Name) {
        if (!Busy && !Name.trimmed().isEmpty())
            Guarded(this, [&] { ExecCommand("FontName", S(Name.trimmed())); });
    });

    spnFontSize = new QSpinBox(tbEdit);
    SetControlName(spnFontSize, "spnFontSize", QStringLiteral("Font size"));
    spnFontSize->setToolTip(QStringLiteral("Font size"));
    // 0 stands for "not known" and shows empty; the sizes are 1 to 7.
    spnFontSize->setRange(0, 7);
    spnFontSize->setSpecialValueText(QStringLiteral(" "));
    spnFontSize->setMinimumWidth(52);
    connect(spnFontSize, &QSpinBox::valueChanged, this, [this](int Size) {
        if (!Busy && Size >= 1)
            Guarded(this, [&] { ExecCommand("FontSize", std::to_string(Size)); });
    });

    clrbFontColor = new TEditColorBox(tbEdit);
    SetControlName(clrbFontColor, "clrbFontColor", QStringLiteral("Font color"));
    clrbFontColor->setToolTip(QStringLiteral("Font color"));
    connect(clrbFontColor, &TEditColorBox::ColorChosen, this, [this](TColor Color) {
        if (!Busy && Color != clNone)
            Guarded(this, [&] { ExecCommand("ForeColor", ColorToHtml(Color)); });
    });
    for (QWidget* control : {static_cast<QWidget*>(cmbFontName), static_cast<QWidget*>(spnFontSize),
                             static_cast<QWidget*>(clrbFontColor)})
        control->installEventFilter(this);
    cmbFontName->lineEdit()->installEventFilter(this);

    // The buttons are named after their tools, for screen readers by their captions.
    auto addTools = [](QToolBar* Bar, std::initializer_list<QAction*> Tools) {
        for (QAction* tool : Tools)
            AddToolAction(Bar, tool);
    };
    row1->addWidget(cmbPages);
    row1->addSeparator();
    row1->addWidget(cmbFontName);
    row1->addWidget(spnFontSize);
    row1->addWidget(clrbFontColor);
    row1->addSeparator();
    addTools(row1, {actBold, actItalic, actUnderline});
    row1->addSeparator();
    addTools(row1, {actAlignLeft, actAlignCenter, actAlignRight, actAlignFull});

    addTools(row2, {actUndo, actRedo});
    row2->addSeparator();
    addTools(row2, {actCut, actCopy, actPaste});
    row2->addSeparator();
    addTools(row2, {actOrderedList, actUnorderedList, actOutdent, actIndent});
    row2->addSeparator();
    addTools(row2, {actInternalLink, actExternalLink, actUnlink});
    row2->addSeparator();
    addTools(row2, {actLocalImage, actWebImage, actInsertTable, actInsertVariable, actInsertSpecial});
    row2->addSeparator();
    addTools(row2, {actRemoveFormat});
    // Align Image has no button; it is offered in the surface's context menu.
    if (auto* special = qobject_cast<QToolButton*>(row2->widgetForAction(actInsertSpecial)))
        special->setPopupMode(QToolButton::InstantPopup);

    pnlEdit = new QWidget(tabEdit);
    pnlEdit->setObjectName(QStringLiteral("pnlEdit"));
    auto* panel = new QVBoxLayout(pnlEdit);
    panel->setContentsMargins(0, 0, 0, 0);
    webEdit = new TMXWebBrowser(pnlEdit);
    SetControlName(webEdit, "webEdit", QStringLiteral("Editing surface"));
    panel->addWidget(webEdit);

    auto* editLayout = new QVBoxLayout(tabEdit);
    editLayout->setContentsMargins(0, 0, 0, 0);
    editLayout->setSpacing(0);
    editLayout->addWidget(tbEdit);
    editLayout->addWidget(pnlEdit, 1);

    webPreview = new TMXWebBrowser(tabPreview);
    SetControlName(webPreview, "webPreview", QStringLiteral("Preview"));
    auto* previewLayout = new QVBoxLayout(tabPreview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->addWidget(webPreview);

    connect(pcEdit, &QTabWidget::currentChanged, this, &TfrmEdit::pcEditCurrentChanged);

    // The surface shows only its own part; the preview only the preview URL (and,
    // while that page loads, the frames it names), so that links lead nowhere.
    webEdit->OnBeforeNavigate2 = [this](TMXWebBrowser&, const std::string& URL, bool& Cancel) {
        Cancel = FEditURL.empty() || !SameUrl(URL, FEditURL);
    };
    webPreview->OnBeforeNavigate2 = [this](TMXWebBrowser&, const std::string& URL, bool& Cancel) {
        Cancel = FPreviewURL.empty() || !(SameUrl(URL, FPreviewURL) || FPreviewLoading);
    };
    connect(webPreview, &TMXWebBrowser::NavigationFinished, this, [this] { FPreviewLoading = false; });
    webEdit->OnShowContextMenu = [this](TMXWebBrowser&, const QPoint& Position) {
        return webEditShowContextMenu(Position);
    };
}

void TfrmEdit::InstallEditingScript() {
    QWebEnginePage* page = webEdit->page();
    QWebEngineSettings* settings = page->settings();
    // Cut, Copy and Paste run as the engine's editing commands from script.
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, true);
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("pageEditor"), &FBridge);
    page->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    QWebEngineScript script;
    script.setName(QStringLiteral("quarvel-page-editing"));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(EditingScriptSource());
    page->scripts().insert(script);
}

void TfrmEdit::FillLists() {
    Busy = true;
    std::vector<std::string> fonts;
    ListScreenFonts(fonts);
    std::sort(fonts.begin(), fonts.end(),
              [](const std::string& a, const std::string& b) { return CompareTextCaseBlind(a, b) < 0; });
    QStringList names;
    for (const std::string& font : fonts)
        names.append(Q(font));
    cmbFontName->addItems(names);
    cmbFontName->setCurrentIndex(-1);
    Busy = false;

    for (const TSpecialItem& special : ReadSpecials(ProgramFolder())) {
        QAction* entry = mnuSpecials->addAction(Q(special.Name));
        FCommands->Connect(entry, this, [this, special] { InsertSpecial(special); });
    }
}

// ---- parts ----

void TfrmEdit::LoadParts(int Show) {
    if (!FListsFilled) {
        FillLists();
        FListsFilled = true;
    }
    cmbPages->clear();
    Parts.clear();
    CurrentPart = -1;
    CollectParts(FPagePath, *FMain.Project().FilesStore().NewSession(), Parts,
                 [](int Index, std::string_view Segment) {
                     qCDebug(lcPageEditor, "--> Parts[%d] = %.*s", Index, static_cast<int>(Segment.size()),
                             Segment.data());
                 });
    for (const TPageDescription& part : Parts)
        cmbPages->addItem(Q(part.PartName));
    Loaded = true;
    {
        // The tab switches of loading are not the user's: no collecting, no second preview.
        const QSignalBlocker blocker(pcEdit);
        if (Parts.empty()) {
            ShowPreview();
            pcEdit->setCurrentWidget(tabPreview);
        }
        pcEdit->setTabVisible(pcEdit->indexOf(tabEdit), !Parts.empty());
    }
    ShowPart(Show < static_cast<int>(Parts.size()) ? Show : 0);
}

void TfrmEdit::ShowPart(int n) {
    CurrentPart = -1;
    FMirror = TMirror();
    if (n >= 0 && n < static_cast<int>(Parts.size())) {
        FEditURL = EditingSurfaceURL(Parts[static_cast<std::size_t>(n)].FilePath, n, WindowNumber);
        webEdit->Navigate(FEditURL);
    } else {
        n = -1;
    }
    cmbPages->setCurrentIndex(n);
    pnlEdit->setVisible(n >= 0);
    FShownPart = n;
    if (n < 0)
        tmrFontProperties->stop();
    else
        ReadFontState();
}

void TfrmEdit::CollectPart() {
    if (CurrentPart < 0 || CurrentPart >= static_cast<int>(Parts.size()) || !FMirror.Valid)
        return;
    // A block the author did not touch stands for the text it was loaded from: the
    // engine's own rewriting of the markup is no change.
    const std::string& html = FMirror.Html == FMirror.Loaded ? FMirror.Served : FMirror.Html;
    TPageDescription& part = Parts[static_cast<std::size_t>(CurrentPart)];
    if (html == part.Html)
        return;
    FMain.Project().SetModified();
    part.Html = html;
    part.Changed = true;
}

void TfrmEdit::ShowPreview() {
    FPreviewURL = EditorPreviewURL(FPagePath, WindowNumber);
    FPreviewLoading = true;
    webPreview->Navigate(FPreviewURL);
}

void TfrmEdit::GetPageData(TMFSInternetProtocol&, std::string& URL, bool& Substitute, bool& Handled,
                           std::string& Data) {
    const TEditorRequest request = ParseEditorRequest(URL, WindowNumber);
    if (!request.Belongs)
        return;
    Substitute = false;
    if (request.Kind == TEditorRequest::Part) {
        const int n = request.PartIndex;
        if (n < 0 || n >= static_cast<int>(Parts.size()))
            throw EListError(Format(SListIndexError, n));
        const TPageDescription& part = Parts[static_cast<std::size_t>(n)];
        Data = EditingSurfaceDocument(part.Html);
        Handled = true;
        CurrentPart = n;
        FMirror = TMirror();
        FMirror.Served = part.Html;
    } else if (request.Kind == TEditorRequest::Preview) {
        Substitute = true;
        const std::string path = TMFS::NormalizeSlashes(request.Path);
        const bool hasParts = std::any_of(Parts.begin(), Parts.end(), [&](const TPageDescription& p) {
            return SameTextCaseBlind(p.FilePath, path);
        });
        if (hasParts) {
            Data = PutPartsIntoText(FMain.Project().FileContent(path), path, Parts, false);
            Handled = true;
        }
    }
}

void TfrmEdit::ApplyChanges() {
    if (Loaded)
        CollectPart();
}

void TfrmEdit::SaveChanges() {
    if (!Loaded)
        return;
    // Saving reloads the parts and shows the part that was shown.
    const int remembered = cmbPages->currentIndex();
    try {
        CollectPart();
        WriteChangedParts(FMain.Project(), Parts);
    } catch (...) {
        LoadParts(remembered);
        throw;
    }
    // A window that closes after saving shows nothing more.
    if (!FClosing)
        LoadParts(remembered);
}

void TfrmEdit::CloseWithoutSaving() {
    Loaded = false;
    TfrmAbstractMDIChild::CloseWithoutSaving();
}

void TfrmEdit::ToggleEditPreview() {
    const bool editVisible = pcEdit->isTabVisible(pcEdit->indexOf(tabEdit));
    if (pcEdit->currentWidget() == tabEdit)
        pcEdit->setCurrentWidget(tabPreview);
    else if (editVisible)
        pcEdit->setCurrentWidget(tabEdit);
    else
        ShowPreview();
}

// ---- font state ----

void TfrmEdit::ReadFontState() {
    tmrFontProperties->stop();
    RunEditScript("fontState", QJsonArray(), [this](const QVariant& State) { ApplyFontState(State); });
}

void TfrmEdit::ApplyFontState(const QVariant& State) {
    const QVariantMap state = State.toMap();
    auto value = [&](const char* Name) -> std::optional<std::string> {
        const QVariant v = state.value(QString::fromUtf8(Name));
        if (!v.isValid() || v.isNull())
            return std::nullopt;
        return S(v.toString());
    };
    Busy = true;
    const std::optional<std::string> name = value("name");
    const QString fontName = name ? Q(EngineFontName(*name)) : QString();
    const int index = fontName.isEmpty() ? -1 : cmbFontName->findText(fontName, Qt::MatchFixedString);
    cmbFontName->setCurrentIndex(index);
    cmbFontName->setEditText(index >= 0 ? cmbFontName->itemText(index) : fontName);
    const std::optional<std::string> size = value("size");
    spnFontSize->setValue(size ? EngineFontSize(*size) : 0);
    const std::optional<std::string> color = value("color");
    if (!color) {
        // Nothing shown: the next colour read is new again, even the one shown before.
        LastFontColor = clNone;
        clrbFontColor->SetColor(clNone);
    } else if (const TColor c = EngineColorToColor(*color); c != LastFontColor) {
        LastFontColor = c;
        clrbFontColor->SetColor(c);
    }
    Busy = false;
    tmrFontProperties->start();
}

bool TfrmEdit::FontControlsActive() const {
    const QWidget* focus = QApplication::focusWidget();
    const bool focused =
        focus && (focus == cmbFontName || cmbFontName->isAncestorOf(focus) || focus == spnFontSize ||
                  spnFontSize->isAncestorOf(focus) || focus == clrbFontColor);
    const bool listOpen =
        (cmbFontName->view() && cmbFontName->view()->isVisible()) || clrbFontColor->ListOpen();
    return focused || listOpen;
}

void TfrmEdit::tmrFontPropertiesTimer() {
    if (!FontControlsActive())
        ReadFontState();
}

void TfrmEdit::tmrCheckActiveTimer() {
    if (FontControlsActive())
        return;
    tmrCheckActive->stop();
    FontControlsEntered = false;
    ReadFontState();
}

bool TfrmEdit::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::FocusIn && !FontControlsEntered) {
        FontControlsEntered = true;
        ReadFontState();
        tmrFontProperties->stop();
        tmrCheckActive->start();
    }
    return TfrmAbstractMDIChild::eventFilter(Watched, Event);
}

// ---- commands ----

void TfrmEdit::RunEditScript(const char* Function, const QJsonArray& Arguments,
                             std::function<void(const QVariant&)> Done) {
    QString arguments = QString::fromUtf8(QJsonDocument(Arguments).toJson(QJsonDocument::Compact));
    arguments = arguments.mid(1, arguments.size() - 2); // the array's brackets off
    const QString code = QStringLiteral("window.QuarvelEdit ? QuarvelEdit.%1(%2) : undefined")
                             .arg(QString::fromUtf8(Function), arguments);
    ++FPendingScripts;
    const std::weak_ptr<int> alive = FAlive;
    webEdit->page()->runJavaScript(code, QWebEngineScript::ApplicationWorld,
                                   [this, alive, Done = std::move(Done)](const QVariant& Result) {
                                       if (alive.expired())
                                           return;
                                       --FPendingScripts;
                                       if (Done)
                                           Done(Result);
                                   });
}

void TfrmEdit::ExecCommand(const std::string& Command, const std::optional<std::string>& Value, bool ShowUI) {
    RunEditScript("exec", QJsonArray{Q(Command), ShowUI, Value ? QJsonValue(Q(*Value)) : QJsonValue()});
}

void TfrmEdit::InsertHtml(const std::string& Html) {
    RunEditScript("insertHtml", QJsonArray{Q(Html)});
}

void TfrmEdit::InsertVariable(const std::string& Name) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (FPendingPastes == 0)
        FKeptClipboard = clipboard->text();
    ++FPendingPastes;
    clipboard->setText(Q("%{" + Name + "}"));
    // The kept text goes back once the (last) paste ran, whether or not it succeeded.
    RunEditScript("exec", QJsonArray{QStringLiteral("Paste"), false, QJsonValue()}, [this](const QVariant&) {
        if (--FPendingPastes == 0 && FKeptClipboard) {
            QGuiApplication::clipboard()->setText(*FKeptClipboard);
            FKeptClipboard.reset();
        }
    });
}

void TfrmEdit::InsertTable(const TTableAttributes& Attributes) {
    InsertHtml(BuildTableHtml(Attributes));
}

void TfrmEdit::InsertSpecial(const TSpecialItem& Special) {
    InsertHtml(ReadSpecialText(ProgramFolder(), Special.Source));
    // The links that name "mfs:" paths (of every kind) are made relative to the page; the
    // block comes back only when that changed something.
    RunEditScript("blockHtml", QJsonArray(), [this](const QVariant& Html) {
        if (Html.typeId() != QMetaType::QString)
            return;
        const std::string before = S(Html.toString());
        const std::string after = StripLinkPrefix(before, SpecialPicturePrefix, SpecialPicturePrefixLength);
        if (after != before)
            RunEditScript("setBlockHtml", QJsonArray{Q(after)});
    });
}

void TfrmEdit::CreateInternalLink(const TProjectItemInfo& Page) {
    ExecCommand("CreateLink", Page.Page);
}

void TfrmEdit::CreateExternalLink() {
    std::string address = ExternalLinkPrefix;
    if (InputQuery(this, SExternalLinkCaption, SExternalLinkPrompt, address))
        ExecCommand("CreateLink", address);
    RunEditScript("setLinkTargets",
                  QJsonArray{QString::fromUtf8(ExternalLinkPrefix), QString::fromUtf8(ExternalLinkTarget)});
}

void TfrmEdit::InsertPictureFile(const std::string& FileName) {
    if (CurrentPart < 0 || CurrentPart >= static_cast<int>(Parts.size()))
        return;
    const std::string bytes = ReadFileText(FileName);
    const std::string path =
        StorePagePicture(FMain.Project(), Parts[static_cast<std::size_t>(CurrentPart)].FilePath,
                         S(QFileInfo(Q(FileName)).fileName()), bytes);
    ExecCommand("InsertImage", path);
}

void TfrmEdit::AlignImage(const std::string& Entry) {
    if (!FMirror.ImageSelected) {
        MessageDlg(this, SImageMustBeSelected, TMsgDlgType::mtError, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    RunEditScript("alignImage", QJsonArray{Entry == "None" ? QString() : Q(Entry)});
}

void TfrmEdit::actInsertVariableExecute() {
    const std::string name = SelectVariable(this, FMain.ProjectVariables());
    if (!name.empty())
        InsertVariable(name);
}

void TfrmEdit::actInsertTableExecute() {
    TTableAttributes attributes;
    if (AskTableAttributes(this, attributes))
        InsertTable(attributes);
}

void TfrmEdit::actInternalLinkExecute() {
    if (TProjectItemInfo* page = SelectStoryItem(this, FMain.Project().Story()))
        CreateInternalLink(*page);
}

void TfrmEdit::actLocalImageExecute() {
    if (CurrentPart < 0)
        return;
    if (FMirror.ImageSelected) {
        // The selected picture is edited: its address, as the engine's picture dialog would.
        std::string source = FMirror.ImageSource;
        if (InputQuery(this, SImageCaption, SImagePrompt, source))
            ExecCommand("InsertImage", source);
        return;
    }
    const std::string fileName = ChooseOpenFileName(this, SLocalImageCaption, std::string(), SPictureFilter);
    if (!fileName.empty())
        InsertPictureFile(fileName);
}

void TfrmEdit::actWebImageExecute() {
    if (CurrentPart < 0)
        return;
    std::string address = FMirror.ImageSelected ? FMirror.ImageSource : std::string(ExternalLinkPrefix);
    if (InputQuery(this, SImageCaption, SImagePrompt, address))
        ExecCommand("InsertImage", address);
}

HRESULT TfrmEdit::webEditShowContextMenu(const QPoint& Position) {
    QMenu* menu = webEdit->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    menu->addMenu(mnuAlignImage);
    menu->popup(Position);
    return S_OK;
}

void TfrmEdit::cmbPagesActivated(int Index) {
    if (!Loaded)
        return;
    Guarded(this, [&] {
        CollectPart();
        ShowPart(Index);
    });
}

void TfrmEdit::pcEditCurrentChanged(int Index) {
    Guarded(this, [&] {
        CollectPart();
        if (pcEdit->widget(Index) == tabPreview) {
            tmrFontProperties->stop();
            ShowPreview();
        } else {
            ReadFontState();
        }
    });
}

// ---- window ----

QWidget* TfrmEdit::LayoutForm() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return frame;
    return this;
}

void TfrmEdit::showEvent(QShowEvent* Event) {
    TfrmAbstractMDIChild::showEvent(Event);
    if (!FLayoutRestored) {
        FLayoutRestored = true;
        RestoreFormLayout(EditFormLayoutKey, LayoutForm());
    }
}

void TfrmEdit::closeEvent(QCloseEvent* Event) {
    FClosing = true;
    TfrmAbstractMDIChild::closeEvent(Event);
    FClosing = false;
    if (Event->isAccepted())
        SaveFormLayout(EditFormLayoutKey, LayoutForm(), EditLayoutOptions);
}

TfrmEdit* OpenPageEditor(IEditorMain& Main, const std::string& PagePath) {
    return ShowMatchingDocumentWindow<TfrmEdit>(
        [&PagePath](const TfrmEdit& Editor) { return Editor.PagePath() == PagePath; },
        [&Main, &PagePath] {
            auto editor = std::make_unique<TfrmEdit>(Main);
            editor->SetPagePath(PagePath);
            editor->LoadParts();
            Main.Project().SetModified();
            return editor;
        });
}

namespace {

const TEditorWindowRegistration PageEditorRegistration([](TEditorWindowTable& Table) {
    Table.OpenPageEditor = GuardedWindowOpener<const std::string&>(OpenPageEditor);
});

} // namespace
