#include "u_ToolbarWidgets.h"

#include "u_HTML.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QHeaderView>
#include <QKeyEvent>

#include <memory>

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

void ConnectIdleUpdate(QObject* Owner, std::function<void()> Update) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    // Several nested loops may be about to block in one turn; one pass is enough.
    auto busy = std::make_shared<bool>(false);
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, Owner, [busy, Update] {
        if (*busy)
            return;
        *busy = true;
        Update();
        *busy = false;
    });
}

QAction* MakeCommand(QObject* Parent, const char* Name, const char* Caption, const char* Hint,
                     const QKeySequence& Key, const QIcon& Icon) {
    auto* action = new QAction(Icon, QString::fromUtf8(Caption), Parent);
    action->setObjectName(QString::fromUtf8(Name));
    // Tool buttons show the caption as it stands ("Load..."), not without its dots.
    action->setIconText(QString::fromUtf8(Caption));
    action->setToolTip(QString::fromUtf8(Hint));
    action->setStatusTip(QString::fromUtf8(Hint));
    action->setShortcut(Key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    return action;
}

void AddLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name,
                      QWidget* Field) {
    auto* label = new QLabel(QString::fromUtf8(Caption), Parent);
    Field->setObjectName(QString::fromUtf8(Name));
    Field->setAccessibleName(QString::fromUtf8(Caption));
    label->setBuddy(Field);
    Grid->addWidget(label, Row, 0);
    Grid->addWidget(Field, Row, 1);
}

void NewOkCancelButtons(QDialog* Dialog, QPushButton*& OK, QPushButton*& Cancel) {
    OK = new QPushButton(QStringLiteral("OK"), Dialog);
    OK->setObjectName(QStringLiteral("btnOK"));
    OK->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("Cancel"), Dialog);
    Cancel->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(OK, &QPushButton::clicked, Dialog, &QDialog::accept);
    QObject::connect(Cancel, &QPushButton::clicked, Dialog, &QDialog::reject);
}

QIcon ToolbarIcon(const char* Name) {
    return QIcon(QStringLiteral(":/icons/toolbar/%1.svg").arg(QString::fromUtf8(Name)));
}

QColor ColorOfNumber(int32_t Color) {
    const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(Color));
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
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
