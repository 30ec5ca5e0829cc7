#include "frm_Splash.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Pictures.h"
#include "u_ProgramFolder.h"
#include "ui_helpers.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include "small_helpers.h"

#include <gtest/gtest.h>

namespace {

std::string SplashFile() {
    return ProgramFolder() + "Splash.bmp";
}

std::string Encoded(const QImage& Image, const char* Format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Image.save(&buffer, Format);
    return bytes.toStdString();
}

QImage Picture(int W, int H) {
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    return image;
}

// A clock the test advances itself: the splash windows made while it is set take it,
// and Tick makes the time of the last one pass.
class TTestClock : public TSplashClock {
public:
    void Start(int Milliseconds) override {
        Running = true;
        Started = Milliseconds;
    }
    void Stop() override { Running = false; }
    bool Running = false;
    int Started = 0;
};

class Splash : public ::testing::Test {
protected:
    void SetUp() override {
        SetSplashClockFactory([this] {
            auto clock = std::make_unique<TTestClock>();
            Clock = clock.get();
            return clock;
        });
    }
    void TearDown() override { SetSplashClockFactory(nullptr); }
    // The time of the last splash window made is up.
    void Tick() {
        ASSERT_TRUE(Clock->Running) << "no time is running";
        Clock->Running = false;
        Clock->OnTick();
    }
    TTestClock* Clock = nullptr;
};

TEST_F(Splash, EditorsSplashIsLoadedSizedAndCentred) {
    auto* splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 2, true);
    ASSERT_TRUE(splash->Loaded()) << splash->LoadError();
    EXPECT_EQ(splash->size(), QSize(480, 300));
    EXPECT_EQ(Named<QLabel>(*splash, "imgSplash")->size(), QSize(480, 300));
    EXPECT_EQ(splash->TimerInterval(), 2000);
    EXPECT_TRUE(splash->TimerRunning());
    EXPECT_TRUE(Clock->Running);
    EXPECT_EQ(Clock->Started, 2000);
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash->x(), screen.left() + (screen.width() - 480) / 2);
    EXPECT_EQ(splash->y(), screen.top() + (screen.height() - 300) / 2);
    splash->show();
    SaveScreenshot(splash, "splash.png");
    delete splash;
}

TEST_F(Splash, SecondsAreClampedAndZeroStartsNoTick) {
    EXPECT_EQ(ClampSplashSeconds(-4), 0);
    EXPECT_EQ(ClampSplashSeconds(7), 7);
    EXPECT_EQ(ClampSplashSeconds(11), 10);
    TfrmSplash late;
    late.ShowSplashFile(SplashFile(), 99, false);
    EXPECT_EQ(late.TimerInterval(), 10000);

    // 0 seconds: the time "runs" without a tick, so a close request waits for a click.
    QPointer<TfrmSplash> zero = new TfrmSplash();
    zero->ShowSplashFile(SplashFile(), 0, true);
    ASSERT_TRUE(zero->Loaded());
    EXPECT_FALSE(Clock->Running);
    EXPECT_TRUE(zero->TimerRunning());
    zero->show();
    zero->RequestClose();
    ProcessEvents();
    ASSERT_FALSE(Gone(zero));
    EXPECT_TRUE(zero->isVisible());
    ClickWidget(zero.data(), QPoint(10, 10));
    EXPECT_TRUE(WaitFor([&] { return Gone(zero); }));
}

TEST_F(Splash, CloseRequestedBeforeTheTimeIsUpWaitsForIt) {
    QPointer<TfrmSplash> splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 10, false);
    splash->show();
    splash->RequestClose();
    ASSERT_FALSE(Gone(splash));
    EXPECT_TRUE(splash->CloseRequested());
    EXPECT_TRUE(splash->isVisible());
    // Clicks do nothing without close-on-click.
    ClickWidget(splash.data(), QPoint(10, 10));
    ProcessEvents();
    ASSERT_FALSE(Gone(splash));
    // The tick closes it.
    Tick();
    EXPECT_FALSE(splash->isVisible());
    EXPECT_TRUE(Gone(splash));
}

TEST_F(Splash, CloseRequestedAfterTheTimeIsUpClosesAtOnce) {
    QPointer<TfrmSplash> splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 1, false);
    splash->show();
    // The tick alone does not close it.
    Tick();
    EXPECT_FALSE(splash->TimerRunning());
    ProcessEvents();
    ASSERT_FALSE(Gone(splash));
    EXPECT_TRUE(splash->isVisible());
    splash->RequestClose();
    EXPECT_FALSE(splash->isVisible());
    EXPECT_TRUE(Gone(splash));
}

TEST_F(Splash, ClickClosesAtOnceWhenAllowed) {
    QPointer<TfrmSplash> splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 10, true);
    splash->show();
    ASSERT_TRUE(WaitFor([&] { return splash->isVisible(); }));
    ClickWidget(splash.data(), QPoint(100, 100));
    EXPECT_FALSE(splash->isVisible());
    EXPECT_TRUE(WaitFor([&] { return Gone(splash); }));
}

TEST_F(Splash, ItemsAreReadByTheirExtension) {
    const struct {
        std::string Name;
        std::string Content;
        bool Loads;
        QSize Size;
    } cases[] = {
        {"SplashS.BMP", Encoded(Picture(40, 30), "BMP"), true, QSize(40, 30)},
        {"Icon.ico", Encoded(Picture(32, 32), "ICO"), true, QSize(32, 32)},
        {"Photo.JPG", Encoded(Picture(50, 20), "JPG"), true, QSize(50, 20)},
        {"Photo2.jpeg", Encoded(Picture(20, 50), "JPG"), true, QSize(20, 50)},
        {"Picture.png", Encoded(Picture(20, 20), "PNG"), false, QSize()},
        {"Broken.bmp", "BM not really", false, QSize()},
        {"Vector.wmf", "\xd7\xcd\xc6\x9a", false, QSize()},
    };
    for (const auto& c : cases) {
        TfrmSplash splash;
        splash.ShowSplashItem(c.Content, c.Name, 3, true);
        EXPECT_EQ(splash.Loaded(), c.Loads) << c.Name << ": " << splash.LoadError();
        EXPECT_FALSE(splash.isVisible());
        if (c.Loads)
            EXPECT_EQ(splash.size(), c.Size) << c.Name;
        else
            EXPECT_FALSE(splash.TimerRunning()) << c.Name;
    }
}

TEST_F(Splash, WindowTableShowsLoadedPicturesAndRefusesMetafilesClearly) {
    ASSERT_TRUE(EditorWindows().ShowSplashFile && EditorWindows().ShowSplashItem &&
                EditorWindows().RequestSplashClose);
    EXPECT_EQ(EditorWindows().ShowSplashFile(ProgramFolder() + "Missing.bmp", 2, true), nullptr);

    std::vector<TDialogRequest> asked;
    SetDialogAnswerer([&](TDialogRequest& Request) {
        asked.push_back(Request);
        return QMessageBox::Ok;
    });
    EXPECT_EQ(EditorWindows().ShowSplashItem("not drawable here", "Logo.emf", 2, true), nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].Text.find("\"Logo.emf\""), std::string::npos) << asked[0].Text;
    EXPECT_NE(asked[0].Text.find("Metafile"), std::string::npos) << asked[0].Text;
    // Other failures stay silent, as at start-up.
    EXPECT_EQ(EditorWindows().ShowSplashItem("x", "Logo.png", 2, true), nullptr);
    EXPECT_EQ(asked.size(), 1u);
    SetDialogAnswerer(nullptr);

    // The editor's start: shown for 2 seconds, closed when start-up is over and the time is up.
    QPointer<QWidget> shown = EditorWindows().ShowSplashFile(SplashFile(), 2, true);
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(Clock->Started, 2000);
    EditorWindows().RequestSplashClose(shown);
    EXPECT_TRUE(shown->isVisible());
    Tick();
    EXPECT_TRUE(Gone(shown));

    // A close request for a splash that a click already took away is ignored.
    QPointer<QWidget> clicked = EditorWindows().ShowSplashFile(SplashFile(), 2, true);
    QWidget* address = clicked.data();
    ClickWidget(clicked.data(), QPoint(5, 5));
    ASSERT_TRUE(WaitFor([&] { return Gone(clicked); }));
    EditorWindows().RequestSplashClose(address);
}

} // namespace
