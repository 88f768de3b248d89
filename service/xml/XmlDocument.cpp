#include "service/xml/XmlDocument.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"

namespace tarrow {

namespace {

// The first 40 characters of a line. A line that is not UTF-8 (a body in a declared code page) is
// shown through Windows-1252 so the message stays valid text.
std::string FirstCharacters(std::string_view text)
{
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

}  // namespace

std::string_view XmlBodyLine(std::string_view body, int lineNumber)
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
    return text;
}

void ThrowXmlParseError(std::string reason, int line, std::string_view lineText)
{
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    throw EDOMParseError(reason + "\r\nLine: " + std::to_string(line) + "\r\n" + FirstCharacters(lineText));
}

void ThrowXmlDocumentTypeRefused(std::string_view body)
{
    const auto at = body.find("<!DOCTYPE");
    int line = 1;
    for (std::size_t i = 0; i < at && i < body.size(); ++i)
        if (body[i] == '\n') ++line;
    ThrowXmlParseError("A document type declaration is not allowed in a SOAP message", line,
                       XmlBodyLine(body, line));
}

}  // namespace tarrow
