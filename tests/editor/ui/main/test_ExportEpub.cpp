// File > Export EPUB... of the main window on a copy of the sample: the file dialog, the
// progress, the question for protected pages, the gathered warnings and the message at
// the end; the publication read back.
#include "main_helpers.h"

#include "u_Epub.h"
#include "u_MFS.h"
#include "u_eBookCommon.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <fstream>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(MainWindowTest, ExportEpubWritesThePublicationChosen) {
    TfrmMain& w = Start();
    QAction* exportEpub = Named<QAction>(w, "actExportEpub");
    QMenu* file = Named<QMenu>(w, "mnuFile");
    ASSERT_TRUE(exportEpub && file);
    Idle();
    EXPECT_FALSE(exportEpub->isEnabled()) << "no project";
    const std::string project = CopySample(Folder);
    w.OpenProjectFile(project);
    Idle();
    ASSERT_TRUE(exportEpub->isEnabled());
    EXPECT_EQ(exportEpub->text(), "Export EPUB...");

    // The File menu, opened, with the new command.
    file->popup(w.mapToGlobal(QPoint(10, 30)));
    ProcessEvents();
    SaveScreenshot(file, QStringLiteral("main_file_menu_export_epub.png"));
    file->hide();

    const std::string target = Folder.filePath(QStringLiteral("out/Lamp.epub")).toStdString();
    Answer("Export EPUB", QMessageBox::Ok, target);
    exportEpub->trigger();
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(target)));
    EXPECT_EQ(ReadFile(target).substr(30, 28), "mimetypeapplication/epub+zip");
    // The dialog started at the project's name with ".epub".
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.front().Kind, "save");
    EXPECT_EQ(Asked.front().Value, ChangeFileExt(project, ".epub"));
    EXPECT_TRUE(WasAsked("The publication has been written to \"" + target + "\"."));
    EXPECT_EQ(w.CompileSteps().front(), "Reading the project");
    // The identifier made for the publication is a change of the project.
    EXPECT_EQ(w.Project().EpubOptions().Identifier.substr(0, 9), "urn:uuid:");
    EXPECT_TRUE(w.Project().Modified());

    // Cancelled file dialog: nothing happens.
    Answers.clear();
    Asked.clear();
    exportEpub->trigger();
    EXPECT_EQ(Asked.size(), 1u);
}

TEST_F(MainWindowTest, ExportEpubAsksLeaveForProtectedPages) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    w.Project().SetSecurityText(BuildEncryptXml("Password", "gull", "Simple", {}));
    const std::string target = Folder.filePath(QStringLiteral("Lamp.epub")).toStdString();
    Answer("Export EPUB", QMessageBox::Ok, target);
    const std::vector<std::string> pages = ProtectedStoryPages(w.Project());
    ASSERT_EQ(pages.size(), 7u);
    const std::string question = "The book protects these pages with a password, which an EPUB publication cannot "
                                 "do:\r\n" +
                                 ProtectedPagesList(pages) + "\r\nPublish them without protection?";
    // No: nothing is written.
    Named<QAction>(w, "actExportEpub")->trigger();
    EXPECT_TRUE(WasAsked(question));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(target)));

    // Yes: written, and the warning says so in the one message of warnings.
    Answer(question, QMessageBox::Yes);
    Named<QAction>(w, "actExportEpub")->trigger();
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(target)));
    bool warned = false;
    for (const TDialogRequest& r : Asked)
        warned |= r.Text.find("The publication holds pages the book protects with a password") != std::string::npos;
    EXPECT_TRUE(warned);
}

TEST_F(MainWindowTest, ExportEpubQuestionIsARealWarningWithYesAndNo) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    w.Project().SetItemFlag(w.Project().Story().Items(0), ifPasswordProtection, true);
    w.Project().SetSecurityText(BuildEncryptXml("Password", "gull", "Selected", {}));
    // The file dialog is accepted as it opens: at the project's name with ".epub".
    const std::string target = ChangeFileExt(project, ".epub");
    SetDialogAnswerer(nullptr); // the real dialogs
    std::vector<std::string> texts;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            if (!files->isVisible())
                return;
            SaveScreenshot(files, QStringLiteral("main_export_epub_file_dialog.png"));
            QMetaObject::invokeMethod(files, "accept");
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        texts.push_back(box->text().toStdString());
        if (box->button(QMessageBox::Yes)) {
            EXPECT_TRUE(box->button(QMessageBox::No));
            SaveScreenshot(box, QStringLiteral("main_export_epub_protected.png"));
            box->button(QMessageBox::Yes)->click();
        } else {
            SaveScreenshot(box, QString::fromStdString("main_export_epub_" + std::to_string(texts.size()) + ".png"));
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start();
    Named<QAction>(w, "actExportEpub")->trigger();
    answer.stop();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find("Title page (\\Index.htm)"), std::string::npos);
    EXPECT_NE(texts[1].find("The publication holds pages the book protects"), std::string::npos);
    EXPECT_EQ(texts[2], "The publication has been written to \"" + target + "\".");
}

} // namespace
