#include "c_BookView.h"

#include "u_BookScheme.h"

#include <QContextMenuEvent>
#include <QTimer>

#include <algorithm>

namespace {

// Stands in for a window a page asked for: takes the first address the engine gives
// it, hands it on and goes.
class TNewWindowCatcher : public QWebEnginePage {
public:
    TNewWindowCatcher(QWebEngineProfile* profile, std::function<void(const QUrl&)> take, QObject* parent)
        : QWebEnginePage(profile, parent), FTake(std::move(take)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (FTake) {
            auto take = std::move(FTake);
            FTake = nullptr;
            QTimer::singleShot(0, parent(), [take, url] { take(url); });
        }
        deleteLater();
        return false;
    }

private:
    std::function<void(const QUrl&)> FTake;
};

bool SameDocument(const QUrl& a, const QUrl& b) {
    return a.adjusted(QUrl::RemoveFragment) == b.adjusted(QUrl::RemoveFragment);
}

} // namespace

TBookPage::TBookPage(QWebEngineProfile* Profile, QObject* Parent) : QWebEnginePage(Profile, Parent) {}

bool TBookPage::acceptNavigationRequest(const QUrl& Url, NavigationType Type, bool IsMainFrame) {
    if (!IsMainFrame)
        return TBookRequestInterceptor::Allowed(Url);
    if (!FExpected.isEmpty() && (Url == FExpected || SameDocument(Url, FExpected))) {
        FExpected = QUrl();
        return true;
    }
    if (Type == NavigationTypeReload)
        return true;
    // Everything else is decided by the owner, after the engine has let go of this call.
    if (OnFollowLink) {
        auto follow = OnFollowLink;
        QTimer::singleShot(0, this, [follow, Url] { follow(Url); });
    }
    return false;
}

QWebEnginePage* TBookPage::createWindow(WebWindowType) {
    if (!OnNewWindow)
        return nullptr;
    return new TNewWindowCatcher(profile(), OnNewWindow, this);
}

TBookView::TBookView(QWebEngineProfile* Profile, QWidget* Parent) : QWebEngineView(Parent) {
    FPage = new TBookPage(Profile, this);
    setPage(FPage);
    // The zoom is the page's; a new document would start at the engine's default.
    connect(FPage, &QWebEnginePage::loadFinished, this, [this] { setZoomFactor(FontSizeFactor(FFontSize)); });
}

void TBookView::LoadAddress(const std::string& Address) {
    const QUrl url = BookUrl(Address);
    FPage->Expect(url);
    FPage->load(url);
}

double TBookView::FontSizeFactor(int Index) {
    static const double factors[] = {0.75, 0.875, 1.0, 1.2, 1.45};
    return factors[std::clamp(Index, 0, 4)];
}

void TBookView::SetFontSize(int Index) {
    FFontSize = std::clamp(Index, 0, 4);
    setZoomFactor(FontSizeFactor(FFontSize));
}

void TBookView::contextMenuEvent(QContextMenuEvent* Event) {
    if (OnContextMenu)
        OnContextMenu(Event->globalPos());
    Event->accept();
}
