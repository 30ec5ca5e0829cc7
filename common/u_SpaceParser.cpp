#include "u_SpaceParser.h"

#include "u_Utf8.h"
#include "u_CaseBlind.h"

#include <charconv>
#include <cstring>

const char* const SParseError = "%s on line %d";
const char* const SIdentifierExpected = "Identifier expected";
const char* const SStringExpected = "String expected";
const char* const SNumberExpected = "Number expected";
const char* const SCharExpected = "''%s'' expected";
const char* const SSymbolExpected = "%s expected";
const char* const SInvalidString = "Invalid string constant";
const char* const SLineTooLong = "Line too long";
const char* const SInvalidInteger = "'%s' is not a valid integer value";
const char* const SInvalidFloat = "'%s' is not a valid floating point value";

namespace {

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(unsigned char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(unsigned char c) {
    if (IsDigit(c))
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// Units of a string token under construction: bytes of the text pieces, and
// character codes, kept apart so that a wide string can decode the text as UTF-8.
constexpr char32_t kByteUnit = 0x80000000u;

} // namespace

std::u16string TextToWide(std::string_view Text) {
    return Utf8ToUtf16(Text);
}

std::string WideToText(std::u16string_view Text) {
    return Utf16ToUtf8(Text);
}

// ---------------------------------------------------------------------------
// TSpaceParser

TSpaceParser::TSpaceParser(TStream& Stream, bool PlainSymbolCompare, bool CharMode)
    : FStream(Stream), FBuffer(std::make_unique_for_overwrite<char[]>(BufferSize + 1)), FCharMode(CharMode),
      FPlainSymbolCompare(PlainSymbolCompare) {
    FBuffer[0] = 0; // empty: the first token refills
    NextToken();
}

TSpaceParser::~TSpaceParser() {
    try {
        FStream.Seek(std::int64_t{FPos} - FDataEnd, soCurrent);
    } catch (...) {
        // A stream that cannot seek keeps its position.
    }
}

void TSpaceParser::Error(const std::string& Message) const {
    throw EParserError(Format(SParseError, Message, FLine), FLine);
}

void TSpaceParser::ReadBuffer() {
    FBuffer[FSourceEnd] = FSaveChar;
    const std::int32_t rest = FDataEnd - FPos;
    if (rest > 0 && FPos > 0)
        std::memmove(FBuffer.get(), FBuffer.get() + FPos, static_cast<size_t>(rest));
    FDataEnd = rest;
    FPos = 0;
    FTokenStart = 0;
    while (FDataEnd < BufferSize) {
        const std::int32_t n = FStream.Read(FBuffer.get() + FDataEnd, BufferSize - FDataEnd);
        if (n <= 0)
            break;
        FDataEnd += n;
    }
    FSourceEnd = FDataEnd;
    bool tooLong = false;
    if (FSourceEnd == BufferSize) {
        // Full: cut after the last line feed; the rest waits for the next refill.
        const std::string_view window(FBuffer.get(), static_cast<size_t>(BufferSize));
        const size_t lf = window.rfind('\n');
        if (lf == std::string_view::npos)
            tooLong = true;
        else
            FSourceEnd = static_cast<std::int32_t>(lf) + 1;
    }
    FSaveChar = FBuffer[FSourceEnd];
    FBuffer[FSourceEnd] = 0;
    if (tooLong)
        Error(SLineTooLong);
}

void TSpaceParser::ScanString() {
    std::u32string units;
    bool wide = false;
    for (;;) {
        const auto c = static_cast<unsigned char>(FBuffer[FPos]);
        if (c == '"' || c == '\'') {
            ++FPos;
            for (;;) {
                const auto ch = static_cast<unsigned char>(FBuffer[FPos]);
                if (ch == 0) {
                    // The sentinel of a cut buffer: a string may go on across line
                    // breaks, so read on. True end of data ends the string badly.
                    ReadBuffer();
                    if (FBuffer[FPos] == 0)
                        Error(SInvalidString);
                    continue;
                }
                ++FPos;
                if (ch == c) {
                    if (static_cast<unsigned char>(FBuffer[FPos]) != c)
                        break;
                    ++FPos; // a doubled quote stands for one
                } else if (ch == '\n') {
                    ++FLine;
                }
                units.push_back(kByteUnit | ch);
            }
        } else if (c == '#') {
            ++FPos;
            std::uint32_t code = 0;
            while (IsDigit(static_cast<unsigned char>(FBuffer[FPos]))) {
                code = code * 10 + static_cast<std::uint32_t>(FBuffer[FPos] - '0');
                if (code > 0x10FFFF)
                    code = 0x110000; // out of range; stays out of range
                ++FPos;
            }
            if (code >= 256)
                wide = true;
            units.push_back(code);
        } else {
            break;
        }
    }
    FString.clear();
    FWideString.clear();
    if (!wide) {
        FString.reserve(units.size());
        for (char32_t u : units)
            FString.push_back(static_cast<char>(u & 0xFF));
        FToken = toString;
        return;
    }
    std::string run;
    for (char32_t u : units) {
        if (u & kByteUnit) {
            run.push_back(static_cast<char>(u & 0xFF));
            continue;
        }
        if (!run.empty()) {
            FWideString += TextToWide(run);
            run.clear();
        }
        AppendUtf16(FWideString, u);
    }
    if (!run.empty())
        FWideString += TextToWide(run);
    FString = WideToText(FWideString);
    FToken = toWString;
}

TTokenKind TSpaceParser::NextToken() {
    FStringToken = false;
    FCharToken = FCharMode;
    if (FCharMode) {
        while (FBuffer[FPos] == 0) {
            ReadBuffer();
            if (FBuffer[FPos] == 0) {
                FTokenStart = FPos;
                return FToken = toEOF;
            }
        }
        FTokenStart = FPos;
        const auto c = static_cast<unsigned char>(FBuffer[FPos++]);
        if (c == '\n')
            ++FLine;
        return FToken = c;
    }

    for (;;) {
        const auto c = static_cast<unsigned char>(FBuffer[FPos]);
        if (c == 0) {
            ReadBuffer();
            if (FBuffer[FPos] == 0)
                break;
            continue;
        }
        if (c > 32)
            break;
        if (c == '\n')
            ++FLine;
        ++FPos;
    }
    FTokenStart = FPos;
    const auto c = static_cast<unsigned char>(FBuffer[FPos]);
    if (IsLetter(c)) {
        ++FPos;
        while (IsLetter(static_cast<unsigned char>(FBuffer[FPos])) ||
               IsDigit(static_cast<unsigned char>(FBuffer[FPos])))
            ++FPos;
        FToken = toSymbol;
    } else if (c == '"' || c == '\'' || c == '#') {
        ScanString();
        FStringToken = true;
    } else if (c == '$') {
        ++FPos;
        while (IsHexDigit(static_cast<unsigned char>(FBuffer[FPos])))
            ++FPos;
        FToken = toInteger;
    } else if (c == '-' || IsDigit(c)) {
        ++FPos;
        while (IsDigit(static_cast<unsigned char>(FBuffer[FPos])))
            ++FPos;
        FToken = toInteger;
        for (;;) {
            const auto d = static_cast<unsigned char>(FBuffer[FPos]);
            if (!(IsDigit(d) || d == '.' || d == 'e' || d == 'E' || d == '+' || d == '-'))
                break;
            ++FPos;
            FToken = toFloat;
        }
        const auto s = static_cast<unsigned char>(FBuffer[FPos]);
        if (s == 'c' || s == 'C' || s == 'd' || s == 'D' || s == 's' || s == 'S') {
            FToken = toFloat;
            FFloatType = static_cast<char>(s);
            ++FPos;
        } else {
            FFloatType = 0;
        }
    } else if (c == 0) {
        FToken = toEOF;
    } else {
        ++FPos;
        FToken = c;
    }
    return FToken;
}

std::string TSpaceParser::TokenText() const {
    if (FStringToken)
        return FString;
    return std::string(FBuffer.get() + FTokenStart, static_cast<size_t>(FPos - FTokenStart));
}

std::u16string TSpaceParser::TokenWideText() const {
    if (FStringToken && FToken == toWString)
        return FWideString;
    return TextToWide(TokenText());
}

std::int64_t TSpaceParser::TokenInteger() const {
    const std::string text = TokenText();
    std::string_view s = text;
    std::uint64_t value = 0;
    bool ok = false;
    bool negative = false;
    if (!s.empty() && s[0] == '$') {
        s.remove_prefix(1);
        ok = !s.empty();
        for (char ch : s) {
            const auto c = static_cast<unsigned char>(ch);
            if (!IsHexDigit(c) || (value >> 60) != 0) {
                ok = false;
                break;
            }
            value = (value << 4) | static_cast<std::uint64_t>(HexValue(c));
        }
        if (ok)
            return static_cast<std::int64_t>(value);
    } else {
        if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
            negative = s[0] == '-';
            s.remove_prefix(1);
        }
        ok = !s.empty();
        const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
        for (char ch : s) {
            const auto c = static_cast<unsigned char>(ch);
            const auto digit = static_cast<std::uint64_t>(c - '0');
            if (!IsDigit(c) || value > (limit - digit) / 10) {
                ok = false;
                break;
            }
            value = value * 10 + digit;
        }
        if (ok)
            return negative ? static_cast<std::int64_t>(~value + 1) : static_cast<std::int64_t>(value);
    }
    throw EConvertError(Format(SInvalidInteger, text));
}

double TSpaceParser::TokenNumber() const {
    std::string text = TokenText();
    if (!FStringToken && FFloatType != 0 && !text.empty() && (FToken == toFloat))
        text.pop_back();
    double value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || end != last)
        throw EConvertError(Format(SInvalidFloat, text));
    return value;
}

bool TSpaceParser::TokenIsIdentifier(std::string_view Text) const {
    if (FToken != toSymbol || FCharToken)
        return false;
    const std::string token = TokenText();
    return FPlainSymbolCompare ? AsciiSameText(token, Text) : SameTextCaseBlind(token, Text);
}

std::string TSpaceParser::ExpectedText(TTokenKind Kind) {
    switch (Kind) {
    case toSymbol:
        return SIdentifierExpected;
    case toString:
    case toWString:
        return SStringExpected;
    case toInteger:
    case toFloat:
        return SNumberExpected;
    case toEOF:
        return Format(SCharExpected, "toEOF");
    default:
        return Format(SCharExpected, std::string(1, static_cast<char>(Kind)));
    }
}

namespace {
bool KindMatches(TTokenKind Token, bool CharToken, TTokenKind Kind) {
    // A character read in CharMode is only ever the character of its code.
    if (CharToken && Kind != toEOF && Kind <= toWString)
        return false;
    switch (Kind) {
    case toString:
    case toWString:
        return Token == toString || Token == toWString;
    case toInteger:
    case toFloat:
        return Token == toInteger || Token == toFloat;
    default:
        return Token == Kind;
    }
}
} // namespace

void TSpaceParser::ExpectToken(TTokenKind Kind) const {
    if (!KindMatches(FToken, FCharToken, Kind))
        Error(ExpectedText(Kind));
}

void TSpaceParser::ExpectTokens(std::initializer_list<TTokenKind> Kinds) const {
    for (TTokenKind k : Kinds)
        if (KindMatches(FToken, FCharToken, k))
            return;
    std::string message;
    for (TTokenKind k : Kinds) {
        if (!message.empty())
            message += "\r\nor ";
        message += ExpectedText(k);
    }
    Error(message);
}

void TSpaceParser::ExpectIdentifier(std::string_view Text) const {
    if (!TokenIsIdentifier(Text))
        Error(Format(SSymbolExpected, std::string(Text)));
}
