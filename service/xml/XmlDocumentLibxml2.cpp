// The document view over libxml2: an element is the library's own node, so the view costs no copy.

#include "service/xml/XmlDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>
#include <new>

namespace tarrow {

namespace {

struct TXmlParserCtxtFree {
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct TXmlBufferFree {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};
struct TXmlCharFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using TXmlParserCtxtPtr = std::unique_ptr<xmlParserCtxt, TXmlParserCtxtFree>;
using TXmlBufferPtr = std::unique_ptr<xmlBuffer, TXmlBufferFree>;
using TXmlCharPtr = std::unique_ptr<xmlChar, TXmlCharFree>;

const char* Chars(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}

std::string Content(const xmlNode* node)
{
    TXmlCharPtr content(xmlNodeGetContent(node));
    return content ? std::string(Chars(content.get())) : std::string();
}

// A SOAP message carries no document type declaration. Refusing it before its internal subset is
// read means no entity is ever declared, so none can be expanded or fetched.
void RefuseDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    xmlStopParser(static_cast<xmlParserCtxt*>(context));
}

}  // namespace

struct TXmlAdapter {
    static xmlNode* Node(const TXmlElement& element) { return static_cast<xmlNode*>(element.Node_); }
    static TXmlElement Element(xmlNode* node) { return TXmlElement(node); }
    static void SetDoc(TXmlDocument& document, xmlDoc* doc) { document.Doc_ = doc; }
    static xmlDoc* Doc(const TXmlDocument& document) { return static_cast<xmlDoc*>(document.Doc_); }
};

TXmlElement::TXmlElement(const TXmlElement& other) noexcept : Node_(other.Node_) {}

TXmlElement::~TXmlElement() = default;

std::string TXmlElement::LocalName() const
{
    return Chars(TXmlAdapter::Node(*this)->name);
}

std::string TXmlElement::NamespaceUri() const
{
    const xmlNs* ns = TXmlAdapter::Node(*this)->ns;
    return ns != nullptr && ns->href != nullptr ? std::string(Chars(ns->href)) : std::string();
}

std::optional<std::string> TXmlElement::Attribute(std::string_view localName, std::string_view namespaceUri) const
{
    const std::string name(localName);
    const std::string ns(namespaceUri);
    xmlAttr* attr = xmlHasNsProp(TXmlAdapter::Node(*this), reinterpret_cast<const xmlChar*>(name.c_str()),
                                 ns.empty() ? nullptr : reinterpret_cast<const xmlChar*>(ns.c_str()));
    if (attr == nullptr) return std::nullopt;
    return Content(reinterpret_cast<xmlNode*>(attr));
}

TXmlElement TXmlElement::FirstChildElement() const
{
    return TXmlAdapter::Element(xmlFirstElementChild(TXmlAdapter::Node(*this)));
}

TXmlElement TXmlElement::NextSiblingElement() const
{
    return TXmlAdapter::Element(xmlNextElementSibling(TXmlAdapter::Node(*this)));
}

bool TXmlElement::HasChildNodes() const
{
    return TXmlAdapter::Node(*this)->children != nullptr;
}

std::string TXmlElement::Text() const
{
    return Content(TXmlAdapter::Node(*this));
}

std::string TXmlElement::Markup() const
{
    xmlNode* node = TXmlAdapter::Node(*this);
    TXmlBufferPtr buffer(xmlBufferCreate());
    if (!buffer) throw std::bad_alloc();
    // Without an encoding of the output, the dump keeps characters as the tree's UTF-8 and escapes
    // only what markup needs; a save context with "UTF-8" gives the same bytes through an encoder
    // at several times the cost.
    if (xmlNodeDump(buffer.get(), node->doc, node, 0, 0) < 0) throw std::bad_alloc();
    return std::string(Chars(xmlBufferContent(buffer.get())), static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

TXmlDocument::TXmlDocument(std::string_view body)
{
    if (body.size() > static_cast<std::size_t>(INT_MAX))
        ThrowXmlParseError("The document is too large", 1, XmlBodyLine(body, 1));
    TXmlParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt) throw std::bad_alloc();
    ctxt->sax->internalSubset = RefuseDocumentType;
    // Errors come back through the context, never printed; nothing is fetched from the network.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDoc* doc =
        xmlCtxtReadMemory(ctxt.get(), body.data(), static_cast<int>(body.size()), nullptr, nullptr, options);
    TXmlAdapter::SetDoc(*this, doc);
    // From here the destructor does not run if we throw: the document goes with this guard.
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> guard(doc, xmlFreeDoc);
    if (ctxt->errNo == XML_ERR_USER_STOP) ThrowXmlDocumentTypeRefused(body);
    if (doc == nullptr || !ctxt->wellFormed || !ctxt->nsWellFormed) {
        const xmlError* error = xmlCtxtGetLastError(ctxt.get());
        if (error != nullptr && error->message != nullptr)
            ThrowXmlParseError(error->message, error->line, XmlBodyLine(body, error->line));
        ThrowXmlParseError("The document is not well-formed", 1, XmlBodyLine(body, 1));
    }
    guard.release();
}

TXmlDocument::~TXmlDocument()
{
    xmlFreeDoc(TXmlAdapter::Doc(*this));
}

TXmlElement TXmlDocument::Root() const
{
    return TXmlAdapter::Element(xmlDocGetRootElement(TXmlAdapter::Doc(*this)));
}

}  // namespace tarrow
