// Variables: named texts that pages refer to with "%{" NAME "}". A table is built from
// the text of a variables file ("Variables.xml"), every reference between values is
// resolved at construction, and texts are expanded against the resolved table.
//
// Variables file: "<vars>\r\n", one "<var name=\"NAME\">VALUE</var>\r\n" per variable,
// "</vars>\r\n". A value that is not brandable carries one leading "$".
#pragma once

#include "u_Exception.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "u_CaseBlind.h"

// The most one variable's value may grow to when its references are expanded, and the
// most expanding a text may add to it (16 MB): far above any real book, and what keeps a
// few hundred bytes of references fanning out from taking gigabytes.
constexpr size_t MaxExpandedValue = size_t{16} << 20;

// Raised for a reference cycle among the values, and for a value or text that would
// grow beyond MaxExpandedValue.
class EVariablesError : public Exception {
public:
    using Exception::Exception;
};

// Walks a text for references: "%" directly followed by "{", the name, and the first
// following "}". A character after a lone "%" is consumed without being looked at, so
// "%%{x}" holds no reference. A text ending inside a reference holds no more of them.
// Resumable: each call of Next finds the next complete reference.
class TReferenceScanner {
public:
    explicit TReferenceScanner(std::string_view text) : FText(text) {}
    // True when a reference was found: RefStart is the "%", the name is
    // [NameStart, NameEnd), and scanning goes on after the "}" at NameEnd.
    bool Next(size_t& RefStart, size_t& NameStart, size_t& NameEnd);
    size_t Position() const { return FPos; }

private:
    std::string_view FText;
    size_t FPos = 0;
};

class TVariables {
public:
    // Builds the table from the text of a variables file. StripMarkers removes one
    // leading "$" from every stored value first. Raises EVariablesError on a cycle and
    // for a value that would grow beyond MaxExpandedValue; errors of the XML reader pass
    // through.
    TVariables(const std::string& XmlText, bool StripMarkers);

    bool Exists(const std::string& Name) const;
    // The resolved value; a missing name raises the dictionary's not-found error.
    const std::string& GetValue(const std::string& Name) const;
    // All names, ascending with letter case ignored.
    std::vector<std::string> GetNames() const;
    // Every reference to an existing variable replaced by its value; inserted values
    // are not scanned again. EVariablesError when that would add more than
    // MaxExpandedValue bytes to the text.
    std::string Expand(const std::string& Text) const;
    // Appends every name referred to in Text that Names does not hold yet (letter case
    // ignored), in order of first appearance. Empty names count.
    static void CollectReferences(const std::string& Text, std::vector<std::string>& Names);

    size_t Count() const { return FTable.size(); }

private:
    void Resolve();

    std::map<std::string, std::string, CaseBlindLess> FTable;
};

// The text of a variables file; a not brandable variable's value gets its "$" marker.
struct TVariableEntry {
    std::string Name;
    std::string Value;
    bool AllowBranding = false;
};
std::string BuildVariablesXml(const std::vector<TVariableEntry>& Entries);
