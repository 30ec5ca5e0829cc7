// The reader's window on compiled books: the sample read in story order, chapters,
// history, the contents panel, search with its results and marked words, bookmarks,
// the About form, links out of the book, printing, and the page last read.
#include "frm_ReaderForm.h"
#include "reader_gui.h"
#include "u_ReaderPictures.h"
#include "u_ReaderSettings.h"

#include <QAccessible>
#include <QBuffer>

#include <QAbstractButton>
#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWidgetAction>

#include <gtest/gtest.h>

namespace {

using gui::RunScript;
using gui::ScreenshotPath;
using gui::WaitFor;

std::string Title(QWebEngineView& view) {
    return RunScript(view, "document.title").toString().toStdString();
}

using ReaderWindow = gui::TReaderTest;

TEST_F(ReaderWindow, SampleReadInStoryOrderWithChaptersHistoryAndContents) {
    gui::TOpenBook open(books::CompileSample(Folder));
    gui::TTestReader& w = open.Window;
    w.show();
    ASSERT_TRUE(w.Wait([&] { w.Start(); }));
    EXPECT_EQ(w.windowTitle().toStdString(), "The Lamp on Gull Rock - a short book about lighthouses");
    EXPECT_EQ(w.windowIconText().toStdString(), "The Lamp on Gull Rock");
    EXPECT_EQ(w.size(), QSize(900, 640));
    const std::string body = gui::BodyText(*w.View());
    EXPECT_NE(body.find("by Marit Ellison"), std::string::npos) << body;
    EXPECT_EQ(body.find("%{"), std::string::npos);
    // The picture and the style sheet come from the book through relative links.
    EXPECT_TRUE(WaitFor([&] { return RunScript(*w.View(), "document.images[0].naturalWidth").toInt() == 160; }));
    EXPECT_NE(RunScript(*w.View(), "getComputedStyle(document.body).backgroundColor").toString(), "rgba(0, 0, 0, 0)");
    w.grab().save(ScreenshotPath("reader-sample-first-page.png"));

    // Next through every page in story order, and Prior back.
    std::vector<std::string> titles{Title(*w.View())};
    w.UpdateCommands();
    EXPECT_FALSE(w.actPrior->isEnabled());
    while (w.actNext->isEnabled()) {
        ASSERT_TRUE(w.Wait([&] { w.actNext->trigger(); }));
        titles.push_back(Title(*w.View()));
        w.UpdateCommands();
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"The Lamp on Gull Rock", "How a lighthouse works", "Lenses and lamps",
                                                "A day on the rock", "From the logbook", "The winter storm",
                                                "About the author"}));
    while (w.actPrior->isEnabled()) {
        ASSERT_TRUE(w.Wait([&] { w.actPrior->trigger(); }));
        titles.pop_back();
        EXPECT_EQ(Title(*w.View()), titles.back());
        w.UpdateCommands();
    }
    EXPECT_EQ(titles.size(), 1u);

    // Chapter jumps, then Back and Forward through what was read.
    ASSERT_TRUE(w.Wait([&] { w.actNextChapter->trigger(); }));
    EXPECT_EQ(Title(*w.View()), "How a lighthouse works");
    ASSERT_TRUE(w.Wait([&] { w.actNextChapter->trigger(); }));
    EXPECT_EQ(Title(*w.View()), "A day on the rock");
    ASSERT_TRUE(w.Wait([&] { w.actBack->trigger(); }));
    EXPECT_EQ(Title(*w.View()), "How a lighthouse works");
    ASSERT_TRUE(w.Wait([&] { w.actForward->trigger(); }));
    EXPECT_EQ(Title(*w.View()), "A day on the rock");
    // The keyboard: Ctrl+Right is the next page, Alt+Left goes back.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.View()->setFocus();
    // (The engine makes a new widget for the page's content when it loads another page.)
    ASSERT_TRUE(w.Wait([&] { QTest::keyClick(w.View()->focusProxy(), Qt::Key_Right, Qt::ControlModifier); }));
    EXPECT_EQ(Title(*w.View()), "From the logbook");
    ASSERT_TRUE(w.Wait([&] { QTest::keyClick(w.View()->focusProxy(), Qt::Key_Left, Qt::AltModifier); }));
    EXPECT_EQ(Title(*w.View()), "A day on the rock");

    // The contents panel follows the page and opens the page chosen in it.
    EXPECT_FALSE(w.ContentsPanel()->isVisible());
    w.actContents->trigger();
    ASSERT_TRUE(w.ContentsPanel()->isVisible());
    ASSERT_NE(w.ContentsTree()->currentItem(), nullptr);
    EXPECT_EQ(w.ContentsTree()->currentItem()->text(0).toStdString(), "A day on the rock");
    EXPECT_EQ(w.ContentsTree()->topLevelItemCount(), 4);
    QTreeWidgetItem* storm = w.ContentsTree()->topLevelItem(2)->child(1);
    EXPECT_EQ(storm->text(0), "The winter storm");
    ASSERT_TRUE(w.Wait([&] { emit w.ContentsTree()->itemClicked(storm, 0); }));
    EXPECT_EQ(Title(*w.View()), "The winter storm");
    w.grab().save(ScreenshotPath("reader-contents-panel.png"));
    // An entry chosen through the accessibility interface (the cell's "Toggle", which
    // selects it) opens its page as a click does.
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(w.ContentsTree());
    ASSERT_NE(tree, nullptr);
    QAccessibleInterface* chosen = nullptr;
    for (int i = 0; i < tree->childCount(); ++i)
        if (tree->child(i)->text(QAccessible::Name) == "How a lighthouse works")
            chosen = tree->child(i);
    ASSERT_NE(chosen, nullptr);
    ASSERT_NE(chosen->actionInterface(), nullptr);
    ASSERT_TRUE(
        w.Wait([&] { chosen->actionInterface()->doAction(QAccessibleActionInterface::toggleAction()); }));
    EXPECT_EQ(Title(*w.View()), "How a lighthouse works");
    EXPECT_EQ(w.ContentsTree()->currentItem()->text(0).toStdString(), "How a lighthouse works");

    // Every control and command can be named by assistive technology: a button by its
    // own caption (no name of ours freezes it), a picture button by its name.
    for (QToolButton* button : w.BookToolBar()->findChildren<QToolButton*>()) {
        if (button->isVisible()) {
            EXPECT_FALSE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name).isEmpty())
                << button->objectName().toStdString();
            if (!button->text().isEmpty()) {
                EXPECT_TRUE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
            }
        }
    }
    for (QAction* action : w.findChildren<QAction*>()) {
        // (The tool bar holds the buttons through actions of its own, named by the buttons.)
        if (!action->isSeparator() && !action->menu() && !qobject_cast<QWidgetAction*>(action)) {
            EXPECT_FALSE(action->text().isEmpty()) << action->objectName().toStdString();
        }
    }
    EXPECT_FALSE(w.View()->accessibleName().isEmpty());
    EXPECT_FALSE(w.ContentsTree()->accessibleName().isEmpty());
}

TEST_F(ReaderWindow, SearchListsPagesAndMarksTheWords) {
    gui::TOpenBook open(books::CompileSample(Folder));
    gui::TTestReader& w = open.Window;
    w.resize(900, 640);
    w.show();
    ASSERT_TRUE(w.Wait([&] { w.Start(); }));
    w.SearchText = "keeper lamp";
    ASSERT_TRUE(w.Wait([&] { w.actSearch->trigger(); }));
    // The book's own "Search Results" page, with the results in its list.
    EXPECT_EQ(Title(*w.View()), "Search");
    const std::string results = gui::BodyText(*w.View());
    EXPECT_NE(results.find("The pages of The Lamp on Gull Rock"), std::string::npos) << results;
    EXPECT_NE(results.find("Lenses and lamps"), std::string::npos) << results;
    EXPECT_EQ(results.find("About the author"), std::string::npos) << results; // not searchable
    w.grab().save(ScreenshotPath("reader-search-results.png"));

    // A result opens its page with the words marked.
    ASSERT_TRUE(w.Wait([&] {
        RunScript(*w.View(), "Array.from(document.querySelectorAll('ol.pagelamp-results a'))"
                             ".find(a => a.textContent == 'Lenses and lamps').click()");
    }));
    EXPECT_EQ(Title(*w.View()), "Lenses and lamps");
    EXPECT_TRUE(WaitFor([&] {
        return RunScript(*w.View(), "document.querySelectorAll('mark.pagelamp-hit').length").toInt() >= 3;
    }));
    EXPECT_EQ(RunScript(*w.View(), "document.querySelector('mark.pagelamp-hit').textContent.toLowerCase()")
                  .toString()
                  .toStdString()
                  .substr(0, 4),
              "lamp");
    // Back to the results; a word only on a page that is not searchable finds nothing.
    ASSERT_TRUE(w.Wait([&] { w.actBack->trigger(); }));
    EXPECT_EQ(Title(*w.View()), "Search");
    w.SearchText = "harbour town";
    ASSERT_TRUE(w.Wait([&] { w.actSearch->trigger(); }));
    EXPECT_NE(gui::BodyText(*w.View()).find("No page holds every word of \"harbour town\""), std::string::npos);
}

TEST_F(ReaderWindow, BookmarksAboutFormAndPrinting) {
    gui::TOpenBook open(books::CompileSample(Folder));
    gui::TTestReader& w = open.Window;
    w.show();
    ASSERT_TRUE(w.Wait([&] { w.Start(); }));
    // The bookmarks button: a page of the book, and a web address for the desktop.
    QToolButton* marks = w.BookToolBar()->findChild<QToolButton*>("tbtnFavourites");
    ASSERT_NE(marks, nullptr);
    ASSERT_NE(marks->menu(), nullptr);
    ASSERT_EQ(marks->menu()->actions().size(), 2);
    EXPECT_EQ(marks->menu()->actions()[0]->text(), "The winter storm");
    ASSERT_TRUE(w.Wait([&] { marks->menu()->actions()[0]->trigger(); }));
    EXPECT_EQ(Title(*w.View()), "The winter storm");
    marks->menu()->actions()[1]->trigger();
    ASSERT_EQ(w.Opened.size(), 1u);
    EXPECT_EQ(w.Opened[0].toString(), "https://www.harbourlane.example/lights");

    // The About form in its own window, as the book describes it.
    w.actAbout->trigger();
    std::vector<TfrmReaderForm*> forms = w.OpenForms();
    ASSERT_EQ(forms.size(), 1u);
    TfrmReaderForm* about = forms[0];
    EXPECT_EQ(about->windowTitle(), "About this book");
    EXPECT_EQ(about->size(), QSize(420, 300));
    EXPECT_EQ(about->minimumSize(), about->maximumSize()); // not sizeable
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMaximizeButtonHint);
    ASSERT_TRUE(WaitFor([&] { return gui::BodyText(*about->View()).find("The Lamp on Gull Rock") != std::string::npos; }));
    EXPECT_NE(gui::BodyText(*about->View()).find("Harbour Lane Press"), std::string::npos);
    about->grab().save(ScreenshotPath("reader-about-form.png"));
    w.actAbout->trigger(); // the same window again, not a second one
    EXPECT_EQ(w.OpenForms().size(), 1u);

    // Printing through the platform's dialog (answered with a PDF file) and straight to PDF.
    w.PdfFile = QString::fromStdString(Folder.File("printed.pdf"));
    w.actPrint->trigger();
    ASSERT_TRUE(WaitFor([&] { return QFile(w.PdfFile).size() > 1000; }));
    w.PdfFile = QString::fromStdString(Folder.File("page.pdf"));
    ASSERT_TRUE(WaitFor([&] {
        w.UpdateCommands();
        return w.actPrintPdf->isEnabled();
    }));
    w.actPrintPdf->trigger();
    ASSERT_TRUE(WaitFor([&] { return QFile(w.PdfFile).size() > 1000; }));
    QFile pdf(w.PdfFile);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
}

TEST_F(ReaderWindow, LinksOutOfTheBookMissingPagesAndThePageLastRead) {
    const std::string file = books::CompileText(books::SmallBook(), Folder, "small.exe");
    {
        gui::TOpenBook open(file);
        gui::TTestReader& w = open.Window;
        EXPECT_EQ(w.windowTitle().toStdString(), "Tide Tables - reader test");
        EXPECT_EQ(w.BookToolBar(), nullptr); // no buttons: no empty strip either
        w.show();
        ASSERT_TRUE(w.Wait([&] { w.Start(); }));
        EXPECT_NE(gui::BodyText(*w.View()).find("Welcome to Port Ellis."), std::string::npos);
        // A link to a page the book does not have: the reader's own message.
        ASSERT_TRUE(w.Wait([&] { RunScript(*w.View(), "document.links[1].click()"); }));
        EXPECT_NE(gui::BodyText(*w.View()).find("The page \"\\missing.htm\" is not part of this book."),
                  std::string::npos);
        ASSERT_TRUE(w.Wait([&] { w.actBack->trigger(); }));
        // A mail link clicked goes to the desktop; a script's way to the web too, its way
        // to local files nowhere.
        const QVariantList box = RunScript(*w.View(), "(function(){var r=document.links[2].getBoundingClientRect();"
                                                      "return [r.left, r.top, r.width, r.height];})()")
                                     .toList();
        ASSERT_EQ(box.size(), 4);
        const QRect link(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt());
        ASSERT_FALSE(link.isEmpty());
        QTest::mouseClick(w.View()->focusProxy(), Qt::LeftButton, {}, link.center());
        ASSERT_TRUE(WaitFor([&] { return !w.Opened.empty(); }));
        EXPECT_EQ(w.Opened[0].toString(), "mailto:keeper@example.org");
        RunScript(*w.View(), "location.href = 'file:///etc/passwd'");
        RunScript(*w.View(), "setTimeout(function(){location.href = 'https://example.org/tides'}, 200)");
        ASSERT_TRUE(WaitFor([&] { return w.Opened.size() == 2; }));
        EXPECT_EQ(w.Opened[1].toString(), "https://example.org/tides");
        EXPECT_NE(gui::BodyText(*w.View()).find("Welcome to Port Ellis."), std::string::npos);
        // The right-click menu: the reader's own where the page allows it.
        auto rightClick = [&] {
            bool ours = false, done = false;
            QTimer::singleShot(100, [&] {
                WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 1500);
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    ours = menu->actions().contains(w.actBack) && menu->actions().contains(w.actCopy);
                    menu->close();
                }
                done = true;
            });
            QTest::mouseClick(w.View()->focusProxy(), Qt::RightButton, {}, QPoint(300, 150));
            WaitFor([&] { return done; }, 5000);
            return ours;
        };
        EXPECT_TRUE(rightClick());
        // The page a link opens, with its font size; both are kept for the next time.
        ASSERT_TRUE(w.Wait([&] { RunScript(*w.View(), "document.links[0].click()"); }));
        EXPECT_NE(gui::BodyText(*w.View()).find("High water at dawn"), std::string::npos);
        EXPECT_FALSE(rightClick()); // this page refuses it
        w.actLarger->trigger();
        EXPECT_DOUBLE_EQ(w.View()->zoomFactor(), TBookView::FontSizeFactor(3));
        w.close();
    }
    EXPECT_EQ(ReadBookSettings(file).LastPage, "\\ch\\one.htm");
    gui::TOpenBook again(file);
    again.Window.show();
    ASSERT_TRUE(again.Window.Wait([&] { again.Window.Start(); }));
    EXPECT_NE(gui::BodyText(*again.Window.View()).find("High water at dawn"), std::string::npos);
    EXPECT_TRUE(again.Window.actFontSize[3]->isChecked());
    EXPECT_DOUBLE_EQ(again.Window.View()->zoomFactor(), TBookView::FontSizeFactor(3));
}

} // namespace

namespace {

TEST(ReaderPictures, ButtonBitmapsTakeTheirTopLeftColourAsTransparent) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(4, 4, qRgb(0, 0, 255));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    const QImage button = ButtonPicture(bmp.toStdString(), "\\Toolbar.buttons\\2.BMP").toImage();
    EXPECT_EQ(qAlpha(button.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(button.pixel(7, 7)), 0);
    EXPECT_EQ(button.pixel(4, 4), qRgb(0, 0, 255));
    // Splash and logo pictures are shown as they are.
    EXPECT_EQ(BookPicture(bmp.toStdString()).toImage().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_TRUE(BookPicture("not a picture").isNull());
    // Colours of the book: RGB with red in the low byte, system colours from the palette.
    EXPECT_EQ(BookColor(0x0000FF, QPalette()), QColor(255, 0, 0));
    EXPECT_EQ(BookColor(static_cast<int32_t>(0xFF000005), QPalette()), QPalette().color(QPalette::Base));
}

} // namespace

namespace {

std::string Bitmap(Qt::GlobalColor corner, Qt::GlobalColor middle, int size = 24) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(corner);
    for (int y = size / 4; y < size * 3 / 4; ++y)
        for (int x = size / 4; x < size * 3 / 4; ++x)
            image.setPixelColor(x, y, middle);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

TEST_F(ReaderWindow, ToolbarOptionsEveryKindAndTheLogo) {
    books::TProjectText text = books::SmallBook();
    text.Toolbar = "<toolbar>\r\n"
                   "  <button caption=\"Back\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
                   "  <button caption=\"Forward\" kind=2 Image=\"\\Toolbar.buttons\\1.bmp\"/>\r\n"
                   "  <button caption=\"Separator\" kind=0/>\r\n"
                   "  <button caption=\"Text size\" kind=11/>\r\n"
                   "  <button caption=\"Print\" kind=14/>\r\n"
                   "  <button caption=\"Copy\" kind=15/>\r\n"
                   "  <button caption=\"Reload\" kind=16/>\r\n"
                   "  <button caption=\"Start\" kind=17/>\r\n"
                   "  <button caption=\"Unknown\" kind=200/>\r\n"
                   "</toolbar>\r\n";
    text.SystemFiles = {{"\\Toolbar.buttons\\0.bmp", Bitmap(Qt::magenta, Qt::darkBlue)},
                        {"\\Toolbar.buttons\\1.bmp", Bitmap(Qt::magenta, Qt::darkGreen)},
                        {"\\Logo.bmp", Bitmap(Qt::white, Qt::darkRed, 40)}};
    text.ToolbarOptions.ToolbarPlacement = tpBottom;
    text.ToolbarOptions.ToolbarShowCaption = false;
    text.ToolbarOptions.ToolbarFlat = true;
    text.ToolbarOptions.ToolbarBtnW = 40;
    text.ToolbarOptions.ToolbarBtnH = 36;
    text.ToolbarOptions.ToolbarImgW = 20;
    text.ToolbarOptions.ToolbarImgH = 20;
    text.ToolbarOptions.ToolbarBackColor = 0x203040; // blue 0x20, green 0x30, red 0x40
    text.ToolbarOptions.ToolbarTextColor = 0xFFFFFF;
    text.ToolbarOptions.LogoDisplay = true;
    text.ToolbarOptions.LogoLink = "https://example.org/%{Harbour}";
    text.ToolbarOptions.LogoText = "Visit %{Harbour}";
    gui::TOpenBook open(books::CompileText(text, Folder, "toolbar.exe"));
    gui::TTestReader& w = open.Window;
    w.resize(700, 400);
    w.show();
    ASSERT_TRUE(w.Wait([&] { w.Start(); }));
    QToolBar* bar = w.BookToolBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(w.toolBarArea(bar), Qt::BottomToolBarArea);
    EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(0x40, 0x30, 0x20));
    QToolButton* back = bar->findChild<QToolButton*>("tbtnBack");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->toolButtonStyle(), Qt::ToolButtonIconOnly); // captions hidden
    EXPECT_EQ(QAccessible::queryAccessibleInterface(back)->text(QAccessible::Name), "Back");
    EXPECT_EQ(back->toolTip(), "Back");
    EXPECT_TRUE(back->autoRaise());
    EXPECT_GE(back->width(), 40);
    EXPECT_EQ(back->iconSize(), QSize(20, 20));
    // A button without a picture shows its caption whatever the option says.
    QToolButton* reload = bar->findChild<QToolButton*>("tbtnRefresh");
    ASSERT_NE(reload, nullptr);
    EXPECT_EQ(reload->toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_EQ(bar->findChild<QToolButton*>("tbtnUnknown"), nullptr);

    // Font Size offers the five sizes.
    QToolButton* size = bar->findChild<QToolButton*>("tbtnFontSize");
    ASSERT_NE(size, nullptr);
    ASSERT_NE(size->menu(), nullptr);
    EXPECT_EQ(size->menu()->actions().size(), 5);
    size->menu()->actions()[0]->trigger();
    EXPECT_DOUBLE_EQ(w.View()->zoomFactor(), TBookView::FontSizeFactor(0));
    // Copy puts the page's selected text on the clipboard; the button follows the command.
    w.UpdateCommands();
    QToolButton* copy = bar->findChild<QToolButton*>("tbtnCopy");
    EXPECT_FALSE(copy->isEnabled());
    w.activateWindow();
    w.View()->setFocus();
    w.actSelectAll->trigger();
    ASSERT_TRUE(WaitFor([&] {
        w.UpdateCommands();
        return copy->isEnabled();
    }));
    QApplication::clipboard()->clear();
    copy->click();
    ASSERT_TRUE(WaitFor([&] { return QApplication::clipboard()->text().contains("Welcome to Port Ellis."); }));
    // Refresh shows the page again; the start button leads to the first page.
    ASSERT_TRUE(w.Wait([&] { reload->click(); }));
    EXPECT_EQ(w.Session().CurrentPath(), "\\index.htm");

    // The logo with its hint and link.
    QToolButton* logo = bar->findChild<QToolButton*>("btnLogo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->toolTip(), "Visit Port Ellis");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(logo)->text(QAccessible::Name), "Visit Port Ellis");
    logo->click();
    ASSERT_EQ(w.Opened.size(), 1u);
    EXPECT_EQ(w.Opened[0].toString(QUrl::FullyEncoded).toStdString(), "https://example.org/Port%20Ellis");
    w.grab().save(ScreenshotPath("reader-toolbar-bottom.png"));
}

} // namespace
