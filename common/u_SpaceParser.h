// A tokenizer over a stream of 8-bit characters, reading it through a line-buffered
// window of 256 KB. The XML reader is built on it.
#pragma once

#include "u_Exception.h"
#include "u_Stream.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

// Token kinds. Any other single character is a token whose kind is its code.
using TTokenKind = unsigned char;
constexpr TTokenKind toEOF = 0;
constexpr TTokenKind toSymbol = 1;
constexpr TTokenKind toString = 2;
constexpr TTokenKind toInteger = 3;
constexpr TTokenKind toFloat = 4;
constexpr TTokenKind toWString = 5;

// A tokenizer error; the message is "<what> on line <n>".
class EParserError : public Exception {
public:
    EParserError(const std::string& Message, std::int32_t Line) : Exception(Message), FLine(Line) {}
    std::int32_t Line() const noexcept { return FLine; }

private:
    std::int32_t FLine;
};

extern const char* const SParseError;         // "%s on line %d"
extern const char* const SIdentifierExpected; // "Identifier expected"
extern const char* const SStringExpected;     // "String expected"
extern const char* const SNumberExpected;     // "Number expected"
extern const char* const SCharExpected;       // "''%s'' expected"
extern const char* const SSymbolExpected;     // "%s expected"
extern const char* const SInvalidString;      // "Invalid string constant"
extern const char* const SLineTooLong;        // "Line too long"
extern const char* const SInvalidInteger;     // "'%s' is not a valid integer value"
extern const char* const SInvalidFloat;       // "'%s' is not a valid floating point value"

// Conversions between 8-bit text (UTF-8, the system code page here) and wide text.
// Invalid UTF-8 bytes and unpaired surrogates become U+FFFD.
std::u16string TextToWide(std::string_view Text);
std::string WideToText(std::u16string_view Text);

class TSpaceParser {
public:
    static constexpr std::int32_t BufferSize = 262144;

    // Reads the first token at once. PlainSymbolCompare selects plain ASCII
    // case-insensitive comparison in TokenIsIdentifier instead of the system's
    // case-blind comparison.
    TSpaceParser(TStream& Stream, bool PlainSymbolCompare = false, bool CharMode = false);
    // Moves the stream's position back to just after the last token read.
    ~TSpaceParser();
    TSpaceParser(const TSpaceParser&) = delete;
    TSpaceParser& operator=(const TSpaceParser&) = delete;

    TTokenKind NextToken();
    TTokenKind TokenKind() const noexcept { return FToken; }
    // The unescaped content for strings, the characters as written otherwise. For a
    // wide string, its UTF-8 form.
    std::string TokenText() const;
    std::u16string TokenWideText() const;
    // Raise EConvertError when the token text is no number of that kind.
    std::int64_t TokenInteger() const;
    double TokenNumber() const;
    // The float suffix (C, D, S in either case) of the last number token, or 0.
    char FloatType() const noexcept { return FFloatType; }
    std::int32_t LineNumber() const noexcept { return FLine; }

    bool TokenIsIdentifier(std::string_view Text) const;
    void ExpectToken(TTokenKind Kind) const;
    void ExpectTokens(std::initializer_list<TTokenKind> Kinds) const;
    void ExpectIdentifier(std::string_view Text) const;

    bool CharMode() const noexcept { return FCharMode; }
    void SetCharMode(bool Value) noexcept { FCharMode = Value; }

    // Raises EParserError with Message and the current line.
    [[noreturn]] void Error(const std::string& Message) const;

private:
    void ReadBuffer();
    void ScanString();
    static std::string ExpectedText(TTokenKind Kind);

    TStream& FStream;
    std::unique_ptr<char[]> FBuffer; // BufferSize bytes plus the NUL sentinel
    std::int32_t FPos = 0;           // scan position
    std::int32_t FTokenStart = 0;
    std::int32_t FSourceEnd = 0; // where the sentinel stands
    std::int32_t FDataEnd = 0;   // end of the data read into the buffer
    char FSaveChar = 0;          // the character the sentinel covers
    std::int32_t FLine = 1;
    TTokenKind FToken = toEOF;
    char FFloatType = 0;
    std::string FString; // content of the current string token
    std::u16string FWideString;
    bool FStringToken = false; // the current token came from ScanString
    bool FCharToken = false;   // the current token was read in CharMode
    bool FCharMode;
    bool FPlainSymbolCompare;
};
