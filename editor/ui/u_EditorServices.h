// What the editor's windows ask of the main window, and the table through which the
// main window opens the windows that live in units of their own.
//
// Every document window and dialog is written against IEditorMain, never against the
// main window class: the main window implements it, and TEditorCore (u_EditorCore)
// implements it over a project alone, so that each window can be created, driven and
// tested without the main window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "frm_AbstractMDIChild.h"

class QObject;
class QWidget;
class TBookProject;
class TProjectItemInfo;
class TTemplate;
class TTemplates;
class TVariables;

class IEditorMain {
public:
    virtual ~IEditorMain() = default;

    // The open project (open or not) and the installed templates.
    virtual TBookProject& Project() = 0;
    virtual TTemplates& Templates() = 0;
    // The window that owns dialogs and message boxes; none without a main window.
    virtual QWidget* MainWidget() = 0;

    // The project's variables as last built ("\Variables.xml" of the system store,
    // markers stripped); rebuilt first when invalidated. An open variables window
    // saves itself before the rebuild.
    virtual TVariables& ProjectVariables() = 0;
    // The variables changed: the next ProjectVariables rebuilds.
    virtual void InvalidateVariables() = 0;
    // Stores the project's scan request; when it becomes true and a variables window
    // is open, that window saves and rescans (a queued call, after the current command).
    virtual void SetVariablesScanPending(bool Value) = 0;

    // Broadcasts to every open document window, in the order of creation.
    virtual void ApplyChangesOfAll() = 0;
    virtual void SaveChangesOfAll() = 0;

    // The compiled book's file name for the project as it stands.
    virtual std::string OutputFileName() = 0;
    // The story item selected in the story tree (the one with the focus), or none.
    virtual TProjectItemInfo* SelectedStoryItem() = 0;
    // The story or the project options changed behind the main window's back (the
    // wizard added pages, the options dialog changed the template): the main window
    // shows the project again.
    virtual void StoryChanged() = 0;

    // The main window's commands, as the wizard runs them.
    // New Project: closes the open project (the user may cancel) and opens a new one
    // from the default project; false when it was cancelled or failed.
    virtual bool ExecuteNewProject() = 0;
    // Compile (with its questions) and Run.
    virtual void ExecuteCompile() = 0;
    virtual void ExecuteRun() = 0;
};

// A page editor as the main window sees it (F12, one editor per page, closing the
// editors of deleted pages).
class IPageEditorWindow {
public:
    virtual ~IPageEditorWindow() = default;
    // The page's path in the files store, as the editor was opened on it.
    virtual std::string PagePath() const = 0;
    // Reloads the preview and switches to the other tab (editing or preview).
    virtual void ToggleEditPreview() = 0;
};

// The variables window as the main window sees it.
class IVariablesWindow {
public:
    virtual ~IVariablesWindow() = default;
    // Rescans the project for variable references (the 0x500 request); called queued.
    virtual void ScanRequested() = 0;
};

// The first open document window of class T (in the order of creation), or none.
template <class T>
T* FindChildWindow() {
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        if (auto* found = dynamic_cast<T*>(window))
            return found;
    return nullptr;
}

// The windows of other units, filled in by those units at start-up (each registers
// itself through a static TEditorWindowRegistration; the editor's library links every
// unit, so every member is set). Tests put stand-ins in the table to watch a window
// being asked for.
struct TEditorWindowTable {
    // Document windows: open a new one or bring the open one forward. Each returns the
    // window (none when it could not be opened; the failure was shown).
    std::function<TfrmAbstractMDIChild*(IEditorMain& Main, const std::string& Page)> OpenPageEditor;
    std::function<TfrmAbstractMDIChild*(IEditorMain& Main)> OpenToolbarDesigner;
    std::function<TfrmAbstractMDIChild*(IEditorMain& Main)> OpenVariables;
    std::function<TfrmAbstractMDIChild*(IEditorMain& Main)> OpenSystemPages;

    // The new-book wizard (runs the New Project command first) and the modal options
    // dialog (true when closed with OK).
    std::function<void(IEditorMain& Main)> RunWizard;
    std::function<bool(IEditorMain& Main)> ShowProjectOptions;

    // Small windows: tip of the day (modal), about box (modal).
    std::function<void()> ShowTips;
    std::function<void()> ShowAbout;

    // Balloon hints: switch on with a default icon (0..3), switch off, and forget
    // the balloons made so far (after a toolbar was resized).
    std::function<void(int DefaultIcon)> ActivateBalloons;
    std::function<void()> DeactivateBalloons;
    std::function<void()> ResetBalloons;

    // Splash window: shows a picture file (or the bytes of a picture, the reader chosen
    // by the extension of its Name) for Seconds (0..10; 0 waits for a click). Returns the
    // shown window, or none when the picture could not be loaded. RequestSplashClose
    // closes it when its time is up, at once when it already is.
    std::function<QWidget*(const std::string& FileName, int Seconds, bool CloseOnClick)> ShowSplashFile;
    std::function<QWidget*(const std::string& Bytes, const std::string& Name, int Seconds, bool CloseOnClick)>
        ShowSplashItem;
    std::function<void(QWidget* Splash)> RequestSplashClose;
};

// The process-wide table.
TEditorWindowTable& EditorWindows();

// A unit registers its windows by defining one static object of this class:
//   static TEditorWindowRegistration reg([](TEditorWindowTable& t) { t.ShowAbout = ...; });
struct TEditorWindowRegistration {
    explicit TEditorWindowRegistration(const std::function<void(TEditorWindowTable&)>& Register);
};
