#include "u_SpaceXMLParser.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

template <class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

std::string LoadError(const std::string& Text) {
    TXMLParser parser;
    return ErrorOf([&] { parser.LoadFromString(Text); });
}

} // namespace

TEST(XMLParser, EmptyOrBlankDocumentGivesEmptyRoot) {
    for (const char* text : {"", " \r\n\t  \n"}) {
        TXMLParser parser;
        parser.LoadFromString(text);
        ASSERT_NE(parser.Root(), nullptr);
        EXPECT_EQ(parser.Root()->Name, "");
        EXPECT_EQ(parser.Root()->Nodes.Count(), 0);
        EXPECT_EQ(parser.Root()->Attributes.Count(), 0);
    }
}

TEST(XMLParser, TreeShapeTextAndIndexes) {
    TXMLParser parser;
    parser.LoadFromString(
        "  <Book Title=\"A\">\r\n  <Chapter Name=\"One\"><Page/>  <Page>p2</Page></Chapter>\r\n"
        "  <Chapter Name=\"Two\"/>tail </Book>  \r\n");
    TXMLNode* root = parser.Root();
    EXPECT_EQ(root->Name, "Book");
    EXPECT_EQ(root->Level, 0);
    EXPECT_EQ(root->Index, 0);
    EXPECT_EQ(root->ParentNodes, nullptr);
    EXPECT_EQ(root->Parent(), nullptr);
    // Text keeps the whitespace between children; the children's own text is not in it.
    EXPECT_EQ(root->Text, "\r\n  \r\n  tail ");
    ASSERT_EQ(root->Nodes.Count(), 2);
    TXMLNode* one = root->Nodes[0];
    EXPECT_EQ(one->Attributes.GetString("name"), "One");
    EXPECT_EQ(one->Level, 1);
    EXPECT_EQ(one->Index, 0);
    EXPECT_EQ(one->Parent(), root);
    EXPECT_EQ(one->Text, "  ");
    ASSERT_EQ(one->Nodes.Count(), 2);
    EXPECT_EQ(one->Nodes[0]->Text, ""); // self-closing
    EXPECT_EQ(one->Nodes[0]->Nodes.Count(), 0);
    EXPECT_EQ(one->Nodes[1]->Text, "p2");
    EXPECT_EQ(one->Nodes[1]->Index, 1);
    EXPECT_EQ(one->Nodes[1]->Level, 2);
    EXPECT_EQ(root->Nodes[1]->Index, 1);
    EXPECT_EQ(root->Nodes.FindNode("CHAPTER"), one);
    EXPECT_EQ(root->Nodes.FindNode("Missing"), nullptr);
    EXPECT_THROW(root->Nodes.Items(2), EListError);
}

TEST(XMLParser, AttributeValueKinds) {
    TXMLParser parser;
    parser.LoadFromString("<a q=\"say \"\"hi\"\"\" n=5 neg=-7 h=$FF big=4294967297 f=1.5 b=True c=FALSE "
                          "z=null e=EMPTY s=\"5\" m=\"line1\nline2\" w='x'#1000 sq='it''s' />");
    const TXMLAttributes& at = parser.Root()->Attributes;
    EXPECT_EQ(at.Find("q")->Value, TXMLValue("say \"hi\""));
    EXPECT_EQ(at.Find("n")->Value, TXMLValue(5));
    EXPECT_EQ(at.Find("neg")->Value.AsInteger(), -7);
    EXPECT_EQ(at.Find("h")->Value.AsInteger(), 255);
    EXPECT_EQ(at.Find("big")->Value.AsInteger(), 1); // cut to the low 32 bits
    EXPECT_EQ(at.Find("f")->Value.Kind(), TXMLValueKind::Double);
    EXPECT_DOUBLE_EQ(at.Find("f")->Value.AsDouble(), 1.5);
    EXPECT_EQ(at.Find("b")->Value, TXMLValue(true));
    EXPECT_EQ(at.Find("c")->Value, TXMLValue(false));
    EXPECT_TRUE(at.Find("z")->Value.IsNull());
    EXPECT_TRUE(at.Find("e")->Value.IsEmpty());
    EXPECT_EQ(at.Find("s")->Value.Kind(), TXMLValueKind::String);
    EXPECT_EQ(at.GetInteger("s", 0), 5); // quoted text still converts
    EXPECT_EQ(at.GetString("m"), "line1\nline2");
    EXPECT_EQ(at.Find("w")->Value.Kind(), TXMLValueKind::WideString);
    EXPECT_EQ(at.Find("w")->Value.AsWideString(), u"x\u03E8");
    EXPECT_EQ(at.GetString("sq"), "it's");
    EXPECT_EQ(at.Count(), 14);
}

TEST(XMLParser, LetterCaseOfNames) {
    TXMLParser parser;
    parser.LoadFromString("<Item Name=\"first\" NAME=\"second\" other=1></ITEM>");
    const TXMLAttributes& at = parser.Root()->Attributes;
    EXPECT_EQ(at.Count(), 2);
    for (const char* n : {"name", "NAME", "Name"})
        EXPECT_EQ(at.GetString(n), "second");
    EXPECT_EQ(at.Find("name")->Name, "Name"); // the first spelling stays
    // Listed in name order, not document order.
    const auto items = at.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->Name, "Name");
    EXPECT_EQ(items[1]->Name, "other");
}

TEST(XMLParser, ElementTextEscapes) {
    TXMLParser parser;
    parser.LoadFromString("<p> a \\<b\\> &amp; \\\\ c\\\n </p>");
    EXPECT_EQ(parser.Root()->Text, " a <b> &amp; \\ c\n ");
    EXPECT_EQ(parser.Root()->Nodes.Count(), 0);
}

TEST(XMLParser, WhitespaceInsideTags) {
    TXMLParser parser;
    parser.LoadFromString("<\n a\n x =\n 1 ><  b  /></ a >");
    EXPECT_EQ(parser.Root()->Name, "a");
    EXPECT_EQ(parser.Root()->Attributes.GetInteger("x", 0), 1);
    EXPECT_EQ(parser.Root()->Nodes[0]->Name, "b");
}

TEST(XMLParser, ErrorMessages) {
    EXPECT_EQ(LoadError("<?xml version=\"1.0\"?><a/>"), "Identifier expected on line 1");
    EXPECT_EQ(LoadError("<!-- c --><a/>"), "Identifier expected on line 1");
    EXPECT_EQ(LoadError("text"), "''<'' expected on line 1");
    EXPECT_EQ(LoadError("<a b>"), "''='' expected on line 1");
    EXPECT_EQ(LoadError("<a b=yes/>"), "Attribute type not supported");
    EXPECT_EQ(LoadError("<a b=</a>"),
              "String expected\r\nor String expected\r\nor Number expected\r\nor Number "
              "expected\r\nor Identifier expected on line 1");
    EXPECT_EQ(LoadError("<a>\n<5/></a>"), "Identifier expected\r\nor ''/'' expected on line 2");
    EXPECT_EQ(LoadError("<a>\n\n</b>"), "a expected on line 3");
    EXPECT_EQ(LoadError("<a></a x>"), "''>'' expected on line 1");
    EXPECT_EQ(LoadError("<a/ >"), "no error"); // the slash and > are two tokens
    EXPECT_EQ(LoadError("<a/ b>"), "''>'' expected on line 1");
    EXPECT_EQ(LoadError("<a>\n</a>\n\nmore"), "''toEOF'' expected on line 4");
    EXPECT_EQ(LoadError("<a/><b/>"), "''toEOF'' expected on line 1");
    EXPECT_EQ(LoadError("<a =1/>"), "Error in XML");
    EXPECT_EQ(LoadError("<a \"x\"/>"), "Error in XML");
    EXPECT_EQ(LoadError("<a><b>text</b>"), "Error in XML");
    EXPECT_EQ(LoadError("<a>text\\"), "Error in XML");
    EXPECT_EQ(LoadError("<a"), "Error in XML");
    EXPECT_EQ(LoadError("<a b=\"open/>"), "Invalid string constant on line 1");
    EXPECT_EQ(LoadError("<a b=1.2.3/>"), "'1.2.3' is not a valid floating point value");
    EXPECT_EQ(LoadError("<a b=$/>"), "'$' is not a valid integer value");
    EXPECT_EQ(LoadError("<a-b/>"), "Error in XML");
    EXPECT_EQ(LoadError(std::string("<a>\0</a>", 8)), "Error in XML"); // a NUL ends the data
}

TEST(XMLParser, ErrorClasses) {
    TXMLParser parser;
    EXPECT_THROW(parser.LoadFromString("<a =1/>"), ESpaceXMLParserError);
    EXPECT_THROW(parser.LoadFromString("<a b=yes/>"), ESpaceXMLParserError);
    EXPECT_THROW(parser.LoadFromString("x"), EParserError);
    EXPECT_THROW(parser.LoadFromString("<a b=1e/>"), EConvertError);
}

TEST(XMLParser, ValueConversions) {
    EXPECT_EQ(TXMLValue(5).AsString(), "5");
    EXPECT_EQ(TXMLValue(-5).AsString(), "-5");
    EXPECT_EQ(TXMLValue(true).AsString(), "True");
    EXPECT_EQ(TXMLValue(false).AsString(), "False");
    EXPECT_EQ(TXMLValue(1.5).AsString(), "1.5");
    EXPECT_EQ(TXMLValue(1e20).AsString(), "1E20");
    EXPECT_EQ(TXMLValue(0.00001).AsString(), "1E-5");
    EXPECT_EQ(TXMLValue().AsString(), "");
    EXPECT_EQ(TXMLValue(u"\u00E9").AsString(), "\xC3\xA9");

    EXPECT_EQ(TXMLValue("42").AsInteger(), 42);
    EXPECT_EQ(TXMLValue("-42").AsInteger(), -42);
    EXPECT_EQ(TXMLValue("$7fffFFFF").AsInteger(), 2147483647);
    EXPECT_EQ(TXMLValue("$FFFFFFFF").AsInteger(), -1);
    EXPECT_EQ(TXMLValue(2.5).AsInteger(), 2); // ties to even
    EXPECT_EQ(TXMLValue().AsInteger(), 0);
    EXPECT_EQ(ErrorOf([] { TXMLValue("4x").AsInteger(); }), "'4x' is not a valid integer value");
    EXPECT_EQ(ErrorOf([] { TXMLValue("2147483648").AsInteger(); }),
              "'2147483648' is not a valid integer value");
    EXPECT_EQ(ErrorOf([] { TXMLValue("").AsInteger(); }), "'' is not a valid integer value");
    EXPECT_EQ(ErrorOf([] { TXMLValue(true).AsInteger(); }),
              "Could not convert variant of type (Boolean) into type (Integer)");
    EXPECT_EQ(ErrorOf([] { TXMLValue::Null().AsString(); }),
              "Could not convert variant of type (Null) into type (String)");

    EXPECT_TRUE(TXMLValue("true").AsBoolean());
    EXPECT_TRUE(TXMLValue("TRUE").AsBoolean());
    EXPECT_FALSE(TXMLValue("False").AsBoolean());
    EXPECT_TRUE(TXMLValue(3).AsBoolean());
    EXPECT_FALSE(TXMLValue(0).AsBoolean());
    EXPECT_TRUE(TXMLValue(0.5).AsBoolean());
    EXPECT_FALSE(TXMLValue().AsBoolean());
    EXPECT_EQ(ErrorOf([] { TXMLValue("yes").AsBoolean(); }), "'yes' is not a valid boolean value");
    EXPECT_THROW(TXMLValue::Null().AsBoolean(), EConvertError);

    EXPECT_DOUBLE_EQ(TXMLValue("2.25").AsDouble(), 2.25);
    EXPECT_DOUBLE_EQ(TXMLValue(3).AsDouble(), 3.0);
    EXPECT_EQ(ErrorOf([] { TXMLValue("x1").AsDouble(); }), "'x1' is not a valid floating point value");
}

TEST(XMLParser, AttributesAddAndGetValue) {
    TXMLAttributes at;
    TXMLAttribute* a = at.Add("Key");
    EXPECT_TRUE(a->Value.IsEmpty());
    a->Value = 7;
    TXMLAttribute* b = at.Add("KEY"); // replaces (and frees) the earlier one
    EXPECT_EQ(at.Count(), 1);
    EXPECT_EQ(at.Find("key"), b);
    EXPECT_TRUE(at.GetValue("key", TXMLValue(1)).IsEmpty());
    EXPECT_EQ(at.GetValue("none", TXMLValue(1)), TXMLValue(1));
    EXPECT_EQ(at.GetInteger("none", 9), 9);
    EXPECT_TRUE(at.GetBoolean("none", true));
    EXPECT_EQ(at.GetString("none", "dflt"), "dflt");
}

TEST(XMLParser, LoadingAgainReplacesTheTree) {
    TXMLParser parser;
    parser.LoadFromString("<a><b/></a>");
    parser.LoadFromString("<c/>");
    EXPECT_EQ(parser.Root()->Name, "c");
    EXPECT_EQ(parser.Root()->Nodes.Count(), 0);
}

TEST(XMLParser, LargeDocumentAcrossRefills) {
    // Larger than the read buffer, lines shorter than it: read whole, and an error
    // near the end reports the right line.
    std::string text = "<List>\r\n";
    const int items = 12000;
    for (int i = 0; i < items; ++i)
        text += "  <Item Index=" + std::to_string(i) + " Caption=\"caption number " + std::to_string(i) +
                "\"/>\r\n";
    ASSERT_GT(text.size(), 2u * TSpaceParser::BufferSize);
    TXMLParser parser;
    parser.LoadFromString(text + "</List>\r\n");
    ASSERT_EQ(parser.Root()->Nodes.Count(), items);
    for (int i = 0; i < items; i += 997) {
        EXPECT_EQ(parser.Root()->Nodes[i]->Attributes.GetInteger("index", -1), i);
        EXPECT_EQ(parser.Root()->Nodes[i]->Attributes.GetString("caption"),
                  "caption number " + std::to_string(i));
    }
    EXPECT_EQ(LoadError(text + "</Lost>\r\n"), "List expected on line " + std::to_string(items + 2));
}

TEST(XMLParser, SingleHugeLineIsRefused) {
    const std::string huge = "<a b=\"" + std::string(300 * 1024, 'x') + "\"/>";
    EXPECT_EQ(LoadError(huge), "Line too long on line 1");
    // Smaller than the buffer: read in one piece whatever its line length.
    TXMLParser parser;
    parser.LoadFromString("<a b=\"" + std::string(200 * 1024, 'x') + "\"/>");
    EXPECT_EQ(parser.Root()->Attributes.GetString("b").size(), 200u * 1024);
}

TEST(XMLParser, DeepNestingIsReadAndFreed) {
    const int depth = 200000;
    std::string text;
    text.reserve(depth * 9);
    for (int i = 0; i < depth; ++i)
        text += "<d>\n";
    for (int i = 0; i < depth; ++i)
        text += "</d>\n";
    TXMLParser parser;
    parser.LoadFromString(text);
    const TXMLNode* node = parser.Root();
    int levels = 1;
    while (node->Nodes.Count() == 1) {
        node = node->Nodes[0];
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(node->Level, depth - 1);
    // Left open: refused, and the partial tree is freed without trouble.
    EXPECT_EQ(LoadError(text.substr(0, static_cast<size_t>(depth) * 4)), "Error in XML");
}

TEST(XMLParser, LoadFromFileAndStream) {
    const TTempFolder folder("xml-test");
    const std::string name = folder.File("options.xml");
    {
        std::ofstream out(name, std::ios::binary);
        out << "<Options Title=\"T\"/>\r\n";
    }
    TXMLParser parser;
    parser.LoadFromFile(name);
    EXPECT_EQ(parser.Root()->Attributes.GetString("title"), "T");
    std::remove(name.c_str());
    const std::string message = ErrorOf([&] { parser.LoadFromFile(name); });
    EXPECT_EQ(message, std::string("Cannot open file \"") + name + "\". No such file or directory");

    // From the stream's current position.
    TStringStream stream("skip<r x=1/>");
    stream.Seek(4, soBeginning);
    parser.LoadFromStream(stream);
    EXPECT_EQ(parser.Root()->Name, "r");
}
