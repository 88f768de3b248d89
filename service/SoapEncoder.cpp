#include "service/SoapEncoder.h"

#include "service/XmlPtr.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>
#include <stdexcept>

namespace tarrow {

namespace {

constexpr std::string_view kOperationNamePlaceholder = "%operationName%";

bool Matches(const TSoapValue& value, TSoapType type)
{
    switch (type) {
    case TSoapType::Int:
        return std::holds_alternative<std::int32_t>(value);
    case TSoapType::Text:
        return std::holds_alternative<std::string>(value);
    case TSoapType::Double:
        return std::holds_alternative<double>(value);
    case TSoapType::DateTime:
        return std::holds_alternative<TSoapDateTime>(value);
    }
    return false;
}

xmlNode* NewChild(xmlNode* parent, xmlNs* ns, std::string_view name)
{
    const std::string n(name);
    xmlNode* child = xmlNewChild(parent, ns, XmlChars(n.c_str()), nullptr);
    if (child == nullptr) throw std::bad_alloc();
    return child;
}

xmlNs* NewNs(xmlNode* node, std::string_view href, const char* prefix)
{
    const std::string h(href);
    xmlNs* ns = xmlNewNs(node, XmlChars(h.c_str()), prefix ? XmlChars(prefix) : nullptr);
    if (ns == nullptr) throw std::bad_alloc();
    return ns;
}

// The request tree holds elements, namespace declarations and text only. Writing it takes a
// fraction of what the generic serializer costs, and each call pays it: characters stay UTF-8 and
// only what markup needs is escaped (a carriage return too, so that it survives line-end
// normalisation at the peer).
void AppendEscaped(std::string& out, const xmlChar* text, bool attribute)
{
    for (const char* p = Chars(text); *p != '\0'; ++p) {
        switch (*p) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        case '"':
            if (attribute) out += "&quot;";
            else out += '"';
            break;
        default: out += *p;
        }
    }
}

void AppendQualifiedName(std::string& out, const xmlNode* element)
{
    if (element->ns != nullptr && element->ns->prefix != nullptr) {
        out += Chars(element->ns->prefix);
        out += ':';
    }
    out += Chars(element->name);
}

void AppendElement(std::string& out, const xmlNode* element)
{
    out += '<';
    AppendQualifiedName(out, element);
    for (const xmlNs* ns = element->nsDef; ns != nullptr; ns = ns->next) {
        out += ns->prefix != nullptr ? " xmlns:" : " xmlns";
        if (ns->prefix != nullptr) out += Chars(ns->prefix);
        out += "=\"";
        AppendEscaped(out, ns->href, true);
        out += '"';
    }
    if (element->children == nullptr) {
        out += "/>";
        return;
    }
    out += '>';
    for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) AppendElement(out, child);
        else if (child->type == XML_TEXT_NODE) AppendEscaped(out, child->content, false);
    }
    out += "</";
    AppendQualifiedName(out, element);
    out += '>';
}

}  // namespace

std::string SoapIntText(std::int32_t value)
{
    return std::to_string(value);
}

std::string SoapDoubleText(double value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (ec != std::errc()) throw std::logic_error("double does not fit its buffer");
    std::string text(buffer, end);
    // An exponent is written E, then the sign only when negative, then its digits without padding
    // (1E20, 2.5E-7), which is what XML Schema readers and our peers expect of a general format.
    if (auto e = text.find('e'); e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        std::string_view exponent = std::string_view(text).substr(e + 1);
        bool negative = false;
        if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
            negative = exponent.front() == '-';
            exponent.remove_prefix(1);
        }
        while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
        text = mantissa + "E" + (negative ? "-" : "") + std::string(exponent);
    }
    return text;
}

std::string SoapDateTimeText(TDateTime value)
{
    const TDateParts date = DecodeDate(value);
    const TTimeParts time = DecodeTime(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", date.Year, date.Month,
                  date.Day, time.Hour, time.Minute, time.Second, time.Millisecond);
    return buffer;
}

std::string SoapValueText(const TSoapValue& value)
{
    struct Visitor {
        std::string operator()(std::int32_t v) const { return SoapIntText(v); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(double v) const { return SoapDoubleText(v); }
        std::string operator()(const TSoapDateTime& v) const { return SoapDateTimeText(v.Value); }
    };
    return std::visit(Visitor{}, value);
}

std::string EncodeSoapRequest(const TSoapOperation& operation, std::span<const TSoapValue> arguments,
                              std::string_view targetNamespace)
{
    if (arguments.size() != operation.Params.size())
        throw std::invalid_argument(std::string(operation.Name) + ": wrong number of arguments");
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!Matches(arguments[i], operation.Params[i].Type))
            throw std::invalid_argument(std::string(operation.Name) + ": argument " +
                                        std::string(operation.Params[i].Name) + " has the wrong type");
    }

    TXmlDocPtr doc(xmlNewDoc(XmlChars("1.0")));
    if (!doc) throw std::bad_alloc();
    xmlNode* envelope = xmlNewDocNode(doc.get(), nullptr, XmlChars("Envelope"), nullptr);
    if (envelope == nullptr) throw std::bad_alloc();
    xmlDocSetRootElement(doc.get(), envelope);
    xmlNs* soapEnv = NewNs(envelope, kSoapEnvelopeNamespace, "SOAP-ENV");
    // Declared although nothing in a request uses them; peers have seen them on every request.
    NewNs(envelope, kXmlSchemaNamespace, "xsd");
    NewNs(envelope, kXmlSchemaInstanceNamespace, "xsi");
    xmlSetNs(envelope, soapEnv);

    xmlNode* body = NewChild(envelope, soapEnv, "Body");
    xmlNode* wrapper = NewChild(body, nullptr, operation.Name);
    xmlNs* target = NewNs(wrapper, targetNamespace, nullptr);
    xmlSetNs(wrapper, target);

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        xmlNode* element = NewChild(wrapper, target, operation.Params[i].Name);
        const std::string text = SoapValueText(arguments[i]);
        // Added as a text node, so the serializer escapes what XML reserves; nothing is
        // interpreted as markup or as an entity reference.
        if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("argument text too long");
        if (!text.empty()) {
            xmlNode* content =
                xmlNewDocTextLen(doc.get(), XmlChars(text.c_str()), static_cast<int>(text.size()));
            if (content == nullptr) throw std::bad_alloc();
            xmlAddChild(element, content);
        }
    }

    // libxml2 would name the encoding in its own declaration or fall back to character references;
    // the declaration we want carries the version only, so we write it ourselves.
    std::string request = "<?xml version=\"1.0\"?>";
    request.reserve(1024);
    AppendElement(request, envelope);
    return request;
}

std::string SoapActionFor(std::string_view actionTemplate, std::string_view operationName)
{
    std::string action(actionTemplate);
    if (auto at = action.find(kOperationNamePlaceholder); at != std::string::npos)
        action.replace(at, kOperationNamePlaceholder.size(), operationName);
    return action;
}

}  // namespace tarrow
