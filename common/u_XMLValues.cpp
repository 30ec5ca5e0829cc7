#include "u_XMLValues.h"

#include "u_SpaceXMLParser.h"

TXMLDocument::TXMLDocument(const std::string& Text) : FParser(std::make_unique<TXMLParser>()) {
    FParser->LoadFromString(Text);
}

TXMLDocument::~TXMLDocument() = default;

const TXMLNode* TXMLDocument::Root() const {
    return FParser->Root();
}

std::vector<const TXMLNode*> XmlChildren(const TXMLNode* Node) {
    std::vector<const TXMLNode*> children;
    if (Node == nullptr)
        return children;
    children.reserve(static_cast<size_t>(Node->Nodes.Count()));
    for (const auto& child : Node->Nodes)
        children.push_back(child.get());
    return children;
}

const TXMLNode* XmlFindChild(const TXMLNode* Node, const std::string& Name) {
    return Node ? Node->Nodes.FindNode(Name) : nullptr;
}

std::string XmlName(const TXMLNode* Node) {
    return Node ? Node->Name : std::string();
}

std::string XmlNodeText(const TXMLNode* Node) {
    return Node ? Node->Text : std::string();
}

bool XmlHas(const TXMLNode* Node, const std::string& Name) {
    return Node != nullptr && Node->Attributes.Find(Name) != nullptr;
}

std::string XmlText(const TXMLNode* Node, const std::string& Name, const std::string& Default) {
    return Node ? Node->Attributes.GetString(Name, Default) : Default;
}

int32_t XmlInt(const TXMLNode* Node, const std::string& Name, int32_t Default) {
    return Node ? Node->Attributes.GetInteger(Name, Default) : Default;
}

bool XmlBool(const TXMLNode* Node, const std::string& Name, bool Default) {
    return Node ? Node->Attributes.GetBoolean(Name, Default) : Default;
}
