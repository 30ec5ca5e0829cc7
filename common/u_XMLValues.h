// Reading parsed XML: a document that keeps its parser alive, typed attribute look-ups
// with the conversion rules of the XML reader and a default for a missing attribute,
// and the child elements of a node. Every reader of the system's own files (project,
// book options, toolbar, security, the book's system files) goes through these.
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

// The child elements in document order (none for no node).
std::vector<const TXMLNode*> XmlChildren(const TXMLNode* Node);
// The first child element of that name (ignoring case), or none.
const TXMLNode* XmlFindChild(const TXMLNode* Node, const std::string& Name);
std::string XmlName(const TXMLNode* Node);
// The element's character content.
std::string XmlNodeText(const TXMLNode* Node);
bool XmlHas(const TXMLNode* Node, const std::string& Name);
// Attribute values converted by the reader's rules; Default when the attribute is missing.
std::string XmlText(const TXMLNode* Node, const std::string& Name, const std::string& Default);
int32_t XmlInt(const TXMLNode* Node, const std::string& Name, int32_t Default);
bool XmlBool(const TXMLNode* Node, const std::string& Name, bool Default);
