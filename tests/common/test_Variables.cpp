#include "u_Dictionary.h"
#include "u_Variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::string File(const std::vector<std::pair<std::string, std::string>>& vars) {
    std::string text = "<vars>\r\n";
    for (const auto& [name, value] : vars)
        text += "<var name=\"" + name + "\">" + value + "</var>\r\n";
    return text + "</vars>\r\n";
}

std::vector<std::string> Refs(const std::string& text) {
    std::vector<std::string> names;
    TVariables::CollectReferences(text, names);
    return names;
}
} // namespace

TEST(Variables, LookupAndExpansionIgnoreCase) {
    TVariables v(File({{"TITLE", "My Book"}, {"name", "World"}, {"Greeting", "Hello %{NAME}"}}), true);
    EXPECT_TRUE(v.Exists("title"));
    EXPECT_EQ(v.GetValue("greeting"), "Hello World");
    EXPECT_EQ(v.Expand("<h1>%{Title}</h1>"), "<h1>My Book</h1>");
    EXPECT_EQ(v.Expand("%{Missing} and %{title}"), "%{Missing} and My Book");
    EXPECT_EQ(v.Expand("no references"), "no references");
    // The inserted value is not scanned again: "%" followed by "{B}" opens nothing.
    TVariables w(File({{"P", "%"}, {"B", "x"}}), true);
    EXPECT_EQ(w.Expand("%{P}{B}"), "%{B}");
}

TEST(Variables, ScannerCornerCases) {
    TVariables v(File({{"A", "1"}, {"B", "2"}, {"", "empty"}}), true);
    // Two percent signs: the second is consumed unseen and opens nothing.
    EXPECT_EQ(v.Expand("%%{A}"), "%%{A}");
    // A percent sign followed by a third character, then a proper reference.
    EXPECT_EQ(v.Expand("%x%{A}"), "%x1");
    EXPECT_EQ(v.Expand("%%%{A}"), "%%1") << "the third % stands after a consumed one";
    // Without its closing brace the reference stays.
    EXPECT_EQ(v.Expand("%{A"), "%{A");
    EXPECT_EQ(v.Expand("tail %"), "tail %");
    // A reference inside a reference: the name runs to the first "}".
    EXPECT_EQ(v.Expand("%{A%{B}}"), "%{A%{B}}");
    // Adjacent references.
    EXPECT_EQ(v.Expand("%{A}%{B}%{a}"), "121");
    EXPECT_EQ(Refs("%{A%{B}}"), (std::vector<std::string>{"A%{B"}));
}

TEST(Variables, ResolutionChainsAndUnknownNames) {
    TVariables v(File({{"A", "[%{B}]"}, {"B", "(%{C})"}, {"C", "c"}, {"D", "%{nope} %{C}"}}), true);
    EXPECT_EQ(v.GetValue("A"), "[(c)]");
    EXPECT_EQ(v.GetValue("D"), "%{nope} c");
    // A chain longer than any call stack would allow when resolved recursively.
    std::vector<std::pair<std::string, std::string>> chain;
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        chain.push_back({"v" + std::to_string(i), i + 1 < n ? "%{v" + std::to_string(i + 1) + "}" : "end"});
    TVariables c(File(chain), true);
    EXPECT_EQ(c.GetValue("v0"), "end");
}

TEST(Variables, CyclesFailTheConstruction) {
    try {
        TVariables v(File({{"A", "%{b}"}, {"B", "%{a}"}}), true);
        FAIL() << "no cycle reported";
    } catch (const EVariablesError& e) {
        // Named with the spelling of the reference that led back to it.
        EXPECT_EQ(e.Message(), "Cycling reference encountered during loading variable \"a\"");
    }
    EXPECT_THROW(TVariables(File({{"Self", "x%{SELF}"}}), true), EVariablesError);
    EXPECT_THROW(TVariables(File({{"A", "%{B}"}, {"B", "%{C}"}, {"C", "%{B}"}}), true), EVariablesError);
    // A diamond is no cycle.
    TVariables d(File({{"A", "%{B}%{C}"}, {"B", "%{D}"}, {"C", "%{D}"}, {"D", "d"}}), true);
    EXPECT_EQ(d.GetValue("A"), "dd");
}

TEST(Variables, FileReading) {
    // First occurrence wins; elements without a name are skipped; any element name counts;
    // deeper elements are ignored.
    std::string text = "<vars><var name=\"Title\">first</var><var name=\"TITLE\">second</var>"
                       "<var>nameless</var><var name=\"\">empty</var><item Name=\"Other\">o</item>"
                       "<var name=\"Outer\">x</var></vars>";
    TVariables v(text, true);
    EXPECT_EQ(v.GetValue("title"), "first");
    EXPECT_EQ(v.GetNames(), (std::vector<std::string>{"Other", "Outer", "Title"}));
    EXPECT_EQ(TVariables("", true).Count(), 0u);
    EXPECT_THROW(TVariables("<vars><var name=\"a\">x</vars>", true), std::exception);
    try {
        v.GetValue("nope");
        FAIL();
    } catch (const EDictionaryError& e) {
        EXPECT_EQ(e.Message(), "TDictionary.Get_Item - element \"nope\" not found in collection");
    }
}

TEST(Variables, BrandingMarkers) {
    std::string text =
        BuildVariablesXml({{"Memo", "Memo", false}, {"Brand", "$Dollar", true}, {"Ref", "%{memo}", false}});
    EXPECT_EQ(text, "<vars>\r\n<var name=\"Memo\">$Memo</var>\r\n<var name=\"Brand\">$Dollar</var>\r\n"
                    "<var name=\"Ref\">$%{memo}</var>\r\n</vars>\r\n");
    TVariables stripped(text, true);
    EXPECT_EQ(stripped.GetValue("Memo"), "Memo");
    EXPECT_EQ(stripped.GetValue("Brand"), "Dollar") << "a brandable value typed with $ loses it";
    EXPECT_EQ(stripped.GetValue("Ref"), "Memo");
    TVariables marked(text, false);
    EXPECT_EQ(marked.GetValue("Memo"), "$Memo");
    EXPECT_EQ(marked.GetValue("Ref"), "$$Memo");
}

TEST(Variables, ValuesThroughTheFile) {
    std::string text = BuildVariablesXml({{"Path", "C:\\Books", true},
                                          {"Lines", "one\r\ntwo", true},
                                          {"Amp", "a &amp; b", true},
                                          {"Quote\"d", "q", true}});
    TVariables v(text, false);
    EXPECT_EQ(v.GetValue("Path"), "C:Books") << "backslash escapes apply";
    EXPECT_EQ(v.GetValue("Lines"), "one\r\ntwo");
    EXPECT_EQ(v.GetValue("Amp"), "a &amp; b");
    EXPECT_EQ(v.GetValue("Quote\"d"), "q");
}

TEST(Variables, CollectReferences) {
    std::vector<std::string> names{"Title"};
    TVariables::CollectReferences("%{TITLE} %{New} %{new} %{} %{Other}", names);
    EXPECT_EQ(names, (std::vector<std::string>{"Title", "New", "", "Other"}));
}

TEST(Variables, ExpansionIsCappedBeforeItRunsAway) {
    // A few hundred bytes fanning out ten references per level would expand to gigabytes.
    std::vector<TVariableEntry> entries{{"V0", "0123456789", true}};
    for (int level = 1; level < 10; ++level) {
        std::string value;
        for (int i = 0; i < 10; ++i)
            value += "%{V" + std::to_string(level - 1) + "}";
        entries.push_back({"V" + std::to_string(level), value, true});
    }
    const std::string text = BuildVariablesXml(entries);
    EXPECT_LT(text.size(), 720u);
    try {
        TVariables v(text, false);
        FAIL() << "built";
    } catch (const EVariablesError& e) {
        EXPECT_EQ(e.Message(), "The value of variable \"V7\" grows beyond 16777216 bytes when its references "
                               "are expanded");
    }
    // Up to the cap everything expands; a text may grow by the cap, not more.
    const TVariables six(BuildVariablesXml({entries.begin(), entries.begin() + 7}), false);
    EXPECT_EQ(six.GetValue("V6").size(), 10000000u);
    EXPECT_EQ(six.Expand("%{V6}").size(), 10000000u);
    EXPECT_THROW(six.Expand("%{V6}%{V6}"), EVariablesError);
}
