#include "frm_SelectStoryItem.h"

#include "u_Controls.h"
#include "u_Project.h"

#include <QDialogButtonBox>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

TProjectItemInfo* ItemOf(const QTreeWidgetItem* Entry) {
    return Entry ? static_cast<TProjectItemInfo*>(Entry->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

} // namespace

TfrmSelectStoryItem::TfrmSelectStoryItem(const TStory& Story, QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmSelectStoryItem"));
    setWindowTitle(QStringLiteral("Select Story Item"));
    auto* layout = new QVBoxLayout(this);
    tvStory = new QTreeWidget(this);
    SetControlName(tvStory, "tvStory", QStringLiteral("Story"));
    tvStory->setHeaderHidden(true);
    tvStory->setMinimumSize(320, 300);
    for (const auto& item : Story.Children())
        AddItems(nullptr, item.get());
    tvStory->expandAll();

    btnsOKCancel = NewOKCancelButtons(this);
    layout->addWidget(tvStory, 1);
    layout->addWidget(btnsOKCancel);

    connect(tvStory, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* Entry) {
        if (ItemOf(Entry) && ItemOf(Entry)->IsPage())
            accept();
    });
    FitDialogToLayout(this);
}

void TfrmSelectStoryItem::AddItems(QTreeWidgetItem* Parent, const TProjectItemInfo* Item) {
    auto* entry = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(tvStory);
    entry->setText(0, QString::fromStdString(Item->Name));
    entry->setIcon(0, style()->standardIcon(Item->IsPage() ? QStyle::SP_FileIcon : QStyle::SP_DirIcon));
    entry->setData(0, Qt::UserRole,
                   QVariant::fromValue(static_cast<void*>(const_cast<TProjectItemInfo*>(Item))));
    for (const auto& child : Item->Children())
        AddItems(entry, child.get());
}

TProjectItemInfo* TfrmSelectStoryItem::SelectedItem() const {
    const QList<QTreeWidgetItem*> selected = tvStory->selectedItems();
    return selected.isEmpty() ? nullptr : ItemOf(selected.first());
}

void TfrmSelectStoryItem::SelectItem(const TProjectItemInfo* Item) {
    for (QTreeWidgetItemIterator it(tvStory); *it; ++it)
        if (ItemOf(*it) == Item) {
            tvStory->setCurrentItem(*it);
            return;
        }
}

void TfrmSelectStoryItem::accept() {
    const TProjectItemInfo* item = SelectedItem();
    if (!item || !item->IsPage())
        return;
    QDialog::accept();
}

TProjectItemInfo* SelectStoryItem(QWidget* Parent, const TStory& Story) {
    TfrmSelectStoryItem dialog(Story, Parent);
    return dialog.exec() == QDialog::Accepted ? dialog.SelectedItem() : nullptr;
}
