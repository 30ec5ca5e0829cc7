// The variables window's table: the rows of "\Variables.xml" as the author edits them,
// every child of the file kept (duplicate and empty names are rows of their own), the
// branding marker turned into a check column, and the project scan that adds the
// names that pages refer to but no row defines. No user interface here: the window
// shows this table in its grid.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TBookProject;

// Names and values hold at most this many characters.
constexpr std::size_t MaxVariableTextLength = 100;

// The first MaxVariableTextLength characters of Text (UTF-8 sequences are counted as
// one character and never split).
std::string CutVariableText(std::string_view Text);

struct TVariableRow {
    std::string VariableName;
    std::string VariableValue; // without the branding marker
    bool AllowBranding = true;

    bool operator==(const TVariableRow&) const = default;
};

// Reads the rows of a variables file: every child of the root element in file order,
// its attribute "name" (empty when missing) and its text, where a leading "$" marks a
// variable that is not brandable and is not part of the value; texts are cut to the
// column limit. Reading stops at the first error, keeping the rows read so far;
// returns false then.
bool ReadVariableRows(const std::string& XmlText, std::vector<TVariableRow>& Rows);

// The variables file for the rows, in row order: "<vars>", one "<var name=...>" line
// per row with the "$" marker for a row that is not brandable, "</vars>", each line
// ending in CR LF. "<" and "\" in values are written with the reader's backslash
// escape, so that every value reads back as typed; other values stand as typed.
std::string VariablesFileText(const std::vector<TVariableRow>& Rows);

// The names referred to ("%{NAME}") in the texts of the project, each once (letter
// case ignored), in the order found: the text files (IsTextFile) of the files store,
// then of the system store, each folder's children in its order with subfolders
// entered as they come; then the text files below the host folder SystemFolder
// (recursively, names in ascending order; a missing folder has none; a file that
// cannot be read raises the file error); then the book's title and window caption.
std::vector<std::string> CollectProjectReferences(TBookProject& Project, const std::string& SystemFolder);

// The rows in the order loaded or added, with the rules of the window's commands.
// Every change that reaches the file (a posted edit, a new row, a deleted row, a
// toggle) calls OnChange.
//
// A new row that the grid starts (Insert key, moving down past the last row) is
// pending: it becomes an ordinary row as soon as one of its cells is changed, and it
// is dropped when it is left untouched (EndNewRow). An untouched pending row is not
// written.
class TVariablesTable {
public:
    std::function<void()> OnChange;

    int Count() const noexcept { return static_cast<int>(FRows.size()); }
    const TVariableRow& Row(int Index) const { return FRows.at(static_cast<std::size_t>(Index)); }
    const std::vector<TVariableRow>& Rows() const noexcept { return FRows; }

    // Replaces the rows by those of a variables file (no OnChange); false when the
    // file could not be read to its end.
    bool Load(const std::string& XmlText);
    // The file text of the rows, an untouched pending row left out.
    std::string FileText() const;

    // A new posted row before Index (Count appends); texts are cut. Returns its index.
    int Insert(int Index, TVariableRow Row);
    void Delete(int Index);
    // Sets a text cell (cut to the limit); false when it was the same already.
    bool SetName(int Index, std::string_view Text) {
        return SetText(Index, &TVariableRow::VariableName, Text);
    }
    bool SetValue(int Index, std::string_view Text) {
        return SetText(Index, &TVariableRow::VariableValue, Text);
    }
    void ToggleBranding(int Index);

    // Starts a pending row before Index (an earlier pending row ends first). Returns
    // its index.
    int BeginNewRow(int Index);
    // The pending row, or -1.
    int PendingRow() const noexcept { return FPending; }
    // Ends the pending row: dropped when untouched. True when a row was dropped.
    bool EndNewRow();

    // The first row (the pending one aside) whose name equals Name ignoring letter
    // case, or -1.
    int Find(std::string_view Name) const;
    // Whether a scan adds a row for Name: no row has the name as the table would hold it.
    bool IsMissing(std::string_view Name) const { return Find(CutVariableText(Name)) < 0; }

private:
    bool SetText(int Index, std::string TVariableRow::*Field, std::string_view Text);
    void Changed(int Index);

    std::vector<TVariableRow> FRows;
    int FPending = -1;
};
