// Balloon hints: while switched on, a control's hint appears as a balloon with a
// title, an icon and a body instead of the plain tooltip.
//
// A hint is written "title|body", optionally ending in an icon marker ("/w", "/error",
// ...). The rules that turn a hint into a balloon's title, body and icon are plain
// functions; TBalloonTipsSystem applies them to the control under the mouse and shows
// the balloon window.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QPointer>
#include <QTimer>

#include <map>
#include <string>

class QWidget;

// Balloon icons.
enum TBalloonIcon : int { biNone = 0, biInformation = 1, biWarning = 2, biError = 3 };

// Cuts a trailing icon marker from Hint (letter case ignored) and returns its icon, or
// -1 when the hint ends in no marker (Hint then stays as it is). The markers are tried
// in this order and the first that ends the hint wins: "/0".."/3", "/none",
// "/information", "/warning", "/error", "/n", "/i", "/w", "/e" — so "/information" is
// cut whole, not as "/n".
int CutBalloonIconMarker(std::string& Hint);

// The part of a hint before the first "|" (all of it when there is none), and the part
// after it (all of it when there is none).
std::string ShortHintPart(const std::string& Hint);
std::string LongHintPart(const std::string& Hint);

// What a balloon shows.
struct TBalloonText {
    std::string Title;
    std::string Body;
    int Icon = biNone;
    bool operator==(const TBalloonText&) const = default;
};

// The balloon of a hint: the marker is cut first and chooses the icon (DefaultIcon when
// there is none); the title is the short part and the body the long part, but when both
// are equal (no "|") the title is left empty; an empty title becomes ControlCaption,
// and when that is empty too, FormCaption. Captions lose their "&" accelerator marks.
TBalloonText BalloonTextOf(const std::string& Hint, int DefaultIcon, const std::string& ControlCaption,
                           const std::string& FormCaption);

// A caption as shown: a single "&" (accelerator mark) dropped, "&&" kept as one "&".
std::string StripAccelerator(const std::string& Caption);

// Where a balloon goes: centred under the control (Control and Screen in global
// coordinates) with its stem pointing up at the control's bottom centre, or above the
// control with the stem pointing down when there is no room below; kept on the screen,
// the stem following the control's centre as far as the balloon's rounded corners let
// it.
struct TBalloonPlacement {
    QPoint TopLeft;
    bool StemUp = true;
    int StemX = 0; // the stem's tip, from the balloon's left edge
    bool operator==(const TBalloonPlacement&) const = default;
};
TBalloonPlacement PlaceBalloon(const QRect& Control, const QSize& Balloon, const QRect& Screen);

class TBalloonTipsSystem : public QObject {
    Q_OBJECT
public:
    explicit TBalloonTipsSystem(QObject* Parent = nullptr);
    ~TBalloonTipsSystem() override;

    // Switching on replaces the plain tooltips of the whole application by balloons;
    // switching off brings the plain tooltips back.
    bool Active() const noexcept { return FActive; }
    void SetActive(bool Value);

    // The icon of balloons whose hint has no marker (0..3, others are clamped).
    // Changing it forgets the balloons made so far.
    int DefaultIcon() const noexcept { return FDefaultIcon; }
    void SetDefaultIcon(int Value);

    // When active, forgets every control's balloon (they are made again on the next
    // hint), e.g. after the controls moved.
    void ResetBalloons();

    // The controls that have a balloon. A destroyed control leaves the set.
    bool HasBalloon(const QWidget* Control) const;
    int BalloonCount() const noexcept { return static_cast<int>(FBalloons.size()); }

    // The hint of a control as the balloons read it (its tooltip).
    static std::string HintOf(const QWidget* Control);
    // The balloon of a control (from its hint, caption and window title), made and kept
    // when it has none yet or when its hint changed since. False when the control shows
    // no hint (empty tooltip).
    bool AttachBalloon(QWidget* Control);
    // What the control's balloon shows (empty when it has none).
    TBalloonText BalloonOf(const QWidget* Control) const;

    // Shows the control's balloon under it (attaching one first); false when the
    // control has no hint. The balloon hides when the mouse leaves the control, on a
    // click or key, or after a while.
    bool ShowBalloon(QWidget* Control);
    void HideBalloon();
    // The balloon window on screen, or none.
    QWidget* ShownBalloon() const;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct TEntry {
        std::string Hint; // the hint the balloon was made from
        TBalloonText Text;
        QMetaObject::Connection Destroyed;
    };
    void Forget(QObject* Control);

    std::map<const QObject*, TEntry> FBalloons;
    bool FActive = false;
    int FDefaultIcon = biNone;
    QPointer<QWidget> FWindow; // the balloon window (made on first use)
    QPointer<QWidget> FShownFor;
    QTimer FHideTimer;
};

// The process-wide instance, made on first use and owned by the application.
TBalloonTipsSystem& BalloonTipsSystem();
