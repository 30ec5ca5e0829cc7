// The story tree, its commands and menus, the page properties panel, and drag and drop,
// in the main window on a copy of the sample project.
#include "input_helpers.h"
#include "main_helpers.h"

#include "fram_PageProperties.h"
#include "fram_StoryTree.h"
#include "u_CommandTable.h"

#include <QCursor>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class StoryTreeTest : public MainWindowTest {
protected:
    TfrmMain& StartWithSample() {
        const std::string project = CopySample(Folder);
        TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
        Tree = Named<TframStoryTree>(w, "framStoryTree");
        return w;
    }
    TProjectItemInfo* Item(const std::string& Name) {
        for (TProjectItemInfo* item : Window->Project().Story().AllItems())
            if (item->Name == Name)
                return item;
        ADD_FAILURE() << "no item " << Name;
        return nullptr;
    }
    QTreeWidgetItem* Node(const std::string& Name) { return Tree->NodeOf(Item(Name)); }
    // The names of a chapter's items (none: the top level), as the tree shows them.
    std::vector<std::string> Shown(const std::string& Chapter = {}) {
        QTreeWidgetItem* parent =
            Chapter.empty() ? Named<TStoryTreeView>(*Tree, "tvProject")->invisibleRootItem() : Node(Chapter);
        std::vector<std::string> names;
        for (int i = 0; i < parent->childCount(); ++i)
            names.push_back(parent->child(i)->text(0).toStdString());
        return names;
    }
    // The same from the model.
    std::vector<std::string> Story(const std::string& Chapter = {}) {
        std::vector<std::string> names;
        const auto& children =
            Chapter.empty() ? Window->Project().Story().Children() : Item(Chapter)->Children();
        for (const auto& c : children)
            names.push_back(c->Name);
        return names;
    }
    void Select(const std::vector<std::string>& Names) {
        Named<TStoryTreeView>(*Tree, "tvProject")->clearSelection();
        for (const std::string& name : Names)
            Node(name)->setSelected(true);
        Named<TStoryTreeView>(*Tree, "tvProject")
            ->setCurrentItem(Node(Names.front()), 0, QItemSelectionModel::NoUpdate);
        ProcessEvents();
        Idle();
    }
    TframStoryTree* Tree = nullptr;
};

TEST_F(StoryTreeTest, TreeShowsTheStoryWithItsPictures) {
    StartWithSample();
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{"Title page", "The light", "The keepers", "About the author"}));
    EXPECT_EQ(Shown("The keepers"), Story("The keepers"));
    EXPECT_EQ(Named<TStoryTreeView>(*Tree, "tvProject")->accessibleName(), QStringLiteral("Story"));
    EXPECT_TRUE(Named<TStoryTreeView>(*Tree, "tvProject")->selectionMode() ==
                QAbstractItemView::ExtendedSelection);
    // Pictures: chapter 0, page 2, protected page 4 (each with its selected picture).
    EXPECT_EQ(Node("The light")->data(0, Qt::UserRole + 1).toInt(), 0);
    EXPECT_EQ(Node("Title page")->data(0, Qt::UserRole + 1).toInt(), 1);
    EXPECT_FALSE(Node("Title page")->icon(0).isNull());
}

TEST_F(StoryTreeTest, InsertChapterInItsThreeCases) {
    TfrmMain& w = StartWithSample();
    // Nothing selected: "New Chapter" at the end of the top level.
    Tree->SelectItem(nullptr);
    Named<QAction>(*Tree, "actInsertChapter")->trigger();
    EXPECT_EQ(Story().back(), "New Chapter");
    EXPECT_EQ(Shown().back(), "New Chapter");
    EXPECT_EQ(Tree->Selected(), w.Project().Story().Items(w.Project().Story().Count() - 1));
    // A page selected: before the page.
    Tree->SelectItem(Item("Lenses and lamps"));
    Named<QAction>(*Tree, "actInsertChapter")->trigger();
    EXPECT_EQ(Story("The light"),
              (std::vector<std::string>{"How a lighthouse works", "New Chapter", "Lenses and lamps"}));
    EXPECT_EQ(Shown("The light"), Story("The light"));
    // A chapter selected: the two-entry menu 5 pixels right of and below the button.
    Tree->SelectItem(Item("The keepers"));
    Idle();
    Named<QAction>(*Tree, "actInsertChapter")->trigger();
    ASSERT_TRUE(WaitFor([&] { return Named<QMenu>(*Tree, "popInsertChapter")->isVisible(); }));
    const QList<QAction*> entries = Named<QMenu>(*Tree, "popInsertChapter")->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("Add a sub chapter"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("Add a chapter"));
    EXPECT_EQ(Named<QMenu>(*Tree, "popInsertChapter")->pos(),
              Named<QToolButton>(*Tree, "btnInsertChapter")->mapToGlobal(QPoint(5, 5)));
    SaveScreenshot(Named<QMenu>(*Tree, "popInsertChapter"), QStringLiteral("main_insert_chapter_menu.png"));
    Named<QMenu>(*Tree, "popInsertChapter")->close();
    entries[0]->trigger();
    EXPECT_EQ(Story("The keepers").back(), "New Chapter");
    Tree->SelectItem(Item("The keepers"));
    entries[1]->trigger();
    EXPECT_EQ(Story()[2], "New Chapter");
    EXPECT_EQ(Story()[3], "The keepers");
    EXPECT_EQ(Shown(), Story());
    EXPECT_TRUE(w.Project().Modified());
}

TEST_F(StoryTreeTest, PasswordProtectionGrayedOverAChapterAndSetForEveryPage) {
    TfrmMain& w = StartWithSample();
    Item("The winter storm")->PasswordProtection = true;
    w.StoryChanged();
    EXPECT_EQ(Node("The winter storm")->data(0, Qt::UserRole + 1).toInt(), 2); // the lock picture
    Select({"The keepers"});
    TFlagCheckBox* box = Named<TframPageProperties>(w, "pnlPageProperties")->cbFlags[ifPasswordProtection];
    EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(Named<TframPageProperties>(w, "pnlPageProperties")->cbFlags[ifIncludeInTOC]->checkState(),
              Qt::Checked);
    EXPECT_EQ(Named<TframPageProperties>(w, "pnlPageProperties")->cbFlags[ifRightClick]->checkState(),
              Qt::PartiallyChecked);
    EXPECT_FALSE(w.Project().Modified());
    Idle();
    EXPECT_FALSE(Named<QAction>(w, "actSaveProject")->isEnabled());
    // A click sets the box (never to grayed): every page below and the chapter get it.
    box->click();
    EXPECT_EQ(box->checkState(), Qt::Checked);
    for (const char* name :
         {"The keepers", "A day on the rock", "From the logbook", "Stories", "The winter storm"})
        EXPECT_TRUE(Item(name)->PasswordProtection) << name;
    EXPECT_EQ(Node("A day on the rock")->data(0, Qt::UserRole + 1).toInt(), 2); // repainted
    // The flags are saved with the project: the change is offered for saving.
    Idle();
    EXPECT_TRUE(w.Project().Modified());
    EXPECT_TRUE(Named<QAction>(w, "actSaveProject")->isEnabled());
    box->click();
    EXPECT_FALSE(Item("The winter storm")->PasswordProtection);
    // Several selected items each receive the value.
    Select({"Title page", "About the author"});
    Named<TframPageProperties>(w, "pnlPageProperties")->cbFlags[ifSearchable]->click();
    EXPECT_TRUE(Item("Title page")->Searchable);
    EXPECT_TRUE(Item("About the author")->Searchable);
}

TEST_F(StoryTreeTest, MoveUpOnAFirstChildIsEnabledAndDoesNothing) {
    TfrmMain& w = StartWithSample();
    Select({"How a lighthouse works"});
    EXPECT_TRUE(Named<QAction>(*Tree, "actMoveUp")->isEnabled());
    Named<QAction>(*Tree, "actMoveUp")->trigger();
    EXPECT_EQ(Story("The light").front(), "How a lighthouse works");
    EXPECT_FALSE(w.Project().Modified());
    Select({"Title page"});
    EXPECT_FALSE(Named<QAction>(*Tree, "actMoveUp")->isEnabled()); // the first item of the tree
    Select({"About the author"});
    EXPECT_FALSE(Named<QAction>(*Tree, "actMoveDown")->isEnabled());
    Select({"The keepers"});
    EXPECT_TRUE(Named<QAction>(*Tree, "actMoveDown")->isEnabled());
    Named<QAction>(*Tree, "actMoveDown")->trigger();
    EXPECT_EQ(Story().back(), "The keepers");
    EXPECT_EQ(Shown(), Story());
    EXPECT_EQ(Tree->Selected(), Item("The keepers")); // still selected after the move
    EXPECT_TRUE(w.Project().Modified());              // the new order is offered for saving
    Named<QAction>(*Tree, "actMoveUp")->trigger();
    EXPECT_EQ(Story()[2], "The keepers");
}

TEST_F(StoryTreeTest, FlagEntriesFollowTheirRulesAndHideForSeveralItems) {
    TfrmMain& w = StartWithSample();
    w.Project().Options().AllowRightClickContextMenu = 0;
    Select({"From the logbook"});
    EXPECT_FALSE(Named<QAction>(*Tree, "actAllowRightClick")->isEnabled());
    EXPECT_TRUE(Named<QAction>(*Tree, "actAllowRightClick")->isChecked());
    w.Project().Options().AllowRightClickContextMenu = 1;
    Idle();
    EXPECT_FALSE(Named<QAction>(*Tree, "actAllowRightClick")->isChecked());
    w.Project().Options().AllowRightClickContextMenu = 2;
    Idle();
    EXPECT_TRUE(Named<QAction>(*Tree, "actAllowRightClick")->isEnabled());
    EXPECT_FALSE(Named<QAction>(*Tree, "actAllowRightClick")->isChecked()); // the page's own flag
    EXPECT_TRUE(Named<QAction>(*Tree, "actIncludeInTOC")->isChecked());
    Named<QAction>(*Tree, "actAllowRightClick")->trigger();
    EXPECT_TRUE(Item("From the logbook")->RightClick);
    EXPECT_TRUE(w.Project().Modified());
    EXPECT_EQ(Named<TframPageProperties>(w, "pnlPageProperties")->cbFlags[ifRightClick]->checkState(),
              Qt::Checked);
    Named<QAction>(*Tree, "actPasswordProtection")->trigger();
    Idle();
    EXPECT_TRUE(Named<QAction>(*Tree, "actPasswordProtection")->isChecked());
    EXPECT_EQ(Node("From the logbook")->data(0, Qt::UserRole + 1).toInt(), 2);

    // Several items: the single-item entries are hidden.
    Select({"Title page", "The light"});
    for (QAction* a :
         {Named<QAction>(*Tree, "mnuEditName"), Named<QAction>(*Tree, "mnuEditPreview"),
          Named<QAction>(*Tree, "actAllowRightClick"), Named<QAction>(*Tree, "actPasswordProtection"),
          Named<QAction>(*Tree, "actIncludeInTOC"), Named<QAction>(*Tree, "actSearchable")})
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    EXPECT_TRUE(Named<QAction>(*Tree, "actDelete")->isVisible());
    EXPECT_TRUE(Named<QAction>(*Tree, "actEditName")->isVisible()); // the toolbar keeps its buttons
    // The tree menu does not open while nothing is selected.
    Tree->SelectItem(nullptr);
    emit Named<TStoryTreeView>(*Tree, "tvProject")->customContextMenuRequested(QPoint(5, 5));
    ProcessEvents();
    EXPECT_FALSE(Named<QMenu>(*Tree, "popTree")->isVisible());
    Select({"Title page"});
    emit Named<TStoryTreeView>(*Tree, "tvProject")->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(WaitFor([&] { return Named<QMenu>(*Tree, "popTree")->isVisible(); }));
    EXPECT_TRUE(Named<QAction>(*Tree, "mnuEditName")->isVisible());
    Named<QMenu>(*Tree, "popTree")->close();
}

TEST_F(StoryTreeTest, DeleteAsksThenRemovesEverySelectedItemWithItsPagesAndTraces) {
    TfrmMain& w = StartWithSample();
    Select({"Title page", "The keepers"});
    // The trace of the deleted pages is on when the logging rules ask for it.
    QLoggingCategory::setFilterRules(QStringLiteral("quarvel.story.debug=true"));
    TDebugLines trace;
    ASSERT_TRUE(Named<QAction>(*Tree, "actDelete")->isEnabled());
    Answer("Delete selected item from eBook?", QMessageBox::Cancel);
    Named<QAction>(*Tree, "actDelete")->trigger();
    EXPECT_TRUE(trace.Lines.empty());
    EXPECT_EQ(Story().size(), 4u);
    trace.Lines.clear();
    Answer("Delete selected item from eBook?", QMessageBox::Ok);
    Named<QAction>(*Tree, "actDelete")->trigger();
    EXPECT_EQ(Story(), (std::vector<std::string>{"The light", "About the author"}));
    EXPECT_EQ(Shown(), Story());
    EXPECT_EQ(trace.Lines, (std::vector<std::string>{"--> file: \\Index.htm", "--> file: \\Keepers\\ADay.htm",
                                                     "--> file: \\Keepers\\Logbook.htm",
                                                     "--> file: \\Keepers\\Storm.htm"}));
    EXPECT_FALSE(w.Project().FilesStore().Session()->Exists("\\Keepers\\Storm.htm"));
    EXPECT_TRUE(Named<TStoryTreeView>(*Tree, "tvProject")->hasFocus() || !w.isActiveWindow());
    // Nothing selected: the command is off; run anyway, it does nothing.
    Tree->SelectItem(nullptr);
    Idle();
    EXPECT_FALSE(Named<QAction>(*Tree, "actDelete")->isEnabled());
    trace.Lines.clear();
    Asked.clear();
    Tree->actDeleteExecute();
    EXPECT_TRUE(trace.Lines.empty());
    EXPECT_TRUE(Asked.empty());
    QLoggingCategory::setFilterRules(QString());
    // Clear Story warns first.
    Answer("Clear story?", QMessageBox::Cancel);
    Named<QAction>(*Tree, "actClearStory")->trigger();
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.back().Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(Story().size(), 2u);
    Answer("Clear story?", QMessageBox::Ok);
    Named<QAction>(*Tree, "actClearStory")->trigger();
    EXPECT_TRUE(Story().empty());
    EXPECT_EQ(Named<TStoryTreeView>(*Tree, "tvProject")->topLevelItemCount(), 0);
    Idle();
    EXPECT_FALSE(Named<QAction>(w, "actCompile")->isEnabled());
}

TEST_F(StoryTreeTest, RenameInPlaceKeepsTheNewName) {
    TfrmMain& w = StartWithSample();
    Select({"Title page"});
    Named<QAction>(*Tree, "actEditName")->trigger();
    ASSERT_TRUE(Named<TStoryTreeView>(*Tree, "tvProject")->Editing());
    auto* editor = Named<TStoryTreeView>(*Tree, "tvProject")->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Cover"));
    // Edit Name again ends the editing and keeps the text.
    Named<QAction>(*Tree, "actEditName")->trigger();
    EXPECT_FALSE(Named<TStoryTreeView>(*Tree, "tvProject")->Editing());
    EXPECT_EQ(w.Project().Story().Items(0)->Name, "Cover");
    EXPECT_TRUE(w.Project().Modified());
}

TEST_F(StoryTreeTest, AddDefaultPageAndItsDropDown) {
    TfrmMain& w = StartWithSample();
    Idle();
    EXPECT_FALSE(Named<QAction>(*Tree, "actAddDefaultPage")->isEnabled()); // template "None"
    w.Project().Options().Template = "Novel";
    Idle();
    ASSERT_TRUE(Named<QAction>(*Tree, "actAddDefaultPage")->isEnabled());
    Select({"Title page"});
    Named<QAction>(*Tree, "actAddDefaultPage")->trigger();
    EXPECT_EQ(Story().size(), 5u);
    EXPECT_EQ(Shown(), Story());
    emit Named<QMenu>(*Tree, "popAddPage")->aboutToShow();
    const QList<QAction*> entries = Named<QMenu>(*Tree, "popAddPage")->actions();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_FALSE(entries[0]->toolTip().isEmpty());
    Select({"About the author"});
    entries[0]->trigger();
    EXPECT_EQ(Story().size(), 6u);
    EXPECT_EQ(Story().back(), entries[0]->text().toStdString());
    // A template that is not installed: the message.
    w.Project().Options().Template = "Gone";
    Named<QAction>(*Tree, "actAddDefaultPage")->trigger();
    EXPECT_TRUE(WasAsked("This template does not contain a default page."));
}

TEST_F(StoryTreeTest, DropsFollowThePlacementRule) {
    TfrmMain& w = StartWithSample();
    // A page onto a chapter: last in that chapter.
    Tree->tvProjectDragDrop(Item("Title page"), Item("The keepers"), false);
    EXPECT_EQ(Story("The keepers").back(), "Title page");
    // Onto a later page of the same chapter: directly after it.
    Tree->tvProjectDragDrop(Item("A day on the rock"), Item("From the logbook"), false);
    EXPECT_EQ(Story("The keepers"),
              (std::vector<std::string>{"From the logbook", "A day on the rock", "Stories", "Title page"}));
    // Onto an earlier page: directly before it.
    Tree->tvProjectDragDrop(Item("Title page"), Item("From the logbook"), false);
    EXPECT_EQ(Story("The keepers").front(), "Title page");
    // With Ctrl onto a chapter: beside it as for a page.
    Tree->tvProjectDragDrop(Item("About the author"), Item("The light"), true);
    EXPECT_EQ(Story(), (std::vector<std::string>{"About the author", "The light", "The keepers"}));
    // A chapter onto its own page: refused.
    Tree->tvProjectDragDrop(Item("The keepers"), Item("The winter storm"), false);
    EXPECT_EQ(Story(), (std::vector<std::string>{"About the author", "The light", "The keepers"}));
    // No item under the mouse: the last top-level item.
    Tree->tvProjectDragDrop(Item("Lenses and lamps"), nullptr, false);
    EXPECT_EQ(Story().back(), "Lenses and lamps");
    EXPECT_EQ(Shown(), Story());
    EXPECT_EQ(Shown("The keepers"), Story("The keepers"));
    EXPECT_EQ(Tree->Selected(), Item("Lenses and lamps"));
    EXPECT_TRUE(w.Project().Modified());
}

TEST_F(StoryTreeTest, RealDragOfAPageOntoAChapterExpandingTheChapterItRestsOn) {
    TfrmMain& w = StartWithSample();
    w.activateWindow();
    QTreeWidget* tree = Named<TStoryTreeView>(*Tree, "tvProject");
    Select({"About the author"});
    ASSERT_FALSE(Node("The keepers")->isExpanded());
    const QPoint from = tree->visualItemRect(Node("About the author")).center();
    const QPoint keepers = tree->visualItemRect(Node("The keepers")).center();
    const QPoint to = tree->visualItemRect(Node("The light")).center();
    QWidget* viewport = tree->viewport();
    bool hovered = false, expanded = false;
    SendMouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    // The drag runs its own loop: the moves and the release come from timers. The mouse
    // rests on the collapsed chapter "The keepers" for more than a second first.
    QTimer::singleShot(50, [&] {
        QTimer::singleShot(100, [&] {
            SendMouse(viewport, QEvent::MouseMove, keepers, Qt::LeftButton);
            QTimer::singleShot(1400, [&] {
                expanded = Node("The keepers")->isExpanded();
                for (int step = 1; step <= 5; ++step)
                    SendMouse(viewport, QEvent::MouseMove, keepers + (to - keepers) * step / 5,
                              Qt::LeftButton);
                hovered = Named<TStoryTreeView>(*Tree, "tvProject")->DragHoverNode() == Item("The light");
                QTimer::singleShot(50, [&] {
                    SendMouse(viewport, QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::LeftButton);
                });
            });
        });
        for (int step = 1; step <= 3; ++step)
            SendMouse(viewport, QEvent::MouseMove, from + QPoint(0, -8 * step), Qt::LeftButton);
    });
    ASSERT_TRUE(WaitFor([&] { return Story("The light").back() == "About the author"; }, 10000));
    EXPECT_TRUE(expanded);
    EXPECT_TRUE(hovered);
    EXPECT_EQ(Shown("The light"), Story("The light"));
    EXPECT_EQ(Named<TStoryTreeView>(*Tree, "tvProject")->DraggedItem(), nullptr);
    EXPECT_FALSE(Named<TStoryTreeView>(*Tree, "tvProject")->HoverTimerActive());
}

TEST_F(StoryTreeTest, PinnedPanelStaysOpenAndUnpinnedFoldsWhenTheMouseIsAway) {
    TfrmMain& w = StartWithSample();
    TframPageProperties* panel = Named<TframPageProperties>(w, "pnlPageProperties");
    EXPECT_TRUE(panel->sbtnPropertiesPin->isChecked());
    EXPECT_EQ(panel->height(), TframPageProperties::OpenHeight);
    QCursor::setPos(w.mapToGlobal(QPoint(w.width() - 20, w.height() - 20)));
    Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->setFocus();
    panel->sbtnPropertiesPin->click(); // released: the fold timer runs
    EXPECT_TRUE(panel->tmrFold->isActive());
    EXPECT_EQ(panel->tmrFold->interval(), 100);
    ASSERT_TRUE(WaitFor([&] { return panel->Folded(); }, 5000));
    EXPECT_EQ(panel->height(), panel->pnlTitle->sizeHint().height() + 2);
    // The mouse over the title bar opens it again.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(panel->pnlTitle, &enter);
    EXPECT_FALSE(panel->Folded());
    EXPECT_TRUE(panel->tmrFold->isActive());
    panel->sbtnPropertiesPin->click(); // pinned: open, no timer
    EXPECT_FALSE(panel->tmrFold->isActive());
    EXPECT_EQ(panel->height(), TframPageProperties::OpenHeight);
}

TEST_F(StoryTreeTest, IdlePassRunsWhenTheLoopWaitsAndKeepsTheCommandsCurrent) {
    TfrmMain& w = StartWithSample();
    const int passes = w.Commands().Passes();
    Pause(50);
    EXPECT_GT(w.Commands().Passes(), passes);
    // No explicit pass: the loop going idle enables Save after a change.
    EXPECT_FALSE(Named<QAction>(w, "actSaveProject")->isEnabled());
    w.Project().SetModified();
    Pause(50);
    EXPECT_TRUE(Named<QAction>(w, "actSaveProject")->isEnabled());
    EXPECT_GT(w.Commands().Count(), 40);
}

TEST(StoryTreeAlone, TreeFollowsAProjectOfTheCoreWithoutTheMainWindow) {
    TEditorCore core;
    core.Project().NewProject();
    TCommandTable commands;
    TframStoryTree tree(core, commands);
    tree.SyncWithStory();
    EXPECT_EQ(Named<TStoryTreeView>(tree, "tvProject")->topLevelItemCount(), core.Project().Story().Count());
    core.Project().AddChildChapter(nullptr);
    tree.SyncWithStory();
    EXPECT_EQ(Named<TStoryTreeView>(tree, "tvProject")->topLevelItemCount(), core.Project().Story().Count());
    core.PresetHost()->ConfirmAnswer = true;
    core.Project().ClearStory();
    tree.SyncWithStory();
    EXPECT_EQ(Named<TStoryTreeView>(tree, "tvProject")->topLevelItemCount(), 0);
}

} // namespace
