// The editor's data grid: a table view over a row model that behaves like a data-set
// grid. Titles, a row indicator, column and row lines, resizable columns and Tab
// between cells; a mouse press gives the grid the focus first; one wheel step moves
// the current row by one (never past the first or last row) unless the grid's own
// wheel handlers are assigned; cell editing is switched on and off as a whole; Ctrl+Del
// deletes the current row after the grid's confirmation; with editing on, Insert starts
// a new row before the current one and moving down past the last row starts one at
// the end (through the model's insertRows, which may refuse).
#pragma once

#include <QHeaderView>
#include <QTableView>

#include <functional>

class QPainter;

// "Delete record?" — the grid's question before deleting a row from the keyboard.
extern const char* const SDeleteRecordQuestion;

// The row indicator: an empty header with a triangle at the current row.
class TGridIndicator : public QHeaderView {
    Q_OBJECT
public:
    explicit TGridIndicator(QWidget* Parent = nullptr);
    QSize sizeHint() const override;
    int CurrentRow = -1;

protected:
    void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override;
};

class TMXDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TMXDBGrid(QWidget* Parent = nullptr);

    // Called for a wheel step instead of moving the current row, when assigned.
    std::function<void()> OnMouseWheelDown;
    std::function<void()> OnMouseWheelUp;

    bool Editing() const noexcept { return FEditing; }
    // Cell editing on or off; switching it off closes an open editor (keeping its text).
    void SetEditing(bool Value);
    // Takes the text of a cell being typed in into the model; the editor stays open.
    void PostEdit();
    // The current row, or -1.
    int CurrentRow() const;
    // Makes Row (clamped to the rows there are) current, keeping the current column.
    void SetCurrentRow(int Row);

    void setModel(QAbstractItemModel* Model) override;

signals:
    // The keyboard focus left the grid for another control of the program.
    void FocusLeft();

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void StartNewRow(int Row);
    void CurrentMoved();

    TGridIndicator* FIndicator;
    bool FEditing = false;
    int FWheelRemainder = 0;
};
