#include "c_LinkLabel.h"
#include "ui_helpers.h"

#include <QEnterEvent>
#include "small_helpers.h"
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(LinkLabel, LinkOfEachKind) {
    EXPECT_EQ(LinkLabelTarget(TLinkKind::lkSimple, "www.a.example", "x"), "");
    EXPECT_EQ(LinkLabelTarget(TLinkKind::lkHTTP, "www.a.example", "x"), "http://www.a.example");
    EXPECT_EQ(LinkLabelTarget(TLinkKind::lkEMail, "me@a.example", "x"), "mailto:me@a.example");
    EXPECT_EQ(LinkLabelTarget(TLinkKind::lkCustom, "Caption", "ftp://a.example/f"), "ftp://a.example/f");
    TLinkLabel label("site.example");
    EXPECT_EQ(label.LinkKind, TLinkKind::lkSimple);
    EXPECT_EQ(label.Link(), "");
    label.LinkKind = TLinkKind::lkHTTP;
    EXPECT_EQ(label.Link(), "http://site.example");

    EXPECT_EQ(LinkLabelUrl("http://site.example/a b"), QUrl("http://site.example/a b"));
    EXPECT_EQ(LinkLabelUrl("mailto:me@a.example").scheme(), "mailto");
    EXPECT_EQ(LinkLabelUrl("/tmp/book.exe"), QUrl::fromLocalFile("/tmp/book.exe"));
}

struct LabelForm {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    TLinkLabel* label = nullptr;
    std::vector<std::string> calls;
    LabelForm() {
        auto* layout = new QVBoxLayout(form.get());
        label = new TLinkLabel("me@a.example", form.get());
        label->LinkKind = TLinkKind::lkEMail;
        label->OnClick = [this](TLinkLabel& Sender) { calls.push_back("click " + Sender.text().toStdString()); };
        label->OpenLink = [this](const std::string& Link) { calls.push_back("open " + Link); };
        layout->addWidget(label);
        form->show();
        WaitFor([&] { return form->isVisible(); });
    }
};

TEST(LinkLabel, ColoursUnderlineAndCursorFollowTheMouse) {
    LabelForm f;
    TLinkLabel& label = *f.label;
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.SimpleColor, QColor(0, 0, 0x80));
    EXPECT_EQ(label.HighlightedColor, QColor(0, 0, 0xFF));
    EXPECT_EQ(label.palette().color(QPalette::WindowText), label.SimpleColor);
    EXPECT_FALSE(label.font().underline());

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), label.mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(&label, &enter);
    EXPECT_TRUE(label.Highlighted());
    EXPECT_EQ(label.palette().color(QPalette::WindowText), label.HighlightedColor);
    EXPECT_TRUE(label.font().underline());
    ProcessEvents();
    const QImage hovered = label.grab().toImage();
    bool blue = false;
    for (int y = 0; y < hovered.height() && !blue; ++y)
        for (int x = 0; x < hovered.width() && !blue; ++x)
            blue = QColor(hovered.pixel(x, y)).blue() > 200 && QColor(hovered.pixel(x, y)).red() < 80;
    EXPECT_TRUE(blue);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    EXPECT_FALSE(label.Highlighted());
    EXPECT_EQ(label.palette().color(QPalette::WindowText), label.SimpleColor);
    EXPECT_FALSE(label.font().underline());

    // Changed colours apply after UpdateStyle.
    label.SimpleColor = Qt::darkGreen;
    label.UpdateStyle();
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::darkGreen));
}

TEST(LinkLabel, ClickRunsTheClickEventFirstThenOpensTheLink) {
    LabelForm f;
    int signals_ = 0;
    QObject::connect(f.label, &TLinkLabel::Clicked, [&] { ++signals_; });
    ClickWidget(f.label);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"click me@a.example", "open mailto:me@a.example"}));
    EXPECT_EQ(signals_, 1);

    // The keyboard works the same; a simple label opens nothing.
    f.calls.clear();
    f.label->LinkKind = TLinkKind::lkSimple;
    f.label->setFocus();
    PressKey(f.label, Qt::Key_Space);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"click me@a.example"}));

    // A click event that closes the window with the label ends the click there.
    f.calls.clear();
    f.label->LinkKind = TLinkKind::lkCustom;
    f.label->CustomLink = "http://a.example";
    f.label->OnClick = [&](TLinkLabel& Sender) {
        f.calls.push_back("click");
        delete &Sender;
    };
    ClickWidget(f.label);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"click"}));
}

} // namespace
