#include "service/SoapEncoder.h"

#include <charconv>
#include <cmath>
#include <cstdio>
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

// Requests are written by us, not by an XML library, so that every platform sends the same bytes:
// characters stay UTF-8 and only what markup needs is escaped (a carriage return too, so that it
// survives line-end normalisation at the peer). A text ends at its first NUL, which XML cannot
// carry.
void AppendEscaped(std::string& out, std::string_view text, bool attribute)
{
    for (char c : text) {
        switch (c) {
        case '\0': return;
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        case '"':
            if (attribute) out += "&quot;";
            else out += '"';
            break;
        default: out += c;
        }
    }
}

// A name from the contract, cut like a text at a NUL.
void AppendName(std::string& out, std::string_view name)
{
    out += name.substr(0, name.find('\0'));
}

void AppendNamespace(std::string& out, const char* prefix, std::string_view href)
{
    out += prefix != nullptr ? " xmlns:" : " xmlns";
    if (prefix != nullptr) out += prefix;
    out += "=\"";
    AppendEscaped(out, href, true);
    out += '"';
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

    // The declaration carries the version only; the envelope declares the schema namespaces
    // although nothing in a request uses them, because peers have seen them on every request.
    std::string request = "<?xml version=\"1.0\"?><SOAP-ENV:Envelope";
    request.reserve(1024);
    AppendNamespace(request, "SOAP-ENV", kSoapEnvelopeNamespace);
    AppendNamespace(request, "xsd", kXmlSchemaNamespace);
    AppendNamespace(request, "xsi", kXmlSchemaInstanceNamespace);
    request += "><SOAP-ENV:Body><";
    AppendName(request, operation.Name);
    AppendNamespace(request, nullptr, targetNamespace);
    if (arguments.empty()) {
        request += "/>";
    } else {
        request += '>';
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            request += '<';
            AppendName(request, operation.Params[i].Name);
            const std::string text = SoapValueText(arguments[i]);
            // Escaped as text: nothing in a value is read as markup or as an entity reference.
            if (text.empty()) {
                request += "/>";
                continue;
            }
            request += '>';
            AppendEscaped(request, text, false);
            request += "</";
            AppendName(request, operation.Params[i].Name);
            request += '>';
        }
        request += "</";
        AppendName(request, operation.Name);
        request += '>';
    }
    request += "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
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
