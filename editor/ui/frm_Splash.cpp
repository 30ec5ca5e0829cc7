#include "frm_Splash.h"

#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Exception.h"
#include "u_Forms.h"
#include "u_Pictures.h"

#include <QMouseEvent>

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// The real clock: a single-shot timer.
class TTimerClock : public TSplashClock {
public:
    TTimerClock() {
        FTimer.setSingleShot(true);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (OnTick)
                OnTick();
        });
    }
    void Start(int Milliseconds) override { FTimer.start(Milliseconds); }
    void Stop() override { FTimer.stop(); }

private:
    QTimer FTimer;
};

TSplashClockFactory& ClockFactory() {
    static TSplashClockFactory factory;
    return factory;
}

} // namespace

void SetSplashClockFactory(TSplashClockFactory Factory) {
    ClockFactory() = std::move(Factory);
}

int ClampSplashSeconds(int Seconds) {
    return std::clamp(Seconds, 0, 10);
}

TfrmSplash::TfrmSplash(QWidget* Parent)
    : QWidget(Parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSplash"));
    // No title bar shows it: the title names the window for screen readers.
    setWindowTitle(QStringLiteral("Quarvel"));
    imgSplash = new QLabel(this);
    imgSplash->setObjectName(QStringLiteral("imgSplash"));
    imgSplash->setAccessibleName(QStringLiteral("Splash picture"));
    // Clicks on the picture reach the window.
    imgSplash->setAttribute(Qt::WA_TransparentForMouseEvents);
    FClock = ClockFactory() ? ClockFactory()() : std::make_unique<TTimerClock>();
    FClock->OnTick = [this] { tmrSplashTimer(); };
}

void TfrmSplash::Load(int Seconds, bool CloseOnClick, const std::function<QImage()>& Read) {
    FInterval = ClampSplashSeconds(Seconds) * 1000;
    FCloseOnClick = CloseOnClick;
    FLoadError.clear();
    QImage picture;
    try {
        picture = Read();
    } catch (const std::exception& e) {
        FLoadError = e.what();
        return;
    }
    imgSplash->setPixmap(QPixmap::fromImage(picture));
    imgSplash->setGeometry(0, 0, picture.width(), picture.height());
    setFixedSize(picture.size());
    CentreFormOnScreen(this);
    FLoaded = true;
    FTimerEnabled = true;
    if (FInterval > 0)
        FClock->Start(FInterval);
}

void TfrmSplash::ShowSplashFile(const std::string& FileName, int Seconds, bool CloseOnClick) {
    Load(Seconds, CloseOnClick, [&] { return LoadPictureFile(FileName); });
}

void TfrmSplash::ShowSplashItem(const std::string& Bytes, const std::string& Name, int Seconds,
                                bool CloseOnClick) {
    Load(Seconds, CloseOnClick, [&] { return ReadPicture(Bytes, Name); });
}

void TfrmSplash::Release() {
    FClock->Stop();
    FTimerEnabled = false;
    hide();
    deleteLater();
}

void TfrmSplash::RequestClose() {
    if (FTimerEnabled)
        FCloseRequested = true;
    else
        Release();
}

void TfrmSplash::tmrSplashTimer() {
    FClock->Stop();
    FTimerEnabled = false;
    if (FCloseRequested)
        Release();
}

void TfrmSplash::mouseReleaseEvent(QMouseEvent* Event) {
    QWidget::mouseReleaseEvent(Event);
    if (Event->button() != Qt::LeftButton || !FCloseOnClick)
        return;
    RequestClose();
    tmrSplashTimer();
}

namespace {

// The splash windows the table has shown and that still exist: a close request for a
// window that a click already took away is ignored.
std::vector<QPointer<TfrmSplash>>& ShownSplashes() {
    static std::vector<QPointer<TfrmSplash>> windows;
    std::erase_if(windows, [](const QPointer<TfrmSplash>& w) { return w.isNull(); });
    return windows;
}

QWidget* ShowWhenLoaded(TfrmSplash* Splash) {
    if (!Splash->Loaded()) {
        delete Splash;
        return nullptr;
    }
    ShownSplashes().emplace_back(Splash);
    Splash->show();
    return Splash;
}

} // namespace

static TEditorWindowRegistration splashRegistration([](TEditorWindowTable& Table) {
    Table.ShowSplashFile = [](const std::string& FileName, int Seconds, bool CloseOnClick) -> QWidget* {
        auto* splash = new TfrmSplash();
        splash->ShowSplashFile(FileName, Seconds, CloseOnClick);
        return ShowWhenLoaded(splash);
    };
    Table.ShowSplashItem = [](const std::string& Bytes, const std::string& Name, int Seconds,
                              bool CloseOnClick) -> QWidget* {
        auto* splash = new TfrmSplash();
        splash->ShowSplashItem(Bytes, Name, Seconds, CloseOnClick);
        // A metafile is a picture the author chose that this system cannot draw: say so
        // rather than show nothing.
        if (!splash->Loaded() && PictureKindOf(Name) == TPictureKind::Metafile)
            ShowErrorMessage(nullptr, splash->LoadError());
        return ShowWhenLoaded(splash);
    };
    Table.RequestSplashClose = [](QWidget* Splash) {
        for (const QPointer<TfrmSplash>& shown : ShownSplashes())
            if (shown.data() == Splash) {
                shown->RequestClose();
                return;
            }
    };
});
