#include "frm_Reader.h"

#include "u_BookLayout.h"
#include "c_BookView.h"
#include "frm_Password.h"
#include "frm_ReaderForm.h"
#include "frm_Search.h"
#include "u_BookScheme.h"
#include "u_CaseBlind.h"
#include "u_CommandTable.h"
#include "u_Forms.h"
#include "u_ReaderCommands.h"
#include "u_ReaderNavigation.h"
#include "u_ReaderPictures.h"
#include "u_ReaderSettings.h"
#include "u_Version.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include <algorithm>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The pictures' size of the toolbar options, within sane bounds.
QSize ImageSize(const TToolbarOptions& options) {
    return QSize(std::clamp(options.ToolbarImgW, 8, 256), std::clamp(options.ToolbarImgH, 8, 256));
}

// Marks the words of a search on the page: each match wrapped in a <mark> of class
// "pagelamp-hit", the first one scrolled into view. The words come as a JSON array.
const char* const HighlightScript = R"JS(
(function (terms) {
  if (!document.body || !terms.length) return 0;
  var skip = { SCRIPT: 1, STYLE: 1, MARK: 1, TEXTAREA: 1 };
  var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, {
    acceptNode: function (n) {
      return n.parentNode && skip[n.parentNode.nodeName] ? NodeFilter.FILTER_REJECT : NodeFilter.FILTER_ACCEPT;
    }
  });
  var nodes = [], count = 0, first = null;
  while (walker.nextNode()) nodes.push(walker.currentNode);
  nodes.forEach(function (node) {
    var text = node.nodeValue, lower = text.toLowerCase(), pos = 0, frag = null;
    for (;;) {
      var best = -1, len = 0;
      terms.forEach(function (t) {
        var i = lower.indexOf(t, pos);
        if (i >= 0 && (best < 0 || i < best)) { best = i; len = t.length; }
      });
      if (best < 0) break;
      frag = frag || document.createDocumentFragment();
      frag.appendChild(document.createTextNode(text.substring(pos, best)));
      var mark = document.createElement('mark');
      mark.className = 'pagelamp-hit';
      mark.textContent = text.substr(best, len);
      frag.appendChild(mark);
      if (!first) first = mark;
      count++;
      pos = best + len;
    }
    if (frag) {
      frag.appendChild(document.createTextNode(text.substring(pos)));
      node.parentNode.replaceChild(frag, node);
    }
  });
  if (first) first.scrollIntoView({ block: 'center' });
  return count;
})
)JS";

} // namespace

TfrmReader::TfrmReader(TReaderSession& Session, QWidget* Parent)
    : QMainWindow(Parent), FSession(Session), FBook(Session.Book()) {
    setObjectName("frmReader");
    FCommands = new TCommandTable(this);
    FProfile = NewBookProfile(FSession, nullptr);

    wbBook = new TBookView(FProfile, this);
    wbBook->setObjectName("wbBook");
    wbBook->setAccessibleName("Page");
    setCentralWidget(wbBook);
    wbBook->BookPage()->OnFollowLink = [this](const QUrl& url) { FollowLink(LinkOfUrl(url)); };
    wbBook->BookPage()->OnNewWindow = [this](const QUrl& url) { FollowLinkInNewWindow(LinkOfUrl(url)); };
    wbBook->OnContextMenu = [this](const QPoint& position) { ShowContextMenu(position); };
    connect(wbBook, &QWebEngineView::loadFinished, this, &TfrmReader::PageLoaded);
    connect(wbBook->page(), &QWebEnginePage::linkHovered, this, [this](const QString& url) {
        const QUrl link(url);
        statusBar()->showMessage(IsBookUrl(link) ? Q(ClassifyLink(LinkOfUrl(link), "\\").Address.Path) : url);
    });
    connect(wbBook, &QWebEngineView::printFinished, this, [this](bool ok) {
        FPrinting = false;
        FPrinter.reset();
        if (!ok)
            ShowMessage("The page could not be printed.");
    });
    connect(wbBook->page(), &QWebEnginePage::pdfPrintingFinished, this, [this](const QString& file, bool ok) {
        FPrinting = false;
        if (ok)
            statusBar()->showMessage("Saved " + file, 5000);
        else
            ShowMessage("The page could not be saved as \"" + file + "\".");
    });

    CreateActions();
    CreateMenus();
    CreateContents();
    CreateToolBar();
    ApplyWindowOptions();
    UpdateCommands();
}

TfrmReader::~TfrmReader() {
    // The pages go before the profile they were made in.
    for (TfrmReaderForm* form : findChildren<TfrmReaderForm*>(Qt::FindDirectChildrenOnly))
        delete form;
    delete wbBook;
    delete FProfile;
}

// ---- Building the window ----

void TfrmReader::CreateActions() {
    // Names, captions and the enabling rules come from the reader's command table; the
    // keys are the desktop's own sequences for the same commands.
    using C = TReaderCommand;
    const auto view = [this] {
        TReaderViewState state;
        state.HasSelection = wbBook->hasSelection();
        state.Printing = FPrinting;
        state.FontSize = wbBook->FontSize();
        state.ContentsVisible = actContents && actContents->isChecked();
        return state;
    };
    auto make = [this, view](C command, std::initializer_list<QKeySequence> keys, std::function<void()> run) {
        const TReaderCommandInfo& info = CommandInfo(command);
        auto* action = new QAction(QString::fromUtf8(info.Caption), this);
        action->setObjectName(info.Name);
        action->setShortcuts(QList<QKeySequence>(keys));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [run] { run(); });
        addAction(action);
        return FCommands->Add(action, [this, view, command] { return CommandEnabled(command, FSession, view()); });
    };
    auto go = [this](TStoryCommand command) { return [this, command] { StoryCommand(command); }; };

    actBack = make(C::Back, {QKeySequence::Back}, [this] {
        const std::string address = FSession.Back();
        if (!address.empty())
            ShowAddress(address, false);
    });
    actForward = make(C::Forward, {QKeySequence::Forward}, [this] {
        const std::string address = FSession.Forward();
        if (!address.empty())
            ShowAddress(address, false);
    });
    actHome = make(C::Home, {QKeySequence(Qt::ALT | Qt::Key_Home)}, go(TStoryCommand::Home));
    actFirst = make(C::First, {QKeySequence(Qt::CTRL | Qt::Key_Home)}, go(TStoryCommand::First));
    actPrior = make(C::Prior, {QKeySequence(Qt::CTRL | Qt::Key_Left), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
                    go(TStoryCommand::Prior));
    actNext = make(C::Next, {QKeySequence(Qt::CTRL | Qt::Key_Right), QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
                   go(TStoryCommand::Next));
    actLast = make(C::Last, {QKeySequence(Qt::CTRL | Qt::Key_End)}, go(TStoryCommand::Last));
    actPriorChapter = make(C::PriorChapter, {QKeySequence(Qt::CTRL | Qt::Key_Up)}, go(TStoryCommand::PriorChapter));
    actNextChapter = make(C::NextChapter, {QKeySequence(Qt::CTRL | Qt::Key_Down)}, go(TStoryCommand::NextChapter));
    actSearch = make(C::Search, {QKeySequence::Find}, [this] { actSearchExecute(); });
    actPrint = make(C::Print, {QKeySequence::Print}, [this] { actPrintExecute(); });
    actPrintPdf = make(C::PrintPdf, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}, [this] { actPrintPdfExecute(); });
    actCopy = make(C::Copy, {QKeySequence::Copy}, [this] { wbBook->page()->triggerAction(QWebEnginePage::Copy); });
    actSelectAll = make(C::SelectAll, {QKeySequence::SelectAll}, [this] {
        // Script, not the engine's action, which needs the keyboard focus in the page.
        wbBook->page()->runJavaScript("document.body && window.getSelection()"
                                      ".selectAllChildren(document.body)",
                                      QWebEngineScript::ApplicationWorld);
    });
    actRefresh = make(C::Refresh, {QKeySequence(Qt::Key_F5)}, [this] { ShowAddress(FSession.Current(), false); });
    actAbout = make(C::About, {QKeySequence(Qt::Key_F1)}, [this] { actAboutExecute(); });
    actExit = make(C::Exit, {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] { close(); });
    actContents = make(C::Contents, {QKeySequence(Qt::Key_F9)}, [] {});
    actContents->setCheckable(true);
    actLarger = make(C::Larger, {QKeySequence::ZoomIn}, [this] { SetFontSize(wbBook->FontSize() + 1); });
    actSmaller = make(C::Smaller, {QKeySequence::ZoomOut}, [this] { SetFontSize(wbBook->FontSize() - 1); });
    auto* fontGroup = new QActionGroup(this);
    for (int i = 0; i < 5; ++i) {
        actFontSize[i] = make(C(int(C::FontSize0) + i),
                              i == 2 ? std::initializer_list<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_0)}
                                     : std::initializer_list<QKeySequence>{},
                              [this, i] { SetFontSize(i); });
        actFontSize[i]->setCheckable(true);
        fontGroup->addAction(actFontSize[i]);
    }
    actFontSize[2]->setChecked(true);
}

void TfrmReader::CreateMenus() {
    QMenu* book = menuBar()->addMenu("&Book");
    book->addAction(actSearch);
    book->addSeparator();
    book->addAction(actPrint);
    book->addAction(actPrintPdf);
    book->addSeparator();
    book->addAction(actCopy);
    book->addAction(actSelectAll);
    book->addSeparator();
    book->addAction(actAbout);
    book->addAction(actExit);

    QMenu* go = menuBar()->addMenu("&Go");
    go->addAction(actBack);
    go->addAction(actForward);
    go->addAction(actHome);
    go->addSeparator();
    go->addAction(actFirst);
    go->addAction(actPrior);
    go->addAction(actNext);
    go->addAction(actLast);
    go->addSeparator();
    go->addAction(actPriorChapter);
    go->addAction(actNextChapter);

    // The bookmarks of the book's bookmarks button, when it has one.
    for (const TToolbarButton& button : FBook.ToolButtons()) {
        if (button.Kind != tbkFavourites || button.Bookmarks.empty())
            continue;
        go->addSeparator();
        QMenu* mnuBookmarks = go->addMenu(ButtonCaption(button));
        mnuBookmarks->setObjectName("mnuBookmarks");
        for (const TToolbarBookmark& mark : button.Bookmarks)
            AddBookmark(mnuBookmarks, mark)->setToolTip(Q(mark.URL));
        break;
    }

    QMenu* view = menuBar()->addMenu("&View");
    view->addAction(actContents);
    QMenu* size = view->addMenu("&Font Size");
    size->setObjectName("mnuFontSize");
    for (QAction* action : actFontSize)
        size->addAction(action);
    size->addSeparator();
    size->addAction(actLarger);
    size->addAction(actSmaller);
    view->addSeparator();
    view->addAction(actRefresh);
}

void TfrmReader::CreateContents() {
    dckContents = new QDockWidget("Contents", this);
    dckContents->setObjectName("dckContents");
    dckContents->setFeatures(QDockWidget::DockWidgetClosable);
    tvContents = new QTreeWidget(dckContents);
    tvContents->setObjectName("tvContents");
    tvContents->setAccessibleName("Contents");
    tvContents->setHeaderHidden(true);
    tvContents->setColumnCount(1);
    tvContents->setUniformRowHeights(true);
    tvContents->setStyleSheet("QTreeView::item { padding: 2px 0; }");
    tvContents->setMinimumWidth(180);
    FPageItems.assign(static_cast<size_t>(FBook.Story().Count()), nullptr);
    std::function<void(QTreeWidgetItem*, const std::vector<TStoryNode>&)> fill =
        [&](QTreeWidgetItem* parent, const std::vector<TStoryNode>& level) {
            for (const TStoryNode& node : level) {
                auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvContents);
                const std::string title = node.Title.empty() ? (node.Chapter ? "Chapter" : "Page") : node.Title;
                item->setText(0, Q(title));
                item->setToolTip(0, Q(title));
                item->setData(0, Qt::UserRole, node.FirstPage);
                if (node.Page >= 0 && !FPageItems[static_cast<size_t>(node.Page)])
                    FPageItems[static_cast<size_t>(node.Page)] = item;
                if (node.Chapter) {
                    QFont font = item->font(0);
                    font.setBold(true);
                    item->setFont(0, font);
                    fill(item, node.Children);
                }
            }
        };
    fill(nullptr, FBook.Story().Tree());
    tvContents->expandAll();
    connect(tvContents, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const int page = item->data(0, Qt::UserRole).toInt();
        if (page >= 0 && page < FBook.Story().Count())
            FollowLink(FBook.Story().Pages()[static_cast<size_t>(page)].Path);
    });
    connect(tvContents, &QTreeWidget::itemClicked, tvContents, &QTreeWidget::itemActivated);
    // Assistive technology selects an entry without making it current (a click, a key
    // and the window itself change both): such a selection opens the entry as a click
    // would. It is looked at once the selection has settled.
    connect(tvContents, &QTreeWidget::itemSelectionChanged, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                const QList<QTreeWidgetItem*> selected = tvContents->selectedItems();
                if (selected.size() != 1 || selected.front() == tvContents->currentItem())
                    return;
                tvContents->setCurrentItem(selected.front());
                emit tvContents->itemActivated(selected.front(), 0);
            },
            Qt::QueuedConnection);
    });
    dckContents->setWidget(tvContents);
    addDockWidget(Qt::LeftDockWidgetArea, dckContents);
    dckContents->hide();
    connect(actContents, &QAction::toggled, dckContents, &QWidget::setVisible);
    connect(dckContents, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!isHidden() || visible)
            actContents->setChecked(dckContents->isVisible());
    });
}

QAction* TfrmReader::KindAction(int Kind) const {
    switch (Kind) {
    case tbkBack: return actBack;
    case tbkForward: return actForward;
    case tbkFirst: return actFirst;
    case tbkPrior: return actPrior;
    case tbkNext: return actNext;
    case tbkLast: return actLast;
    case tbkPriorChapter: return actPriorChapter;
    case tbkNextChapter: return actNextChapter;
    case tbkAbout: return actAbout;
    case tbkExit: return actExit;
    case tbkSearch: return actSearch;
    case tbkPrint: return actPrint;
    case tbkCopy: return actCopy;
    case tbkRefresh: return actRefresh;
    case tbkHome: return actHome;
    default: return nullptr;
    }
}

QString TfrmReader::ButtonCaption(const TToolbarButton& Button) const {
    return Q(Button.Caption.empty() ? ToolButtonCaption(Button.Kind) : FBook.Expand(Button.Caption));
}

QAction* TfrmReader::AddBookmark(QMenu* Menu, const TToolbarBookmark& Bookmark) {
    QAction* entry = Menu->addAction(Q(Bookmark.Caption));
    connect(entry, &QAction::triggered, this, [this, Bookmark] {
        if (Bookmark.NewWindow)
            FollowLinkInNewWindow(Bookmark.URL);
        else
            FollowLink(Bookmark.URL);
    });
    return entry;
}

QToolButton* TfrmReader::AddToolButton(const TToolbarButton& Button, QAction* Action) {
    const TToolbarOptions& desc = FBook.Options().Toolbar();
    auto* button = new QToolButton(tbBook);
    button->setObjectName(Q("tbtn" + ToolButtonName(Button.Kind)));
    const QString caption = ButtonCaption(Button);
    button->setText(caption);
    button->setToolTip(caption);
    const QPixmap picture = Button.Image.empty() ? QPixmap() : ButtonPicture(FBook.SystemFile(Button.Image), Button.Image);
    if (!picture.isNull()) {
        button->setIcon(picture);
        button->setToolButtonStyle(desc.ToolbarShowCaption ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    button->setIconSize(ImageSize(desc));
    button->setAutoRaise(desc.ToolbarFlat);
    button->setMinimumSize(std::clamp(desc.ToolbarBtnW, 8, 256), std::clamp(desc.ToolbarBtnH, 8, 256));
    button->setFocusPolicy(Qt::TabFocus);
    if (Action) {
        connect(button, &QToolButton::clicked, Action, &QAction::trigger);
        button->setEnabled(Action->isEnabled());
        connect(Action, &QAction::changed, button, [button, Action] { button->setEnabled(Action->isEnabled()); });
    }
    tbBook->addWidget(button);
    return button;
}

void TfrmReader::CreateToolBar() {
    const TToolbarOptions& desc = FBook.Options().Toolbar();
    const std::vector<TToolbarButton>& buttons = FBook.ToolButtons();
    const bool logo = desc.LogoDisplay && FBook.HasSystemFile(LogoFile);
    if (desc.ToolbarPlacement == tpNoToolbar || (buttons.empty() && !logo))
        return;
    tbBook = new QToolBar("Toolbar", this);
    tbBook->setObjectName("tbBook");
    tbBook->setMovable(false);
    tbBook->setFloatable(false);
    tbBook->setContextMenuPolicy(Qt::PreventContextMenu);
    tbBook->setIconSize(ImageSize(desc));
    // The book's colours, unless they would hide the captions.
    if (desc.ToolbarTextColor != desc.ToolbarBackColor) {
        QPalette palette = tbBook->palette();
        const QColor back = BookColor(desc.ToolbarBackColor, palette);
        const QColor text = BookColor(desc.ToolbarTextColor, palette);
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Button, back);
        palette.setColor(QPalette::ButtonText, text);
        palette.setColor(QPalette::WindowText, text);
        tbBook->setPalette(palette);
        tbBook->setAutoFillBackground(true);
    }
    for (const TToolbarButton& button : buttons) {
        switch (button.Kind) {
        case tbkSeparator:
            tbBook->addSeparator();
            break;
        case tbkFavourites: {
            QToolButton* marks = AddToolButton(button, nullptr);
            auto* menu = new QMenu(marks);
            for (const TToolbarBookmark& mark : button.Bookmarks)
                AddBookmark(menu, mark);
            marks->setMenu(menu);
            marks->setPopupMode(QToolButton::InstantPopup);
            marks->setEnabled(!button.Bookmarks.empty());
            break;
        }
        case tbkFontSize: {
            QToolButton* size = AddToolButton(button, nullptr);
            auto* menu = new QMenu(size);
            for (QAction* action : actFontSize)
                menu->addAction(action);
            size->setMenu(menu);
            size->setPopupMode(QToolButton::InstantPopup);
            break;
        }
        default:
            if (QAction* action = KindAction(button.Kind))
                AddToolButton(button, action);
            break;
        }
    }
    // The logo at the far end, with its hint and link.
    const std::string& logoData = FBook.SystemFile(LogoFile);
    if (desc.LogoDisplay && !logoData.empty()) {
        const QPixmap logo = BookPicture(logoData);
        if (!logo.isNull()) {
            auto* spacer = new QWidget(tbBook);
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            tbBook->addWidget(spacer);
            auto* button = new QToolButton(tbBook);
            button->setObjectName("btnLogo");
            button->setIcon(logo);
            button->setIconSize(logo.size().boundedTo(QSize(320, std::clamp(desc.ToolbarBtnH, 16, 256))));
            button->setAutoRaise(true);
            const QString hint = Q(FBook.Expand(desc.LogoText));
            button->setToolTip(hint);
            button->setAccessibleName(hint.isEmpty() ? QString("Logo") : hint);
            const std::string link = FBook.Expand(desc.LogoLink);
            if (!link.empty()) {
                button->setCursor(Qt::PointingHandCursor);
                connect(button, &QToolButton::clicked, this, [this, link] { FollowLink(link); });
            }
            tbBook->addWidget(button);
        }
    }
    addToolBar(desc.ToolbarPlacement == tpBottom ? Qt::BottomToolBarArea : Qt::TopToolBarArea, tbBook);
}

void TfrmReader::ApplyWindowOptions() {
    const TProjectOptions& options = FBook.Options();
    setWindowTitle(Q(FBook.Caption()));
    // The task bar shows the application title.
    setWindowIconText(Q(FBook.Title()));
    setWindowIcon(BookIcon(FBook.Icon()));
    QSize size(std::clamp(options.Width, 320, 10000), std::clamp(options.Height, 240, 10000));
    if (const QScreen* screen = QApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    if (!options.ResizableWindow)
        setFixedSize(size);
    const TBookSettings settings = ReadBookSettings(FBook.FileName());
    FLastPage = settings.LastPage;
    wbBook->SetFontSize(settings.FontSize);
    actFontSize[wbBook->FontSize()]->setChecked(true);
    actContents->setChecked(settings.ContentsVisible);
    dckContents->setVisible(settings.ContentsVisible);
}

// ---- Navigation ----

void TfrmReader::Start() {
    FollowLink(FSession.StartAddress(FLastPage));
}

void TfrmReader::FollowLink(const std::string& Link) {
    const TNavDecision decision = FSession.Decide(Link);
    switch (decision.Kind) {
    case TNavKind::Show:
        ShowAddress(decision.Address);
        break;
    case TNavKind::Form:
        ShowForm(*decision.Form);
        break;
    case TNavKind::External:
        OpenExternal(QUrl(Q(decision.Url)));
        break;
    case TNavKind::AskPassword:
        if (UnlockGuarded())
            ShowAddress(decision.Address);
        break;
    case TNavKind::Refused:
        statusBar()->showMessage("Pagelamp does not open \"" + Q(decision.Url) + "\".", 8000);
        break;
    }
}

void TfrmReader::FollowLinkInNewWindow(const std::string& Link) {
    const TNavDecision decision = FSession.Decide(Link);
    if (decision.Kind != TNavKind::Show && decision.Kind != TNavKind::AskPassword) {
        FollowLink(Link);
        return;
    }
    if (decision.Kind == TNavKind::AskPassword && !UnlockGuarded())
        return;
    FPageWindows.emplace_back(
        OpenFormWindow(PageWindowForm(decision.Address, width(), height()), Q(FBook.Caption()), decision.Address));
}

TfrmReaderForm* TfrmReader::ShowForm(const TReaderForm& Form) {
    QPointer<TfrmReaderForm>& open = FForms[CaseBlindKey(Form.Path)];
    if (open) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    const std::string caption = FBook.Expand(Form.Caption.empty() ? Form.Name : Form.Caption);
    open = OpenFormWindow(Form, Q(caption.empty() ? FBook.Title() : caption), Form.Path);
    return open;
}

TfrmReaderForm* TfrmReader::OpenFormWindow(const TReaderForm& Form, const QString& Caption,
                                           const std::string& Address) {
    auto* form = new TfrmReaderForm(Form, Caption, FProfile, this);
    form->setWindowIcon(windowIcon());
    form->OnFollowLink = [this](TfrmReaderForm& sender, const QUrl& url) { FollowLinkIn(sender, url); };
    form->Open(Address);
    form->show();
    return form;
}

std::vector<TfrmReaderForm*> TfrmReader::OpenForms() const {
    std::vector<TfrmReaderForm*> forms;
    for (const auto& [path, form] : FForms)
        if (form)
            forms.push_back(form);
    for (const QPointer<TfrmReaderForm>& form : FPageWindows)
        if (form)
            forms.push_back(form);
    return forms;
}

void TfrmReader::FollowLinkIn(TfrmReaderForm& Form, const QUrl& Url) {
    // A form keeps its pages in its own window; everything else is the main window's.
    TReaderSession formSession(FBook);
    formSession.Shown(Form.FormPath(), false);
    const TNavDecision decision = formSession.Decide(LinkOfUrl(Url));
    if (decision.Kind == TNavKind::Show)
        Form.Open(decision.Address);
    else if (decision.Kind == TNavKind::AskPassword) {
        if (UnlockGuarded())
            Form.Open(decision.Address);
    } else
        FollowLink(LinkOfUrl(Url));
}

void TfrmReader::ShowAddress(const std::string& Address, bool AddToHistory) {
    FSession.Shown(Address, AddToHistory);
    wbBook->LoadAddress(Address);
    SyncContents();
    UpdateCommands();
}

void TfrmReader::StoryCommand(TStoryCommand Command) {
    const std::string target = FSession.StoryTarget(Command);
    if (!target.empty())
        FollowLink(target);
}

bool TfrmReader::UnlockGuarded() {
    const TUnlockResult result =
        UnlockGuardedPages(FBook, [this](int attempt, std::string&, std::string& password) {
            QString user, typed;
            if (!AskPassword(Q(PasswordQuestion(FBook, true, attempt)), false, user, typed))
                return false;
            password = typed.toStdString();
            return true;
        });
    if (result == TUnlockResult::Refused)
        ShowMessage("The password is not right: the page stays closed.");
    return result == TUnlockResult::Unlocked;
}

void TfrmReader::PageLoaded(bool Ok) {
    if (Ok)
        HighlightHits();
    UpdateCommands();
    emit PageShown(Ok);
}

void TfrmReader::HighlightHits() {
    const std::vector<std::string> terms = FSession.HighlightTerms();
    if (terms.empty())
        return;
    QJsonArray words;
    for (const std::string& term : terms)
        words.append(Q(term));
    const QString code = QString::fromLatin1(HighlightScript) + "(" +
                         QString::fromUtf8(QJsonDocument(words).toJson(QJsonDocument::Compact)) + ");";
    wbBook->page()->runJavaScript(code, QWebEngineScript::ApplicationWorld);
}

void TfrmReader::SyncContents() {
    const int position = FBook.Story().IndexOf(FSession.CurrentPath());
    QTreeWidgetItem* item = position >= 0 ? FPageItems[static_cast<size_t>(position)] : nullptr;
    if (item) {
        tvContents->setCurrentItem(item);
        tvContents->scrollToItem(item);
    } else {
        tvContents->clearSelection();
    }
}

// ---- Commands ----

void TfrmReader::UpdateCommands() {
    FCommands->Update();
}

void TfrmReader::ShowContextMenu(const QPoint& Position) {
    if (!FSession.RightClickAllowed())
        return;
    QMenu menu(this);
    menu.addAction(actBack);
    menu.addAction(actForward);
    menu.addSeparator();
    menu.addAction(actCopy);
    menu.addAction(actSelectAll);
    menu.addSeparator();
    menu.addAction(actPrint);
    menu.addAction(actRefresh);
    UpdateCommands();
    menu.exec(Position);
}

void TfrmReader::SetFontSize(int Index) {
    wbBook->SetFontSize(Index);
    actFontSize[wbBook->FontSize()]->setChecked(true);
    for (TfrmReaderForm* form : OpenForms())
        form->View()->SetFontSize(Index);
}

void TfrmReader::actSearchExecute() {
    const QString words = AskSearchText(FLastSearch);
    if (words.trimmed().isEmpty())
        return;
    FLastSearch = words.trimmed();
    FollowLink(FSession.SearchAddress(FLastSearch.toStdString()));
}

void TfrmReader::actPrintExecute() {
    FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    FPrinter->setDocName(Q(FBook.Title()));
    if (!RunPrintDialog(*FPrinter)) {
        FPrinter.reset();
        return;
    }
    FPrinting = true;
    wbBook->print(FPrinter.get());
}

void TfrmReader::actPrintPdfExecute() {
    const QString file = ChoosePdfFile();
    if (file.isEmpty())
        return;
    FPrinting = true;
    wbBook->page()->printToPdf(file, QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                                 QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

void TfrmReader::actAboutExecute() {
    const TReaderForm* about = FBook.FormNamed(AboutFormName);
    if (about && FBook.PageExists(about->Path)) {
        ShowForm(*about);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, "About", QString(), QMessageBox::Ok, this);
    box.setObjectName("dlgAbout");
    box.setIconPixmap(windowIcon().pixmap(48, 48));
    NameMessageBoxIcon(box, Q(FBook.Title()));
    box.setTextFormat(Qt::RichText);
    box.setText("<h3>" + Q(FBook.Title()).toHtmlEscaped() + "</h3><p>" + Q(FBook.Caption()).toHtmlEscaped() +
                "</p><p>Read with Pagelamp " + Q(VersionText(0, 3)) + ".</p>");
    box.exec();
}

// ---- What the window asks ----

bool TfrmReader::AskPassword(const QString& Message, bool AskUser, QString& User, QString& Password) {
    return TfrmPassword::Ask(Q(FBook.Title()), Message, AskUser, this, QIcon(), User, Password);
}

QString TfrmReader::AskSearchText(const QString& Initial) {
    TfrmSearch dialog(Initial, this);
    return dialog.exec() == QDialog::Accepted ? dialog.Text() : QString();
}

void TfrmReader::OpenExternal(const QUrl& Url) {
    if (!QDesktopServices::openUrl(Url))
        ShowMessage("\"" + Url.toString() + "\" could not be opened.");
}

void TfrmReader::ShowMessage(const QString& Text) {
    QMessageBox box(QMessageBox::Information, Q(FBook.Title()), Text, QMessageBox::Ok, this);
    NameMessageBoxIcon(box);
    box.exec();
}

bool TfrmReader::RunPrintDialog(QPrinter& Printer) {
    QPrintDialog dialog(&Printer, this);
    dialog.setWindowTitle("Print");
    return dialog.exec() == QDialog::Accepted;
}

QString TfrmReader::ChoosePdfFile() {
    return QFileDialog::getSaveFileName(this, "Print to PDF", Q(FBook.Title()) + ".pdf", "PDF files (*.pdf)");
}

void TfrmReader::SaveSettings() {
    TBookSettings settings;
    // The page last read is a page of the book, never one the reader made.
    settings.LastPage = FSession.LastReadPage();
    settings.FontSize = wbBook->FontSize();
    settings.ContentsVisible = actContents->isChecked();
    WriteBookSettings(FBook.FileName(), settings);
}

void TfrmReader::closeEvent(QCloseEvent* Event) {
    SaveSettings();
    for (TfrmReaderForm* form : OpenForms())
        form->close();
    QMainWindow::closeEvent(Event);
    if (!FClosed) {
        FClosed = true;
        emit Closed();
    }
}
