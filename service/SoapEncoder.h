#pragma once
// The request of one call as SOAP 1.1 in document style: a wrapper element named after the
// operation in the service's namespace, one child per parameter, no type attributes, no header.

#include "service/VanContract.h"

#include <span>
#include <string>
#include <string_view>

namespace tarrow {

inline constexpr std::string_view kSoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kXmlSchemaNamespace = "http://www.w3.org/2001/XMLSchema";
inline constexpr std::string_view kXmlSchemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// Value texts, independent of the user's regional settings.
std::string SoapIntText(std::int32_t value);
std::string SoapDoubleText(double value);
std::string SoapDateTimeText(TDateTime value);
std::string SoapValueText(const TSoapValue& value);

// The request bytes: UTF-8 without a byte-order mark, a declaration carrying the version only, and
// no whitespace between elements. Raises std::invalid_argument when the arguments do not match the
// operation's parameters in number and type (a programming error, not a run-time condition).
std::string EncodeSoapRequest(const TSoapOperation& operation, std::span<const TSoapValue> arguments,
                              std::string_view targetNamespace);

// The SOAPAction of one call: the first "%operationName%" of the template replaced, case-sensitively,
// by the operation's name.
std::string SoapActionFor(std::string_view actionTemplate, std::string_view operationName);

}  // namespace tarrow
