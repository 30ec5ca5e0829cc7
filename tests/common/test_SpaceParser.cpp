#include "u_SpaceParser.h"
#include "u_Stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Hands out its data in small pieces, as pipes and some files do.
class TTrickleStream : public TStringStream {
public:
    TTrickleStream(std::string Data, std::int32_t Piece) : TStringStream(std::move(Data)), FPiece(Piece) {}
    std::int32_t Read(void* Buffer, std::int32_t Count) override {
        return TStringStream::Read(Buffer, std::min(Count, FPiece));
    }

private:
    std::int32_t FPiece;
};

template <class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

std::vector<std::string> AllTokens(const std::string& Text, bool CharMode = false) {
    TStringStream stream(Text);
    TSpaceParser parser(stream, false, CharMode);
    std::vector<std::string> tokens;
    while (parser.TokenKind() != toEOF) {
        tokens.push_back(std::to_string(parser.TokenKind()) + ":" + parser.TokenText());
        parser.NextToken();
    }
    return tokens;
}

} // namespace

TEST(SpaceParser, TokenKindsAndTexts) {
    EXPECT_EQ(AllTokens(" abc_1 = \"x\"\"y\" 'it''s' -12 $1F 1.5e3 2.5d <>/\\ \t"),
              (std::vector<std::string>{"1:abc_1", "61:=", "2:x\"y", "2:it's", "3:-12", "3:$1F", "4:1.5e3",
                                        "4:2.5d", "60:<", "62:>", "47:/", "92:\\"}));
    // Several quoted pieces and character codes without a gap are one string.
    EXPECT_EQ(AllTokens("\"ab\"'cd'#65#66"), (std::vector<std::string>{"2:abcdAB"}));
    // Identifiers are ASCII letters, digits and underscores only.
    EXPECT_EQ(AllTokens("a-b.c"), (std::vector<std::string>{"1:a", "3:-", "1:b", "46:.", "1:c"}));
    EXPECT_EQ(AllTokens(""), std::vector<std::string>{});
}

TEST(SpaceParser, NumbersAndConversions) {
    TStringStream stream("-12 $FFFFFFFF 1.5e3 2.5d 7S 1..2 - $ 99999999999999999999");
    TSpaceParser p(stream);
    EXPECT_EQ(p.TokenInteger(), -12);
    p.NextToken();
    EXPECT_EQ(p.TokenInteger(), 0xFFFFFFFFLL);
    p.NextToken();
    EXPECT_DOUBLE_EQ(p.TokenNumber(), 1500.0);
    EXPECT_EQ(p.FloatType(), 0);
    p.NextToken();
    EXPECT_EQ(p.TokenKind(), toFloat);
    EXPECT_EQ(p.FloatType(), 'd');
    EXPECT_DOUBLE_EQ(p.TokenNumber(), 2.5); // without its suffix
    p.NextToken();
    EXPECT_EQ(p.TokenKind(), toFloat);
    EXPECT_DOUBLE_EQ(p.TokenNumber(), 7.0);
    p.NextToken();
    EXPECT_EQ(ErrorOf([&] { p.TokenNumber(); }), "'1..2' is not a valid floating point value");
    p.NextToken();
    EXPECT_EQ(p.TokenKind(), toInteger);
    EXPECT_EQ(ErrorOf([&] { p.TokenInteger(); }), "'-' is not a valid integer value");
    p.NextToken();
    EXPECT_EQ(ErrorOf([&] { p.TokenInteger(); }), "'$' is not a valid integer value");
    p.NextToken();
    EXPECT_EQ(ErrorOf([&] { p.TokenInteger(); }), "'99999999999999999999' is not a valid integer value");
    EXPECT_THROW(p.TokenInteger(), EConvertError);
}

TEST(SpaceParser, WideStrings) {
    TStringStream stream("'x'#1234'y' #255 '\xC3\xA9'#8364");
    TSpaceParser p(stream);
    EXPECT_EQ(p.TokenKind(), toWString);
    EXPECT_EQ(p.TokenWideText(), u"x\u04D2y");
    EXPECT_EQ(p.TokenText(), "x\xD3\x92y");
    p.NextToken();
    EXPECT_EQ(p.TokenKind(), toString); // codes below 256 stay 8-bit
    EXPECT_EQ(p.TokenText(), "\xFF");
    p.NextToken();
    EXPECT_EQ(p.TokenKind(), toWString); // 8-bit pieces are read as UTF-8
    EXPECT_EQ(p.TokenWideText(), u"\u00E9\u20AC");
}

TEST(SpaceParser, CharModeReturnsEveryCharacter) {
    EXPECT_EQ(AllTokens("a \n<", true), (std::vector<std::string>{"97:a", "32: ", "10:\n", "60:<"}));
    TStringStream stream("x\n\ny");
    TSpaceParser p(stream, false, true);
    p.NextToken();
    p.NextToken();
    EXPECT_EQ(p.LineNumber(), 3);
    p.SetCharMode(false);
    EXPECT_EQ(p.NextToken(), toSymbol);
    EXPECT_EQ(p.TokenText(), "y");
}

TEST(SpaceParser, LineNumbersCountLineFeedsInStrings) {
    TStringStream stream("a\n\"one\ntwo\"\r\n\n  b");
    TSpaceParser p(stream);
    EXPECT_EQ(p.LineNumber(), 1);
    p.NextToken();
    EXPECT_EQ(p.TokenText(), "one\ntwo");
    EXPECT_EQ(p.LineNumber(), 3);
    p.NextToken();
    EXPECT_EQ(p.LineNumber(), 5);
    EXPECT_EQ(ErrorOf([&] { p.ExpectToken(toString); }), "String expected on line 5");
}

TEST(SpaceParser, ExpectMessages) {
    TStringStream stream("abc 5");
    TSpaceParser p(stream);
    EXPECT_NO_THROW(p.ExpectToken(toSymbol));
    EXPECT_NO_THROW(p.ExpectIdentifier("ABC"));
    EXPECT_EQ(ErrorOf([&] { p.ExpectIdentifier("abd"); }), "abd expected on line 1");
    EXPECT_EQ(ErrorOf([&] { p.ExpectToken('<'); }), "''<'' expected on line 1");
    EXPECT_EQ(ErrorOf([&] { p.ExpectToken(toEOF); }), "''toEOF'' expected on line 1");
    EXPECT_EQ(ErrorOf([&] { p.ExpectToken(toInteger); }), "Number expected on line 1");
    p.NextToken();
    EXPECT_NO_THROW(p.ExpectToken(toFloat)); // an integer is a number too
    EXPECT_EQ(ErrorOf([&] { p.ExpectToken(toSymbol); }), "Identifier expected on line 1");
    EXPECT_EQ(ErrorOf([&] {
                  p.ExpectTokens({toSymbol, '/'});
              }),
              "Identifier expected\r\nor ''/'' expected on line 1");
    EXPECT_THROW(p.ExpectToken(toString), EParserError);
}

TEST(SpaceParser, InvalidStringConstant) {
    EXPECT_EQ(ErrorOf([] { AllTokens("a \"open\nstring"); }), "Invalid string constant on line 2");
    EXPECT_EQ(ErrorOf([] { AllTokens("'x"); }), "Invalid string constant on line 1");
    EXPECT_EQ(ErrorOf([] { AllTokens(std::string("\"a\0b\"", 5)); }), "Invalid string constant on line 1");
}

TEST(SpaceParser, NulByteEndsTheInput) {
    EXPECT_EQ(AllTokens(std::string("a b\0c d", 7)), (std::vector<std::string>{"1:a", "1:b"}));
    EXPECT_EQ(AllTokens(std::string("a\0", 2), true), (std::vector<std::string>{"97:a"}));
}

TEST(SpaceParser, RefillAcrossTheBufferKeepsTokensAndLines) {
    // About 700 KB of short lines: several refills, each cut after a line feed.
    std::string text;
    int lines = 0;
    while (text.size() < 700000) {
        text += "item" + std::to_string(lines) + " = \"v" + std::to_string(lines) + "\"\n";
        ++lines;
    }
    text += "@";
    for (std::int32_t piece : {1 << 30, 4097}) {
        TTrickleStream stream(text, piece);
        TSpaceParser p(stream);
        for (int i = 0; i < lines; ++i) {
            ASSERT_TRUE(p.TokenIsIdentifier("ITEM" + std::to_string(i))) << i;
            ASSERT_EQ(p.LineNumber(), i + 1);
            ASSERT_EQ(p.NextToken(), '=');
            ASSERT_EQ(p.NextToken(), toString);
            ASSERT_EQ(p.TokenText(), "v" + std::to_string(i));
            p.NextToken();
        }
        EXPECT_EQ(p.TokenKind(), '@');
        EXPECT_EQ(ErrorOf([&] { p.ExpectToken(toEOF); }),
                  "''toEOF'' expected on line " + std::to_string(lines + 1));
    }
}

TEST(SpaceParser, StringWithLineBreaksAcrossARefill) {
    // A quoted value with line breaks that straddles the cut of a full buffer is
    // still one string.
    std::string head;
    while (head.size() < TSpaceParser::BufferSize - 100)
        head += "x\n";
    const std::string value =
        std::string(50, 'a') + "\n" + std::string(200, 'b') + "\n" + std::string(50, 'c');
    TStringStream stream(head + "\"" + value + "\" y");
    TSpaceParser p(stream);
    while (p.TokenKind() == toSymbol && p.TokenText() == "x")
        p.NextToken();
    ASSERT_EQ(p.TokenKind(), toString);
    EXPECT_EQ(p.TokenText(), value);
    p.NextToken();
    EXPECT_TRUE(p.TokenIsIdentifier("y"));
    EXPECT_EQ(p.LineNumber(), static_cast<std::int32_t>(head.size() / 2) + 3);
}

TEST(SpaceParser, LineTooLong) {
    // One line longer than the buffer is refused; the same line in a smaller
    // document is read in one piece.
    const std::string longLine(300 * 1024, 'a');
    EXPECT_EQ(ErrorOf([&] { AllTokens("x\n" + longLine + "\n"); }), "Line too long on line 2");
    const std::string shorter(200 * 1024, 'a');
    EXPECT_EQ(AllTokens("\"" + shorter + "\""), (std::vector<std::string>{"2:" + shorter}));
    EXPECT_THROW(AllTokens(longLine), EParserError);
}

TEST(SpaceParser, DestructionRestoresStreamPosition) {
    TStringStream stream("abc def ghi");
    {
        TSpaceParser p(stream);
        p.NextToken(); // def
    }
    EXPECT_EQ(stream.Position(), 7);
    {
        TSpaceParser p(stream); // reads ghi
    }
    EXPECT_EQ(stream.Position(), 11);
}

TEST(SpaceParser, WideTextConversions) {
    EXPECT_EQ(TextToWide("a\xC3\xA9\xF0\x9F\x98\x80"), u"a\u00E9\U0001F600");
    EXPECT_EQ(WideToText(u"a\u00E9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(TextToWide("\xFF\xC3"), u"\uFFFD\uFFFD");
    EXPECT_EQ(WideToText(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}
