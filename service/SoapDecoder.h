#pragma once
// The service's answer, a SOAP 1.1 envelope, turned into the call's result or into the error it
// stands for: EDOMParseError for a body that is not XML, ESOAPDomConvertError for XML that is not
// a usable SOAP response, ERemotableException for a fault, EConvertError for a result that is not
// a whole number.

#include "service/VanContract.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarrow {

// The int result of an operation. A body without an element, and a null result, give 0.
std::int32_t DecodeIntResponse(std::string_view body);

// The child elements of a record result; nothing for an empty body, a null result or a response
// that holds no result element.
std::optional<TSoapFields> DecodeRecordResponse(std::string_view body);

}  // namespace tarrow
