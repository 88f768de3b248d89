#pragma once
// Owning handles for libxml2 objects, and the one way we turn a node back into text.

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <string>

namespace tarrow {

struct TXmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct TXmlParserCtxtFree {
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct TXmlBufferFree {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};
struct TXmlCharFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

using TXmlDocPtr = std::unique_ptr<xmlDoc, TXmlDocFree>;
using TXmlParserCtxtPtr = std::unique_ptr<xmlParserCtxt, TXmlParserCtxtFree>;
using TXmlBufferPtr = std::unique_ptr<xmlBuffer, TXmlBufferFree>;
using TXmlCharPtr = std::unique_ptr<xmlChar, TXmlCharFree>;

inline const char* Chars(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}
inline const xmlChar* XmlChars(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

// The node with everything below it as UTF-8 markup: no declaration, non-ASCII characters as
// they are rather than character references.
std::string XmlNodeText(xmlNode* node);

// The node's text content (all text below it), UTF-8.
std::string XmlNodeContent(const xmlNode* node);

}  // namespace tarrow
