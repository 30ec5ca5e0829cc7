// The variables window: the project's variables ("\Variables.xml" of the system store)
// in a grid of names, values and the "Allow Branding" check, with New, Delete and a
// scan of the whole project for references to variables that no row defines yet.
// At most one is open.
#pragma once

#include "frm_AbstractMDIChild.h"
#include "u_EditorServices.h"
#include "u_VariablesTable.h"

#include <QAbstractTableModel>

class QAction;
class QToolBar;
class TCommandTable;
class TMXDBGrid;

// The grid's model over the window's table. Structural changes go through here so
// that the grid follows them.
class TVariablesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { colName = 0, colValue = 1, colAllowBranding = 2 };

    explicit TVariablesModel(TVariablesTable& Table, QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role) const override;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    // A pending new row (one at a time), as the grid starts it.
    bool insertRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;
    bool removeRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;

    bool Load(const std::string& XmlText);
    // A posted row before Row; returns its index.
    int InsertPosted(int Row, const TVariableRow& Value);
    void ToggleBranding(int Row);
    // Drops the pending row when it is untouched.
    void EndNewRow();
    // Appends a row for every name that no row has; returns how many.
    int AddMissing(const std::vector<std::string>& Names);

private:
    TVariablesTable& FTable;
};

class TfrmVariables : public TfrmAbstractMDIChild, public IVariablesWindow {
    Q_OBJECT
public:
    explicit TfrmVariables(IEditorMain& Main, QWidget* Parent = nullptr);
    ~TfrmVariables() override;

    // Reads the rows from the system store's "\Variables.xml" (created empty when
    // missing), as far as the file can be read.
    void LoadVariables();
    bool VariablesLoaded() const noexcept { return FVariablesLoaded; }

    void ApplyChanges() override;
    void SaveChanges() override;
    void CloseWithoutSaving() override;
    // The scan the project asked for, or the Scan command: a failure is shown.
    void ScanRequested() override;

    // Adds a row for every variable that the project refers to and no row defines.
    // Raises the variables table's cycle error and the file errors of the scan.
    void ScanProject();

    // Handlers.
    void tbtnAddClick();
    void tbtnDeleteClick();
    void dgVariablesCellClick(const QModelIndex& Index);

    TVariablesTable& Table() noexcept { return FTable; }
    TVariablesModel& Model() noexcept { return *FModel; }
    TCommandTable& Commands() noexcept { return *FCommands; }

    // Controls, named as in the window's design.
    QToolBar* tbVariables = nullptr;
    QAction* tbtnAdd = nullptr;
    QAction* tbtnDelete = nullptr;
    QAction* tbtnScan = nullptr;
    TMXDBGrid* dgVariables = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void TableChanged();

    IEditorMain& FMain;
    TVariablesTable FTable;
    TVariablesModel* FModel = nullptr;
    TCommandTable* FCommands = nullptr;
    bool FVariablesLoaded = false;
    // The file could not be read to its end: it is only rewritten once the author
    // changed the table, so that opening the window never cuts a file short.
    bool FLoadIncomplete = false;
    bool FChangedSinceLoad = false;
};

// Brings the open variables window to the front, or creates, loads and shows one (a
// failure frees the new window and passes the error on). When the project asks for a
// scan, the request is cleared and the window scans (a failure of the scan is shown).
TfrmVariables* ShowVariablesWindow(IEditorMain& Main);
