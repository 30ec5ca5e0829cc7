#include "fram_StoryTree.h"

#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_EditorServices.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

// The pages that Delete removed ("--> file: PATH"), for tracing (off unless the logging
// rules switch it on).
Q_LOGGING_CATEGORY(lcStoryTree, "quarvel.story", QtWarningMsg)

namespace {

// The pictures of the tree, one per kind of item: the design's pictures 0 and 1 (a
// chapter, and selected), 2 and 3 (a page) and 4 and 5 (a password-protected page) are
// one icon each, whose selected mode is the second picture. A node keeps its kind
// (0, 1 or 2, not the design's picture number) under PictureRole.
enum TNodePicture { npChapter, npPage, npLockedPage };

const QIcon& NodeIcon(TNodePicture Picture) {
    static const std::array<QIcon, 3> icons = [] {
        const char* names[3][2] = {
            {"chapter", "chapter_selected"}, {"page", "page_selected"}, {"page_locked", "page_locked_selected"}};
        std::array<QIcon, 3> made;
        for (int i = 0; i < 3; ++i) {
            made[i].addFile(QStringLiteral(":/icons/main/%1.svg").arg(QLatin1String(names[i][0])), QSize(),
                            QIcon::Normal);
            made[i].addFile(QStringLiteral(":/icons/main/%1.svg").arg(QLatin1String(names[i][1])), QSize(),
                            QIcon::Selected);
        }
        return made;
    }();
    return icons[Picture];
}

TNodePicture PictureOf(const TProjectItemInfo* Item) {
    if (Item->IsChapter())
        return npChapter;
    return Item->PasswordProtection ? npLockedPage : npPage;
}

constexpr int ItemRole = Qt::UserRole;
constexpr int PictureRole = Qt::UserRole + 1;
const char* const StoryItemMimeType = "application/x-quarvel-story-item";

} // namespace

// ---------------------------------------------------------------------------------
// TStoryTreeView

TStoryTreeView::TStoryTreeView(QWidget* Parent) : QTreeWidget(Parent) {
    SetControlName(this, "tvProject", tr("Story"));
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setUniformRowHeights(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setStretchLastSection(true);
    tmrDragHover = new QTimer(this);
    tmrDragHover->setObjectName(QStringLiteral("tmrDragHover"));
    tmrDragHover->setInterval(1000);
    connect(tmrDragHover, &QTimer::timeout, this, &TStoryTreeView::HoverTimerFired);
}

TProjectItemInfo* TStoryTreeView::ItemOf(const QTreeWidgetItem* Node) {
    if (!Node)
        return nullptr;
    return reinterpret_cast<TProjectItemInfo*>(Node->data(0, ItemRole).value<quintptr>());
}

void TStoryTreeView::EndEdit() {
    if (!Editing())
        return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && viewport()->isAncestorOf(focus))
            editor = focus;
    }
    if (!editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TStoryTreeView::startDrag(Qt::DropActions) {
    QTreeWidgetItem* node = currentItem();
    if (!node || !node->isSelected())
        return;
    FDragged = ItemOf(node);
    FDragging = true;
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(StoryItemMimeType), QByteArray());
    drag->setMimeData(data);
    drag->setPixmap(node->icon(0).pixmap(16, 16));
    drag->exec(Qt::MoveAction);
    FDragging = false;
    FDragged = nullptr;
    SetHover(nullptr);
}

void TStoryTreeView::dragEnterEvent(QDragEnterEvent* Event) {
    Event->acceptProposedAction();
}

void TStoryTreeView::dragMoveEvent(QDragMoveEvent* Event) {
    // The base scrolls near the edges; the decision is the tree's own rule.
    QTreeWidget::dragMoveEvent(Event);
    const bool fromTree = Event->source() == this;
    TProjectItemInfo* target = ItemAt(Event->position().toPoint());
    if (DragPositionAccepted(fromTree ? FDragged : nullptr, target, fromTree)) {
        SetHover(target);
        Event->setDropAction(Qt::MoveAction);
        Event->accept();
    } else {
        SetHover(nullptr);
        Event->ignore();
    }
}

void TStoryTreeView::dragLeaveEvent(QDragLeaveEvent* Event) {
    SetHover(nullptr);
    QTreeWidget::dragLeaveEvent(Event);
}

void TStoryTreeView::dropEvent(QDropEvent* Event) {
    SetHover(nullptr);
    if (Event->source() != this || !FDragged) {
        Event->ignore();
        return;
    }
    TProjectItemInfo* target = ItemAt(Event->position().toPoint());
    const bool ctrl = Event->modifiers().testFlag(Qt::ControlModifier);
    Event->setDropAction(Qt::MoveAction);
    Event->accept();
    if (OnDragDrop)
        OnDragDrop(FDragged, target, ctrl);
}

void TStoryTreeView::SetHover(TProjectItemInfo* Item) {
    if (!Item) {
        tmrDragHover->stop();
        if (FDragHoverNode) {
            FDragHoverNode = nullptr;
            viewport()->update();
        }
        return;
    }
    if (Item != FDragHoverNode) {
        FDragHoverNode = Item;
        tmrDragHover->start();
        viewport()->update();
    }
}

bool TStoryTreeView::HoverTimerActive() const {
    return tmrDragHover->isActive();
}

void TStoryTreeView::HoverTimerFired() {
    if (!FDragging || !HoverExpands(FDragged, FDragHoverNode))
        return;
    tmrDragHover->stop();
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if (ItemOf(*it) == FDragHoverNode) {
            (*it)->setExpanded(true);
            break;
        }
}

void TStoryTreeView::keyPressEvent(QKeyEvent* Event) {
    if ((Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) && !Editing() && OnEnter) {
        OnEnter();
        Event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(Event);
}

void TStoryTreeView::drawRow(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const {
    // The drop target is marked while dragging.
    if (FDragHoverNode && ItemOf(itemFromIndex(Index)) == FDragHoverNode) {
        QColor mark = palette().color(QPalette::Highlight);
        mark.setAlpha(70);
        Painter->fillRect(Option.rect, mark);
    }
    QTreeWidget::drawRow(Painter, Option, Index);
}

// ---------------------------------------------------------------------------------
// TframStoryTree

TframStoryTree::TframStoryTree(IEditorMain& Main, TCommandTable& Commands, QWidget* Parent)
    : QWidget(Parent), FMain(Main), FCommands(Commands) {
    setObjectName(QStringLiteral("framStoryTree"));
    tvProject = new TStoryTreeView(this);
    BuildActions();
    BuildToolbarAndMenus();
    RegisterCommands();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbrStoryTree);
    layout->addWidget(tvProject, 1);

    connect(tvProject, &QTreeWidget::itemSelectionChanged, this, [this] { ReadSelection(); });
    connect(tvProject, &QTreeWidget::currentItemChanged, this, [this] { ReadSelection(); });
    connect(tvProject, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* node, int) { tvProjectEdited(node); });
    connect(tvProject, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (actEditPreview->isEnabled())
            actEditPreview->trigger();
    });
    connect(tvProject, &QWidget::customContextMenuRequested, this, &TframStoryTree::tvProjectContextMenu);
    tvProject->OnEnter = [this] {
        FCommands.Update();
        if (actEditPreview->isEnabled())
            actEditPreview->trigger();
    };
    tvProject->OnDragDrop = [this](TProjectItemInfo* dragged, TProjectItemInfo* target, bool ctrl) {
        tvProjectDragDrop(dragged, target, ctrl);
    };
}

TframStoryTree::~TframStoryTree() = default;

void TframStoryTree::BuildActions() {
    actEditPreview = MakeAction(this, "actEditPreview", tr("Edit\\Preview"), "main/editpreview.svg");
    actEditName = MakeAction(this, "actEditName", tr("Edit Name"), "main/editname.svg");
    actMoveUp = MakeAction(this, "actMoveUp", tr("Move Up"), "main/moveup.svg");
    actMoveDown = MakeAction(this, "actMoveDown", tr("Move Down"), "main/movedown.svg");
    actInsertChapter =
        MakeAction(this, "actInsertChapter", tr("Insert Chapter"), "main/insertchapter.svg", Qt::Key_Insert);
    actAddChildChapter = MakeAction(this, "actAddChildChapter", tr("Add Child Chapter"), "main/insertchapter.svg",
                                    QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    actDelete = MakeAction(this, "actDelete", tr("Delete"), "main/delete.svg");
    actAddDefaultPage = MakeAction(this, "actAddDefaultPage", tr("Add Default Page"), "main/adddefaultpage.svg");
    actClearStory = MakeAction(this, "actClearStory", tr("Clear Story"), "main/clearstory.svg");
    actAllowRightClick = MakeAction(this, "actAllowRightClick", tr("Allow Right Click"));
    actPasswordProtection = MakeAction(this, "actPasswordProtection", tr("Password protection"), "main/lock_off.svg");
    actIncludeInTOC = MakeAction(this, "actIncludeInTOC", tr("Include in TOC"), "main/toc_off.svg");
    actSearchable = MakeAction(this, "actSearchable", tr("Searchable"));
    for (QAction* flag : {actAllowRightClick, actPasswordProtection, actIncludeInTOC, actSearchable})
        flag->setCheckable(true);
    // Two flag entries show their state in their picture: 8 (checked) and 9 (unchecked),
    // 13 and 14. The picture follows the check mark as it changes.
    const auto statePictures = [](QAction* Action, const char* On, const char* Off) {
        connect(Action, &QAction::toggled, Action, [Action, On, Off](bool Checked) {
            Action->setIcon(QIcon(QStringLiteral(":/icons/main/") + QLatin1String(Checked ? On : Off)));
        });
    };
    statePictures(actPasswordProtection, "lock_on.svg", "lock_off.svg");
    statePictures(actIncludeInTOC, "toc_on.svg", "toc_off.svg");
    mnuEditPreview = MakeAction(this, "mnuEditPreview", actEditPreview->text(), "main/editpreview.svg");
    mnuEditName = MakeAction(this, "mnuEditName", actEditName->text(), "main/editname.svg");
    connect(mnuEditPreview, &QAction::triggered, actEditPreview, &QAction::trigger);
    connect(mnuEditName, &QAction::triggered, actEditName, &QAction::trigger);
    mnuAddSubChapter = MakeAction(this, "mnuAddSubChapter", tr("Add a sub chapter"));
    mnuAddChapter = MakeAction(this, "mnuAddChapter", tr("Add a chapter"));

    // The tree's own keys work while the tree has the focus.
    for (QAction* a : {actInsertChapter, actAddChildChapter}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        tvProject->addAction(a);
    }

    connect(actEditPreview, &QAction::triggered, this, [this] { actEditPreviewExecute(); });
    connect(actEditName, &QAction::triggered, this, [this] { actEditNameExecute(); });
    connect(actMoveUp, &QAction::triggered, this, [this] { actMoveUpExecute(); });
    connect(actMoveDown, &QAction::triggered, this, [this] { actMoveDownExecute(); });
    connect(actInsertChapter, &QAction::triggered, this, [this] { actInsertChapterExecute(); });
    connect(actAddChildChapter, &QAction::triggered, this, [this] { actAddChildChapterExecute(); });
    connect(actDelete, &QAction::triggered, this, [this] { actDeleteExecute(); });
    connect(actClearStory, &QAction::triggered, this, [this] { actClearStoryExecute(); });
    connect(actAddDefaultPage, &QAction::triggered, this, [this] { actAddDefaultPageExecute(); });
    connect(actAllowRightClick, &QAction::triggered, this, [this] { ToggleFlag(ifRightClick); });
    connect(actPasswordProtection, &QAction::triggered, this, [this] { ToggleFlag(ifPasswordProtection); });
    connect(actIncludeInTOC, &QAction::triggered, this, [this] { ToggleFlag(ifIncludeInTOC); });
    connect(actSearchable, &QAction::triggered, this, [this] { ToggleFlag(ifSearchable); });
    connect(mnuAddSubChapter, &QAction::triggered, this, [this] {
        Execute([this] {
            if (FFocused)
                FMain.Project().AddChildChapter(FFocused);
        });
    });
    connect(mnuAddChapter, &QAction::triggered, this, [this] {
        Execute([this] {
            if (FFocused)
                FMain.Project().InsertChapter(FFocused);
        });
    });
}

void TframStoryTree::BuildToolbarAndMenus() {
    tbrStoryTree = NewToolBar(this, "tbrStoryTree", 20, Qt::ToolButtonIconOnly);
    tbrStoryTree->addAction(actEditPreview);
    tbrStoryTree->addAction(actEditName);
    tbrStoryTree->addSeparator();
    tbrStoryTree->addAction(actMoveUp);
    tbrStoryTree->addAction(actMoveDown);
    tbrStoryTree->addSeparator();
    tbrStoryTree->addAction(actInsertChapter);
    btnInsertChapter = qobject_cast<QToolButton*>(tbrStoryTree->widgetForAction(actInsertChapter));
    btnInsertChapter->setObjectName(QStringLiteral("btnInsertChapter"));
    tbrStoryTree->addAction(actDelete);
    tbrStoryTree->addAction(actAddDefaultPage);
    btnAddDefaultPage = qobject_cast<QToolButton*>(tbrStoryTree->widgetForAction(actAddDefaultPage));
    btnAddDefaultPage->setObjectName(QStringLiteral("btnAddDefaultPage"));
    tbrStoryTree->addAction(actClearStory);

    popInsertChapter = new QMenu(this);
    popInsertChapter->setObjectName(QStringLiteral("popInsertChapter"));
    popInsertChapter->addAction(mnuAddSubChapter);
    popInsertChapter->addAction(mnuAddChapter);

    popAddPage = new QMenu(this);
    popAddPage->setObjectName(QStringLiteral("popAddPage"));
    popAddPage->setToolTipsVisible(true);
    btnAddDefaultPage->setMenu(popAddPage);
    btnAddDefaultPage->setPopupMode(QToolButton::MenuButtonPopup);
    connect(popAddPage, &QMenu::aboutToShow, this, [this] { popAddPageShow(); });

    popTree = new QMenu(this);
    popTree->setObjectName(QStringLiteral("popTree"));
    popTree->addAction(mnuEditPreview);
    popTree->addAction(mnuEditName);
    popTree->addSeparator();
    popTree->addAction(actInsertChapter);
    popTree->addAction(actAddChildChapter);
    popTree->addAction(actDelete);
    popTree->addAction(actClearStory);
    popTree->addSeparator();
    popTree->addAction(actAllowRightClick);
    popTree->addAction(actPasswordProtection);
    popTree->addAction(actIncludeInTOC);
    popTree->addAction(actSearchable);
    // Toolbar buttons say what they do when the mouse rests on them.
    for (QAction* a : tbrStoryTree->actions())
        if (!a->isSeparator())
            a->setToolTip(a->text());
}

void TframStoryTree::RegisterCommands() {
    TBookProject& project = FMain.Project();
    auto single = [this] { return !MultiSelection(); };
    auto editPreview = [this] { return FFocused && FFocused->IsPage(); };
    auto editName = [this] { return FFocused != nullptr; };
    FCommands.Add(actEditPreview, editPreview);
    FCommands.Add(actEditName, editName);
    FCommands.Add(mnuEditPreview, editPreview, {}, single);
    FCommands.Add(mnuEditName, editName, {}, single);
    FCommands.Add(actMoveUp, [this, &project] { return MoveUpEnabled(project.Story(), FFocused); });
    FCommands.Add(actMoveDown, [this, &project] { return MoveDownEnabled(project.Story(), FFocused); });
    FCommands.Add(actInsertChapter, {});
    FCommands.Add(actAddChildChapter,
                  [this, &project] { return project.IsOpen() && (!FFocused || FFocused->IsChapter()); });
    FCommands.Add(actDelete, [this] { return FFocused != nullptr; });
    FCommands.Add(actAddDefaultPage, [&project] { return project.IsOpen() && AddDefaultPageEnabled(project); });
    FCommands.Add(actClearStory, [&project] { return !project.Story().Empty(); });
    FCommands.Add(
        actAllowRightClick,
        [this, &project] { return RightClickEntryState(project.Options().AllowRightClickContextMenu, FFocused).Enabled; },
        [this, &project] { return RightClickEntryState(project.Options().AllowRightClickContextMenu, FFocused).Checked; },
        single);
    // A flag entry follows the flag of the focused item.
    auto flagEntry = [this, single](QAction* Action, TItemFlag Flag) {
        FCommands.Add(
            Action, [this, Flag] { return FlagEntryState(FFocused, Flag).Enabled; },
            [this, Flag] { return FlagEntryState(FFocused, Flag).Checked; }, single);
    };
    flagEntry(actPasswordProtection, ifPasswordProtection);
    flagEntry(actIncludeInTOC, ifIncludeInTOC);
    flagEntry(actSearchable, ifSearchable);
}

void TframStoryTree::Execute(const std::function<void()>& Command) {
    FCommands.Execute(window(), Command, [this] { SyncWithStory(); });
}

// ---------------------------------------------------------------------------------
// The tree following the story

QTreeWidgetItem* TframStoryTree::NodeOf(const TProjectItemInfo* Item) const {
    const auto it = FNodes.find(Item);
    return it == FNodes.end() ? nullptr : it->second;
}

QTreeWidgetItem* TframStoryTree::NewNode(TProjectItemInfo* Item) {
    auto* node = new QTreeWidgetItem;
    node->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
                   Qt::ItemIsDropEnabled);
    node->setData(0, ItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(Item)));
    node->setData(0, PictureRole, -1);
    UpdateNode(node, Item);
    FNodes[Item] = node;
    // The branch is built while the node is not yet in the tree: no view updates.
    QList<QTreeWidgetItem*> children;
    children.reserve(Item->Count());
    for (const auto& child : Item->Children())
        children.append(NewNode(child.get()));
    node->addChildren(children);
    return node;
}

void TframStoryTree::UpdateNode(QTreeWidgetItem* Node, const TProjectItemInfo* Item) {
    const QString name = Q(Item->Name);
    if (Node->text(0) != name)
        Node->setText(0, name);
    const int picture = PictureOf(Item);
    if (Node->data(0, PictureRole).toInt() != picture) {
        Node->setData(0, PictureRole, picture);
        Node->setIcon(0, NodeIcon(static_cast<TNodePicture>(picture)));
    }
}

void TframStoryTree::ForgetNode(QTreeWidgetItem* Node) {
    FNodes.erase(TStoryTreeView::ItemOf(Node));
    for (int i = 0; i < Node->childCount(); ++i)
        ForgetNode(Node->child(i));
}

void TframStoryTree::SyncChildren(QTreeWidgetItem* ParentNode,
                                  const std::vector<std::unique_ptr<TProjectItemInfo>>& Children) {
    int index = 0;
    for (const auto& child : Children) {
        TProjectItemInfo* item = child.get();
        QTreeWidgetItem* node = NodeOf(item);
        if (!node) {
            ParentNode->insertChild(index++, NewNode(item));
            continue;
        }
        if (ParentNode->child(index) != node) {
            // The item moved: its node follows with its branch and expansion.
            const bool expanded = node->isExpanded();
            QTreeWidgetItem* oldParent = node->parent() ? node->parent() : tvProject->invisibleRootItem();
            oldParent->takeChild(oldParent->indexOfChild(node));
            ParentNode->insertChild(index, node);
            node->setExpanded(expanded);
        }
        ++index;
        UpdateNode(node, item);
        SyncChildren(node, item->Children());
    }
    // Nodes left over belong to items that are gone.
    while (ParentNode->childCount() > index) {
        QTreeWidgetItem* stale = ParentNode->takeChild(ParentNode->childCount() - 1);
        ForgetNode(stale);
        delete stale;
    }
}

void TframStoryTree::SyncWithStory() {
    const std::vector<TProjectItemInfo*> selected = FSelected;
    TProjectItemInfo* focused = FFocused;
    ++FUpdating;
    const bool updates = tvProject->updatesEnabled();
    tvProject->setUpdatesEnabled(false);
    {
        const QSignalBlocker block(tvProject);
        SyncChildren(tvProject->invisibleRootItem(), FMain.Project().Story().Children());
    }
    tvProject->setUpdatesEnabled(updates);
    --FUpdating;
    // Moving a node loses its selection: the selection is put back as it was, without
    // the items that are gone.
    RestoreSelection(selected, focused);
}

void TframStoryTree::RestoreSelection(const std::vector<TProjectItemInfo*>& Items, TProjectItemInfo* Focused) {
    std::vector<QTreeWidgetItem*> nodes;
    for (TProjectItemInfo* item : Items)
        if (QTreeWidgetItem* node = NodeOf(item))
            nodes.push_back(node);
    QTreeWidgetItem* current = NodeOf(Focused);
    bool same = (current == tvProject->currentItem()) || !current;
    for (QTreeWidgetItem* node : nodes)
        same = same && node->isSelected();
    if (!same || static_cast<int>(nodes.size()) != static_cast<int>(tvProject->selectedItems().size())) {
        const QSignalBlocker block(tvProject);
        tvProject->clearSelection();
        if (current)
            tvProject->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
        for (QTreeWidgetItem* node : nodes)
            node->setSelected(true);
    }
    ReadSelection();
}

void TframStoryTree::SelectItem(TProjectItemInfo* Item) {
    if (Item && !NodeOf(Item))
        SyncWithStory();
    QTreeWidgetItem* node = NodeOf(Item);
    if (!node) {
        tvProject->clearSelection();
        tvProject->setCurrentItem(nullptr);
    } else {
        tvProject->setCurrentItem(node);
        tvProject->scrollToItem(node);
    }
    ReadSelection();
}

void TframStoryTree::ItemRemoving(TProjectItemInfo* Item) {
    QTreeWidgetItem* node = NodeOf(Item);
    if (!node)
        return;
    ForgetNode(node);
    {
        const QSignalBlocker block(tvProject);
        delete node;
    }
    ReadSelection();
}

void TframStoryTree::ReadSelection() {
    if (FUpdating)
        return;
    std::vector<TProjectItemInfo*> selected;
    for (QTreeWidgetItem* node : tvProject->selectedItems())
        if (TProjectItemInfo* item = TStoryTreeView::ItemOf(node))
            selected.push_back(item);
    QTreeWidgetItem* current = tvProject->currentItem();
    TProjectItemInfo* focused = current && current->isSelected() ? TStoryTreeView::ItemOf(current)
                                : selected.empty()                ? nullptr
                                                                  : selected.front();
    if (selected == FSelected && focused == FFocused)
        return;
    FSelected = std::move(selected);
    FFocused = focused;
    emit SelectionChanged();
}

void TframStoryTree::tvProjectEdited(QTreeWidgetItem* Node) {
    if (FUpdating)
        return;
    TProjectItemInfo* item = TStoryTreeView::ItemOf(Node);
    if (!item)
        return;
    FMain.Project().RenameItem(item, S(Node->text(0)));
}

void TframStoryTree::tvProjectContextMenu(const QPoint& Position) {
    if (FSelected.empty())
        return;
    FCommands.Update();
    popTree->popup(tvProject->viewport()->mapToGlobal(Position));
}

// ---------------------------------------------------------------------------------
// Commands

void TframStoryTree::actEditPreviewExecute() {
    if (tvProject->Editing()) {
        tvProject->EndEdit();
        return;
    }
    FCommands.Execute(window(), [this] {
        if (!FMain.Project().IsOpen() || !FFocused || !FFocused->IsPage())
            return;
        EditorWindows().OpenPageEditor(FMain, FFocused->Page);
    });
}

void TframStoryTree::actEditNameExecute() {
    if (tvProject->Editing()) {
        tvProject->EndEdit();
        return;
    }
    if (QTreeWidgetItem* node = NodeOf(FFocused)) {
        tvProject->setFocus();
        tvProject->editItem(node, 0);
    }
}

void TframStoryTree::MoveFocused(bool Up) {
    Execute([this, Up] {
        if (!FFocused)
            return;
        if (Up)
            FMain.Project().MoveUp(FFocused);
        else
            FMain.Project().MoveDown(FFocused);
    });
}

void TframStoryTree::actMoveUpExecute() {
    MoveFocused(true);
}

void TframStoryTree::actMoveDownExecute() {
    MoveFocused(false);
}

void TframStoryTree::actInsertChapterExecute() {
    if (!FMain.Project().IsOpen())
        return;
    switch (InsertChapterCase(FFocused)) {
    case TInsertChapterCase::AddTopLevel:
        Execute([this] { FMain.Project().AddChildChapter(nullptr); });
        break;
    case TInsertChapterCase::InsertBeforePage:
        Execute([this] { FMain.Project().InsertChapter(FFocused); });
        break;
    case TInsertChapterCase::ChooseForChapter: {
        QWidget* anchor = btnInsertChapter && btnInsertChapter->isVisible() ? static_cast<QWidget*>(btnInsertChapter)
                                                                            : tvProject;
        popInsertChapter->popup(anchor->mapToGlobal(QPoint(5, 5)));
        break;
    }
    }
}

void TframStoryTree::actAddChildChapterExecute() {
    Execute([this] {
        if (FMain.Project().IsOpen() && (!FFocused || FFocused->IsChapter()))
            FMain.Project().AddChildChapter(FFocused);
    });
}

void TframStoryTree::actDeleteExecute() {
    if (FSelected.empty())
        return;
    const std::vector<TProjectItemInfo*> items = FSelected;
    const std::vector<std::string> pages = PagesOfItems(items);
    const auto tracePages = [&pages] {
        for (const std::string& page : pages)
            qCDebug(lcStoryTree, "--> file: %s", page.c_str());
    };
    Execute([this, &items, &tracePages] {
        try {
            FMain.Project().DeleteItems(items);
        } catch (const EAbort&) {
            throw;
        } catch (...) {
            // The items are gone even when a page file was missing from the store.
            tracePages();
            throw;
        }
        tracePages();
    });
    tvProject->setFocus();
}

void TframStoryTree::actClearStoryExecute() {
    Execute([this] { FMain.Project().ClearStory(); });
}

void TframStoryTree::actAddDefaultPageExecute() {
    Execute([this] { AddDefaultPage(FMain.Project(), FMain.Templates(), FFocused); });
}

void TframStoryTree::popAddPageShow() {
    std::vector<TAddPageMenuEntry> entries;
    if (!BuildAddPageMenu(FMain.Project(), FMain.Templates(), entries))
        return; // the template is not installed: the menu keeps its entries
    popAddPage->clear();
    for (const TAddPageMenuEntry& entry : entries) {
        QAction* action = popAddPage->addAction(Q(entry.Caption));
        action->setToolTip(Q(entry.Hint));
        action->setStatusTip(Q(entry.Hint));
        connect(action, &QAction::triggered, this, [this, action] {
            Execute([this, action] {
                if (FMain.Project().IsOpen())
                    AddPageFromMenuEntry(FMain.Project(), FMain.Templates(), S(action->text()),
                                         FFocused);
            });
        });
    }
}

void TframStoryTree::ToggleFlag(TItemFlag Flag) {
    Execute([this, Flag] {
        if (!FFocused)
            return;
        FMain.Project().SetItemFlag(FFocused, Flag, !FFocused->Flag(Flag));
    });
    emit FlagsChanged();
}

void TframStoryTree::SetFlagOfSelected(TItemFlag Flag, bool Value) {
    Execute([this, Flag, Value] {
        for (TProjectItemInfo* item : FSelected)
            FMain.Project().SetItemFlag(item, Flag, Value);
    });
    emit FlagsChanged();
}

void TframStoryTree::tvProjectDragDrop(TProjectItemInfo* Dragged, TProjectItemInfo* Target, bool Ctrl) {
    const TDropPlacement drop = DropPlacement(Dragged, Target, Ctrl);
    if (drop.Refused)
        return;
    Execute([this, Dragged, &drop] { MoveToPlace(FMain.Project(), Dragged, drop.Place); });
    if (QTreeWidgetItem* collapse = NodeOf(drop.Collapse))
        collapse->setExpanded(false);
    SelectItem(Dragged);
}
