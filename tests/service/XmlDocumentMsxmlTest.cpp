// The MSXML adapter's own failure path: a program that never initialised COM. This program has no
// test environment, so nothing here initialises it; one initialised thread would put every other
// thread of the process in its apartment and hide the fault.

#include "service/SoapDecoder.h"

#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrow {
namespace {

TEST(XmlDocumentMsxml, WithoutComTheCallFailsWithTheReasonNotAsAnAnswerThatDidNotParse)
{
    const std::string answer = "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
                               "<w><r>1</r></w></s:Body></s:Envelope>";
    std::string message;
    try {
        DecodeIntResponse(answer);
        message = "decoded";
    } catch (const EDOMParseError& e) {
        message = "parse error: " + e.Message();
    } catch (const Exception& e) {
        message = e.Message();
    }
    EXPECT_EQ(message.rfind("MSXML 6: the document could not be created: ", 0), 0u) << message;
    EXPECT_NE(message.find("0x800401F0"), std::string::npos) << message;
}

}  // namespace
}  // namespace tarrow
