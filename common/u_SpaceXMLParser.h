// The reader of the system's own XML dialect: one root element with typed
// attributes, element text in which a backslash makes the next character literal,
// no declarations, comments or entities. It builds a tree of TXMLNode.
#pragma once

#include "u_Exception.h"
#include "u_ObjectDictionary.h"
#include "u_SpaceParser.h"
#include "u_Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class ESpaceXMLParserError : public Exception {
public:
    using Exception::Exception;
};

extern const char* const SXMLError;                 // "Error in XML"
extern const char* const SXMLAttributeNotSupported; // "Attribute type not supported"
extern const char* const SXMLValueConvertError;     // "Could not convert variant of type (%s) into type (%s)"
extern const char* const SInvalidBoolean;           // "'%s' is not a valid boolean value"

enum class TXMLValueKind { Empty, Null, Boolean, Integer, Double, String, WideString };

// A typed attribute value. Conversions follow the usual rules: to text (integers in
// decimal, Booleans as "True"/"False"), to integer (from integers, from decimal or
// "$"-hexadecimal text), to Boolean (from Booleans, from numbers where non-zero is
// true, from "True"/"False" in any letter case). An empty value converts to "", 0,
// False; a null value and any other mismatch raise EConvertError.
class TXMLValue {
public:
    TXMLValue() = default; // empty (unassigned)
    static TXMLValue Null();
    TXMLValue(bool Value) : FValue(Value) {}
    TXMLValue(std::int32_t Value) : FValue(Value) {}
    TXMLValue(double Value) : FValue(Value) {}
    TXMLValue(std::string Value) : FValue(std::move(Value)) {}
    TXMLValue(const char* Value) : FValue(std::string(Value)) {}
    TXMLValue(std::u16string Value) : FValue(std::move(Value)) {}
    TXMLValue(const char16_t* Value) : FValue(std::u16string(Value)) {}
    // Any other pointer would silently become a Boolean.
    TXMLValue(const void*) = delete;

    TXMLValueKind Kind() const noexcept;
    bool IsEmpty() const noexcept { return Kind() == TXMLValueKind::Empty; }
    bool IsNull() const noexcept { return Kind() == TXMLValueKind::Null; }

    std::string AsString() const;
    std::u16string AsWideString() const;
    std::int32_t AsInteger() const;
    bool AsBoolean() const;
    double AsDouble() const;

    bool operator==(const TXMLValue& Other) const = default;

private:
    struct TNull {
        bool operator==(const TNull&) const = default;
    };
    // Alternatives in the order of TXMLValueKind.
    std::variant<std::monostate, TNull, bool, std::int32_t, double, std::string, std::u16string> FValue;
};

// The name of a value kind as conversion messages give it ("Integer", "Null", ...).
std::string XMLValueKindName(TXMLValueKind Kind);

class TXMLAttribute {
public:
    explicit TXMLAttribute(std::string Name) : Name(std::move(Name)) {}
    std::string Name;
    TXMLValue Value;
};

// The attributes of one node, looked up by name ignoring letter case and listed in
// name order; document order is not kept.
class TXMLAttributes {
public:
    TXMLAttributes() : FItems(true, true, true) {}

    // The attribute or nullptr.
    TXMLAttribute* Find(std::string_view Name) const { return FItems.Find(Name); }
    // A copy of the value, or Default when there is no such attribute.
    TXMLValue GetValue(std::string_view Name, const TXMLValue& Default) const;
    // Shorthands: Default when missing, the converted value otherwise (raising
    // EConvertError when it does not convert).
    std::string GetString(std::string_view Name, std::string_view Default = {}) const;
    std::int32_t GetInteger(std::string_view Name, std::int32_t Default) const;
    bool GetBoolean(std::string_view Name, bool Default) const;
    // A new attribute with an empty value, replacing (and freeing) any of that name.
    TXMLAttribute* Add(std::string_view Name);
    std::int32_t Count() const noexcept { return FItems.Count(); }
    // The attributes in name order; the list does not own them.
    std::vector<TXMLAttribute*> Items() const { return FItems.Values(); }

private:
    TObjectDictionary<TXMLAttribute> FItems;
};

class TXMLNode;

// The children of a node, owned, in document order.
class TXMLNodes {
public:
    TXMLNodes(TXMLNode* Owner, std::int32_t Level) : FOwner(Owner), FLevel(Level) {}
    TXMLNodes(const TXMLNodes&) = delete;
    TXMLNodes& operator=(const TXMLNodes&) = delete;

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(FItems.size()); }
    // Raises EListError for an index out of range.
    TXMLNode* Items(std::int32_t Index) const;
    TXMLNode* operator[](std::int32_t Index) const { return Items(Index); }
    // A new last child with the next index and this collection's level.
    TXMLNode* Add(std::string_view Name);
    // The first child whose name equals Name ignoring letter case, or nullptr.
    TXMLNode* FindNode(std::string_view Name) const;
    TXMLNode* Owner() const noexcept { return FOwner; }
    // The level the children get (the owner's level plus 1).
    std::int32_t Level() const noexcept { return FLevel; }

    auto begin() const noexcept { return FItems.begin(); }
    auto end() const noexcept { return FItems.end(); }

private:
    friend class TXMLNode;
    TXMLNode* FOwner;
    std::int32_t FLevel;
    std::vector<std::unique_ptr<TXMLNode>> FItems;
};

class TXMLNode {
public:
    TXMLNode(std::string Name, std::int32_t Index, std::int32_t Level, TXMLNodes* ParentNodes);
    // Frees the whole subtree without recursion, however deep it is.
    ~TXMLNode();
    TXMLNode(const TXMLNode&) = delete;
    TXMLNode& operator=(const TXMLNode&) = delete;

    std::string Name;
    // The element's content with backslash escapes resolved, whitespace and line
    // breaks between children included, the children's own text not.
    std::string Text;
    std::int32_t Index;
    std::int32_t Level;
    TXMLNodes Nodes;
    // The collection holding this node; nullptr for the root.
    TXMLNodes* ParentNodes;
    TXMLAttributes Attributes;

    // The node owning ParentNodes; nullptr for the root.
    TXMLNode* Parent() const noexcept { return ParentNodes ? ParentNodes->Owner() : nullptr; }
};

class TXMLParser {
public:
    TXMLParser() = default;
    TXMLParser(const TXMLParser&) = delete;
    TXMLParser& operator=(const TXMLParser&) = delete;

    // Opens the file for reading (others may read and write it) and loads it.
    // EFOpenError when it cannot be opened.
    void LoadFromFile(const std::string& FileName);
    // Loads 8-bit text.
    void LoadFromString(std::string_view Text);
    // Loads from the stream's current position. Raises ESpaceXMLParserError,
    // EParserError or EConvertError for a document it cannot read; Root is then a
    // partial tree or nullptr, not to be used.
    void LoadFromStream(TStream& Stream);

    // The root of the last loaded document; a node without name, children or
    // attributes for an empty document; nullptr before the first load.
    TXMLNode* Root() const noexcept { return FRoot.get(); }

private:
    std::unique_ptr<TXMLNode> FRoot;
};

// Reads Text and calls Read for every child of the root element in document order, as
// far as the text can be read: when the text fails part way, the children completed
// before the failure are still visited (the one being read when it failed is not); an
// exception from Read ends the walk. True when the text was read whole and every call succeeded.
bool ReadRootChildren(std::string_view Text, const std::function<void(const TXMLNode&)>& Read);

// An attribute value as the reader gets it back: in double quotes, with inner double
// quotes doubled.
std::string QuotedAttr(const std::string& Text);

// Element text as the reader gets it back: "<" and "\" are written with a backslash
// before them (the reader's content escape); every other character stands as it is.
std::string EscapeXmlContent(const std::string& Text);
