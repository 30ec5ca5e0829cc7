// Small reading helpers over the XML reader for the compiler's files: typed attribute
// look-ups with defaults and the children of a node, so that the units that read the
// toolbar, security and book files stay short.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TXMLNode;
class TXMLParser;

// A parsed document: keeps the parser (and with it the tree) alive.
class TXMLDocument {
public:
    // Parses Text; an empty text gives a root without name, children or attributes.
    explicit TXMLDocument(const std::string& Text);
    ~TXMLDocument();
    TXMLDocument(const TXMLDocument&) = delete;
    TXMLDocument& operator=(const TXMLDocument&) = delete;
    const TXMLNode* Root() const;

private:
    std::unique_ptr<TXMLParser> FParser;
};

// The children of a node in document order.
std::vector<const TXMLNode*> XmlChildren(const TXMLNode* Node);
std::string XmlName(const TXMLNode* Node);
// The element's character content.
std::string XmlNodeText(const TXMLNode* Node);
bool XmlHas(const TXMLNode* Node, const std::string& Name);
// Attribute values converted by the reader's rules; Default when the attribute is missing.
std::string XmlText(const TXMLNode* Node, const std::string& Name, const std::string& Default);
int32_t XmlInt(const TXMLNode* Node, const std::string& Name, int32_t Default);
bool XmlBool(const TXMLNode* Node, const std::string& Name, bool Default);
