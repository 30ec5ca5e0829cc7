#include "frm_Splash.h"
#include "ui_helpers.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_MFS.h"
#include "u_Pictures.h"
#include "u_ProgramFolder.h"

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

TEST(Splash, EditorsSplashIsLoadedSizedAndCentred) {
    auto* splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 2, true);
    ASSERT_TRUE(splash->Loaded()) << splash->LoadError();
    EXPECT_EQ(splash->size(), QSize(480, 300));
    EXPECT_EQ(splash->imgSplash->size(), QSize(480, 300));
    EXPECT_EQ(splash->TimerInterval(), 2000);
    EXPECT_TRUE(splash->TimerRunning());
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash->x(), screen.left() + (screen.width() - 480) / 2);
    EXPECT_EQ(splash->y(), screen.top() + (screen.height() - 300) / 2);
    splash->show();
    SaveScreenshot(splash, "splash.png");
    delete splash;
}

TEST(Splash, SecondsAreClampedAndZeroStartsNoTick) {
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
    EXPECT_FALSE(zero->tmrSplash->isActive());
    zero->show();
    zero->RequestClose();
    Pause(300);
    ASSERT_FALSE(Gone(zero));
    EXPECT_TRUE(zero->isVisible());
    ClickWidget(zero.data(), QPoint(10, 10));
    EXPECT_TRUE(WaitFor([&] { return Gone(zero); }));
}

TEST(Splash, CloseRequestedBeforeTheTimeIsUpWaitsForIt) {
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
    splash->tmrSplashTimer();
    EXPECT_TRUE(WaitFor([&] { return Gone(splash); }));

    // The same with the real timer.
    QPointer<TfrmSplash> timed = new TfrmSplash();
    timed->ShowSplashFile(SplashFile(), 1, false);
    timed->show();
    timed->RequestClose();
    ASSERT_FALSE(Gone(timed));
    EXPECT_TRUE(WaitFor([&] { return Gone(timed); }));
}

TEST(Splash, CloseRequestedAfterTheTimeIsUpClosesAtOnce) {
    QPointer<TfrmSplash> splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 1, false);
    splash->show();
    // The tick alone does not close it.
    splash->tmrSplashTimer();
    EXPECT_FALSE(splash->TimerRunning());
    ProcessEvents();
    ASSERT_FALSE(Gone(splash));
    EXPECT_TRUE(splash->isVisible());
    splash->RequestClose();
    EXPECT_FALSE(splash->isVisible());
    EXPECT_TRUE(WaitFor([&] { return Gone(splash); }));

    // The same with the real timer.
    QPointer<TfrmSplash> timed = new TfrmSplash();
    timed->ShowSplashFile(SplashFile(), 1, false);
    timed->show();
    ASSERT_TRUE(WaitFor([&] { return !timed->TimerRunning(); }));
    EXPECT_TRUE(timed->isVisible());
    timed->RequestClose();
    EXPECT_TRUE(WaitFor([&] { return Gone(timed); }));
}

TEST(Splash, ClickClosesAtOnceWhenAllowed) {
    QPointer<TfrmSplash> splash = new TfrmSplash();
    splash->ShowSplashFile(SplashFile(), 10, true);
    splash->show();
    ASSERT_TRUE(WaitFor([&] { return splash->isVisible(); }));
    ClickWidget(splash.data(), QPoint(100, 100));
    EXPECT_FALSE(splash->isVisible());
    EXPECT_TRUE(WaitFor([&] { return Gone(splash); }));
}

TEST(Splash, ItemsAreReadByTheirExtension) {
    TMFS store;
    auto file = [&](const std::string& Name, const std::string& Content) -> TMFSFile& {
        auto* f = new TMFSFile(&store, store.Root(), Name);
        f->Content = Content;
        return *f;
    };
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
        splash.ShowSplashItem(file(c.Name, c.Content), 3, true);
        EXPECT_EQ(splash.Loaded(), c.Loads) << c.Name << ": " << splash.LoadError();
        EXPECT_FALSE(splash.isVisible());
        if (c.Loads)
            EXPECT_EQ(splash.size(), c.Size) << c.Name;
        else
            EXPECT_FALSE(splash.TimerRunning()) << c.Name;
    }
}

TEST(Splash, WindowTableShowsLoadedPicturesAndRefusesMetafilesClearly) {
    ASSERT_TRUE(EditorWindows().ShowSplashFile && EditorWindows().ShowSplashItem &&
                EditorWindows().RequestSplashClose);
    EXPECT_EQ(EditorWindows().ShowSplashFile(ProgramFolder() + "Missing.bmp", 2, true), nullptr);

    std::vector<TDialogRequest> asked;
    SetDialogAnswerer([&](TDialogRequest& Request) {
        asked.push_back(Request);
        return QMessageBox::Ok;
    });
    TMFS store;
    auto* wmf = new TMFSFile(&store, store.Root(), "Logo.emf");
    wmf->Content = "not drawable here";
    EXPECT_EQ(EditorWindows().ShowSplashItem(*wmf, 2, true), nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].Text.find("\"Logo.emf\""), std::string::npos) << asked[0].Text;
    EXPECT_NE(asked[0].Text.find("Metafile"), std::string::npos) << asked[0].Text;
    // Other failures stay silent, as at start-up.
    auto* png = new TMFSFile(&store, store.Root(), "Logo.png");
    png->Content = "x";
    EXPECT_EQ(EditorWindows().ShowSplashItem(*png, 2, true), nullptr);
    EXPECT_EQ(asked.size(), 1u);
    SetDialogAnswerer(nullptr);

    // The editor's start: shown for 2 seconds, closed when start-up is over and the time is up.
    QPointer<QWidget> shown = EditorWindows().ShowSplashFile(SplashFile(), 2, true);
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(shown->isVisible());
    EditorWindows().RequestSplashClose(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(WaitFor([&] { return Gone(shown); }));

    // A close request for a splash that a click already took away is ignored.
    QPointer<QWidget> clicked = EditorWindows().ShowSplashFile(SplashFile(), 2, true);
    QWidget* address = clicked.data();
    ClickWidget(clicked.data(), QPoint(5, 5));
    ASSERT_TRUE(WaitFor([&] { return Gone(clicked); }));
    EditorWindows().RequestSplashClose(address);
}

} // namespace
