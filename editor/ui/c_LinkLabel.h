// A label that is a link: a click runs the label's own click event and then hands the
// link to the desktop's opener. Its text is navy, and blue and underlined while the
// mouse is over it; the cursor is the hand.
#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>

#include <functional>
#include <string>

enum class TLinkKind { lkSimple, lkHTTP, lkEMail, lkCustom };

// The link of a label of that kind with that caption: empty for lkSimple, "http://"
// followed by the caption for lkHTTP, "mailto:" followed by the caption for lkEMail, and
// CustomLink for lkCustom.
std::string LinkLabelTarget(TLinkKind Kind, const std::string& Caption, const std::string& CustomLink);

// What the desktop's opener gets for a link: an address as it is, a path of this
// computer ("/..." or "~/...") as a file.
QUrl LinkLabelUrl(const std::string& Link);

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* Parent = nullptr);
    TLinkLabel(const QString& Caption, QWidget* Parent = nullptr);

    TLinkKind LinkKind = TLinkKind::lkSimple;
    std::string CustomLink;
    // The platform's BGR colour form 0x800000 and 0xFF0000.
    QColor SimpleColor = QColor(0, 0, 0x80);
    QColor HighlightedColor = QColor(0, 0, 0xFF);

    // The label's own click event, run before the link is opened.
    std::function<void(TLinkLabel& Sender)> OnClick;
    // What opens the link (the desktop's opener unless a test replaces it).
    std::function<void(const std::string& Link)> OpenLink;

    std::string Link() const;
    bool Highlighted() const noexcept { return FHighlighted; }
    // Applies the colours again (after they were changed).
    void UpdateStyle();

signals:
    void Clicked();

protected:
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    void Init();
    void SetHighlighted(bool Value);
    // Runs the click event and opens the link; false when the label went meanwhile.
    bool Activate();
    bool FHighlighted = false;
};
