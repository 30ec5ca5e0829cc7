// The splash window: a picture in a borderless window that stays on top, centred on
// the screen, for a number of seconds or until it is clicked. The editor shows
// "Splash.bmp" while it starts; the new-book wizard previews a book's splash with it.
#pragma once

#include <QLabel>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

// Where a splash window's time comes from: one tick a number of milliseconds after it
// was started. The windows use the real timer unless a test set a clock of its own.
class TSplashClock {
public:
    virtual ~TSplashClock() = default;
    // A tick Milliseconds from now (a start replaces the one before).
    virtual void Start(int Milliseconds) = 0;
    virtual void Stop() = 0;
    // What a tick runs (set by the window).
    std::function<void()> OnTick;
};
// Makes the clock of each new splash window (owned by the window); none: the real timer.
using TSplashClockFactory = std::function<std::unique_ptr<TSplashClock>()>;
void SetSplashClockFactory(TSplashClockFactory Factory);

// Seconds a splash may stay: 0 (until clicked) to 10.
int ClampSplashSeconds(int Seconds);

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* Parent = nullptr);

    // Loads the picture (its kind by the file's extension), sizes and centres the window
    // and starts its clock; Seconds is clamped to 0..10, and 0 starts no tick, so that
    // the window waits for a click. On any error the window stays unloaded and hidden
    // (LoadError tells why). The caller shows the window when Loaded.
    void ShowSplashFile(const std::string& FileName, int Seconds, bool CloseOnClick);
    // The same with the bytes of a picture, read by the extension of its Name: bmp,
    // ico, jpg/jpeg; metafiles (wmf, emf) and other kinds load nothing.
    void ShowSplashItem(const std::string& Bytes, const std::string& Name, int Seconds, bool CloseOnClick);

    // Start-up is over: the window goes when its time is up, at once when it already is.
    void RequestClose();

    bool Loaded() const noexcept { return FLoaded; }
    bool CloseOnClick() const noexcept { return FCloseOnClick; }
    bool CloseRequested() const noexcept { return FCloseRequested; }
    // The time is still running (also for 0 seconds, which never ticks).
    bool TimerRunning() const noexcept { return FTimerEnabled; }
    // The time the window shows its picture, in milliseconds (0: until clicked).
    int TimerInterval() const noexcept { return FInterval; }
    const std::string& LoadError() const noexcept { return FLoadError; }

protected:
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void Load(int Seconds, bool CloseOnClick, const std::function<QImage()>& Read);
    // The end of the time: the window goes when a close was requested.
    void tmrSplashTimer();
    void Release();

    QLabel* imgSplash = nullptr;
    std::unique_ptr<TSplashClock> FClock;
    int FInterval = 0;

    bool FCloseOnClick = false;
    bool FLoaded = false;
    bool FCloseRequested = false;
    bool FTimerEnabled = false;
    std::string FLoadError;
};
