// The document view over MSXML 6 (DOMDocument60 through COM). The calling thread must have
// initialised COM (CoInitializeEx); the programs and test programs do so at their start.
//
// The answer is loaded from its bytes through a stream, so the encoding its declaration or
// byte-order mark names is honoured; loading from a wide string would ignore it.

#include "service/xml/XmlDocument.h"

#include "platform/Errors.h"
#include "platform/windows/WideText.h"

#include <windows.h>
#include <msxml2.h>
#include <objbase.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <new>

namespace tarrow {

namespace {

// MinGW's headers declare the version-independent class only; version 6 is the one that can refuse
// a document type declaration and is present on every Windows we run on.
const CLSID kClsidDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
// Declared by the headers but defined in none of MinGW's import libraries.
const IID kIidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

template <typename T>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr()
    {
        if (Ptr) Ptr->Release();
    }
    T** Out() { return &Ptr; }
    T* operator->() const { return Ptr; }
    T* Get() const { return Ptr; }
    T* Release()
    {
        T* p = Ptr;
        Ptr = nullptr;
        return p;
    }
    explicit operator bool() const { return Ptr != nullptr; }

private:
    T* Ptr = nullptr;
};

class TBstr {
public:
    TBstr() = default;
    explicit TBstr(std::string_view utf8)
    {
        const std::wstring wide = Utf8ToWide(utf8);
        Text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        if (Text == nullptr) throw std::bad_alloc();
    }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    ~TBstr() { SysFreeString(Text); }
    BSTR* Out() { return &Text; }
    BSTR Get() const { return Text; }

    std::string Utf8() const { return WideToUtf8(std::wstring_view(Text, SysStringLen(Text))); }

private:
    BSTR Text = nullptr;
};

// A method giving a string, read as UTF-8; a failed call reads as no text.
template <typename F>
std::string Utf8Of(F call)
{
    TBstr text;
    if (FAILED(call(text.Out()))) return {};
    return text.Utf8();
}

std::string SystemText(HRESULT hr)
{
    // The wide text: the ANSI one is in the user's code page, not our UTF-8.
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length != 0 ? WideToUtf8(std::wstring_view(text, length)) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    return message.empty() ? std::string(code) : message + " (" + code + ")";
}

void Check(HRESULT hr, const char* what)
{
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    if (FAILED(hr)) throw Exception(std::string("MSXML 6: ") + what + ": " + SystemText(hr));
}

IXMLDOMNode* ElementFrom(IXMLDOMNode* node)
{
    while (node != nullptr) {
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT) return node;
        IXMLDOMNode* next = nullptr;
        node->get_nextSibling(&next);
        node->Release();
        node = next;
    }
    return nullptr;
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        case '"': out += attribute ? "&quot;" : "\""; break;
        case '\n': out += attribute ? "&#10;" : "\n"; break;
        case '\t': out += attribute ? "&#9;" : "\t"; break;
        default: out += c;
        }
    }
}

// The node's markup written by us, escaped as the other platform's library writes it: MSXML's own
// serialisation is not the same everywhere (one implementation indents it).
void AppendMarkup(std::string& out, IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type))) return;
    const auto text = [node] { return Utf8Of([node](BSTR* o) { return node->get_text(o); }); };
    const auto name = [node] { return Utf8Of([node](BSTR* o) { return node->get_nodeName(o); }); };
    switch (type) {
    case NODE_TEXT: AppendEscaped(out, text(), false); return;
    case NODE_CDATA_SECTION: out += "<![CDATA[" + text() + "]]>"; return;
    case NODE_COMMENT: out += "<!--" + text() + "-->"; return;
    case NODE_PROCESSING_INSTRUCTION: out += "<?" + name() + " " + text() + "?>"; return;
    case NODE_ELEMENT: break;
    default: return;
    }
    const std::string qualified = name();
    out += '<';
    out += qualified;
    TComPtr<IXMLDOMNamedNodeMap> attributes;
    long count = 0;
    if (node->get_attributes(attributes.Out()) == S_OK && attributes && SUCCEEDED(attributes->get_length(&count))) {
        for (long i = 0; i < count; ++i) {
            TComPtr<IXMLDOMNode> attr;
            if (attributes->get_item(i, attr.Out()) != S_OK || !attr) continue;
            out += ' ';
            out += Utf8Of([&attr](BSTR* o) { return attr->get_nodeName(o); });
            out += "=\"";
            AppendEscaped(out, Utf8Of([&attr](BSTR* o) { return attr->get_text(o); }), true);
            out += '"';
        }
    }
    IXMLDOMNode* child = nullptr;
    if (node->get_firstChild(&child) != S_OK || child == nullptr) {
        out += "/>";
        return;
    }
    out += '>';
    while (child != nullptr) {
        AppendMarkup(out, child);
        IXMLDOMNode* next = nullptr;
        if (child->get_nextSibling(&next) != S_OK) next = nullptr;
        child->Release();
        child = next;
    }
    out += "</";
    out += qualified;
    out += '>';
}

}  // namespace

struct TXmlAdapter {
    static IXMLDOMNode* Node(const TXmlElement& element) { return static_cast<IXMLDOMNode*>(element.Node_); }
    // Takes over the reference the caller holds.
    static TXmlElement Element(IXMLDOMNode* node) { return TXmlElement(node); }
    static IXMLDOMDocument2* Doc(const TXmlDocument& document)
    {
        return static_cast<IXMLDOMDocument2*>(document.Doc_);
    }
    static void SetDoc(TXmlDocument& document, IXMLDOMDocument2* doc) { document.Doc_ = doc; }
};

TXmlElement::TXmlElement(const TXmlElement& other) noexcept : Node_(other.Node_)
{
    if (Node_ != nullptr) static_cast<IXMLDOMNode*>(Node_)->AddRef();
}

TXmlElement::~TXmlElement()
{
    if (Node_ != nullptr) static_cast<IXMLDOMNode*>(Node_)->Release();
}

std::string TXmlElement::LocalName() const
{
    return Utf8Of([this](BSTR* out) { return TXmlAdapter::Node(*this)->get_baseName(out); });
}

std::string TXmlElement::NamespaceUri() const
{
    return Utf8Of([this](BSTR* out) { return TXmlAdapter::Node(*this)->get_namespaceURI(out); });
}

std::optional<std::string> TXmlElement::Attribute(std::string_view localName, std::string_view namespaceUri) const
{
    TComPtr<IXMLDOMNamedNodeMap> attributes;
    if (TXmlAdapter::Node(*this)->get_attributes(attributes.Out()) != S_OK || !attributes) return std::nullopt;
    const TBstr name(localName);
    const TBstr ns(namespaceUri);
    TComPtr<IXMLDOMNode> attr;
    if (attributes->getQualifiedItem(name.Get(), ns.Get(), attr.Out()) != S_OK || !attr) return std::nullopt;
    return Utf8Of([&attr](BSTR* out) { return attr->get_text(out); });
}

TXmlElement TXmlElement::FirstChildElement() const
{
    IXMLDOMNode* child = nullptr;
    TXmlAdapter::Node(*this)->get_firstChild(&child);
    return TXmlAdapter::Element(ElementFrom(child));
}

TXmlElement TXmlElement::NextSiblingElement() const
{
    IXMLDOMNode* next = nullptr;
    TXmlAdapter::Node(*this)->get_nextSibling(&next);
    return TXmlAdapter::Element(ElementFrom(next));
}

bool TXmlElement::HasChildNodes() const
{
    VARIANT_BOOL has = VARIANT_FALSE;
    return SUCCEEDED(TXmlAdapter::Node(*this)->hasChildNodes(&has)) && has == VARIANT_TRUE;
}

std::string TXmlElement::Text() const
{
    return Utf8Of([this](BSTR* out) { return TXmlAdapter::Node(*this)->get_text(out); });
}

std::string TXmlElement::Markup() const
{
    std::string out;
    AppendMarkup(out, TXmlAdapter::Node(*this));
    return out;
}

TXmlDocument::TXmlDocument(std::string_view body)
{
    if (body.size() > static_cast<std::size_t>(INT_MAX))
        ThrowXmlParseError("The document is too large", 1, XmlBodyLine(body, 1));

    TComPtr<IXMLDOMDocument2> doc;
    Check(CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                           reinterpret_cast<void**>(doc.Out())),
          "the document could not be created");
    Check(doc->put_async(VARIANT_FALSE), "async");
    Check(doc->put_validateOnParse(VARIANT_FALSE), "validateOnParse");
    Check(doc->put_resolveExternals(VARIANT_FALSE), "resolveExternals");
    // Whitespace between elements stays a node, as the other platform keeps it: an element holding
    // only blanks is not empty.
    Check(doc->put_preserveWhiteSpace(VARIANT_TRUE), "preserveWhiteSpace");
    // A SOAP message carries no document type declaration; refused by the parser, no entity is
    // ever declared, so none can be expanded or fetched.
    VARIANT prohibit;
    VariantInit(&prohibit);
    prohibit.vt = VT_BOOL;
    prohibit.boolVal = VARIANT_TRUE;
    TBstr prohibitDtd("ProhibitDTD");
    Check(doc->setProperty(prohibitDtd.Get(), prohibit), "ProhibitDTD");

    TComPtr<IStream> stream;
    *stream.Out() = SHCreateMemStream(reinterpret_cast<const BYTE*>(body.empty() ? "" : body.data()),
                                      static_cast<UINT>(body.size()));
    if (!stream) throw std::bad_alloc();
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_UNKNOWN;
    source.punkVal = stream.Get();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT hr = doc->load(source, &loaded);
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();

    const auto doctype = body.find("<!DOCTYPE");
    if (loaded != VARIANT_TRUE) {
        TComPtr<IXMLDOMParseError> error;
        long line = 0;
        std::string reason;
        std::string source;
        if (SUCCEEDED(doc->get_parseError(error.Out())) && error) {
            error->get_line(&line);
            reason = Utf8Of([&error](BSTR* out) { return error->get_reason(out); });
            source = Utf8Of([&error](BSTR* out) { return error->get_srcText(out); });
        }
        // The parser's own complaint about the declaration reads as the other platform's: the
        // declaration is at or before the line it names, or it names none.
        if (doctype != std::string_view::npos &&
            (line <= 0 || std::count(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(doctype), '\n') < line))
            ThrowXmlDocumentTypeRefused(body);
        if (reason.empty()) reason = "The document is not well-formed";
        if (source.empty() && line > 0) source = XmlBodyLine(body, static_cast<int>(line));
        ThrowXmlParseError(reason, static_cast<int>(line), source);
    }
    // Should a parser accept the declaration in spite of the property, the document is refused all
    // the same.
    TComPtr<IXMLDOMDocumentType> type;
    if (doc->get_doctype(type.Out()) == S_OK && type) ThrowXmlDocumentTypeRefused(body);
    TXmlAdapter::SetDoc(*this, doc.Release());
}

TXmlDocument::~TXmlDocument()
{
    if (IXMLDOMDocument2* doc = TXmlAdapter::Doc(*this)) doc->Release();
}

TXmlElement TXmlDocument::Root() const
{
    IXMLDOMElement* root = nullptr;
    if (TXmlAdapter::Doc(*this)->get_documentElement(&root) != S_OK || root == nullptr) return {};
    return TXmlAdapter::Element(root);
}

}  // namespace tarrow
