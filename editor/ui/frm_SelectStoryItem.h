// "Select Story Item": a copy of the story tree; OK is accepted only on a page.
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QTreeWidget;
class QTreeWidgetItem;
class TProjectItemInfo;
class TStory;

class TfrmSelectStoryItem : public QDialog {
    Q_OBJECT
public:
    TfrmSelectStoryItem(const TStory& Story, QWidget* Parent = nullptr);

    QTreeWidget* tvStory = nullptr;
    QDialogButtonBox* btnsOKCancel = nullptr;

    // The story item of the selected entry, none when nothing is selected.
    TProjectItemInfo* SelectedItem() const;
    // Selects the entry of a story item.
    void SelectItem(const TProjectItemInfo* Item);

    void accept() override;

private:
    void AddItems(QTreeWidgetItem* Parent, const TProjectItemInfo* Item);
};

// Shows the window; the chosen page, none when cancelled.
TProjectItemInfo* SelectStoryItem(QWidget* Parent, const TStory& Story);
