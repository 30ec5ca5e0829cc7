// The splash window: a picture in a borderless window that stays on top, centred on
// the screen, for a number of seconds or until it is clicked. The editor shows
// "Splash.bmp" while it starts; the new-book wizard previews a book's splash with it.
#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

// Seconds a splash may stay: 0 (until clicked) to 10.
int ClampSplashSeconds(int Seconds);

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* Parent = nullptr);

    // Loads the picture (its kind by the file's extension), sizes and centres the window
    // and starts the time; Seconds is clamped to 0..10, and 0 starts no tick, so that
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
    int TimerInterval() const { return tmrSplash->interval(); }
    const std::string& LoadError() const noexcept { return FLoadError; }

    // The end of the time: the window goes when a close was requested.
    void tmrSplashTimer();

    QLabel* imgSplash = nullptr;
    QTimer* tmrSplash = nullptr;

protected:
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void Load(int Seconds, bool CloseOnClick, const std::function<QImage()>& Read);
    void Release();

    bool FCloseOnClick = false;
    bool FLoaded = false;
    bool FCloseRequested = false;
    bool FTimerEnabled = false;
    std::string FLoadError;
};
