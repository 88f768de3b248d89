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

// The result of a call whose 0 means the service took the data: accepted only when the body's
// element is the operation's own response (local name operation + "Response", any namespace) and
// its result holds an integer. An empty Body, an empty or nil result and another operation's
// wrapper raise ESOAPDomConvertError: reading them as 0 would mark data the service never took.
std::int32_t DecodeAcceptanceResponse(std::string_view body, std::string_view operation);

// True when the body is a SOAP envelope whose Body holds a fault (or a header the client must
// understand): what an answer with status 500 must be to count as the service's own word.
bool HoldsSoapFault(std::string_view body);

// The child elements of a record result; nothing for an empty body, a null result or a response
// that holds no result element.
std::optional<TSoapFields> DecodeRecordResponse(std::string_view body);

}  // namespace tarrow
