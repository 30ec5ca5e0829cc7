// The HTML view of the editor: a QWebEngineView with the download-control and host-UI
// option sets, navigation notifications with cancel, loading an HTML text, and the
// document's ready state. Every page view of the editor is one of these.
#pragma once

#include "u_InternetProtocolSupport.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdint>
#include <functional>
#include <string>

// Download-control options, in the platform's order (DLCTL_ flags).
enum class TDownloadControlOption {
    DLIMAGES,
    VIDEOS,
    BGSOUNDS,
    NO_SCRIPTS,
    NO_JAVA,
    NO_RUNACTIVEXCTLS,
    NO_DLACTIVEXCTLS,
    DOWNLOADONLY,
    NO_FRAMEDOWNLOAD,
    RESYNCHRONIZE,
    PRAGMA_NO_CACHE,
    NO_BEHAVIORS,
    NO_METACHARSET,
    URL_ENCODING_DISABLE_UTF8,
    URL_ENCODING_ENABLE_UTF8,
    FORCEOFFLINE,
    NO_CLIENTPULL,
    SILENT,
    OFFLINE
};
// Host-UI options, in the platform's order (DOCHOSTUIFLAG_ flags).
enum class TUserInterfaceOption {
    DIALOG,
    DISABLE_HELP_MENU,
    NO3DBORDER,
    SCROLL_NO,
    DISABLE_SCRIPT_INACTIVE,
    OPENNEWWIN,
    DISABLE_OFFSCREEN,
    FLAT_SCROLLBAR,
    DIV_BLOCKDEFAULT,
    ACTIVATE_CLIENTHIT_ONLY,
    OVERRIDEBEHAVIORFACTORY,
    CODEPAGELINKEDFONTS,
    URL_ENCODING_DISABLE_UTF8,
    URL_ENCODING_ENABLE_UTF8,
    ENABLE_FORMS_AUTOCOMPLETE,
    ENABLE_INPLACE_NAVIGATION,
    IME_ENABLE_RECONVERSION,
    THEME,
    NOTHEME,
    NOPICS,
    NO3DOUTERBORDER
};

// A set of options, one bit per member (bit n for the member of ordinal n).
template <class E>
class TOptionSet {
public:
    constexpr TOptionSet() = default;
    constexpr TOptionSet(std::initializer_list<E> Members) {
        for (E m : Members)
            FBits |= Bit(m);
    }
    constexpr bool Contains(E m) const noexcept { return (FBits & Bit(m)) != 0; }
    constexpr TOptionSet& Include(E m) noexcept {
        FBits |= Bit(m);
        return *this;
    }
    constexpr TOptionSet& Exclude(E m) noexcept {
        FBits &= ~Bit(m);
        return *this;
    }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr bool operator==(const TOptionSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E m) noexcept { return 1u << static_cast<unsigned>(m); }
    std::uint32_t FBits = 0;
};
using TDownloadControlOptions = TOptionSet<TDownloadControlOption>;
using TUserInterfaceOptions = TOptionSet<TUserInterfaceOption>;

// The platform's value of each member, and the flag word of a set (the sum of the
// values of its members).
std::uint32_t DownloadControlValue(TDownloadControlOption Option);
std::uint32_t UserInterfaceValue(TUserInterfaceOption Option);
std::uint32_t DownloadControlFlags(const TDownloadControlOptions& Options);
std::uint32_t UserInterfaceFlags(const TUserInterfaceOptions& Options);

// The document's ready state.
enum class TReadyState { Uninitialized = 0, Loading = 1, Loaded = 2, Interactive = 3, Complete = 4 };

class TMXWebBrowser;

using TBeforeNavigateEvent = std::function<void(TMXWebBrowser& Sender, const std::string& URL, bool& Cancel)>;
using TNavigateCompleteEvent = std::function<void(TMXWebBrowser& Sender, const std::string& URL)>;
using TShowContextMenuEvent = std::function<HRESULT(TMXWebBrowser& Sender, const QPoint& Position)>;
using TShowMessageEvent = std::function<HRESULT(TMXWebBrowser& Sender, const std::string& Text)>;
using TCloseQueryEvent = std::function<void(TMXWebBrowser& Sender, bool& CanClose)>;

class TMXWebBrowser : public QWebEngineView {
    Q_OBJECT
public:
    explicit TMXWebBrowser(QWidget* Parent = nullptr);
    ~TMXWebBrowser() override;

    // Navigates to a URL in the system's form ("mfs:\pages\index.htm", a host path,
    // "about:blank"). OnBeforeNavigate may cancel it.
    void Navigate(const std::string& URL);
    // Navigates to "about:blank" and loads the text into its document.
    void LoadHTMLText(const std::string& Html);
    // The URL of the shown document in the system's form.
    std::string LocationURL() const;
    TReadyState ReadyState() const noexcept { return FReadyState; }

    const TDownloadControlOptions& DownloadOptions() const noexcept { return FDownloadOptions; }
    void SetDownloadOptions(const TDownloadControlOptions& Value);
    const TUserInterfaceOptions& UserInterfaceOptions() const noexcept { return FUserInterfaceOptions; }
    void SetUserInterfaceOptions(const TUserInterfaceOptions& Value);
    std::uint32_t DownloadControlFlagWord() const noexcept { return FDownloadFlags; }
    std::uint32_t UserInterfaceFlagWord() const noexcept { return FUserInterfaceFlags; }

    TBeforeNavigateEvent OnBeforeNavigate2;
    TNavigateCompleteEvent OnNavigateComplete2;
    TShowContextMenuEvent OnShowContextMenu;
    TShowMessageEvent OnShowMessage;
    TCloseQueryEvent OnCloseQuery;

signals:
    // After each completed navigation (also of an HTML text), with its success.
    void NavigationFinished(bool Ok);

protected:
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    friend class TMXWebPage;
    bool BeforeNavigate(const QUrl& Url);
    void ApplyOptions();
    void SetReadyState(TReadyState State) { FReadyState = State; }

    TDownloadControlOptions FDownloadOptions{TDownloadControlOption::DLIMAGES, TDownloadControlOption::VIDEOS,
                                             TDownloadControlOption::BGSOUNDS};
    TUserInterfaceOptions FUserInterfaceOptions;
    std::uint32_t FDownloadFlags = 0;
    std::uint32_t FUserInterfaceFlags = 0;
    TReadyState FReadyState = TReadyState::Uninitialized;
    // A text load started by LoadHTMLText is no navigation of its own.
    int FPendingTextLoads = 0;
};
