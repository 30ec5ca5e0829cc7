// The variables window: its table's rules (loading every child, the "$" marker, the
// column limit, the file text and its escape), the project scan, the grid's behaviour,
// and the window over a project without the main window.
#include "c_MXDBGrid.h"
#include "frm_Variables.h"
#include "u_CommandTable.h"
#include "u_Compile.h"
#include "u_Dialogs.h"
#include "u_MFSCab.h"
#include "u_Resources.h"
#include "u_Variables.h"
#include "ui_helpers.h"

#include <QAccessible>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const std::string FileName = "\\Variables.xml";

std::string FileOf(const std::vector<std::pair<std::string, std::string>>& Vars) {
    std::string text = "<vars>\r\n";
    for (const auto& [name, stored] : Vars)
        text += "<var name=\"" + name + "\">" + stored + "</var>\r\n";
    return text + "</vars>\r\n";
}

// Sends a press and a release of the left button at a cell of the grid.
void ClickCell(TMXDBGrid& Grid, int Row, int Column) {
    const QPoint at = Grid.visualRect(Grid.model()->index(Row, Column)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, Grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Grid.viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Grid.viewport(), &release);
}

void Key(QWidget& Widget, int KeyCode, Qt::KeyboardModifiers Modifiers = Qt::NoModifier,
         const QString& Text = {}) {
    QKeyEvent press(QEvent::KeyPress, KeyCode, Modifiers, Text);
    QApplication::sendEvent(&Widget, &press);
    QKeyEvent release(QEvent::KeyRelease, KeyCode, Modifiers, Text);
    QApplication::sendEvent(&Widget, &release);
}

void Wheel(TMXDBGrid& Grid, int Delta) {
    const QPointF at(10, 10);
    QWheelEvent wheel(at, Grid.viewport()->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, Delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Grid.viewport(), &wheel);
}

// A project open in a core, with the questions and messages answered and recorded.
class VariablesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Core.Project().NewProject();
        Core.Project().SetVariablesScanPending(false);
        SetDialogAnswerer([this](TDialogRequest& Request) {
            Asked.push_back(Request.Text);
            return Answer;
        });
    }
    void TearDown() override {
        SetDialogAnswerer(nullptr);
        for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
            window->CloseWithoutSaving();
        ProcessEvents();
    }

    void SetVariables(const std::string& Text) {
        Core.Project().SystemStore().Session()->CreateFile(FileName, 0, true)->Content = Text;
    }
    std::string Variables() { return Core.Project().SystemStore().Session()->OpenFile(FileName)->Content; }
    TfrmVariables* Open() {
        TfrmVariables* window = ShowVariablesWindow(Core);
        ProcessEvents();
        return window;
    }
    std::vector<std::string> Names(const TVariablesTable& Table) {
        std::vector<std::string> names;
        for (const TVariableRow& row : Table.Rows())
            names.push_back(row.VariableName);
        return names;
    }

    TEditorCore Core;
    std::vector<std::string> Asked;
    QMessageBox::StandardButton Answer = QMessageBox::Ok;
};

TEST(VariablesTable, LoadsEveryChildWithTheMarkerRuleAndTheColumnLimit) {
    const std::string long150(150, 'x');
    std::vector<TVariableRow> rows;
    EXPECT_TRUE(ReadVariableRows(FileOf({{"Price", "$"},
                                         {"Name", "Ann"},
                                         {"name", "$Bea"},
                                         {"", "nameless"},
                                         {"Long", long150},
                                         {long150, "$" + long150}}) +
                                     "",
                                 rows));
    ASSERT_EQ(rows.size(), 6u);
    // "$" alone: an empty value that is not brandable.
    EXPECT_EQ(rows[0], (TVariableRow{"Price", "", false}));
    // Duplicates (letter case ignored) and empty names are rows of their own, in file order.
    EXPECT_EQ(rows[1], (TVariableRow{"Name", "Ann", true}));
    EXPECT_EQ(rows[2], (TVariableRow{"name", "Bea", false}));
    EXPECT_EQ(rows[3], (TVariableRow{"", "nameless", true}));
    // 150 characters are cut to 100, names as well as values (the marker is not counted).
    EXPECT_EQ(rows[4].VariableValue, std::string(100, 'x'));
    EXPECT_EQ(rows[5], (TVariableRow{std::string(100, 'x'), std::string(100, 'x'), false}));

    // The cut never splits a character: 99 letters and a two-byte letter make 100.
    const std::string umlaut = "\xC3\xA4";
    EXPECT_EQ(CutVariableText(std::string(99, 'a') + umlaut + "b"), std::string(99, 'a') + umlaut);

    // A missing name attribute gives an empty name; an unreadable file keeps the rows read so far.
    rows.clear();
    EXPECT_FALSE(
        ReadVariableRows("<vars>\r\n<var name=\"A\">1</var>\r\n<var>2</var>\r\n<var name=\"C\">3 < 4</var>"
                         "<var name=\"D\">4</var></vars>",
                         rows));
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], (TVariableRow{"A", "1", true}));
    EXPECT_EQ(rows[1], (TVariableRow{"", "2", true}));
    rows.clear();
    EXPECT_TRUE(ReadVariableRows("", rows));
    EXPECT_TRUE(rows.empty());
}

TEST(VariablesTable, FileTextReadsBackAsTyped) {
    const std::vector<TVariableRow> rows = {
        {"Price", "", false},         {"Offer", "$5 off", true}, {"Say \"hi\"", "a < b & c > d", true},
        {"Path", "C:\\Books", false}, {"Twice", "first", true},  {"TWICE", "second", true}};
    const std::string text = VariablesFileText(rows);
    // Values that need no escape stand as typed; "<" and "\" get the reader's escape.
    EXPECT_EQ(text, "<vars>\r\n"
                    "<var name=\"Price\">$</var>\r\n"
                    "<var name=\"Offer\">$5 off</var>\r\n"
                    "<var name=\"Say \"\"hi\"\"\">a \\< b & c > d</var>\r\n"
                    "<var name=\"Path\">$C:\\\\Books</var>\r\n"
                    "<var name=\"Twice\">first</var>\r\n"
                    "<var name=\"TWICE\">second</var>\r\n"
                    "</vars>\r\n");

    // Read back the way previews and books read it.
    TVariables table(text, true);
    EXPECT_EQ(table.GetValue("Say \"hi\""), "a < b & c > d");
    EXPECT_EQ(table.GetValue("Path"), "C:\\Books");
    EXPECT_EQ(table.GetValue("Price"), "");
    // A brandable value typed with a leading "$" reads back as not brandable without it.
    EXPECT_EQ(table.GetValue("Offer"), "5 off");
    // Both duplicates are written; the table keeps the first.
    EXPECT_EQ(table.GetValue("twice"), "first");

    // And the window's own reading gives back the same rows, but for the "$5 off" rule.
    std::vector<TVariableRow> again;
    ASSERT_TRUE(ReadVariableRows(text, again));
    std::vector<TVariableRow> expected = rows;
    expected[1] = {"Offer", "5 off", false};
    EXPECT_EQ(again, expected);
}

TEST(VariablesTable, PendingRowsAndChanges) {
    TVariablesTable table;
    int changes = 0;
    table.OnChange = [&] { ++changes; };
    table.Load(FileOf({{"A", "1"}, {"B", "2"}}));
    EXPECT_EQ(changes, 0);

    // A new row the grid starts is not written and goes when left untouched.
    EXPECT_EQ(table.BeginNewRow(2), 2);
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table.FileText(), FileOf({{"A", "1"}, {"B", "2"}}));
    EXPECT_EQ(table.Find(""), -1);
    EXPECT_TRUE(table.EndNewRow());
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(changes, 0);

    // Once a cell of it changes it is an ordinary row.
    table.BeginNewRow(0);
    EXPECT_TRUE(table.SetName(0, "C"));
    EXPECT_EQ(table.PendingRow(), -1);
    EXPECT_FALSE(table.EndNewRow());
    EXPECT_EQ(table.FileText(), FileOf({{"C", ""}, {"A", "1"}, {"B", "2"}}));
    EXPECT_EQ(changes, 1);

    // Typing the same text again is no change; toggling twice returns to the first state.
    EXPECT_FALSE(table.SetValue(1, "1"));
    table.ToggleBranding(1);
    table.ToggleBranding(1);
    EXPECT_TRUE(table.Row(1).AllowBranding);
    EXPECT_EQ(changes, 3);
    table.Delete(0);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(table.Insert(99, TVariableRow{std::string(120, 'n'), "v", false}), 2);
    EXPECT_EQ(table.Row(2).VariableName.size(), 100u);
    // A long name is found the way the table holds it.
    EXPECT_FALSE(table.IsMissing(std::string(120, 'n')));
    EXPECT_TRUE(table.IsMissing(std::string(99, 'n')));
    EXPECT_FALSE(table.IsMissing("a"));
}

TEST(VariablesTable, ProjectReferencesInOrderOnce) {
    TEditorCore core(nullptr, false, false);
    TBookProject& project = core.Project();
    project.NewProject();
    project.FilesStore().Clear();
    project.SystemStore().Clear();
    TMFSSession* files = project.FilesStore().Session();
    files->ForceFolders("\\b");
    files->CreateFile("\\b\\page.htm", 0, false)->Content = "%{InFolder} %{title}";
    files->CreateFile("\\a.HTML", 0, false)->Content = "%{First}%{TITLE}";
    files->CreateFile("\\c.png", 0, false)->Content = "%{NotText}";
    files->CreateFile("\\d.css", 0, false)->Content = "%{Css}";
    project.SystemStore().Session()->CreateFile("\\Toolbar.xml", 0, false)->Content = "%{Sys}%{first}";
    project.Options().ApplicationTitle = "%{AppTitle}";
    project.Options().MainFormCaption = "%{}%{Caption}";

    QTemporaryDir host;
    const std::string system = host.path().toStdString();
    std::filesystem::create_directories(system + "/Help");
    std::ofstream(system + "/Help/help.htm") << "%{Help}";
    std::ofstream(system + "/Reader.css") << "%{Reader}";
    std::ofstream(system + "/picture.bmp") << "%{NoPicture}";

    EXPECT_EQ(CollectProjectReferences(project, system),
              (std::vector<std::string>{"First", "TITLE", "InFolder", "Css", "Sys", "Help", "Reader",
                                        "AppTitle", "", "Caption"}));
    // A missing "System" folder has nothing; an unreadable file ends the scan with its error.
    EXPECT_EQ(CollectProjectReferences(project, system + "/none").size(), 8u);
    std::filesystem::create_directory(system + "/broken.htm");
    std::filesystem::create_symlink(system + "/nowhere", system + "/dangling.htm");
    EXPECT_THROW(CollectProjectReferences(project, system), std::exception);
}

TEST_F(VariablesWindow, LoadsEditsAndWritesTheStore) {
    SetVariables(
        FileOf({{"Price", "$"}, {"Dup", "one"}, {"dup", "two"}, {"", "x"}, {"Long", std::string(150, 'v')}}));
    TfrmVariables* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Variables");
    EXPECT_TRUE(window->VariablesLoaded());
    EXPECT_EQ(window->Table().Count(), 5);
    EXPECT_EQ(window->dgVariables->CurrentRow(), 0);
    // At most one window: the second call brings the first forward.
    EXPECT_EQ(ShowVariablesWindow(Core), window);

    // Saving without a change writes the file in the window's form, the long value cut.
    Core.Project().SetModified(false);
    window->SaveChanges();
    EXPECT_EQ(
        Variables(),
        FileOf({{"Price", "$"}, {"Dup", "one"}, {"dup", "two"}, {"", "x"}, {"Long", std::string(100, 'v')}}));
    EXPECT_FALSE(Core.Project().Modified());
    EXPECT_TRUE(Core.VariablesChanged());

    // Commands: New inserts a brandable row before the current one, Delete removes the
    // current row without a question; each marks the project modified.
    window->dgVariables->SetCurrentRow(1);
    window->tbtnAddClick();
    EXPECT_TRUE(Core.Project().Modified());
    EXPECT_EQ(window->Table().Row(1), (TVariableRow{"", "", true}));
    EXPECT_EQ(window->dgVariables->CurrentRow(), 1);
    window->tbtnDeleteClick();
    EXPECT_EQ(window->Table().Count(), 5);
    EXPECT_TRUE(Asked.empty());
    window->Commands().Update();
    EXPECT_TRUE(window->tbtnDelete->isEnabled());

    // The values reach the shared table once written: the core asks the window first.
    Core.InvalidateVariables();
    EXPECT_EQ(Core.ProjectVariables().GetValue("DUP"), "one");

    // Closing without saving drops what was not written.
    window->Model().ToggleBranding(1);
    const std::string before = Variables();
    window->CloseWithoutSaving();
    ProcessEvents();
    EXPECT_EQ(Variables(), before);
    EXPECT_EQ(FindChildWindow<TfrmVariables>(), nullptr);
}

TEST_F(VariablesWindow, AnUnreadableFileIsNotCutShortByOpeningTheWindow) {
    const std::string broken = "<vars>\r\n<var name=\"A\">1</var>\r\n<var name=\"B\">x < y</var>\r\n"
                               "<var name=\"C\">3</var>\r\n</vars>\r\n";
    SetVariables(broken);
    TfrmVariables* window = Open();
    EXPECT_GE(window->Table().Count(), 1);
    window->SaveChanges();
    EXPECT_EQ(Variables(), broken);
    // Once the author changes the table, the table is what gets written.
    window->Model().ToggleBranding(0);
    window->SaveChanges();
    EXPECT_NE(Variables().find("<var name=\"A\">$1</var>"), std::string::npos);
}

TEST_F(VariablesWindow, CellClicksToggleBrandingAndSwitchEditing) {
    SetVariables(FileOf({{"A", "1"}, {"B", "$2"}}));
    TfrmVariables* window = Open();
    TMXDBGrid& grid = *window->dgVariables;
    EXPECT_EQ(grid.columnWidth(0), 220);
    EXPECT_EQ(grid.columnWidth(1), 214);
    EXPECT_EQ(grid.columnWidth(2), 100);
    EXPECT_FALSE(grid.Editing());
    Core.Project().SetModified(false);

    ClickCell(grid, 0, TVariablesModel::colAllowBranding);
    EXPECT_FALSE(window->Table().Row(0).AllowBranding);
    EXPECT_TRUE(Core.Project().Modified());
    ClickCell(grid, 0, TVariablesModel::colAllowBranding);
    EXPECT_TRUE(window->Table().Row(0).AllowBranding);
    EXPECT_FALSE(grid.Editing());
    // The check column is never text: no editor opens on it, typing changes nothing.
    Key(grid, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    EXPECT_EQ(grid.findChildren<QLineEdit*>().size(), 0);
    EXPECT_EQ(grid.model()->index(0, 2).data(Qt::DisplayRole).toString(), QString());
    // Space is the keyboard's click.
    Key(grid, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_FALSE(window->Table().Row(0).AllowBranding);

    // A click on a name switches editing on; typed text is cut at 100 characters.
    ClickCell(grid, 1, TVariablesModel::colName);
    EXPECT_TRUE(grid.Editing());
    EXPECT_EQ(grid.CurrentRow(), 1);
    grid.edit(grid.currentIndex());
    ProcessEvents();
    auto* editor = grid.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->maxLength(), 100);
    editor->setText(QString(150, QLatin1Char('n')));
    // An edit in progress is posted by the save.
    window->SaveChanges();
    EXPECT_EQ(window->Table().Row(1).VariableName, std::string(100, 'n'));
    EXPECT_NE(Variables().find("<var name=\"" + std::string(100, 'n') + "\">$2</var>"), std::string::npos);
}

TEST_F(VariablesWindow, GridWheelKeysAndNewRows) {
    SetVariables(FileOf({{"A", "1"}, {"B", "2"}, {"C", "3"}}));
    TfrmVariables* window = Open();
    TMXDBGrid& grid = *window->dgVariables;
    grid.setFocus();

    // One wheel step moves one row, never past the ends.
    Wheel(grid, -120);
    EXPECT_EQ(grid.CurrentRow(), 1);
    Wheel(grid, -240);
    EXPECT_EQ(grid.CurrentRow(), 2);
    Wheel(grid, 360);
    EXPECT_EQ(grid.CurrentRow(), 0);
    // Half steps add up.
    Wheel(grid, -60);
    EXPECT_EQ(grid.CurrentRow(), 0);
    Wheel(grid, -60);
    EXPECT_EQ(grid.CurrentRow(), 1);
    int downs = 0;
    grid.OnMouseWheelDown = [&] { ++downs; };
    Wheel(grid, -120);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(grid.CurrentRow(), 1);
    grid.OnMouseWheelDown = nullptr;

    // Ctrl+Del asks the grid's question: Cancel keeps the row, OK deletes it.
    Answer = QMessageBox::Cancel;
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(Asked, std::vector<std::string>{"Delete record?"});
    EXPECT_EQ(window->Table().Count(), 3);
    Answer = QMessageBox::Ok;
    Key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Names(window->Table()), (std::vector<std::string>{"A", "C"}));

    // With editing on, Down on the last row starts a new row; left untouched it goes
    // when another row becomes current, and when the grid loses the focus.
    grid.SetEditing(true);
    grid.SetCurrentRow(1);
    Core.Project().SetModified(false);
    Key(grid, Qt::Key_Down);
    EXPECT_EQ(window->Table().Count(), 3);
    EXPECT_EQ(window->Table().PendingRow(), 2);
    EXPECT_EQ(grid.CurrentRow(), 2);
    Key(grid, Qt::Key_Up);
    ProcessEvents();
    EXPECT_EQ(window->Table().Count(), 2);
    Key(grid, Qt::Key_Insert);
    EXPECT_EQ(window->Table().PendingRow(), 1);
    window->SaveChanges();
    EXPECT_EQ(Variables(), FileOf({{"A", "1"}, {"C", "3"}}));
    // The focus leaves the grid for another control: the untouched row goes, and
    // nothing of this marked the project modified.
    emit grid.FocusLeft();
    EXPECT_EQ(window->Table().Count(), 2);
    EXPECT_EQ(window->Table().PendingRow(), -1);
    EXPECT_FALSE(Core.Project().Modified());
}

TEST_F(VariablesWindow, ScanAddsMissingNamesCaseBlindAndOnce) {
    SetVariables(FileOf({{"TITLE", "$Book"}}));
    TMFSSession* files = Core.Project().FilesStore().Session();
    files->CreateFile("\\Scan.htm", 0, false)->Content = "%{Title} %{New} %{new} %{} %{}";
    Core.Project().Options().ApplicationTitle = "";
    Core.Project().Options().MainFormCaption = "%{OnlyInCaption}";
    TfrmVariables* window = Open();
    Core.Project().SetModified(false);
    window->ScanProject();
    const std::vector<std::string> names = Names(window->Table());
    // Title matches TITLE; New once; the empty name once; the caption's name at the end
    // (after the names of the default pages and the shipped "System" folder).
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names.front(), "TITLE");
    EXPECT_EQ(std::count(names.begin(), names.end(), "New") + std::count(names.begin(), names.end(), "new"),
              1);
    EXPECT_EQ(std::count(names.begin(), names.end(), ""), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Title"), 0);
    EXPECT_EQ(names.back(), "OnlyInCaption");
    EXPECT_EQ(window->Table().Row(window->Table().Count() - 1), (TVariableRow{"OnlyInCaption", "", true}));
    EXPECT_TRUE(Core.Project().Modified());
    // The shared table sees the new rows: the scan told the core, which asks the window to write.
    EXPECT_TRUE(Core.ProjectVariables().Exists("New"));
    EXPECT_NE(Variables().find("<var name=\"New\"></var>"), std::string::npos);

    // A second scan adds nothing.
    const int count = window->Table().Count();
    window->ScanProject();
    EXPECT_EQ(window->Table().Count(), count);
}

TEST_F(VariablesWindow, ScanRequestsAndACycle) {
    SetVariables(FileOf({{"A", "%{B}"}, {"B", "%{A}"}}));
    Core.Project().Options().MainFormCaption = "%{Fresh}";
    // A pending scan runs when the window is shown; the cycle ends it with its message.
    Core.Project().SetVariablesScanPending(true);
    TfrmVariables* window = Open();
    EXPECT_FALSE(Core.Project().VariablesScanPending());
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0], "Cycling reference encountered during loading variable \"A\"");
    EXPECT_EQ(window->Table().Count(), 2);

    // Mended, a scan request from the main window arrives after the current command.
    window->Model().removeRow(1);
    Asked.clear();
    Core.SetVariablesScanPending(true);
    EXPECT_EQ(window->Table().Find("Fresh"), -1);
    ProcessEvents();
    EXPECT_TRUE(Asked.empty());
    EXPECT_GE(window->Table().Find("Fresh"), 0);
}

TEST_F(VariablesWindow, LeavingTheWindowWritesAndKeepsTheCurrentRow) {
    QMdiArea area;
    area.resize(900, 600);
    SetDocumentWindowHost(&area);
    area.show();
    SetVariables(FileOf({{"A", "1"}, {"B", "2"}, {"C", "3"}}));
    TfrmVariables* window = Open();
    window->dgVariables->SetCurrentRow(2);
    window->Model().ToggleBranding(2);
    QWidget other;
    QMdiSubWindow* frame = area.addSubWindow(&other);
    frame->show();
    area.setActiveSubWindow(frame);
    ProcessEvents();
    EXPECT_EQ(Variables(), FileOf({{"A", "1"}, {"B", "2"}, {"C", "$3"}}));
    EXPECT_EQ(window->dgVariables->CurrentRow(), 2);
    area.removeSubWindow(&other);
    SaveScreenshot(&area, "variables-hosted.png");
    window->CloseWithoutSaving();
    ProcessEvents();
    SetDocumentWindowHost(nullptr);
}

TEST_F(VariablesWindow, ValuesWithMarkupSurviveSaveAndCompile) {
    const std::string reader = std::string(QUARVEL_BIN_DIR) + "/Pagelamp.exe";
    if (!std::filesystem::exists(reader))
        GTEST_SKIP() << "no reader program";
    SetVariables(FileOf({}));
    TfrmVariables* window = Open();
    window->Model().InsertPosted(0, TVariableRow{"Motto", "Fish & <b>chips</b> \\ more", true});
    window->Model().InsertPosted(1, TVariableRow{"Fixed", "<i>", false});
    window->SaveChanges();
    {
        TVariables table(Variables(), true);
        EXPECT_EQ(table.GetValue("Motto"), "Fish & <b>chips</b> \\ more");
        EXPECT_EQ(table.GetValue("Fixed"), "<i>");
    }
    QTemporaryDir out;
    TCompileSettings settings;
    settings.OutputFile = out.filePath("book.exe").toStdString();
    Core.ApplyChangesOfAll();
    CompileProject(Core.Project(), settings);
    TMFS system;
    UnpackStore(system, ReadResource(settings.OutputFile, "RCDATA", SystemResourceName));
    // The book's reader builds its table with the markers kept.
    TVariables book(system.Session()->OpenFile("\\Variables.xml")->Content, false);
    EXPECT_EQ(book.GetValue("Motto"), "Fish & <b>chips</b> \\ more");
    EXPECT_EQ(book.GetValue("Fixed"), "$<i>");
}

TEST_F(VariablesWindow, Screenshot) {
    SetVariables(FileOf({{"Author", "$Ann Smith"},
                         {"BookTitle", "$The Lighthouse"},
                         {"Publisher", "Harbour Press"},
                         {"Website", "www.example.com"}}));
    TfrmVariables* window = Open();
    window->dgVariables->SetCurrentRow(2);
    window->Commands().Update();
    ProcessEvents();
    EXPECT_EQ(window->size(), QSize(572, 384));
    SaveScreenshot(window, "variables.png");
    // Every control the keyboard reaches has a name for screen readers.
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(window)) {
            EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }
}

} // namespace
