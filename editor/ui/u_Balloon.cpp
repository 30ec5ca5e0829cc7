#include "u_Balloon.h"

#include "u_CaseBlind.h"
#include "u_Controls.h"
#include "u_EditorServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHelpEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The markers in the order they are tried, with their icons.
struct TMarker {
    std::string_view Text;
    int Icon;
};
constexpr std::array<TMarker, 12> kMarkers{{
    {"/0", biNone},
    {"/1", biInformation},
    {"/2", biWarning},
    {"/3", biError},
    {"/none", biNone},
    {"/information", biInformation},
    {"/warning", biWarning},
    {"/error", biError},
    {"/n", biNone},
    {"/i", biInformation},
    {"/w", biWarning},
    {"/e", biError},
}};

bool EndsWithIgnoringCase(std::string_view Text, std::string_view Tail) {
    return Text.size() >= Tail.size() && SameTextCaseBlind(Text.substr(Text.size() - Tail.size()), Tail);
}

// The balloon's outline: rounded corners and a stem toward the control.
constexpr int kBalloonCornerRadius = 7;
constexpr int kBalloonStemWidth = 18;
constexpr int kBalloonStemHeight = 11;
constexpr int kBalloonIconSize = 16;
constexpr int kBalloonTextWidth = 320;

// The window of a shown balloon: a small frameless tooltip window in the system's
// tooltip colours with the icon and the title in bold on the first line and the body
// below, its outline a rounded box with a stem pointing at the control.
class TBalloonWindow : public QWidget {
public:
    TBalloonWindow() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
        setObjectName(QStringLiteral("BalloonHint"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setPalette(QToolTip::palette());
        setFont(QToolTip::font());
        setForegroundRole(QPalette::ToolTipText);
        setBackgroundRole(QPalette::ToolTipBase);

        FIcon = new QLabel(this);
        FIcon->setObjectName(QStringLiteral("imgBalloonIcon"));
        FTitle = new QLabel(this);
        FTitle->setObjectName(QStringLiteral("lblBalloonTitle"));
        FTitle->setTextFormat(Qt::PlainText);
        QFont bold = font();
        bold.setBold(true);
        FTitle->setFont(bold);
        FBody = new QLabel(this);
        FBody->setObjectName(QStringLiteral("lblBalloonBody"));
        FBody->setTextFormat(Qt::AutoText);
        FBody->setWordWrap(true);
        for (QLabel* label : {FIcon, FTitle, FBody})
            label->setForegroundRole(QPalette::ToolTipText);

        auto* heading = new QHBoxLayout;
        heading->setSpacing(6);
        heading->addWidget(FIcon, 0, Qt::AlignVCenter);
        heading->addWidget(FTitle, 1, Qt::AlignVCenter);
        FLayout = new QVBoxLayout(this);
        FLayout->setSpacing(4);
        FLayout->addLayout(heading);
        FLayout->addWidget(FBody);
        FLayout->setSizeConstraint(QLayout::SetFixedSize);
        SetStem(true);
    }

    void SetText(const TBalloonText& Text) {
        const QPixmap icon = BalloonIconPixmap(Text.Icon, devicePixelRatioF());
        FIcon->setPixmap(icon);
        FIcon->setVisible(!icon.isNull());
        FTitle->setText(Q(Text.Title));
        FTitle->setVisible(!Text.Title.empty());
        FBody->setText(Q(Text.Body));
        FBody->setVisible(!Text.Body.empty());
        // Short bodies stay on one line; long ones wrap at the balloon's width.
        const int natural = FBody->fontMetrics().horizontalAdvance(FBody->text()) + 2;
        FBody->setFixedWidth(std::min(kBalloonTextWidth, std::max(natural, FTitle->sizeHint().width() +
                                                                               kBalloonIconSize + 6)));
        // No title bar shows it: the title names the balloon for screen readers.
        setWindowTitle(FTitle->text());
        setAccessibleDescription(FBody->text());
        FLayout->activate();
    }

    QSize BalloonSize() {
        FLayout->activate();
        return sizeHint();
    }

    void ShowAt(const TBalloonPlacement& Placement) {
        SetStem(Placement.StemUp);
        FStemX = Placement.StemX;
        FLayout->activate();
        adjustSize();
        move(Placement.TopLeft);
        // The mask takes the outline with its border line and the antialiased edge.
        QPainterPathStroker stroker;
        stroker.setWidth(3);
        const QPainterPath outline = Outline();
        setMask(QRegion(outline.united(stroker.createStroke(outline)).toFillPolygon().toPolygon()));
        show();
        raise();
        update();
    }

    static QPixmap BalloonIconPixmap(int Icon, qreal Ratio) {
        static const char* const names[] = {nullptr, "Information", "Warning", "Error"};
        if (Icon <= biNone || Icon > biError)
            return QPixmap();
        return QIcon(QStringLiteral(":/icons/small/%1.svg").arg(QLatin1String(names[Icon])))
            .pixmap(QSize(kBalloonIconSize, kBalloonIconSize), Ratio);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor border = palette().color(QPalette::ToolTipText);
        border.setAlpha(140);
        painter.setPen(QPen(border, 1));
        painter.setBrush(palette().color(QPalette::ToolTipBase));
        painter.drawPath(Outline());
    }

private:
    void SetStem(bool Up) {
        FStemUp = Up;
        const int m = 10;
        FLayout->setContentsMargins(m, m + (Up ? kBalloonStemHeight : 0), m, m + (Up ? 0 : kBalloonStemHeight));
    }

    QPainterPath Outline() const {
        const qreal w = width() - 1, h = height() - 1;
        const qreal top = FStemUp ? kBalloonStemHeight + 0.5 : 0.5;
        const qreal bottom = FStemUp ? h : h - kBalloonStemHeight;
        QPainterPath box;
        box.addRoundedRect(QRectF(0.5, top, w, bottom - top), kBalloonCornerRadius, kBalloonCornerRadius);
        QPainterPath stem;
        const qreal x = FStemX, half = kBalloonStemWidth / 2.0;
        if (FStemUp) {
            stem.moveTo(x - half, top + 1);
            stem.lineTo(x, 0.5);
            stem.lineTo(x + half, top + 1);
        } else {
            stem.moveTo(x - half, bottom - 1);
            stem.lineTo(x, h + 0.5);
            stem.lineTo(x + half, bottom - 1);
        }
        stem.closeSubpath();
        return box.united(stem).simplified();
    }

    QLabel* FIcon = nullptr;
    QLabel* FTitle = nullptr;
    QLabel* FBody = nullptr;
    QVBoxLayout* FLayout = nullptr;
    bool FStemUp = true;
    int FStemX = 20;
};

// How long a balloon stays when nothing else hides it.
constexpr int kBalloonShowMs = 10000;

// The caption of a control, as far as it has one.
QString CaptionOf(const QWidget* Control) {
    if (auto* button = qobject_cast<const QAbstractButton*>(Control))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(Control))
        return label->text();
    if (auto* group = qobject_cast<const QGroupBox*>(Control))
        return group->title();
    if (Control->isWindow())
        return Control->windowTitle();
    return QString();
}

} // namespace

int CutBalloonIconMarker(std::string& Hint) {
    for (const TMarker& marker : kMarkers)
        if (EndsWithIgnoringCase(Hint, marker.Text)) {
            Hint.resize(Hint.size() - marker.Text.size());
            return marker.Icon;
        }
    return -1;
}

std::string ShortHintPart(const std::string& Hint) {
    const std::size_t bar = Hint.find('|');
    return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}

std::string LongHintPart(const std::string& Hint) {
    const std::size_t bar = Hint.find('|');
    return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

std::string StripAccelerator(const std::string& Caption) {
    std::string result;
    result.reserve(Caption.size());
    for (std::size_t i = 0; i < Caption.size(); ++i) {
        if (Caption[i] != '&')
            result += Caption[i];
        else if (i + 1 < Caption.size() && Caption[i + 1] == '&')
            result += Caption[++i];
    }
    return result;
}

TBalloonText BalloonTextOf(const std::string& Hint, int DefaultIcon, const std::string& ControlCaption,
                           const std::string& FormCaption) {
    std::string hint = Hint;
    const int icon = CutBalloonIconMarker(hint);
    TBalloonText text;
    text.Icon = icon >= 0 ? icon : std::clamp(DefaultIcon, int(biNone), int(biError));
    text.Title = ShortHintPart(hint);
    text.Body = LongHintPart(hint);
    if (text.Title == text.Body)
        text.Title.clear();
    if (text.Title.empty())
        text.Title = StripAccelerator(ControlCaption);
    if (text.Title.empty())
        text.Title = StripAccelerator(FormCaption);
    return text;
}

TBalloonPlacement PlaceBalloon(const QRect& Control, const QSize& Balloon, const QRect& Screen) {
    TBalloonPlacement placement;
    const int anchorX = Control.left() + Control.width() / 2;
    const int screenBottom = Screen.top() + Screen.height();
    int top = Control.top() + Control.height();
    if (top + Balloon.height() > screenBottom && Control.top() - Balloon.height() >= Screen.top()) {
        top = Control.top() - Balloon.height();
        placement.StemUp = false;
    }
    int left = anchorX - Balloon.width() / 2;
    left = std::min(left, Screen.left() + Screen.width() - Balloon.width());
    left = std::max(left, Screen.left());
    placement.TopLeft = QPoint(left, top);
    const int lowest = kBalloonCornerRadius + kBalloonStemWidth / 2;
    const int highest = std::max(lowest, Balloon.width() - lowest);
    placement.StemX = std::clamp(anchorX - left, lowest, highest);
    return placement;
}

// --- TBalloonTipsSystem ---

TBalloonTipsSystem::TBalloonTipsSystem(QObject* Parent) : QObject(Parent) {
    FHideTimer.setSingleShot(true);
    connect(&FHideTimer, &QTimer::timeout, this, &TBalloonTipsSystem::HideBalloon);
}

TBalloonTipsSystem::~TBalloonTipsSystem() {
    SetActive(false);
    for (auto& [control, entry] : FBalloons)
        disconnect(entry.Destroyed);
    delete FWindow.data();
}

void TBalloonTipsSystem::SetActive(bool Value) {
    if (FActive == Value)
        return;
    FActive = Value;
    if (!qApp)
        return;
    if (Value) {
        QToolTip::hideText();
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        HideBalloon();
    }
}

void TBalloonTipsSystem::SetDefaultIcon(int Value) {
    Value = std::clamp(Value, int(biNone), int(biError));
    if (FDefaultIcon == Value)
        return;
    FDefaultIcon = Value;
    ResetBalloons();
}

void TBalloonTipsSystem::ResetBalloons() {
    if (!FActive)
        return;
    for (auto& [control, entry] : FBalloons)
        disconnect(entry.Destroyed);
    FBalloons.clear();
}

bool TBalloonTipsSystem::HasBalloon(const QWidget* Control) const {
    return FBalloons.count(Control) != 0;
}

void TBalloonTipsSystem::Forget(QObject* Control) {
    FBalloons.erase(Control);
}

std::string TBalloonTipsSystem::HintOf(const QWidget* Control) {
    return Control ? S(Control->toolTip()) : std::string();
}

bool TBalloonTipsSystem::AttachBalloon(QWidget* Control) {
    const std::string hint = HintOf(Control);
    if (hint.empty())
        return false;
    auto found = FBalloons.find(Control);
    if (found != FBalloons.end() && found->second.Hint == hint)
        return true;
    // A hint changed after its balloon was made gets a new balloon rather than the old text.
    const QWidget* form = Control->window();
    TBalloonText text =
        BalloonTextOf(hint, FDefaultIcon, S(CaptionOf(Control)), form ? S(form->windowTitle()) : std::string());
    if (found != FBalloons.end()) {
        found->second.Hint = hint;
        found->second.Text = std::move(text);
        return true;
    }
    TEntry entry;
    entry.Hint = hint;
    entry.Text = std::move(text);
    entry.Destroyed = connect(Control, &QObject::destroyed, this, [this](QObject* gone) { Forget(gone); });
    FBalloons.emplace(Control, std::move(entry));
    return true;
}

TBalloonText TBalloonTipsSystem::BalloonOf(const QWidget* Control) const {
    auto found = FBalloons.find(Control);
    return found == FBalloons.end() ? TBalloonText() : found->second.Text;
}

bool TBalloonTipsSystem::ShowBalloon(QWidget* Control) {
    if (!Control || !AttachBalloon(Control))
        return false;
    const TBalloonText text = BalloonOf(Control);
    if (text.Body.empty() && text.Title.empty())
        return true; // a hint that was only a marker: nothing to show, nor a plain hint
    auto* window = static_cast<TBalloonWindow*>(FWindow.data());
    if (!window) {
        window = new TBalloonWindow();
        FWindow = window;
    }
    window->SetText(text);
    const QRect control(Control->mapToGlobal(QPoint(0, 0)), Control->size());
    QScreen* screen = Control->screen() ? Control->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    window->ShowAt(PlaceBalloon(control, window->BalloonSize(), available));
    FShownFor = Control;
    FHideTimer.start(kBalloonShowMs + 40 * static_cast<int>(text.Body.size()));
    return true;
}

void TBalloonTipsSystem::HideBalloon() {
    FHideTimer.stop();
    FShownFor = nullptr;
    if (FWindow)
        FWindow->hide();
}

QWidget* TBalloonTipsSystem::ShownBalloon() const {
    return FWindow && FWindow->isVisible() ? FWindow.data() : nullptr;
}

bool TBalloonTipsSystem::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
    case QEvent::ToolTip: {
        // The plain hint is replaced; a widget without a hint lets the event go on to
        // its parent (or to its own items' tips, as in a list).
        auto* widget = qobject_cast<QWidget*>(Watched);
        if (!widget || HintOf(widget).empty())
            return false;
        if (FShownFor != widget || !ShownBalloon())
            ShowBalloon(widget);
        return true;
    }
    case QEvent::Leave:
    case QEvent::Hide:
        if (FShownFor && Watched == FShownFor.data())
            HideBalloon();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::ApplicationDeactivate:
        if (FShownFor || ShownBalloon())
            HideBalloon();
        break;
    default:
        break;
    }
    return false;
}

TBalloonTipsSystem& BalloonTipsSystem() {
    static QPointer<TBalloonTipsSystem> instance;
    if (!instance)
        instance = new TBalloonTipsSystem(QCoreApplication::instance());
    return *instance;
}

// --- The window table's entries ---

static TEditorWindowRegistration balloonRegistration([](TEditorWindowTable& Table) {
    Table.ActivateBalloons = [](int DefaultIcon) {
        BalloonTipsSystem().SetDefaultIcon(DefaultIcon);
        BalloonTipsSystem().SetActive(true);
    };
    Table.DeactivateBalloons = [] { BalloonTipsSystem().SetActive(false); };
    Table.ResetBalloons = [] { BalloonTipsSystem().ResetBalloons(); };
});
