// Reading typed attribute values and child elements of parsed XML nodes, with the
// conversion rules of the XML reader and a default for a missing attribute.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TXMLNode;

bool HasAttr(const TXMLNode* Node, const std::string& Name);
std::string AttrText(const TXMLNode* Node, const std::string& Name, const std::string& Default);
int32_t AttrInt(const TXMLNode* Node, const std::string& Name, int32_t Default);
bool AttrBool(const TXMLNode* Node, const std::string& Name, bool Default);

// The child elements in document order (none for no node).
std::vector<const TXMLNode*> ChildNodes(const TXMLNode* Node);
// The first child element of that name (ignoring case), or none.
const TXMLNode* FindChild(const TXMLNode* Node, const std::string& Name);
std::string NodeName(const TXMLNode* Node);
