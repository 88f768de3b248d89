#include "service/SoapDecoder.h"

#include "platform/Text.h"
#include "platform/Errors.h"
#include "service/SoapEncoder.h"
#include "service/xml/XmlDocument.h"

#include <climits>
#include <memory>

namespace tarrow {

namespace {

bool IsTrue(std::string_view value)
{
    return value == "1" || SameText(value, "true");
}

// ---- envelope ------------------------------------------------------------------------------

[[noreturn]] void ThrowFault(const TXmlElement& fault)
{
    TXmlElement code, text, detail, actor;
    for (TXmlElement child = fault.FirstChildElement(); child; child = child.NextSiblingElement()) {
        const std::string name = child.LocalName();
        if (!code && SameText(name, "faultcode"))
            code = child;
        else if (!text && SameText(name, "faultstring"))
            text = child;
        else if (!detail && SameText(name, "detail"))
            detail = child;
        else if (!actor && SameText(name, "faultactor"))
            actor = child;
    }
    throw ERemotableException(text ? text.Text() : std::string(), code ? code.Text() : std::string(),
                              actor ? actor.Text() : std::string(), detail ? detail.Markup() : std::string());
}

void CheckHeader(const TXmlElement& header)
{
    for (TXmlElement entry = header.FirstChildElement(); entry; entry = entry.NextSiblingElement()) {
        // Only the unprefixed attribute counts; SOAP-ENV:mustUnderstand is not looked at.
        auto mustUnderstand = entry.Attribute("mustUnderstand");
        if (mustUnderstand && IsTrue(*mustUnderstand)) {
            throw ERemotableException("Soap header " + entry.LocalName() +
                                          " with attribute 'mustUnderstand' set to true was not handled",
                                      "MustUnderstand");
        }
    }
}

// What the envelope's Body held: nothing to decode, or the response wrapper.
struct TSoapResponse {
    std::unique_ptr<TXmlDocument> Doc;
    TXmlElement Wrapper;
};

TSoapResponse ReadEnvelope(std::string_view body)
{
    TSoapResponse response{std::make_unique<TXmlDocument>(body), {}};
    const TXmlElement envelope = response.Doc->Root();
    if (!envelope) throw ESOAPDomConvertError("Invalid SOAP Response");
    const std::string envelopeName = envelope.LocalName();
    const std::string envelopeNamespace = envelope.NamespaceUri();
    if (envelopeName != "Envelope" || envelopeNamespace != kSoapEnvelopeNamespace) {
        throw ESOAPDomConvertError("DocumentElement " + std::string(kSoapEnvelopeNamespace) + ":Envelope expected, " +
                                   envelopeNamespace + ":" + envelopeName + " found");
    }
    if (!envelope.HasChildNodes()) throw ESOAPDomConvertError("Invalid SOAP request");

    bool headerSeen = false;
    bool bodySeen = false;
    for (TXmlElement child = envelope.FirstChildElement(); child; child = child.NextSiblingElement()) {
        const std::string name = child.LocalName();
        if (name == "Header") {
            if (headerSeen) throw ESOAPDomConvertError("Invalid SOAP response");
            headerSeen = true;
            CheckHeader(child);
        } else if (name == "Body") {
            if (bodySeen) throw ESOAPDomConvertError("Invalid SOAP response");
            bodySeen = true;
            TXmlElement first = child.FirstChildElement();
            if (first && first.LocalName() == "Fault") ThrowFault(first);
            response.Wrapper = first;
        }
    }
    // An envelope without a Body is no SOAP message at all; taking it for an answer of 0 would
    // report a call the service never acknowledged as accepted.
    if (!bodySeen) throw ESOAPDomConvertError("Invalid SOAP response");
    return response;
}

TXmlElement ResultElement(const TXmlElement& wrapper)
{
    TXmlElement only = wrapper.FirstChildElement();
    if (only && !only.NextSiblingElement()) return only;
    for (TXmlElement child = only; child; child = child.NextSiblingElement()) {
        const std::string name = child.LocalName();
        if (SameText(name, "Result") || SameText(name, "Return")) return child;
    }
    return {};
}

bool IsNull(const TXmlElement& element)
{
    for (const char* name : {"nil", "NULL"}) {
        auto value = element.Attribute(name, kXmlSchemaInstanceNamespace);
        if (value && IsTrue(*value)) return true;
    }
    return !element.HasChildNodes() && !element.Attribute("href");
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
    if (!response.Wrapper) return 0;
    const TXmlElement result = ResultElement(response.Wrapper);
    if (!result) {
        throw ESOAPDomConvertError("SOAP Response Packet: result element expected, received \"" +
                                   response.Wrapper.Markup() + "\"");
    }
    if (IsNull(result)) return 0;
    return ReadInteger(TrimBlanks(result.Text()));
}

std::int32_t DecodeAcceptanceResponse(std::string_view body, std::string_view operation)
{
    TSoapResponse response = ReadEnvelope(body);
    const std::string expected = std::string(operation) + "Response";
    if (!response.Wrapper || response.Wrapper.LocalName() != expected) {
        throw ESOAPDomConvertError("SOAP Response Packet: element " + expected + " expected, received " +
                                   (!response.Wrapper ? std::string("an empty Body") : response.Wrapper.LocalName()));
    }
    const TXmlElement result = ResultElement(response.Wrapper);
    if (!result) {
        throw ESOAPDomConvertError("SOAP Response Packet: result element expected, received \"" +
                                   response.Wrapper.Markup() + "\"");
    }
    // Text() gathers the text of every descendant: <r><x>0</x></r> would read as 0.
    if (result.FirstChildElement()) {
        throw ESOAPDomConvertError("SOAP Response Packet: the result of " + std::string(operation) +
                                   " holds an element, not a number: \"" + result.Markup() + "\"");
    }
    const std::string content = IsNull(result) ? std::string() : result.Text();
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
    if (!response.Wrapper) return std::nullopt;
    const TXmlElement result = ResultElement(response.Wrapper);
    if (!result || IsNull(result)) return std::nullopt;
    TSoapFields fields;
    for (TXmlElement child = result.FirstChildElement(); child; child = child.NextSiblingElement())
        fields.emplace_back(child.LocalName(), child.Text());
    return fields;
}

}  // namespace tarrow
