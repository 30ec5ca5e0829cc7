#include "u_XMLValues.h"

#include "u_SpaceXMLParser.h"

bool HasAttr(const TXMLNode* Node, const std::string& Name) {
    return Node && Node->Attributes.Find(Name) != nullptr;
}

std::string AttrText(const TXMLNode* Node, const std::string& Name, const std::string& Default) {
    return Node ? Node->Attributes.GetString(Name, Default) : Default;
}

int32_t AttrInt(const TXMLNode* Node, const std::string& Name, int32_t Default) {
    return Node ? Node->Attributes.GetInteger(Name, Default) : Default;
}

bool AttrBool(const TXMLNode* Node, const std::string& Name, bool Default) {
    return Node ? Node->Attributes.GetBoolean(Name, Default) : Default;
}

std::vector<const TXMLNode*> ChildNodes(const TXMLNode* Node) {
    std::vector<const TXMLNode*> result;
    if (!Node)
        return result;
    result.reserve(static_cast<size_t>(Node->Nodes.Count()));
    for (const auto& child : Node->Nodes)
        result.push_back(child.get());
    return result;
}

const TXMLNode* FindChild(const TXMLNode* Node, const std::string& Name) {
    return Node ? Node->Nodes.FindNode(Name) : nullptr;
}

std::string NodeName(const TXMLNode* Node) {
    return Node ? Node->Name : std::string();
}
