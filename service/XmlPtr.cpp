#include "service/XmlPtr.h"

#include <new>

namespace tarrow {

std::string XmlNodeText(xmlNode* node)
{
    TXmlBufferPtr buffer(xmlBufferCreate());
    if (!buffer) throw std::bad_alloc();
    // Without an encoding of the output, the dump keeps characters as the tree's UTF-8 and escapes
    // only what markup needs; a save context with "UTF-8" gives the same bytes through an encoder
    // at several times the cost, which every request would pay.
    if (xmlNodeDump(buffer.get(), node->doc, node, 0, 0) < 0) throw std::bad_alloc();
    return std::string(Chars(xmlBufferContent(buffer.get())), static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

std::string XmlNodeContent(const xmlNode* node)
{
    TXmlCharPtr content(xmlNodeGetContent(node));
    return content ? std::string(Chars(content.get())) : std::string();
}

}  // namespace tarrow
