// Qt pieces of the toolbar designer's windows: the report-style list with in-place
// caption editing, the idle pass over a window's commands, the commands themselves,
// the designer's pictures and the platform colour numbers as Qt colours.
#pragma once

#include <QColor>
#include <QIcon>
#include <QKeySequence>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <cstdint>
#include <functional>

class QAction;
class QDialog;
class QGridLayout;
class QLabel;
class QPushButton;

// Runs Update each time the event loop is about to wait for events, for as long as
// Owner lives: the one place where a window evaluates its commands' enabling rules.
void ConnectIdleUpdate(QObject* Owner, std::function<void()> Update);

// A command with its caption (also its accessible name), hint and key.
QAction* MakeCommand(QObject* Parent, const char* Name, const char* Caption, const char* Hint,
                     const QKeySequence& Key, const QIcon& Icon);

// A picture of the designer: ":/icons/toolbar/NAME.svg".
QIcon ToolbarIcon(const char* Name);

// A colour number of the platform (red in the low byte; negative numbers are system
// colours, given in the platform's default scheme).
QColor ColorOfNumber(int32_t Color);

// A captioned field of a dialog in row Row of Grid: the label (Caption) before the
// field, the field named Name with Caption as its accessible name.
template <class T>
T* NewLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name) {
    T* field = new T(Parent);
    AddLabelledField(Parent, Grid, Row, Caption, Name, field);
    return field;
}
void AddLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name,
                      QWidget* Field);

// The dialog's "OK" (default, accepts) and "Cancel" (rejects; also Escape) buttons.
void NewOkCancelButtons(QDialog* Dialog, QPushButton*& OK, QPushButton*& Cancel);

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
