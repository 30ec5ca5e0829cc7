#include "c_MXDBGrid.h"

#include "u_Dialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>
#include <QWheelEvent>

#include <algorithm>

const char* const SDeleteRecordQuestion = "Delete record?";

namespace {

// One wheel step is this much of angleDelta (the platform's WHEEL_DELTA).
constexpr int WheelStep = 120;

bool IsWithin(const QWidget* Widget, const QWidget* Ancestor) {
    for (; Widget; Widget = Widget->parentWidget())
        if (Widget == Ancestor)
            return true;
    return false;
}

} // namespace

TGridIndicator::TGridIndicator(QWidget* Parent) : QHeaderView(Qt::Vertical, Parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

QSize TGridIndicator::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setWidth(14);
    return size;
}

void TGridIndicator::paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = Rect;
    option.section = LogicalIndex;
    option.text.clear();
    style()->drawControl(QStyle::CE_HeaderSection, &option, Painter, this);
    if (LogicalIndex != CurrentRow)
        return;
    // A small triangle pointing at the current row.
    const QPointF centre = QRectF(Rect).center();
    QPainterPath triangle;
    triangle.moveTo(centre.x() - 2.5, centre.y() - 4.5);
    triangle.lineTo(centre.x() + 2.5, centre.y());
    triangle.lineTo(centre.x() - 2.5, centre.y() + 4.5);
    triangle.closeSubpath();
    Painter->save();
    Painter->setRenderHint(QPainter::Antialiasing);
    Painter->fillPath(triangle, palette().color(QPalette::ButtonText));
    Painter->restore();
}

TMXDBGrid::TMXDBGrid(QWidget* Parent) : QTableView(Parent), FIndicator(new TGridIndicator(this)) {
    setVerticalHeader(FIndicator);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    setTabKeyNavigation(true);
    setWordWrap(false);
    SetEditing(false);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* Old, QWidget* Now) {
        if (Now && IsWithin(Old, this) && !IsWithin(Now, this))
            emit FocusLeft();
    });
}

void TMXDBGrid::setModel(QAbstractItemModel* Model) {
    QTableView::setModel(Model);
    if (selectionModel())
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TMXDBGrid::CurrentMoved);
    if (Model) {
        connect(Model, &QAbstractItemModel::rowsRemoved, this, &TMXDBGrid::CurrentMoved);
        connect(Model, &QAbstractItemModel::rowsInserted, this, &TMXDBGrid::CurrentMoved);
        connect(Model, &QAbstractItemModel::modelReset, this, &TMXDBGrid::CurrentMoved);
    }
}

void TMXDBGrid::SetEditing(bool Value) {
    FEditing = Value;
    if (!Value && state() == QAbstractItemView::EditingState)
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    setEditTriggers(Value ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                          : QAbstractItemView::NoEditTriggers);
}

void TMXDBGrid::PostEdit() {
    if (state() == QAbstractItemView::EditingState)
        if (QWidget* editor = indexWidget(currentIndex()))
            commitData(editor);
}

int TMXDBGrid::CurrentRow() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TMXDBGrid::SetCurrentRow(int Row) {
    if (!model() || model()->rowCount() == 0)
        return;
    Row = std::clamp(Row, 0, model()->rowCount() - 1);
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model()->index(Row, column));
}

void TMXDBGrid::CurrentMoved() {
    const int row = CurrentRow();
    if (FIndicator->CurrentRow != row) {
        FIndicator->CurrentRow = row;
        FIndicator->viewport()->update();
    }
}

void TMXDBGrid::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton || Event->button() == Qt::RightButton)
        setFocus(Qt::MouseFocusReason);
    QTableView::mousePressEvent(Event);
}

void TMXDBGrid::wheelEvent(QWheelEvent* Event) {
    FWheelRemainder += Event->angleDelta().y();
    while (FWheelRemainder <= -WheelStep || FWheelRemainder >= WheelStep) {
        const bool down = FWheelRemainder < 0;
        FWheelRemainder += down ? WheelStep : -WheelStep;
        if (down && OnMouseWheelDown)
            OnMouseWheelDown();
        else if (!down && OnMouseWheelUp)
            OnMouseWheelUp();
        else if (model() && model()->rowCount() > 0)
            SetCurrentRow(CurrentRow() < 0 ? 0 : CurrentRow() + (down ? 1 : -1));
    }
    Event->accept();
}

void TMXDBGrid::StartNewRow(int Row) {
    if (!model() || !model()->insertRow(Row))
        return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model()->index(Row, column));
}

void TMXDBGrid::keyPressEvent(QKeyEvent* Event) {
    const bool plain = (Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (Event->key() == Qt::Key_Delete && Event->modifiers() == Qt::ControlModifier) {
        const int row = CurrentRow();
        if (row >= 0 && MessageDlg(this, SDeleteRecordQuestion, TMsgDlgType::mtConfirmation,
                                   QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok)
            model()->removeRow(row);
        Event->accept();
        return;
    }
    if (FEditing && plain && state() != QAbstractItemView::EditingState && model()) {
        if (Event->key() == Qt::Key_Insert) {
            StartNewRow(std::max(CurrentRow(), 0));
            Event->accept();
            return;
        }
        if (Event->key() == Qt::Key_Down && CurrentRow() == model()->rowCount() - 1) {
            StartNewRow(model()->rowCount());
            Event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(Event);
}
