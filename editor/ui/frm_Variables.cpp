#include "frm_Variables.h"

#include "u_BookLayout.h"
#include "c_MXDBGrid.h"
#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_DocumentWindows.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

namespace {

// Draws the "Allow Branding" column as a check box with no text, and limits typed
// names and values to the column length.
class TVariablesDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override {
        if (Index.column() != TVariablesModel::colAllowBranding) {
            QStyledItemDelegate::paint(Painter, Option, Index);
            return;
        }
        QStyleOptionViewItem cell = Option;
        initStyleOption(&cell, Index);
        cell.text.clear();
        cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, Painter, cell.widget);

        QStyleOptionButton check;
        check.state =
            QStyle::State_Enabled |
            (Index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
        const QRect box = style->subElementRect(QStyle::SE_CheckBoxIndicator, &check, cell.widget);
        check.rect = QRect(QPoint(0, 0), box.size());
        check.rect.moveCenter(Option.rect.center());
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, Painter, cell.widget);
    }

    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option,
                          const QModelIndex& Index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(static_cast<int>(MaxVariableTextLength));
        return editor;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// TVariablesModel

TVariablesModel::TVariablesModel(TVariablesTable& Table, QObject* Parent)
    : QAbstractTableModel(Parent), FTable(Table) {}

int TVariablesModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : FTable.Count();
}

int TVariablesModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : 3;
}

QVariant TVariablesModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.row() >= FTable.Count())
        return {};
    const TVariableRow& row = FTable.Row(Index.row());
    if (Index.column() == colAllowBranding) {
        switch (Role) {
        case Qt::CheckStateRole:
            return row.AllowBranding ? Qt::Checked : Qt::Unchecked;
        case Qt::AccessibleTextRole:
            return row.AllowBranding ? QStringLiteral("Allowed") : QStringLiteral("Not allowed");
        default:
            return {};
        }
    }
    if (Role == Qt::DisplayRole || Role == Qt::EditRole)
        return Q(Index.column() == colName ? row.VariableName : row.VariableValue);
    return {};
}

bool TVariablesModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
    if (!Index.isValid() || Role != Qt::EditRole || Index.column() == colAllowBranding)
        return false;
    const std::string text = Value.toString().toStdString();
    const bool changed =
        Index.column() == colName ? FTable.SetName(Index.row(), text) : FTable.SetValue(Index.row(), text);
    if (changed)
        emit dataChanged(Index, Index);
    return true;
}

QVariant TVariablesModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation == Qt::Vertical || Role != Qt::DisplayRole)
        return {};
    switch (Section) {
    case colName:
        return QStringLiteral("Variable Name");
    case colValue:
        return QStringLiteral("Variable Value");
    case colAllowBranding:
        return QStringLiteral("Allow Branding");
    default:
        return {};
    }
}

Qt::ItemFlags TVariablesModel::flags(const QModelIndex& Index) const {
    if (!Index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (Index.column() != colAllowBranding)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TVariablesModel::insertRows(int Row, int Count, const QModelIndex& Parent) {
    if (Parent.isValid() || Count != 1 || FTable.PendingRow() >= 0 || Row < 0 || Row > FTable.Count())
        return false;
    beginInsertRows({}, Row, Row);
    FTable.BeginNewRow(Row);
    endInsertRows();
    return true;
}

bool TVariablesModel::removeRows(int Row, int Count, const QModelIndex& Parent) {
    if (Parent.isValid() || Row < 0 || Count < 1 || Row + Count > FTable.Count())
        return false;
    beginRemoveRows({}, Row, Row + Count - 1);
    for (int i = 0; i < Count; ++i)
        FTable.Delete(Row);
    endRemoveRows();
    return true;
}

bool TVariablesModel::Load(const std::string& XmlText) {
    beginResetModel();
    const bool complete = FTable.Load(XmlText);
    endResetModel();
    return complete;
}

int TVariablesModel::InsertPosted(int Row, const TVariableRow& Value) {
    EndNewRow();
    Row = std::clamp(Row, 0, FTable.Count());
    beginInsertRows({}, Row, Row);
    FTable.Insert(Row, Value);
    endInsertRows();
    return Row;
}

void TVariablesModel::ToggleBranding(int Row) {
    if (Row < 0 || Row >= FTable.Count())
        return;
    FTable.ToggleBranding(Row);
    const QModelIndex cell = index(Row, colAllowBranding);
    emit dataChanged(cell, cell);
}

void TVariablesModel::EndNewRow() {
    const int pending = FTable.PendingRow();
    if (pending < 0)
        return;
    beginRemoveRows({}, pending, pending);
    FTable.EndNewRow();
    endRemoveRows();
}

int TVariablesModel::AddMissing(const std::vector<std::string>& Names) {
    EndNewRow();
    int added = 0;
    for (const std::string& name : Names)
        if (FTable.IsMissing(name)) {
            InsertPosted(FTable.Count(), TVariableRow{name, std::string(), true});
            ++added;
        }
    return added;
}

// ---------------------------------------------------------------------------
// TfrmVariables

TfrmVariables::TfrmVariables(IEditorMain& Main, QWidget* Parent) : TfrmAbstractMDIChild(Parent), FMain(Main) {
    setObjectName(QStringLiteral("frmVariables"));
    setWindowTitle(QStringLiteral("Variables"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/varpages/variables.svg")));
    resize(572, 384);

    FTable.OnChange = [this] { TableChanged(); };
    FModel = new TVariablesModel(FTable, this);
    FCommands = new TCommandTable(this);

    tbVariables =
        NewToolBar(this, "tbVariables", 20, Qt::ToolButtonIconOnly, QStringLiteral("Variables tools"));
    tbtnAdd = MakeAction(this, "tbtnAdd", QStringLiteral("New Variable"), QStringLiteral("varpages/add.svg"));
    tbtnDelete = MakeAction(this, "tbtnDelete", QStringLiteral("Delete Variable"),
                            QStringLiteral("varpages/delete.svg"));
    tbtnScan = MakeAction(this, "tbtnScan", QStringLiteral("Scan Project For Variables"),
                          QStringLiteral("varpages/scan.svg"));
    for (QAction* action : {tbtnAdd, tbtnDelete, tbtnScan})
        AddToolAction(tbVariables, action);
    FCommands->Connect(tbtnAdd, this, [this] { tbtnAddClick(); });
    FCommands->Connect(tbtnDelete, this, [this] { tbtnDeleteClick(); });
    FCommands->Connect(tbtnScan, this, [this] { ScanRequested(); });
    FCommands->Add(tbtnAdd, {});
    FCommands->Add(tbtnDelete, [this] { return FTable.Count() > 0; });
    FCommands->Add(tbtnScan, {});

    dgVariables = new TMXDBGrid(this);
    SetControlName(dgVariables, "dgVariables", QStringLiteral("Variables"));
    dgVariables->setItemDelegate(new TVariablesDelegate(dgVariables));
    dgVariables->setModel(FModel);
    dgVariables->setColumnWidth(TVariablesModel::colName, 220);
    dgVariables->setColumnWidth(TVariablesModel::colValue, 214);
    dgVariables->setColumnWidth(TVariablesModel::colAllowBranding, 100);
    dgVariables->installEventFilter(this);
    connect(dgVariables, &QAbstractItemView::clicked, this, &TfrmVariables::dgVariablesCellClick);
    // A new row left untouched goes when the grid loses the focus or another row becomes current.
    connect(dgVariables, &TMXDBGrid::FocusLeft, this, [this] { FModel->EndNewRow(); });
    connect(dgVariables->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& Current, const QModelIndex& Previous) {
                const int pending = FTable.PendingRow();
                if (pending >= 0 && Previous.row() == pending && Current.row() != pending)
                    QMetaObject::invokeMethod(
                        this, [this] { FModel->EndNewRow(); }, Qt::QueuedConnection);
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbVariables);
    layout->addWidget(dgVariables);

    new TDocumentActivation(this, [this](bool Active) {
        if (!Active)
            Guarded(this, [this] { SaveChanges(); });
    });
}

TfrmVariables::~TfrmVariables() = default;

void TfrmVariables::LoadVariables() {
    FLoadIncomplete = !FModel->Load(FMain.Project().VariablesText());
    FChangedSinceLoad = false;
    FVariablesLoaded = true;
    if (FTable.Count() > 0)
        dgVariables->setCurrentIndex(FModel->index(0, TVariablesModel::colName));
}

void TfrmVariables::ApplyChanges() {
    if (FVariablesLoaded)
        SaveChanges();
}

void TfrmVariables::SaveChanges() {
    if (FVariablesLoaded) {
        // A cell being typed in is posted first.
        dgVariables->PostEdit();
        // Every change reached the project when it was made: what is written here is
        // the window's own form of the same variables, no change to save.
        if (!FLoadIncomplete || FChangedSinceLoad)
            FMain.Project().SetVariablesText(FTable.FileText(), false);
    }
    FMain.InvalidateVariables();
}

void TfrmVariables::CloseWithoutSaving() {
    FVariablesLoaded = false;
    TfrmAbstractMDIChild::CloseWithoutSaving();
}

void TfrmVariables::ScanRequested() {
    Guarded(this, [this] { ScanProject(); });
}

void TfrmVariables::ScanProject() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TCursorRestore {
        ~TCursorRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    FModel->EndNewRow();
    FMain.SaveChangesOfAll();
    // Building the shared table finds a reference cycle: the scan ends with its message.
    FMain.ProjectVariables();
    FModel->AddMissing(CollectProjectReferences(FMain.Project(), ProgramFolder() + "System"));
}

void TfrmVariables::tbtnAddClick() {
    const int row = FModel->InsertPosted(std::max(dgVariables->CurrentRow(), 0), TVariableRow());
    dgVariables->setCurrentIndex(FModel->index(row, TVariablesModel::colName));
    dgVariables->setFocus();
}

void TfrmVariables::tbtnDeleteClick() {
    if (FTable.Count() == 0)
        return;
    const int row = dgVariables->CurrentRow();
    FModel->removeRow(row < 0 ? 0 : row);
}

void TfrmVariables::dgVariablesCellClick(const QModelIndex& Index) {
    if (!Index.isValid())
        return;
    if (Index.column() == TVariablesModel::colAllowBranding) {
        dgVariables->SetEditing(false);
        FModel->ToggleBranding(Index.row());
    } else {
        dgVariables->SetEditing(true);
    }
}

bool TfrmVariables::eventFilter(QObject* Watched, QEvent* Event) {
    // Space on the check column toggles it, the keyboard's way to do what a click does.
    if (Watched == dgVariables && Event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(Event);
        const QModelIndex current = dgVariables->currentIndex();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && current.isValid() &&
            current.column() == TVariablesModel::colAllowBranding) {
            FModel->ToggleBranding(current.row());
            return true;
        }
    }
    return TfrmAbstractMDIChild::eventFilter(Watched, Event);
}

void TfrmVariables::TableChanged() {
    FChangedSinceLoad = true;
    // The table is the variables file: the project holds every change at once (and
    // is marked modified by it).
    if (FVariablesLoaded)
        FMain.Project().SetVariablesText(FTable.FileText());
    FMain.InvalidateVariables();
}

TfrmVariables* ShowVariablesWindow(IEditorMain& Main) {
    TfrmVariables* window = ShowSingleDocumentWindow<TfrmVariables>([&Main] {
        auto fresh = std::make_unique<TfrmVariables>(Main);
        fresh->LoadVariables();
        return fresh;
    });
    if (Main.Project().VariablesScanPending()) {
        Main.SetVariablesScanPending(false);
        window->ScanRequested();
    }
    return window;
}

namespace {

const TEditorWindowRegistration registration([](TEditorWindowTable& Table) {
    Table.OpenVariables = GuardedWindowOpener(ShowVariablesWindow);
});

} // namespace
