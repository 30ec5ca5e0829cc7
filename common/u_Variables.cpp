#include "u_Variables.h"

#include "u_Dictionary.h"
#include "u_SpaceXMLParser.h"

#include <memory>
#include <utility>

namespace {
const char* const SCyclingReference = "Cycling reference encountered during loading variable \"%s\"";
const char* const SValueTooLarge =
    "The value of variable \"%s\" grows beyond %zu bytes when its references are expanded";
const char* const STextTooLarge = "Expanding the variables in a text makes it grow by more than %zu bytes";

std::string QuoteText(const std::string& s) {
    std::string r = "\"";
    for (char c : s) {
        if (c == '"')
            r += '"';
        r += c;
    }
    r += '"';
    return r;
}
} // namespace

bool TReferenceScanner::Next(size_t& RefStart, size_t& NameStart, size_t& NameEnd) {
    enum { Text, Percent, Name } state = Text;
    size_t refStart = 0, nameStart = 0;
    while (FPos < FText.size()) {
        char c = FText[FPos++];
        switch (state) {
        case Text:
            if (c == '%') {
                state = Percent;
                refStart = FPos - 1;
            }
            break;
        case Percent:
            // Anything but "{" ends the attempt and is consumed unseen.
            if (c == '{') {
                state = Name;
                nameStart = FPos;
            } else {
                state = Text;
            }
            break;
        case Name:
            if (c == '}') {
                RefStart = refStart;
                NameStart = nameStart;
                NameEnd = FPos - 1;
                return true;
            }
            break;
        }
    }
    return false;
}

TVariables::TVariables(const std::string& XmlText, bool StripMarkers) {
    TXMLParser parser;
    parser.LoadFromString(XmlText);
    if (const TXMLNode* root = parser.Root()) {
        for (const auto& node : root->Nodes) {
            std::string name = node->Attributes.GetString("name");
            if (name.empty())
                continue;
            std::string value = node->Text;
            if (StripMarkers && !value.empty() && value[0] == '$')
                value.erase(0, 1);
            // The first occurrence of a name wins.
            FTable.emplace(std::move(name), std::move(value));
        }
    }
    Resolve();
}

// Replaces, in every value, each reference to an existing variable by that variable's
// resolved value. Depth-first with an explicit stack, so that a long chain of
// variables cannot exhaust the call stack; a name met again while it is being
// resolved is a cycle.
void TVariables::Resolve() {
    enum class TState { InProgress, Done };
    std::map<std::string, TState, CaseBlindLess> states;

    using TEntry = std::map<std::string, std::string, CaseBlindLess>::iterator;
    struct TFrame {
        TEntry Entry;
        std::string Source; // the value being resolved
        TReferenceScanner Scanner;
        size_t Copied = 0; // Source is copied into Result up to here
        std::string Result;
        // A reference whose variable is being resolved one level deeper.
        bool Pending = false;
        size_t PendingStart = 0, PendingEnd = 0;
        TEntry PendingRef;
        explicit TFrame(TEntry entry) : Entry(entry), Source(entry->second), Scanner(Source) {}
        void Insert(size_t refStart, size_t nameEnd, const std::string& value) {
            // Checked before the bytes are added: references fanning out level by level
            // would otherwise grow a few hundred bytes into gigabytes.
            if (Result.size() + (refStart - Copied) + value.size() > MaxExpandedValue)
                throw EVariablesError(Format(SValueTooLarge, Entry->first, MaxExpandedValue));
            Result.append(Source, Copied, refStart - Copied);
            Result += value;
            Copied = nameEnd + 1;
        }
    };
    std::vector<std::unique_ptr<TFrame>> stack;

    auto push = [&](TEntry entry) {
        states[entry->first] = TState::InProgress;
        stack.push_back(std::make_unique<TFrame>(entry));
    };

    for (auto top = FTable.begin(); top != FTable.end(); ++top) {
        if (states.count(top->first))
            continue;
        push(top);
        while (!stack.empty()) {
            TFrame& f = *stack.back();
            if (f.Pending) {
                f.Insert(f.PendingStart, f.PendingEnd, f.PendingRef->second);
                f.Pending = false;
            }
            size_t refStart, nameStart, nameEnd;
            bool descended = false;
            while (f.Scanner.Next(refStart, nameStart, nameEnd)) {
                std::string_view name(f.Source.data() + nameStart, nameEnd - nameStart);
                auto ref = FTable.find(name);
                if (ref == FTable.end())
                    continue; // stays as written
                auto st = states.find(name);
                if (st == states.end()) {
                    // Resolve the referred variable first, then insert its value here.
                    f.Pending = true;
                    f.PendingStart = refStart;
                    f.PendingEnd = nameEnd;
                    f.PendingRef = ref;
                    push(ref);
                    descended = true;
                    break;
                }
                if (st->second == TState::InProgress)
                    throw EVariablesError(Format(SCyclingReference, std::string(name)));
                f.Insert(refStart, nameEnd, ref->second);
            }
            if (descended)
                continue;
            f.Result.append(f.Source, f.Copied, std::string::npos);
            f.Entry->second = std::move(f.Result);
            states[f.Entry->first] = TState::Done;
            stack.pop_back();
        }
    }
}

bool TVariables::Exists(const std::string& Name) const {
    return FTable.find(Name) != FTable.end();
}

const std::string& TVariables::GetValue(const std::string& Name) const {
    auto it = FTable.find(Name);
    if (it == FTable.end())
        throw EDictionaryError(
            Format("%s - element \"%s\" not found in collection", "TDictionary.Get_Item", Name));
    return it->second;
}

std::vector<std::string> TVariables::GetNames() const {
    std::vector<std::string> names;
    names.reserve(FTable.size());
    for (const auto& [name, value] : FTable)
        names.push_back(name);
    return names;
}

std::string TVariables::Expand(const std::string& Text) const {
    TReferenceScanner scanner(Text);
    std::string result;
    size_t copied = 0, refStart, nameStart, nameEnd;
    while (scanner.Next(refStart, nameStart, nameEnd)) {
        auto it = FTable.find(std::string_view(Text.data() + nameStart, nameEnd - nameStart));
        if (it == FTable.end())
            continue;
        if (result.size() + (refStart - copied) + it->second.size() > Text.size() + MaxExpandedValue)
            throw EVariablesError(Format(STextTooLarge, MaxExpandedValue));
        result.append(Text, copied, refStart - copied);
        result += it->second;
        copied = nameEnd + 1;
    }
    if (copied == 0)
        return Text;
    result.append(Text, copied, std::string::npos);
    return result;
}

void TVariables::CollectReferences(const std::string& Text, std::vector<std::string>& Names) {
    std::map<std::string, bool, CaseBlindLess> seen;
    for (const std::string& n : Names)
        seen.emplace(n, true);
    TReferenceScanner scanner(Text);
    size_t refStart, nameStart, nameEnd;
    while (scanner.Next(refStart, nameStart, nameEnd)) {
        std::string name = Text.substr(nameStart, nameEnd - nameStart);
        if (seen.emplace(name, true).second)
            Names.push_back(std::move(name));
    }
}

std::string BuildVariablesXml(const std::vector<TVariableEntry>& Entries) {
    std::string text = "<vars>\r\n";
    for (const TVariableEntry& e : Entries) {
        text += "<var name=" + QuoteText(e.Name) + ">";
        if (!e.AllowBranding)
            text += '$';
        text += e.Value + "</var>\r\n";
    }
    text += "</vars>\r\n";
    return text;
}
