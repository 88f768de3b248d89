// The service's answer is the one input of the web service client that arrives from outside:
// every body must end in a result or in one of our errors, never in a crash, a hang or a leak.

#include "platform/Errors.h"
#include "service/SoapDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    try {
        tarrow::DecodeIntResponse(body);
    } catch (const tarrow::Exception&) {
    }
    try {
        tarrow::DecodeRecordResponse(body);
    } catch (const tarrow::Exception&) {
    }
    return 0;
}
