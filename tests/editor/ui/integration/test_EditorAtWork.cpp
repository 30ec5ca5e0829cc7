// The editor as an author uses it: the main window with the real windows of every unit
// (page editor, variables, toolbar designer, system pages), a page edited and saved
// through the main window, the book compiled and read back.
#include "../main/main_helpers.h"
#include "fram_StoryTree.h"
#include "frm_Main.h"
#include "u_Compile.h"
#include "u_MFSCab.h"
#include "u_Resources.h"

#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

using EditorAtWork = MainWindowTest;

IPageEditorWindow* ActivePageEditor(TfrmMain& w) {
    QMdiArea* area = w.findChild<QMdiArea*>();
    if (!area || !area->activeSubWindow())
        return nullptr;
    return dynamic_cast<IPageEditorWindow*>(area->activeSubWindow()->widget());
}

TEST_F(EditorAtWork, PageEditorOpensFromTheStoryTreeAndTogglesWithF12BesideTheOtherWindows) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    w.resize(1200, 860);
    ProcessEvents();
    // A page with editable parts, so that the editor opens on its Edit tab.
    TProjectItemInfo* page = nullptr;
    for (TProjectItemInfo* item : w.Project().Story().AllItems())
        if (item->IsPage() && !page &&
            StoreText(w.Project().FilesStore(), item->Page).find("<PAGE") != std::string::npos)
            page = item;
    ASSERT_NE(page, nullptr);
    Named<TframStoryTree>(w, "framStoryTree")->SelectItem(page);
    ProcessEvents();
    Idle();
    ASSERT_TRUE(Named<QAction>(*Named<TframStoryTree>(w, "framStoryTree"), "actEditPreview")->isEnabled());
    Named<QAction>(*Named<TframStoryTree>(w, "framStoryTree"), "actEditPreview")->trigger();
    ASSERT_TRUE(WaitFor([&] { return ActivePageEditor(w) != nullptr; }));
    IPageEditorWindow* editor = ActivePageEditor(w);
    EXPECT_EQ(editor->PagePath(), page->Page);
    // Opening an editor marks the project modified; Save Project is offered.
    Idle();
    EXPECT_TRUE(w.Project().Modified());
    EXPECT_TRUE(Named<QAction>(w, "actSaveProject")->isEnabled());

    // The same command on the same page brings the open editor forward, no second one.
    Named<QAction>(*Named<TframStoryTree>(w, "framStoryTree"), "actEditPreview")->trigger();
    ProcessEvents();
    int editors = 0;
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        editors += dynamic_cast<IPageEditorWindow*>(window) ? 1 : 0;
    EXPECT_EQ(editors, 1);

    // The page editor keeps within the client area.
    QMdiArea* area = w.findChild<QMdiArea*>();
    QMdiSubWindow* frame = area->activeSubWindow();
    EXPECT_LE(frame->width(), area->viewport()->width());
    EXPECT_LE(frame->height(), area->viewport()->height());
    Pause(1500);
    SaveScreenshot(&w, QStringLiteral("editor_at_work_page_editor.png"));

    // F12 goes to the page editor while it is the active window.
    auto* tabs = frame->widget()->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    const int before = tabs->currentIndex();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F12, Qt::NoModifier);
    QApplication::sendEvent(frame->widget(), &press);
    ProcessEvents();
    EXPECT_NE(tabs->currentIndex(), before);

    // The other windows of the Project menu open beside it, each once.
    for (QAction* a : {Named<QAction>(w, "actVariables"), Named<QAction>(w, "actToolbar"),
                       Named<QAction>(w, "actSystemPages"), Named<QAction>(w, "actVariables")}) {
        a->trigger();
        ProcessEvents();
    }
    EXPECT_EQ(OpenDocumentWindows().size(), 4u);
    area->tileSubWindows();
    Pause(800);
    SaveScreenshot(&w, QStringLiteral("editor_at_work_tiled.png"));

    // Closing the project closes them all (nothing was changed: no question).
    Named<QAction>(w, "actCloseProject")->trigger();
    ProcessEvents();
    EXPECT_TRUE(OpenDocumentWindows().empty());
    EXPECT_FALSE(w.Project().IsOpen());
}

} // namespace
