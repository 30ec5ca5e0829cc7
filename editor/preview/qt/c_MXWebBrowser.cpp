#include "c_MXWebBrowser.h"

#include "u_WebEngineProtocol.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace {

constexpr std::uint32_t DownloadControlValues[] = {0x00000010, 0x00000020, 0x00000040, 0x00000080, 0x00000100,
                                                   0x00000200, 0x00000400, 0x00000800, 0x00001000, 0x00002000,
                                                   0x00004000, 0x00008000, 0x00010000, 0x00020000, 0x00040000,
                                                   0x10000000, 0x20000000, 0x40000000, 0x80000000};
constexpr std::uint32_t UserInterfaceValues[] = {0x000001, 0x000002, 0x000004, 0x000008, 0x000010, 0x000020,
                                                 0x000040, 0x000080, 0x000100, 0x000200, 0x000400, 0x000800,
                                                 0x001000, 0x002000, 0x004000, 0x010000, 0x020000, 0x040000,
                                                 0x080000, 0x100000, 0x200000};

// The console line by which the page tells that its document became interactive.
const char* const InteractiveMarker = "quarvel:readystate:interactive";

} // namespace

std::uint32_t DownloadControlValue(TDownloadControlOption Option) {
    return DownloadControlValues[static_cast<int>(Option)];
}

std::uint32_t UserInterfaceValue(TUserInterfaceOption Option) {
    return UserInterfaceValues[static_cast<int>(Option)];
}

std::uint32_t DownloadControlFlags(const TDownloadControlOptions& Options) {
    std::uint32_t flags = 0;
    for (int i = 0; i <= static_cast<int>(TDownloadControlOption::OFFLINE); ++i)
        if (Options.Contains(static_cast<TDownloadControlOption>(i)))
            flags += DownloadControlValues[i];
    return flags;
}

std::uint32_t UserInterfaceFlags(const TUserInterfaceOptions& Options) {
    std::uint32_t flags = 0;
    for (int i = 0; i <= static_cast<int>(TUserInterfaceOption::NO3DOUTERBORDER); ++i)
        if (Options.Contains(static_cast<TUserInterfaceOption>(i)))
            flags += UserInterfaceValues[i];
    return flags;
}

// The page of a TMXWebBrowser: passes navigation requests, the ready-state marker
// and script messages to the control.
class TMXWebPage : public QWebEnginePage {
public:
    TMXWebPage(TMXWebBrowser* Owner) : QWebEnginePage(Owner), FOwner(Owner) {}

protected:
    bool acceptNavigationRequest(const QUrl& Url, NavigationType, bool) override {
        return FOwner->BeforeNavigate(Url);
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level, const QString& Message, int Line,
                                  const QString& Source) override {
        if (Message == QLatin1String(InteractiveMarker)) {
            if (FOwner->ReadyState() < TReadyState::Interactive)
                FOwner->SetReadyState(TReadyState::Interactive);
            return;
        }
        QWebEnginePage::javaScriptConsoleMessage(Level, Message, Line, Source);
    }
    void javaScriptAlert(const QUrl& Origin, const QString& Message) override {
        if (FOwner->OnShowMessage && FOwner->OnShowMessage(*FOwner, Message.toUtf8().toStdString()) == S_OK)
            return;
        QWebEnginePage::javaScriptAlert(Origin, Message);
    }

private:
    TMXWebBrowser* FOwner;
};

TMXWebBrowser::TMXWebBrowser(QWidget* Parent) : QWebEngineView(Parent) {
    auto* page = new TMXWebPage(this);
    setPage(page);

    QWebEngineScript readyState;
    readyState.setName(QStringLiteral("quarvel-ready-state"));
    readyState.setInjectionPoint(QWebEngineScript::DocumentReady);
    readyState.setWorldId(QWebEngineScript::ApplicationWorld);
    readyState.setRunsOnSubFrames(false);
    readyState.setSourceCode(QStringLiteral("console.log('%1');").arg(QLatin1String(InteractiveMarker)));
    page->scripts().insert(readyState);

    connect(page, &QWebEnginePage::loadStarted, this, [this] { FReadyState = TReadyState::Loading; });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool Ok) {
        FReadyState = TReadyState::Complete;
        if (FPendingTextLoads > 0)
            --FPendingTextLoads;
        if (Ok && OnNavigateComplete2)
            OnNavigateComplete2(*this, LocationURL());
        emit NavigationFinished(Ok);
    });
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this] { close(); });
    ApplyOptions();
}

TMXWebBrowser::~TMXWebBrowser() = default;

void TMXWebBrowser::Navigate(const std::string& URL) {
    page()->load(EngineUrl(URL));
}

void TMXWebBrowser::LoadHTMLText(const std::string& Html) {
    ++FPendingTextLoads;
    page()->setHtml(QString::fromUtf8(Html), QUrl(QStringLiteral("about:blank")));
}

std::string TMXWebBrowser::LocationURL() const {
    return SystemUrl(page()->url());
}

bool TMXWebBrowser::BeforeNavigate(const QUrl& Url) {
    std::string target = SystemUrl(Url);
    const bool textLoad = FPendingTextLoads > 0 && Url.scheme() == QLatin1String("data");
    if (textLoad)
        target = "about:blank"; // the text is shown as the document of "about:blank"
    bool cancel = false;
    if (OnBeforeNavigate2)
        OnBeforeNavigate2(*this, target, cancel);
    if (cancel && textLoad)
        --FPendingTextLoads;
    return !cancel;
}

void TMXWebBrowser::SetDownloadOptions(const TDownloadControlOptions& Value) {
    FDownloadOptions = Value;
    ApplyOptions();
}

void TMXWebBrowser::SetUserInterfaceOptions(const TUserInterfaceOptions& Value) {
    FUserInterfaceOptions = Value;
    ApplyOptions();
}

void TMXWebBrowser::ApplyOptions() {
    using D = TDownloadControlOption;
    using U = TUserInterfaceOption;
    FDownloadFlags = DownloadControlFlags(FDownloadOptions);
    FUserInterfaceFlags = UserInterfaceFlags(FUserInterfaceOptions);
    // The engine's settings stand for the ambient download-control property and the
    // host flags; options without a counterpart in the engine change nothing.
    QWebEngineSettings* s = page()->settings();
    s->setAttribute(QWebEngineSettings::AutoLoadImages,
                    FDownloadOptions.Contains(D::DLIMAGES) && !FUserInterfaceOptions.Contains(U::NOPICS));
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, !FDownloadOptions.Contains(D::NO_SCRIPTS));
    if (FDownloadOptions.Contains(D::NO_JAVA) || FDownloadOptions.Contains(D::NO_RUNACTIVEXCTLS) ||
        FDownloadOptions.Contains(D::NO_DLACTIVEXCTLS))
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture,
                    !(FDownloadOptions.Contains(D::VIDEOS) || FDownloadOptions.Contains(D::BGSOUNDS)));
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, !FDownloadOptions.Contains(D::SILENT));
    s->setAttribute(QWebEngineSettings::ShowScrollBars, !FUserInterfaceOptions.Contains(U::SCROLL_NO));
    // A page that declares no encoding is read in the system code page, which is UTF-8
    // on this platform.
    s->setDefaultTextEncoding(QStringLiteral("utf-8"));
}

void TMXWebBrowser::contextMenuEvent(QContextMenuEvent* Event) {
    if (OnShowContextMenu && OnShowContextMenu(*this, Event->globalPos()) == S_OK) {
        Event->accept();
        return;
    }
    QWebEngineView::contextMenuEvent(Event);
}

void TMXWebBrowser::closeEvent(QCloseEvent* Event) {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(*this, canClose);
    if (!canClose) {
        Event->ignore();
        return;
    }
    QWebEngineView::closeEvent(Event);
}
