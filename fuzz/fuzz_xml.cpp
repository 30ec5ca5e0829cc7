// The XML reader on arbitrary bytes: it either builds a tree or raises one of its
// own errors, never crashes, hangs or leaks.
#include "u_SpaceXMLParser.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TXMLParser parser;
    try {
        parser.LoadFromString(text);
        // Walk the tree and convert every attribute value in every way.
        const TXMLNode* root = parser.Root();
        if (root == nullptr)
            __builtin_trap();
        std::vector<const TXMLNode*> pending{root};
        while (!pending.empty()) {
            const TXMLNode* node = pending.back();
            pending.pop_back();
            for (const TXMLAttribute* a : node->Attributes.Items()) {
                if (node->Attributes.Find(a->Name) != a)
                    __builtin_trap();
                for (int kind = 0; kind < 4; ++kind) {
                    try {
                        switch (kind) {
                        case 0:
                            (void)a->Value.AsString();
                            break;
                        case 1:
                            (void)a->Value.AsInteger();
                            break;
                        case 2:
                            (void)a->Value.AsBoolean();
                            break;
                        default:
                            (void)a->Value.AsDouble();
                        }
                    } catch (const EConvertError&) {
                    }
                }
            }
            for (const auto& child : node->Nodes) {
                if (child->Parent() != node || child->Level != node->Level + 1)
                    __builtin_trap();
                pending.push_back(child.get());
            }
        }
    } catch (const ESpaceXMLParserError&) {
    } catch (const EParserError&) {
    } catch (const EConvertError&) {
    }
    return 0;
}
