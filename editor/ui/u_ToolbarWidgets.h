// Pieces of the toolbar designer's windows: their commands, and the report-style list
// with in-place caption editing.
#pragma once

#include <QKeySequence>
#include <QTreeWidget>

class QAction;

// A command of the designer's windows (MakeAction) with its hint and the picture
// ":/icons/toolbar/ICON.svg". Its tool buttons show the caption as it stands
// ("Load..."), and its keys are the window's own: other document windows in the main
// window have keys of their own.
QAction* ToolbarCommand(QWidget* Owner, const char* Name, const char* Caption, const char* Hint,
                        const char* Icon, const QKeySequence& Key = {});

// A list of rows with columns whose first column is edited in place with F2 (never
// by a click), Enter and a double click reported as Activated.
class TToolbarListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TToolbarListView(QWidget* Parent = nullptr);

    // The selected row, -1 for none; selecting a row makes it current and visible.
    int SelectedRow() const;
    void SelectRow(int Row);
    // Starts editing the first column of the selected row.
    void EditSelectedCaption();
    // Ends an in-place edit that is under way, keeping what was typed.
    void FinishEditing();
    bool Editing() const;

signals:
    // Enter on a row, or a double click on it.
    void Activated(int Row);

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    class TDelegate;
    TDelegate* FDelegate;
};
