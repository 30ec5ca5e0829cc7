#include "c_LinkLabel.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
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
    OpenLink = [](const std::string& Link) {
        QDesktopServices::openUrl(QUrl(QString::fromUtf8(Link.c_str())));
    };
    UpdateStyle();
}

std::string TLinkLabel::Link() const {
    return LinkLabelTarget(LinkKind, text().toUtf8().toStdString(), CustomLink);
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

void TLinkLabel::Activate() {
    if (OnClick)
        OnClick(*this);
    emit Clicked();
    const std::string link = Link();
    if (!link.empty() && OpenLink)
        OpenLink(link);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()))
        Activate();
    QLabel::mouseReleaseEvent(Event);
}

void TLinkLabel::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter || Event->key() == Qt::Key_Space) {
        Activate();
        return;
    }
    QLabel::keyPressEvent(Event);
}
