#include "u_ToolbarWidgets.h"

#include "u_CommandTable.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QStyledItemDelegate>

// Remembers the editor it opened, so that an edit under way can be finished from
// outside (ApplyChanges), and edits the first column only.
class TToolbarListView::TDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option,
                          const QModelIndex& Index) const override {
        if (Index.column() != 0)
            return nullptr;
        QWidget* editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
        Editor = editor;
        return editor;
    }

    void Finish() {
        if (QWidget* editor = Editor) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
        Editor = nullptr;
    }

    mutable QPointer<QWidget> Editor;
};

QAction* ToolbarCommand(QWidget* Owner, const char* Name, const char* Caption, const char* Hint,
                        const char* Icon, const QKeySequence& Key) {
    QAction* action = MakeAction(Owner, Name, QString::fromUtf8(Caption),
                                 QStringLiteral("toolbar/%1.svg").arg(QLatin1String(Icon)), Key);
    SetActionHint(action, QString::fromUtf8(Hint));
    action->setIconText(action->text());
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    return action;
}

TToolbarListView::TToolbarListView(QWidget* Parent) : QTreeWidget(Parent), FDelegate(new TDelegate(this)) {
    setItemDelegate(FDelegate);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsMovable(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* Item, int) { emit Activated(indexOfTopLevelItem(Item)); });
}

int TToolbarListView::SelectedRow() const {
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : indexOfTopLevelItem(items.first());
}

void TToolbarListView::SelectRow(int Row) {
    QTreeWidgetItem* item = topLevelItem(Row);
    if (!item) {
        clearSelection();
        return;
    }
    setCurrentItem(item, 0);
    item->setSelected(true);
    scrollToItem(item);
}

void TToolbarListView::EditSelectedCaption() {
    if (QTreeWidgetItem* item = topLevelItem(SelectedRow()))
        editItem(item, 0);
}

void TToolbarListView::FinishEditing() {
    FDelegate->Finish();
}

bool TToolbarListView::Editing() const {
    return state() == QAbstractItemView::EditingState;
}

void TToolbarListView::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_F2 && Event->modifiers() == Qt::NoModifier) {
        EditSelectedCaption();
        return;
    }
    if ((Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) &&
        Event->modifiers() == Qt::NoModifier && SelectedRow() >= 0) {
        emit Activated(SelectedRow());
        return;
    }
    QTreeWidget::keyPressEvent(Event);
}
