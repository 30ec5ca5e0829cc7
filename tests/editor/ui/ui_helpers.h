// Helpers of the editor's window tests: waiting for the engine (gui_helpers.h), a
// project on disk made from the shipped default project, and screenshots.
#pragma once

#include "gui_helpers.h"
#include "u_EditorCore.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

// The child of Parent with that object name and class (the windows name their controls
// and commands as in their design); fails the test and gives none when there is none.
template <class T>
T* Named(const QObject& Parent, const char* Name) {
    T* child = Parent.findChild<T*>(QString::fromLatin1(Name));
    if (!child)
        ADD_FAILURE() << "no " << T::staticMetaObject.className() << " named " << Name;
    return child;
}

// Lets pending events run a few times.
inline void ProcessEvents(int Rounds = 5) {
    for (int i = 0; i < Rounds; ++i)
        QApplication::processEvents();
}

// Saves a picture of a window (the whole window, frame excluded) under screenshots/.
inline QString SaveScreenshot(QWidget* Window, const QString& Name) {
    ProcessEvents();
    const QString path = ScreenshotPath(Name);
    Window->grab().save(path);
    return path;
}

// The text of a file of a store, or empty when it is missing.
inline std::string StoreText(TMFS& Store, const std::string& Path) {
    if (!Store.Session()->Exists(Path))
        return std::string();
    TMFSFile* file = Store.Session()->OpenFile(Path);
    return file ? file->Content : std::string();
}

// A new project (from the shipped default project) saved as Folder/NAME.ebp, open in
// Core. Returns the project file name.
inline std::string NewSavedProject(TEditorCore& Core, const QTemporaryDir& Folder,
                                   const std::string& Name = "Book") {
    Core.Project().NewProject();
    const std::string fileName = Folder.filePath(QString::fromStdString(Name + ".ebp")).toStdString();
    Core.Project().SaveProject(fileName);
    return fileName;
}
