#include "service/XmlPtr.h"

#include <new>

namespace tarrow {

std::string XmlNodeText(xmlNode* node)
{
    TXmlBufferPtr buffer(xmlBufferCreate());
    if (!buffer) throw std::bad_alloc();
    {
        TXmlSavePtr save(xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL));
        if (!save) throw std::bad_alloc();
        xmlSaveTree(save.get(), node);
    } // closing the save context flushes it into the buffer
    return std::string(Chars(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

std::string XmlNodeContent(const xmlNode* node)
{
    TXmlCharPtr content(xmlNodeGetContent(node));
    return content ? std::string(Chars(content.get())) : std::string();
}

} // namespace tarrow
