// The story tree of the main window's "Project" tab: the story toolbar tbrStoryTree,
// the tree view tvProject (several items selectable, labels editable in place, items
// dragged to new places) with its menu, and the story commands. The tree follows the
// open project's story; its rules are those of u_StoryTreeRules.
#pragma once

#include "u_StoryTreeRules.h"

#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <unordered_map>
#include <vector>

class IEditorMain;
class TCommandTable;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

// The tree view: items carry their story item, drags move only the item with the
// focus, and the drop is handed to the owner with the item under the mouse.
class TStoryTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TStoryTreeView(QWidget* Parent = nullptr);

    static TProjectItemInfo* ItemOf(const QTreeWidgetItem* Node);
    TProjectItemInfo* ItemAt(const QPoint& Position) const { return ItemOf(itemAt(Position)); }

    // The item being dragged, during a drag that started in this tree.
    TProjectItemInfo* DraggedItem() const noexcept { return FDragged; }
    // The accepted item under the mouse while dragging.
    TProjectItemInfo* DragHoverNode() const noexcept { return FDragHoverNode; }
    // The hover timer runs (it expands the hovered chapter after 1000 ms).
    bool HoverTimerActive() const;

    bool Editing() const { return state() == EditingState; }
    // Ends the in-place editing of a label, keeping the new text.
    void EndEdit();

    // A drop from this tree: the dragged item, the item under the mouse (none: no
    // item there) and whether Ctrl was held.
    std::function<void(TProjectItemInfo* Dragged, TProjectItemInfo* Target, bool Ctrl)> OnDragDrop;
    // Enter pressed while no label is being edited.
    std::function<void()> OnEnter;

protected:
    void startDrag(Qt::DropActions Actions) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dragLeaveEvent(QDragLeaveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void drawRow(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

private:
    void SetHover(TProjectItemInfo* Item);
    void HoverTimerFired();
    TProjectItemInfo* FDragHoverNode = nullptr;
    QTimer* tmrDragHover = nullptr;
    TProjectItemInfo* FDragged = nullptr;
    bool FDragging = false;
};

class TframStoryTree : public QWidget {
    Q_OBJECT
public:
    TframStoryTree(IEditorMain& Main, TCommandTable& Commands, QWidget* Parent = nullptr);
    ~TframStoryTree() override;

    // The tree follows the story: nodes are made, moved, renamed and repainted where
    // the story differs, and dropped where their items are gone.
    void SyncWithStory();
    // Selects one item (none: nothing), as the project asks after adding a chapter.
    void SelectItem(TProjectItemInfo* Item);
    // An item is about to leave the story: its node goes first.
    void ItemRemoving(TProjectItemInfo* Item);

    // The selected item with the focus, or none; every selected item; more than one.
    TProjectItemInfo* Selected() const noexcept { return FFocused; }
    const std::vector<TProjectItemInfo*>& SelectedItems() const noexcept { return FSelected; }
    bool MultiSelection() const noexcept { return FSelected.size() > 1; }
    QTreeWidgetItem* NodeOf(const TProjectItemInfo* Item) const;

    // Command handlers.
    void actEditPreviewExecute();
    void actEditNameExecute();
    void actMoveUpExecute();
    void actMoveDownExecute();
    void actInsertChapterExecute();
    void actAddChildChapterExecute();
    void actDeleteExecute();
    void actClearStoryExecute();
    void actAddDefaultPageExecute();
    void ToggleFlag(TItemFlag Flag);
    // Gives every selected item the flag (the page properties panel's boxes).
    void SetFlagOfSelected(TItemFlag Flag, bool Value);
    void popAddPageShow();
    void tvProjectDragDrop(TProjectItemInfo* Dragged, TProjectItemInfo* Target, bool Ctrl);

signals:
    // The selection changed, or flags of the story changed: the properties panel
    // shows them again.
    void SelectionChanged();
    void FlagsChanged();

private:
    // Controls and commands, named as in the window's design (tests find them by these
    // object names).
    QToolBar* tbrStoryTree = nullptr;
    TStoryTreeView* tvProject = nullptr;
    QMenu* popTree = nullptr;
    QMenu* popInsertChapter = nullptr;
    QMenu* popAddPage = nullptr;
    QToolButton* btnInsertChapter = nullptr;
    QToolButton* btnAddDefaultPage = nullptr;
    QAction* actEditPreview = nullptr;
    QAction* actEditName = nullptr;
    QAction* actMoveUp = nullptr;
    QAction* actMoveDown = nullptr;
    QAction* actInsertChapter = nullptr;
    QAction* actAddChildChapter = nullptr;
    QAction* actDelete = nullptr;
    QAction* actAddDefaultPage = nullptr;
    QAction* actClearStory = nullptr;
    QAction* actAllowRightClick = nullptr;
    QAction* actPasswordProtection = nullptr;
    QAction* actIncludeInTOC = nullptr;
    QAction* actSearchable = nullptr;
    // The tree menu's own entries for Edit\Preview and Edit Name: hidden while several
    // items are selected, when the toolbar's buttons stay.
    QAction* mnuEditPreview = nullptr;
    QAction* mnuEditName = nullptr;
    QAction* mnuAddSubChapter = nullptr;
    QAction* mnuAddChapter = nullptr;

    void BuildActions();
    void BuildToolbarAndMenus();
    void RegisterCommands();
    void Execute(const std::function<void()>& Command);
    // Moves the focused item one place up or down among its siblings.
    void MoveFocused(bool Up);
    void SyncChildren(QTreeWidgetItem* ParentNode, const std::vector<std::unique_ptr<TProjectItemInfo>>& Children);
    QTreeWidgetItem* NewNode(TProjectItemInfo* Item);
    void UpdateNode(QTreeWidgetItem* Node, const TProjectItemInfo* Item);
    void ForgetNode(QTreeWidgetItem* Node);
    void ReadSelection();
    void RestoreSelection(const std::vector<TProjectItemInfo*>& Items, TProjectItemInfo* Focused);
    void tvProjectEdited(QTreeWidgetItem* Node);
    void tvProjectContextMenu(const QPoint& Position);

    IEditorMain& FMain;
    TCommandTable& FCommands;
    std::unordered_map<const TProjectItemInfo*, QTreeWidgetItem*> FNodes;
    std::vector<TProjectItemInfo*> FSelected;
    TProjectItemInfo* FFocused = nullptr;
    int FUpdating = 0;
};
