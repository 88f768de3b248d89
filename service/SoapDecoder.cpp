#include "service/SoapDecoder.h"

#include "platform/Text.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "service/SoapEncoder.h"
#include "service/XmlPtr.h"


#include <cctype>
#include <climits>
#include <new>

namespace tarrow {

namespace {

std::string_view Name(const xmlNode* node)
{
    return Chars(node->name);
}

std::string_view NamespaceOf(const xmlNode* node)
{
    return node->ns != nullptr && node->ns->href != nullptr ? Chars(node->ns->href) : std::string_view();
}


bool IsTrue(std::string_view value)
{
    return value == "1" || SameText(value, "true");
}

xmlNode* FirstElementChild(xmlNode* node)
{
    for (xmlNode* child = node->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) return child;
    return nullptr;
}

std::optional<std::string> Attribute(xmlNode* node, const char* name, const xmlChar* ns)
{
    xmlAttr* attr = xmlHasNsProp(node, XmlChars(name), ns);
    if (attr == nullptr) return std::nullopt;
    TXmlCharPtr value(xmlNodeGetContent(reinterpret_cast<xmlNode*>(attr)));
    return value ? std::string(Chars(value.get())) : std::string();
}

// ---- parse errors --------------------------------------------------------------------------

// The first 40 characters of one line of the body. A body that is not UTF-8 (a declared code
// page) is shown through Windows-1252 so the message stays valid text.
std::string SourceLine(std::string_view body, int lineNumber)
{
    std::size_t begin = 0;
    for (int line = 1; line < lineNumber; ++line) {
        auto nl = body.find('\n', begin);
        if (nl == std::string_view::npos) return {};
        begin = nl + 1;
    }
    std::string_view text = body.substr(begin);
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);

    std::size_t at = 0;
    for (int characters = 0; characters < 40 && at < text.size(); ++characters) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        bool valid = length != 0 && at + length <= text.size();
        for (std::size_t i = 1; valid && i < length; ++i)
            valid = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
        if (!valid) return Cp1252ToUtf8(text.substr(0, 40));
        at += length;
    }
    return std::string(text.substr(0, at));
}

[[noreturn]] void ThrowParseError(std::string reason, int line, std::string_view body)
{
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    throw EDOMParseError(reason + "\r\nLine: " + std::to_string(line) + "\r\n" + SourceLine(body, line));
}

// A SOAP message carries no document type declaration. Refusing it before its internal subset is
// read means no entity is ever declared, so none can be expanded or fetched.
void RefuseDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    xmlStopParser(static_cast<xmlParserCtxt*>(context));
}

TXmlDocPtr Parse(std::string_view body)
{
    if (body.size() > static_cast<std::size_t>(INT_MAX))
        ThrowParseError("The document is too large", 1, body);
    TXmlParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt) throw std::bad_alloc();
    ctxt->sax->internalSubset = RefuseDocumentType;
    // Errors come back through the context, never printed; nothing is fetched from the network.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    TXmlDocPtr doc(
        xmlCtxtReadMemory(ctxt.get(), body.data(), static_cast<int>(body.size()), nullptr, nullptr, options));
    if (ctxt->errNo == XML_ERR_USER_STOP) {
        const auto at = body.find("<!DOCTYPE");
        int line = 1;
        for (std::size_t i = 0; i < at && i < body.size(); ++i)
            if (body[i] == '\n') ++line;
        ThrowParseError("A document type declaration is not allowed in a SOAP message", line, body);
    }
    if (!doc || !ctxt->wellFormed || !ctxt->nsWellFormed) {
        const xmlError* error = xmlCtxtGetLastError(ctxt.get());
        if (error != nullptr && error->message != nullptr) ThrowParseError(error->message, error->line, body);
        ThrowParseError("The document is not well-formed", 1, body);
    }
    return doc;
}

// ---- envelope ------------------------------------------------------------------------------

[[noreturn]] void ThrowFault(xmlNode* fault)
{
    xmlNode* code = nullptr;
    xmlNode* text = nullptr;
    xmlNode* detail = nullptr;
    xmlNode* actor = nullptr;
    for (xmlNode* child = fault->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (!code && SameText(Name(child), "faultcode"))
            code = child;
        else if (!text && SameText(Name(child), "faultstring"))
            text = child;
        else if (!detail && SameText(Name(child), "detail"))
            detail = child;
        else if (!actor && SameText(Name(child), "faultactor"))
            actor = child;
    }
    throw ERemotableException(
        text ? XmlNodeContent(text) : std::string(), code ? XmlNodeContent(code) : std::string(),
        actor ? XmlNodeContent(actor) : std::string(), detail ? XmlNodeText(detail) : std::string());
}

void CheckHeader(xmlNode* header)
{
    for (xmlNode* entry = header->children; entry != nullptr; entry = entry->next) {
        if (entry->type != XML_ELEMENT_NODE) continue;
        // Only the unprefixed attribute counts; SOAP-ENV:mustUnderstand is not looked at.
        auto mustUnderstand = Attribute(entry, "mustUnderstand", nullptr);
        if (mustUnderstand && IsTrue(*mustUnderstand)) {
            throw ERemotableException("Soap header " + std::string(Name(entry)) +
                                          " with attribute 'mustUnderstand' set to true was not handled",
                                      "MustUnderstand");
        }
    }
}

// What the envelope's Body held: nothing to decode, or the response wrapper.
struct TSoapResponse {
    TXmlDocPtr Doc;
    xmlNode* Wrapper = nullptr;
};

TSoapResponse ReadEnvelope(std::string_view body)
{
    TSoapResponse response{Parse(body)};
    xmlNode* envelope = xmlDocGetRootElement(response.Doc.get());
    if (envelope == nullptr) throw ESOAPDomConvertError("Invalid SOAP Response");
    if (Name(envelope) != "Envelope" || NamespaceOf(envelope) != kSoapEnvelopeNamespace) {
        throw ESOAPDomConvertError("DocumentElement " + std::string(kSoapEnvelopeNamespace) +
                                   ":Envelope expected, " + std::string(NamespaceOf(envelope)) + ":" +
                                   std::string(Name(envelope)) + " found");
    }
    if (envelope->children == nullptr) throw ESOAPDomConvertError("Invalid SOAP request");

    bool headerSeen = false;
    bool bodySeen = false;
    for (xmlNode* child = envelope->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (Name(child) == "Header") {
            if (headerSeen) throw ESOAPDomConvertError("Invalid SOAP response");
            headerSeen = true;
            CheckHeader(child);
        } else if (Name(child) == "Body") {
            if (bodySeen) throw ESOAPDomConvertError("Invalid SOAP response");
            bodySeen = true;
            xmlNode* first = FirstElementChild(child);
            if (first != nullptr && Name(first) == "Fault") ThrowFault(first);
            response.Wrapper = first;
        }
    }
    // An envelope without a Body is no SOAP message at all; taking it for an answer of 0 would
    // report a call the service never acknowledged as accepted.
    if (!bodySeen) throw ESOAPDomConvertError("Invalid SOAP response");
    return response;
}

xmlNode* ResultElement(xmlNode* wrapper)
{
    xmlNode* only = nullptr;
    int count = 0;
    for (xmlNode* child = wrapper->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (++count == 1) only = child;
    }
    if (count == 1) return only;
    for (xmlNode* child = wrapper->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (SameText(Name(child), "Result") || SameText(Name(child), "Return")) return child;
    }
    return nullptr;
}

bool IsNull(xmlNode* element)
{
    const auto* xsi = XmlChars(kXmlSchemaInstanceNamespace.data());
    for (const char* name : {"nil", "NULL"}) {
        auto value = Attribute(element, name, xsi);
        if (value && IsTrue(*value)) return true;
    }
    return element->children == nullptr && !Attribute(element, "href", nullptr);
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

std::int32_t ReadInteger(std::string_view text)
{
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    bool valid = !digits.empty();
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9' || value > INT32_MAX + 1LL) {
            valid = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (!valid || value < INT32_MIN || value > INT32_MAX)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t DecodeIntResponse(std::string_view body)
{
    TSoapResponse response = ReadEnvelope(body);
    if (response.Wrapper == nullptr) return 0;
    xmlNode* result = ResultElement(response.Wrapper);
    if (result == nullptr) {
        throw ESOAPDomConvertError("SOAP Response Packet: result element expected, received \"" +
                                   XmlNodeText(response.Wrapper) + "\"");
    }
    if (IsNull(result)) return 0;
    return ReadInteger(TrimBlanks(XmlNodeContent(result)));
}

std::int32_t DecodeAcceptanceResponse(std::string_view body, std::string_view operation)
{
    TSoapResponse response = ReadEnvelope(body);
    const std::string expected = std::string(operation) + "Response";
    if (response.Wrapper == nullptr || Name(response.Wrapper) != expected) {
        throw ESOAPDomConvertError("SOAP Response Packet: element " + expected + " expected, received " +
                                   (response.Wrapper == nullptr ? std::string("an empty Body")
                                                                : std::string(Name(response.Wrapper))));
    }
    xmlNode* result = ResultElement(response.Wrapper);
    if (result == nullptr) {
        throw ESOAPDomConvertError("SOAP Response Packet: result element expected, received \"" +
                                   XmlNodeText(response.Wrapper) + "\"");
    }
    const std::string content = IsNull(result) ? std::string() : XmlNodeContent(result);
    const std::string_view text = TrimBlanks(content);
    if (text.empty())
        throw ESOAPDomConvertError("SOAP Response Packet: the result of " + std::string(operation) + " is empty");
    return ReadInteger(text);
}

bool HoldsSoapFault(std::string_view body)
{
    try {
        ReadEnvelope(body);
    } catch (const ERemotableException&) {
        return true;
    } catch (const std::exception&) {
    }
    return false;
}

std::optional<TSoapFields> DecodeRecordResponse(std::string_view body)
{
    TSoapResponse response = ReadEnvelope(body);
    if (response.Wrapper == nullptr) return std::nullopt;
    xmlNode* result = ResultElement(response.Wrapper);
    if (result == nullptr || IsNull(result)) return std::nullopt;
    TSoapFields fields;
    for (xmlNode* child = result->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            fields.emplace_back(std::string(Name(child)), XmlNodeContent(child));
    }
    return fields;
}

}  // namespace tarrow
