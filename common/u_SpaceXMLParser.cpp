#include "u_SpaceXMLParser.h"

#include "u_CaseBlind.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

const char* const SXMLError = "Error in XML";
const char* const SXMLAttributeNotSupported = "Attribute type not supported";
const char* const SXMLValueConvertError = "Could not convert variant of type (%s) into type (%s)";
const char* const SInvalidBoolean = "'%s' is not a valid boolean value";

namespace {

bool AsciiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// Decimal with an optional sign, or "$" and hexadecimal digits (up to 32 bits, taken
// as a signed value); false when the text is neither or out of range.
bool ParseInteger(std::string_view s, std::int32_t& Value) {
    if (s.empty())
        return false;
    if (s[0] == '$') {
        s.remove_prefix(1);
        if (s.empty() || s.size() > 8)
            return false;
        std::uint32_t v = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
        if (ec != std::errc() || end != s.data() + s.size())
            return false;
        Value = static_cast<std::int32_t>(v);
        return true;
    }
    if (s[0] == '+')
        s.remove_prefix(1);
    if (s.empty() || s[0] == '+')
        return false;
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    Value = v;
    return true;
}

bool ParseDouble(std::string_view s, double& Value) {
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), Value);
    return ec == std::errc() && end == s.data() + s.size();
}

// Fifteen significant digits, general format, exponent written as "E20" / "E-5".
std::string FloatToText(double v) {
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v > 0 ? "INF" : "-INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string s = buf;
    const size_t e = s.find('E');
    if (e == std::string::npos)
        return s;
    std::string mantissa = s.substr(0, e);
    std::string exponent = s.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
        if (exponent[0] == '-')
            sign = "-";
        exponent.erase(0, 1);
    }
    const size_t nz = exponent.find_first_not_of('0');
    exponent = nz == std::string::npos ? "0" : exponent.substr(nz);
    return mantissa + "E" + sign + exponent;
}

} // namespace

// ---------------------------------------------------------------------------
// TXMLValue

TXMLValue TXMLValue::Null() {
    TXMLValue v;
    v.FValue = TNull{};
    return v;
}

TXMLValueKind TXMLValue::Kind() const noexcept {
    return static_cast<TXMLValueKind>(FValue.index());
}

std::string XMLValueKindName(TXMLValueKind Kind) {
    switch (Kind) {
    case TXMLValueKind::Empty:
        return "Empty";
    case TXMLValueKind::Null:
        return "Null";
    case TXMLValueKind::Boolean:
        return "Boolean";
    case TXMLValueKind::Integer:
        return "Integer";
    case TXMLValueKind::Double:
        return "Double";
    case TXMLValueKind::String:
        return "String";
    case TXMLValueKind::WideString:
        return "OleStr";
    }
    return "Unknown";
}

namespace {
[[noreturn]] void CannotConvert(TXMLValueKind From, TXMLValueKind To) {
    throw EConvertError(Format(SXMLValueConvertError, XMLValueKindName(From), XMLValueKindName(To)));
}
} // namespace

std::string TXMLValue::AsString() const {
    switch (Kind()) {
    case TXMLValueKind::Empty:
        return std::string();
    case TXMLValueKind::Boolean:
        return std::get<bool>(FValue) ? "True" : "False";
    case TXMLValueKind::Integer:
        return std::to_string(std::get<std::int32_t>(FValue));
    case TXMLValueKind::Double:
        return FloatToText(std::get<double>(FValue));
    case TXMLValueKind::String:
        return std::get<std::string>(FValue);
    case TXMLValueKind::WideString:
        return WideToText(std::get<std::u16string>(FValue));
    default:
        CannotConvert(Kind(), TXMLValueKind::String);
    }
}

std::u16string TXMLValue::AsWideString() const {
    if (Kind() == TXMLValueKind::WideString)
        return std::get<std::u16string>(FValue);
    if (Kind() == TXMLValueKind::Null)
        CannotConvert(Kind(), TXMLValueKind::WideString);
    return TextToWide(AsString());
}

std::int32_t TXMLValue::AsInteger() const {
    switch (Kind()) {
    case TXMLValueKind::Empty:
        return 0;
    case TXMLValueKind::Integer:
        return std::get<std::int32_t>(FValue);
    case TXMLValueKind::Double: {
        const double d = std::nearbyint(std::get<double>(FValue)); // ties to even
        if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max()))
            CannotConvert(Kind(), TXMLValueKind::Integer);
        return static_cast<std::int32_t>(d);
    }
    case TXMLValueKind::String:
    case TXMLValueKind::WideString: {
        const std::string text = AsString();
        std::int32_t v = 0;
        if (!ParseInteger(text, v))
            throw EConvertError(Format(SInvalidInteger, text));
        return v;
    }
    default:
        CannotConvert(Kind(), TXMLValueKind::Integer);
    }
}

bool TXMLValue::AsBoolean() const {
    switch (Kind()) {
    case TXMLValueKind::Empty:
        return false;
    case TXMLValueKind::Boolean:
        return std::get<bool>(FValue);
    case TXMLValueKind::Integer:
        return std::get<std::int32_t>(FValue) != 0;
    case TXMLValueKind::Double:
        return std::get<double>(FValue) != 0;
    case TXMLValueKind::String:
    case TXMLValueKind::WideString: {
        const std::string text = AsString();
        if (AsciiSameText(text, "True"))
            return true;
        if (AsciiSameText(text, "False"))
            return false;
        double d = 0;
        if (ParseDouble(text, d))
            return d != 0;
        throw EConvertError(Format(SInvalidBoolean, text));
    }
    default:
        CannotConvert(Kind(), TXMLValueKind::Boolean);
    }
}

double TXMLValue::AsDouble() const {
    switch (Kind()) {
    case TXMLValueKind::Empty:
        return 0;
    case TXMLValueKind::Integer:
        return std::get<std::int32_t>(FValue);
    case TXMLValueKind::Double:
        return std::get<double>(FValue);
    case TXMLValueKind::String:
    case TXMLValueKind::WideString: {
        const std::string text = AsString();
        double d = 0;
        if (!ParseDouble(text, d)) {
            std::int32_t i = 0;
            if (!ParseInteger(text, i))
                throw EConvertError(Format(SInvalidFloat, text));
            d = i;
        }
        return d;
    }
    default:
        CannotConvert(Kind(), TXMLValueKind::Double);
    }
}

// ---------------------------------------------------------------------------
// TXMLAttributes

TXMLValue TXMLAttributes::GetValue(std::string_view Name, const TXMLValue& Default) const {
    const TXMLAttribute* a = Find(Name);
    return a ? a->Value : Default;
}

std::string TXMLAttributes::GetString(std::string_view Name, std::string_view Default) const {
    const TXMLAttribute* a = Find(Name);
    return a ? a->Value.AsString() : std::string(Default);
}

std::int32_t TXMLAttributes::GetInteger(std::string_view Name, std::int32_t Default) const {
    const TXMLAttribute* a = Find(Name);
    return a ? a->Value.AsInteger() : Default;
}

bool TXMLAttributes::GetBoolean(std::string_view Name, bool Default) const {
    const TXMLAttribute* a = Find(Name);
    return a ? a->Value.AsBoolean() : Default;
}

TXMLAttribute* TXMLAttributes::Add(std::string_view Name) {
    auto attribute = std::make_unique<TXMLAttribute>(std::string(Name));
    TXMLAttribute* result = attribute.get();
    FItems.Set_Item(Name, std::move(attribute));
    return result;
}

// ---------------------------------------------------------------------------
// TXMLNodes, TXMLNode

TXMLNode* TXMLNodes::Items(std::int32_t Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FItems[static_cast<size_t>(Index)].get();
}

TXMLNode* TXMLNodes::Add(std::string_view Name) {
    FItems.push_back(std::make_unique<TXMLNode>(std::string(Name), Count(), FLevel, this));
    return FItems.back().get();
}

TXMLNode* TXMLNodes::FindNode(std::string_view Name) const {
    for (const auto& node : FItems)
        if (SameTextCaseBlind(node->Name, Name))
            return node.get();
    return nullptr;
}

TXMLNode::TXMLNode(std::string Name, std::int32_t Index, std::int32_t Level, TXMLNodes* ParentNodes)
    : Name(std::move(Name)), Index(Index), Level(Level), Nodes(this, Level + 1), ParentNodes(ParentNodes) {}

TXMLNode::~TXMLNode() {
    // A hostile document can nest elements millions deep; freeing the subtree
    // recursively would exhaust the stack.
    std::vector<std::unique_ptr<TXMLNode>> pending = std::move(Nodes.FItems);
    Nodes.FItems.clear();
    while (!pending.empty()) {
        std::unique_ptr<TXMLNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Nodes.FItems)
            pending.push_back(std::move(child));
        node->Nodes.FItems.clear();
    }
}

// ---------------------------------------------------------------------------
// TXMLParser

void TXMLParser::LoadFromFile(const std::string& FileName) {
    THostFileStream stream(FileName, THostFileMode::OpenRead);
    LoadFromStream(stream);
}

void TXMLParser::LoadFromString(std::string_view Text) {
    TStringStream stream{std::string(Text)};
    LoadFromStream(stream);
}

void TXMLParser::LoadFromStream(TStream& Stream) {
    FRoot.reset();
    TSpaceParser parser(Stream, false, false);
    if (parser.TokenKind() == toEOF) {
        FRoot = std::make_unique<TXMLNode>(std::string(), 0, 0, nullptr);
        return;
    }
    parser.ExpectToken('<');
    parser.NextToken();
    parser.ExpectToken(toSymbol);
    FRoot = std::make_unique<TXMLNode>(parser.TokenText(), 0, 0, nullptr);
    TXMLNode* current = FRoot.get();
    std::vector<TXMLNode*> open; // the ancestors of current
    auto pop = [&open]() -> TXMLNode* {
        if (open.empty())
            return nullptr;
        TXMLNode* node = open.back();
        open.pop_back();
        return node;
    };
    bool inTag = true;

    parser.NextToken();
    while (parser.TokenKind() != toEOF) {
        const TTokenKind token = parser.TokenKind();
        if (inTag) {
            if (token == toSymbol) {
                const std::string name = parser.TokenText();
                parser.NextToken();
                parser.ExpectToken('=');
                parser.NextToken();
                parser.ExpectTokens({toString, toWString, toInteger, toFloat, toSymbol});
                TXMLValue value;
                switch (parser.TokenKind()) {
                case toString:
                    value = parser.TokenText();
                    break;
                case toWString:
                    value = parser.TokenWideText();
                    break;
                case toInteger:
                    // A larger number is cut to its low 32 bits.
                    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(parser.TokenInteger()));
                    break;
                case toFloat:
                    value = parser.TokenNumber();
                    break;
                default: {
                    const std::string word = parser.TokenText();
                    if (AsciiSameText(word, "true"))
                        value = true;
                    else if (AsciiSameText(word, "false"))
                        value = false;
                    else if (AsciiSameText(word, "null"))
                        value = TXMLValue::Null();
                    else if (!AsciiSameText(word, "empty"))
                        throw ESpaceXMLParserError(SXMLAttributeNotSupported);
                }
                }
                TXMLAttribute* attribute = current->Attributes.Find(name);
                if (attribute == nullptr)
                    attribute = current->Attributes.Add(name);
                attribute->Value = std::move(value);
            } else if (token == '/') {
                parser.NextToken();
                parser.ExpectToken('>');
                current = pop();
                parser.SetCharMode(true);
                inTag = false;
            } else if (token == '>') {
                parser.SetCharMode(true);
                inTag = false;
            } else {
                throw ESpaceXMLParserError(SXMLError);
            }
        } else {
            if (token == '<') {
                parser.SetCharMode(false);
                parser.NextToken();
                parser.ExpectTokens({toSymbol, '/'});
                if (parser.TokenKind() == toSymbol) {
                    open.push_back(current);
                    current = current->Nodes.Add(parser.TokenText());
                    inTag = true;
                } else {
                    parser.NextToken();
                    parser.ExpectIdentifier(current->Name);
                    parser.NextToken();
                    parser.ExpectToken('>');
                    current = pop();
                    if (current != nullptr)
                        parser.SetCharMode(true);
                }
            } else if (token == '\\') {
                if (parser.NextToken() != toEOF)
                    current->Text.push_back(static_cast<char>(parser.TokenKind()));
            } else {
                current->Text.push_back(static_cast<char>(token));
            }
        }
        if (current == nullptr) {
            parser.SetCharMode(false);
            parser.NextToken();
            parser.ExpectToken(toEOF);
        } else {
            parser.NextToken();
        }
    }
    if (current != nullptr)
        throw ESpaceXMLParserError(SXMLError);
}

bool ReadRootChildren(std::string_view Text, const std::function<void(const TXMLNode&)>& Read) {
    TXMLParser parser;
    bool complete = true;
    try {
        parser.LoadFromString(Text);
    } catch (const std::exception&) {
        // The nodes made before the failure stay owned by the partial tree.
        complete = false;
    }
    const TXMLNode* root = parser.Root();
    if (!root)
        return false;
    // After a failure the last child is the one being read when the text failed: its
    // name, attributes or text may be cut or hold unset bytes, so it is left out.
    const std::int32_t count = complete ? root->Nodes.Count() : std::max<std::int32_t>(root->Nodes.Count() - 1, 0);
    try {
        for (std::int32_t i = 0; i < count; ++i)
            Read(*root->Nodes[i]);
    } catch (const std::exception&) {
        return false;
    }
    return complete;
}

std::string QuotedAttr(const std::string& Text) {
    std::string r;
    r.reserve(Text.size() + 2);
    r += '"';
    for (char c : Text) {
        if (c == '"')
            r += '"';
        r += c;
    }
    r += '"';
    return r;
}

std::string EscapeXmlContent(const std::string& Text) {
    std::string escaped;
    escaped.reserve(Text.size());
    for (const char c : Text) {
        if (c == '<' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}
