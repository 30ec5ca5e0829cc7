// Helpers of the main window's tests: a window started with a command line, the
// questions answered and recorded, a copy of the sample project, and the trace lines
// of the debug output.
#pragma once

#include "frm_Main.h"
#include "ui_helpers.h"
#include "u_Dialogs.h"
#include "u_Registry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// Copies a folder with everything in it.
inline void CopyFolder(const QString& From, const QString& To) {
    QDir().mkpath(To);
    QDirIterator it(From, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = To + QStringLiteral("/") + QDir(From).relativeFilePath(path);
        if (QFileInfo(path).isDir())
            QDir().mkpath(target);
        else
            QFile::copy(path, target);
    }
}

// The sample project copied into Folder; returns its project file.
inline std::string CopySample(const QTemporaryDir& Folder) {
    CopyFolder(QStringLiteral(QUARVEL_SOURCE_DIR "/samples/Lighthouse"), Folder.path());
    return Folder.filePath(QStringLiteral("Lighthouse.ebp")).toStdString();
}

// Records the debug output's lines while it lives.
class TDebugLines {
public:
    TDebugLines() {
        Current() = this;
        FPrevious = qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Text) {
            if (Type == QtDebugMsg && Current())
                Current()->Lines.push_back(Text.toStdString());
        });
    }
    ~TDebugLines() {
        qInstallMessageHandler(FPrevious);
        Current() = nullptr;
    }
    std::vector<std::string> Lines;

private:
    static TDebugLines*& Current() {
        static TDebugLines* current = nullptr;
        return current;
    }
    QtMessageHandler FPrevious = nullptr;
};

// A test with a main window: questions are answered from Answers (by text; else the
// default answer of the kind) and recorded in Asked.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The modal small windows would wait for a user: they are recorded instead (a
        // test that looks at one sets its own recorder).
        FSavedWindows = EditorWindows();
        EditorWindows().ShowTips = [this] { ++TipsShown; };
        EditorWindows().ShowAbout = [this] { ++AboutShown; };
        SetDialogAnswerer([this](TDialogRequest& Request) {
            Asked.push_back(Request);
            const auto it = Answers.find(Request.Text);
            if (it != Answers.end()) {
                Request.Value = it->second.second;
                return it->second.first;
            }
            if (Request.Kind == "message")
                return (Request.Buttons & QMessageBox::No) ? QMessageBox::No
                       : (Request.Buttons & QMessageBox::Cancel) ? QMessageBox::Cancel
                                                                 : QMessageBox::Ok;
            return QMessageBox::Cancel;
        });
    }
    void TearDown() override {
        Window.reset();
        ProcessEvents();
        SetDialogAnswerer(nullptr);
        EditorWindows() = FSavedWindows;
    }

    // Starts the window with a command line (the program's name first) and waits for
    // its first showing to end.
    TfrmMain& Start(const QStringList& Arguments = {QStringLiteral("tomewright")}) {
        Window = std::make_unique<TfrmMain>(Arguments);
        Window->OnStartBook = [this](const TBookStart& Start) { Started.push_back(Start); };
        Window->OnOpenURL = [this](const QUrl& Url) { Opened.push_back(Url); };
        Window->show();
        EXPECT_TRUE(WaitFor([this] { return Window->Started(); }));
        ProcessEvents();
        return *Window;
    }
    // Answer a question (message text, or file dialog caption) with a button and value.
    void Answer(const std::string& Text, QMessageBox::StandardButton Button, const std::string& Value = {}) {
        Answers[Text] = {Button, Value};
    }
    // The texts asked so far.
    std::vector<std::string> AskedTexts() const {
        std::vector<std::string> texts;
        for (const TDialogRequest& r : Asked)
            texts.push_back(r.Text);
        return texts;
    }
    bool WasAsked(const std::string& Text) const {
        for (const TDialogRequest& r : Asked)
            if (r.Text == Text)
                return true;
        return false;
    }
    // One idle pass of the command table.
    void Idle() { Window->Commands().Update(); }

    QTemporaryDir Folder;
    TEditorWindowTable FSavedWindows;
    int TipsShown = 0;
    int AboutShown = 0;
    std::unique_ptr<TfrmMain> Window;
    std::vector<TDialogRequest> Asked;
    std::map<std::string, std::pair<QMessageBox::StandardButton, std::string>> Answers;
    std::vector<TBookStart> Started;
    std::vector<QUrl> Opened;
};
