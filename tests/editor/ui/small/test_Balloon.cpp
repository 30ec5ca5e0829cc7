#include "ui_helpers.h"
#include "u_Balloon.h"
#include "u_EditorServices.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include "small_helpers.h"
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

int Cut(std::string& hint) {
    return CutBalloonIconMarker(hint);
}

TEST(BalloonText, MarkersAreCutInTheirOrderIgnoringCase) {
    struct Case {
        std::string Hint;
        int Icon;
        std::string Rest;
    };
    const Case cases[] = {
        {"Save|Saves the project/w", biWarning, "Save|Saves the project"},
        {"Open/0", biNone, "Open"},
        {"Open/3", biError, "Open"},
        {"Text/INFORMATION", biInformation, "Text"}, // the word, not "/n" of its end
        {"Text/information", biInformation, "Text"},
        {"Text/None", biNone, "Text"},
        {"Text/error", biError, "Text"},
        {"Text/Warning", biWarning, "Text"},
        {"Text/E", biError, "Text"},
        {"Text/n", biNone, "Text"},
        {"Text/i", biInformation, "Text"},
        {"a/w/e", biError, "a/w"}, // only the last marker goes
        {"Path C:/dir", -1, "Path C:/dir"},
        {"no marker", -1, "no marker"},
        {"/2", biWarning, ""},
    };
    for (const Case& c : cases) {
        std::string hint = c.Hint;
        EXPECT_EQ(Cut(hint), c.Icon) << c.Hint;
        EXPECT_EQ(hint, c.Rest) << c.Hint;
    }
}

TEST(BalloonText, TitleBodyAndTheirFallbacks) {
    // A title, a sentence and the warning marker.
    EXPECT_EQ(BalloonTextOf("Compile|Compiles the book into one program./w", biNone, "&Compile", "Quarvel"),
              (TBalloonText{"Compile", "Compiles the book into one program.", biWarning}));
    // Without "|" the caption is the title (accelerator dropped) and the default icon holds.
    EXPECT_EQ(BalloonTextOf("Load picture", biInformation, "&Load && save", "Form"),
              (TBalloonText{"Load & save", "Load picture", biInformation}));
    // No caption: the form's caption.
    EXPECT_EQ(BalloonTextOf("Select Template", biNone, "", "New eBook"),
              (TBalloonText{"New eBook", "Select Template", biNone}));
    // Equal parts leave the title to the captions too.
    EXPECT_EQ(BalloonTextOf("Same|Same", biNone, "Button", "Form").Title, "Button");
    // An empty short part too; the marker is cut before the split.
    EXPECT_EQ(BalloonTextOf("|Only a body/information", biError, "", "Form"),
              (TBalloonText{"Form", "Only a body", biInformation}));
    // A default icon out of range is clamped.
    EXPECT_EQ(BalloonTextOf("x", 9, "c", "f").Icon, biError);
    EXPECT_EQ(ShortHintPart("a|b|c"), "a");
    EXPECT_EQ(LongHintPart("a|b|c"), "b|c");
}

TEST(BalloonText, PlacementUnderTheControlOrAboveItAtTheScreensBottom) {
    const QRect screen(0, 0, 1000, 800);
    // Room below: centred under the control, stem up at its centre.
    TBalloonPlacement p = PlaceBalloon(QRect(400, 100, 100, 30), QSize(200, 80), screen);
    EXPECT_TRUE(p.StemUp);
    EXPECT_EQ(p.TopLeft, QPoint(350, 130));
    EXPECT_EQ(p.StemX, 100);
    // No room below: above the control, stem down.
    p = PlaceBalloon(QRect(400, 750, 100, 30), QSize(200, 80), screen);
    EXPECT_FALSE(p.StemUp);
    EXPECT_EQ(p.TopLeft.y(), 750 - 80);
    // At the left edge the balloon stays on the screen and its stem still points at the
    // control as far as the rounded corner allows.
    p = PlaceBalloon(QRect(0, 100, 10, 20), QSize(200, 80), screen);
    EXPECT_EQ(p.TopLeft.x(), 0);
    EXPECT_GT(p.StemX, 5);
    EXPECT_LT(p.StemX, 20);
    p = PlaceBalloon(QRect(980, 100, 20, 20), QSize(200, 80), screen);
    EXPECT_EQ(p.TopLeft.x(), 800);
    EXPECT_LT(p.StemX, 200);
    EXPECT_GT(p.StemX, 180);
}

// A window with a button that has a hint and one that has none.
struct HintForm {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    QPushButton* hinted = nullptr;
    QPushButton* plain = nullptr;
    HintForm() {
        form->setWindowTitle("Project Options");
        auto* layout = new QVBoxLayout(form.get());
        hinted = new QPushButton("&Load Image", form.get());
        hinted->setToolTip("Load Splash Image/i");
        plain = new QPushButton("Plain", form.get());
        layout->addWidget(hinted);
        layout->addWidget(plain);
        layout->addStretch(1);
        form->resize(300, 200);
        form->move(200, 150);
        form->show();
        WaitFor([&] { return form->isVisible(); });
        ProcessEvents();
    }
};

void SendToolTip(QWidget* Widget) {
    const QPoint pos(Widget->width() / 2, Widget->height() / 2);
    QHelpEvent event(QEvent::ToolTip, pos, Widget->mapToGlobal(pos));
    QApplication::sendEvent(Widget, &event);
}

class BalloonSystem : public ::testing::Test {
protected:
    void TearDown() override {
        BalloonTipsSystem().SetActive(false);
        BalloonTipsSystem().SetDefaultIcon(biNone);
        QToolTip::hideText();
    }
};

TEST_F(BalloonSystem, BalloonReplacesThePlainHintWhileActive) {
    HintForm f;
    ASSERT_TRUE(EditorWindows().ActivateBalloons);
    EditorWindows().ActivateBalloons(biWarning);
    TBalloonTipsSystem& system = BalloonTipsSystem();
    EXPECT_TRUE(system.Active());
    EXPECT_EQ(system.DefaultIcon(), biWarning);

    SendToolTip(f.hinted);
    QWidget* balloon = system.ShownBalloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_TRUE(system.HasBalloon(f.hinted));
    EXPECT_EQ(system.BalloonOf(f.hinted), (TBalloonText{"Load Image", "Load Splash Image", biInformation}));
    // Under the button, with the tooltip colours.
    EXPECT_GE(balloon->y(), f.hinted->mapToGlobal(QPoint(0, f.hinted->height())).y() - 1);
    EXPECT_EQ(balloon->palette().color(QPalette::ToolTipBase), QToolTip::palette().color(QPalette::ToolTipBase));
    ProcessEvents(10);
    const QRect area = f.form->frameGeometry().united(balloon->geometry()).adjusted(-10, -10, 10, 10);
    f.form->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(ScreenshotPath("balloon.png"));

    // A click hides it; a control without a hint gets none.
    ClickWidget(f.plain);
    EXPECT_EQ(system.ShownBalloon(), nullptr);
    SendToolTip(f.plain);
    EXPECT_EQ(system.ShownBalloon(), nullptr);
    EXPECT_FALSE(system.HasBalloon(f.plain));

    // Off again: the plain hint comes back.
    EditorWindows().DeactivateBalloons();
    SendToolTip(f.hinted);
    EXPECT_EQ(system.ShownBalloon(), nullptr);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Load Splash Image/i");
}

TEST_F(BalloonSystem, SetOfControlsFollowsResetsDestructionAndHintChanges) {
    HintForm f;
    TBalloonTipsSystem& system = BalloonTipsSystem();
    system.SetActive(true);
    ASSERT_TRUE(system.AttachBalloon(f.hinted));
    EXPECT_FALSE(system.AttachBalloon(f.plain));
    EXPECT_EQ(system.BalloonCount(), 1);

    // The default icon applies to hints without a marker; changing it forgets the set.
    f.plain->setToolTip("Plain hint");
    system.AttachBalloon(f.plain);
    EXPECT_EQ(system.BalloonOf(f.plain).Icon, biNone);
    system.SetDefaultIcon(biError);
    EXPECT_EQ(system.BalloonCount(), 0);
    system.AttachBalloon(f.plain);
    EXPECT_EQ(system.BalloonOf(f.plain), (TBalloonText{"Plain", "Plain hint", biError}));

    // A changed hint gets a new balloon.
    f.plain->setToolTip("Title|New body/e");
    SendToolTip(f.plain);
    EXPECT_EQ(system.BalloonOf(f.plain), (TBalloonText{"Title", "New body", biError}));

    // Resetting while inactive keeps the set; a destroyed control leaves it.
    system.SetActive(false);
    system.ResetBalloons();
    EXPECT_EQ(system.BalloonCount(), 1);
    system.SetActive(true);
    delete f.plain;
    EXPECT_EQ(system.BalloonCount(), 0);
    system.AttachBalloon(f.hinted);
    ASSERT_TRUE(EditorWindows().ResetBalloons);
    EditorWindows().ResetBalloons();
    EXPECT_EQ(system.BalloonCount(), 0);
}

TEST_F(BalloonSystem, HintOfAParentServesItsChildrenAndLeavingHidesTheBalloon) {
    HintForm f;
    auto* inner = new QLabel("inside", f.form.get());
    f.form->layout()->addWidget(inner);
    f.form->setToolTip("Form hint");
    ProcessEvents();
    TBalloonTipsSystem& system = BalloonTipsSystem();
    system.SetActive(true);
    // The label has no hint: the event goes on to the window, whose hint shows.
    SendToolTip(inner);
    ASSERT_NE(system.ShownBalloon(), nullptr);
    EXPECT_TRUE(system.HasBalloon(f.form.get()));
    EXPECT_FALSE(system.HasBalloon(inner));
    EXPECT_EQ(system.BalloonOf(f.form.get()).Title, "Project Options");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.form.get(), &leave);
    EXPECT_EQ(system.ShownBalloon(), nullptr);
}

} // namespace
