#include "c_LinkLabel.h"

#include "u_Controls.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QDir>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>

std::string LinkLabelTarget(TLinkKind Kind, const std::string& Caption, const std::string& CustomLink) {
    switch (Kind) {
    case TLinkKind::lkSimple:
        return std::string();
    case TLinkKind::lkHTTP:
        return "http://" + Caption;
    case TLinkKind::lkEMail:
        return "mailto:" + Caption;
    case TLinkKind::lkCustom:
        return CustomLink;
    }
    return std::string();
}

QUrl LinkLabelUrl(const std::string& Link) {
    const QString text = Q(Link);
    // A path of this computer (what the shell would open as a file) rather than an address.
    if (text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1String("~/")))
        return QUrl::fromLocalFile(text.startsWith(QLatin1Char('~')) ? QDir::homePath() + text.mid(1) : text);
    return QUrl(text);
}

TLinkLabel::TLinkLabel(QWidget* Parent) : QLabel(Parent) {
    Init();
}

TLinkLabel::TLinkLabel(const QString& Caption, QWidget* Parent) : QLabel(Caption, Parent) {
    Init();
}

void TLinkLabel::Init() {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
    OpenLink = [](const std::string& Link) { QDesktopServices::openUrl(LinkLabelUrl(Link)); };
    UpdateStyle();
}

std::string TLinkLabel::Link() const {
    return LinkLabelTarget(LinkKind, S(text()), CustomLink);
}

void TLinkLabel::UpdateStyle() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, FHighlighted ? HighlightedColor : SimpleColor);
    setPalette(palette);
    QFont font = this->font();
    font.setUnderline(FHighlighted);
    setFont(font);
}

void TLinkLabel::SetHighlighted(bool Value) {
    if (FHighlighted == Value)
        return;
    FHighlighted = Value;
    UpdateStyle();
}

void TLinkLabel::enterEvent(QEnterEvent* Event) {
    SetHighlighted(true);
    QLabel::enterEvent(Event);
}

void TLinkLabel::leaveEvent(QEvent* Event) {
    SetHighlighted(false);
    QLabel::leaveEvent(Event);
}

bool TLinkLabel::Activate() {
    // The click event may close the window and take the label with it.
    QPointer<TLinkLabel> self(this);
    if (OnClick)
        OnClick(*this);
    if (!self)
        return false;
    emit Clicked();
    if (!self)
        return false;
    const std::string link = Link();
    if (!link.empty() && OpenLink)
        OpenLink(link);
    return !self.isNull();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) && !Activate())
        return;
    QLabel::mouseReleaseEvent(Event);
}

void TLinkLabel::paintEvent(QPaintEvent* Event) {
    QLabel::paintEvent(Event);
    // Keyboard users see where the focus is.
    if (hasFocus()) {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}

void TLinkLabel::keyPressEvent(QKeyEvent* Event) {
    if (Event->modifiers() == Qt::NoModifier &&
        (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter || Event->key() == Qt::Key_Space)) {
        Activate();
        return;
    }
    QLabel::keyPressEvent(Event);
}
